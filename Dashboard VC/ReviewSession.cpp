#include "ReviewSession.h"

#include "CopyMatches.h"
#include "ReviewModels.h"

#include <Alert.h>
#include <AutoMarking.h>
#include <CategoryLists.h>
#include <FileFacts.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>

#include <QHash>

#include <algorithm>
#include <numeric>

namespace {

const QString &allDuplicatesName()
{
    static const QString name = QStringLiteral("All Duplicates");
    return name;
}

const char *groupKeyTextKey(ReviewSession::GroupSortKey key)
{
    switch (key) {
    case ReviewSession::GroupSortKey::Size:
        return "IDS_TMR_12";
    case ReviewSession::GroupSortKey::Name:
        return "IDS_TMR_13";
    case ReviewSession::GroupSortKey::Count:
        return "IDS_TMR_14";
    case ReviewSession::GroupSortKey::MarkedCount:
        return "IDS_TMR_15";
    }
    return "IDS_TMR_12";
}

QString sortButtonTitle(const char *keyTextKey)
{
    return localizedString(QStringLiteral("IDS_TMR_18")) + QLatin1Char(' ')
           + localizedString(QString::fromLatin1(keyTextKey)) + QStringLiteral(" \u25BE");
}

// A group's value under a sort key; names compare as texts, the rest as
// numbers. A name stands in a text that holds all the names of one sort, one
// after another: 60,000 names made one by one would stay behind as as many
// small holes in the memory.
struct SortValue
{
    quint64 number = 0;
    const QString *names = nullptr;
    qsizetype from = 0;
    qsizetype length = 0;

    QStringView name() const { return names ? QStringView(*names).mid(from, length) : QStringView(); }
};

SortValue nameValue(QString &names, const QString &name)
{
    SortValue value;
    value.names = &names;
    value.from = names.size();
    value.length = name.size();
    names.append(name);
    return value;
}

// Ascending or descending by one value; a stable sort keeps equal groups in
// the order they had, so the same choice twice gives the same order. Names
// compare as stringLessThan() compares texts.
QList<int> sortedOrder(const QList<SortValue> &values, bool byName, bool descending)
{
    QList<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const SortValue &x = descending ? values.at(b) : values.at(a);
        const SortValue &y = descending ? values.at(a) : values.at(b);
        return byName ? x.name().compare(y.name()) < 0 : x.number < y.number;
    });
    return order;
}

// Puts the element of position newToOld[p] at position p, moving each element once.
template<typename T>
void permute(QList<T> &list, const QList<int> &newToOld)
{
    QList<bool> placed(list.size(), false);
    for (qsizetype start = 0; start < list.size(); ++start) {
        if (placed.at(start))
            continue;
        T first = std::move(list[start]);
        qsizetype position = start;
        for (;;) {
            placed[position] = true;
            const qsizetype from = newToOld.at(position);
            if (from == start) {
                list[position] = std::move(first);
                break;
            }
            list[position] = std::move(list[from]);
            position = from;
        }
    }
}

QList<int> applySortedOrder(QList<FileInfoGroup> &groups, const QList<SortValue> &values, bool byName, bool descending)
{
    const QList<int> order = sortedOrder(values, byName, descending);
    permute(groups, order);
    return order;
}

QList<int> inverse(const QList<int> &newToOld)
{
    QList<int> oldToNew(newToOld.size());
    for (int p = 0; p < newToOld.size(); ++p)
        oldToNew[newToOld.at(p)] = p;
    return oldToNew;
}

} // namespace

ReviewSession::ReviewSession(QObject *parent)
    : QObject(parent)
    , m_categories(new CategoriesModel(this))
    , m_groups(new GroupsModel(this))
    , m_items(new ItemsModel(this))
{
}

ReviewSession::~ReviewSession() = default;

// ---- Selection --------------------------------------------------------------

ReviewSession::View ReviewSession::view() const
{
    if (m_isSelectedCategories)
        return View::MarkedCopies;
    const QList<Categories> &rows = categoryRows();
    const int row = m_categorySelectedRow < 0 ? 0 : m_categorySelectedRow;
    if (row < rows.size() && rows.at(row).name && *rows.at(row).name != allDuplicatesName())
        return View::Category;
    return View::AllDuplicates;
}

bool ReviewSession::selectCategory(int row)
{
    const int n = int(categoryRows().size());
    if (row >= 0 && row < n) {
        m_isSelectedCategories = false;
    } else if (m_categories->showsMarkedRows() && row == m_categories->markedCopiesRow()) {
        m_isSelectedCategories = true;
        takeDisplayedList();
    } else {
        return false;
    }
    m_categorySelectedRow = row;
    m_groupSelectedRow = 0;
    m_itemSelectedRow = 0;
    resetTables();
    emit selectionChanged();
    return true;
}

bool ReviewSession::selectGroup(int row)
{
    if (row < 0 || row >= m_groups->rowCount())
        return false;
    m_groupSelectedRow = row;
    m_itemSelectedRow = 0;
    m_items->resetFromStore();
    emit selectionChanged();
    return true;
}

bool ReviewSession::selectItem(int row)
{
    if (row < 0 || row >= m_items->rowCount())
        return false;
    m_itemSelectedRow = row;
    emit selectionChanged();
    return true;
}

const GroupList *ReviewSession::chosenCategoryGroups() const
{
    return view() == View::Category ? groupsOfCategoryRow(m_categorySelectedRow) : nullptr;
}

const DuplicateGroup *ReviewSession::shownCategoryGroup() const
{
    const GroupList *groups = chosenCategoryGroups();
    if (!groups || m_groupSelectedRow < 0 || m_groupSelectedRow >= groups->size())
        return nullptr;
    return &groups->at(m_groupSelectedRow);
}

const FileInfoGroup *ReviewSession::shownAllDuplicatesGroup() const
{
    if (view() != View::AllDuplicates || categoryRows().isEmpty())
        return nullptr;
    const QList<FileInfoGroup> &groups = allDuplicateGroups();
    if (m_groupSelectedRow < 0 || m_groupSelectedRow >= groups.size())
        return nullptr;
    return &groups.at(m_groupSelectedRow);
}

QString ReviewSession::chosenCategoryName() const
{
    const QList<Categories> &rows = categoryRows();
    if (m_categorySelectedRow < 1 || m_categorySelectedRow >= rows.size() || !rows.at(m_categorySelectedRow).name)
        return QString();
    return normalizedCategoryName(*rows.at(m_categorySelectedRow).name);
}

std::optional<std::pair<CopyKey, CopyLocation>> ReviewSession::shownCopy(int row) const
{
    if (row < 0)
        return std::nullopt;
    if (const DuplicateGroup *group = shownCategoryGroup()) {
        if (row >= group->size())
            return std::nullopt;
        return std::make_pair(copyKey(group->at(row), chosenCategoryName()),
                              CopyLocation{m_categorySelectedRow, m_groupSelectedRow, row});
    }
    if (const FileInfoGroup *group = shownAllDuplicatesGroup()) {
        if (row >= group->size() || !group->at(row))
            return std::nullopt;
        return std::make_pair(copyKey(*group->at(row)), CopyLocation{});
    }
    return std::nullopt;
}

// ---- Sort state ---------------------------------------------------------------

QString ReviewSession::groupSortButtonTitle() const
{
    return sortButtonTitle(groupKeyTextKey(m_groupSortKey));
}

