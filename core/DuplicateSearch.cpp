#include "DuplicateSearch.h"

#include "BundleInfo.h"
#include "FileCategories.h"
#include "FileFacts.h"
#include "KRBFileFunctions.h"
#include "Md5MultiBuffer.h"
#include "ScanControl.h"
#include "ScanPaths.h"

#include <QFile>
#include <QHash>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Files up to this size are digested at once: reading their two ends first
// would cost as much as reading them whole.
constexpr quint64 smallFileSize = 64 * 1024;
constexpr qint64 edgeBlockSize = 4096;

const char *const categoryOrder[] = {"Photos", "Videos", "Musics", "Archives", "Documents", "Applications", "Others"};

int listIndex(ScanResultKeys key)
{
    switch (key) {
    case ScanResultKeys::Photos: return 0;
    case ScanResultKeys::Videos: return 1;
    case ScanResultKeys::Musics: return 2;
    case ScanResultKeys::Archives: return 3;
    case ScanResultKeys::Documents: return 4;
    case ScanResultKeys::Application: return 5;
    case ScanResultKeys::Others:
    case ScanResultKeys::None: return 6;
    }
    return 6;
}

// The threads that digest files and build records, kept for the whole
// program instead of started three times per search.
QThreadPool &searchPool()
{
    static QThreadPool pool;
    return pool;
}

// Items finished by a pool of threads, reported to the waiting thread in
// index order, so that what it reports never depends on which thread was first.
class OrderedCompletion
{
public:
    explicit OrderedCompletion(int count)
        : m_finished(static_cast<size_t>(count))
        , m_count(count)
    {
    }

    void finish(int index)
    {
        m_finished[size_t(index)].store(true, std::memory_order_release);
        std::lock_guard<std::mutex> lock(m_mutex);
        m_changed.notify_one();
    }

    // Runs body on a few threads of the search's long-lived pool and calls
    // advanced(n) on this thread each time the first n items are all
    // finished; returns when every body has returned.
    void run(int threads, const std::function<void()> &body, const std::function<void(int)> &advanced)
    {
        const int poolSize = std::max(1, std::min(threads, m_count));
        QThreadPool &pool = searchPool();
        if (pool.maxThreadCount() < poolSize)
            pool.setMaxThreadCount(poolSize);
        std::atomic<int> running{poolSize};
        // Folder sizes measured on the pool are announced for the caller's run.
        const quint64 run = currentFolderSizeRun();
        for (int t = 0; t < poolSize; ++t) {
            pool.start([&, run] {
                const FolderSizeRunScope scope(run);
                body();
                std::lock_guard<std::mutex> lock(m_mutex);
                running.fetch_sub(1);
                m_changed.notify_one();
            });
        }
        int done = 0;
        for (;;) {
            const int before = done;
            while (done < m_count && m_finished[size_t(done)].load(std::memory_order_acquire))
                ++done;
            if (done != before)
                advanced(done);
            if (done == m_count || running.load() == 0)
                break;
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::milliseconds(20), [&] {
                return running.load() == 0 || m_finished[size_t(done)].load(std::memory_order_acquire);
            });
        }
        // Every body has to be done with this object's members before it goes.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return running.load() == 0; });
    }

private:
    std::vector<std::atomic<bool>> m_finished;
    int m_count;
    std::mutex m_mutex;
    std::condition_variable m_changed;
};

// Runs work(i) for every i below count on a few threads.
void runInParallel(int count, int threads, const std::function<void(int)> &work)
{
    if (count <= 0)
        return;
    OrderedCompletion completion(count);
    std::atomic<int> next{0};
    completion.run(
        threads,
        [&] {
            for (int index = next.fetch_add(1); index < count; index = next.fetch_add(1)) {
                work(index);
                completion.finish(index);
            }
        },
        [](int) {});
}

// A fingerprint of a file's first and last blocks; nothing when it cannot be
// read or is no longer the file that was listed.
std::optional<quint64> edgeSignature(const QString &path, quint64 expectedSize, const std::optional<Md5Expected> &expected,
                                     const ScanControl *control)
{
    const int fd = openRegularFileWaiting(path, control);
    if (fd < 0)
        return std::nullopt;
    struct stat st{};
    std::optional<quint64> result;
    if (::fstat(fd, &st) == 0 && quint64(st.st_size) == expectedSize && (!expected || md5FileMatches(fd, *expected))) {
        char buffer[2 * edgeBlockSize];
        const qint64 size = st.st_size;
        const qint64 head = std::min<qint64>(size, edgeBlockSize);
        const qint64 tailStart = std::max<qint64>(head, size - edgeBlockSize);
        const qint64 tail = size - tailStart;
        if (::pread(fd, buffer, size_t(head), 0) == head
            && (tail == 0 || ::pread(fd, buffer + head, size_t(tail), tailStart) == tail)) {
            // FNV-1a over both blocks and the size: stable across runs.
            quint64 hash = 1469598103934665603ULL ^ quint64(size) ^ (expectedSize << 1);
            for (qint64 i = 0; i < head + tail; ++i) {
                hash ^= quint8(buffer[i]);
                hash *= 1099511628211ULL;
            }
            result = hash;
        }
    }
    ::close(fd);
    return result;
}

} // namespace

