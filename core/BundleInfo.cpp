#include "BundleInfo.h"

#include "FileFacts.h"

#include <PropertyList.h>

#include <QByteArray>
#include <QVariantMap>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace {

// Real information lists are a few kilobytes; a bundle cannot make the scan
// read an arbitrarily large file into memory.
constexpr qint64 maximumInfoListSize = 16 * 1024 * 1024;

QByteArray readSmallRegularFile(const QString &path)
{
    const int fd = openRegularFileForReading(path, true);
    if (fd < 0)
        return {};
    QByteArray data;
    struct stat status {};
    if (::fstat(fd, &status) == 0 && status.st_size <= maximumInfoListSize) {
        data.resize(qsizetype(status.st_size));
        qsizetype filled = 0;
        while (filled < data.size()) {
            const ssize_t count = ::read(fd, data.data() + filled, size_t(data.size() - filled));
            if (count < 0 && errno == EINTR)
                continue;
            if (count <= 0)
                break;
            filled += count;
        }
        data.truncate(filled);
    }
    ::close(fd);
    return data;
}

} // namespace

std::optional<QString> bundleIdentifier(const QString &bundlePath)
{
    const QByteArray data = readSmallRegularFile(bundlePath + QStringLiteral("/Contents/Info.plist"));
    const auto root = PropertyList::fromData(data);
    if (!root || root->typeId() != QMetaType::QVariantMap)
        return std::nullopt;
    const QVariant value = root->toMap().value(QStringLiteral("CFBundleIdentifier"));
    if (value.typeId() != QMetaType::QString || value.toString().isEmpty())
        return std::nullopt;
    return value.toString();
}
