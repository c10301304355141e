#include <PhotosLibraryReader.h>
#include <ScanControl.h>
#include <ProcessState.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <functional>

#include <sys/stat.h>

namespace {

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(contents);
}

QStringList itemPaths(const PhotosLibraryReadResult &result)
{
    QStringList paths;
    for (const InitialDirectory &item : result.items)
        paths.append(item.url->toLocalFile());
    return paths;
}

// A library package with a database of masters and versions, built as the
// reader expects it. The writer stays open so that a test can keep rows in
// the write-ahead log.
class PhotosLibrary : public ::testing::Test
{
public:
    void SetUp() override
    {
        folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("photos"));
        library = folder + QStringLiteral("/Test Library.photoslibrary");
        QDir().mkpath(library + QStringLiteral("/database"));
        QDir().mkpath(library + QStringLiteral("/Masters"));
    }

    void TearDown() override
    {
        if (writer)
            sqlite3_close(writer);
    }

    QString databasePath() const { return library + QStringLiteral("/database/photos.db"); }
    QString masters() const { return library + QStringLiteral("/Masters/"); }

    void openDatabase(bool writeAheadLog = false)
    {
        ASSERT_EQ(sqlite3_open(QFile::encodeName(databasePath()).constData(), &writer), SQLITE_OK);
        if (writeAheadLog)
            exec("PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        exec("CREATE TABLE RKMaster (modelId INTEGER PRIMARY KEY, uuid TEXT, imagePath TEXT, fileSize INTEGER);"
             "CREATE TABLE RKVersion (modelId INTEGER PRIMARY KEY, uuid TEXT, masterId INTEGER, fileName TEXT);");
    }

    void exec(const QByteArray &sql)
    {
        char *message = nullptr;
        EXPECT_EQ(sqlite3_exec(writer, sql.constData(), nullptr, nullptr, &message), SQLITE_OK) << message;
        sqlite3_free(message);
    }

    // A master with one version; a null path is stored as NULL.
    void addItem(int id, const QString &imagePath, int versions = 1)
    {
        const QString path = imagePath.isNull() ? QStringLiteral("NULL") : QStringLiteral("'%1'").arg(imagePath);
        exec(QStringLiteral("INSERT INTO RKMaster VALUES (%1, 'm-%1', %2, 2048);").arg(id).arg(path).toUtf8());
        for (int v = 0; v < versions; ++v)
            exec(QStringLiteral("INSERT INTO RKVersion VALUES (%1, 'v-%1', %2, 'IMG_%2.JPG');").arg(id * 10 + v).arg(id).toUtf8());
    }

    PhotosLibraryReadResult read() { return PhotosLibraryReader::readPhotosLibrary({library}); }

    QString folder;
    QString library;
    sqlite3 *writer = nullptr;
};

} // namespace