QString ReviewSession::markedSortButtonTitle() const
{
    return sortButtonTitle(m_markedSortKey == MarkedSortKey::Size ? "IDS_TMR_12" : "IDS_TMR_13");
}

// ---- Lookups ------------------------------------------------------------------

std::optional<CopyLocation> ReviewSession::locate(const CopyKey &key)
{
    return m_index.locate(key);
}

bool ReviewSession::isMarkedAt(const std::optional<CopyLocation> &location) const
{
    if (!location)
        return false;
    const QList<QList<int>> *marks = marksOfCategoryRow(location->categoryRow);
    return marks && location->group < marks->size() && marks->at(location->group).contains(location->copy);
}

bool ReviewSession::isMarked(const CopyKey &key)
{
    return isMarkedAt(locate(key));
}

bool ReviewSession::isCopyMarked(int inAllDuplicatesGroupAt)
{
    const QList<FileInfoGroup> &groups = allDuplicateGroups();
    if (m_groupSelectedRow < 0 || m_groupSelectedRow >= groups.size())
        return false;
    const FileInfoGroup &group = groups.at(m_groupSelectedRow);
    if (inAllDuplicatesGroupAt < 0 || inAllDuplicatesGroupAt >= group.size() || !group.at(inAllDuplicatesGroupAt))
        return false;
    return isMarkedAt(m_index.locate(*group.at(inAllDuplicatesGroupAt)));
}

int ReviewSession::markedCopyCount(int ofAllDuplicatesGroup)
{
    const QList<FileInfoGroup> &groups = allDuplicateGroups();
    if (ofAllDuplicatesGroup < 0 || ofAllDuplicatesGroup >= groups.size())
        return 0;
    const FileInfoGroup &group = groups.at(ofAllDuplicatesGroup);
    if (group.isEmpty() || !group.first())
        return 0;
    const std::optional<CopyLocation> location = m_index.locate(*group.first());
    if (!location)
        return 0;
    const QList<QList<int>> *marks = marksOfCategoryRow(location->categoryRow);
    if (!marks || location->group >= marks->size())
        return 0;
    return int(marks->at(location->group).size());
}

QList<ReviewSession::MarkedCopy> ReviewSession::markedCopies() const
{
    QList<MarkedCopy> result;
    for (const CopyLocation &location : markedCopyLocations()) {
        const InitialDirectory *record = recordAt(location);
        const QString category = normalizedCategoryName(*categoryRows().at(location.categoryRow).name);
        result.append(MarkedCopy{location, copyKey(*record, category), *record});
    }
    return result;
}

CopyKey ReviewSession::displayedKey(int row) const
{
    if (row < 0 || row >= m_displayedCategories.size() || row >= m_displayedRows.size())
        return {};
    return copyKey(m_displayedRows.at(row), rawValue(m_displayedCategories.at(row)));
}

int ReviewSession::displayedRowOf(const CopyKey &key) const
{
    // The URL text is made only for rows that agree in everything else.
    const std::optional<ScanResultKeys> category = scanResultKeysFromRawValue(key.category);
    if (!category)
        return -1;
    for (int row = 0; row < m_displayedCategories.size() && row < m_displayedRows.size(); ++row) {
        const InitialDirectory &record = m_displayedRows.at(row);
        if (record.identity == key.identity && m_displayedCategories.at(row) == *category
            && copyKey(record, key.category).url == key.url)
            return row;
    }
    return -1;
}

bool ReviewSession::hasDuplicateGroups() const
{
    return itemCount(allDuplicateGroups()) > 0;
}

namespace {

QString itemsText(int count)
{
    return QString::number(count) + QLatin1Char(' ') + localizedString(QStringLiteral("IDS_TMR_162"));
}

QString sizeText(quint64 bytes)
{
    return formatSize(bytes) + QLatin1Char(' ') + localizedString(QStringLiteral("IDS_TMR_163"));
}

// The whole result, also while a search narrows the store.
const QList<FileInfoGroup> &wholeResult(bool searching)
{
    return searching ? savedAllDuplicateGroups() : allDuplicateGroups();
}

} // namespace

QString ReviewSession::totalItemsText() const
{
    return itemsText(countAndSize(wholeResult(isSearchActive())).first);
}

QString ReviewSession::totalSizeText() const
{
    return sizeText(countAndSize(wholeResult(isSearchActive())).second);
}

// ---- Category list --------------------------------------------------------------

void ReviewSession::rebuildRows()
{
    QList<Categories> &rows = categoryRows();
    rows.clear();
    rows.append(Categories{allDuplicatesName(), allDuplicatesName(), 0});
    for (ScanResultKeys category : categoryListOrder()) {
        const QString name = rawValue(category);
        const GroupList *groups = duplicateResults().find(name);
        if (groups && !groups->isEmpty())
            rows.append(Categories{name, name, 0});
    }
    m_index.invalidate();
    forgetGroupRowsFrom();
    m_categorySelectedRow = 0;
    m_groupSelectedRow = 0;
    m_itemSelectedRow = 0;
    m_isSelectedCategories = false;
}

void ReviewSession::rebuildCategoryRows(bool keepMarks)
{
    rebuildRows();
    rebuildCategoryLists(keepMarks);
    noteAllDuplicatesInRowOrder();
}

namespace {

FileInfoRef firstObjectOf(const QList<FileInfoGroup> &groups)
{
    return groups.isEmpty() || groups.first().isEmpty() ? FileInfoRef() : groups.first().first();
}

} // namespace

bool ReviewSession::AllDuplicatesOrigins::describes(const QList<FileInfoGroup> &groups) const
{
    return size >= 0 && groups.constData() == data && groups.size() == size && firstObjectOf(groups) == first;
}

void ReviewSession::AllDuplicatesOrigins::describe(const QList<FileInfoGroup> &groups)
{
    data = groups.constData();
    size = groups.size();
    first = firstObjectOf(groups);
}

void ReviewSession::noteAllDuplicatesInRowOrder()
{
    // The lists are made category row by category row, group by group.
    AllDuplicatesOrigins origins;
    origins.ofRow.resize(categoryRows().size());
    int next = 0;
    for (int row = 1; row < categoryRows().size(); ++row) {
        if (const GroupList *groups = groupsOfCategoryRow(row)) {
            QList<int> &made = origins.ofRow[row];
            made.resize(groups->size());
            std::iota(made.begin(), made.end(), next);
            next += int(groups->size());
        }
    }
    if (next == allDuplicateGroups().size())
        origins.describe(allDuplicateGroups());
    m_origins = origins;
}

void ReviewSession::moveAllDuplicatesOrigins(bool heldBefore, const QList<QList<int>> &rowOrders,
                                             const QList<int> &allOrder)
{
    if (!heldBefore || allOrder.size() != allDuplicateGroups().size()) {
        m_origins = AllDuplicatesOrigins();
        return;
    }
    const QList<int> allOldToNew = inverse(allOrder);
    for (int row = 0; row < m_origins.ofRow.size(); ++row) {
        QList<int> &made = m_origins.ofRow[row];
        const QList<int> order = row < rowOrders.size() ? rowOrders.at(row) : QList<int>();
        if (!order.isEmpty() && order.size() != made.size()) {
            m_origins = AllDuplicatesOrigins();
            return;
        }
        QList<int> moved(made.size());
        for (int position = 0; position < made.size(); ++position) {
            const int old = order.isEmpty() ? made.at(position) : made.at(order.at(position));
            if (old < 0 || old >= allOldToNew.size()) {
                m_origins = AllDuplicatesOrigins();
                return;
            }
            moved[position] = allOldToNew.at(old);
        }
        made = std::move(moved);
    }
    m_origins.describe(allDuplicateGroups());
}

