#include "ScanFixture.h"

#ifdef TWINMOOR_TEST_FUSE
#include <PassthroughFuse.h>
#endif

#include <Digest.h>
#include <Md5MultiBuffer.h>
#include <TestEnvironment.h>

#include <QCryptographicHash>
#include <QHash>
#include <QSet>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>

#include <sched.h>
#include <sys/mount.h>

using namespace ScanFixture;

namespace {

// How a flaky folder answers.
struct Behaviour
{
    // Once per file, a read that reaches this offset ends there and the next
    // read there returns nothing; every later read is answered in full. -1: never.
    qint64 endsEarlyAt = -1;
    // The folder reports every file one byte shorter than it is.
    bool sizeOneShort = false;
    // Every read returns at most this many bytes (a short read); 0: all asked for.
    size_t piece = 0;
};

QString digestOf(const QByteArray &bytes)
{
    return QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex());
}

// The digest of one file as the lanes give it, with nothing expected of it.
QString laneDigest(const QString &path, int lanes)
{
    QString result = QStringLiteral("(none)");
    bool handedOut = false;
    md5MultiBuffer(
        [&](Md5Job &job) {
            if (std::exchange(handedOut, true))
                return false;
            job.index = 0;
            job.path = path;
            return true;
        },
        [&](int, const Md5Digest *digest) { result = digest ? md5Text(*digest) : QString(); },
        nullptr, lanes);
    return result;
}

// The mounts live in a mount namespace of the test's thread and of the
// threads it starts (the scan's among them), private in both directions, so
// nobody else sees them and they go with the process at the latest.
class FlakyReads : public testing::Test
{
protected:
    static void SetUpTestSuite()
    {
#ifndef TWINMOOR_TEST_FUSE
        s_refused = QStringLiteral("built without FUSE");
#else
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            s_refused = QStringLiteral("a private mount namespace: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
#endif
    }

    void SetUp() override
    {
        if (!s_refused.isEmpty())
            GTEST_SKIP() << s_refused.toStdString();
    }

    static QString s_refused;
};

QString FlakyReads::s_refused;

} // namespace