TEST(PhotosLibraryPaths, RecognisedByTheExtensionInAnyLetterCase)
{
    const struct { const char *path; bool library; } cases[] = {
        {"/a/Photos Library.photoslibrary", true},
        {"/a/X.PhotosLibrary", true},
        {"/a/x.photoslibrary/", true},
        {"/a/x.photoslibrary.zip", false},
        {"/a/photoslibrary", false},
        {"/a/x.app", false},
        {"", false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(isPhotosLibraryPath(QString::fromUtf8(c.path)), c.library);
    }

    setPhotosLibraryPaths(QStringLiteral("/lib/X.PhotosLibrary"));
    setPhotosLibraryPaths(QStringLiteral("/other/folder"));
    EXPECT_EQ(photosDatabasePath(), QStringLiteral("/lib/X.PhotosLibrary/database/photos.db"));
    EXPECT_EQ(photosDatabaseWalPath(), QStringLiteral("/lib/X.PhotosLibrary/database/photos.db-wal"));
    EXPECT_EQ(photosDatabaseShmPath(), QStringLiteral("/lib/X.PhotosLibrary/database/photos.db-shm"));
    EXPECT_EQ(photosLibraryRoot(), QStringLiteral("/lib/X.PhotosLibrary"));
}

TEST_F(PhotosLibrary, EqualMastersGiveOneRecordEach)
{
    openDatabase();
    writeFile(masters() + QStringLiteral("2024/05/a.jpg"), QByteArray(3000, 'x'));
    writeFile(masters() + QStringLiteral("2024/05/b.jpg"), QByteArray(3000, 'x'));
    addItem(1, QStringLiteral("2024/05/a.jpg"));
    addItem(2, QStringLiteral("2024/05/b.jpg"));

    const PhotosLibraryReadResult result = read();

    ASSERT_TRUE(result.ok) << result.error.toStdString();
    ASSERT_EQ(result.rows.size(), 2);
    EXPECT_EQ(result.rows[0].size(), 7);
    EXPECT_EQ(itemPaths(result), (QStringList{masters() + "2024/05/a.jpg", masters() + "2024/05/b.jpg"}));

    const InitialDirectory &first = result.items[0];
    EXPECT_TRUE(first.isPhotoLibrary);
    EXPECT_EQ(first.name, QStringLiteral("a"));
    EXPECT_FALSE(first.md5.has_value());
    EXPECT_FALSE(first.category.has_value());
    ASSERT_TRUE(first.file.has_value());
    EXPECT_EQ(first.file->size, 3000u);
    ASSERT_TRUE(first.photoLibraryProperties.has_value());
    const PhotoLibraryProperties &properties = *first.photoLibraryProperties;
    EXPECT_EQ(properties.RKMuuid, QStringLiteral("m-1"));
    EXPECT_EQ(properties.RKMimagePath, QStringLiteral("2024/05/a.jpg"));
    EXPECT_EQ(properties.RKMFilSize, QStringLiteral("2048"));
    EXPECT_EQ(properties.RKVuuid, QStringLiteral("v-10"));
    EXPECT_EQ(properties.RKVmodelId, QStringLiteral("10"));
    EXPECT_EQ(properties.RKVfilename, QStringLiteral("IMG_1.JPG"));
    EXPECT_EQ(properties.RKAVMId, QStringLiteral("1"));
}

TEST_F(PhotosLibrary, UnsafeOrMissingMastersAreSkipped)
{
    openDatabase();
    const QString outside = folder + QStringLiteral("/outside");
    writeFile(outside + QStringLiteral("/secret.jpg"), "secret");
    writeFile(folder + QStringLiteral("/escape.jpg"), "escape");
    writeFile(masters() + QStringLiteral("good.jpg"), "good");
    writeFile(masters() + QStringLiteral("sub/other.jpg"), "other");
    ASSERT_EQ(::symlink(QFile::encodeName(masters() + "good.jpg").constData(),
                        QFile::encodeName(masters() + "link.jpg").constData()), 0);
    ASSERT_EQ(::symlink(QFile::encodeName(outside).constData(), QFile::encodeName(masters() + "away").constData()), 0);
    QDir().mkpath(masters() + QStringLiteral("folder.jpg"));

    addItem(1, QStringLiteral("good.jpg"), 2); // two versions of one master
    addItem(2, QStringLiteral("missing.jpg"));
    addItem(3, QString());                     // NULL path: the Masters folder itself
    addItem(4, QStringLiteral(""));
    addItem(5, QStringLiteral("../../escape.jpg"));
    addItem(6, QStringLiteral("sub/../good.jpg"));
    addItem(7, folder + QStringLiteral("/escape.jpg"));
    addItem(8, QStringLiteral("link.jpg"));
    addItem(9, QStringLiteral("away/secret.jpg"));
    addItem(10, QStringLiteral("folder.jpg"));
    addItem(11, QStringLiteral("sub/other.jpg"));

    const PhotosLibraryReadResult result = read();

    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.rows.size(), 12);
    EXPECT_EQ(result.rows[3].value(QStringLiteral("RKMimagePath")).toString(), QStringLiteral("")) << "NULL reads as empty text";
    EXPECT_EQ(itemPaths(result), (QStringList{masters() + "good.jpg", masters() + "sub/other.jpg"}));
    EXPECT_EQ(result.items[0].photoLibraryProperties->RKVuuid, QStringLiteral("v-10")) << "the first version wins";
}

TEST_F(PhotosLibrary, RowsStillInTheWriteAheadLogAreRead)
{
    openDatabase(true);
    writeFile(masters() + QStringLiteral("a.jpg"), "same");
    writeFile(masters() + QStringLiteral("b.jpg"), "same");
    addItem(1, QStringLiteral("a.jpg"));
    addItem(2, QStringLiteral("b.jpg"));
    // With the writer open and no checkpoint, every row lives in the log.
    ASSERT_GT(QFileInfo(databasePath() + QStringLiteral("-wal")).size(), 0);

    const PhotosLibraryReadResult result = read();

    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.items.size(), 2);
}

TEST_F(PhotosLibrary, StaleWorkingCopiesAreNotReadWithANewDatabase)
{
    openDatabase();
    writeFile(masters() + QStringLiteral("a.jpg"), "a");
    addItem(1, QStringLiteral("a.jpg"));
    QDir().mkpath(photosCacheDirectory());
    writeFile(photosDatabaseWalCopyPath(), QByteArray(4096, '\x7f'));
    writeFile(photosDatabaseShmCopyPath(), QByteArray(4096, '\x7f'));

    const PhotosLibraryReadResult result = read();

    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(result.items.size(), 1);
    EXPECT_FALSE(QFileInfo::exists(photosDatabaseWalCopyPath()));
    EXPECT_FALSE(QFileInfo::exists(photosDatabaseShmCopyPath()));
}

