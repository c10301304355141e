#include "OverlayMounts.h"

#include "MountTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

// The layer folders of one overlay from its options: "lowerdir" lists them
// with ':' between them ("::" before data-only ones), a ':' or '\' inside a
// folder's path comes after a '\'; newer kernels may give one folder per
// "lowerdir+" or "datadir+".
QList<QByteArray> layerFolders(const QList<QByteArray> &options)
{
    QList<QByteArray> folders;
    for (const QByteArray &option : options) {
        const qsizetype equals = option.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray name = option.left(equals);
        const QByteArray value = option.mid(equals + 1);
        if (name == "upperdir" || name == "lowerdir+" || name == "datadir+") {
            folders.append(value);
        } else if (name == "lowerdir") {
            QByteArray folder;
            for (qsizetype i = 0; i < value.size(); ++i) {
                if (value.at(i) == '\\' && i + 1 < value.size()) {
                    folder += value.at(++i);
                } else if (value.at(i) == ':') {
                    if (!folder.isEmpty())
                        folders.append(folder);
                    folder.clear();
                } else {
                    folder += value.at(i);
                }
            }
            if (!folder.isEmpty())
                folders.append(folder);
        }
    }
    return folders;
}

quint64 deviceNumber(const QByteArray &majorMinor)
{
    const QList<QByteArray> parts = majorMinor.split(':');
    bool majorOk = false;
    bool minorOk = false;
    const unsigned major = parts.value(0).toUInt(&majorOk);
    const unsigned minor = parts.value(1).toUInt(&minorOk);
    return majorOk && minorOk && parts.size() == 2 ? quint64(makedev(major, minor)) : 0;
}

} // namespace

OverlayMounts OverlayMounts::read()
{
    OverlayMounts overlays;
    QHash<QByteArray, int> byDevice;
    for (const MountTable::Mount &mount : MountTable::read()) {
        if (mount.type != "overlay")
            continue;
        int index = byDevice.value(mount.device, -1);
        if (index < 0) {
            index = int(overlays.m_overlays.size());
            byDevice.insert(mount.device, index);
            Overlay overlay;
            overlay.mountPoint = mount.mountPoint;
            const QList<QByteArray> layers = layerFolders(mount.superOptions);
            overlay.layersKnown = !layers.isEmpty();
            for (const QByteArray &layer : layers) {
                // The kernel followed links in a layer's path when it was mounted.
                struct stat status {};
                if (!layer.startsWith('/') || ::stat(layer.constData(), &status) != 0 || !S_ISDIR(status.st_mode)) {
                    overlay.layersKnown = false;
                    continue;
                }
                overlays.m_layers.insert({quint64(status.st_dev), quint64(status.st_ino)}, index);
            }
            overlays.m_overlays.append(overlay);
            if (const quint64 device = deviceNumber(mount.device))
                overlays.m_devices.insert(device, index);
        }
        overlays.m_mounts.insert(mount.id, {index, mount.root, mount.mountPoint});
    }
    return overlays;
}

std::optional<OverlayMounts::Place> OverlayMounts::onOverlay(const QByteArray &path) const
{
    if (m_overlays.isEmpty() || !path.startsWith('/'))
        return std::nullopt;
    struct statx status {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT, STATX_MNT_ID, &status) != 0)
        return std::nullopt;
    if ((status.stx_mask & STATX_MNT_ID) == 0) {
        // Without the mount's number, the overlay's own device tells: its
        // folders always show it.
        const int index = m_devices.value(quint64(makedev(status.stx_dev_major, status.stx_dev_minor)), -1);
        return index < 0 ? std::nullopt : std::optional<Place>(Place {index, {}});
    }
    const auto mount = m_mounts.constFind(status.stx_mnt_id);
    if (mount == m_mounts.cend())
        return std::nullopt;
    const QByteArray prefix = mount->mountPoint == "/" ? QByteArray() : mount->mountPoint;
    const QByteArray root = mount->root == "/" ? QByteArray() : mount->root;
    if (path != prefix && !path.startsWith(prefix + '/'))
        return Place {mount->overlay, {}};
    return Place {mount->overlay, root + path.mid(prefix.size())};
}

std::optional<OverlayMounts::Identity> OverlayMounts::identityOf(const QByteArray &path) const
{
    const auto seen = m_seen.constFind(path);
    if (seen != m_seen.cend())
        return *seen;
    struct stat status {};
    std::optional<Identity> identity;
    if (::lstat(path.isEmpty() ? "/" : path.constData(), &status) == 0 && S_ISDIR(status.st_mode))
        identity = Identity {quint64(status.st_dev), quint64(status.st_ino)};
    m_seen.insert(path, identity);
    return identity;
}

std::optional<OverlayMounts::Place> OverlayMounts::inLayer(const QByteArray &path) const
{
    if (m_layers.isEmpty() || !path.startsWith('/'))
        return std::nullopt;
    // The path itself, then every folder that holds it up to "/" (the empty prefix).
    for (qsizetype end = path.size(); end >= 0; end = end > 0 ? path.lastIndexOf('/', end - 1) : -1) {
        const QByteArray folder = path.left(end);
        const std::optional<Identity> identity = identityOf(folder);
        if (!identity)
            continue;
        const auto layer = m_layers.constFind(*identity);
        if (layer != m_layers.cend())
            return Place {*layer, path.mid(end)};
        if (end == 0)
            break;
    }
    return std::nullopt;
}

bool OverlayMounts::related(const QByteArray &relative, const QByteArray &other)
{
    const auto holds = [](const QByteArray &folder, const QByteArray &item) {
        return item == folder || (item.startsWith(folder) && item.at(folder.size()) == '/');
    };
    return holds(relative, other) || holds(other, relative);
}
