#include "DuplicateSearch.h"

#include "BundleInfo.h"
#include "Digest.h"
#include "FileCategories.h"
#include "ScanControl.h"
#include "ScanPaths.h"

#include <QFile>
#include <QHash>
#include <QThread>

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

// Runs work(i) for every i below count on a few threads. The calling thread
// waits and is told, in index order, how many items are finished, so what it
// reports never depends on which thread finished first.
void runInParallel(int count, int threads, const std::function<void(int)> &work,
                   const std::function<void(int)> &advanced)
{
    if (count <= 0)
        return;
    std::vector<std::atomic<bool>> finished(static_cast<size_t>(count));
    std::atomic<int> next{0};
    std::mutex mutex;
    std::condition_variable changed;

    auto loop = [&] {
        for (;;) {
            const int index = next.fetch_add(1);
            if (index >= count)
                break;
            work(index);
            finished[size_t(index)].store(true, std::memory_order_release);
            std::lock_guard<std::mutex> lock(mutex);
            changed.notify_one();
        }
    };

    std::vector<std::thread> pool;
    const int poolSize = std::max(1, std::min(threads, count));
    pool.reserve(size_t(poolSize));
    for (int t = 0; t < poolSize; ++t)
        pool.emplace_back(loop);

    int done = 0;
    while (done < count) {
        const int before = done;
        while (done < count && finished[size_t(done)].load(std::memory_order_acquire))
            ++done;
        if (done != before)
            advanced(done);
        if (done == count)
            break;
        std::unique_lock<std::mutex> lock(mutex);
        changed.wait_for(lock, std::chrono::milliseconds(20),
                         [&] { return finished[size_t(done)].load(std::memory_order_acquire); });
    }
    for (std::thread &thread : pool)
        thread.join();
}

// A fingerprint of a file's first and last blocks; nothing when it cannot be read.
std::optional<quint64> edgeSignature(const QString &path, quint64 expectedSize)
{
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return std::nullopt;
    struct stat st{};
    std::optional<quint64> result;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode)) {
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
                                                 const QList<SearchCandidate> &candidates)
{
    m_photoItems = &photoItems;
    m_candidates = &candidates;
    m_items.clear();
    m_items.reserve(photoItems.size() + candidates.size());
    for (int i = 0; i < photoItems.size(); ++i) {
        const InitialDirectory &record = photoItems.at(i);
        Item item;
        item.path = record.url ? record.url->toLocalFile() : QString();
        item.hasSize = record.file.has_value();
        item.size = record.file ? record.file->size : 0;
        item.photoIndex = i;
        m_items.append(item);
    }
    for (int i = 0; i < candidates.size(); ++i) {
        Item item;
        item.path = candidates.at(i).path;
        item.size = candidates.at(i).size;
        item.hasSize = true;
        item.candidateIndex = i;
        m_items.append(item);
    }
    for (Item &item : m_items)
        item.isApp = lastPathExtension(item.path).toLower() == QLatin1String("app");

    const int n = int(m_items.size());
    m_keys = QList<QString>(n);
    m_kinds = QList<KeyKind>(n, KeyKind::None);
    m_finished = QList<bool>(n, false);
    m_reportedDone = 0;
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
    m_candidates = nullptr;
    return result;
}

void DuplicateSearch::postPathOf(int index)
{
    const Item &item = m_items.at(index);
    if (item.photoIndex >= 0)
        m_reporter->showPhotoItemPath(item.path);
    else
        m_reporter->showCandidatePath(item.path);
}

void DuplicateSearch::digestItems()
{
    const int n = int(m_items.size());
    // Reports, in work-list order, every record whose key is settled.
    auto advance = [this, n](int finishedUpTo) {
        while (m_reportedDone < finishedUpTo) {
            postPathOf(m_reportedDone);
            ++m_reportedDone;
            if (m_reportedDone % 2 == 0)
                m_reporter->showDigestProgress(int(qint64(m_reportedDone) * 75 / n));
        }
    };
    auto advanceOverFinished = [this, &advance, n] {
        int upTo = m_reportedDone;
        while (upTo < n && m_finished.at(upTo))
            ++upTo;
        advance(upTo);
    };

    readBundleIdentifiers();
    const QList<int> sameSize = sameSizeItems();
    for (int i = 0; i < n; ++i)
        m_finished[i] = true;
    for (int index : sameSize)
        m_finished[index] = false;
    advanceOverFinished();
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
    advanceOverFinished();

    computeDigests(toDigest);
    if (!m_control->isAbort())
        advance(n);
}

