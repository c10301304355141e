#include "ScanEngine.h"

#include <NativePath.h>

#include "FileFacts.h"
#include "FileWalker.h"
#include "KRBFileFunctions.h"
#include "PhotosLibraryReader.h"
#include "ResultQueries.h"
#include "ScanPaths.h"

#include <PhotosScripting.h>
#include <UserDefaults.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QThread>

#include <cstdlib>
#include <mutex>

#include <sys/stat.h>

namespace {

// Progress of one kind reaches the screen at most about 30 times a second;
// whatever was held back is delivered when the kind's phase ends.
class Throttle
{
public:
    explicit Throttle(bool every = false)
        : m_every(every)
    {
        m_timer.start();
    }

    bool ready()
    {
        if (m_every)
            return true;
        const qint64 now = m_timer.elapsed();
        if (!m_started || now - m_last >= 33) {
            m_started = true;
            m_last = now;
            m_pending = false;
            return true;
        }
        m_pending = true;
        return false;
    }

    // True once when something was held back since the last delivery.
    bool takePending()
    {
        const bool pending = m_pending;
        m_pending = false;
        return pending;
    }

private:
    QElapsedTimer m_timer;
    qint64 m_last = 0;
    bool m_started = false;
    bool m_pending = false;
    bool m_every;
};

enum class RootKind { Missing, Folder, File };

// The path with every link and dot resolved, in its own bytes; "" when it
// does not exist.
QString canonicalPath(const QString &path)
{
    char *resolved = ::realpath(NativePath::encode(path).constData(), nullptr);
    if (!resolved)
        return {};
    const QString canonical = NativePath::decode(resolved);
    std::free(resolved);
    return canonical;
}

// Every run of every engine in the process has its own number for the
// folder-size walk's announcements.
std::atomic<quint64> lastFolderSizeRun{0};

} // namespace

ScanSettings ScanSettings::current()
{
    return {::minimumFileSize, allIgnorePaths(), allExtensions()};
}

struct ScanEngine::Run
{
    quint64 id = 0;
    // The folder-size announcements made for this run carry this number.
    quint64 folderSizeRun = 0;
    bool readLibrary = false;
    ScanSettings settings;
    IgnoreRules ignore;
    QStringList roots;
    QList<RootKind> rootKinds;
    // What the walk of each root kept: the candidates from rootBegin[r] on,
    // and the number of items it visited.
    QList<size_t> rootBegin;
    QList<quint64> rootVisits;
    ScanWalkFilter filter;
    QList<InitialDirectory> photoItems;
    CandidateList candidates;
    // Candidates kept by the collecting step so far (the list is compacted in place).
    size_t collectedCount = 0;
    QSet<FileIdentity> collected;
    qint64 processed = 0;
    qint64 total = 0;
    Throttle scanProgress;
    bool deliverEvery = false;
    std::chrono::milliseconds pauseBetweenSteps{1000};
    int digestThreads = 0;
    std::function<void()> betweenStepsHook;
    // Files left out because they could not be read or changed meanwhile.
    std::atomic<qint64> unreadable{0};
    std::atomic<bool> finished{false};
    // Main thread only: the end of the run has reached the observer.
    bool endDelivered = false;
};

struct ScanEngine::FolderSizeFeed
{
    std::mutex mutex;
    Throttle throttle;
    bool every = false;
    quint64 folderSizeRun = 0;
    quint64 runId = 0;
};

// Hands the search's progress to the main thread, one throttle per kind.
class ScanEngine::Reporter : public DuplicateSearch::Reporter
{
public:
    Reporter(ScanEngine *engine, Run &run)
        : m_engine(engine)
        , m_run(run)
        , m_path(run.deliverEvery)
        , m_digest(run.deliverEvery)
        , m_comparison(run.deliverEvery)
        , m_size(run.deliverEvery)
    {
    }

