#include "ScanFixture.h"

#include <Digest.h>
#include <Md5MultiBuffer.h>
#include <ScanControl.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>

#include <sys/stat.h>

using namespace ScanFixture;

namespace {

QStringList digestAll(const QStringList &paths, int lanes, ScanControl *control = nullptr)
{
    QStringList digests(paths.size(), QStringLiteral("(none)"));
    std::atomic<int> next{0};
    std::mutex mutex;
    md5MultiBuffer(
        [&](Md5Job &job) {
            const int k = next.fetch_add(1);
            if (k >= paths.size())
                return false;
            job.index = k;
            job.path = paths.at(k);
            return true;
        },
        [&](int index, const Md5Digest *digest) {
            std::lock_guard<std::mutex> lock(mutex);
            digests[index] = digest ? md5Text(*digest) : QString();
        },
        control, lanes);
    return digests;
}

} // namespace

TEST(Md5MultiBuffer, EveryLaneWidthAgreesWithTheOneFileDigest)
{
    const QString root = TestEnvironment::makeTemporaryFolder("lanes");
    QStringList paths;
    // Sizes around the padding boundaries and the lanes' read buffer, mixed so
    // that lanes finish at different times and take new files.
    const qint64 sizes[] = {0, 1, 55, 56, 57, 63, 64, 65, 119, 120, 128, 1000, 4096,
                            131071, 131072, 131073, 300000, 1048577, 3, 77, 200000, 5};
    int n = 0;
    for (qint64 size : sizes) {
        const QString path = root + QStringLiteral("/f%1").arg(n++);
        writeFile(path, uniqueBytes(size));
        paths.append(path);
    }
    // Files that get no digest, among the others.
    const QString fifo = root + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    ASSERT_TRUE(QFile::link(paths.first(), root + "/link"));
    paths.insert(3, fifo);
    paths.insert(7, root + "/missing");
    paths.insert(9, root);
    paths.insert(12, root + "/link");

    QStringList expected;
    for (const QString &path : paths)
        expected.append(md5OfFile(path));
    EXPECT_EQ(expected.at(0), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(expected.at(3), "");

    for (int lanes : supportedLaneCounts()) {
        SCOPED_TRACE(lanes);
        EXPECT_EQ(digestAll(paths, lanes), expected);
    }
}

TEST(Md5MultiBuffer, StoppedRunGivesNoDigests)
{
    const QString root = TestEnvironment::makeTemporaryFolder("lanes-stop");
    QStringList paths;
    for (int i = 0; i < 40; ++i) {
        paths.append(root + QStringLiteral("/f%1").arg(i));
        writeFile(paths.last(), uniqueBytes(300000));
    }
    for (int lanes : supportedLaneCounts()) {
        SCOPED_TRACE(lanes);
        ScanControl control;
        control.setAbort(true);
        const QStringList digests = digestAll(paths, lanes, &control);
        for (const QString &digest : digests)
            EXPECT_TRUE(digest.isEmpty() || digest == "(none)");
    }
}