DuplicateSearch::DuplicateSearch(ScanControl *control, Reporter *reporter)
    : m_control(control)
    , m_reporter(reporter)
    , m_threads(std::max(1, QThread::idealThreadCount()))
{
}

void DuplicateSearch::setThreadCount(int threads)
{
    m_threads = std::max(1, threads);
}

ResultDictionary DuplicateSearch::findDuplicates(QList<InitialDirectory> &photoItems,
                                                 QList<SearchCandidate> candidates)
{
    m_photoItems = &photoItems;
    m_items.clear();
    m_items.reserve(photoItems.size() + candidates.size());
    for (int i = 0; i < photoItems.size(); ++i) {
        const InitialDirectory &record = photoItems.at(i);
        Item item;
        item.path = record.url ? record.url->toLocalFile() : QString();
        item.hasSize = record.file.has_value();
        item.size = record.file ? record.file->size : 0;
        item.identity = record.identity.value_or(FileIdentity{});
        item.hasIdentity = record.identity.has_value() && record.file.has_value();
        item.photoIndex = i;
        m_items.append(item);
    }
    for (const SearchCandidate &candidate : std::as_const(candidates)) {
        Item item;
        item.path = candidate.path;
        item.size = candidate.size;
        item.identity = candidate.identity;
        item.modified = candidate.modified;
        item.mode = candidate.mode;
        item.hasSize = true;
        item.hasIdentity = true;
        item.hasFacts = true;
        m_items.append(item);
    }
    candidates = {};
    for (Item &item : m_items)
        item.isApp = lastPathExtension(item.path).toLower() == QLatin1String("app");

    const int n = int(m_items.size());
    m_digests = QList<Md5Digest>(n);
    m_bundleIdentifiers.clear();
    m_kinds = QList<KeyKind>(n, KeyKind::None);
    m_finished = QList<bool>(n, false);
    m_reportedDone = 0;
    m_unreadable = 0;
    m_duplicateBytesFound = 0;
    m_categoryLists = QList<GroupList>(7);

    digestItems();
    if (!m_control->isAbort())
        compareItems();

    ResultDictionary result;
    for (int c = 0; c < 7; ++c)
        result.setValue(QString::fromLatin1(categoryOrder[c]), m_categoryLists.at(c));
    m_reporter->showSearchFinished();
    m_photoItems = nullptr;
    m_items = {};
    return result;
}

std::optional<Md5Expected> DuplicateSearch::expectedOf(const Item &item) const
{
    if (!item.hasIdentity || item.isApp)
        return std::nullopt;
    Md5Expected expected;
    expected.device = item.identity.device;
    expected.inode = item.identity.inode;
    expected.size = item.size;
    expected.modified = item.modified;
    expected.modifiedKnown = item.hasFacts;
    return expected;
}

void DuplicateSearch::postPathOf(int index)
{
    const Item &item = m_items.at(index);
    if (item.photoIndex >= 0)
        m_reporter->showPhotoItemPath(item.path);
    else
        m_reporter->showCandidatePath(item.path);
}

void DuplicateSearch::reportFinishedInOrder()
{
    // Reports, in work-list order, every record whose key is settled.
    const int n = int(m_items.size());
    while (m_reportedDone < n && m_finished.at(m_reportedDone)) {
        postPathOf(m_reportedDone);
        ++m_reportedDone;
        if (m_reportedDone % 2 == 0)
            m_reporter->showDigestProgress(int(qint64(m_reportedDone) * 75 / n));
    }
}

void DuplicateSearch::digestItems()
{
    const int n = int(m_items.size());
    readBundleIdentifiers();
    const QList<int> sameSize = sameSizeItems();
    for (int i = 0; i < n; ++i)
        m_finished[i] = true;
    for (int index : sameSize)
        m_finished[index] = false;
    reportFinishedInOrder();
    if (m_control->isAbort())
        return;

    const QList<int> toDigest = splitByHeadAndTail(sameSize);
    if (m_control->isAbort())
        return;
    {
        QList<bool> digesting(n, false);
        for (int index : toDigest)
            digesting[index] = true;
        for (int index : sameSize) {
            if (!digesting.at(index))
                m_finished[index] = true;
        }
    }
    reportFinishedInOrder();

    computeDigests(toDigest);
    if (m_control->isAbort())
        return;
    for (int i = 0; i < n; ++i)
        m_finished[i] = true;
    reportFinishedInOrder();
}

