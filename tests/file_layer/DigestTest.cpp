#include "FileLayerFixtures.h"
#include "TestEnvironment.h"

#include <Digest.h>
#include <ScanControl.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

using namespace Fixtures;

namespace {

QString md5sumOf(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("md5sum"), {path});
    if (!process.waitForFinished(60000))
        return {};
    return QString::fromLatin1(process.readAllStandardOutput().left(32));
}

// The read position of this process's descriptor open on the path; -1 when none is.
qint64 readPositionOfOpenFile(const QString &path)
{
    const QDir descriptors(QStringLiteral("/proc/self/fd"));
    for (const QString &entry : descriptors.entryList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        if (QFile::symLinkTarget(descriptors.filePath(entry)) != path)
            continue;
        QFile info(QStringLiteral("/proc/self/fdinfo/") + entry);
        if (!info.open(QIODevice::ReadOnly))
            continue;
        const QByteArray line = info.readLine();
        if (line.startsWith("pos:"))
            return line.mid(4).trimmed().toLongLong();
    }
    return -1;
}

} // namespace

TEST(Digest, MatchesMd5sumAroundTheChunkSize)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("md5"));
    struct Case
    {
        qint64 size;
        int reads; // chunk reads until the loop ends, the empty one included
    };
    const Case cases[] = {{0, 1}, {1, 2}, {1048575, 2}, {1048576, 2}, {1048577, 3}, {3 * 1048576 + 5, 5}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.size);
        const QString path = root + QStringLiteral("/file-%1").arg(c.size);
        writeFile(path, patternBytes(c.size));
        const QString expected = md5sumOf(path);
        ASSERT_EQ(expected.size(), 32);

        EXPECT_EQ(md5OfFile(path), expected);
        EXPECT_EQ(md5OfFile(QUrl::fromLocalFile(path)), expected);

        // The loop ends on an empty read, not on a short one.
        const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
        ASSERT_GE(fd, 0);
        FileReading::ListedSizeReader file(fd, quint64(c.size), 0);
        Md5Context context;
        int reads = 1;
        while (md5ReadChunk(file, md5ChunkSize, context, nullptr))
            ++reads;
        ::close(fd);
        EXPECT_EQ(reads, c.reads);
        EXPECT_EQ(context.finish(), expected);
    }
    EXPECT_EQ(md5OfFile(root + QStringLiteral("/file-0")), QStringLiteral("d41d8cd98f00b204e9800998ecf8427e"));
}

TEST(Digest, AnythingButAReadableRegularFileGivesNothing)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("md5-special"));
    writeFile(root + QStringLiteral("/file"), "contents");
    makeFifo(root + QStringLiteral("/pipe"));
    makeSymlink(root + QStringLiteral("/file"), root + QStringLiteral("/link"));

    // A FIFO without a writer would block an ordinary open for ever.
    const QString paths[] = {
        root + QStringLiteral("/pipe"),
        root,
        QStringLiteral("/dev/null"),
        root + QStringLiteral("/missing"),
        root + QStringLiteral("/link"),
        QString(),
    };
    for (const QString &path : paths) {
        SCOPED_TRACE(path.toStdString());
        EXPECT_EQ(md5OfFile(path), QString());
    }
    EXPECT_EQ(md5OfFile(QUrl(QStringLiteral("https://example.com/file"))), QString());
}

TEST(Digest, AReadErrorGivesNothingRatherThanADigestOfWhatWasRead)
{
    // A regular file whose first read fails (nothing is mapped at address 0).
    EXPECT_EQ(md5OfFile(QStringLiteral("/proc/self/mem")), QString());
}

TEST(Digest, AFileWithoutReadPermissionGivesNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "permissions do not apply to root";
    const QString path = TestEnvironment::makeTemporaryFolder(QStringLiteral("md5-perm")) + QStringLiteral("/secret");
    writeFile(path, "secret");
    ASSERT_TRUE(QFile::setPermissions(path, QFileDevice::WriteOwner));
    EXPECT_EQ(md5OfFile(path), QString());
}

TEST(Digest, AStopGivesNothingAndEndsAfterTheCurrentChunk)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("md5-stop"));
    const QString small = root + QStringLiteral("/small");
    writeFile(small, patternBytes(3 * 1048576));

    ScanControl control;
    const int fd = ::open(QFile::encodeName(small).constData(), O_RDONLY);
    ASSERT_GE(fd, 0);
    FileReading::ListedSizeReader file(fd, 3 * 1048576, 0);
    Md5Context context;
    EXPECT_TRUE(md5ReadChunk(file, md5ChunkSize, context, &control));
    control.setAbort(true);
    EXPECT_FALSE(md5ReadChunk(file, md5ChunkSize, context, &control));
    EXPECT_EQ(::lseek(fd, 0, SEEK_CUR), md5ChunkSize); // nothing more was read
    ::close(fd);

    // Stopped after the last chunk, before the digest is finished.
    EXPECT_EQ(md5OfFile(small, &control), QString());

    // Stopped from another thread while a large file is being read.
    const QString large = root + QStringLiteral("/large");
    {
        QFile file(large);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        ASSERT_TRUE(file.resize(qint64(16) << 30)); // sparse: cheap to make, slow to read whole
    }
    control.reset();
    std::atomic<bool> finished{false};
    QString result = QStringLiteral("unset");
    std::thread worker([&] {
        result = md5OfFile(large, &control);
        finished = true;
    });
    qint64 position = -1;
    while (!finished && position < md5ChunkSize) {
        position = readPositionOfOpenFile(large);
        std::this_thread::yield();
    }
    QElapsedTimer stopping;
    stopping.start();
    control.setAbort(true);
    worker.join();
    EXPECT_GE(position, md5ChunkSize);
    // Reading the whole file takes many seconds; the stop ends it after one chunk.
    EXPECT_LT(stopping.elapsed(), 5000);
    EXPECT_EQ(result, QString());
    QFile::remove(large);
}