    void showPhotoItemPath(const QString &path) override
    {
        m_lastPath = path;
        m_lastPathIsPhoto = true;
        if (m_path.ready())
            postPath();
    }

    void showCandidatePath(const QString &path) override
    {
        m_lastPath = path;
        m_lastPathIsPhoto = false;
        if (m_path.ready())
            postPath();
    }

    void showDigestProgress(int percent) override
    {
        m_lastDigest = percent;
        if (m_digest.ready())
            postDigest();
    }

    void showComparisonProgress(int percent) override
    {
        if (m_digest.takePending())
            postDigest();
        if (m_path.takePending())
            postPath();
        m_lastComparison = percent;
        if (m_comparison.ready())
            postComparison();
    }

    void showDuplicateSizeFound(quint64 bytes) override
    {
        m_lastSize = bytes;
        if (m_size.ready())
            postSize();
    }

    void showSearchFinished() override
    {
        if (m_path.takePending())
            postPath();
        if (m_digest.takePending())
            postDigest();
        if (m_comparison.takePending())
            postComparison();
        if (m_size.takePending())
            postSize();
        m_engine->post(m_run.id, [engine = m_engine] { engine->m_observer->showSearchFinished(); });
    }

private:
    void postPath()
    {
        const QString path = m_lastPath;
        if (m_lastPathIsPhoto)
            m_engine->post(m_run.id, [engine = m_engine, path] { engine->m_observer->showPhotoItemPath(path); });
        else
            m_engine->post(m_run.id, [engine = m_engine, path] { engine->m_observer->showCandidatePath(path); });
    }

    void postDigest()
    {
        const int percent = m_lastDigest;
        m_engine->post(m_run.id, [engine = m_engine, percent] { engine->m_observer->showDigestProgress(percent); });
    }

    void postComparison()
    {
        const int percent = m_lastComparison;
        m_engine->post(m_run.id,
                       [engine = m_engine, percent] { engine->m_observer->showComparisonProgress(percent); });
    }

    void postSize()
    {
        const QString text = formatSize(m_lastSize);
        m_engine->post(m_run.id, [engine = m_engine, text] { engine->m_observer->showDuplicateSizeFound(text); });
    }

    ScanEngine *m_engine;
    Run &m_run;
    Throttle m_path;
    Throttle m_digest;
    Throttle m_comparison;
    Throttle m_size;
    QString m_lastPath;
    bool m_lastPathIsPhoto = false;
    int m_lastDigest = 0;
    int m_lastComparison = 0;
    quint64 m_lastSize = 0;
};

ScanEngine::ScanEngine(ScanObserver *observer, QObject *parent)
    : QObject(parent)
    , m_observer(observer)
{
    // The folder-size walk announces every folder it measures on the thread
    // that runs it; the screen hears of its own run's folders on the main
    // thread, throttled. Other engines' walks are not ours to show.
    auto feed = std::make_shared<FolderSizeFeed>();
    m_folderSizeFeed = feed;
    m_folderSizeObserver = NotificationCenter::defaultCenter().addObserver(
            QString::fromLatin1(kFolderSizeRetriveNotification), [this, feed](const Notification &notification) {
                const quint64 folderSizeRun = notification.userInfo.value(QStringLiteral("run")).toULongLong();
                quint64 runId = 0;
                {
                    std::lock_guard<std::mutex> lock(feed->mutex);
                    if (folderSizeRun == 0 || folderSizeRun != feed->folderSizeRun)
                        return;
                    if (!feed->every && !feed->throttle.ready())
                        return;
                    runId = feed->runId;
                }
                const QString path = notification.userInfo.value(QStringLiteral("path")).toString();
                post(runId, [this, path] { m_observer->showFolderSizePath(path); });
            });
}

