#pragma once

#include <QtPrinters.h>
#include <ScanEngine.h>

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

// Building blocks for scan tests: files with chosen contents in a temporary
// tree, and a run of the engine that waits for its end.
namespace ScanFixture {

// Writes the file (and its folders) with the given bytes.
void writeFile(const QString &path, const QByteArray &contents);
// Bytes that differ from every other call's, of the given size.
QByteArray uniqueBytes(qint64 size);
// An application bundle with the identifier (none: no Info.plist) and some contents.
void makeBundle(const QString &path, const QString &identifier, const QByteArray &contents = "x");
// The lane counts of the multi-buffer digest this processor runs: 1, and 8 and 16 where it can.
QList<int> supportedLaneCounts();

// Settings of a run, written into the process-wide values before it starts.
struct Settings
{
    quint64 minimumFileSize = 1024;
    QList<AllIgnorePaths> ignorePaths;
    QList<AllExtensions> extensions;
};

// Everything the observer heard, in order, one line per call.
class RecordingObserver : public ScanObserver
{
public:
    QStringList calls;
    bool ended = false;
    bool completed = false;
    qint64 unreadable = -1;
    ScanSummary summary;
    std::function<void(const QString &call)> onCall;

    void updateScanProgress(qint64 processed, qint64 total) override;
    void finishFirstStepProgress() override;
    void beginSecondStepProgress() override;
    void showPhotoItemPath(const QString &path) override;
    void showCandidatePath(const QString &path) override;
    void showDigestProgress(int percent) override;
    void showComparisonProgress(int percent) override;
    void showDuplicateSizeFound(const QString &sizeText) override;
    void showSearchFinished() override;
    void showFolderSizePath(const QString &path) override;
    void showPhotosLibraryProgress(int percent) override;
    void reportUnreadableFiles(qint64 count) override;
    void scanNotCompleted() override;
    void updateTooltipsForCompletedScan() override;
    void showScanCompletedSummary(const ScanSummary &summary) override;
    void sendScanCompletedEvent(const QString &category, const QString &action) override;

    QStringList callsStartingWith(const QString &prefix) const;

private:
    void record(const QString &call);
};

// Runs the event loop until the condition holds (true) or the time is up (false).
bool waitFor(const std::function<bool()> &condition, int timeoutMs = 30000);

// Puts the run's settings into the process-wide values and clears the flags
// and the result store, as a screen does before Start.
void prepareRun(const Settings &settings = {});

// The groups of the result store as lists of paths, category by category in
// the store's key order: "Photos: /a /b".
QStringList groupLines();

struct Outcome
{
    bool completed = false;
    QStringList groups;
};

// Runs one scan of the roots to its end (at most the timeout) and reports it.
Outcome runScan(ScanEngine &engine, RecordingObserver &observer, const QStringList &roots,
                const Settings &settings = {}, int timeoutMs = 60000);
Outcome runScan(const QStringList &roots, const Settings &settings = {});

} // namespace ScanFixture
