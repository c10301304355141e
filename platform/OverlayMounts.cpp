#include "OverlayMounts.h"

#include "MountTable.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

struct LayerFolder
{
    QByteArray path;
    bool upper = false;
    bool dataOnly = false;
};

// The layer folders of one overlay from its options: "lowerdir" lists them
// with ':' between them ("::" before data-only ones), a ':' or '\' inside a
// folder's path comes after a '\'; newer kernels may give one folder per
// "lowerdir+" or "datadir+".
QList<LayerFolder> layerFolders(const QList<QByteArray> &options)
{
    QList<LayerFolder> folders;
    for (const QByteArray &option : options) {
        const qsizetype equals = option.indexOf('=');
        if (equals < 0)
            continue;
        const QByteArray name = option.left(equals);
        const QByteArray value = option.mid(equals + 1);
        if (name == "upperdir" || name == "lowerdir+" || name == "datadir+") {
            folders.append({value, name == "upperdir", name == "datadir+"});
        } else if (name == "lowerdir") {
            QByteArray folder;
            bool dataOnly = false;
            bool afterColon = false;
            for (qsizetype i = 0; i < value.size(); ++i) {
                if (value.at(i) == '\\' && i + 1 < value.size()) {
                    folder += value.at(++i);
                } else if (value.at(i) == ':') {
                    if (!folder.isEmpty())
                        folders.append({folder, false, dataOnly});
                    else if (afterColon)
                        dataOnly = true;
                    folder.clear();
                    afterColon = true;
                    continue;
                } else {
                    folder += value.at(i);
                }
                afterColon = false;
            }
            if (!folder.isEmpty())
                folders.append({folder, false, dataOnly});
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

// How many entries of a layer folder are looked at, at most, to find one the
// overlay shows: enough for the few files near the top that a layer nearly
// always has, little for one that has none.
constexpr int kEntriesToConfirm = 256;
constexpr int kFoldersToConfirm = 32;

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
            for (const LayerFolder &folder : layerFolders(mount.superOptions)) {
                Layer layer;
                layer.path = folder.path;
                layer.upper = folder.upper;
                layer.dataOnly = folder.dataOnly;
                // The kernel followed links in a layer's path when it was mounted.
                struct stat status {};
                if (folder.path.startsWith('/') && ::stat(folder.path.constData(), &status) == 0
                    && S_ISDIR(status.st_mode)) {
                    layer.identity = Identity {quint64(status.st_dev), quint64(status.st_ino)};
                    overlays.m_layers.insert(*layer.identity, {index, int(overlay.layers.size())});
                }
                overlay.layers.append(layer);
            }
            overlays.m_overlays.append(overlay);
            if (const quint64 device = deviceNumber(mount.device))
                overlays.m_devices.insert(device, index);
        }
        if (mount.root == "/" && overlays.m_overlays[index].wholeMount.isEmpty())
            overlays.m_overlays[index].wholeMount = mount.mountPoint;
        overlays.m_mounts.insert(mount.id, {index, mount.root, mount.mountPoint});
    }
    return overlays;
}

