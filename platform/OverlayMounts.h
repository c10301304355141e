#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QMultiHash>
#include <QPair>
#include <QSet>

#include <optional>

// The overlay mounts this process sees and the folders they are made of
// (their layers). Through an overlay, a file of a layer folder shows at a
// second path with a device of its own: one file seen twice, which no
// identity check tells apart from two copies. An overlay may itself be a
// layer of another one, and a layer folder may have been moved since it was
// mounted, so that the path the mount table gives leads elsewhere.
class OverlayMounts
{
public:
    // Where an item lies with respect to one overlay: its path from the top
    // of the overlay (or of the layer folder that holds it), "" for the top
    // itself, else starting with "/". A path that leaves the mount's own
    // path behind has no known place and counts as the top.
    struct Place
    {
        int overlay = -1;
        QByteArray relative;
    };

    // What overlays make of the item at a path.
    struct Item
    {
        bool found = false;
        bool isFolder = false;
        quint64 device = 0;
        quint64 inode = 0;
        // The overlay the item lies on first, then the places of the overlays
        // stacked below it that it shows too; empty when it lies on none.
        QList<Place> shows;
        // The overlays that show the item (or the folder that holds it) from
        // one of their layer folders, as far as those were confirmed.
        QList<Place> shownBy;

        bool onOverlay() const { return !shows.isEmpty(); }
    };

    // The overlays of the mount table now, their layer folders looked up by
    // identity. Nothing is read inside the layers until an item asks.
    static OverlayMounts read();

    bool isEmpty() const { return m_overlays.isEmpty(); }
    // Where the overlay is mounted (its first mount), for messages.
    QByteArray mountPoint(int overlay) const { return m_overlays.at(overlay).mountPoint; }

    Item itemAt(const QByteArray &path) const;

    // Whether every layer folder of the overlay, and of every overlay
    // stacked below it, was found where the mount table says: a layer given
    // by a relative path, gone, moved or that shows nothing to tell it by
    // cannot be matched with anything.
    bool layersKnown(int overlay) const;
    // Whether a file system with the device lies below the overlay, as the
    // device of one of its layer folders or of the overlays stacked below it.
    // A layer folder keeps its device when it is moved.
    bool hasLayerDevice(int overlay, quint64 device) const;
    // Whether a file system lies below both overlays (see hasLayerDevice).
    bool shareLayerDevice(int overlay, int other) const;

private:
    using Identity = QPair<quint64, quint64>;

    enum class Confirmed { NotYet, Yes, No };

    struct Layer
    {
        QByteArray path;
        std::optional<Identity> identity;
        bool upper = false;
        // A data-only layer shows nothing at its own places.
        bool dataOnly = false;
        mutable Confirmed confirmed = Confirmed::NotYet;
        // The place of the layer folder on an overlay below, once looked up.
        mutable bool belowRead = false;
        mutable std::optional<Place> below;
    };

    struct Overlay
    {
        QByteArray mountPoint;
        // A mount that shows the whole overlay; empty when there is none.
        QByteArray wholeMount;
        QList<Layer> layers;
    };

    struct MountOf
    {
        int overlay = -1;
        QByteArray root;
        QByteArray mountPoint;
    };

    std::optional<Place> placeOnOverlay(const QByteArray &path, Item *item) const;
    const std::optional<Place> &placeBelow(const Layer &layer) const;
    QList<Place> placesShownBy(const QByteArray &path) const;
    bool confirm(int overlay, const Layer &layer) const;
    bool showsAnyOf(const Overlay &overlay, const Layer &layer) const;
    bool knownBelow(int overlay, QSet<int> &visiting) const;
    void devicesBelow(int overlay, QSet<quint64> &devices, QSet<int> &visited) const;
    const QSet<quint64> &layerDevices(int overlay) const;
    std::optional<Identity> identityOf(const QByteArray &path) const;

    QList<Overlay> m_overlays;
    // The overlay mounts by their number, bind mounts of one overlay included.
    QHash<quint64, MountOf> m_mounts;
    // The overlays' devices, for kernels that give no mount number.
    QHash<quint64, int> m_devices;
    // Layer folders by identity: (overlay, layer). One folder may be a layer of several.
    QMultiHash<Identity, QPair<int, int>> m_layers;
    // Identities of the folders looked at so far, as many copies share them.
    mutable QHash<QByteArray, std::optional<Identity>> m_seen;
    mutable QHash<int, QSet<quint64>> m_layerDevices;
};
