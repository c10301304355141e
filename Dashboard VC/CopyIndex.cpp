#include "CopyIndex.h"

#include <ProcessState.h>
#include <ResultQueries.h>

namespace {

QString urlText(const std::optional<QUrl> &url)
{
    return url ? url->toString(QUrl::FullyEncoded) : QString();
}

QString identityText(const QString &category, const FileIdentity &identity)
{
    return category + QLatin1Char('\n') + QString::number(identity.device) + QLatin1Char(':')
           + QString::number(identity.inode);
}

QString urlKeyText(const QString &category, const QString &url)
{
    return category + QLatin1Char('\n') + url;
}

bool sameCategory(const CopyKey &key, const CopyLocation &location)
{
    const QList<Categories> &rows = categoryRows();
    return location.categoryRow >= 1 && location.categoryRow < rows.size() && rows.at(location.categoryRow).name
           && normalizedCategoryName(*rows.at(location.categoryRow).name) == key.category;
}

} // namespace

bool CopyKey::matches(const InitialDirectory &record) const
{
    if (identity && record.identity)
        return *identity == *record.identity;
    return !url.isEmpty() && url == urlText(record.url);
}

CopyKey copyKey(const InitialDirectory &record, const QString &category)
{
    return CopyKey{category, record.identity, urlText(record.url)};
}

CopyKey copyKey(const FileInfo &info)
{
    return CopyKey{info.category ? rawValue(*info.category) : QString(), info.identity, urlText(info.url)};
}

std::optional<CopyLocation> CopyIndex::locate(const CopyKey &key)
{
    if (!key.isValid())
        return std::nullopt;
    if (!m_valid)
        rebuild();
    const auto checked = [&]() -> std::optional<CopyLocation> {
        const std::optional<CopyLocation> found = find(key);
        if (!found)
            return std::nullopt;
        const InitialDirectory *record = recordAt(*found);
        if (record && key.matches(*record) && sameCategory(key, *found))
            return found;
        return std::nullopt;
    };
    if (const std::optional<CopyLocation> found = checked())
        return found;
    // The store may have changed behind the index (a removal run): look again.
    rebuild();
    return checked();
}

std::optional<CopyLocation> CopyIndex::locate(const CopyKey &key, const CopyLocation &hint)
{
    const InitialDirectory *record = recordAt(hint);
    if (key.isValid() && record && key.matches(*record) && sameCategory(key, hint))
        return hint;
    return locate(key);
}

void CopyIndex::rebuild()
{
    m_byIdentity.clear();
    m_byUrl.clear();
    const QList<Categories> &rows = categoryRows();
    for (int row = 1; row < rows.size(); ++row) {
        const GroupList *groups = groupsOfCategoryRow(row);
        if (!groups)
            continue;
        const QString category = normalizedCategoryName(*rows.at(row).name);
        for (int g = 0; g < groups->size(); ++g) {
            const DuplicateGroup &group = groups->at(g);
            for (int j = 0; j < group.size(); ++j) {
                const InitialDirectory &record = group.at(j);
                const CopyLocation location{row, g, j};
                // The first copy decides, as every lookup of the screen does.
                if (record.identity) {
                    const QString text = identityText(category, *record.identity);
                    if (!m_byIdentity.contains(text))
                        m_byIdentity.insert(text, location);
                }
                const QString url = urlText(record.url);
                if (!url.isEmpty() && !m_byUrl.contains(urlKeyText(category, url)))
                    m_byUrl.insert(urlKeyText(category, url), location);
            }
        }
    }
    m_valid = true;
}

std::optional<CopyLocation> CopyIndex::find(const CopyKey &key) const
{
    if (key.identity) {
        const auto it = m_byIdentity.constFind(identityText(key.category, *key.identity));
        if (it != m_byIdentity.cend())
            return *it;
    }
    const auto it = m_byUrl.constFind(urlKeyText(key.category, key.url));
    if (it != m_byUrl.cend())
        return *it;
    return std::nullopt;
}