ScanEngine::~ScanEngine()
{
    // Removal waits for an announcement being handled on another thread, so
    // none can reach this engine once it is gone.
    NotificationCenter::defaultCenter().removeObserver(m_folderSizeObserver);
    m_control.setAbort(true);
    const bool running = isWorkerRunning();
    if (running)
        KRBFileFunctions::stopScan();
    if (m_worker.joinable())
        m_worker.join();
    // The stop flag is process-wide: left set, every later folder size would read 0.
    if (running || m_stoppedFolderSizes)
        KRBFileFunctions::initScan();
}

QString ScanEngine::scanCompletedEventName()
{
    return QStringLiteral("scandone");
}

void ScanEngine::post(quint64 runId, std::function<void()> block)
{
    QMetaObject::invokeMethod(
            this,
            [this, runId, block = std::move(block)] {
                // A stale run's reports are dropped.
                if (runId == m_runId)
                    block();
            },
            Qt::QueuedConnection);
}

bool ScanEngine::clickedStartScanning()
{
    if (isScanDialogShown || isScanning)
        return false;
    // The previous run's worker is still going (its end has not been
    // delivered): a new run would have to wait for it on this thread.
    if (m_run && !m_run->endDelivered && !m_run->finished)
        return false;
    m_control.reset();
    KRBFileFunctions::initScan();
    isScanning = true;
    prepareScan();
    return true;
}

void ScanEngine::prepareScan()
{
    scanDirectories = scanList;
    photoLibraryItems.clear();
    bool hasLibrary = false;
    for (const QString &path : std::as_const(scanDirectories)) {
        if (isPhotosLibraryPath(path))
            hasLibrary = true;
    }
    if (!hasLibrary) {
        startScanInBackground(false);
        return;
    }
    // Asking the application to quit is the platform's part; with no
    // application to ask, quitting simply reads the library.
    if (PhotosScripting::isPhotosRunning()
        && m_observer->askToQuitPhotos() != ScanObserver::PhotosAnswer::QuitPhotos) {
        startScanInBackground(false);
        return;
    }
    // With several libraries in the list, the reader takes the last one. The
    // process-wide paths are set here, on the main thread; the worker reads them.
    for (const QString &path : std::as_const(scanList))
        setPhotosLibraryPaths(path);
    startScanInBackground(true);
}

void ScanEngine::readPhotosLibrary(Run &run)
{
    // The library's database can be large: its copy runs on the worker, shows
    // its progress and ends at once on a stop.
    Throttle throttle(run.deliverEvery);
    const std::function<void(int)> percent = [this, &run, &throttle](int value) {
        if (throttle.ready())
            post(run.id, [this, value] { m_observer->showPhotosLibraryProgress(value); });
    };
    const PhotosLibraryReadResult result = PhotosLibraryReader::readCurrentLibrary(&m_control, percent);
    // The working copies have served once the query has run.
    PhotosLibraryReader::removeWorkingCopies();
    post(run.id, [this] { m_observer->showPhotosLibraryProgress(100); });
    if (m_control.isAbort())
        return;
    if (!result.ok)
        post(run.id, [this, error = result.error] { m_observer->photosLibrarySkipped(error); });
    run.photoItems = result.items;
    post(run.id, [this, items = result.items] { photoLibraryItems = items; });
}

void ScanEngine::startScanInBackground(bool readLibrary)
{
    if (m_worker.joinable())
        m_worker.join();
    auto run = std::make_shared<Run>();
    run->id = ++m_runId;
    run->readLibrary = readLibrary;
    run->folderSizeRun = ++lastFolderSizeRun;
    run->settings = ScanSettings::current();
    run->ignore = IgnoreRules(run->settings.ignorePaths);
    run->roots = scanDirectories;
    run->photoItems = photoLibraryItems;
    run->deliverEvery = m_deliverEveryUpdate;
    run->scanProgress = Throttle(m_deliverEveryUpdate);
    run->pauseBetweenSteps = m_pauseBetweenSteps;
    run->digestThreads = m_digestThreads;
    run->betweenStepsHook = m_betweenStepsHook;
    {
        // The pool threads read these while they measure folders: each run
        // works from its own copy.
        std::lock_guard<std::mutex> lock(m_folderSizeFeed->mutex);
        m_folderSizeFeed->every = m_deliverEveryUpdate;
        m_folderSizeFeed->throttle = Throttle(m_deliverEveryUpdate);
        m_folderSizeFeed->folderSizeRun = run->folderSizeRun;
        m_folderSizeFeed->runId = run->id;
    }
    m_run = run;
    m_worker = std::thread([this, run] {
        const FolderSizeRunScope folderSizes(run->folderSizeRun);
        runScanIfNoDialog(run);
        run->finished = true;
    });
}

