#include "FileLayerFixtures.h"
#include "TestEnvironment.h"

#include <BundleInfo.h>
#include <FileFacts.h>
#include <KRBFileFunctions.h>
#include <PropertyList.h>

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Fixtures;

namespace {

void setModificationTime(const QString &path, qint64 seconds, bool ofLinkItself)
{
    const timespec times[2] = {{seconds, 0}, {seconds, 250000000}};
    ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times,
                          ofLinkItself ? AT_SYMLINK_NOFOLLOW : 0),
              0);
}

} // namespace

TEST(FileFacts, SizesAndDatesAreThoseOfTheItemItself)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("facts"));
    const QString file = root + QStringLiteral("/data.bin");
    const QString link = root + QStringLiteral("/link");
    writeFile(file, patternBytes(5000));
    makeSymlink(file, link);
    setModificationTime(file, 1600000000, false);
    setModificationTime(link, 1500000000, true);

    EXPECT_EQ(fileSize(file), 5000u);
    // A link is never its target: its own size is the length of the target path.
    EXPECT_EQ(fileSize(link), quint64(QFile::encodeName(file).size()));
    EXPECT_FALSE(fileSize(root + QStringLiteral("/missing")).has_value());
    EXPECT_TRUE(fileSize(root).has_value());

    EXPECT_EQ(fileModificationDate(file), QDateTime::fromMSecsSinceEpoch(1600000000250LL, Qt::UTC));
    EXPECT_EQ(fileModificationDate(link), QDateTime::fromMSecsSinceEpoch(1500000000250LL, Qt::UTC));
    EXPECT_FALSE(fileModificationDate(root + QStringLiteral("/missing")).has_value());

    EXPECT_EQ(KRBFileFunctions::getFileSize(file), QStringLiteral("5000"));
    EXPECT_EQ(KRBFileFunctions::getFileSize(root + QStringLiteral("/missing")), QStringLiteral("0"));
}

TEST(FileFacts, IconsAreMimeTypeNames)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("icons"));
    writeFile(root + QStringLiteral("/notes.txt"), "text");
    writeFile(root + QStringLiteral("/Holiday.JPG"), "not really a picture");
    writeFile(root + QStringLiteral("/blob.zzqq"), "?");
    makeFifo(root + QStringLiteral("/pipe"));
    makeSymlink(root + QStringLiteral("/notes.txt"), root + QStringLiteral("/link.txt"));

    struct Case
    {
        const char *name;
        const char *icon;
    };
    const Case cases[] = {
        {"notes.txt", "text/plain"},       {"Holiday.JPG", "image/jpeg"},
        {"blob.zzqq", "application/octet-stream"}, {"pipe", "inode/fifo"},
        {"link.txt", "inode/symlink"},     {"", "inode/directory"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(fileIcon(QUrl::fromLocalFile(root + QLatin1Char('/') + QLatin1String(c.name))),
                  QString::fromLatin1(c.icon));
    }

    StreamCapture output(STDOUT_FILENO);
    EXPECT_FALSE(fileIcon(QUrl::fromLocalFile(root + QStringLiteral("/missing"))).has_value());
    EXPECT_EQ(output.finish(), QStringLiteral("Error reading file attributes\n"));
}

TEST(FileFacts, AppVersionIsTheProjectVersion)
{
    const auto version = appVersionString();
    ASSERT_TRUE(version.has_value());
    EXPECT_FALSE(version->isEmpty());
    EXPECT_TRUE(version->front().isDigit());
}

