#include "CopyMatches.h"

namespace {

QString urlText(const std::optional<QUrl> &url)
{
    return url ? url->toString(QUrl::FullyEncoded) : QString();
}

} // namespace

CopyProbe::CopyProbe(const CopyKey &key)
    : m_identity(key.identity)
    , m_urlText(key.url)
{
}

CopyProbe::CopyProbe(const InitialDirectory &record)
    : m_identity(record.identity)
    , m_url(record.url)
{
}

const QString &CopyProbe::urlText() const
{
    if (!m_urlText)
        m_urlText = ::urlText(m_url);
    return *m_urlText;
}

template<typename Key>
void CopyMatches::link(QHash<Key, Chain> &chains, QList<qsizetype> &next, const Key &key, qsizetype position)
{
    Chain &chain = chains[key];
    if (chain.head < 0) {
        chain.head = position;
    } else {
        next[chain.tail] = position;
    }
    chain.tail = position;
}

template<typename Key>
qsizetype CopyMatches::firstLeft(QHash<Key, Chain> &chains, const QList<qsizetype> &next, const Key &key)
{
    const auto it = chains.find(key);
    if (it == chains.end())
        return -1;
    // Positions taken out are dropped from the front as they are met, so a
    // long run of removals costs one step each.
    Chain &chain = *it;
    while (chain.head >= 0 && m_takenOut.at(chain.head))
        chain.head = next.at(chain.head);
    if (chain.head < 0)
        chain.tail = -1;
    return chain.head;
}

qsizetype CopyMatches::add(const InitialDirectory &record)
{
    const qsizetype position = m_takenOut.size();
    m_takenOut.append(false);
    m_urls.append(record.url);
    m_nextByIdentity.append(-1);
    m_nextByUrlWithoutIdentity.append(-1);
    if (m_urlsBuilt)
        m_nextByUrl.append(-1);
    if (record.identity) {
        link(m_byIdentity, m_nextByIdentity, *record.identity, position);
    } else {
        ++m_withoutIdentity;
        const QString text = urlText(record.url);
        if (!text.isEmpty())
            link(m_byUrlWithoutIdentity, m_nextByUrlWithoutIdentity, text, position);
    }
    if (m_urlsBuilt) {
        const QString text = urlText(record.url);
        if (!text.isEmpty())
            link(m_byUrl, m_nextByUrl, text, position);
    }
    return position;
}

void CopyMatches::buildUrls()
{
    m_nextByUrl.fill(-1, m_urls.size());
    for (qsizetype position = 0; position < m_urls.size(); ++position) {
        const QString text = urlText(m_urls.at(position));
        if (!text.isEmpty())
            link(m_byUrl, m_nextByUrl, text, position);
    }
    m_urlsBuilt = true;
}

qsizetype CopyMatches::first(const CopyProbe &probe)
{
    if (!probe.identity()) {
        // Without an identity a key matches any record by URL.
        if (probe.urlText().isEmpty())
            return -1;
        if (!m_urlsBuilt)
            buildUrls();
        return firstLeft(m_byUrl, m_nextByUrl, probe.urlText());
    }
    const qsizetype byIdentity = firstLeft(m_byIdentity, m_nextByIdentity, *probe.identity());
    if (m_withoutIdentity == 0 || probe.urlText().isEmpty())
        return byIdentity;
    const qsizetype byUrl = firstLeft(m_byUrlWithoutIdentity, m_nextByUrlWithoutIdentity, probe.urlText());
    if (byIdentity < 0)
        return byUrl;
    return byUrl < 0 ? byIdentity : std::min(byIdentity, byUrl);
}

void CopyMatches::takeOut(qsizetype position)
{
    if (position >= 0 && position < m_takenOut.size())
        m_takenOut[position] = true;
}