bool ScanEngine::isWorkerRunning() const
{
    return m_run && !m_run->finished;
}

void ScanEngine::waitForWorker()
{
    if (m_worker.joinable())
        m_worker.join();
}

void ScanEngine::clickedStopScanning()
{
    m_control.setPaused(true);
}

void ScanEngine::confirmStop()
{
    m_control.setAbort(true);
    KRBFileFunctions::stopScan();
    m_stoppedFolderSizes = true;
    m_control.setPaused(false);
    takePendingEnd();
}

void ScanEngine::resumeScan()
{
    isHomePressed = false;
    m_control.setPaused(false);
    takePendingEnd();
}

void ScanEngine::runScanIfNoDialog(const std::shared_ptr<Run> &run)
{
    // A dialog that is up when the run begins holds it until it closes.
    if (!m_control.waitWhilePaused()) {
        endNotCompleted(run);
        return;
    }
    if (run->readLibrary) {
        readPhotosLibrary(*run);
        if (!m_control.waitWhilePaused()) {
            endNotCompleted(run);
            return;
        }
    }
    scanSelectedFolders(*run);
    if (m_control.isAbort() || qsizetype(run->candidates.entries.size()) + run->photoItems.size() < 2) {
        endNotCompleted(run);
        return;
    }
    post(run->id, [] { duplicateResults().removeAll(); });
    const ResultDictionary results = findDuplicates(*run);
    // A stop at any point ends the run as not completed: partial groups are
    // never shown as a finished scan.
    if (m_control.isAbort() || !hasAnyResults(results))
        endNotCompleted(run);
    else
        finishScan(run, results);
}

void ScanEngine::scanSelectedFolders(Run &run)
{
    run.processed = 0;
    run.total = 0;
    run.candidates = {};

    // The roots, made canonical in list order: a Photos library is never
    // walked, an ignored root is dropped, and a root reached twice (through a
    // link, or listed twice) is walked once.
    QStringList roots;
    for (const QString &root : std::as_const(run.roots)) {
        const QString clean = QDir::cleanPath(root);
        QString canonical = canonicalPath(clean);
        if (canonical.isEmpty())
            canonical = clean;
        if (isInsidePhotosLibrary(clean) || isInsidePhotosLibrary(canonical))
            continue;
        if (run.ignore.covers(clean) || run.ignore.covers(canonical))
            continue;
        if (!roots.contains(canonical))
            roots.append(canonical);
    }
    run.roots = roots;
    post(run.id, [this, roots] { scanDirectories = roots; });

    run.rootKinds = QList<RootKind>(roots.size(), RootKind::Missing);
    run.rootBegin = QList<size_t>(roots.size() + 1, 0);
    run.rootVisits = QList<quint64>(roots.size(), 0);
    run.filter.minimumSize = run.settings.minimumFileSize;
    run.filter.ignore = run.ignore;
    for (const AllExtensions &entry : std::as_const(run.settings.extensions)) {
        if (entry.isChecked)
            run.filter.ignoredExtensions.append(entry.name);
    }
    for (int r = 0; r < roots.size(); ++r) {
        run.rootBegin[r] = run.candidates.entries.size();
        if (!m_control.waitWhilePaused())
            break;
        countFiles(run, r);
    }
    run.rootBegin[roots.size()] = run.candidates.entries.size();

    narrowPhotoItems(run);
    // A Photos item and a file on disk that are one inode are one copy.
    for (const InitialDirectory &item : std::as_const(run.photoItems)) {
        if (item.identity)
            run.collected.insert(*item.identity);
    }

    run.collectedCount = 0;
    int fileRootTick = 0;
    for (int r = 0; r < roots.size(); ++r) {
        if (!m_control.waitWhilePaused())
            break;
        scanPath(run, r, fileRootTick);
    }
    run.candidates.entries.resize(run.collectedCount);
    run.candidates.entries.shrink_to_fit();
    run.collected = {};
    if (run.scanProgress.takePending())
        postScanProgress(run);

    post(run.id, [this] { m_observer->finishFirstStepProgress(); });
    m_control.sleepUnlessAborted(run.pauseBetweenSteps);
    if (run.betweenStepsHook)
        run.betweenStepsHook();
    post(run.id, [this] { m_observer->beginSecondStepProgress(); });
}

