#pragma once

#include <QCborMap>
#include <QHashFunctions>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QUrl>

#include <memory>
#include <optional>

// The category of a file; the raw values other than "None" key the result store.
enum class ScanResultKeys { Videos, Photos, Musics, Archives, Documents, Application, Others, None };

QString rawValue(ScanResultKeys key);
// Exact, case-sensitive match of the eight raw values.
std::optional<ScanResultKeys> scanResultKeysFromRawValue(const QString &raw);

// The category as the chart and the per-category totals name it ("Music", not "Musics").
enum class Duplicates { _Photos, _Videos, _Music, _Archives, _Documents, _Applications, _Others };

QString rawValue(Duplicates key);
std::optional<Duplicates> duplicatesFromRawValue(const QString &raw);

// A colour as plain components (0..1), so that the core needs no GUI library.
struct Color
{
    double red = 0;
    double green = 0;
    double blue = 0;
    double alpha = 1;

    static Color rgb(int r, int g, int b) { return {r / 255.0, g / 255.0, b / 255.0, 1.0}; }
    bool operator==(const Color &) const = default;
};

// Where one file lives on disk: one inode is one file, whatever path reaches it.
struct FileIdentity
{
    quint64 device = 0;
    quint64 inode = 0;

    bool operator==(const FileIdentity &) const = default;
};

inline size_t qHash(const FileIdentity &identity, size_t seed = 0)
{
    return qHashMulti(seed, identity.device, identity.inode);
}

// Facts about one file, read once when its record is built.
struct Metadata
{
    enum class CodingKeys { name, date, size, icon, isFolder, url, isIcon };

    QString name;
    QDateTime date = QDateTime::currentDateTimeUtc();
    quint64 size = 0;
    // An icon reference (a MIME type name) resolved by the interface; empty for none.
    QString icon;
    Color color;
    bool isFolder = false;
    std::optional<QUrl> url;
    bool isIcon = false;

    // Nothing when the file's facts cannot be read.
    static std::optional<Metadata> fromFileURL(const QUrl &fileURL);

    QCborMap encode() const;
    // Nothing when a key is missing, null or of the wrong type.
    static std::optional<Metadata> decode(const QCborMap &map);
};

QString stringValue(Metadata::CodingKeys key);
std::optional<Metadata::CodingKeys> metadataCodingKeyFromString(const QString &text);

// The library-database values of one Photos item.
struct PhotoLibraryProperties
{
    enum class CodingKeys { RKMuuid, RKMimagePath, RKMFilSize, RKVuuid, RKVmodelId, RKVfilename, RKAVMId };

    QString RKMuuid;
    QString RKMimagePath;
    QString RKMFilSize;
    QString RKVuuid;
    QString RKVmodelId;
    QString RKVfilename;
    QString RKAVMId;

    QCborMap encode() const;
    // Nothing when a key is missing or does not hold a string.
    static std::optional<PhotoLibraryProperties> decode(const QCborMap &map);

    bool operator==(const PhotoLibraryProperties &) const = default;
};

QString stringValue(PhotoLibraryProperties::CodingKeys key);
std::optional<PhotoLibraryProperties::CodingKeys> photoCodingKeyFromString(const QString &text);

// The record of one scanned file, folder bundle or Photos item. A duplicate
// group is a list of these; every list holds its own copies.
struct InitialDirectory
{
    std::optional<QString> md5;
    std::optional<QUrl> url;
    std::optional<Metadata> file;
    std::optional<ScanResultKeys> category;
    bool isSelected = false;
    std::optional<PhotoLibraryProperties> photoLibraryProperties;
    bool isPhotoLibrary = false;
    std::optional<QString> name;
    // Set by the scan for files it met on disk; marks and removals follow it.
    std::optional<FileIdentity> identity;

    InitialDirectory() = default;
    // The record builder: facts of the file at the URL, name without its last extension.
    explicit InitialDirectory(const QUrl &url);
    // The same record from facts already read (the scan's own status of the
    // file it compared), without looking at the path again.
    InitialDirectory(const QUrl &url, const FileIdentity &identity, quint64 size, qint64 modifiedNanoseconds,
                     quint32 mode);
};

using DuplicateGroup = QList<InitialDirectory>;
using GroupList = QList<DuplicateGroup>;

// The same record as a shared object, for the "All Duplicates" row.
class FileInfo
{
public:
    FileInfo() = default;

    std::optional<QString> md5;
    std::optional<QUrl> url;
    std::optional<Metadata> file;
    std::optional<ScanResultKeys> category;
    bool isSelected = false;
    std::optional<PhotoLibraryProperties> photoLibraryProperties;
    bool isPhotoLibrary = false;
    std::optional<FileIdentity> identity;
};

using FileInfoRef = std::shared_ptr<FileInfo>;
using FileInfoGroup = QList<FileInfoRef>;

// One row of the results screen's category table.
struct Categories
{
    std::optional<QString> icon;
    std::optional<QString> name;
    double size = 0;
};

// The marks of one category row: for every group, the indexes of its marked copies.
struct MarkedCategories
{
    std::optional<ScanResultKeys> key;
    QList<QList<int>> groupIndexes;
};

// What the removal run does with a marked file.
struct MovingType
{
    enum class Kind { Folder, Trash, Permanently };

    Kind kind = Kind::Trash;
    QString path;          // Folder only
    bool overwrite = true; // Folder only: replace a file of the same name there

    static MovingType Folder(const QString &path, bool overwrite) { return {Kind::Folder, path, overwrite}; }
    static MovingType Trash() { return {Kind::Trash, {}, true}; }
    static MovingType Permanently() { return {Kind::Permanently, {}, true}; }

    bool operator==(const MovingType &) const = default;
};

struct AllIgnorePaths
{
    bool isChecked = false;
    std::optional<QUrl> url;

    bool operator==(const AllIgnorePaths &) const = default;
};

struct AllExtensions
{
    bool isChecked = false;
    QString name;

    bool operator==(const AllExtensions &) const = default;
};

struct AllOptions
{
    std::optional<QString> image; // the image's resource name
    QString name;
};

struct Cleaned
{
    std::optional<QString> name;
    std::optional<quint64> size;
    std::optional<int> count;
};