std::optional<OverlayMounts::Place> OverlayMounts::placeOnOverlay(const QByteArray &path, Item *item) const
{
    if (!path.startsWith('/'))
        return std::nullopt;
    struct statx status {};
    if (::statx(AT_FDCWD, path.constData(), AT_SYMLINK_NOFOLLOW | AT_NO_AUTOMOUNT,
                STATX_TYPE | STATX_INO | STATX_MNT_ID, &status)
        != 0)
        return std::nullopt;
    const quint64 device = quint64(makedev(status.stx_dev_major, status.stx_dev_minor));
    if (item) {
        item->found = true;
        item->isFolder = S_ISDIR(status.stx_mode);
        item->device = device;
        item->inode = status.stx_ino;
    }
    if ((status.stx_mask & STATX_MNT_ID) == 0) {
        // Without the mount's number, the overlay's own device tells: its
        // folders always show it.
        const int index = m_devices.value(device, -1);
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

OverlayMounts::Item OverlayMounts::itemAt(const QByteArray &path) const
{
    Item item;
    if (m_overlays.isEmpty())
        return item;
    if (const std::optional<Place> on = placeOnOverlay(path, &item)) {
        // What an overlay shows at a place, each overlay below it shows at
        // the place of its layer folder: follow the stack down, each overlay once.
        item.shows.append(*on);
        QSet<int> seen {on->overlay};
        for (qsizetype next = 0; next < item.shows.size(); ++next) {
            const Place place = item.shows.at(next);
            for (const Layer &layer : m_overlays.at(place.overlay).layers) {
                if (!layer.identity || layer.dataOnly)
                    continue;
                const std::optional<Place> &below = placeBelow(layer);
                if (!below || seen.contains(below->overlay))
                    continue;
                seen.insert(below->overlay);
                item.shows.append({below->overlay, below->relative + place.relative});
            }
        }
    }
    item.shownBy = placesShownBy(path);
    return item;
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

QList<OverlayMounts::Place> OverlayMounts::placesShownBy(const QByteArray &path) const
{
    QList<Place> places;
    if (m_layers.isEmpty() || !path.startsWith('/'))
        return places;
    // The path itself, then every folder that holds it up to "/" (the empty
    // prefix): a layer folder may lie inside another overlay's layer folder.
    for (qsizetype end = path.size(); end >= 0; end = end > 0 ? path.lastIndexOf('/', end - 1) : -1) {
        const QByteArray folder = path.left(end);
        if (const std::optional<Identity> identity = identityOf(folder)) {
            for (auto it = m_layers.constFind(*identity); it != m_layers.cend() && it.key() == *identity; ++it) {
                const auto [overlay, layer] = it.value();
                if (confirm(overlay, m_overlays.at(overlay).layers.at(layer)))
                    places.append({overlay, path.mid(end)});
            }
        }
        if (end == 0)
            break;
    }
    return places;
}

// A layer folder counts only once the overlay is seen to show it: the mount
// table keeps the path a layer had when it was mounted, and a folder made at
// that path since is not the layer.
bool OverlayMounts::confirm(int overlay, const Layer &layer) const
{
    if (layer.confirmed == Confirmed::NotYet) {
        const Overlay &of = m_overlays.at(overlay);
        const bool shown = layer.identity && !layer.dataOnly && !of.wholeMount.isEmpty() && showsAnyOf(of, layer);
        layer.confirmed = shown ? Confirmed::Yes : Confirmed::No;
    }
    return layer.confirmed == Confirmed::Yes;
}

bool OverlayMounts::showsAnyOf(const Overlay &overlay, const Layer &layer) const
{
    const QByteArray top = overlay.wholeMount == "/" ? QByteArray() : overlay.wholeMount;
    // Where all layers share one file system, the overlay's own folders show
    // the inode numbers of the topmost layer's folders, its top included.
    bool oneFileSystem = true;
    for (const Layer &other : overlay.layers)
        oneFileSystem = oneFileSystem && other.identity && other.identity->first == layer.identity->first;
    const Layer *topmost = nullptr;
    for (const Layer &other : overlay.layers) {
        if (other.upper)
            topmost = &other;
    }
    for (qsizetype i = 0; !topmost && i < overlay.layers.size(); ++i) {
        if (!overlay.layers.at(i).dataOnly)
            topmost = &overlay.layers.at(i);
    }
    struct stat shownTop {};
    if (oneFileSystem && topmost == &layer && ::lstat(top.isEmpty() ? "/" : top.constData(), &shownTop) == 0
        && quint64(shownTop.st_ino) == layer.identity->second)
        return true;

    // Otherwise a file of the layer folder that the overlay shows at its own
    // place tells: the overlay gives a file the inode number of the file
    // that it shows, whether its layers share a file system or not.
    QList<QByteArray> folders {QByteArray()};
    int budget = kEntriesToConfirm;
    for (qsizetype next = 0; next < folders.size() && budget > 0; ++next) {
        const QByteArray relative = folders.at(next);
        DIR *dir = ::opendir((layer.path + relative).constData());
        if (!dir)
            continue;
        bool found = false;
        while (!found && budget > 0) {
            const dirent *entry = ::readdir(dir);
            if (!entry)
                break;
            const QByteArray name(entry->d_name);
            if (name == "." || name == "..")
                continue;
            --budget;
            struct stat inLayer {};
            if (::fstatat(::dirfd(dir), entry->d_name, &inLayer, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            const QByteArray child = relative + '/' + name;
            if (S_ISDIR(inLayer.st_mode)) {
                if (folders.size() < kFoldersToConfirm)
                    folders.append(child);
                continue;
            }
            struct stat shown {};
            found = ::lstat((top + child).constData(), &shown) == 0 && !S_ISDIR(shown.st_mode)
                    && shown.st_ino == inLayer.st_ino;
        }
        ::closedir(dir);
        if (found)
            return true;
    }
    return false;
}

bool OverlayMounts::layersKnown(int overlay) const
{
    QSet<int> visiting;
    return knownBelow(overlay, visiting);
}

bool OverlayMounts::knownBelow(int overlay, QSet<int> &visiting) const
{
    if (visiting.contains(overlay))
        return true;
    visiting.insert(overlay);
    const Overlay &of = m_overlays.at(overlay);
    if (of.layers.isEmpty())
        return false;
    for (const Layer &layer : of.layers) {
        if (!confirm(overlay, layer))
            return false;
        const std::optional<Place> &below = placeBelow(layer);
        if (below && !knownBelow(below->overlay, visiting))
            return false;
    }
    return true;
}

bool OverlayMounts::hasLayerDevice(int overlay, quint64 device) const
{
    return layerDevices(overlay).contains(device);
}

bool OverlayMounts::shareLayerDevice(int overlay, int other) const
{
    return overlay != other && layerDevices(overlay).intersects(layerDevices(other));
}

const QSet<quint64> &OverlayMounts::layerDevices(int overlay) const
{
    auto devices = m_layerDevices.find(overlay);
    if (devices == m_layerDevices.end()) {
        QSet<int> visited;
        devices = m_layerDevices.insert(overlay, {});
        devicesBelow(overlay, *devices, visited);
    }
    return *devices;
}

const std::optional<OverlayMounts::Place> &OverlayMounts::placeBelow(const Layer &layer) const
{
    if (!layer.belowRead) {
        layer.below = layer.identity ? placeOnOverlay(layer.path, nullptr) : std::nullopt;
        layer.belowRead = true;
    }
    return layer.below;
}

void OverlayMounts::devicesBelow(int overlay, QSet<quint64> &devices, QSet<int> &visited) const
{
    if (visited.contains(overlay))
        return;
    visited.insert(overlay);
    for (const Layer &layer : m_overlays.at(overlay).layers) {
        if (!layer.identity)
            continue;
        devices.insert(layer.identity->first);
        if (const std::optional<Place> &below = placeBelow(layer))
            devicesBelow(below->overlay, devices, visited);
    }
}
