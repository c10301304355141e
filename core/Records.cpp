#include "Records.h"

#include <array>

namespace {

template<typename Enum, size_t N>
std::optional<Enum> fromTable(const std::array<std::pair<Enum, const char *>, N> &table, const QString &raw)
{
    for (const auto &[value, text] : table) {
        if (raw == QLatin1String(text))
            return value;
    }
    return std::nullopt;
}

template<typename Enum, size_t N>
QString toText(const std::array<std::pair<Enum, const char *>, N> &table, Enum value)
{
    for (const auto &[candidate, text] : table) {
        if (candidate == value)
            return QString::fromLatin1(text);
    }
    return {};
}

constexpr std::array<std::pair<ScanResultKeys, const char *>, 8> scanResultKeysTable{{
    {ScanResultKeys::Videos, "Videos"},
    {ScanResultKeys::Photos, "Photos"},
    {ScanResultKeys::Musics, "Musics"},
    {ScanResultKeys::Archives, "Archives"},
    {ScanResultKeys::Documents, "Documents"},
    {ScanResultKeys::Application, "Applications"},
    {ScanResultKeys::Others, "Others"},
    {ScanResultKeys::None, "None"},
}};

constexpr std::array<std::pair<Duplicates, const char *>, 7> duplicatesTable{{
    {Duplicates::_Photos, "Photos"},
    {Duplicates::_Videos, "Videos"},
    {Duplicates::_Music, "Music"},
    {Duplicates::_Archives, "Archives"},
    {Duplicates::_Documents, "Documents"},
    {Duplicates::_Applications, "Applications"},
    {Duplicates::_Others, "Others"},
}};

constexpr std::array<std::pair<Metadata::CodingKeys, const char *>, 7> metadataKeysTable{{
    {Metadata::CodingKeys::name, "name"},
    {Metadata::CodingKeys::date, "date"},
    {Metadata::CodingKeys::size, "size"},
    {Metadata::CodingKeys::icon, "icon"},
    {Metadata::CodingKeys::isFolder, "isFolder"},
    {Metadata::CodingKeys::url, "url"},
    {Metadata::CodingKeys::isIcon, "isIcon"},
}};

using PhotoKey = PhotoLibraryProperties::CodingKeys;
constexpr std::array<std::pair<PhotoKey, const char *>, 7> photoKeysTable{{
    {PhotoKey::RKMuuid, "RKMuuid"},
    {PhotoKey::RKMimagePath, "RKMimagePath"},
    {PhotoKey::RKMFilSize, "RKMFilSize"},
    {PhotoKey::RKVuuid, "RKVuuid"},
    {PhotoKey::RKVmodelId, "RKVmodelId"},
    {PhotoKey::RKVfilename, "RKVfilename"},
    {PhotoKey::RKAVMId, "RKAVMId"},
}};

} // namespace

QString rawValue(ScanResultKeys key)
{
    return toText(scanResultKeysTable, key);
}

std::optional<ScanResultKeys> scanResultKeysFromRawValue(const QString &raw)
{
    return fromTable(scanResultKeysTable, raw);
}

QString rawValue(Duplicates key)
{
    return toText(duplicatesTable, key);
}

std::optional<Duplicates> duplicatesFromRawValue(const QString &raw)
{
    return fromTable(duplicatesTable, raw);
}

QString stringValue(Metadata::CodingKeys key)
{
    return toText(metadataKeysTable, key);
}

std::optional<Metadata::CodingKeys> metadataCodingKeyFromString(const QString &text)
{
    return fromTable(metadataKeysTable, text);
}

QString stringValue(PhotoLibraryProperties::CodingKeys key)
{
    return toText(photoKeysTable, key);
}

std::optional<PhotoLibraryProperties::CodingKeys> photoCodingKeyFromString(const QString &text)
{
    return fromTable(photoKeysTable, text);
}

namespace {

QString PhotoLibraryProperties::*photoField(PhotoKey key)
{
    switch (key) {
    case PhotoKey::RKMuuid: return &PhotoLibraryProperties::RKMuuid;
    case PhotoKey::RKMimagePath: return &PhotoLibraryProperties::RKMimagePath;
    case PhotoKey::RKMFilSize: return &PhotoLibraryProperties::RKMFilSize;
    case PhotoKey::RKVuuid: return &PhotoLibraryProperties::RKVuuid;
    case PhotoKey::RKVmodelId: return &PhotoLibraryProperties::RKVmodelId;
    case PhotoKey::RKVfilename: return &PhotoLibraryProperties::RKVfilename;
    case PhotoKey::RKAVMId: return &PhotoLibraryProperties::RKAVMId;
    }
    return &PhotoLibraryProperties::RKMuuid;
}

} // namespace

QCborMap PhotoLibraryProperties::encode() const
{
    QCborMap map;
    for (const auto &[key, text] : photoKeysTable)
        map.insert(QString::fromLatin1(text), this->*photoField(key));
    return map;
}

std::optional<PhotoLibraryProperties> PhotoLibraryProperties::decode(const QCborMap &map)
{
    PhotoLibraryProperties properties;
    for (const auto &[key, text] : photoKeysTable) {
        const QCborValue value = map.value(QString::fromLatin1(text));
        if (!value.isString())
            return std::nullopt;
        properties.*photoField(key) = value.toString();
    }
    return properties;
}