void DuplicateSearch::readBundleIdentifiers()
{
    for (int i = 0; i < m_items.size(); ++i) {
        const Item &item = m_items.at(i);
        if (!item.isApp)
            continue;
        if (auto identifier = bundleIdentifier(item.path)) {
            m_keys[i] = *identifier;
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
    runInParallel(
        int(large.size()), m_threads,
        [&](int k) {
            if (!m_control->waitWhilePaused())
                return;
            const Item &item = m_items.at(large.at(k));
            signatures[k] = edgeSignature(item.path, item.size);
        },
        [](int) {});
    if (m_control->isAbort())
        return {};

    QHash<QPair<quint64, quint64>, int> bucketCounts;
    for (int k = 0; k < large.size(); ++k) {
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
    QList<QString> digests(indexes.size());
    const int n = int(m_items.size());
    int markedUpTo = 0;
    runInParallel(
        int(indexes.size()), m_threads,
        [&](int k) {
            if (!m_control->waitWhilePaused())
                return;
            digests[k] = md5OfFile(m_items.at(indexes.at(k)).path, m_control);
        },
        [&](int finishedUpTo) {
            if (m_control->isAbort())
                return;
            for (; markedUpTo < finishedUpTo; ++markedUpTo)
                m_finished[indexes.at(markedUpTo)] = true;
            int upTo = m_reportedDone;
            while (upTo < n && m_finished.at(upTo))
                ++upTo;
            while (m_reportedDone < upTo) {
                postPathOf(m_reportedDone);
                ++m_reportedDone;
                if (m_reportedDone % 2 == 0)
                    m_reporter->showDigestProgress(int(qint64(m_reportedDone) * 75 / n));
            }
        });
    if (m_control->isAbort())
        return;
    for (int k = 0; k < indexes.size(); ++k) {
        const int index = indexes.at(k);
        const QString &digest = digests.at(k);
        if (!digest.isEmpty()) {
            m_keys[index] = digest;
            m_kinds[index] = KeyKind::Digest;
        }
        if (m_items.at(index).photoIndex >= 0)
            (*m_photoItems)[m_items.at(index).photoIndex].md5 = digest;
    }
}

void DuplicateSearch::compareItems()
{
    const int n = int(m_items.size());
    // Records with equal keys form one group, headed by the earliest of them.
    QHash<QString, int> digestGroups;
    QHash<QString, int> bundleGroups;
    QList<QList<int>> groups;
    for (int i = 0; i < n; ++i) {
        if (m_kinds.at(i) == KeyKind::None)
            continue;
        QHash<QString, int> &table = m_kinds.at(i) == KeyKind::Digest ? digestGroups : bundleGroups;
        const auto it = table.constFind(m_keys.at(i));
        if (it != table.cend()) {
            groups[*it].append(i);
        } else {
            table.insert(m_keys.at(i), int(groups.size()));
            groups.append(QList<int>{i});
        }
    }
    QHash<int, int> groupOfHead;
    for (int g = 0; g < groups.size(); ++g) {
        if (groups.at(g).size() >= 2)
            groupOfHead.insert(groups.at(g).first(), g);
    }

    int counter = 1;
    for (int i = 0; i < n; ++i) {
        if (!m_control->waitWhilePaused())
            return;
        if (counter % 2 == 0)
            m_reporter->showComparisonProgress(int(qint64(i) * 25 / n));
        ++counter;
        const auto it = groupOfHead.constFind(i);
        if (it != groupOfHead.cend())
            collectGroup(i, groups.at(*it));
    }
}

void DuplicateSearch::collectGroup(int headIndex, const QList<int> &members)
{
    const Item &head = m_items.at(headIndex);
    const ScanResultKeys key = head.isApp ? ScanResultKeys::Application : category(lastPathExtension(head.path));
    DuplicateGroup group;
    group.reserve(members.size());
    for (int index : members) {
        const Item &item = m_items.at(index);
        InitialDirectory record;
        if (item.photoIndex >= 0) {
            record = m_photoItems->at(item.photoIndex);
        } else {
            record = InitialDirectory(QUrl::fromLocalFile(item.path));
            if (!record.identity)
                record.identity = m_candidates->at(item.candidateIndex).identity;
        }
        if (m_kinds.at(index) == KeyKind::Digest)
            record.md5 = m_keys.at(index);
        record.category = key;
        if (record.file)
            m_duplicateBytesFound += record.file->size;
        group.append(record);
    }
    m_categoryLists[listIndex(key)].append(group);
    m_reporter->showDuplicateSizeFound(m_duplicateBytesFound);
}
