#include "ScanFixture.h"

#include <ProcessState.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <sqlite3.h>

using namespace ScanFixture;

namespace {

class PhotosObserver : public RecordingObserver
{
public:
    QStringList skipped;
    void photosLibrarySkipped(const QString &reason) override { skipped.append(reason); }
};

// A library package whose masters are the given contents, one version each.
QString makeLibrary(const QString &folder, const QList<QByteArray> &masters)
{
    const QString library = folder + "/Pictures.photoslibrary";
    QDir().mkpath(library + "/database");
    sqlite3 *db = nullptr;
    EXPECT_EQ(sqlite3_open(QFile::encodeName(library + "/database/photos.db").constData(), &db), SQLITE_OK);
    QByteArray sql = "CREATE TABLE RKMaster (modelId INTEGER PRIMARY KEY, uuid TEXT, imagePath TEXT, fileSize INTEGER);"
                     "CREATE TABLE RKVersion (modelId INTEGER PRIMARY KEY, uuid TEXT, masterId INTEGER, fileName TEXT);";
    for (int i = 0; i < masters.size(); ++i) {
        const QString name = QStringLiteral("2024/IMG_%1.JPG").arg(i);
        writeFile(library + "/Masters/" + name, masters.at(i));
        sql += QStringLiteral("INSERT INTO RKMaster VALUES (%1, 'm%1', '%2', %3);"
                              "INSERT INTO RKVersion VALUES (%1, 'v%1', %1, 'IMG_%1.JPG');")
                       .arg(i + 1).arg(name).arg(masters.at(i).size()).toUtf8();
    }
    EXPECT_EQ(sqlite3_exec(db, sql.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    return library;
}

Outcome scanWithObserver(PhotosObserver &observer, const QStringList &roots)
{
    ScanEngine engine(&observer);
    return runScan(engine, observer, roots);
}

} // namespace

TEST(ScanPhotos, LibraryItemsComeFirstAndTheLibraryIsNeverWalked)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("photos-scan");
    const QByteArray picture = uniqueBytes(5000);
    const QString library = makeLibrary(folder, {picture, picture, uniqueBytes(5000)});
    writeFile(folder + "/disk/copy.jpg", picture);

    PhotosObserver observer;
    const Outcome outcome = scanWithObserver(observer, {folder + "/disk", library});
    ASSERT_TRUE(outcome.completed);
    EXPECT_TRUE(observer.skipped.isEmpty());
    EXPECT_EQ(outcome.groups, QStringList({"Photos: " + library + "/Masters/2024/IMG_0.JPG " + library
                                           + "/Masters/2024/IMG_1.JPG " + folder + "/disk/copy.jpg"}));
    const DuplicateGroup group = duplicateResults().value("Photos")->first();
    EXPECT_TRUE(group.at(0).isPhotoLibrary);
    EXPECT_EQ(group.at(0).photoLibraryProperties->RKVuuid, "v1");
    EXPECT_FALSE(group.at(2).isPhotoLibrary);
    EXPECT_EQ(group.at(0).md5, group.at(2).md5);
}

TEST(ScanPhotos, OneFileAndOnePhotosItemAreCompared)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("photos-one");
    const QByteArray picture = uniqueBytes(3000);
    const QString library = makeLibrary(folder, {picture});
    writeFile(folder + "/disk/copy.jpg", picture);

    PhotosObserver observer;
    const Outcome outcome = scanWithObserver(observer, {library, folder + "/disk/copy.jpg"});
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.groups.size(), 1);
}

TEST(ScanPhotos, AnUnreadableLibraryIsSkippedAndTheScanGoesOn)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("photos-broken");
    const QString library = folder + "/Broken.PhotosLibrary";
    QDir().mkpath(library + "/Masters");
    writeFile(library + "/Masters/a.jpg", "inside");
    const QByteArray bytes = uniqueBytes(2000);
    writeFile(folder + "/disk/a.txt", bytes);
    writeFile(folder + "/disk/b.txt", bytes);

    PhotosObserver observer;
    const Outcome outcome = scanWithObserver(observer, {library, folder + "/disk"});
    EXPECT_EQ(observer.skipped.size(), 1);
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.groups, QStringList({"Documents: " + folder + "/disk/a.txt " + folder + "/disk/b.txt"}));
}

TEST(ScanPhotos, TheLibraryIsReadOnTheWorkerAndItsCopiesAreRemoved)
{
    const QString folder = TestEnvironment::makeTemporaryFolder("photos-worker");
    const QByteArray picture = uniqueBytes(5000);
    const QString library = makeLibrary(folder, {picture, picture});
    const QString broken = folder + "/Broken.photoslibrary";
    QDir().mkpath(broken + "/Masters");

    struct Case
    {
        const char *name;
        QString library;
        bool skipped;
    };
    for (const Case &c : {Case{"readable", library, false}, Case{"no database", broken, true}}) {
        SCOPED_TRACE(c.name);
        prepareRun();
        PhotosObserver observer;
        ScanEngine engine(&observer);
        engine.setPauseBetweenSteps(std::chrono::milliseconds(0));
        engine.scanList = {c.library};
        ASSERT_TRUE(engine.clickedStartScanning());
        // Start returns before the library is read: nothing was reported yet.
        EXPECT_TRUE(observer.calls.isEmpty());
        EXPECT_TRUE(observer.skipped.isEmpty());
        ASSERT_TRUE(waitFor([&] { return observer.ended; }));
        engine.waitForWorker();
        EXPECT_EQ(observer.skipped.size(), c.skipped ? 1 : 0);
        ASSERT_FALSE(observer.callsStartingWith("photos ").isEmpty());
        EXPECT_EQ(observer.callsStartingWith("photos ").last(), "photos 100");
        // The library phase comes before step 1.
        EXPECT_LT(observer.calls.indexOf("photos 100"), observer.calls.indexOf("step1 done"));
        EXPECT_EQ(observer.completed, !c.skipped);
        for (const QString &copy : {photosDatabaseCopyPath(), photosDatabaseWalCopyPath(), photosDatabaseShmCopyPath()})
            EXPECT_FALSE(QFileInfo::exists(copy)) << copy.toStdString();
    }
}