TEST_F(PhotosLibrary, TheLastLibraryOfTheScanListIsRead)
{
    openDatabase();
    writeFile(masters() + QStringLiteral("a.jpg"), "a");
    addItem(1, QStringLiteral("a.jpg"));
    // Another library, spelt with capitals, that has a master too.
    const QString other = folder + QStringLiteral("/Second.PhotosLibrary");
    QDir().mkpath(other + QStringLiteral("/database"));
    QFile::copy(databasePath(), other + QStringLiteral("/database/photos.db"));
    writeFile(other + QStringLiteral("/Masters/a.jpg"), "b");

    const PhotosLibraryReadResult result =
        PhotosLibraryReader::readPhotosLibrary({library, folder + QStringLiteral("/plain"), other});

    ASSERT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_EQ(itemPaths(result), QStringList{other + QStringLiteral("/Masters/a.jpg")});
}

TEST_F(PhotosLibrary, FailuresAreReportedWithoutItems)
{
    struct Case
    {
        const char *name;
        std::function<void(PhotosLibrary &)> prepare;
    };
    const Case cases[] = {
        {"no database", [](PhotosLibrary &) {}},
        {"not a library database",
         [](PhotosLibrary &t) {
             ASSERT_EQ(sqlite3_open(QFile::encodeName(t.databasePath()).constData(), &t.writer), SQLITE_OK);
             t.exec("CREATE TABLE other (x);");
         }},
        {"not a database", [](PhotosLibrary &t) { writeFile(t.databasePath(), QByteArray(8192, 'n')); }},
        // A FIFO would block the copy for ever if it were opened for reading.
        {"a FIFO as the database",
         [](PhotosLibrary &t) { ASSERT_EQ(::mkfifo(QFile::encodeName(t.databasePath()).constData(), 0600), 0); }},
        {"a FIFO as the log",
         [](PhotosLibrary &t) {
             t.openDatabase();
             ASSERT_EQ(::mkfifo(QFile::encodeName(t.databasePath() + "-wal").constData(), 0600), 0);
         }},
        {"the cache folder is a file",
         [](PhotosLibrary &t) {
             t.openDatabase();
             QDir(photosCacheDirectory()).removeRecursively();
             writeFile(photosCacheDirectory(), "in the way");
         }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        writer = nullptr;
        QDir(library).removeRecursively();
        SetUp();
        c.prepare(*this);
        writeFile(masters() + QStringLiteral("a.jpg"), "a");

        const PhotosLibraryReadResult result = read();

        EXPECT_FALSE(result.ok);
        EXPECT_FALSE(result.error.isEmpty());
        EXPECT_TRUE(result.rows.isEmpty());
        EXPECT_TRUE(result.items.isEmpty());
        if (QFileInfo(photosCacheDirectory()).isFile())
            QFile::remove(photosCacheDirectory());
    }
}

TEST_F(PhotosLibrary, ALibraryWithoutItemsReadsAsEmpty)
{
    openDatabase();
    const PhotosLibraryReadResult result = read();
    EXPECT_TRUE(result.ok) << result.error.toStdString();
    EXPECT_TRUE(result.rows.isEmpty());
    EXPECT_TRUE(result.items.isEmpty());
}

TEST_F(PhotosLibrary, AStopDuringTheCopyEndsItAndLeavesNoWorkingCopy)
{
    openDatabase();
    addItem(1, QStringLiteral("a.jpg"));
    // A database large enough to be copied in many steps.
    exec("CREATE TABLE Filler (data BLOB); INSERT INTO Filler VALUES (zeroblob(8000000));");
    sqlite3_close(writer);
    writer = nullptr;
    setPhotosLibraryPaths(library);

    ScanControl control;
    QList<int> seen;
    const PhotosLibraryReadResult result = PhotosLibraryReader::readCurrentLibrary(&control, [&](int percent) {
        seen.append(percent);
        control.setAbort(true);
    });
    EXPECT_FALSE(result.ok);
    EXPECT_TRUE(result.items.isEmpty());
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_LT(seen.last(), 100);
    for (const QString &copy : {photosDatabaseCopyPath(), photosDatabaseWalCopyPath(), photosDatabaseShmCopyPath()})
        EXPECT_FALSE(QFileInfo::exists(copy)) << copy.toStdString();

    // Without a stop the same read reports its progress up to 100.
    control.reset();
    seen.clear();
    const PhotosLibraryReadResult full = PhotosLibraryReader::readCurrentLibrary(&control, [&](int percent) {
        seen.append(percent);
    });
    EXPECT_TRUE(full.ok);
    ASSERT_FALSE(seen.isEmpty());
    EXPECT_EQ(seen.last(), 100);
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    PhotosLibraryReader::removeWorkingCopies();
    EXPECT_FALSE(QFileInfo::exists(photosDatabaseCopyPath()));
}
