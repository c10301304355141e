#pragma once

#include <CategoryLists.h>
#include <Records.h>

#include <QHash>
#include <QMetaType>
#include <QString>

#include <optional>

// Who a copy is, independent of where a sort or a search has put it: its
// category (the raw value that keys the result store) and its file identity,
// else its URL as text.
struct CopyKey
{
    QString category;
    std::optional<FileIdentity> identity;
    QString url;

    // A key without identity and URL names no copy.
    bool isValid() const { return !category.isEmpty() && (identity || !url.isEmpty()); }
    // Same file: equal identities when both carry one, else equal URL texts.
    bool matches(const InitialDirectory &record) const;
    bool operator==(const CopyKey &) const = default;
};

Q_DECLARE_METATYPE(CopyKey)

CopyKey copyKey(const InitialDirectory &record, const QString &category);
// The category of an "All Duplicates" copy is its own `category`.
CopyKey copyKey(const FileInfo &info);

// Finds a copy of the result store by its key. Built from the category rows
// and the store; the first copy with an equal identity, else the first with
// an equal URL, decides. A lookup checks what it finds against the store and
// rebuilds itself when the store has moved on, so a stale index never answers
// a wrong copy.
//
// The index is rebuilt after every sort, search and removal, at 165,000 copies
// and more, so it holds no texts: identities are kept as numbers, and the URL
// texts, which cost far more to make, are only made when a lookup needs them.
class CopyIndex
{
public:
    void invalidate() { m_valid = false; }
    std::optional<CopyLocation> locate(const CopyKey &key);
    // The location when the record there is the key's copy (a cheap hint
    // before the search), else the first match in the store.
    std::optional<CopyLocation> locate(const CopyKey &key, const CopyLocation &hint);
    // The same answer as locate(copyKey(info)), without making the URL text
    // of a copy that carries a file identity.
    std::optional<CopyLocation> locate(const FileInfo &info);
    // Whether every copy of the store is found at its own place: each file
    // stands once in its category and carries an identity.
    bool eachCopyFindsItself();

    // Many lookups in a row, with the store left as it is meanwhile: the
    // category rows are read once rather than at every copy.
    class Pass
    {
    public:
        explicit Pass(CopyIndex &index)
            : m_index(index)
        {
        }
        // The same answer as CopyIndex::locate(info).
        std::optional<CopyLocation> locate(const FileInfo &info);

    private:
        CopyIndex &m_index;
        QList<const GroupList *> m_groups;
        QList<std::optional<ScanResultKeys>> m_categories;
    };

    // The groups of category rows were reordered: entry r of `newToOld`, when
    // not empty, tells for row r which group now stands at each position.
    // The index follows without being made again, unless a file stands twice
    // in a category (then the reorder can change which copy comes first).
    void groupsMoved(const QList<QList<int>> &newToOld);

private:
    // Identity and category to location, the first copy deciding, in one
    // flat table: the index is made again after every search keystroke, and a
    // table of one block leaves no holes behind in the memory.
    class IdentityTable
    {
    public:
        void reset(qsizetype records);
        void clear() { m_slots = QList<Slot>(); }
        // False, and nothing changes, when the key is there already.
        bool insert(const FileIdentity &identity, ScanResultKeys category, const CopyLocation &location);
        std::optional<CopyLocation> find(const FileIdentity &identity, ScanResultKeys category) const;
        // Every group position held, to be changed in place: (row, group).
        template<typename Change>
        void changeGroups(Change change)
        {
            for (Slot &slot : m_slots) {
                if (slot.row > 0)
                    change(slot.row, slot.group);
            }
        }

    private:
        // A slot with row 0 is free: the rows of copies count from 1.
        struct Slot
        {
            FileIdentity identity;
            qint32 row = 0;
            qint32 group = 0;
            qint32 copy = 0;
            quint8 category = 0;
        };
        qsizetype slotOf(const FileIdentity &identity, quint8 category) const;

        QList<Slot> m_slots;
    };
    struct UrlKey
    {
        QString url;
        ScanResultKeys category = ScanResultKeys::None;

        bool operator==(const UrlKey &) const = default;
        friend size_t qHash(const UrlKey &key, size_t seed = 0) { return qHashMulti(seed, key.url, int(key.category)); }
    };

    void rebuild();
    void buildUrls();
    std::optional<CopyLocation> find(const CopyKey &key, ScanResultKeys category);
    std::optional<CopyLocation> checked(const CopyKey &key, ScanResultKeys category);

    IdentityTable m_byIdentity;
    QHash<UrlKey, CopyLocation> m_byUrl;
    // Records of the store without a file identity: only they can be found
    // by URL when the key carries an identity.
    qsizetype m_withoutIdentity = 0;
    // A file identity met twice in one category.
    bool m_repeatedIdentity = false;
    bool m_urlsBuilt = false;
    bool m_valid = false;
};
