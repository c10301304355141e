#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QPair>

#include <optional>

// The overlay mounts this process sees and the folders they are made of
// (their layers). Through an overlay, a file of a layer folder shows at a
// second path with a device of its own: one file seen twice, which no
// identity check tells apart from two copies.
class OverlayMounts
{
public:
    struct Overlay
    {
        // Where it is mounted (its first mount, for messages).
        QByteArray mountPoint;
        // Whether every layer folder was found: a layer given by a relative
        // path, or one that is gone, cannot be matched with anything.
        bool layersKnown = true;
    };

    // Where an item lies with respect to one overlay: its path from the top
    // of the overlay (or of the layer folder that holds it), "" for the top
    // itself, else starting with "/". A path that leaves the mount's own
    // path behind has no known place and counts as the top.
    struct Place
    {
        int overlay = -1;
        QByteArray relative;
    };

    // The overlays of the mount table now; their layer folders are found by
    // their identity, not by the text of their paths.
    static OverlayMounts read();

    bool isEmpty() const { return m_overlays.isEmpty(); }
    const Overlay &overlay(int index) const { return m_overlays.at(index); }

    // The overlay that the item at the path lies on, if it lies on one.
    std::optional<Place> onOverlay(const QByteArray &path) const;
    // The overlay of which the path, or a folder that holds it, is a layer folder.
    std::optional<Place> inLayer(const QByteArray &path) const;

    // Whether one of the two places holds the other (or both are one).
    static bool related(const QByteArray &relative, const QByteArray &other);

private:
    struct MountOf
    {
        int overlay = -1;
        QByteArray root;
        QByteArray mountPoint;
    };
    using Identity = QPair<quint64, quint64>;

    std::optional<Identity> identityOf(const QByteArray &path) const;

    QList<Overlay> m_overlays;
    // The overlay mounts by their number, bind mounts of one overlay included.
    QHash<quint64, MountOf> m_mounts;
    // The overlays' devices ("major:minor"), for kernels that give no mount number.
    QHash<quint64, int> m_devices;
    // Layer folders by identity.
    QHash<Identity, int> m_layers;
    // Identities of the folders looked at so far, as many copies share them.
    mutable QHash<QByteArray, std::optional<Identity>> m_seen;
};
