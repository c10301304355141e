#include "PhotosLibraryReader.h"

#include <FileReading.h>
#include <NativePath.h>

#include "ProcessState.h"
#include "ScanControl.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <functional>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// The library database as this reader expects it (only what the query needs):
//
//   RKMaster  (modelId INTEGER PRIMARY KEY, uuid TEXT,
//              imagePath TEXT,   -- the master file, relative to the library's "Masters" folder
//              fileSize INTEGER) -- its size in bytes
//   RKVersion (modelId INTEGER PRIMARY KEY,
//              uuid TEXT,        -- the media item, as the Photos application knows it
//              masterId INTEGER, -- RKMaster.modelId of the version's master
//              fileName TEXT)
//
// One row per version. The eighth column (the master's own key) is read but
// not kept. Sorting by master and version makes the candidates' order, and so
// the groups, the same from one read to the next.
constexpr const char kLibraryQuery[] =
    "SELECT m.uuid, m.imagePath, m.fileSize, v.uuid, v.modelId, v.fileName, v.masterId, m.modelId"
    " FROM RKVersion AS v JOIN RKMaster AS m ON m.modelId = v.masterId"
    " ORDER BY m.modelId, v.modelId";

// Row key and the query column that fills it.
struct RowColumn
{
    PhotoLibraryProperties::CodingKeys key;
    int column;
};

constexpr RowColumn kRowColumns[] = {
    {PhotoLibraryProperties::CodingKeys::RKMuuid, 0},
    {PhotoLibraryProperties::CodingKeys::RKMimagePath, 1},
    {PhotoLibraryProperties::CodingKeys::RKMFilSize, 2},
    {PhotoLibraryProperties::CodingKeys::RKVuuid, 3},
    {PhotoLibraryProperties::CodingKeys::RKVmodelId, 4},
    {PhotoLibraryProperties::CodingKeys::RKVfilename, 5},
    {PhotoLibraryProperties::CodingKeys::RKAVMId, 6},
};

QString rowText(const QVariantMap &row, PhotoLibraryProperties::CodingKeys key)
{
    return row.value(stringValue(key)).toString();
}

PhotoLibraryProperties propertiesOfRow(const QVariantMap &row)
{
    using Key = PhotoLibraryProperties::CodingKeys;
    PhotoLibraryProperties properties;
    properties.RKMuuid = rowText(row, Key::RKMuuid);
    properties.RKMimagePath = rowText(row, Key::RKMimagePath);
    properties.RKMFilSize = rowText(row, Key::RKMFilSize);
    properties.RKVuuid = rowText(row, Key::RKVuuid);
    properties.RKVmodelId = rowText(row, Key::RKVmodelId);
    properties.RKVfilename = rowText(row, Key::RKVfilename);
    properties.RKAVMId = rowText(row, Key::RKAVMId);
    return properties;
}

QString errorText(int error)
{
    return qt_error_string(error);
}

// A stale copy left next to a fresh one would be read as part of it, so a
// copy that cannot be removed stops the read.
QString removeWorkingCopy(const QString &path)
{
    if (::unlink(NativePath::encode(path).constData()) == 0 || errno == ENOENT)
        return {};
    return QStringLiteral("Could not remove the old working copy \"%1\": %2").arg(path, errorText(errno));
}

enum class CopyOutcome { Copied, SourceMissing, Failed, Stopped };

// What a copy reports while it runs: the bytes copied so far of all the
// files, and whether the run was stopped meanwhile.
struct CopyProgress
{
    const ScanControl *control = nullptr;
    const std::function<void(int)> *percent = nullptr;
    qint64 total = 0;
    qint64 copied = 0;
    int lastPercent = -1;

    bool stopped() const { return control && control->isAbort(); }

    void advance(qint64 bytes)
    {
        copied += bytes;
        if (!percent || !*percent || total <= 0)
            return;
        const int now = int(std::min<qint64>(100, copied * 100 / total));
        if (now != lastPercent) {
            lastPercent = now;
            (*percent)(now);
        }
    }
};

