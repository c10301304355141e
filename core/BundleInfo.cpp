#include "BundleInfo.h"

#include <NativePath.h>

#include <FileReading.h>
#include <PropertyList.h>

#include <QByteArray>
#include <QFile>
#include <QVariantMap>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Real information lists are a few kilobytes; a bundle cannot make the scan
// read an arbitrarily large file into memory.
constexpr qint64 maximumInfoListSize = 16 * 1024 * 1024;

// Closes a descriptor when it goes out of scope.
class Descriptor
{
public:
    explicit Descriptor(int fd) : m_fd(fd) {}
    ~Descriptor()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    Descriptor(const Descriptor &) = delete;
    Descriptor &operator=(const Descriptor &) = delete;
    int get() const { return m_fd; }

private:
    int m_fd;
};

// The bundle's Contents/Info.plist, each component opened without following
// a symbolic link: a bundle whose Contents or Info.plist is a link would
// otherwise take another bundle's identity, or have the scan read any file.
std::optional<QByteArray> readInfoList(const QString &bundlePath, const FileIdentity *expected, bool *changed)
{
    const Descriptor bundle(::open(NativePath::encode(bundlePath).constData(),
                                   O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (bundle.get() < 0) {
        // A listed bundle that is now a link or no folder has changed.
        if (expected && errno != ENOENT)
            *changed = true;
        return std::nullopt;
    }
    if (expected) {
        struct stat status {};
        if (::fstat(bundle.get(), &status) != 0 || quint64(status.st_dev) != expected->device
            || quint64(status.st_ino) != expected->inode) {
            *changed = true;
            return std::nullopt;
        }
    }
    const Descriptor contents(::openat(bundle.get(), "Contents", O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (contents.get() < 0)
        return std::nullopt;
    const Descriptor info(::openat(contents.get(), "Info.plist", O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    if (info.get() < 0)
        return std::nullopt;
    return FileReading::readRegularFile(info.get(), maximumInfoListSize);
}

std::optional<QString> identifierFromList(const std::optional<QByteArray> &data)
{
    if (!data)
        return std::nullopt;
    const auto root = PropertyList::fromData(*data);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant value = root->toMap().value(QStringLiteral("CFBundleIdentifier"));
    if (value.typeId() != QMetaType::QString || value.toString().isEmpty())
        return std::nullopt;
    return value.toString();
}

} // namespace

std::optional<QString> bundleIdentifier(const QString &bundlePath)
{
    return identifierFromList(readInfoList(bundlePath, nullptr, nullptr));
}

std::optional<QString> bundleIdentifier(const QString &bundlePath, const FileIdentity &expected, bool *changed)
{
    *changed = false;
    return identifierFromList(readInfoList(bundlePath, &expected, changed));
}
