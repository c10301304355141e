#include "ScanFixture.h"

#include <Digest.h>
#include <FileFacts.h>
#include <KRBFileFunctions.h>
#include <ProcessState.h>
#include <ResultQueries.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ScanFixture;

namespace {

AllIgnorePaths ignoreEntry(const QString &path, bool checked = true)
{
    return {checked, QUrl::fromLocalFile(path)};
}

// A pair of equal files of the given size.
void writePair(const QString &first, const QString &second, qint64 size)
{
    const QByteArray bytes = uniqueBytes(size);
    writeFile(first, bytes);
    writeFile(second, bytes);
}

// Two different 128-byte blocks with one MD5 digest (the first published
// collision), each followed by the same bytes: files of 5,256 bytes that
// differ, with equal digests.
std::pair<QByteArray, QByteArray> md5CollidingFiles()
{
    const QByteArray first = QByteArray::fromHex(
        "d131dd02c5e6eec4693d9a0698aff95c2fcab58712467eab4004583eb8fb7f89"
        "55ad340609f4b30283e488832571415a085125e8f7cdc99fd91dbdf280373c5b"
        "d8823e3156348f5bae6dacd436c919c6dd53e2b487da03fd02396306d248cda0"
        "e99f33420f577ee8ce54b67080a80d1ec69821bcb6a8839396f9652b6ff72a70");
    const QByteArray second = QByteArray::fromHex(
        "d131dd02c5e6eec4693d9a0698aff95c2fcab50712467eab4004583eb8fb7f89"
        "55ad340609f4b30283e4888325f1415a085125e8f7cdc99fd91dbd7280373c5b"
        "d8823e3156348f5bae6dacd436c919c6dd53e23487da03fd02396306d248cda0"
        "e99f33420f577ee8ce54b67080280d1ec69821bcb6a8839396f965ab6ff72a70");
    const QByteArray tail = uniqueBytes(5256 - 128);
    return {first + tail, second + tail};
}

} // namespace

TEST(ScanEngine, CollidingFilesShareADigest)
{
    // The fixture the grouping cases below rely on: without equal digests
    // they would show nothing.
    const auto [first, second] = md5CollidingFiles();
    const QString root = TestEnvironment::makeTemporaryFolder("collision");
    writeFile(root + "/a.bin", first);
    writeFile(root + "/b.bin", second);
    EXPECT_NE(first, second);
    EXPECT_EQ(md5OfFile(root + "/a.bin"), md5OfFile(root + "/b.bin"));
}