void ReviewSession::reloadCategories(bool keepMarks)
{
    rebuildCategoryRows(keepMarks);
    if (!keepMarks) {
        // The rows open sorted by size; the title and the menu's check mark
        // say so too, so the button never names a key the order is not in.
        m_groupSortKey = GroupSortKey::Size;
        const bool held = m_origins.describes(allDuplicateGroups());
        QList<QList<int>> orders(categoryRows().size());
        QList<GroupValues> values(categoryRows().size());
        for (int row = 1; row < categoryRows().size(); ++row)
            orders[row] = sortGroupsOfCategoryRow(row, GroupSortKey::Size, &values[row]);
        moveAllDuplicatesOrigins(held, orders, sortAllDuplicateGroups(GroupSortKey::Size, &values));
        emit groupSortTitleChanged(groupSortButtonTitle());
    }
    rebuildMarkedRows();
    takeDisplayedList();
    m_categories->resetFromStore();
    resetTables();
    emit selectionChanged();
}

void ReviewSession::syncCategoriesTable()
{
    rebuildMarkedRows();
    if (m_categories->syncMarkedRows() && m_isSelectedCategories)
        fallBackToFirstRow();
}

void ReviewSession::fallBackToFirstRow()
{
    // The marked-copies row went away under the selection: every table goes
    // back to its first row rather than show a list of a row that is gone.
    m_isSelectedCategories = false;
    m_categorySelectedRow = 0;
    m_groupSelectedRow = 0;
    m_itemSelectedRow = 0;
    resetTables();
    emit selectionChanged();
}

void ReviewSession::updateTrashButton()
{
    emit trashStateChanged(hasMarkedItems());
    updateTotals();
}

void ReviewSession::updateTotals()
{
    // One walk over the 165,000 copies gives both texts.
    const QPair<int, quint64> totals = countAndSize(wholeResult(isSearchActive()));
    emit totalsChanged(itemsText(totals.first), sizeText(totals.second));
}

void ReviewSession::resetTables()
{
    m_groups->resetFromStore();
    m_items->resetFromStore();
}

// ---- Marks --------------------------------------------------------------------------

namespace {

// The last-copy rule: one more mark must leave a copy of the group unmarked.
bool marksLastCopy(const QList<int> &marks, const DuplicateGroup &group)
{
    return marks.size() + 1 >= group.size();
}

} // namespace

bool ReviewSession::updateMarkedList(int category, int group, int copy, bool flag)
{
    const GroupList *groups = groupsOfCategoryRow(category + 1);
    QList<QList<int>> *marks = marksOfCategoryRow(category + 1);
    if (!groups || !marks || group < 0 || group >= marks->size() || group >= groups->size() || copy < 0
        || copy >= groups->at(group).size())
        return false;
    QList<int> &list = (*marks)[group];
    if (list.contains(copy) == flag)
        return true;
    if (!flag) {
        list.removeOne(copy);
        return true;
    }
    if (marksLastCopy(list, groups->at(group)))
        return false;
    list.append(copy);
    return true;
}

struct ReviewSession::MarkChange
{
    CopyProbe probe;
    QString category;
    bool marked = false;
};

// Where the copies of the results a search set aside stand, category by
// category, made on the first mark change of the search.
struct ReviewSession::SearchLookups
{
    struct Category
    {
        CopyMatches matches;
        // Group and copy of each position of `matches`.
        QList<QPair<int, int>> where;
        // The list the positions were read from, to notice a rewrite.
        const DuplicateGroup *data = nullptr;
        qsizetype size = -1;
    };
    QHash<QString, Category> saved;
};

namespace {

bool probeMatches(const CopyProbe &probe, const InitialDirectory &record)
{
    if (probe.identity() && record.identity)
        return *probe.identity() == *record.identity;
    return !probe.urlText().isEmpty() && record.url && probe.urlText() == record.url->toString(QUrl::FullyEncoded);
}

// Past this many changes, a list of marked records is indexed once rather
// than walked for every copy taken out of it.
constexpr qsizetype kChangesWalked = 16;

// Adds records to and takes copies out of one flat list of marked records,
// with the answers of doing it one change at a time: a record is added at the
// end; taking a copy out drops the first record its key matches.
class MarkedListEdit
{
public:
    MarkedListEdit(QList<InitialDirectory> &list, qsizetype changes)
        : m_list(list)
        , m_indexed(changes > kChangesWalked)
    {
    }

    void add(const InitialDirectory &record)
    {
        if (!m_indexed) {
            m_list.append(record);
            return;
        }
        index();
        m_matches.add(record);
        m_added.append(record);
    }

    void takeOut(const CopyProbe &probe)
    {
        if (!m_indexed) {
            const auto it = std::find_if(m_list.begin(), m_list.end(),
                                         [&](const InitialDirectory &record) { return probeMatches(probe, record); });
            if (it != m_list.end())
                m_list.erase(it);
            return;
        }
        index();
        const qsizetype position = m_matches.first(probe);
        if (position >= 0) {
            m_matches.takeOut(position);
            m_tookOutOfList = m_tookOutOfList || position < m_listSize;
        }
    }

    void finish()
    {
        if (!m_built)
            return;
        if (m_tookOutOfList) {
            qsizetype kept = 0;
            for (qsizetype position = 0; position < m_listSize; ++position) {
                if (m_matches.isTakenOut(position))
                    continue;
                if (kept != position)
                    m_list[kept] = std::move(m_list[position]);
                ++kept;
            }
            m_list.erase(m_list.begin() + kept, m_list.end());
        }
        for (qsizetype i = 0; i < m_added.size(); ++i) {
            if (!m_matches.isTakenOut(m_listSize + i))
                m_list.append(m_added.at(i));
        }
    }

private:
    void index()
    {
        if (m_built)
            return;
        m_listSize = m_list.size();
        for (const InitialDirectory &record : std::as_const(m_list))
            m_matches.add(record);
        m_built = true;
    }

    QList<InitialDirectory> &m_list;
    bool m_indexed = false;
    bool m_built = false;
    bool m_tookOutOfList = false;
    qsizetype m_listSize = 0;
    CopyMatches m_matches;
    QList<InitialDirectory> m_added;
};

} // namespace

void ReviewSession::updateMarkedFiles(const CopyKey &key, bool marked)
{
    if (!isSearchActive())
        return;
    mirrorMarks({MarkChange{CopyProbe(key), key.category, marked}});
}