void DuplicateSearch::readBundleIdentifiers()
{
    for (int i = 0; i < m_items.size(); ++i) {
        const Item &item = m_items.at(i);
        if (!item.isApp)
            continue;
        bool changed = false;
        // A bundle the walk listed must still be that folder.
        const auto identifier = item.hasIdentity ? bundleIdentifier(item.path, item.identity, &changed)
                                                 : bundleIdentifier(item.path);
        if (changed)
            ++m_unreadable;
        if (identifier) {
            m_bundleIdentifiers.insert(i, *identifier);
            m_kinds[i] = KeyKind::Bundle;
        }
    }
}

QList<int> DuplicateSearch::sameSizeItems() const
{
    QHash<quint64, int> sizeCounts;
    sizeCounts.reserve(m_items.size());
    for (const Item &item : m_items) {
        if (!item.isApp && item.hasSize)
            ++sizeCounts[item.size];
    }
    QList<int> result;
    for (int i = 0; i < m_items.size(); ++i) {
        const Item &item = m_items.at(i);
        if (item.isApp)
            continue;
        // A record without facts can still match; only its digest can tell.
        if (!item.hasSize || sizeCounts.value(item.size) >= 2)
            result.append(i);
    }
    return result;
}

QList<int> DuplicateSearch::splitByHeadAndTail(const QList<int> &indexes)
{
    QList<int> large;
    for (int index : indexes) {
        const Item &item = m_items.at(index);
        if (item.hasSize && item.size > smallFileSize)
            large.append(index);
    }
    QList<std::optional<quint64>> signatures(large.size());
    // The pool writes through plain pointers: each slot has one writer, and
    // no list may detach under the threads.
    std::optional<quint64> *signatureSlots = signatures.data();
    runInParallel(
        int(large.size()), m_threads,
        [&](int k) {
            if (!m_control->waitWhilePaused())
                return;
            const Item &item = m_items.at(large.at(k));
            signatureSlots[k] = edgeSignature(item.path, item.size, expectedOf(item), m_control);
        });
    if (m_control->isAbort())
        return {};

    QHash<QPair<quint64, quint64>, int> bucketCounts;
    for (int k = 0; k < large.size(); ++k) {
        if (!signatures.at(k))
            ++m_unreadable;
        if (signatures.at(k))
            ++bucketCounts[qMakePair(m_items.at(large.at(k)).size, *signatures.at(k))];
    }
    QList<bool> keep(m_items.size(), false);
    for (int k = 0; k < large.size(); ++k) {
        const auto &signature = signatures.at(k);
        if (signature && bucketCounts.value(qMakePair(m_items.at(large.at(k)).size, *signature)) >= 2)
            keep[large.at(k)] = true;
    }
    QList<int> result;
    for (int index : indexes) {
        const Item &item = m_items.at(index);
        if (!(item.hasSize && item.size > smallFileSize) || keep.at(index))
            result.append(index);
    }
    return result;
}

void DuplicateSearch::computeDigests(const QList<int> &indexes)
{
    const int count = int(indexes.size());
    if (count == 0)
        return;
    // Each thread holds one file open per lane: the threads and lanes fit in
    // the descriptors left (a few kept for the rest of the program), so that
    // the search does not run out of them. Running out anyway only delays a
    // file (it waits for a descriptor); it is never taken as unreadable.
    raiseDescriptorLimit();
    const int spare = std::max(1, freeDescriptors() - 16);
    int lanes = md5LaneCount();
    if (spare < lanes)
        lanes = spare >= 8 && lanes >= 8 ? 8 : 1;
    const int threads = std::clamp(spare / lanes, 1, m_threads);
    int markedUpTo = 0;
    OrderedCompletion completion(count);
    std::atomic<int> next{0};
    // Each thread digests several files side by side in the lanes of its
    // vector unit; the files are handed out in work-list order.
    const Md5NextJob nextJob = [&](Md5Job &job) {
        const int k = next.fetch_add(1);
        if (k >= count)
            return false;
        job.index = k;
        const Item &item = m_items.at(indexes.at(k));
        job.path = item.path;
        job.expected = expectedOf(item);
        return true;
    };
    // Each item is written by exactly one thread, before it is marked
    // finished, through plain pointers so that no list detaches meanwhile.
    Md5Digest *digestSlots = m_digests.data();
    KeyKind *kindSlots = m_kinds.data();
    std::atomic<qint64> unreadable{0};
    const Md5JobDone jobDone = [&](int k, const Md5Digest *digest) {
        if (digest) {
            digestSlots[indexes.at(k)] = *digest;
            kindSlots[indexes.at(k)] = KeyKind::Digest;
        } else if (!m_control->isAbort()) {
            unreadable.fetch_add(1, std::memory_order_relaxed);
        }
        completion.finish(k);
    };
    completion.run(
        threads, [&] { md5MultiBuffer(nextJob, jobDone, m_control, lanes); },
        [&](int finishedUpTo) {
            if (m_control->isAbort())
                return;
            for (; markedUpTo < finishedUpTo; ++markedUpTo)
                m_finished[indexes.at(markedUpTo)] = true;
            reportFinishedInOrder();
        });
    m_unreadable += unreadable.load();
    if (m_control->isAbort())
        return;
    // The Photos items keep their digests, "" for one that could not be read.
    for (int index : indexes) {
        const int photoIndex = m_items.at(index).photoIndex;
        if (photoIndex >= 0)
            (*m_photoItems)[photoIndex].md5 = m_kinds.at(index) == KeyKind::Digest ? md5Text(m_digests.at(index)) : QString();
    }
}