// Two files are equal only when each was read to its very end: a read that
// ends before the reported size, or a file that holds more than it, makes the
// file changed (left out and counted as unreadable), whichever reader met it
// (the first-and-last-block fingerprint of large files, their comparison, the
// digest of the others). Reads answered in pieces are read on.
TEST_F(FlakyReads, AFileCountsAsReadOnlyToItsReportedEnd)
{
#ifdef TWINMOOR_TEST_FUSE
    struct Case
    {
        const char *name;
        Behaviour behaviour;
        qint64 size;
        qint64 differsAt; // -1: the two files are equal
        bool grouped;
        qint64 unreadable;
    };
    const Case cases[] = {
        {"an early end before the bytes that differ, files compared before their digests",
         {65536, false, 0}, 300000, 150000, false, 1},
        {"an early end before the bytes that differ, files digested", {4096, false, 0}, 10000, 6000, false, 2},
        {"a size one byte short, files that differ in their last byte, digested", {-1, true, 0}, 10000, 9999, false, 2},
        {"a size one byte short, files that differ in their last byte, fingerprinted", {-1, true, 0}, 300000, 299999,
         false, 2},
        {"reads answered in pieces, equal files digested", {-1, false, 1000}, 10000, -1, true, 0},
        // A short answer right at the reported size does not tell the end there.
        {"reads answered in pieces and a size one byte short that ends a piece", {-1, true, 1000}, 10001, 10000, false,
         2},
        {"reads answered in pieces, equal files fingerprinted and compared", {-1, false, 1000}, 300000, -1, true, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("flaky");
        const QString backing = base + "/backing";
        const QString mounted = base + "/mounted";
        const QByteArray first = uniqueBytes(c.size);
        QByteArray second = first;
        if (c.differsAt >= 0)
            second[c.differsAt] = char(~second.at(c.differsAt));
        writeFile(backing + "/a.bin", first);
        writeFile(backing + "/b.bin", second);
        // Two equal files on a sound folder, so that every scan has a group to show.
        const QString sound = base + "/sound";
        const QByteArray control = uniqueBytes(c.size);
        writeFile(sound + "/c.bin", control);
        writeFile(sound + "/d.bin", control);

        PassthroughFuse fuse;
        std::mutex mutex;
        QSet<QByteArray> endedOnce; // files whose read has ended early
        QSet<QByteArray> emptyOnce; // ... and whose next read there found nothing
        const Behaviour behaviour = c.behaviour;
        fuse.reportedSize = [behaviour](const QByteArray &, off_t size) {
            return behaviour.sizeOneShort && size > 0 ? size - 1 : size;
        };
        fuse.answered = [&, behaviour](const QByteArray &path, off_t offset, size_t size) {
            if (behaviour.piece > 0)
                size = std::min(size, behaviour.piece);
            const std::lock_guard<std::mutex> lock(mutex);
            const qint64 end = behaviour.endsEarlyAt;
            if (end < 0 || emptyOnce.contains(path))
                return size;
            if (offset == end) {
                emptyOnce.insert(path);
                return size_t(0);
            }
            if (offset < end && offset + qint64(size) > end && !endedOnce.contains(path)) {
                endedOnce.insert(path);
                return size_t(end - offset);
            }
            return size;
        };
        const QString refused = fuse.mount(backing, mounted);
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        RecordingObserver observer;
        ScanEngine engine(&observer);
        const Outcome outcome = runScan(engine, observer, {mounted, sound});
        ASSERT_TRUE(outcome.completed);
        QStringList groups{"Others: " + sound + "/c.bin " + sound + "/d.bin"};
        if (c.grouped)
            groups.prepend("Others: " + mounted + "/a.bin " + mounted + "/b.bin");
        EXPECT_EQ(outcome.groups, groups);
        EXPECT_EQ(observer.unreadable, c.unreadable);

        // Every digest reader, each meeting the folder's fault afresh.
        const bool intact = behaviour.endsEarlyAt < 0 && !behaviour.sizeOneShort;
        const QString expected = intact ? digestOf(first) : QString();
        const auto afresh = [&] {
            const std::lock_guard<std::mutex> lock(mutex);
            endedOnce.clear();
            emptyOnce.clear();
        };
        afresh();
        EXPECT_EQ(md5OfFile(mounted + "/a.bin"), expected);
        for (int lanes : supportedLaneCounts()) {
            SCOPED_TRACE(lanes);
            afresh();
            EXPECT_EQ(laneDigest(mounted + "/a.bin", lanes), expected);
        }
        fuse.unmount();
    }
#endif
}

// Large files found identical by comparison are digested through the first of
// them. A set of identical files outlives its first member: where that digest
// fails, the next member is digested in its place, and only the files that
// failed are left out.
TEST_F(FlakyReads, ASetOfIdenticalFilesOutlivesItsFirstMember)
{
#ifdef TWINMOOR_TEST_FUSE
    // Reads of this offset: each comparison with the first file of the set
    // reads it once, the digest once more; the fingerprint of the first and
    // last blocks never does.
    constexpr off_t middle = 150000;
    struct Case
    {
        const char *name;
        QStringList files;
        // The pass over the middle of a file that ends there early.
        QHash<QByteArray, int> failingPass;
        QStringList grouped;
        qint64 unreadable;
    };
    const Case cases[] = {
        {"the first file's digest fails", {"a.bin", "b.bin", "c.bin"}, {{"/a.bin", 3}}, {"b.bin", "c.bin"}, 1},
        {"the digests of the first two fail", {"a.bin", "b.bin", "c.bin", "d.bin"}, {{"/a.bin", 4}, {"/b.bin", 2}},
         {"c.bin", "d.bin"}, 2},
        {"one file is left of the set", {"a.bin", "b.bin", "c.bin"}, {{"/a.bin", 3}, {"/b.bin", 2}}, {}, 2},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString base = TestEnvironment::makeTemporaryFolder("flaky");
        const QString backing = base + "/backing";
        const QString mounted = base + "/mounted";
        const QByteArray contents = uniqueBytes(300000);
        for (const QString &file : c.files)
            writeFile(backing + "/" + file, contents);
        const QString sound = base + "/sound";
        const QByteArray control = uniqueBytes(300000);
        writeFile(sound + "/e.bin", control);
        writeFile(sound + "/f.bin", control);

        PassthroughFuse fuse;
        std::mutex mutex;
        QHash<QByteArray, int> passes;
        QByteArray endedEarly; // the file whose next read at the middle finds nothing
        fuse.answered = [&](const QByteArray &path, off_t offset, size_t size) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (offset == middle && path == endedEarly) {
                endedEarly.clear();
                return size_t(0);
            }
            if (offset > middle || offset + off_t(size) <= middle)
                return size;
            if (++passes[path] != c.failingPass.value(path))
                return size;
            endedEarly = path;
            return size_t(middle - offset);
        };
        const QString refused = fuse.mount(backing, mounted);
        if (!refused.isEmpty())
            GTEST_SKIP() << "the FUSE file system cannot be mounted here: " << refused.toStdString();

        RecordingObserver observer;
        ScanEngine engine(&observer);
        const Outcome outcome = runScan(engine, observer, {mounted, sound});
        ASSERT_TRUE(outcome.completed);
        QStringList groups{"Others: " + sound + "/e.bin " + sound + "/f.bin"};
        if (!c.grouped.isEmpty()) {
            QStringList paths;
            for (const QString &file : c.grouped)
                paths.append(mounted + "/" + file);
            groups.prepend("Others: " + paths.join(' '));
        }
        EXPECT_EQ(outcome.groups, groups);
        EXPECT_EQ(observer.unreadable, c.unreadable);
        fuse.unmount();
    }
#endif
}