void ReviewSession::mirrorMarks(const QList<MarkChange> &changes)
{
    if (!isSearchActive() || changes.isEmpty())
        return;
    if (!m_searchLookups)
        m_searchLookups = std::make_unique<SearchLookups>();

    // The first entry of each category, as every lookup of the marks decides.
    QHash<QString, MarkedCategories *> entries;
    for (MarkedCategories &entry : m_xAllMarked) {
        if (entry.key && !entries.contains(rawValue(*entry.key)))
            entries.insert(rawValue(*entry.key), &entry);
    }
    // Both lists usually hold the same records; then one edit serves both.
    const bool oneList = m_xAllSelectedFiles.isSharedWith(m_xAllSelectedFilesCopy);
    MarkedListEdit files(m_xAllSelectedFiles, changes.size());
    MarkedListEdit shown(m_xAllSelectedFilesCopy, oneList ? 0 : changes.size());

    for (const MarkChange &change : changes) {
        MarkedCategories *entry = entries.value(change.category);
        const GroupList *saved = savedDuplicateResults().find(change.category);
        if (!entry || !saved)
            continue;
        // The first copy of the whole result with the same identity, as every
        // lookup of the screen decides.
        SearchLookups::Category &lookup = m_searchLookups->saved[change.category];
        if (lookup.data != saved->constData() || lookup.size != saved->size()) {
            lookup = SearchLookups::Category();
            for (int g = 0; g < saved->size(); ++g) {
                const DuplicateGroup &group = saved->at(g);
                for (int j = 0; j < group.size(); ++j) {
                    lookup.matches.add(group.at(j));
                    lookup.where.append({g, j});
                }
            }
            lookup.data = saved->constData();
            lookup.size = saved->size();
        }
        const qsizetype position = lookup.matches.first(change.probe);
        if (position < 0)
            continue;
        const auto [g, j] = lookup.where.at(position);
        if (g >= entry->groupIndexes.size() || g >= saved->size() || j >= saved->at(g).size())
            continue;
        QList<int> &list = entry->groupIndexes[g];
        if (change.marked && !list.contains(j)) {
            list.append(j);
            files.add(saved->at(g).at(j));
            if (!oneList)
                shown.add(saved->at(g).at(j));
        } else if (!change.marked && list.removeOne(j)) {
            files.takeOut(change.probe);
            if (!oneList)
                shown.takeOut(change.probe);
        }
    }
    files.finish();
    if (oneList)
        m_xAllSelectedFilesCopy = m_xAllSelectedFiles;
    else
        shown.finish();
}

bool ReviewSession::setMark(const CopyKey &key, const CopyLocation &hint, bool checked)
{
    const std::optional<CopyLocation> location = m_index.locate(key, hint);
    if (!location)
        return false;
    const GroupList *groups = groupsOfCategoryRow(location->categoryRow);
    QList<QList<int>> *marks = marksOfCategoryRow(location->categoryRow);
    if (!groups || !marks || location->group >= marks->size())
        return false;
    const QList<int> &list = marks->at(location->group);
    if (list.contains(location->copy) == checked)
        return true;
    if (checked && marksLastCopy(list, groups->at(location->group))) {
        // The last unmarked copy of a group is never marked by hand.
        showAlert(localizedString(QStringLiteral("IDS_TMR_52")), QString());
        emit markRefused(key);
        return false;
    }
    if (!updateMarkedList(location->categoryRow - 1, location->group, location->copy, checked))
        return false;
    updateMarkedFiles(key, checked);
    return true;
}

bool ReviewSession::setItemChecked(int row, bool checked)
{
    if (categoryRows().isEmpty())
        return false;
    const auto shown = shownCopy(row);
    if (!shown)
        return false;
    const bool done = setMark(shown->first, shown->second, checked);
    afterMarksChanged(false);
    return done;
}

bool ReviewSession::setMarkedRowChecked(int row, bool checked)
{
    if (categoryRows().isEmpty() || view() != View::MarkedCopies || row < 0 || row >= m_displayedCategories.size())
        return false;
    const bool done = setMark(displayedKey(row), CopyLocation{}, checked);
    afterMarksChanged(true);
    return done;
}

void ReviewSession::deselectAll()
{
    smartCheckAllGroups(SmartCheckMode::DeselectAll);
}

void ReviewSession::afterMarksChanged(bool keepDisplayedList)
{
    const bool retake = !keepDisplayedList || !m_isSelectedCategories;
    CopyKey chosen;
    if (retake) {
        chosen = m_isSelectedCategories ? displayedKey(m_groupSelectedRow) : CopyKey();
        // The list is taken again below: it lets go of the flat list first,
        // so that the rebuilt list (100,000 records after marking
        // everything) never stands beside the old one.
        displayedGroupRows() = QList<InitialDirectory>();
        m_displayedRows = QList<InitialDirectory>();
    }
    syncCategoriesTable();
    // A kept list goes too when the marked-copies row went with the last mark.
    if (retake || !m_isSelectedCategories) {
        if (retake)
            takeDisplayedList(chosen);
        else
            takeDisplayedList();
        if (m_isSelectedCategories)
            m_groups->resetFromStore();
    }
    m_groups->refreshAll();
    m_items->refreshAll();
    updateTrashButton();
    emit marksChanged();
}

namespace {

// Whether two records say the same in every field; copies of one record
// share their texts, so comparing them costs little.
bool sameRecord(const InitialDirectory &a, const InitialDirectory &b)
{
    if (a.identity != b.identity || a.isSelected != b.isSelected || a.isPhotoLibrary != b.isPhotoLibrary
        || a.category != b.category || a.url != b.url || a.name != b.name || a.md5 != b.md5
        || a.photoLibraryProperties != b.photoLibraryProperties || a.file.has_value() != b.file.has_value())
        return false;
    if (!a.file)
        return true;
    const Metadata &x = *a.file;
    const Metadata &y = *b.file;
    return x.size == y.size && x.date == y.date && x.name == y.name && x.icon == y.icon && x.color == y.color
           && x.isFolder == y.isFolder && x.url == y.url && x.isIcon == y.isIcon;
}

// The marked records at the locations, read from the store.
class MarkedRecords
{
public:
    explicit MarkedRecords(const QList<CopyLocation> &locations)
        : m_locations(locations)
    {
    }

    const InitialDirectory &at(qsizetype i)
    {
        const CopyLocation &location = m_locations.at(i);
        if (location.categoryRow >= m_rows.size()) {
            m_rows.resize(location.categoryRow + 1);
            m_categories.resize(location.categoryRow + 1);
        }
        const GroupList *&groups = m_rows[location.categoryRow];
        if (!groups) {
            groups = groupsOfCategoryRow(location.categoryRow);
            m_categories[location.categoryRow] = scanResultKey(normalizedCategoryName(*categoryRows().at(location.categoryRow).name));
        }
        m_last = location.categoryRow;
        return groups->at(location.group).at(location.copy);
    }
    // The category of the record last read, as its row names it.
    ScanResultKeys category() const { return m_categories.at(m_last); }

    // Whether the flat list of marked records holds exactly these records in
    // this order, as it does after every rebuild from the marks; then it can
    // be shared instead of copied.
    bool areHeldBy(const QList<InitialDirectory> &list)
    {
        if (list.size() != m_locations.size())
            return false;
        for (qsizetype i = 0; i < list.size(); ++i) {
            if (!sameRecord(list.at(i), at(i)))
                return false;
        }
        return true;
    }

private:
    const QList<CopyLocation> &m_locations;
    QList<const GroupList *> m_rows;
    QList<ScanResultKeys> m_categories;
    int m_last = 0;
};

} // namespace

void ReviewSession::rebuildMarkedRows()
{
    const QList<CopyLocation> locations = markedCopyLocations();
    MarkedRecords records(locations);
    // A list that already holds these records is shared rather than copied:
    // the flat list as it stands, or the whole result's list a search set aside.
    if (!groupRows().isEmpty() && groupRowsHold(locations)) {
        noteGroupRowsFrom(locations);
        return;
    }
    if (!m_xAllSelectedFiles.isEmpty() && records.areHeldBy(m_xAllSelectedFiles)) {
        groupRows() = m_xAllSelectedFiles;
        noteGroupRowsFrom(locations);
        return;
    }
    groupRows() = QList<InitialDirectory>();
    m_groupRowsNoted = QList<InitialDirectory>();
    QList<InitialDirectory> rows;
    rows.reserve(locations.size());
    for (qsizetype i = 0; i < locations.size(); ++i)
        rows.append(records.at(i));
    groupRows() = std::move(rows);
    noteGroupRowsFrom(locations);
}