TEST(ScanEngine, FiltersAndGroupsTable)
{
    struct Case
    {
        const char *name;
        std::function<void(const QString &root)> build;
        std::function<Settings(const QString &root)> settings;
        QStringList expected; // "Category: a|b" with paths relative to the root
    };
    const Case cases[] = {
        {"minimum size: 1024 out, 1025 in",
         [](const QString &r) {
             writePair(r + "/a.bin", r + "/b.bin", 1024);
             writePair(r + "/c.bin", r + "/d.bin", 1025);
         },
         [](const QString &) { return Settings{}; },
         {"Others: c.bin|d.bin"}},
        {"extension entries: pdf rejects Report.PDF",
         [](const QString &r) { writePair(r + "/Report.PDF", r + "/Copy.pdf", 2000); },
         [](const QString &) { return Settings{1024, {}, {{true, "pdf"}}}; },
         {}},
        {"extension entries: PDF rejects nothing",
         [](const QString &r) { writePair(r + "/Report.PDF", r + "/Copy.pdf", 2000); },
         [](const QString &) { return Settings{1024, {}, {{true, "PDF"}}}; },
         {"Documents: Copy.pdf|Report.PDF"}},
        {"extension entries: unchecked does nothing",
         [](const QString &r) { writePair(r + "/Report.PDF", r + "/Copy.pdf", 2000); },
         [](const QString &) { return Settings{1024, {}, {{false, "pdf"}}}; },
         {"Documents: Copy.pdf|Report.PDF"}},
        {"ignored folder covers itself only on component boundaries",
         [](const QString &r) {
             const QByteArray bytes = uniqueBytes(3000);
             writeFile(r + "/skip/a.jpg", bytes);
             writeFile(r + "/skip/deep/b.jpg", bytes);
             writeFile(r + "/skip2/c.jpg", bytes);
             writeFile(r + "/skipper.jpg", bytes);
         },
         [](const QString &r) { return Settings{1024, {ignoreEntry(r + "/skip")}, {}}; },
         {"Photos: skip2/c.jpg|skipper.jpg"}},
        {"empty, relative and unchecked ignore entries take no effect",
         [](const QString &r) { writePair(r + "/x/a.txt", r + "/x/b.txt", 2000); },
         [](const QString &r) {
             return Settings{1024,
                             {{true, QUrl()}, {true, QUrl::fromLocalFile("x")}, {true, QUrl("x")},
                              {true, std::nullopt}, ignoreEntry(r + "/x", false)},
                             {}};
         },
         {"Documents: x/a.txt|x/b.txt"}},
        {"the head decides the category: txt first",
         [](const QString &r) { writePair(r + "/a.txt", r + "/b.jpg", 2000); },
         [](const QString &) { return Settings{}; },
         {"Documents: a.txt|b.jpg"}},
        {"the head decides the category: jpg first",
         [](const QString &r) { writePair(r + "/a.jpg", r + "/b.txt", 2000); },
         [](const QString &) { return Settings{}; },
         {"Photos: a.jpg|b.txt"}},
        {"A B A B gives two groups in head order",
         [](const QString &r) {
             const QByteArray a = uniqueBytes(5000);
             const QByteArray b = uniqueBytes(5000);
             writeFile(r + "/1.txt", a);
             writeFile(r + "/2.txt", b);
             writeFile(r + "/3.txt", a);
             writeFile(r + "/4.txt", b);
         },
         [](const QString &) { return Settings{}; },
         {"Documents: 1.txt|3.txt", "Documents: 2.txt|4.txt"}},
        {"three equal files form one group",
         [](const QString &r) {
             const QByteArray a = uniqueBytes(2000);
             writeFile(r + "/a.mp3", a);
             writeFile(r + "/b.mp3", a);
             writeFile(r + "/c.mp3", a);
         },
         [](const QString &) { return Settings{}; },
         {"Musics: a.mp3|b.mp3|c.mp3"}},
        {"same size, equal ends, different middle: no group",
         [](const QString &r) {
             QByteArray a = uniqueBytes(300000);
             QByteArray b = a;
             b[150000] = char(b[150000] ^ 1);
             writeFile(r + "/a.zip", a);
             writeFile(r + "/b.zip", b);
             QByteArray c = uniqueBytes(300000);
             QByteArray d = c;
             d[299999] = char(d[299999] ^ 1);
             writeFile(r + "/c.zip", c);
             writeFile(r + "/d.zip", d);
             writeFile(r + "/e.zip", c);
         },
         [](const QString &) { return Settings{}; },
         {"Archives: c.zip|e.zip"}},
        {"one digest, different bytes: no group",
         [](const QString &r) {
             const auto [first, second] = md5CollidingFiles();
             writeFile(r + "/a.bin", first);
             writeFile(r + "/b.bin", second);
         },
         [](const QString &) { return Settings{}; },
         {}},
        {"one digest splits into the sets of equal files, each headed by its earliest",
         [](const QString &r) {
             const auto [first, second] = md5CollidingFiles();
             writeFile(r + "/1.txt", second);
             writeFile(r + "/2.bin", first);
             writeFile(r + "/3.bin", second);
             writeFile(r + "/4.jpg", first);
             writeFile(r + "/5.bin", first);
         },
         [](const QString &) { return Settings{}; },
         {"Documents: 1.txt|3.bin", "Others: 2.bin|4.jpg|5.bin"}},
        {"large files with equal ends: each set of identical ones is a group",
         [](const QString &r) {
             const QByteArray a = uniqueBytes(300000);
             QByteArray c = a;
             c[150000] = char(c[150000] ^ 1);
             writeFile(r + "/1.zip", c);
             writeFile(r + "/2.zip", a);
             writeFile(r + "/3.zip", c);
             writeFile(r + "/4.zip", a);
             writeFile(r + "/5.zip", a);
         },
         [](const QString &) { return Settings{}; },
         {"Archives: 1.zip|3.zip", "Archives: 2.zip|4.zip|5.zip"}},
        {"bundles match by identifier, whatever their size and contents",
         [](const QString &r) {
             makeBundle(r + "/one/Tool.app", "org.example.tool", "first");
             makeBundle(r + "/two/Tool Copy.app", "org.example.tool", "second, longer");
             makeBundle(r + "/two/Other.app", "org.example.other");
             makeBundle(r + "/two/Bare.app", "");
             makeBundle(r + "/two/Bare2.app", "");
         },
         [](const QString &) { return Settings{}; },
         {"Applications: one/Tool.app|two/Tool Copy.app"}},
        {"a bundle inside an ignored folder is left out",
         [](const QString &r) {
             makeBundle(r + "/one/Tool.app", "org.example.tool");
             makeBundle(r + "/skip/Tool.app", "org.example.tool");
         },
         [](const QString &r) { return Settings{1024, {ignoreEntry(r + "/skip")}, {}}; },
         {}},
        {"a bundle and a file never match; hidden files are never candidates",
         [](const QString &r) {
             makeBundle(r + "/Tool.app", "org.example.tool", uniqueBytes(2000));
             writePair(r + "/.hidden.txt", r + "/.hidden2.txt", 2000);
             QFile::copy(r + "/Tool.app/Contents/MacOS/tool", r + "/tool-copy");
         },
         [](const QString &) { return Settings{}; },
         {}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = TestEnvironment::makeTemporaryFolder("scan");
        c.build(root);
        const Outcome outcome = runScan({root}, c.settings(root));
        QStringList expected;
        for (const QString &line : c.expected) {
            const qsizetype colon = line.indexOf(':');
            QStringList paths = line.mid(colon + 2).split('|');
            for (QString &path : paths)
                path = root + '/' + path;
            expected.append(line.left(colon) + ": " + paths.join(' '));
        }
        EXPECT_EQ(outcome.groups, expected);
        EXPECT_EQ(outcome.completed, !c.expected.isEmpty());
    }
}

TEST(ScanEngine, OneInodeIsOneFileWhateverPathReachesIt)
{
    const QString root = TestEnvironment::makeTemporaryFolder("identity");
    writeFile(root + "/tree/deep/a.txt", uniqueBytes(4000));
    ASSERT_EQ(::link(QFile::encodeName(root + "/tree/deep/a.txt").constData(),
                     QFile::encodeName(root + "/tree/hard.txt").constData()), 0);
    ASSERT_TRUE(QFile::link(root + "/tree", root + "/link-to-tree"));
    // A folder root, a nested root, a link to the root and the file itself.
    const Outcome outcome = runScan({root + "/tree", root + "/tree/deep", root + "/link-to-tree",
                                     root + "/tree/deep/a.txt", root + "/tree/"});
    EXPECT_FALSE(outcome.completed);
    EXPECT_TRUE(outcome.groups.isEmpty());
}

TEST(ScanEngine, SpecialFilesAsRootsEndTheRun)
{
    const QString root = TestEnvironment::makeTemporaryFolder("fifo");
    const QString fifo = root + "/pipe";
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    writeFile(root + "/a.txt", uniqueBytes(2000));
    const Outcome outcome = runScan({fifo, "/dev/zero", root + "/a.txt", root + "/missing"});
    EXPECT_FALSE(outcome.completed);
}

TEST(ScanEngine, ResultsDoNotDependOnCreationOrder)
{
    const QByteArray a = uniqueBytes(3000);
    const QByteArray b = uniqueBytes(3000);
    const QStringList names{"m.txt", "c.txt", "x.txt", "a.txt", "k.txt", "b.txt"};
    QStringList previous;
    for (int order = 0; order < 2; ++order) {
        const QString root = TestEnvironment::makeTemporaryFolder("order");
        QStringList creation = names;
        if (order == 1)
            std::reverse(creation.begin(), creation.end());
        for (const QString &name : creation)
            writeFile(root + "/" + name, names.indexOf(name) % 2 ? a : b);
        QStringList groups = runScan({root}).groups;
        for (QString &line : groups)
            line.replace(root, "ROOT");
        if (order == 1) {
            EXPECT_EQ(groups, previous);
        }
        previous = groups;
    }
    EXPECT_EQ(previous, QStringList({"Documents: ROOT/a.txt ROOT/b.txt ROOT/c.txt",
                                     "Documents: ROOT/k.txt ROOT/m.txt ROOT/x.txt"}));
}

TEST(ScanEngine, ProgressCadenceWhenEveryUpdateIsDelivered)
{
    const QString root = TestEnvironment::makeTemporaryFolder("cadence");
    // 20 children of one folder root: progress after children 1, 10 and 19.
    for (int i = 0; i < 16; ++i)
        writeFile(root + QStringLiteral("/f%1.bin").arg(i, 2, 10, QLatin1Char('0')), uniqueBytes(100));
    const QByteArray same = uniqueBytes(2000);
    for (int i = 0; i < 4; ++i)
        writeFile(root + QStringLiteral("/z%1.txt").arg(i), same);

    RecordingObserver observer;
    ScanEngine engine(&observer);
    engine.setDeliverEveryProgressUpdate(true);
    const Outcome outcome = runScan(engine, observer, {root});
    ASSERT_TRUE(outcome.completed);
    EXPECT_EQ(observer.callsStartingWith("scan "), QStringList({"scan 1/20", "scan 10/20", "scan 19/20"}));
    // Four candidates: digest after the 2nd and 4th, comparison at i = 1 and 3.
    EXPECT_EQ(observer.callsStartingWith("digest "), QStringList({"digest 37", "digest 75"}));
    EXPECT_EQ(observer.callsStartingWith("compare "), QStringList({"compare 6", "compare 18"}));
    EXPECT_EQ(observer.callsStartingWith("path ").size(), 4);
    EXPECT_EQ(observer.callsStartingWith("size ").last(), "size 7.0 KB");

    const QStringList order{"step1 done", "step2 begins", "search finished", "tooltips", "summary",
                            "event scandone scandone"};
    QStringList seen;
    for (const QString &call : observer.calls) {
        if (order.contains(call))
            seen.append(call);
    }
    EXPECT_EQ(seen, order);
    EXPECT_EQ(observer.summary.itemCount, 4);
    EXPECT_EQ(observer.summary.totalBytes, 8000u);
    EXPECT_TRUE(isScanFinished);
}

TEST(ScanEngine, ThrottledProgressStaysBelowThirtyASecondAndEndsWithTheFinalValues)
{
    const QString root = TestEnvironment::makeTemporaryFolder("throttle");
    for (int i = 0; i < 3000; ++i)
        writeFile(root + QStringLiteral("/d%1/f%2.bin").arg(i % 30).arg(i), QByteArray(10, char(i)));
    const QByteArray same = uniqueBytes(5000);
    writeFile(root + "/x.txt", same);
    writeFile(root + "/y.txt", same);

    RecordingObserver observer;
    ScanEngine engine(&observer);
    QElapsedTimer timer;
    timer.start();
    const Outcome outcome = runScan(engine, observer, {root});
    const qint64 elapsed = timer.elapsed();
    ASSERT_TRUE(outcome.completed);
    const QStringList scans = observer.callsStartingWith("scan ");
    EXPECT_LE(scans.size(), 2 + elapsed * 30 / 1000 + 1);
    EXPECT_FALSE(scans.isEmpty());
    EXPECT_EQ(observer.callsStartingWith("digest ").last(), "digest 75");
    EXPECT_EQ(observer.callsStartingWith("size ").last(), "size 9.0 KB");
}

TEST(ScanEngine, SecondStartWhileScanningIsRefused)
{
    RecordingObserver observer;
    ScanEngine engine(&observer);
    isScanning = true;
    engine.scanList = {TestEnvironment::makeTemporaryFolder("refused")};
    EXPECT_FALSE(engine.clickedStartScanning());
    isScanning = false;
    isScanDialogShown = true;
    EXPECT_FALSE(engine.clickedStartScanning());
    isScanDialogShown = false;
    EXPECT_TRUE(observer.calls.isEmpty());
}

TEST(ScanEngine, StopAtEachStepEndsAsNotCompleted)
{
    const QString root = TestEnvironment::makeTemporaryFolder("stop");
    for (int i = 0; i < 30; ++i) {
        const QByteArray bytes = uniqueBytes(3000);
        writeFile(root + QStringLiteral("/a%1.txt").arg(i), bytes);
        writeFile(root + QStringLiteral("/b%1.txt").arg(i), bytes);
    }
    for (const char *trigger : {"scan ", "step1 done", "path ", "digest ", "compare ", "size "}) {
        SCOPED_TRACE(trigger);
        RecordingObserver observer;
        ScanEngine engine(&observer);
        engine.setDeliverEveryProgressUpdate(true);
        bool stopped = false;
        observer.onCall = [&](const QString &call) {
            if (!stopped && call.startsWith(trigger)) {
                stopped = true;
                // The stop dialog: pause, then confirm.
                engine.clickedStopScanning();
                engine.confirmStop();
            }
        };
        duplicateResults().setValue("Others", {});
        const Outcome outcome = runScan(engine, observer, {root});
        EXPECT_TRUE(stopped);
        EXPECT_FALSE(outcome.completed);
        EXPECT_EQ(observer.calls.last(), "not completed");
        EXPECT_TRUE(observer.callsStartingWith("summary").isEmpty());
        EXPECT_FALSE(hasAnyResults());
        EXPECT_FALSE(engine.isAbort());
    }
}

TEST(ScanEngine, PausedRunWaitsAndResumes)
{
    const QString root = TestEnvironment::makeTemporaryFolder("pause");
    for (int i = 0; i < 100; ++i)
        writePair(root + QStringLiteral("/a%1.txt").arg(i), root + QStringLiteral("/b%1.txt").arg(i), 3000);

    for (const bool beforeTheWalk : {true, false}) {
        SCOPED_TRACE(beforeTheWalk ? "paused before the walk" : "paused during the walk");
        RecordingObserver observer;
        ScanEngine engine(&observer);
        engine.setDeliverEveryProgressUpdate(true);
        bool paused = false;
        bool checked = false;
        const auto whilePaused = [&] {
            // The dialog is up: the workers park, and the run does not end.
            ASSERT_TRUE(waitFor([&] { return engine.control().parkedWorkers() > 0; }));
            QCoreApplication::processEvents();
            EXPECT_FALSE(observer.ended);
            // Paused before it began, the run has reported nothing at all.
            if (beforeTheWalk) {
                EXPECT_TRUE(observer.calls.isEmpty());
            }
            checked = true;
            engine.resumeScan();
        };
        observer.onCall = [&](const QString &call) {
            if (beforeTheWalk || paused || !call.startsWith("scan "))
                return;
            paused = true;
            engine.clickedStopScanning();
            QTimer::singleShot(0, whilePaused);
        };
        if (beforeTheWalk) {
            prepareRun();
            engine.setPauseBetweenSteps(std::chrono::milliseconds(0));
            engine.scanList = {root};
            ASSERT_TRUE(engine.clickedStartScanning());
            engine.clickedStopScanning();
            whilePaused();
            ASSERT_TRUE(waitFor([&] { return observer.ended; }));
            engine.waitForWorker();
            EXPECT_TRUE(observer.completed);
            EXPECT_EQ(groupLines().size(), 100);
        } else {
            const Outcome outcome = runScan(engine, observer, {root});
            EXPECT_TRUE(outcome.completed);
            EXPECT_EQ(outcome.groups.size(), 100);
        }
        EXPECT_TRUE(checked);
    }
}

TEST(ScanEngine, AnEndWhileTheStopDialogIsUpWaitsForItsAnswer)
{
    const QString withGroups = TestEnvironment::makeTemporaryFolder("held-groups");
    writePair(withGroups + "/a.txt", withGroups + "/b.txt", 3000);
    const QString withoutGroups = TestEnvironment::makeTemporaryFolder("held-none");
    writeFile(withoutGroups + "/a.txt", uniqueBytes(3000));
    writeFile(withoutGroups + "/b.txt", uniqueBytes(3000));

    struct Case
    {
        const char *name;
        QString root;
        bool confirm;
        bool completed;
    };
    const Case cases[] = {
        {"groups, resumed", withGroups, false, true},
        {"groups, stop confirmed", withGroups, true, false},
        {"no group, resumed", withoutGroups, false, false},
        {"no group, stop confirmed", withoutGroups, true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        prepareRun();
        RecordingObserver observer;
        ScanEngine engine(&observer);
        engine.setPauseBetweenSteps(std::chrono::milliseconds(0));
        // The dialog comes up once the search has finished: the end is on its way.
        observer.onCall = [&](const QString &call) {
            if (call == "search finished")
                engine.clickedStopScanning();
        };
        engine.scanList = {c.root};
        ASSERT_TRUE(engine.clickedStartScanning());
        ASSERT_TRUE(waitFor([&] { return observer.calls.contains("search finished") && !engine.isWorkerRunning(); }));
        QCoreApplication::processEvents();
        // Everything the worker posted has arrived; the run has not ended.
        EXPECT_FALSE(observer.ended);
        EXPECT_TRUE(isScanning);
        if (c.confirm)
            engine.confirmStop();
        else
            engine.resumeScan();
        EXPECT_TRUE(observer.ended);
        EXPECT_EQ(observer.completed, c.completed);
        EXPECT_FALSE(isScanning);
        EXPECT_EQ(observer.callsStartingWith("unreadable ").size(), 1);
    }
}

TEST(ScanEngine, NoSecondRunWhileTheWorkerIsStillGoing)
{
    const QString root = TestEnvironment::makeTemporaryFolder("busy");
    for (int i = 0; i < 20; ++i)
        writePair(root + QStringLiteral("/a%1.txt").arg(i), root + QStringLiteral("/b%1.txt").arg(i), 3000);
    prepareRun();
    RecordingObserver observer;
    ScanEngine engine(&observer);
    engine.scanList = {root};
    ASSERT_TRUE(engine.clickedStartScanning());
    // The worker is parked by the stop dialog; a screen that reset its flags
    // meanwhile must not start a run that would wait for that worker.
    engine.clickedStopScanning();
    ASSERT_TRUE(waitFor([&] { return engine.control().parkedWorkers() > 0; }));
    isScanning = false;
    EXPECT_FALSE(engine.clickedStartScanning());
    isScanning = true;
    engine.confirmStop();
    ASSERT_TRUE(waitFor([&] { return observer.ended; }));
    EXPECT_FALSE(observer.completed);
    // Once the run has ended, the next Start works.
    observer.ended = false;
    const Outcome outcome = runScan(engine, observer, {root});
    EXPECT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.groups.size(), 20);
}

TEST(ScanEngine, AnEngineDestroyedMidRunLeavesFolderSizesWorking)
{
    const QString root = TestEnvironment::makeTemporaryFolder("destroyed");
    for (int i = 0; i < 20; ++i)
        writePair(root + QStringLiteral("/a%1.txt").arg(i), root + QStringLiteral("/b%1.txt").arg(i), 3000);
    const QString measured = TestEnvironment::makeTemporaryFolder("measured");
    writeFile(measured + "/inside/file", QByteArray(5000, 'x'));

    for (const bool confirmFirst : {false, true}) {
        SCOPED_TRACE(confirmFirst ? "stop confirmed, then destroyed" : "destroyed while paused");
        prepareRun();
        RecordingObserver observer;
        auto engine = std::make_unique<ScanEngine>(&observer);
        engine->scanList = {root};
        ASSERT_TRUE(engine->clickedStartScanning());
        engine->clickedStopScanning();
        ASSERT_TRUE(waitFor([&] { return engine->control().parkedWorkers() > 0; }));
        if (confirmFirst)
            engine->confirmStop();
        engine.reset();
        QCoreApplication::processEvents();
        EXPECT_FALSE(folderSizeStopFlag.load());
        EXPECT_EQ(KRBFileFunctions::getFolderSize(measured), "5000");
        isScanning = false;
    }
}

TEST(ScanEngine, FolderSizesOfAnotherRunAreNotShown)
{
    const QString root = TestEnvironment::makeTemporaryFolder("sizes");
    makeBundle(root + "/One.app", "org.example.same", "one");
    makeBundle(root + "/Two.app", "org.example.same", "two");

    RecordingObserver idleObserver;
    ScanEngine idle(&idleObserver);
    idle.setDeliverEveryProgressUpdate(true);
    RecordingObserver observer;
    ScanEngine engine(&observer);
    engine.setDeliverEveryProgressUpdate(true);
    const Outcome outcome = runScan(engine, observer, {root});
    ASSERT_TRUE(outcome.completed);
    // The bundles' sizes were measured for this run and shown by its engine only.
    EXPECT_FALSE(observer.callsStartingWith("folder ").isEmpty());
    // A walk outside any run is nobody's either.
    KRBFileFunctions::getFolderSize(root);
    QCoreApplication::processEvents();
    EXPECT_TRUE(idleObserver.callsStartingWith("folder ").isEmpty());
}

TEST(ScanEngine, FilesChangedBetweenWalkAndDigestAreCounted)
{
    const QString root = TestEnvironment::makeTemporaryFolder("changed");
    writePair(root + "/a.bin", root + "/b.bin", 200000);
    writePair(root + "/c.bin", root + "/d.bin", 200000);
    RecordingObserver observer;
    ScanEngine engine(&observer);
    engine.setBetweenStepsHook([&] { ASSERT_EQ(::truncate(QFile::encodeName(root + "/b.bin").constData(), 1000), 0); });
    const Outcome outcome = runScan(engine, observer, {root});
    ASSERT_TRUE(outcome.completed);
    EXPECT_EQ(outcome.groups, QStringList{"Others: " + root + "/c.bin " + root + "/d.bin"});
    EXPECT_EQ(observer.unreadable, 1);
    const QStringList calls = observer.calls;
    EXPECT_LT(calls.indexOf("unreadable 1"), calls.indexOf("summary"));
}

TEST(ScanEngine, AFileReplacedAfterTheWalkIsNeverGrouped)
{
    struct Case
    {
        const char *name;
        std::function<void(const QString &root)> change;
    };
    const Case cases[] = {
        {"replaced by a rename with the same contents",
         [](const QString &root) {
             QFile::copy(root + "/sub/b.bin", root + "/b.new");
             ASSERT_EQ(::rename(QFile::encodeName(root + "/b.new").constData(),
                                QFile::encodeName(root + "/sub/b.bin").constData()), 0);
         }},
        {"grown", [](const QString &root) {
             QFile file(root + "/sub/b.bin");
             ASSERT_TRUE(file.open(QIODevice::Append));
             file.write("more");
         }},
        {"touched", [](const QString &root) {
             const struct timespec times[2] = {{0, UTIME_OMIT}, {1000000, 0}};
             ASSERT_EQ(::utimensat(AT_FDCWD, QFile::encodeName(root + "/sub/b.bin").constData(), times, 0), 0);
         }},
        {"its folder swapped for a link to another folder", [](const QString &root) {
             QDir().mkpath(root + "/other");
             QFile::copy(root + "/sub/b.bin", root + "/other/b.bin");
             ASSERT_EQ(::rename(QFile::encodeName(root + "/sub").constData(), QFile::encodeName(root + "/old").constData()), 0);
             ASSERT_TRUE(QFile::link(root + "/other", root + "/sub"));
         }},
    };
    for (const qint64 size : {qint64(3000), qint64(200000)}) {
        for (const Case &c : cases) {
            SCOPED_TRACE(std::string(c.name) + ", " + std::to_string(size) + " bytes");
            const QString root = TestEnvironment::makeTemporaryFolder("replaced");
            writePair(root + "/a.bin", root + "/sub/b.bin", size);
            writePair(root + "/c.bin", root + "/d.bin", size);
            RecordingObserver observer;
            ScanEngine engine(&observer);
            engine.setBetweenStepsHook([&] { c.change(root); });
            const Outcome outcome = runScan(engine, observer, {root});
            ASSERT_TRUE(outcome.completed);
            EXPECT_EQ(outcome.groups, QStringList{"Others: " + root + "/c.bin " + root + "/d.bin"});
            EXPECT_EQ(observer.unreadable, 1);
        }
    }
}

TEST(ScanEngine, EveryRecordCarriesTheDigestOfItsOwnBytes)
{
    // Small files are digested one by one; large ones that were compared
    // first share the digest of the first of their set.
    const QString root = TestEnvironment::makeTemporaryFolder("digests");
    for (const qint64 size : {3000, 300000}) {
        const QByteArray bytes = uniqueBytes(size);
        for (int copy = 0; copy < 3; ++copy)
            writeFile(root + QStringLiteral("/%1-%2.bin").arg(size).arg(copy), bytes);
    }
    const Outcome outcome = runScan({root});
    ASSERT_TRUE(outcome.completed);
    const GroupList *others = duplicateResults().find("Others");
    ASSERT_TRUE(others);
    ASSERT_EQ(others->size(), 2);
    for (const DuplicateGroup &group : *others) {
        ASSERT_EQ(group.size(), 3);
        for (const InitialDirectory &record : group) {
            ASSERT_TRUE(record.md5 && record.url);
            EXPECT_EQ(*record.md5, md5OfFile(record.url->toLocalFile())) << record.url->toLocalFile().toStdString();
        }
    }
}

TEST(ScanEngine, RecordsCarryTheFactsOfTheComparedFile)
{
    const QString root = TestEnvironment::makeTemporaryFolder("facts");
    writePair(root + "/a.bin", root + "/b.bin", 3000);
    struct stat before {};
    ASSERT_EQ(::stat(QFile::encodeName(root + "/b.bin").constData(), &before), 0);
    const Outcome outcome = runScan({root});
    ASSERT_TRUE(outcome.completed);
    const GroupList *others = duplicateResults().find("Others");
    ASSERT_TRUE(others && !others->isEmpty());
    const DuplicateGroup group = others->first();
    ASSERT_EQ(group.size(), 2);
    const InitialDirectory &record = group.at(1);
    ASSERT_TRUE(record.identity && record.file);
    EXPECT_EQ(record.identity->inode, quint64(before.st_ino));
    EXPECT_EQ(record.file->size, 3000u);
    EXPECT_EQ(record.file->date, modificationDate(before));
}

TEST(ScanEngine, ABundleReplacedAfterTheWalkIsNeverGrouped)
{
    const struct
    {
        const char *name;
        bool asLink;
    } cases[] = {{"replaced by another folder", false}, {"replaced by a link to its twin", true}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString root = TestEnvironment::makeTemporaryFolder("bundle-replaced");
        makeBundle(root + "/One.app", "org.example.same", "one");
        makeBundle(root + "/Two.app", "org.example.same", "two");
        makeBundle(root + "/Three.app", "org.example.same", "three");
        RecordingObserver observer;
        ScanEngine engine(&observer);
        engine.setBetweenStepsHook([&] {
            ASSERT_TRUE(QDir().rename(root + "/Two.app", root + "/Old.app"));
            if (c.asLink)
                ASSERT_TRUE(QFile::link(root + "/One.app", root + "/Two.app"));
            else
                makeBundle(root + "/Two.app", "org.example.same", "new");
        });
        const Outcome outcome = runScan(engine, observer, {root});
        ASSERT_TRUE(outcome.completed);
        EXPECT_EQ(outcome.groups, QStringList{"Applications: " + root + "/One.app " + root + "/Three.app"});
        EXPECT_EQ(observer.unreadable, 1);
    }
}
