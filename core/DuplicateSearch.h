#pragma once

#include "ProcessState.h"
#include "Md5MultiBuffer.h"
#include "Records.h"

#include <QHash>
#include <QList>
#include <QString>

class ScanControl;

// One file that passed the filters of a run.
// The facts come from the walk; the file is compared only while it still has
// them (same device, inode, size and modification time), and its record is
// built from them.
struct SearchCandidate
{
    QString path;
    quint64 size = 0;
    FileIdentity identity;
    qint64 modified = 0; // nanoseconds since the epoch
    quint32 mode = 0;
};

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
    ResultDictionary findDuplicates(QList<InitialDirectory> &photoItems, QList<SearchCandidate> candidates);

    // Files of the last search that could not be read: they were left out of
    // the comparison, so the groups may miss them.
    qint64 unreadableCount() const { return m_unreadable; }

private:
    struct Item
    {
        QString path;
        quint64 size = 0;
        FileIdentity identity;
        qint64 modified = 0;
        quint32 mode = 0;
        int photoIndex = -1;
        bool hasSize = false;
        // Identity and size known: the file is checked against them when read.
        bool hasIdentity = false;
        // The walk's facts, time and mode included: the record is built from them.
        bool hasFacts = false;
        bool isApp = false;
    };

    std::optional<Md5Expected> expectedOf(const Item &item) const;

    enum class KeyKind : char { None, Digest, Bundle };

    void digestItems();
    void readBundleIdentifiers();
    QList<int> sameSizeItems() const;
    QList<int> splitByHeadAndTail(const QList<int> &indexes);
    void computeDigests(const QList<int> &indexes);
    void compareItems();
    void buildRecords(const QList<QList<int>> &groups);
    void collectGroup(int headIndex, DuplicateGroup group);
    void postPathOf(int index);
    void reportFinishedInOrder();

    ScanControl *m_control;
    Reporter *m_reporter;
    int m_threads;

    QList<InitialDirectory> *m_photoItems = nullptr;
    QList<Item> m_items;
    // The key of each record: its digest, or its bundle identifier.
    QList<Md5Digest> m_digests;
    QHash<int, QString> m_bundleIdentifiers;
    QList<KeyKind> m_kinds;
    QList<bool> m_finished;
    int m_reportedDone = 0;
    qint64 m_unreadable = 0;
    quint64 m_duplicateBytesFound = 0;
    QList<GroupList> m_categoryLists;
    // Records are built for the members of groups only, in group order.
    QList<DuplicateGroup> m_groupRecords;
};