TEST(BundleInfo, IdentifierComesFromTheInformationList)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("bundles"));
    writeBundle(root + QStringLiteral("/Xml.app"), QStringLiteral("com.example.xml"));
    writeBundle(root + QStringLiteral("/Binary.app"), QStringLiteral("com.example.binary"), true);
    writeBundle(root + QStringLiteral("/Empty.app"), QString());
    makeFolder(root + QStringLiteral("/NoList.app"));
    writeFile(root + QStringLiteral("/Number.app/Contents/Info.plist"),
              PropertyList::toData(QVariantMap{{QStringLiteral("CFBundleIdentifier"), 42}}));
    writeFile(root + QStringLiteral("/Array.app/Contents/Info.plist"),
              PropertyList::toData(QVariantList{QStringLiteral("com.example.array")}));
    writeFile(root + QStringLiteral("/Garbage.app/Contents/Info.plist"), "not a property list");
    makeFolder(root + QStringLiteral("/Pipe.app/Contents"));
    makeFifo(root + QStringLiteral("/Pipe.app/Contents/Info.plist"));
    writeFile(root + QStringLiteral("/Nested.app/Contents/Info.plist"),
              "<plist version=\"1.0\">" + QByteArray("<array>").repeated(100000) + QByteArray("</array>").repeated(100000)
                      + "</plist>");
    // Links at each component the bundle does not own: never followed.
    makeFolder(root + QStringLiteral("/LinkedContents.app"));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/Xml.app/Contents"), root + QStringLiteral("/LinkedContents.app/Contents")));
    makeFolder(root + QStringLiteral("/LinkedList.app/Contents"));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/Xml.app/Contents/Info.plist"),
                            root + QStringLiteral("/LinkedList.app/Contents/Info.plist")));
    ASSERT_TRUE(QFile::link(root + QStringLiteral("/Xml.app"), root + QStringLiteral("/Linked.app")));

    struct Case
    {
        const char *bundle;
        std::optional<QString> identifier;
    };
    const Case cases[] = {
        {"Xml.app", QStringLiteral("com.example.xml")},
        {"Binary.app", QStringLiteral("com.example.binary")},
        {"Empty.app", std::nullopt},
        {"NoList.app", std::nullopt},
        {"Number.app", std::nullopt},
        {"Array.app", std::nullopt},
        {"Garbage.app", std::nullopt},
        // A FIFO in place of the list must not hold the scan up.
        {"Pipe.app", std::nullopt},
        {"Missing.app", std::nullopt},
        // Nested far deeper than any real list: refused, not a crash.
        {"Nested.app", std::nullopt},
        {"LinkedContents.app", std::nullopt},
        {"LinkedList.app", std::nullopt},
        {"Linked.app", std::nullopt},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.bundle);
        EXPECT_EQ(bundleIdentifier(root + QLatin1Char('/') + QLatin1String(c.bundle)), c.identifier);
    }
}

TEST(FileFacts, InstalledApplicationsAreThoseDirectlyInTheFolder)
{
    const QString applications = TestEnvironment::makeTemporaryFolder(QStringLiteral("Applications"));
    writeBundle(applications + QStringLiteral("/Top.app"), QStringLiteral("com.example.Top"));
    writeBundle(applications + QStringLiteral("/Utilities/Nested.app"), QStringLiteral("com.example.nested"));
    writeBundle(applications + QStringLiteral("/.Hidden.app"), QStringLiteral("com.example.hidden"));

    struct Case
    {
        const char *identifier;
        bool installed;
    };
    const Case cases[] = {
        {"com.example.Top", true},
        {"com.example.top", false},
        {"com.example.nested", false},
        {"com.example.hidden", false},
        {"", false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.identifier);
        EXPECT_EQ(isAppInstalled(QString::fromLatin1(c.identifier), applications), c.installed);
    }
    EXPECT_FALSE(isAppInstalled(QStringLiteral("com.example.Top"), applications + QStringLiteral("/missing")));
    if (!QDir(QStringLiteral("/Applications")).exists()) {
        EXPECT_FALSE(isAppInstalled(QStringLiteral("com.example.Top")));
    }
}

TEST(FileFacts, OpeningForReadingRefusesEverythingButRegularFiles)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("open"));
    writeFile(root + QStringLiteral("/file"), "x");
    makeFifo(root + QStringLiteral("/pipe"));
    makeSymlink(root + QStringLiteral("/file"), root + QStringLiteral("/link"));

    const int fd = openRegularFileForReading(root + QStringLiteral("/file"), false);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(::fcntl(fd, F_GETFL) & O_NONBLOCK, 0);
    ::close(fd);

    EXPECT_EQ(openRegularFileForReading(root + QStringLiteral("/pipe"), true), -1);
    EXPECT_EQ(openRegularFileForReading(root, true), -1);
    EXPECT_EQ(openRegularFileForReading(QStringLiteral("/dev/null"), true), -1);
    EXPECT_EQ(openRegularFileForReading(root + QStringLiteral("/link"), false), -1);
    const int followed = openRegularFileForReading(root + QStringLiteral("/link"), true);
    EXPECT_GE(followed, 0);
    if (followed >= 0)
        ::close(followed);
}