// Copies a regular file (following a link to one) to a new file. Anything
// else, a FIFO above all, is refused before a read could block. The target
// is created fresh, never through a link planted at its path.
CopyOutcome copyRegularFile(const QString &source, const QString &target, QString *error, CopyProgress &progress)
{
    const int in = ::open(NativePath::encode(source).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (in < 0) {
        if (errno == ENOENT)
            return CopyOutcome::SourceMissing;
        *error = QStringLiteral("Could not open \"%1\": %2").arg(source, errorText(errno));
        return CopyOutcome::Failed;
    }
    struct stat status {};
    if (::fstat(in, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(in);
        *error = QStringLiteral("\"%1\" is not a regular file").arg(source);
        return CopyOutcome::Failed;
    }
    const QByteArray targetName = NativePath::encode(target);
    const int out = ::open(targetName.constData(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (out < 0) {
        *error = QStringLiteral("Could not create \"%1\": %2").arg(target, errorText(errno));
        ::close(in);
        return CopyOutcome::Failed;
    }

    int failure = 0;
    bool stopped = false;
    char buffer[64 * 1024];
    for (;;) {
        // A stop ends even a copy of a large database at once.
        if (progress.stopped()) {
            stopped = true;
            break;
        }
        const ssize_t count = FileReading::readRetrying(in, buffer, sizeof buffer);
        if (count <= 0) {
            failure = count < 0 ? errno : 0;
            break;
        }
        for (ssize_t written = 0; written < count && failure == 0;) {
            const ssize_t step = ::write(out, buffer + written, size_t(count - written));
            if (step < 0 && errno != EINTR)
                failure = errno;
            else if (step > 0)
                written += step;
        }
        if (failure != 0)
            break;
        progress.advance(count);
    }
    if (::close(out) != 0 && failure == 0)
        failure = errno;
    ::close(in);
    if (stopped) {
        ::unlink(targetName.constData());
        return CopyOutcome::Stopped;
    }
    if (failure != 0) {
        ::unlink(targetName.constData());
        *error = QStringLiteral("Could not copy \"%1\" to \"%2\": %3").arg(source, target, errorText(failure));
        return CopyOutcome::Failed;
    }
    return CopyOutcome::Copied;
}

PhotosLibraryReadResult failure(const QString &error)
{
    PhotosLibraryReadResult result;
    result.error = error;
    return result;
}

QString sqliteError(sqlite3 *db)
{
    return db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
}

// The master path as the library names it is trusted only when it stays
// relative and never climbs out of the "Masters" folder by itself.
bool isSafeRelativePath(const QString &path)
{
    if (path.isEmpty() || path.startsWith(QLatin1Char('/')))
        return false;
    const QStringList components = path.split(QLatin1Char('/'));
    return !components.contains(QStringLiteral(".."));
}

} // namespace

bool isPhotosLibraryPath(const QString &path)
{
    QString name = path;
    while (name.size() > 1 && name.endsWith(QLatin1Char('/')))
        name.chop(1);
    return QFileInfo(name).suffix().toLower() == QLatin1String("photoslibrary");
}

void setPhotosLibraryPaths(const QString &libraryPath)
{
    if (!isPhotosLibraryPath(libraryPath))
        return;
    const QString database = QDir::cleanPath(libraryPath) + QStringLiteral("/database/photos.db");
    photosDatabasePath() = database;
    photosDatabaseWalPath() = database + QStringLiteral("-wal");
    photosDatabaseShmPath() = database + QStringLiteral("-shm");
}

QString photosLibraryRoot()
{
    return QFileInfo(QFileInfo(photosDatabasePath()).absolutePath()).absolutePath();
}

PhotosLibraryReadResult PhotosLibraryReader::readPhotosLibrary(const QStringList &scanList)
{
    for (const QString &path : scanList)
        setPhotosLibraryPaths(path);
    return readCurrentLibrary();
}

PhotosLibraryReadResult PhotosLibraryReader::readCurrentLibrary(const ScanControl *control,
                                                               const std::function<void(int)> &percent)
{
    const QString copyError = copyPhotosDatabase(control, percent);
    if (control && control->isAbort()) {
        removeWorkingCopies();
        return failure(QStringLiteral("The scan was stopped"));
    }
    if (!copyError.isEmpty()) {
        // Standard output may carry a program's results: messages go to standard error.
        std::fprintf(stderr, "%s\n", copyError.toLocal8Bit().constData());
        std::fflush(stderr);
        removeWorkingCopies();
        return failure(copyError);
    }

    PhotosLibraryReadResult result = queryPhotosDatabase(photosDatabaseCopyPath());
    if (result.ok)
        result.items = makePhotoLibraryItems(result.rows, photosLibraryRoot());
    return result;
}

void PhotosLibraryReader::removeWorkingCopies()
{
    for (const QString &copy : {photosDatabaseCopyPath(), photosDatabaseWalCopyPath(), photosDatabaseShmCopyPath()})
        removeWorkingCopy(copy);
}

QString PhotosLibraryReader::copyPhotosDatabase(const ScanControl *control, const std::function<void(int)> &percent)
{
    const QString sources[] = {photosDatabasePath(), photosDatabaseWalPath(), photosDatabaseShmPath()};
    const QString copies[] = {photosDatabaseCopyPath(), photosDatabaseWalCopyPath(), photosDatabaseShmCopyPath()};

    for (const QString &copy : copies) {
        const QString folder = QFileInfo(copy).absolutePath();
        if (!QDir().mkpath(folder) || !QFileInfo(folder).isDir())
            return QStringLiteral("Could not create the cache folder \"%1\"").arg(folder);
    }
    for (const QString &copy : copies) {
        const QString error = removeWorkingCopy(copy);
        if (!error.isEmpty())
            return error;
    }

    CopyProgress progress;
    progress.control = control;
    progress.percent = &percent;
    for (const QString &source : sources) {
        struct stat status {};
        if (::stat(NativePath::encode(source).constData(), &status) == 0 && S_ISREG(status.st_mode))
            progress.total += status.st_size;
    }

    QString error;
    switch (copyRegularFile(sources[0], copies[0], &error, progress)) {
    case CopyOutcome::Copied:
        break;
    case CopyOutcome::Stopped:
        return QStringLiteral("The scan was stopped");
    case CopyOutcome::SourceMissing:
        return QStringLiteral("The Photos library has no database at \"%1\"").arg(sources[0]);
    case CopyOutcome::Failed:
        return error;
    }
    // Rows written since the last checkpoint live only in the log: without
    // its copy the read would silently miss them.
    switch (copyRegularFile(sources[1], copies[1], &error, progress)) {
    case CopyOutcome::Failed:
        return error;
    case CopyOutcome::Stopped:
        return QStringLiteral("The scan was stopped");
    default:
        break;
    }
    // The shared-memory index is rebuilt from the log when it is missing.
    if (copyRegularFile(sources[2], copies[2], &error, progress) == CopyOutcome::Stopped)
        return QStringLiteral("The scan was stopped");
    return {};
}

PhotosLibraryReadResult PhotosLibraryReader::queryPhotosDatabase(const QString &databasePath)
{
    // Read-write so that SQLite can replay the copied log into its index; the
    // working copy is ours, and it must exist: nothing is created here.
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(NativePath::encode(databasePath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString error = QStringLiteral("Could not open the Photos library database: %1").arg(sqliteError(db));
        sqlite3_close(db);
        return failure(error);
    }

    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, kLibraryQuery, -1, &statement, nullptr) != SQLITE_OK) {
        const QString error = QStringLiteral("Could not read the Photos library database: %1").arg(sqliteError(db));
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return failure(error);
    }

    PhotosLibraryReadResult result;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) {
        QVariantMap row;
        for (const RowColumn &field : kRowColumns) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, field.column));
            row.insert(stringValue(field.key), text ? QString::fromUtf8(text) : QString(QLatin1String("")));
        }
        result.rows.append(row);
    }
    if (step != SQLITE_DONE)
        result = failure(QStringLiteral("Could not read the Photos library database: %1").arg(sqliteError(db)));
    else
        result.ok = true;

    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

