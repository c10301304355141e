#pragma once

#include "CopyIndex.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QUrl>

#include <optional>

// What a lookup knows of the copy it looks for: its file identity, and its
// URL, whose text is made only when a lookup needs it.
class CopyProbe
{
public:
    explicit CopyProbe(const CopyKey &key);
    explicit CopyProbe(const InitialDirectory &record);

    const std::optional<FileIdentity> &identity() const { return m_identity; }
    const QString &urlText() const;

private:
    std::optional<FileIdentity> m_identity;
    std::optional<QUrl> m_url;
    mutable std::optional<QString> m_urlText;
};

// The first record of a flat list that a key matches (CopyKey::matches),
// found without walking the list. A running search asks this for every copy
// an automatic marking reports, over lists of 100,000 records and more.
// Records are added at the end and can be taken out; a lookup passes over
// those taken out.
class CopyMatches
{
public:
    // The record's position: positions count up from 0 in the order of adding.
    qsizetype add(const InitialDirectory &record);
    // The first position not taken out whose record the probe matches; -1
    // when there is none.
    qsizetype first(const CopyProbe &probe);
    void takeOut(qsizetype position);
    bool isTakenOut(qsizetype position) const { return m_takenOut.at(position); }
    qsizetype size() const { return m_takenOut.size(); }

private:
    // Positions that share a key, in ascending order, linked through `next`.
    struct Chain
    {
        qsizetype head = -1;
        qsizetype tail = -1;
    };
    template<typename Key>
    void link(QHash<Key, Chain> &chains, QList<qsizetype> &next, const Key &key, qsizetype position);
    template<typename Key>
    qsizetype firstLeft(QHash<Key, Chain> &chains, const QList<qsizetype> &next, const Key &key);
    void buildUrls();

    QList<bool> m_takenOut;
    QList<std::optional<QUrl>> m_urls;
    // By identity, the records that carry one.
    QHash<FileIdentity, Chain> m_byIdentity;
    QList<qsizetype> m_nextByIdentity;
    // By URL text, the records without an identity: a key with an identity
    // matches them by URL.
    QHash<QString, Chain> m_byUrlWithoutIdentity;
    QList<qsizetype> m_nextByUrlWithoutIdentity;
    qsizetype m_withoutIdentity = 0;
    // By URL text, every record: a key without an identity matches any record
    // by URL. Made on the first such question.
    QHash<QString, Chain> m_byUrl;
    QList<qsizetype> m_nextByUrl;
    bool m_urlsBuilt = false;
};