void ReviewSession::noteGroupRowsFrom(const QList<CopyLocation> &locations)
{
    m_groupRowsFrom = locations;
    m_groupRowsNoted = groupRows();
}

void ReviewSession::forgetGroupRowsFrom()
{
    m_groupRowsFrom = QList<CopyLocation>();
    m_groupRowsNoted = QList<InitialDirectory>();
}

bool ReviewSession::groupRowsNoted() const
{
    return !m_groupRowsNoted.isEmpty() && groupRows().isSharedWith(m_groupRowsNoted);
}

bool ReviewSession::groupRowsHold(const QList<CopyLocation> &locations)
{
    // Read from these very locations: no need to compare the records one by one.
    if (groupRowsNoted() && m_groupRowsFrom == locations)
        return true;
    MarkedRecords records(locations);
    return records.areHeldBy(groupRows());
}

namespace {

bool locationBefore(const CopyLocation &a, const CopyLocation &b)
{
    return std::tie(a.categoryRow, a.group, a.copy) < std::tie(b.categoryRow, b.group, b.copy);
}

// The positions of the locations, in the order of the locations.
QList<qsizetype> positionsInOrder(const QList<CopyLocation> &locations)
{
    QList<qsizetype> positions(locations.size());
    std::iota(positions.begin(), positions.end(), 0);
    std::sort(positions.begin(), positions.end(),
              [&](qsizetype a, qsizetype b) { return locationBefore(locations.at(a), locations.at(b)); });
    return positions;
}

} // namespace

bool ReviewSession::arrangeGroupRows(const QList<CopyLocation> &target)
{
    if (!groupRowsNoted() || m_groupRowsFrom.size() != target.size())
        return false;
    if (m_groupRowsFrom == target)
        return true;
    // The list holds the records of the target in another order: each
    // record finds its place by its location.
    const QList<qsizetype> now = positionsInOrder(m_groupRowsFrom);
    const QList<qsizetype> wanted = positionsInOrder(target);
    QList<int> newToOld(target.size());
    for (qsizetype k = 0; k < target.size(); ++k) {
        if (!(m_groupRowsFrom.at(now.at(k)) == target.at(wanted.at(k))))
            return false;
        newToOld[wanted.at(k)] = int(now.at(k));
    }
    // Held here no longer, the list is moved in place unless someone else holds it too.
    m_groupRowsNoted = QList<InitialDirectory>();
    permute(groupRows(), newToOld);
    noteGroupRowsFrom(target);
    return true;
}

void ReviewSession::groupsMoved(const QList<QList<int>> &newToOld)
{
    if (!groupRowsNoted())
        return;
    QList<QList<int>> oldToNew(newToOld.size());
    for (qsizetype row = 0; row < newToOld.size(); ++row) {
        if (!newToOld.at(row).isEmpty())
            oldToNew[row] = inverse(newToOld.at(row));
    }
    for (CopyLocation &location : m_groupRowsFrom) {
        if (location.categoryRow < 0 || location.categoryRow >= oldToNew.size()
            || oldToNew.at(location.categoryRow).isEmpty())
            continue;
        const QList<int> &moves = oldToNew.at(location.categoryRow);
        if (location.group < 0 || location.group >= moves.size()) {
            forgetGroupRowsFrom();
            return;
        }
        location.group = moves.at(location.group);
    }
}

void ReviewSession::takeDisplayedList()
{
    takeDisplayedList(m_isSelectedCategories ? displayedKey(m_groupSelectedRow) : CopyKey());
}

void ReviewSession::takeDisplayedList(const CopyKey &chosenKey)
{
    const QList<CopyLocation> locations = markedCopyLocations();
    MarkedRecords records(locations);
    // The list shown before goes first, so that the two never stand side by side.
    displayedGroupRows() = QList<InitialDirectory>();
    m_displayedRows = QList<InitialDirectory>();
    const bool shared = groupRowsHold(locations);
    QList<InitialDirectory> rows;
    if (shared)
        rows = groupRows();
    else
        rows.reserve(locations.size());
    QList<ScanResultKeys> categories;
    categories.reserve(locations.size());
    for (qsizetype i = 0; i < locations.size(); ++i) {
        const InitialDirectory &record = records.at(i);
        if (!shared)
            rows.append(record);
        categories.append(records.category());
    }
    displayedGroupRows() = rows;
    m_displayedRows = rows;
    m_displayedCategories = categories;
    if (m_isSelectedCategories) {
        const int row = displayedRowOf(chosenKey);
        m_groupSelectedRow = row < 0 ? 0 : row;
    }
}

namespace {

// The marks the `isSelected` flags of a category's records say; a group
// flagged whole keeps its last copy unmarked.
QList<QList<int>> marksFromSelectionFlags(const GroupList &groups)
{
    QList<QList<int>> result;
    for (const DuplicateGroup &group : groups) {
        QList<int> indexes;
        for (int j = 0; j < group.size(); ++j) {
            if (group.at(j).isSelected)
                indexes.append(j);
        }
        if (!indexes.isEmpty() && indexes.size() == group.size())
            indexes.removeLast();
        result.append(indexes);
    }
    return result;
}

} // namespace

void ReviewSession::rebuildMarksFromSelectionFlags()
{
    // Row by row, so entry r - 1 always belongs to row r whatever the filter left.
    markedCategories().clear();
    for (int row = 1; row < categoryRows().size(); ++row) {
        MarkedCategories entry;
        entry.key = scanResultKey(categoryRows().at(row).name.value_or(QString()));
        if (const GroupList *groups = groupsOfCategoryRow(row))
            entry.groupIndexes = marksFromSelectionFlags(*groups);
        markedCategories().append(entry);
    }
    rebuildMarkedRows();
    takeDisplayedList();
}

// ---- Automatic marking ----------------------------------------------------------------

namespace {

std::optional<int> keptCopy(ReviewSession::SmartCheckMode mode, const DuplicateGroup &group)
{
    switch (mode) {
    case ReviewSession::SmartCheckMode::KeepNewest:
        return indexOfItemToKeep(true, group);
    case ReviewSession::SmartCheckMode::KeepOldest:
        return indexOfItemToKeep(false, group);
    case ReviewSession::SmartCheckMode::KeepFirst:
        return group.isEmpty() ? std::nullopt : std::optional<int>(0);
    case ReviewSession::SmartCheckMode::DeselectAll:
        break;
    }
    return std::nullopt;
}

} // namespace

void ReviewSession::smartCheckSelectedGroup(SmartCheckMode mode)
{
    if (categoryRows().isEmpty())
        return;
    std::optional<CopyLocation> location;
    switch (view()) {
    case View::MarkedCopies:
        return;
    case View::Category:
        if (shownCategoryGroup())
            location = CopyLocation{m_categorySelectedRow, m_groupSelectedRow, 0};
        break;
    case View::AllDuplicates:
        // The chosen copy names the category group the action works on.
        if (const auto shown = shownCopy(m_itemSelectedRow))
            location = m_index.locate(shown->first);
        break;
    }
    if (!location)
        return;
    const GroupList *groups = groupsOfCategoryRow(location->categoryRow);
    QList<QList<int>> *marks = marksOfCategoryRow(location->categoryRow);
    if (!groups || !marks || location->group >= groups->size() || location->group >= marks->size())
        return;
    const QString category = normalizedCategoryName(*categoryRows().at(location->categoryRow).name);
    const DuplicateGroup &group = groups->at(location->group);
    QList<MarkChange> changes;
    MarkReport report;
    if (isSearchActive()) {
        report = [&](const InitialDirectory &copy, bool marked) {
            changes.append(MarkChange{CopyProbe(copy), category, marked});
        };
    }
    markGroupKeeping(group, (*marks)[location->group], keptCopy(mode, group), report);
    mirrorMarks(changes);
    afterMarksChanged(false);
}

