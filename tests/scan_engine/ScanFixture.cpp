#include "ScanFixture.h"

#include <Md5MultiBuffer.h>
#include <ProcessState.h>
#include <PropertyList.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

namespace ScanFixture {

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size());
}

QByteArray uniqueBytes(qint64 size)
{
    static quint64 state = 0x9e3779b97f4a7c15ULL;
    QByteArray bytes(size, Qt::Uninitialized);
    for (qint64 i = 0; i < size; ++i) {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        bytes[i] = char(state & 0xff);
    }
    return bytes;
}

void makeBundle(const QString &path, const QString &identifier, const QByteArray &contents)
{
    QDir().mkpath(path + "/Contents/MacOS");
    writeFile(path + "/Contents/MacOS/tool", contents);
    if (!identifier.isEmpty()) {
        writeFile(path + "/Contents/Info.plist",
                  PropertyList::toData(QVariantMap{{"CFBundleIdentifier", identifier}}));
    }
}

QList<int> supportedLaneCounts()
{
    QList<int> counts{1};
    if (md5LaneCount() >= 8)
        counts.append(8);
    if (md5LaneCount() >= 16)
        counts.append(16);
    return counts;
}

void RecordingObserver::record(const QString &call)
{
    calls.append(call);
    if (onCall)
        onCall(call);
}

void RecordingObserver::updateScanProgress(qint64 processed, qint64 total)
{
    record(QStringLiteral("scan %1/%2").arg(processed).arg(total));
}

void RecordingObserver::finishFirstStepProgress() { record("step1 done"); }
void RecordingObserver::beginSecondStepProgress() { record("step2 begins"); }
void RecordingObserver::showPhotoItemPath(const QString &path) { record("photo " + path); }
void RecordingObserver::showCandidatePath(const QString &path) { record("path " + path); }
void RecordingObserver::showDigestProgress(int percent) { record(QStringLiteral("digest %1").arg(percent)); }
void RecordingObserver::showComparisonProgress(int percent) { record(QStringLiteral("compare %1").arg(percent)); }
void RecordingObserver::showDuplicateSizeFound(const QString &sizeText) { record("size " + sizeText); }
void RecordingObserver::showSearchFinished() { record("search finished"); }
void RecordingObserver::showFolderSizePath(const QString &path) { record("folder " + path); }
void RecordingObserver::updateTooltipsForCompletedScan() { record("tooltips"); }
void RecordingObserver::showPhotosLibraryProgress(int percent) { record(QStringLiteral("photos %1").arg(percent)); }

void RecordingObserver::reportUnreadableFiles(qint64 count)
{
    unreadable = count;
    record(QStringLiteral("unreadable %1").arg(count));
}

void RecordingObserver::scanNotCompleted()
{
    ended = true;
    completed = false;
    record("not completed");
}

void RecordingObserver::showScanCompletedSummary(const ScanSummary &value)
{
    summary = value;
    ended = true;
    completed = true;
    record("summary");
}

void RecordingObserver::sendScanCompletedEvent(const QString &category, const QString &action)
{
    record("event " + category + " " + action);
}

QStringList RecordingObserver::callsStartingWith(const QString &prefix) const
{
    QStringList result;
    for (const QString &call : calls) {
        if (call.startsWith(prefix))
            result.append(call);
    }
    return result;
}

QStringList groupLines()
{
    QStringList lines;
    const ResultDictionary &results = duplicateResults();
    for (const QString &key : results.keys()) {
        for (const DuplicateGroup &group : *results.find(key)) {
            QStringList paths;
            for (const InitialDirectory &record : group) {
                paths.append(record.url ? record.url->toLocalFile() : QString());
                EXPECT_EQ(record.category.has_value() ? rawValue(*record.category) : QString(), key);
            }
            lines.append(key + ": " + paths.join(' '));
        }
    }
    return lines;
}

bool waitFor(const std::function<bool()> &condition, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(1);
    }
    return true;
}

void prepareRun(const Settings &settings)
{
    minimumFileSize = settings.minimumFileSize;
    allIgnorePaths() = settings.ignorePaths;
    allExtensions() = settings.extensions;
    isScanning = false;
    isScanDialogShown = false;
    duplicateResults().removeAll();
}

Outcome runScan(ScanEngine &engine, RecordingObserver &observer, const QStringList &roots,
                const Settings &settings, int timeoutMs)
{
    prepareRun(settings);

    engine.setPauseBetweenSteps(std::chrono::milliseconds(0));
    engine.scanList = roots;
    EXPECT_TRUE(engine.clickedStartScanning());
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    timeout.start(timeoutMs);
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (observer.ended)
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    EXPECT_TRUE(observer.ended) << "the scan did not end in time";
    engine.waitForWorker();
    QCoreApplication::processEvents();
    EXPECT_FALSE(isScanning);
    return {observer.completed, groupLines()};
}

Outcome runScan(const QStringList &roots, const Settings &settings)
{
    RecordingObserver observer;
    ScanEngine engine(&observer);
    return runScan(engine, observer, roots, settings);
}

} // namespace ScanFixture
