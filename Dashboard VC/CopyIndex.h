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
class CopyIndex
{
public:
    void invalidate() { m_valid = false; }
    std::optional<CopyLocation> locate(const CopyKey &key);
    // The location when the record there is the key's copy (a cheap hint
    // before the search), else the first match in the store.
    std::optional<CopyLocation> locate(const CopyKey &key, const CopyLocation &hint);

private:
    void rebuild();
    std::optional<CopyLocation> find(const CopyKey &key) const;

    QHash<QString, CopyLocation> m_byIdentity;
    QHash<QString, CopyLocation> m_byUrl;
    bool m_valid = false;
};
