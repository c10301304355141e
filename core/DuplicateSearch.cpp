#include "DuplicateSearch.h"

#include "BundleInfo.h"
#include "FileCategories.h"
#include "FileFacts.h"
#include "KRBFileFunctions.h"
#include "Md5MultiBuffer.h"
#include "ScanControl.h"
#include "ScanPaths.h"

#include <FileReading.h>

#include <QFile>
#include <QHash>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <cerrno>
#include <cstring>
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
        m_finished[size_t(index)].store(true);
        // Only the item the waiting thread waits for wakes it: waking it for
        // every item costs more than the work on small files.
        if (m_waitingFor.load() == index) {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_changed.notify_one();
        }
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
            m_waitingFor.store(done);
            std::unique_lock<std::mutex> lock(m_mutex);
            m_changed.wait_for(lock, std::chrono::milliseconds(20), [&] {
                return running.load() == 0 || m_finished[size_t(done)].load();
            });
        }
        // Every body has to be done with this object's members before it goes.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_changed.wait(lock, [&] { return running.load() == 0; });
    }

private:
    std::vector<std::atomic<bool>> m_finished;
    // The first item not finished when the waiting thread last looked.
    std::atomic<int> m_waitingFor{-1};
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
// read or is no longer the file that was listed: another size, an end before
// either block is whole, or more bytes after its listed end.
std::optional<quint64> edgeSignature(const QString &path, quint64 expectedSize, const std::optional<Md5Expected> &expected,
                                     const ScanControl *control)
{
    const int fd = openRegularFileWaiting(path, control);
    if (fd < 0)
        return std::nullopt;
    struct stat st{};
    std::optional<quint64> result;
    if (::fstat(fd, &st) == 0 && quint64(st.st_size) == expectedSize && (!expected || md5FileMatches(fd, *expected))) {
        // Room for a byte past the tail, where a read can see the end.
        char buffer[2 * edgeBlockSize + 1];
        const qint64 size = st.st_size;
        const qint64 head = std::min<qint64>(size, edgeBlockSize);
        const qint64 tailStart = std::max<qint64>(head, size - edgeBlockSize);
        const qint64 tail = size - tailStart;
        FileReading::ListedSizeReader tailReader(fd, quint64(tail), quint64(st.st_dev), tailStart);
        if (FileReading::preadFully(fd, buffer, head, 0) == head && tailReader.read(buffer + head, tail + 1) == tail
            && tailReader.read(buffer + head + tail, 1) == 0) {
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

// The folder of the files a thread digests, kept open while its files follow
// one another.
class FolderDescriptor
{
public:
    FolderDescriptor() = default;
    FolderDescriptor(const FolderDescriptor &) = delete;
    FolderDescriptor &operator=(const FolderDescriptor &) = delete;
    ~FolderDescriptor() { close(); }

    // The open folder, or -1 when it cannot be opened (the file is then
    // opened by its whole path).
    int open(quint32 folder, const std::string &path)
    {
        if (m_fd >= 0 && folder == m_folder)
            return m_fd;
        close();
        m_folder = folder;
        m_fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        return m_fd;
    }

private:
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

    quint32 m_folder = 0;
    int m_fd = -1;
};

enum class Comparison { Equal, Different, FirstFailed, SecondFailed, Stopped };

// Compares two files, each read to the size it was listed with. Equal only
// when both were read whole: a file that ends early or holds more fails, even
// where its bytes so far match the other's.
Comparison compareContents(FileReading::ListedSizeReader first, FileReading::ListedSizeReader second,
                           const ScanControl *control)
{
    constexpr size_t chunk = 256 * 1024;
    // One pair of buffers per thread, kept between files.
    thread_local std::vector<char> buffers;
    if (buffers.size() < 2 * chunk)
        buffers.resize(2 * chunk);
    char *a = buffers.data();
    char *b = a + chunk;
    for (;;) {
        if (control && control->isAbort())
            return Comparison::Stopped;
        const qint64 gotA = first.read(a, qint64(chunk));
        if (gotA < 0)
            return Comparison::FirstFailed;
        const qint64 gotB = second.read(b, qint64(chunk));
        if (gotB < 0)
            return Comparison::SecondFailed;
        if (gotA != gotB || std::memcmp(a, b, size_t(gotA)) != 0)
            return Comparison::Different;
        if (gotA == 0)
            return Comparison::Equal;
    }
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

ResultDictionary DuplicateSearch::findDuplicates(QList<InitialDirectory> &photoItems, CandidateList candidates)
{
    m_photoItems = &photoItems;
    // The candidates are taken over as they are; the Photos items go first.
    m_candidates = std::move(candidates);
    m_items = std::move(m_candidates.entries);
    m_candidates.entries = {};
    std::vector<Item> photos;
    photos.reserve(size_t(photoItems.size()));
    for (int i = 0; i < photoItems.size(); ++i) {
        const InitialDirectory &record = photoItems.at(i);
        Item item;
        item.hasSize = record.file.has_value();
        item.size = record.file ? record.file->size : 0;
        item.identity = record.identity.value_or(FileIdentity{});
        item.hasIdentity = record.identity.has_value() && record.file.has_value();
        item.hasFacts = false;
        item.photoIndex = i;
        item.isApp = lastPathExtension(pathOf(item)).toLower() == QLatin1String("app");
        photos.push_back(item);
    }
    m_items.insert(m_items.begin(), photos.begin(), photos.end());

    const int n = int(m_items.size());
    m_digests = QList<Md5Digest>(n);
    m_bundleIdentifiers.clear();
    m_kinds = QList<KeyKind>(n, KeyKind::None);
    m_contentSet = QList<int>(n, -1);
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
    m_candidates = {};
    return result;
}

QString DuplicateSearch::pathOf(const Item &item) const
{
    if (item.photoIndex >= 0) {
        const InitialDirectory &record = m_photoItems->at(item.photoIndex);
        return record.url ? record.url->toLocalFile() : QString();
    }
    return m_candidates.path(item);
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
        m_reporter->showPhotoItemPath(pathOf(item));
    else
        m_reporter->showCandidatePath(pathOf(item));
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

    QList<QList<int>> buckets;
    QList<int> toDigest = splitByHeadAndTail(sameSize, buckets);
    if (m_control->isAbort())
        return;
    QList<QList<int>> sets = compareLargeFiles(buckets, toDigest);
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
    // The others of a set were read whole and found equal: a first file that
    // cannot be digested (it changed, or failed this one read) must not take
    // them with it. The next file of the set is digested in its place.
    QList<int> headless;
    for (int s = 0; s < sets.size(); ++s) {
        if (m_kinds.at(sets.at(s).first()) != KeyKind::Digest)
            headless.append(s);
    }
    while (!headless.isEmpty()) {
        QList<int> heads;
        for (int s : std::as_const(headless)) {
            QList<int> &set = sets[s];
            m_contentSet[set.takeFirst()] = -1;
            if (set.size() < 2) {
                for (int index : std::as_const(set))
                    m_contentSet[index] = -1;
                set.clear();
                continue;
            }
            for (int index : std::as_const(set))
                m_contentSet[index] = set.first();
            heads.append(set.first());
        }
        computeDigests(heads);
        if (m_control->isAbort())
            return;
        headless.removeIf([&](int s) { return sets.at(s).isEmpty() || m_kinds.at(sets.at(s).first()) == KeyKind::Digest; });
    }
    // Identical files share the digest of the first of them.
    for (const QList<int> &set : sets) {
        for (int index : set) {
            m_digests[index] = m_digests.at(set.first());
            m_kinds[index] = m_kinds.at(set.first());
        }
    }
    for (int i = 0; i < n; ++i)
        m_finished[i] = true;
    reportFinishedInOrder();
}

void DuplicateSearch::readBundleIdentifiers()
{
    for (int i = 0; i < int(m_items.size()); ++i) {
        const Item &item = m_items.at(i);
        if (!item.isApp)
            continue;
        bool changed = false;
        // A bundle the walk listed must still be that folder.
        const QString path = pathOf(item);
        const auto identifier = item.hasIdentity ? bundleIdentifier(path, item.identity, &changed)
                                                 : bundleIdentifier(path);
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
    sizeCounts.reserve(qsizetype(m_items.size()));
    for (const Item &item : m_items) {
        if (!item.isApp && item.hasSize)
            ++sizeCounts[item.size];
    }
    QList<int> result;
    for (int i = 0; i < int(m_items.size()); ++i) {
        const Item &item = m_items.at(i);
        if (item.isApp)
            continue;
        // A record without facts can still match; only its digest can tell.
        if (!item.hasSize || sizeCounts.value(item.size) >= 2)
            result.append(i);
    }
    return result;
}

QList<int> DuplicateSearch::splitByHeadAndTail(const QList<int> &indexes, QList<QList<int>> &buckets)
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
            signatureSlots[k] = edgeSignature(pathOf(item), item.size, expectedOf(item), m_control);
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
    QList<bool> keep(qsizetype(m_items.size()), false);
    QHash<QPair<quint64, quint64>, int> bucketOf;
    for (int k = 0; k < large.size(); ++k) {
        const auto &signature = signatures.at(k);
        const auto key = qMakePair(m_items.at(large.at(k)).size, signature.value_or(0));
        if (signature && bucketCounts.value(key) >= 2) {
            keep[large.at(k)] = true;
            const auto it = bucketOf.constFind(key);
            if (it != bucketOf.cend()) {
                buckets[*it].append(large.at(k));
            } else {
                bucketOf.insert(key, int(buckets.size()));
                buckets.append(QList<int>{large.at(k)});
            }
        }
    }
    QList<int> result;
    for (int index : indexes) {
        const Item &item = m_items.at(index);
        if (!(item.hasSize && item.size > smallFileSize) || keep.at(index))
            result.append(index);
    }
    return result;
}

QList<QList<int>> DuplicateSearch::compareLargeFiles(const QList<QList<int>> &buckets, QList<int> &toDigest)
{
    // Large files whose size and ends match are compared byte for byte before
    // any digest: the comparison reads each file once and stops where they
    // differ, and only the first of each set of identical files is digested
    // (the others share its digest), instead of digesting every file and
    // reading the group again to compare it. A bucket with a Photos item
    // goes the usual way: the item may match by digest alone.
    QList<QList<int>> walked;
    for (const QList<int> &bucket : buckets) {
        if (std::all_of(bucket.cbegin(), bucket.cend(), [this](int index) {
                const Item &item = m_items.at(index);
                return item.photoIndex < 0 && item.hasIdentity && !item.isApp;
            }))
            walked.append(bucket);
    }
    QList<QList<QList<int>>> parts(walked.size());
    QList<QList<int>> *partSlots = parts.data();
    std::atomic<qint64> unreadable{0};
    runInParallel(int(walked.size()), m_threads, [&](int b) { partSlots[b] = identicalSets(walked.at(b), unreadable); });
    m_unreadable += unreadable.load();
    if (m_control->isAbort())
        return {};

    QList<bool> compared(qsizetype(m_items.size()), false);
    for (const QList<int> &bucket : std::as_const(walked)) {
        for (int index : bucket)
            compared[index] = true;
    }
    QList<QList<int>> sets;
    for (QList<QList<int>> &part : parts) {
        for (QList<int> &set : part) {
            compared[set.first()] = false;
            for (int index : set)
                m_contentSet[index] = set.first();
            sets.append(std::move(set));
        }
    }
    toDigest.removeIf([&compared](int index) { return compared.at(index); });
    return sets;
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
    // One more for the folder each thread keeps open.
    const int threads = std::clamp(spare / (lanes + 1), 1, m_threads);
    int markedUpTo = 0;
    OrderedCompletion completion(count);
    std::atomic<int> next{0};
    // Each thread digests several files side by side in the lanes of its
    // vector unit; the files are handed out in work-list order.
    const auto nextJobOf = [&](FolderDescriptor &folder) {
        return [&](Md5Job &job) {
            const int k = next.fetch_add(1);
            if (k >= count)
                return false;
            job.index = k;
            const Item &item = m_items.at(indexes.at(k));
            job.folder = -1;
            if (item.photoIndex >= 0) {
                job.path = pathOf(item);
                job.nativePath.clear();
            } else {
                // Files met by the walk are opened by the bytes it read,
                // relative to their folder: most files of a folder come one
                // after another, and the folder's path is looked up once.
                job.path.clear();
                job.nativePath = m_candidates.nativePath(item);
                job.nameStart = job.nativePath.size() - item.nameLength;
                job.folder = folder.open(item.folder, m_candidates.folderPath(item.folder));
            }
            job.expected = expectedOf(item);
            return true;
        };
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
        threads,
        [&] {
            FolderDescriptor folder;
            const Md5NextJob nextJob = nextJobOf(folder);
            md5MultiBuffer(nextJob, jobDone, m_control, lanes);
        },
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
    // Digests are grouped by sorting, which costs nothing per file that
    // stays alone; equal digests keep work-list order.
    std::vector<int> digested;
    for (int i = 0; i < n; ++i) {
        if (m_kinds.at(i) == KeyKind::Digest)
            digested.push_back(i);
        else if (m_kinds.at(i) == KeyKind::Bundle)
            place(bundleGroups, m_bundleIdentifiers.value(i), i);
    }
    std::stable_sort(digested.begin(), digested.end(),
                     [this](int a, int b) { return m_digests.at(a) < m_digests.at(b); });
    for (size_t start = 0; start < digested.size();) {
        size_t end = start + 1;
        while (end < digested.size() && m_digests.at(digested[end]) == m_digests.at(digested[start]))
            ++end;
        if (end - start >= 2)
            groups.append(QList<int>(digested.begin() + qsizetype(start), digested.begin() + qsizetype(end)));
        start = end;
    }
    digested = {};
    groups.removeIf([](const QList<int> &members) { return members.size() < 2; });
    // The records' icon references come from a database that answers one
    // question at a time: it is asked once per extension on a thread of its
    // own while the files are compared.
    std::thread icons([this, members = groups] {
        for (const QList<int> &group : members) {
            for (int index : group) {
                if (m_control->isAbort())
                    return;
                const Item &item = m_items.at(index);
                iconReference(pathOf(item), item.mode ? item.mode : quint32(S_IFREG));
            }
        }
    });
    splitByContents(groups);
    icons.join();
    if (m_control->isAbort())
        return;
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

DuplicateSearch::OpenedFile DuplicateSearch::openAsDigested(const Item &item) const
{
    struct stat status {};
    const int fd = item.photoIndex >= 0 ? openRegularFileWaiting(pathOf(item), m_control)
                                        : openRegularFileWaiting(m_candidates.nativePath(item).c_str(), m_control, &status);
    if (fd < 0)
        return {};
    const auto expected = expectedOf(item);
    if ((item.photoIndex >= 0 && ::fstat(fd, &status) != 0) || (expected && !md5StatusMatches(status, *expected))) {
        ::close(fd);
        return {};
    }
    // A file without listed facts is read to the size it has now.
    return {fd, expected ? expected->size : quint64(status.st_size), quint64(status.st_dev)};
}

DuplicateSearch::ContentSplit DuplicateSearch::trySplitByContents(const QList<int> &members) const
{
    // Each file is compared with the first file of every set found so far,
    // in work-list order, so each set keeps the order and head of the group.
    struct Set
    {
        OpenedFile file;
        QList<int> members;
    };
    std::vector<Set> sets;
    ContentSplit split;
    auto closeSets = [&sets] {
        for (const Set &set : sets)
            ::close(set.file.fd);
    };
    for (int index : members) {
        if (!m_control->waitWhilePaused()) {
            closeSets();
            split.stopped = true;
            return split;
        }
        const Item &item = m_items.at(index);
        const OpenedFile opened = openAsDigested(item);
        const int fd = opened.fd;
        if (fd < 0) {
            split.failed.append(index);
            continue;
        }
        bool placed = false;
        bool failed = false;
        for (Set &set : sets) {
            const int head = set.members.first();
            if (set.file.size != opened.size)
                continue;
            // The first file of a set is compared with several others, each from its start.
            const Comparison result =
                compareContents(FileReading::ListedSizeReader(set.file.fd, set.file.size, set.file.device, 0),
                                FileReading::ListedSizeReader(fd, opened.size, opened.device, 0), m_control);
            if (result == Comparison::Different)
                continue;
            if (result == Comparison::Stopped) {
                ::close(fd);
                closeSets();
                split.stopped = true;
                return split;
            }
            if (result == Comparison::FirstFailed) {
                ::close(fd);
                closeSets();
                split.failedHead = head;
                return split;
            }
            // The file must still be the one that was digested once it has been read.
            if (result == Comparison::SecondFailed || !stillAsDigested(fd, item))
                failed = true;
            else
                set.members.append(index);
            placed = true;
            break;
        }
        if (failed) {
            split.failed.append(index);
            ::close(fd);
        } else if (placed) {
            ::close(fd);
        } else {
            sets.push_back({opened, {index}});
        }
    }
    for (const Set &set : sets) {
        if (split.failedHead < 0 && !stillAsDigested(set.file.fd, m_items.at(set.members.first())))
            split.failedHead = set.members.first();
    }
    closeSets();
    if (split.failedHead >= 0)
        return split;
    for (Set &set : sets) {
        if (set.members.size() >= 2)
            split.sets.append(std::move(set.members));
    }
    return split;
}

bool DuplicateSearch::stillAsDigested(int fd, const Item &item) const
{
    const auto expected = expectedOf(item);
    return !expected || md5FileMatches(fd, *expected);
}

QList<QList<int>> DuplicateSearch::identicalSets(QList<int> members, std::atomic<qint64> &unreadable) const
{
    for (;;) {
        ContentSplit split = trySplitByContents(members);
        if (split.stopped)
            return {};
        unreadable.fetch_add(split.failed.size(), std::memory_order_relaxed);
        if (split.failedHead < 0)
            return std::move(split.sets);
        // A file that failed as the first of its set was not compared with
        // the rest: they are compared again without it.
        unreadable.fetch_add(1, std::memory_order_relaxed);
        members.removeIf([&split](int index) { return index == split.failedHead || split.failed.contains(index); });
    }
}

void DuplicateSearch::splitByContents(QList<QList<int>> &groups)
{
    // Equal digests are not yet equal files: the members of each group are
    // compared byte for byte and the group falls apart into the sets of
    // identical files; a file equal to no other leaves it.
    QList<QList<QList<int>>> parts(groups.size());
    QList<QList<int>> *partSlots = parts.data();
    std::atomic<qint64> unreadable{0};
    runInParallel(int(groups.size()), m_threads, [&](int g) {
        const QList<int> &group = groups.at(g);
        if (m_kinds.at(group.first()) != KeyKind::Digest) {
            partSlots[g] = {group};
            return;
        }
        // Files already compared with one another in the digest pass.
        const int set = m_contentSet.at(group.first());
        if (set >= 0 && std::all_of(group.cbegin(), group.cend(), [&](int index) { return m_contentSet.at(index) == set; })) {
            partSlots[g] = {group};
            return;
        }
        partSlots[g] = identicalSets(group, unreadable);
    });
    m_unreadable += unreadable.load();
    QList<QList<int>> result;
    for (QList<QList<int>> &part : parts) {
        for (QList<int> &set : part)
            result.append(std::move(set));
    }
    groups = std::move(result);
}

void DuplicateSearch::buildRecords(const QList<QList<int>> &groups)
{
    // Reading the facts of every copy is file-system work of its own: it runs
    // on the pool, and each record is built straight into its group.
    m_groupRecords = QList<DuplicateGroup>(groups.size());
    QList<QPair<int, int>> places;
    QList<InitialDirectory *> groupSlots(groups.size());
    // The members of a group share their digest, and so one copy of its text.
    QList<QString> digestTexts(groups.size());
    for (int g = 0; g < groups.size(); ++g) {
        if (m_kinds.at(groups.at(g).first()) == KeyKind::Digest)
            digestTexts[g] = md5Text(m_digests.at(groups.at(g).first()));
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
            record = InitialDirectory(QUrl::fromLocalFile(pathOf(item)), item.identity, item.size, item.modified, item.mode);
        } else {
            record = InitialDirectory(QUrl::fromLocalFile(pathOf(item)));
            if (!record.identity)
                record.identity = item.identity;
        }
        if (m_kinds.at(index) == KeyKind::Digest)
            record.md5 = digestTexts.at(g);
    });
}

void DuplicateSearch::collectGroup(int headIndex, DuplicateGroup group)
{
    const Item &head = m_items.at(headIndex);
    const ScanResultKeys key = head.isApp ? ScanResultKeys::Application : category(lastPathExtension(pathOf(head)));
    for (InitialDirectory &record : group) {
        record.category = key;
        if (record.file)
            m_duplicateBytesFound += record.file->size;
    }
    m_categoryLists[listIndex(key)].append(std::move(group));
    m_reporter->showDuplicateSizeFound(m_duplicateBytesFound);
}
