#pragma once

#include "DuplicateSearch.h"
#include "FileWalker.h"
#include "ProcessState.h"
#include "Records.h"
#include "ScanControl.h"
#include "ScanObserver.h"

#include <NotificationCenter.h>

#include <QObject>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <thread>

// The settings a run works with, copied when it starts, so that a change in
// the preferences never reaches a run half-way.
struct ScanSettings
{
    quint64 minimumFileSize = 1024;
    QList<AllIgnorePaths> ignorePaths;
    QList<AllExtensions> extensions;

    static ScanSettings current();
};

// One scan run at a time, from Start to the completed summary, without any
// window: the scan screen owns an engine and observes it; tests and the
// command-line runner drive the same engine headless.
//
// Start and the preparation (with its question about a running Photos
// application) run on the main thread; reading a Photos library, collecting,
// digesting and comparing run on the engine's worker thread, which reports
// through queued calls on the main thread. Only the main thread writes the
// result store.
class ScanEngine : public QObject
{
    Q_OBJECT

public:
    explicit ScanEngine(ScanObserver *observer, QObject *parent = nullptr);
    ~ScanEngine() override;

    // The paths the user chose, in list order.
    QStringList scanList;
    // The roots of the current run: a copy of scanList, narrowed by the run.
    QStringList scanDirectories;
    // The Photos candidates of the current run.
    QList<InitialDirectory> photoLibraryItems;
    // The user asked to leave the scan screen; the screen skips its alert.
    bool isHomePressed = false;

    bool isPaused() const { return m_control.isPaused(); }
    bool isAbort() const { return m_control.isAbort(); }
    ScanControl &control() { return m_control; }

    // Start: false, doing nothing, while a dialog is up, a run is going, or
    // the worker of the previous run has not ended yet.
    bool clickedStartScanning();

    // The stop dialog: Stop pauses the run while the dialog asks; the dialog
    // then confirms (the run ends as not completed) or resumes. A run that
    // ends while the dialog is up, with groups or without, is held until the
    // dialog answers.
    void clickedStopScanning();
    void confirmStop();
    void resumeScan();

    // True from the background start until the worker has ended.
    bool isWorkerRunning() const;
    // Blocks until the worker thread has ended (it ends soon after a stop).
    void waitForWorker();

    // The pause between collecting and comparing (one second in the application).
    void setPauseBetweenSteps(std::chrono::milliseconds pause) { m_pauseBetweenSteps = pause; }
    // Progress reaches the observer at most about 30 times a second per kind;
    // with this switch every update is delivered, at the run's own cadence.
    void setDeliverEveryProgressUpdate(bool every) { m_deliverEveryUpdate = every; }
    // The number of threads that digest files.
    void setDigestThreads(int threads) { m_digestThreads = threads; }
    // Called on the worker between collecting and comparing, for tests that
    // change the files under a run.
    void setBetweenStepsHook(std::function<void()> hook) { m_betweenStepsHook = std::move(hook); }

    // The usage event sent once per completed scan, as category and action.
    static QString scanCompletedEventName();

private:
    struct Run;
    class Reporter;

    void prepareScan();
    void startScanInBackground(bool readLibrary);
    void readPhotosLibrary(Run &run);
    void runScanIfNoDialog(const std::shared_ptr<Run> &run);
    void scanSelectedFolders(Run &run);
    void postScanProgress(const Run &run);
    void countFiles(Run &run, int rootIndex);
    void scanPath(Run &run, int rootIndex, int &fileRootTick);
    void collectCandidate(Run &run, size_t index);
    int walkThreads() const;
    void narrowPhotoItems(Run &run);
    ResultDictionary findDuplicates(Run &run);
    void finishScan(const std::shared_ptr<Run> &run, const ResultDictionary &results);
    void endNotCompleted(const std::shared_ptr<Run> &run);
    void completeOnMainThread(Run &run, const ResultDictionary &results);
    void notCompletedOnMainThread(Run &run);
    void holdEnd(std::function<void()> end);
    void takePendingEnd();
    void reportUnreadable(const Run &run);

    // Runs the block on the main thread unless the run has been replaced meanwhile.
    void post(quint64 runId, std::function<void()> block);

    ScanObserver *m_observer;
    ScanControl m_control;
    std::thread m_worker;
    std::shared_ptr<Run> m_run;
    // The end of a run (completion or not) that arrived while the stop dialog was up.
    std::function<void()> m_pendingEnd;
    quint64 m_runId = 0;
    std::chrono::milliseconds m_pauseBetweenSteps{1000};
    bool m_deliverEveryUpdate = false;
    int m_digestThreads = 0;
    std::function<void()> m_betweenStepsHook;
    // What the folder-size announcements of the current run need, shared
    // with the threads that post them.
    struct FolderSizeFeed;
    std::shared_ptr<FolderSizeFeed> m_folderSizeFeed;
    NotificationCenter::Token m_folderSizeObserver = 0;
    // This engine set the folder-size walk's process-wide stop flag and has
    // not cleared it yet.
    bool m_stoppedFolderSizes = false;
};