QList<InitialDirectory> PhotosLibraryReader::makePhotoLibraryItems(const QList<QVariantMap> &rows,
                                                                   const QString &libraryRoot)
{
    QList<InitialDirectory> items;
    if (rows.isEmpty())
        return items;

    const QString mastersFolder = libraryRoot + QStringLiteral("/Masters/");
    const QString canonicalRoot = QFileInfo(libraryRoot).canonicalFilePath();
    if (canonicalRoot.isEmpty())
        return items;

    QSet<QPair<quint64, quint64>> listed;
    for (const QVariantMap &row : rows) {
        const QString imagePath = rowText(row, PhotoLibraryProperties::CodingKeys::RKMimagePath);
        if (!isSafeRelativePath(imagePath))
            continue;
        const QString masterPath = mastersFolder + imagePath;

        // The master itself must be a regular file, not a link, and no linked
        // folder on its way may lead out of the library.
        struct stat status {};
        if (::lstat(NativePath::encode(masterPath).constData(), &status) != 0 || !S_ISREG(status.st_mode))
            continue;
        const QString canonicalMaster = QFileInfo(masterPath).canonicalFilePath();
        if (!canonicalMaster.startsWith(canonicalRoot + QLatin1Char('/')))
            continue;

        // Two versions of one master are one file: it is a candidate once.
        const QPair<quint64, quint64> identity(quint64(status.st_dev), quint64(status.st_ino));
        if (listed.contains(identity))
            continue;

        InitialDirectory record(QUrl::fromLocalFile(masterPath));
        if (!record.file)
            continue;
        record.photoLibraryProperties = propertiesOfRow(row);
        record.isPhotoLibrary = true;
        if (!record.identity)
            record.identity = FileIdentity{identity.first, identity.second};
        listed.insert(identity);
        items.append(record);
    }
    return items;
}
