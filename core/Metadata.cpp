#include "Records.h"

#include "FileFacts.h"
#include "KRBFileFunctions.h"

#include <QCborValue>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <limits>


namespace {

QString keyText(Metadata::CodingKeys key)
{
    return stringValue(key);
}

// The path of a file URL without trailing slashes, so that a link is never
// resolved by accident; "" for other URLs.
QString localPath(const QUrl &url)
{
    return url.isLocalFile() ? QDir::cleanPath(url.toLocalFile()) : QString();
}

// The facts every listing shares: the item's own status, never a link's target.
Metadata plainMetadata(const QUrl &url, const QString &path, const struct stat &status)
{
    Metadata metadata;
    metadata.name = QFileInfo(path).fileName();
    metadata.date = modificationDate(status);
    metadata.size = status.st_size > 0 ? quint64(status.st_size) : 0;
    metadata.icon = iconReference(path, status.st_mode);
    metadata.isFolder = S_ISDIR(status.st_mode);
    metadata.url = url;
    return metadata;
}

Metadata metadataWithFolderSize(const QUrl &url, const QString &path, const struct stat &status)
{
    Metadata metadata = plainMetadata(url, path, status);
    metadata.isIcon = !metadata.icon.isEmpty();
    if (metadata.isFolder) {
        bool ok = false;
        const quint64 total = KRBFileFunctions::getFolderSize(path).toULongLong(&ok, 10);
        if (ok)
            metadata.size = total;
    }
    return metadata;
}

// CBOR integers stop at the signed 64-bit range; larger sizes travel as a
// positive bignum.
QCborValue sizeValue(quint64 size)
{
    if (size <= quint64(std::numeric_limits<qint64>::max()))
        return QCborValue(qint64(size));
    QByteArray bytes(8, Qt::Uninitialized);
    qToBigEndian(size, bytes.data());
    return QCborValue(QCborKnownTags::PositiveBignum, bytes);
}

std::optional<quint64> sizeFromValue(const QCborValue &value)
{
    if (value.isInteger()) {
        if (value.toInteger() < 0)
            return std::nullopt;
        return quint64(value.toInteger());
    }
    if (value.isTag() && value.tag() == QCborTag(QCborKnownTags::PositiveBignum)) {
        const QCborValue content = value.taggedValue();
        if (!content.isByteArray())
            return std::nullopt;
        const QByteArray bytes = content.toByteArray();
        if (bytes.size() > 8)
            return std::nullopt;
        quint64 size = 0;
        for (const char byte : bytes)
            size = (size << 8) | quint8(byte);
        return size;
    }
    return std::nullopt;
}

} // namespace

std::optional<Metadata> Metadata::fromFileURL(const QUrl &fileURL)
{
    const QString path = localPath(fileURL);
    const auto status = itemStatus(path);
    if (!status)
        return std::nullopt;
    return metadataWithFolderSize(fileURL, path, *status);
}

QCborMap Metadata::encode() const
{
    // The icon reference travels as the bytes of its MIME type name.
    QCborMap map;
    map.insert(keyText(CodingKeys::name), name);
    map.insert(keyText(CodingKeys::date), QCborValue(date));
    map.insert(keyText(CodingKeys::size), sizeValue(size));
    map.insert(keyText(CodingKeys::icon), icon.isEmpty() ? QCborValue(nullptr) : QCborValue(icon.toUtf8()));
    map.insert(keyText(CodingKeys::isFolder), isFolder);
    map.insert(keyText(CodingKeys::url), url ? QCborValue(*url) : QCborValue(nullptr));
    map.insert(keyText(CodingKeys::isIcon), isIcon);
    return map;
}

std::optional<Metadata> Metadata::decode(const QCborMap &map)
{
    const QCborValue nameValue = map.value(keyText(CodingKeys::name));
    const QCborValue dateValue = map.value(keyText(CodingKeys::date));
    const auto sizeNumber = sizeFromValue(map.value(keyText(CodingKeys::size)));
    const QCborValue iconValue = map.value(keyText(CodingKeys::icon));
    const QCborValue folderValue = map.value(keyText(CodingKeys::isFolder));
    const QCborValue urlValue = map.value(keyText(CodingKeys::url));
    const QCborValue iconFlagValue = map.value(keyText(CodingKeys::isIcon));
    if (!nameValue.isString() || !dateValue.isDateTime() || !sizeNumber || !iconValue.isByteArray()
        || !folderValue.isBool() || !urlValue.isUrl() || !iconFlagValue.isBool())
        return std::nullopt;

    Metadata metadata;
    metadata.name = nameValue.toString();
    metadata.date = dateValue.toDateTime();
    metadata.size = *sizeNumber;
    metadata.icon = QString::fromUtf8(iconValue.toByteArray());
    metadata.isFolder = folderValue.toBool();
    metadata.url = urlValue.toUrl();
    metadata.isIcon = iconFlagValue.toBool();
    return metadata;
}

InitialDirectory::InitialDirectory(const QUrl &url)
    : url(url)
    , name(nameWithoutExtension(url.path()))
{
    const QString path = localPath(url);
    const auto status = itemStatus(path);
    if (!status)
        return; // vanished or unreadable: a record without facts
    identity = FileIdentity{quint64(status->st_dev), quint64(status->st_ino)};
    file = metadataWithFolderSize(url, path, *status);
}

InitialDirectory::InitialDirectory(const QUrl &url, const FileIdentity &fileIdentity, quint64 size,
                                   qint64 modifiedNanoseconds, quint32 mode)
    : url(url)
    , name(nameWithoutExtension(url.path()))
    , identity(fileIdentity)
{
    struct stat status {};
    status.st_dev = dev_t(fileIdentity.device);
    status.st_ino = ino_t(fileIdentity.inode);
    status.st_size = off_t(size);
    status.st_mode = mode_t(mode);
    status.st_mtim.tv_sec = time_t(modifiedNanoseconds / 1000000000);
    status.st_mtim.tv_nsec = long(modifiedNanoseconds % 1000000000);
    if (status.st_mtim.tv_nsec < 0) {
        status.st_mtim.tv_nsec += 1000000000;
        status.st_mtim.tv_sec -= 1;
    }
    file = metadataWithFolderSize(url, localPath(url), status);
}

Directory::Directory(const QUrl &url)
    : url(url)
{
    const QString folderPath = localPath(url);
    if (folderPath.isEmpty())
        return;
    const QDir folder(folderPath);
    const QStringList entries = folder.entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &entry : entries) {
        const QString path = folder.filePath(entry);
        const auto status = itemStatus(path);
        if (!status)
            continue;
        files.append(plainMetadata(QUrl::fromLocalFile(path), path, *status));
    }
}