void ReviewSession::smartCheckAllGroups(SmartCheckMode mode)
{
    if (categoryRows().isEmpty())
        return;
    // Only a running search needs to hear of every copy: it mirrors the
    // marks into the results it set aside, all at once afterwards.
    QList<MarkChange> changes;
    for (int row = 1; row < categoryRows().size(); ++row) {
        const QString category = normalizedCategoryName(categoryRows().at(row).name.value_or(QString()));
        MarkReport report;
        if (isSearchActive()) {
            report = [&](const InitialDirectory &copy, bool marked) {
                changes.append(MarkChange{CopyProbe(copy), category, marked});
            };
        }
        switch (mode) {
        case SmartCheckMode::KeepNewest:
            markAllButNewest(row, report);
            break;
        case SmartCheckMode::KeepOldest:
            markAllButOldest(row, report);
            break;
        case SmartCheckMode::KeepFirst:
            markAllButFirst(row, report);
            break;
        case SmartCheckMode::DeselectAll:
            unmarkAllGroups(row, report);
            break;
        }
    }
    mirrorMarks(changes);
    if (mode == SmartCheckMode::DeselectAll) {
        for (MarkedCategories &entry : markedCategories()) {
            for (QList<int> &list : entry.groupIndexes)
                list = QList<int>();
        }
    }
    afterMarksChanged(false);
}

// ---- Sorting ------------------------------------------------------------------------------

struct ReviewSession::GroupValues
{
    QList<SortValue> values;
    QList<qsizetype> sizes;
    QString names;
};

QList<int> ReviewSession::sortGroupsOfCategoryRow(int row, GroupSortKey key, GroupValues *groupValues)
{
    const QList<Categories> &rows = categoryRows();
    if (row < 1 || row >= rows.size() || !rows.at(row).name)
        return {};
    GroupList *groups = duplicateResults().find(normalizedCategoryName(*rows.at(row).name));
    if (!groups)
        return {};
    QList<QList<int>> *marks = marksOfCategoryRow(row);

    // The marks travel with their groups: each list in ascending order, each
    // copy once, none past the group's end. The records are only read, so a
    // store shared with a search's set-aside copy is never copied by a sort.
    const GroupList &source = *groups;
    QString ownNames;
    QString &names = groupValues ? groupValues->names : ownNames;
    QList<SortValue> values;
    values.reserve(source.size());
    // One list of marks per group, whatever the list held before.
    if (marks && marks->size() != source.size())
        marks->resize(source.size());
    for (qsizetype g = 0; g < source.size(); ++g) {
        const DuplicateGroup &group = source.at(g);
        qsizetype marked = 0;
        if (marks && !marks->at(g).isEmpty()) {
            const QList<int> &list = marks->at(g);
            // A list already in that form is kept as it is, not made again.
            bool inForm = true;
            for (qsizetype i = 0; i < list.size() && inForm; ++i)
                inForm = list.at(i) >= 0 && list.at(i) < group.size() && (i == 0 || list.at(i - 1) < list.at(i));
            if (!inForm) {
                QList<int> indexes;
                for (int j = 0; j < group.size(); ++j) {
                    if (list.contains(j))
                        indexes.append(j);
                }
                (*marks)[g] = indexes;
            }
            marked = marks->at(g).size();
        }
        SortValue value;
        switch (key) {
        case GroupSortKey::Size:
            value.number = totalSize(GroupList{group});
            break;
        case GroupSortKey::Name:
            value = nameValue(names, group.isEmpty() ? QString() : sortName(group.first().url));
            break;
        case GroupSortKey::Count:
            value.number = quint64(group.size());
            break;
        case GroupSortKey::MarkedCount:
            value.number = quint64(marked);
            break;
        }
        values.append(value);
    }
    const QList<int> order = sortedOrder(values, key == GroupSortKey::Name, m_isDescendingSort);
    if (groupValues) {
        groupValues->sizes.resize(source.size());
        for (qsizetype g = 0; g < source.size(); ++g)
            groupValues->sizes[g] = source.at(g).size();
        groupValues->values = std::move(values);
    }

    // In place: a sorted copy of each list would leave the old one behind as
    // a hole in the memory.
    permute(*groups, order);
    if (marks)
        permute(*marks, order);
    return order;
}

QList<int> ReviewSession::sortAllDuplicateGroups(GroupSortKey key, const QList<GroupValues> *rowValues)
{
    QList<FileInfoGroup> &groups = allDuplicateGroups();
    QList<SortValue> values;
    values.reserve(groups.size());
    // A group made from a category group has that group's value: the same
    // copies with the same facts, and, when every copy of the store is found
    // at its own place, the same marks. Reading them from there spares a walk
    // through 165,000 objects scattered over the memory (the objects' own
    // marked flags, which only this sort reads, are then left as they are).
    if (rowValues && key != GroupSortKey::Count && m_origins.describes(groups)
        && (key != GroupSortKey::MarkedCount || m_index.eachCopyFindsItself())) {
        values.resize(groups.size());
        QList<bool> given(groups.size(), false);
        for (qsizetype row = 0; row < m_origins.ofRow.size() && row < rowValues->size(); ++row) {
            const QList<int> &made = m_origins.ofRow.at(row);
            const GroupValues &of = rowValues->at(row);
            for (qsizetype g = 0; g < made.size() && g < of.values.size(); ++g) {
                const int i = made.at(g);
                if (i >= 0 && i < groups.size() && groups.at(i).size() == of.sizes.at(g)) {
                    values[i] = of.values.at(g);
                    given[i] = true;
                }
            }
        }
        if (!given.contains(false))
            return applySortedOrder(groups, values, key == GroupSortKey::Name, m_isDescendingSort);
        values.clear();
    }
    CopyIndex::Pass lookups(m_index);
    QString names;
    for (const FileInfoGroup &group : std::as_const(groups)) {
        SortValue value;
        switch (key) {
        case GroupSortKey::Size:
            value.number = totalSize(QList<FileInfoGroup>{group});
            break;
        case GroupSortKey::Name:
            value = nameValue(names, group.isEmpty() || !group.first() ? QString() : sortName(group.first()->url));
            break;
        case GroupSortKey::Count:
            value.number = quint64(group.size());
            break;
        case GroupSortKey::MarkedCount:
            for (const FileInfoRef &info : group) {
                if (info)
                    info->isSelected = isMarkedAt(lookups.locate(*info));
            }
            value.number = quint64(selectedFileCount(group));
            break;
        }
        values.append(value);
    }
    return applySortedOrder(groups, values, key == GroupSortKey::Name, m_isDescendingSort);
}



