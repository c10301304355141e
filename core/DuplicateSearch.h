#pragma once

#include "ProcessState.h"
#include "Md5MultiBuffer.h"
#include "Candidates.h"
#include "Records.h"

#include <QHash>
#include <QList>
#include <QString>

#include <atomic>

#include <vector>

class ScanControl;

// The second half of a scan: digests the work list (Photos items first, then
// the candidates), gathers records with the same content (application
// bundles: the same bundle identifier) into groups headed by their earliest
// record, and files each group under the category of its head.
//
// The groups are those of comparing every record with every later one, found
// in one pass by key. Only what can have a twin is read: a file whose size no
// other file shares is never digested, and same-size files are first told
// apart by their first and last blocks. Digests run on a bounded pool of
// threads; nothing the caller sees depends on their timing.
class DuplicateSearch
{
public:
    // Progress of the search, called on the searching thread.
    class Reporter
    {
    public:
        virtual ~Reporter() = default;
        virtual void showPhotoItemPath(const QString &path) = 0;
        virtual void showCandidatePath(const QString &path) = 0;
        virtual void showDigestProgress(int percent) = 0;
        virtual void showComparisonProgress(int percent) = 0;
        virtual void showDuplicateSizeFound(quint64 bytes) = 0;
        virtual void showSearchFinished() = 0;
    };

    DuplicateSearch(ScanControl *control, Reporter *reporter);

    void setThreadCount(int threads);

    // The seven category lists, keyed "Photos", "Videos", "Musics", "Archives",
    // "Documents", "Applications", "Others" in this order, empty ones included.
    // The digests of the Photos items are written back into them. After a
    // stop the lists hold what was filed until then.
    // The candidates are taken over: their list is let go as soon as it has
    // been read, so that it is not held twice.
    ResultDictionary findDuplicates(QList<InitialDirectory> &photoItems, CandidateList candidates);

    // Files of the last search that could not be read: they were left out of
    // the comparison, so the groups may miss them.
    qint64 unreadableCount() const { return m_unreadable; }

private:
    // A Photos item (its path is its record's) or a file of the candidate list.
    using Item = Candidate;

    QString pathOf(const Item &item) const;
    std::optional<Md5Expected> expectedOf(const Item &item) const;

    enum class KeyKind : char { None, Digest, Bundle };

    void digestItems();
    void readBundleIdentifiers();
    QList<int> sameSizeItems() const;
    QList<int> splitByHeadAndTail(const QList<int> &indexes, QList<QList<int>> &buckets);
    QList<QList<int>> compareLargeFiles(const QList<QList<int>> &buckets, QList<int> &toDigest);
    QList<QList<int>> identicalSets(QList<int> members, std::atomic<qint64> &unreadable) const;
    void computeDigests(const QList<int> &indexes);
    void compareItems();
    // What comparing the files of one digest group gave.
    struct ContentSplit
    {
        // The sets of two or more identical files, in work-list order.
        QList<QList<int>> sets;
        // Files that could not be read or changed since they were digested.
        QList<int> failed;
        // The first file of a set failed: the split must be made again without it.
        int failedHead = -1;
        bool stopped = false;
    };
    void splitByContents(QList<QList<int>> &groups);
    ContentSplit trySplitByContents(const QList<int> &members) const;
    // A file opened for a comparison: it must hold `size` bytes.
    struct OpenedFile
    {
        int fd = -1;
        quint64 size = 0;
        quint64 device = 0;
    };
    // Opens the file while it is still as listed (fd -1 otherwise).
    OpenedFile openAsDigested(const Item &item) const;
    bool stillAsDigested(int fd, const Item &item) const;
    void buildRecords(const QList<QList<int>> &groups);
    void collectGroup(int headIndex, DuplicateGroup group);
    void postPathOf(int index);
    void reportFinishedInOrder();

    ScanControl *m_control;
    Reporter *m_reporter;
    int m_threads;

    QList<InitialDirectory> *m_photoItems = nullptr;
    CandidateList m_candidates;
    std::vector<Item> m_items;
    // The key of each record: its digest, or its bundle identifier.
    QList<Md5Digest> m_digests;
    QHash<int, QString> m_bundleIdentifiers;
    QList<KeyKind> m_kinds;
    // The first file of the set of byte-identical files each one belongs to,
    // when it was compared before its digest; -1 otherwise.
    QList<int> m_contentSet;
    QList<bool> m_finished;
    int m_reportedDone = 0;
    qint64 m_unreadable = 0;
    quint64 m_duplicateBytesFound = 0;
    QList<GroupList> m_categoryLists;
    // Records are built for the members of groups only, in group order.
    QList<DuplicateGroup> m_groupRecords;
};