void ScanEngine::postScanProgress(const Run &run)
{
    // The counts as they are now; the screen computes the percent from them.
    const qint64 processed = run.processed;
    const qint64 total = run.total;
    post(run.id, [this, processed, total] { m_observer->updateScanProgress(processed, total); });
}

void ScanEngine::countFiles(Run &run, int rootIndex)
{
    const QString &root = run.roots.at(rootIndex);
    struct stat st{};
    if (::lstat(NativePath::encode(root).constData(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        run.rootKinds[rootIndex] = RootKind::Folder;
        qint64 unreadable = 0;
        quint64 visits = 0;
        walkScanCandidates(root, &m_control, run.filter, walkThreads(), run.candidates, visits, &unreadable);
        run.unreadable += unreadable;
        run.rootVisits[rootIndex] = visits;
        run.total += qint64(visits);
    } else {
        run.rootKinds[rootIndex] = RootKind::File;
        run.total += 1;
        // Only regular files are candidates here: a FIFO, a device or a socket
        // given as a root is passed over (reading one could block forever).
        if (S_ISREG(st.st_mode))
            addScanCandidate(root, st, run.filter, run.candidates);
    }
}

void ScanEngine::scanPath(Run &run, int rootIndex, int &fileRootTick)
{
    switch (run.rootKinds.at(rootIndex)) {
    case RootKind::Missing:
        return;
    case RootKind::File: {
        run.processed += 1;
        if (fileRootTick % 9 == 0) {
            if (m_control.isAbort())
                return;
            if (run.scanProgress.ready())
                postScanProgress(run);
        }
        ++fileRootTick;
        for (size_t c = run.rootBegin.at(rootIndex); c < run.rootBegin.at(rootIndex + 1); ++c)
            collectCandidate(run, c);
        return;
    }
    case RootKind::Folder: {
        // Every visited item counts for the progress, in walk order; the walk
        // kept only those that passed the filters.
        size_t next = run.rootBegin.at(rootIndex);
        const size_t end = run.rootBegin.at(rootIndex + 1);
        const quint64 visits = run.rootVisits.at(rootIndex);
        for (quint64 item = 0; item < visits; ++item) {
            if (!m_control.waitWhilePaused())
                break;
            if (next < end && run.candidates.entries[next].ordinal == item)
                collectCandidate(run, next++);
            run.processed += 1;
            if (item % 9 == 0 && run.scanProgress.ready())
                postScanProgress(run);
        }
        return;
    }
    }
}

void ScanEngine::collectCandidate(Run &run, size_t index)
{
    std::vector<Candidate> &entries = run.candidates.entries;
    const FileIdentity identity = entries[index].identity;
    // One inode is one file, whatever paths reach it.
    if (run.collected.contains(identity))
        return;
    run.collected.insert(identity);
    entries[run.collectedCount++] = entries[index];
}

int ScanEngine::walkThreads() const
{
    // Each thread holds a few folders open at a time: with few descriptors
    // left, fewer threads list them.
    raiseDescriptorLimit();
    const int threads = m_digestThreads > 0 ? m_digestThreads : QThread::idealThreadCount();
    return std::clamp((freeDescriptors() - 16) / 16, 1, std::max(1, threads));
}

void ScanEngine::narrowPhotoItems(Run &run)
{
    QList<InitialDirectory> kept;
    for (const InitialDirectory &item : std::as_const(run.photoItems)) {
        const QString path = item.url ? item.url->toLocalFile() : QString();
        if (!path.isEmpty() && run.ignore.covers(path))
            continue;
        bool ok = false;
        const qint64 size = item.photoLibraryProperties ? item.photoLibraryProperties->RKMFilSize.toLongLong(&ok, 10) : 0;
        // A size that is not a number cannot be compared with the minimum: leave the item out.
        if (!ok || size < 0 || quint64(size) <= run.settings.minimumFileSize)
            continue;
        if (item.url) {
            const QString lower = lastPathExtension(path).toLower();
            bool ignored = false;
            for (const AllExtensions &entry : std::as_const(run.settings.extensions)) {
                if (entry.isChecked && entry.name == lower)
                    ignored = true;
            }
            if (ignored)
                continue;
        }
        kept.append(item);
    }
    run.photoItems = kept;
}

ResultDictionary ScanEngine::findDuplicates(Run &run)
{
    Reporter reporter(this, run);
    DuplicateSearch search(&m_control, &reporter);
    if (run.digestThreads > 0)
        search.setThreadCount(run.digestThreads);
    ResultDictionary results = search.findDuplicates(run.photoItems, std::move(run.candidates));
    run.candidates = {};
    run.unreadable += search.unreadableCount();
    return results;
}

void ScanEngine::finishScan(const std::shared_ptr<Run> &run, const ResultDictionary &results)
{
    post(run->id, [this, run, results] { holdEnd([this, run, results] { completeOnMainThread(*run, results); }); });
}

void ScanEngine::holdEnd(std::function<void()> end)
{
    m_pendingEnd = std::move(end);
    // A stop dialog that is still up decides: the run ends as it would have
    // when the dialog resumes, and as not completed when the stop is confirmed.
    if (!m_control.isPaused())
        takePendingEnd();
}

void ScanEngine::takePendingEnd()
{
    if (!m_pendingEnd)
        return;
    const auto end = std::move(m_pendingEnd);
    m_pendingEnd = nullptr;
    end();
}

void ScanEngine::reportUnreadable(const Run &run)
{
    m_observer->reportUnreadableFiles(run.unreadable.load());
}

void ScanEngine::completeOnMainThread(Run &run, const ResultDictionary &results)
{
    if (m_control.isAbort()) {
        notCompletedOnMainThread(run);
        return;
    }
    run.endDelivered = true;
    reportUnreadable(run);
    duplicateResults() = results;
    photoLibraryItems = run.photoItems;
    m_observer->updateTooltipsForCompletedScan();
    const ScanSummary summary = categorySizesSortedBySize();
    isScanFinished = true;
    UserDefaults::standard().setObject(QString::fromLatin1(kDisablePieChartAnimationKey), false);
    m_observer->showScanCompletedSummary(summary);
    isScanning = false;
    m_observer->sendScanCompletedEvent(scanCompletedEventName(), scanCompletedEventName());
}

void ScanEngine::notCompletedOnMainThread(Run &run)
{
    run.endDelivered = true;
    reportUnreadable(run);
    m_stoppedFolderSizes = false;
    isScanning = false;
    isScanFinished = false;
    photoLibraryItems = run.photoItems;
    m_control.reset();
    KRBFileFunctions::initScan();
    m_observer->scanNotCompleted();
}

void ScanEngine::endNotCompleted(const std::shared_ptr<Run> &run)
{
    post(run->id, [this, run] { holdEnd([this, run] { notCompletedOnMainThread(*run); }); });
}
