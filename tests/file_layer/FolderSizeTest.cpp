#include "FileLayerFixtures.h"
#include "TestEnvironment.h"

#include <KRBFileFunctions.h>
#include <NotificationCenter.h>
#include <ProcessState.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

using namespace Fixtures;

namespace {

// Records the folders the walk announces while it is alive.
class Announcements
{
public:
    explicit Announcements(std::function<void()> onPost = {})
        : m_onPost(std::move(onPost))
    {
        m_token = NotificationCenter::defaultCenter().addObserver(
            QString::fromLatin1(kFolderSizeRetriveNotification), [this](const Notification &notification) {
                paths.append(notification.userInfo.value(QStringLiteral("path")).toString());
                if (m_onPost)
                    m_onPost();
            });
    }
    ~Announcements() { NotificationCenter::defaultCenter().removeObserver(m_token); }

    QStringList paths;

private:
    std::function<void()> m_onPost;
    NotificationCenter::Token m_token = 0;
};

class FolderSize : public ::testing::Test
{
protected:
    void SetUp() override
    {
        KRBFileFunctions::initScan();
        root = TestEnvironment::makeTemporaryFolder(QStringLiteral("size"));
    }
    void TearDown() override { KRBFileFunctions::initScan(); }

    QString root;
};

} // namespace

TEST_F(FolderSize, TotalsEverythingInsideAndAnnouncesEachFolderFirst)
{
    writeFile(root + QStringLiteral("/hundred"), patternBytes(100));
    writeFile(root + QStringLiteral("/sub/fifty"), patternBytes(50));
    Announcements announced;
    EXPECT_EQ(KRBFileFunctions::getFolderSize(root), QStringLiteral("150"));
    EXPECT_EQ(announced.paths, (QStringList{root, root + QStringLiteral("/sub")}));
}

TEST_F(FolderSize, AnEmptyFolderIsZeroAndAnnouncedOnce)
{
    Announcements announced;
    EXPECT_EQ(KRBFileFunctions::getFolderSize(root), QStringLiteral("0"));
    EXPECT_EQ(announced.paths, QStringList{root});
}

TEST_F(FolderSize, LinksCountTheirOwnSizeAndAreNeverFollowed)
{
    const QString outside = TestEnvironment::makeTemporaryFolder(QStringLiteral("outside"));
    writeFile(outside + QStringLiteral("/large"), patternBytes(100000));
    writeFile(root + QStringLiteral("/small"), patternBytes(10));
    const QString fileTarget = outside + QStringLiteral("/large");
    makeSymlink(fileTarget, root + QStringLiteral("/to-file"));
    makeSymlink(outside, root + QStringLiteral("/to-folder"));
    makeSymlink(root, root + QStringLiteral("/to-itself"));

    Announcements announced;
    // A link's own size is the length of the path it holds.
    const auto linkSize = [](const QString &target) { return quint64(QFile::encodeName(target).size()); };
    const quint64 expected = 10 + linkSize(fileTarget) + linkSize(outside) + linkSize(root);
    EXPECT_EQ(KRBFileFunctions::getFolderSize(root), QString::number(expected));
    EXPECT_EQ(announced.paths, QStringList{root});
}

TEST_F(FolderSize, AFolderDeeperThanAnyPathBufferIsMeasuredInFull)
{
    QString deepest = root;
    int depth = 0;
    while (QFile::encodeName(deepest).size() <= 1500) {
        deepest += QLatin1Char('/') + QString(100, QLatin1Char('a' + depth % 26));
        ++depth;
    }
    writeFile(deepest + QStringLiteral("/bottom"), patternBytes(777));
    writeFile(root + QStringLiteral("/top"), patternBytes(223));

    Announcements announced;
    EXPECT_EQ(KRBFileFunctions::getFolderSize(root), QStringLiteral("1000"));
    EXPECT_EQ(announced.paths.size(), depth + 1);
    EXPECT_EQ(announced.paths.last(), deepest);
}

TEST_F(FolderSize, AnUnreadableFolderIsZeroWithTwoErrorLines)
{
    const QString missing = root + QStringLiteral("/missing");
    Announcements announced;
    StreamCapture errors(STDERR_FILENO);
    EXPECT_EQ(KRBFileFunctions::getFolderSize(missing), QStringLiteral("0"));
    EXPECT_EQ(errors.finish(), QStringLiteral("could not open directory '%1'\nerror is 2/No such file or directory\n").arg(missing));
    EXPECT_TRUE(announced.paths.isEmpty());
}

TEST_F(FolderSize, AStopBeforeTheWalkGivesZeroAndAnnouncesNothing)
{
    writeFile(root + QStringLiteral("/file"), patternBytes(10));
    KRBFileFunctions::stopScan();
    Announcements announced;
    EXPECT_EQ(KRBFileFunctions::getFolderSize(root), QStringLiteral("0"));
    EXPECT_TRUE(announced.paths.isEmpty());

    KRBFileFunctions::initScan();
    EXPECT_EQ(KRBFileFunctions::getFolderSize(root), QStringLiteral("10"));
}

TEST_F(FolderSize, AStopInMidWalkFinishesTheCurrentFolderOnly)
{
    writeFile(root + QStringLiteral("/file"), patternBytes(10));
    writeFile(root + QStringLiteral("/sub/inner"), patternBytes(20));
    Announcements announced([] { KRBFileFunctions::stopScan(); });
    EXPECT_EQ(KRBFileFunctions::getFolderSize(root), QStringLiteral("10"));
    EXPECT_EQ(announced.paths, QStringList{root});
}

TEST_F(FolderSize, FilesListHoldsEveryRegularFile)
{
    writeFile(root + QStringLiteral("/b"), "1");
    writeFile(root + QStringLiteral("/a/.hidden"), "2");
    makeSymlink(root + QStringLiteral("/b"), root + QStringLiteral("/c"));
    EXPECT_EQ(KRBFileFunctions::getFilesListFromDirectoryPath(root),
              (QStringList{root + QStringLiteral("/a/.hidden"), root + QStringLiteral("/b")}));
    EXPECT_TRUE(KRBFileFunctions::getFilesListFromDirectoryPath(root + QStringLiteral("/missing")).isEmpty());
    EXPECT_FALSE(KRBFileFunctions::isApplicationRunning(QStringLiteral("com.example.app")));
}
