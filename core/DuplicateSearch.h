#pragma once

#include "ProcessState.h"
#include "Records.h"

#include <QList>
#include <QString>

class ScanControl;

// One file that passed the filters of a run.
struct SearchCandidate
{
    QString path;
    quint64 size = 0;
    FileIdentity identity;
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
    ResultDictionary findDuplicates(QList<InitialDirectory> &photoItems, const QList<SearchCandidate> &candidates);

private:
    struct Item
    {
        QString path;
        quint64 size = 0;
        bool hasSize = false;
        bool isApp = false;
        int photoIndex = -1;
        int candidateIndex = -1;
    };

    enum class KeyKind : char { None, Digest, Bundle };

    void digestItems();
    void readBundleIdentifiers();
    QList<int> sameSizeItems() const;
    QList<int> splitByHeadAndTail(const QList<int> &indexes);
    void computeDigests(const QList<int> &indexes);
    void compareItems();
    void collectGroup(int headIndex, const QList<int> &members);
    void postPathOf(int index);

    ScanControl *m_control;
    Reporter *m_reporter;
    int m_threads;

    QList<InitialDirectory> *m_photoItems = nullptr;
    const QList<SearchCandidate> *m_candidates = nullptr;
    QList<Item> m_items;
    QList<QString> m_keys;
    QList<KeyKind> m_kinds;
    QList<bool> m_finished;
    int m_reportedDone = 0;
    quint64 m_duplicateBytesFound = 0;
    QList<GroupList> m_categoryLists;
};