void ReviewSession::resortGroups(GroupSortKey key)
{
    if (categoryRows().isEmpty())
        return;
    if (key == GroupSortKey::MarkedCount && markedItemCount() <= 0)
        return;

    const View shown = view();
    const bool held = m_origins.describes(allDuplicateGroups());
    QList<int> shownOrder;
    QList<QList<int>> orders(categoryRows().size());
    QList<GroupValues> values(categoryRows().size());
    for (int row = 1; row < categoryRows().size(); ++row) {
        orders[row] = sortGroupsOfCategoryRow(row, key, &values[row]);
        if (shown == View::Category && row == m_categorySelectedRow)
            shownOrder = orders.at(row);
    }
    // The "All Duplicates" counts read the category marks, so the categories go first.
    m_index.groupsMoved(orders);
    groupsMoved(orders);
    const QList<int> allOrder = sortAllDuplicateGroups(key, &values);
    moveAllDuplicatesOrigins(held, orders, allOrder);
    if (shown == View::AllDuplicates)
        shownOrder = allOrder;

    // The chosen group stays chosen wherever it went; its copies keep their order.
    if (!shownOrder.isEmpty()) {
        if (m_groupSelectedRow >= 0 && m_groupSelectedRow < shownOrder.size())
            m_groupSelectedRow = int(inverse(shownOrder).at(m_groupSelectedRow));
        m_groups->applyPermutation(shownOrder);
    }
    m_groups->refreshAll();
    m_items->refreshAll();
    emit selectionChanged();
}

void ReviewSession::sortGroupsBy(GroupSortKey key)
{
    m_groupSortKey = key;
    emit groupSortTitleChanged(groupSortButtonTitle());
    resortGroups(key);
}

void ReviewSession::setGroupSortDescending(bool descending)
{
    m_isDescendingSort = descending;
    resortGroups(m_groupSortKey);
}

void ReviewSession::sortMarkedCopiesBy(MarkedSortKey key)
{
    m_markedSortKey = key;
    emit markedSortTitleChanged(markedSortButtonTitle());
    sortMarkedCopies();
}

void ReviewSession::setMarkedSortDescending(bool descending)
{
    m_isDescendingSortSelected = descending;
    sortMarkedCopies();
}

namespace {

// Rows of two takes of the marked-copies list that have the same key: the
// rows of the earlier take by category and identity (else URL text), so that
// a row of the later one finds its first equal row without a walk.
class EarlierRows
{
public:
    EarlierRows(const QList<InitialDirectory> &rows, const QList<ScanResultKeys> &categories)
        : m_rows(rows)
        , m_next(rows.size(), -1)
    {
        m_byIdentity.reserve(rows.size());
        for (qsizetype row = 0; row < rows.size() && row < categories.size(); ++row) {
            const InitialDirectory &record = rows.at(row);
            if (record.identity)
                link(m_byIdentity[IdentityBucket{*record.identity, categories.at(row)}], row);
            else
                link(m_byUrl[UrlBucket{copyKey(record, QString()).url, categories.at(row)}], row);
        }
    }

    // The first earlier row whose key is the key of `record` in `category`; -1 when none.
    qsizetype firstEqual(const InitialDirectory &record, ScanResultKeys category) const
    {
        const Chain chain = record.identity ? m_byIdentity.value(IdentityBucket{*record.identity, category})
                                            : m_byUrl.value(UrlBucket{copyKey(record, QString()).url, category});
        for (qsizetype row = chain.head; row >= 0; row = m_next.at(row)) {
            // Equal URLs give equal texts; only unequal ones are compared as texts.
            const InitialDirectory &earlier = m_rows.at(row);
            if (earlier.url == record.url || copyKey(earlier, QString()).url == copyKey(record, QString()).url)
                return row;
        }
        return -1;
    }

private:
    struct Chain
    {
        qsizetype head = -1;
        qsizetype tail = -1;
    };
    struct IdentityBucket
    {
        FileIdentity identity;
        ScanResultKeys category = ScanResultKeys::None;

        bool operator==(const IdentityBucket &) const = default;
        friend size_t qHash(const IdentityBucket &bucket, size_t seed = 0)
        {
            return qHashMulti(seed, bucket.identity, int(bucket.category));
        }
    };
    struct UrlBucket
    {
        QString url;
        ScanResultKeys category = ScanResultKeys::None;

        bool operator==(const UrlBucket &) const = default;
        friend size_t qHash(const UrlBucket &bucket, size_t seed = 0)
        {
            return qHashMulti(seed, bucket.url, int(bucket.category));
        }
    };

    void link(Chain &chain, qsizetype row)
    {
        if (chain.head < 0)
            chain.head = row;
        else
            m_next[chain.tail] = row;
        chain.tail = row;
    }

    const QList<InitialDirectory> &m_rows;
    QHash<IdentityBucket, Chain> m_byIdentity;
    QHash<UrlBucket, Chain> m_byUrl;
    QList<qsizetype> m_next;
};

} // namespace

void ReviewSession::sortMarkedCopies()
{
    const QList<CopyLocation> locations = markedCopyLocations();
    MarkedRecords records(locations);
    QString names;
    QList<SortValue> values;
    values.reserve(locations.size());
    for (qsizetype i = 0; i < locations.size(); ++i) {
        const InitialDirectory &record = records.at(i);
        SortValue value;
        // A copy without facts sorts as size 0.
        if (m_markedSortKey == MarkedSortKey::Size)
            value.number = record.file ? record.file->size : 0;
        else
            value = nameValue(names, sortName(record.url));
        values.append(value);
    }
    const QList<int> order = sortedOrder(values, m_markedSortKey == MarkedSortKey::Name, m_isDescendingSortSelected);
    values = QList<SortValue>();
    names = QString();
    QList<CopyLocation> sorted(order.size());
    QList<ScanResultKeys> categories(order.size());
    for (qsizetype p = 0; p < order.size(); ++p) {
        sorted[p] = locations.at(order.at(p));
        records.at(order.at(p));
        categories[p] = records.category();
    }

    // Rows turned off in the list drop out now; a plain reorder moves the rows.
    const CopyKey chosen = displayedKey(m_groupSelectedRow);
    QList<int> newToOld;
    if (m_isSelectedCategories && m_displayedRows.size() == order.size()) {
        const EarlierRows earlier(m_displayedRows, m_displayedCategories);
        QList<bool> taken(m_displayedRows.size(), false);
        for (qsizetype p = 0; p < order.size(); ++p) {
            const qsizetype old = earlier.firstEqual(records.at(order.at(p)), categories.at(p));
            if (old < 0 || taken.at(old))
                break;
            taken[old] = true;
            newToOld.append(int(old));
        }
    }
    const bool moved = m_isSelectedCategories && newToOld.size() == m_displayedRows.size()
                       && m_displayedRows.size() == order.size();

    // The flat list takes the new order in place when it holds these
    // records; else it is read again from the store.
    displayedGroupRows() = QList<InitialDirectory>();
    m_displayedRows = QList<InitialDirectory>();
    if (!arrangeGroupRows(sorted)) {
        forgetGroupRowsFrom();
        groupRows() = QList<InitialDirectory>();
        QList<InitialDirectory> rows;
        rows.reserve(order.size());
        for (int old : order)
            rows.append(records.at(old));
        groupRows() = std::move(rows);
        noteGroupRowsFrom(sorted);
    }
    displayedGroupRows() = groupRows();
    m_displayedRows = groupRows();
    m_displayedCategories = std::move(categories);
    if (!m_isSelectedCategories)
        return;

    const int row = displayedRowOf(chosen);
    m_groupSelectedRow = row < 0 ? 0 : row;
    if (moved)
        m_groups->applyPermutation(newToOld);
    else
        m_groups->resetFromStore();
    emit selectionChanged();
}