void DuplicateSearch::compareItems()
{
    const int n = int(m_items.size());
    // Records with equal keys form one group, headed by the earliest of them.
    QHash<QByteArray, int> digestGroups;
    QHash<QString, int> bundleGroups;
    QList<QList<int>> groups;
    auto place = [&groups](auto &table, const auto &key, int i) {
        const auto it = table.constFind(key);
        if (it != table.cend()) {
            groups[*it].append(i);
        } else {
            table.insert(key, int(groups.size()));
            groups.append(QList<int>{i});
        }
    };
    for (int i = 0; i < n; ++i) {
        if (m_kinds.at(i) == KeyKind::Digest) {
            const Md5Digest &digest = m_digests.at(i);
            place(digestGroups, QByteArray::fromRawData(reinterpret_cast<const char *>(digest.data()), 16), i);
        } else if (m_kinds.at(i) == KeyKind::Bundle) {
            place(bundleGroups, m_bundleIdentifiers.value(i), i);
        }
    }
    groups.removeIf([](const QList<int> &members) { return members.size() < 2; });
    QHash<int, int> groupOfHead;
    for (int g = 0; g < groups.size(); ++g)
        groupOfHead.insert(groups.at(g).first(), g);
    buildRecords(groups);

    int counter = 1;
    for (int i = 0; i < n; ++i) {
        if (!m_control->waitWhilePaused())
            return;
        if (counter % 2 == 0)
            m_reporter->showComparisonProgress(int(qint64(i) * 25 / n));
        ++counter;
        const auto it = groupOfHead.constFind(i);
        if (it != groupOfHead.cend())
            collectGroup(i, std::move(m_groupRecords[*it]));
    }
}

void DuplicateSearch::buildRecords(const QList<QList<int>> &groups)
{
    // Reading the facts of every copy is file-system work of its own: it runs
    // on the pool, and each record is built straight into its group.
    m_groupRecords = QList<DuplicateGroup>(groups.size());
    QList<QPair<int, int>> places;
    QList<InitialDirectory *> groupSlots(groups.size());
    for (int g = 0; g < groups.size(); ++g) {
        m_groupRecords[g] = DuplicateGroup(groups.at(g).size());
        groupSlots[g] = m_groupRecords[g].data();
        for (int position = 0; position < groups.at(g).size(); ++position)
            places.append({g, position});
    }
    runInParallel(int(places.size()), m_threads, [&](int k) {
        // After a stop the groups are thrown away: build nothing more.
        if (m_control->isAbort())
            return;
        const auto [g, position] = places.at(k);
        const int index = groups.at(g).at(position);
        const Item &item = m_items.at(index);
        InitialDirectory &record = groupSlots.at(g)[position];
        if (item.photoIndex >= 0) {
            record = m_photoItems->at(item.photoIndex);
        } else if (item.hasFacts) {
            // The facts the file was compared with (checked again when it was
            // read), never a fresh look at a path that may name another file by now.
            record = InitialDirectory(QUrl::fromLocalFile(item.path), item.identity, item.size, item.modified, item.mode);
        } else {
            record = InitialDirectory(QUrl::fromLocalFile(item.path));
            if (!record.identity)
                record.identity = item.identity;
        }
        if (m_kinds.at(index) == KeyKind::Digest)
            record.md5 = md5Text(m_digests.at(index));
    });
}

void DuplicateSearch::collectGroup(int headIndex, DuplicateGroup group)
{
    const Item &head = m_items.at(headIndex);
    const ScanResultKeys key = head.isApp ? ScanResultKeys::Application : category(lastPathExtension(head.path));
    for (InitialDirectory &record : group) {
        record.category = key;
        if (record.file)
            m_duplicateBytesFound += record.file->size;
    }
    m_categoryLists[listIndex(key)].append(std::move(group));
    m_reporter->showDuplicateSizeFound(m_duplicateBytesFound);
}
