#include "CopyIndex.h"

#include <ProcessState.h>
#include <ResultQueries.h>

namespace {

QString urlText(const std::optional<QUrl> &url)
{
    return url ? url->toString(QUrl::FullyEncoded) : QString();
}

// The category a key names, as the rows name theirs: one of the seven, or
// "None" for a row whose name is none of them. Any other text names no row.
std::optional<ScanResultKeys> categoryOf(const QString &category)
{
    return scanResultKeysFromRawValue(category);
}

ScanResultKeys categoryOfRow(int row)
{
    const QList<Categories> &rows = categoryRows();
    return scanResultKey(normalizedCategoryName(*rows.at(row).name));
}

// Calls visit(location, category, record) for every copy of the store, row
// by row, group by group.
template<typename Visit>
void forEachCopy(Visit visit)
{
    const QList<Categories> &rows = categoryRows();
    for (int row = 1; row < rows.size(); ++row) {
        const GroupList *groups = groupsOfCategoryRow(row);
        if (!groups)
            continue;
        const ScanResultKeys category = categoryOfRow(row);
        for (int g = 0; g < groups->size(); ++g) {
            const DuplicateGroup &group = groups->at(g);
            for (int j = 0; j < group.size(); ++j)
                visit(CopyLocation{row, g, j}, category, group.at(j));
        }
    }
}

bool sameCategory(ScanResultKeys category, const CopyLocation &location)
{
    const QList<Categories> &rows = categoryRows();
    return location.categoryRow >= 1 && location.categoryRow < rows.size() && rows.at(location.categoryRow).name
           && categoryOfRow(location.categoryRow) == category;
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
    const std::optional<ScanResultKeys> category = categoryOf(key.category);
    if (!category)
        return std::nullopt;
    if (!m_valid)
        rebuild();
    if (const std::optional<CopyLocation> found = checked(key, *category))
        return found;
    // The store may have changed behind the index (a removal run): look again.
    rebuild();
    return checked(key, *category);
}

std::optional<CopyLocation> CopyIndex::locate(const CopyKey &key, const CopyLocation &hint)
{
    const InitialDirectory *record = recordAt(hint);
    const std::optional<ScanResultKeys> category = categoryOf(key.category);
    if (key.isValid() && record && category && key.matches(*record) && sameCategory(*category, hint))
        return hint;
    return locate(key);
}

std::optional<CopyLocation> CopyIndex::locate(const FileInfo &info)
{
    if (info.identity && info.category) {
        if (!m_valid)
            rebuild();
        if (const std::optional<CopyLocation> found = m_byIdentity.find(*info.identity, *info.category)) {
            const InitialDirectory *record = recordAt(*found);
            if (record && record->identity == info.identity && sameCategory(*info.category, *found))
                return *found;
        }
    }
    // Whatever the quick way could not settle goes the whole way.
    return locate(copyKey(info));
}

std::optional<CopyLocation> CopyIndex::Pass::locate(const FileInfo &info)
{
    if (info.identity && info.category) {
        if (!m_index.m_valid)
            m_index.rebuild();
        if (const std::optional<CopyLocation> found = m_index.m_byIdentity.find(*info.identity, *info.category)) {
            const CopyLocation &location = *found;
            const QList<Categories> &rows = categoryRows();
            if (location.categoryRow >= 1 && location.categoryRow < rows.size()) {
                if (m_groups.size() < rows.size()) {
                    m_groups.resize(rows.size(), nullptr);
                    m_categories.resize(rows.size());
                }
                if (!m_categories.at(location.categoryRow)) {
                    m_groups[location.categoryRow] = groupsOfCategoryRow(location.categoryRow);
                    m_categories[location.categoryRow] =
                        rows.at(location.categoryRow).name ? categoryOfRow(location.categoryRow) : ScanResultKeys::None;
                }
                const GroupList *groups = m_groups.at(location.categoryRow);
                if (groups && rows.at(location.categoryRow).name && *m_categories.at(location.categoryRow) == *info.category
                    && location.group >= 0 && location.group < groups->size() && location.copy >= 0
                    && location.copy < groups->at(location.group).size()
                    && groups->at(location.group).at(location.copy).identity == info.identity)
                    return location;
            }
        }
    }
    return m_index.locate(copyKey(info));
}

void CopyIndex::IdentityTable::reset(qsizetype records)
{
    // At most three quarters full, so that a lookup ends after a step or two.
    qsizetype size = 16;
    while (size * 3 < records * 4)
        size *= 2;
    m_slots = QList<Slot>();
    m_slots.resize(size);
}

qsizetype CopyIndex::IdentityTable::slotOf(const FileIdentity &identity, quint8 category) const
{
    const qsizetype mask = m_slots.size() - 1;
    qsizetype slot = qsizetype(qHashMulti(0, identity, category)) & mask;
    while (m_slots.at(slot).row > 0
           && !(m_slots.at(slot).identity == identity && m_slots.at(slot).category == category))
        slot = (slot + 1) & mask;
    return slot;
}

bool CopyIndex::IdentityTable::insert(const FileIdentity &identity, ScanResultKeys category,
                                      const CopyLocation &location)
{
    const qsizetype slot = slotOf(identity, quint8(category));
    if (m_slots.at(slot).row > 0)
        return false;
    m_slots[slot] = Slot{identity, location.categoryRow, location.group, location.copy, quint8(category)};
    return true;
}

std::optional<CopyLocation> CopyIndex::IdentityTable::find(const FileIdentity &identity, ScanResultKeys category) const
{
    if (m_slots.isEmpty())
        return std::nullopt;
    const Slot &slot = m_slots.at(slotOf(identity, quint8(category)));
    if (slot.row <= 0)
        return std::nullopt;
    return CopyLocation{slot.row, slot.group, slot.copy};
}

void CopyIndex::rebuild()
{
    m_byIdentity.clear();
    m_byUrl.clear();
    m_urlsBuilt = false;
    m_withoutIdentity = 0;
    m_repeatedIdentity = false;
    const QList<Categories> &rows = categoryRows();
    // Made at its full size at once: growing it step by step would leave
    // the smaller tables behind as holes in the memory.
    qsizetype records = 0;
    for (int row = 1; row < rows.size(); ++row) {
        if (const GroupList *groups = groupsOfCategoryRow(row)) {
            for (const DuplicateGroup &group : *groups)
                records += group.size();
        }
    }
    m_byIdentity.reset(records);
    forEachCopy([&](const CopyLocation &location, ScanResultKeys category, const InitialDirectory &record) {
        // The first copy decides, as every lookup of the screen does.
        if (!record.identity)
            ++m_withoutIdentity;
        else if (!m_byIdentity.insert(*record.identity, category, location))
            m_repeatedIdentity = true;
    });
    m_valid = true;
}

bool CopyIndex::eachCopyFindsItself()
{
    if (!m_valid)
        rebuild();
    return !m_repeatedIdentity && m_withoutIdentity == 0;
}

void CopyIndex::groupsMoved(const QList<QList<int>> &newToOld)
{
    if (!m_valid)
        return;
    if (m_repeatedIdentity) {
        m_valid = false;
        return;
    }
    QList<QList<int>> oldToNew(newToOld.size());
    for (qsizetype row = 0; row < newToOld.size(); ++row) {
        const QList<int> &order = newToOld.at(row);
        oldToNew[row].resize(order.size());
        for (int position = 0; position < order.size(); ++position)
            oldToNew[row][order.at(position)] = position;
    }
    bool moved = true;
    m_byIdentity.changeGroups([&](qint32 row, qint32 &group) {
        if (row >= oldToNew.size())
            return;
        const QList<int> &moves = oldToNew.at(row);
        if (moves.isEmpty())
            return;
        if (group < 0 || group >= moves.size()) {
            moved = false;
            return;
        }
        group = moves.at(group);
    });
    if (!moved) {
        m_valid = false;
        return;
    }
    // The URLs are found again when next asked for.
    m_byUrl.clear();
    m_urlsBuilt = false;
}

void CopyIndex::buildUrls()
{
    forEachCopy([&](const CopyLocation &location, ScanResultKeys category, const InitialDirectory &record) {
        const UrlKey key{urlText(record.url), category};
        if (!key.url.isEmpty() && !m_byUrl.contains(key))
            m_byUrl.insert(key, location);
    });
    m_urlsBuilt = true;
}

std::optional<CopyLocation> CopyIndex::find(const CopyKey &key, ScanResultKeys category)
{
    if (key.identity) {
        if (const std::optional<CopyLocation> found = m_byIdentity.find(*key.identity, category))
            return found;
        // A copy found by URL must lack an identity to match a key that has
        // one: with every record carrying one, no URL can answer.
        if (m_withoutIdentity == 0)
            return std::nullopt;
    }
    if (key.url.isEmpty())
        return std::nullopt;
    if (!m_urlsBuilt)
        buildUrls();
    const auto it = m_byUrl.constFind(UrlKey{key.url, category});
    if (it != m_byUrl.cend())
        return *it;
    return std::nullopt;
}

std::optional<CopyLocation> CopyIndex::checked(const CopyKey &key, ScanResultKeys category)
{
    const std::optional<CopyLocation> found = find(key, category);
    if (!found)
        return std::nullopt;
    const InitialDirectory *record = recordAt(*found);
    if (record && key.matches(*record) && sameCategory(category, *found))
        return found;
    return std::nullopt;
}