// ---- Search ------------------------------------------------------------------------------

bool ReviewSession::isSearchActive() const
{
    return !savedCategoryRows().isEmpty();
}

void ReviewSession::applySearch(const QString &text)
{
    if (text.isEmpty()) {
        clearSearch(text);
        return;
    }
    if (categoryRows().isEmpty())
        return;
    if (!isSearchActive()) {
        // Shallow copies: the records stay shared with the store, which the
        // search only narrows and the sorts only reorder.
        savedDuplicateResults() = duplicateResults();
        savedCategoryRows() = categoryRows();
        savedAllDuplicateGroups() = allDuplicateGroups();
        m_xAllSelectedFilesCopy = displayedGroupRows();
        m_xAllSelectedFiles = groupRows();
        m_xAllMarked = markedCategories();
        m_savedOrigins = m_origins;
        m_searchLookups.reset();
        emit searchStateChanged(true);
    }

    // A plain substring of the name, in any letter case: the text is never a
    // pattern. The kept groups take the marks of the whole result along, in
    // the form the marks always have: ascending, each copy once, none past
    // the group's end, never every copy of a group.
    const QString needle = text.toLower();
    QHash<int, QList<QList<int>>> keptMarks;
    // For each category, the positions in the whole result of the groups kept.
    QHash<int, QList<int>> keptFrom;
    for (ScanResultKeys category : categoryListOrder()) {
        const QString name = rawValue(category);
        const GroupList *saved = savedDuplicateResults().find(name);
        if (!saved || saved->isEmpty())
            continue;
        const auto entry = std::find_if(m_xAllMarked.cbegin(), m_xAllMarked.cend(), [&](const MarkedCategories &e) {
            return e.key && *e.key == category;
        });
        // Room for every group at once: grown step by step, the lists would
        // leave their smaller copies behind as holes in the memory.
        GroupList kept;
        kept.reserve(saved->size());
        QList<QList<int>> marks;
        marks.reserve(saved->size());
        QList<int> &from = keptFrom[int(category)];
        from.reserve(saved->size());
        for (int g = 0; g < saved->size(); ++g) {
            const DuplicateGroup &group = saved->at(g);
            const bool matches = std::any_of(group.cbegin(), group.cend(), [&](const InitialDirectory &copy) {
                return copy.name && copy.name->toLower().contains(needle);
            });
            if (!matches)
                continue;
            QList<int> indexes;
            if (entry != m_xAllMarked.cend() && g < entry->groupIndexes.size()) {
                const QList<int> &list = entry->groupIndexes.at(g);
                for (int j = 0; j < group.size(); ++j) {
                    if (list.contains(j))
                        indexes.append(j);
                }
                if (!indexes.isEmpty() && indexes.size() == group.size())
                    indexes.removeLast();
            }
            kept.append(group);
            marks.append(std::move(indexes));
            from.append(g);
        }
        duplicateResults().setValue(name, kept);
        keptMarks.insert(int(category), std::move(marks));
    }

    rebuildRows();
    rebuildSearchAllDuplicates(keptFrom);
    // Row by row, so entry r - 1 always belongs to row r whatever the filter left.
    markedCategories().clear();
    for (int row = 1; row < categoryRows().size(); ++row) {
        MarkedCategories entry;
        entry.key = scanResultKey(categoryRows().at(row).name.value_or(QString()));
        const auto marks = keptMarks.constFind(int(*entry.key));
        if (const GroupList *groups = groupsOfCategoryRow(row)) {
            if (marks != keptMarks.cend() && marks->size() == groups->size())
                entry.groupIndexes = *marks;
            else
                entry.groupIndexes = marksFromSelectionFlags(*groups);
        }
        markedCategories().append(entry);
    }
    rebuildMarkedRows();
    takeDisplayedList();
    m_categories->resetFromStore();
    resetTables();
    updateTrashButton();
    emit marksChanged();
    emit selectionChanged();
}

namespace {

// Whether the "All Duplicates" objects can stand for the group: as many, and
// the first of them the same file of the same category.
bool standsFor(const FileInfoGroup &objects, const DuplicateGroup &group, ScanResultKeys category)
{
    if (objects.size() != group.size() || group.isEmpty() || !objects.first())
        return false;
    const FileInfo &first = *objects.first();
    const InitialDirectory &record = group.first();
    return first.category == category && first.identity == record.identity && (record.identity || first.url == record.url);
}

} // namespace

void ReviewSession::rebuildSearchAllDuplicates(const QHash<int, QList<int>> &keptFrom)
{
    // As rebuildCategoryLists() makes them, category by category, group by
    // group; a kept group takes the objects the whole result made for it.
    const QList<FileInfoGroup> &whole = savedAllDuplicateGroups();
    const bool known = m_savedOrigins.describes(whole);
    QList<FileInfoGroup> &target = allDuplicateGroups();
    target.clear();
    target.reserve(whole.size());
    for (ScanResultKeys category : categoryListOrder()) {
        const QString name = rawValue(category);
        const GroupList *groups = duplicateResults().find(name);
        if (!groups)
            continue;
        const QList<int> from = keptFrom.value(int(category));
        int savedRow = -1;
        for (int row = 1; known && row < savedCategoryRows().size(); ++row) {
            if (savedCategoryRows().at(row).name == name) {
                savedRow = row;
                break;
            }
        }
        const QList<int> made = savedRow >= 0 && savedRow < m_savedOrigins.ofRow.size()
                                    ? m_savedOrigins.ofRow.at(savedRow)
                                    : QList<int>();
        for (int p = 0; p < groups->size(); ++p) {
            const DuplicateGroup &group = groups->at(p);
            const int g = p < from.size() ? from.at(p) : -1;
            const int k = g >= 0 && g < made.size() ? made.at(g) : -1;
            if (k >= 0 && k < whole.size() && standsFor(whole.at(k), group, category))
                target.append(whole.at(k));
            else
                makeFileInfos(GroupList{group}, category);
        }
    }
    noteAllDuplicatesInRowOrder();
}

void ReviewSession::clearSearch(const QString &text)
{
    if (!text.isEmpty())
        return;
    endSearch();
}

void ReviewSession::endSearch()
{
    if (!isSearchActive())
        return;
    duplicateResults() = savedDuplicateResults();
    categoryRows() = savedCategoryRows();
    allDuplicateGroups() = savedAllDuplicateGroups();
    markedCategories() = m_xAllMarked;
    groupRows() = m_xAllSelectedFiles;
    displayedGroupRows() = m_xAllSelectedFilesCopy;

    savedCategoryRows().clear();
    savedDuplicateResults().removeAll();
    savedAllDuplicateGroups().clear();
    m_xAllSelectedFiles.clear();
    m_xAllSelectedFilesCopy.clear();
    m_xAllMarked.clear();
    m_origins = m_savedOrigins;
    m_savedOrigins = AllDuplicatesOrigins();
    m_searchLookups.reset();

    m_index.invalidate();
    forgetGroupRowsFrom();
    m_categorySelectedRow = 0;
    m_groupSelectedRow = 0;
    m_itemSelectedRow = 0;
    m_isSelectedCategories = false;
    // The flat lists follow the marks in store order, as after any mark change.
    rebuildMarkedRows();
    takeDisplayedList();
    m_categories->resetFromStore();
    resetTables();
    updateTrashButton();
    emit searchStateChanged(false);
    emit marksChanged();
    emit selectionChanged();
}
