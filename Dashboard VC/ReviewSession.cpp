#include "ReviewSession.h"

#include "ReviewModels.h"

#include <Alert.h>
#include <AutoMarking.h>
#include <CategoryLists.h>
#include <FileFacts.h>
#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>

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

// A group's value under a sort key; names compare as texts, the rest as numbers.
struct SortValue
{
    quint64 number = 0;
    QString name;
};

// Ascending or descending by one value; a stable sort keeps equal groups in
// the order they had, so the same choice twice gives the same order.
QList<int> sortedOrder(const QList<SortValue> &values, bool byName, bool descending)
{
    QList<int> order(values.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const SortValue &x = descending ? values.at(b) : values.at(a);
        const SortValue &y = descending ? values.at(a) : values.at(b);
        return byName ? stringLessThan(x.name, y.name) : x.number < y.number;
    });
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

bool ReviewSession::isMarked(const CopyKey &key)
{
    const std::optional<CopyLocation> location = locate(key);
    if (!location)
        return false;
    const QList<QList<int>> *marks = marksOfCategoryRow(location->categoryRow);
    return marks && location->group < marks->size() && marks->at(location->group).contains(location->copy);
}

bool ReviewSession::isCopyMarked(int inAllDuplicatesGroupAt)
{
    const QList<FileInfoGroup> &groups = allDuplicateGroups();
    if (m_groupSelectedRow < 0 || m_groupSelectedRow >= groups.size())
        return false;
    const FileInfoGroup &group = groups.at(m_groupSelectedRow);
    if (inAllDuplicatesGroupAt < 0 || inAllDuplicatesGroupAt >= group.size() || !group.at(inAllDuplicatesGroupAt))
        return false;
    return isMarked(copyKey(*group.at(inAllDuplicatesGroupAt)));
}

int ReviewSession::markedCopyCount(int ofAllDuplicatesGroup)
{
    const QList<FileInfoGroup> &groups = allDuplicateGroups();
    if (ofAllDuplicatesGroup < 0 || ofAllDuplicatesGroup >= groups.size())
        return 0;
    const FileInfoGroup &group = groups.at(ofAllDuplicatesGroup);
    if (group.isEmpty() || !group.first())
        return 0;
    const std::optional<CopyLocation> location = locate(copyKey(*group.first()));
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
    if (row < 0 || row >= m_displayedKeys.size())
        return {};
    return m_displayedKeys.at(row);
}

bool ReviewSession::hasDuplicateGroups() const
{
    return itemCount(allDuplicateGroups()) > 0;
}

QString ReviewSession::totalItemsText() const
{
    const QList<FileInfoGroup> &source = isSearchActive() ? savedAllDuplicateGroups() : allDuplicateGroups();
    return QString::number(countAndSize(source).first) + QLatin1Char(' ')
           + localizedString(QStringLiteral("IDS_TMR_162"));
}

QString ReviewSession::totalSizeText() const
{
    const QList<FileInfoGroup> &source = isSearchActive() ? savedAllDuplicateGroups() : allDuplicateGroups();
    return formatSize(countAndSize(source).second) + QLatin1Char(' ')
           + localizedString(QStringLiteral("IDS_TMR_163"));
}

// ---- Category list --------------------------------------------------------------

void ReviewSession::rebuildCategoryRows(bool keepMarks)
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
    rebuildCategoryLists(keepMarks);
    m_index.invalidate();
    m_categorySelectedRow = 0;
    m_groupSelectedRow = 0;
    m_itemSelectedRow = 0;
    m_isSelectedCategories = false;
}

void ReviewSession::reloadCategories(bool keepMarks)
{
    rebuildCategoryRows(keepMarks);
    if (!keepMarks) {
        // The rows open sorted by size; the title and the menu's check mark
        // say so too, so the button never names a key the order is not in.
        m_groupSortKey = GroupSortKey::Size;
        for (int row = 1; row < categoryRows().size(); ++row)
            sortGroupsOfCategoryRow(row, GroupSortKey::Size);
        sortAllDuplicateGroups(GroupSortKey::Size);
        emit groupSortTitleChanged(groupSortButtonTitle());
    }
    rebuildGroupRows();
    takeDisplayedList();
    m_categories->resetFromStore();
    resetTables();
    emit selectionChanged();
}

void ReviewSession::syncCategoriesTable()
{
    rebuildGroupRows();
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
    emit totalsChanged(totalItemsText(), totalSizeText());
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

void ReviewSession::updateMarkedFiles(const CopyKey &key, bool marked)
{
    if (!isSearchActive())
        return;
    const auto entry = std::find_if(m_xAllMarked.begin(), m_xAllMarked.end(), [&](const MarkedCategories &e) {
        return e.key && rawValue(*e.key) == key.category;
    });
    const GroupList *saved = savedDuplicateResults().find(key.category);
    if (entry == m_xAllMarked.end() || !saved)
        return;

    // The first copy of the whole result with the same identity, as every
    // lookup of the screen decides.
    for (int g = 0; g < saved->size(); ++g) {
        const DuplicateGroup &group = saved->at(g);
        for (int j = 0; j < group.size(); ++j) {
            if (!key.matches(group.at(j)))
                continue;
            if (g >= entry->groupIndexes.size())
                return;
            QList<int> &list = entry->groupIndexes[g];
            const auto sameCopy = [&](const InitialDirectory &record) { return key.matches(record); };
            if (marked && !list.contains(j)) {
                list.append(j);
                m_xAllSelectedFiles.append(group.at(j));
                m_xAllSelectedFilesCopy.append(group.at(j));
            } else if (!marked && list.removeOne(j)) {
                const auto drop = [&](QList<InitialDirectory> &records) {
                    const auto it = std::find_if(records.begin(), records.end(), sameCopy);
                    if (it != records.end())
                        records.erase(it);
                };
                drop(m_xAllSelectedFiles);
                drop(m_xAllSelectedFilesCopy);
            }
            return;
        }
    }
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
    if (categoryRows().isEmpty() || view() != View::MarkedCopies || row < 0 || row >= m_displayedKeys.size())
        return false;
    const bool done = setMark(m_displayedKeys.at(row), CopyLocation{}, checked);
    afterMarksChanged(true);
    return done;
}

void ReviewSession::deselectAll()
{
    smartCheckAllGroups(SmartCheckMode::DeselectAll);
}

void ReviewSession::afterMarksChanged(bool keepDisplayedList)
{
    syncCategoriesTable();
    if (!keepDisplayedList || !m_isSelectedCategories) {
        takeDisplayedList();
        if (m_isSelectedCategories)
            m_groups->resetFromStore();
    }
    m_groups->refreshAll();
    m_items->refreshAll();
    updateTrashButton();
    emit marksChanged();
}

void ReviewSession::takeDisplayedList()
{
    const CopyKey chosen = m_isSelectedCategories ? displayedKey(m_groupSelectedRow) : CopyKey();
    QList<InitialDirectory> &displayed = displayedGroupRows();
    displayed.clear();
    m_displayedKeys.clear();
    for (const MarkedCopy &copy : markedCopies()) {
        displayed.append(copy.record);
        m_displayedKeys.append(copy.key);
    }
    if (m_isSelectedCategories) {
        const qsizetype row = m_displayedKeys.indexOf(chosen);
        m_groupSelectedRow = row < 0 ? 0 : int(row);
    }
}

void ReviewSession::rebuildMarksFromSelectionFlags()
{
    // Row by row, so entry r - 1 always belongs to row r whatever the filter left.
    markedCategories().clear();
    for (int row = 1; row < categoryRows().size(); ++row) {
        MarkedCategories entry;
        entry.key = scanResultKey(categoryRows().at(row).name.value_or(QString()));
        if (const GroupList *groups = groupsOfCategoryRow(row)) {
            for (const DuplicateGroup &group : *groups) {
                QList<int> indexes;
                for (int j = 0; j < group.size(); ++j) {
                    if (group.at(j).isSelected)
                        indexes.append(j);
                }
                if (!indexes.isEmpty() && indexes.size() == group.size())
                    indexes.removeLast();
                entry.groupIndexes.append(indexes);
            }
        }
        markedCategories().append(entry);
    }
    rebuildGroupRows();
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
    markGroupKeeping(group, (*marks)[location->group], keptCopy(mode, group),
                     [&](const InitialDirectory &copy, bool marked) {
                         updateMarkedFiles(copyKey(copy, category), marked);
                     });
    afterMarksChanged(false);
}

void ReviewSession::smartCheckAllGroups(SmartCheckMode mode)
{
    if (categoryRows().isEmpty())
        return;
    for (int row = 1; row < categoryRows().size(); ++row) {
        const QString category = normalizedCategoryName(categoryRows().at(row).name.value_or(QString()));
        const MarkReport report = [&](const InitialDirectory &copy, bool marked) {
            updateMarkedFiles(copyKey(copy, category), marked);
        };
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
    if (mode == SmartCheckMode::DeselectAll) {
        for (MarkedCategories &entry : markedCategories()) {
            for (QList<int> &list : entry.groupIndexes)
                list = QList<int>();
        }
    }
    afterMarksChanged(false);
}

// ---- Sorting ------------------------------------------------------------------------------

QList<int> ReviewSession::sortGroupsOfCategoryRow(int row, GroupSortKey key)
{
    const QList<Categories> &rows = categoryRows();
    if (row < 1 || row >= rows.size() || !rows.at(row).name)
        return {};
    GroupList *groups = duplicateResults().find(normalizedCategoryName(*rows.at(row).name));
    if (!groups)
        return {};
    QList<QList<int>> *marks = marksOfCategoryRow(row);

    // The marks ride on the records across the reorder.
    QList<SortValue> values;
    for (int g = 0; g < groups->size(); ++g) {
        DuplicateGroup &group = (*groups)[g];
        const QList<int> noMarks;
        const QList<int> &list = marks && g < marks->size() ? marks->at(g) : noMarks;
        for (int j = 0; j < group.size(); ++j)
            group[j].isSelected = list.contains(j);
        SortValue value;
        switch (key) {
        case GroupSortKey::Size:
            value.number = totalSize(GroupList{group});
            break;
        case GroupSortKey::Name:
            value.name = group.isEmpty() ? QString() : sortName(group.first().url);
            break;
        case GroupSortKey::Count:
            value.number = quint64(group.size());
            break;
        case GroupSortKey::MarkedCount:
            value.number = quint64(selectedCount(group));
            break;
        }
        values.append(value);
    }
    const QList<int> order = sortedOrder(values, key == GroupSortKey::Name, m_isDescendingSort);

    GroupList sorted;
    sorted.reserve(groups->size());
    for (int old : order)
        sorted.append(groups->at(old));
    *groups = sorted;
    if (marks) {
        QList<QList<int>> rebuilt;
        for (const DuplicateGroup &group : std::as_const(sorted)) {
            QList<int> indexes;
            for (int j = 0; j < group.size(); ++j) {
                if (group.at(j).isSelected)
                    indexes.append(j);
            }
            rebuilt.append(indexes);
        }
        *marks = rebuilt;
    }
    return order;
}

QList<int> ReviewSession::sortAllDuplicateGroups(GroupSortKey key)
{
    QList<FileInfoGroup> &groups = allDuplicateGroups();
    QList<SortValue> values;
    for (const FileInfoGroup &group : std::as_const(groups)) {
        SortValue value;
        switch (key) {
        case GroupSortKey::Size:
            value.number = totalSize(QList<FileInfoGroup>{group});
            break;
        case GroupSortKey::Name:
            value.name = group.isEmpty() || !group.first() ? QString() : sortName(group.first()->url);
            break;
        case GroupSortKey::Count:
            value.number = quint64(group.size());
            break;
        case GroupSortKey::MarkedCount:
            for (const FileInfoRef &info : group) {
                if (info)
                    info->isSelected = isMarked(copyKey(*info));
            }
            value.number = quint64(selectedFileCount(group));
            break;
        }
        values.append(value);
    }
    const QList<int> order = sortedOrder(values, key == GroupSortKey::Name, m_isDescendingSort);
    QList<FileInfoGroup> sorted;
    sorted.reserve(groups.size());
    for (int old : order)
        sorted.append(groups.at(old));
    groups = sorted;
    return order;
}

void ReviewSession::resortGroups(GroupSortKey key)
{
    if (categoryRows().isEmpty())
        return;
    if (key == GroupSortKey::MarkedCount && markedItemCount() <= 0)
        return;

    const View shown = view();
    QList<int> shownOrder;
    for (int row = 1; row < categoryRows().size(); ++row) {
        const QList<int> order = sortGroupsOfCategoryRow(row, key);
        if (shown == View::Category && row == m_categorySelectedRow)
            shownOrder = order;
    }
    // The "All Duplicates" counts read the category marks, so the categories go first.
    m_index.invalidate();
    const QList<int> allOrder = sortAllDuplicateGroups(key);
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

void ReviewSession::sortMarkedCopies()
{
    QList<MarkedCopy> copies = markedCopies();
    QList<SortValue> values;
    for (const MarkedCopy &copy : std::as_const(copies)) {
        SortValue value;
        // A copy without facts sorts as size 0.
        if (m_markedSortKey == MarkedSortKey::Size)
            value.number = copy.record.file ? copy.record.file->size : 0;
        else
            value.name = sortName(copy.record.url);
        values.append(value);
    }
    const QList<int> order = sortedOrder(values, m_markedSortKey == MarkedSortKey::Name, m_isDescendingSortSelected);

    const QList<CopyKey> oldKeys = m_displayedKeys;
    const CopyKey chosen = displayedKey(m_groupSelectedRow);
    groupRows().clear();
    displayedGroupRows().clear();
    m_displayedKeys.clear();
    for (int old : order) {
        groupRows().append(copies.at(old).record);
        displayedGroupRows().append(copies.at(old).record);
        m_displayedKeys.append(copies.at(old).key);
    }
    if (!m_isSelectedCategories)
        return;

    // Rows turned off in the list drop out now; a plain reorder moves the rows.
    QList<int> newToOld;
    for (const CopyKey &key : std::as_const(m_displayedKeys)) {
        const qsizetype old = oldKeys.indexOf(key);
        if (old < 0 || newToOld.contains(int(old)))
            break;
        newToOld.append(int(old));
    }
    const qsizetype row = m_displayedKeys.indexOf(chosen);
    m_groupSelectedRow = row < 0 ? 0 : int(row);
    if (newToOld.size() == oldKeys.size() && oldKeys.size() == m_displayedKeys.size())
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
        savedDuplicateResults() = duplicateResults();
        savedCategoryRows() = categoryRows();
        savedAllDuplicateGroups() = allDuplicateGroups();
        m_xAllSelectedFilesCopy = displayedGroupRows();
        m_xAllSelectedFiles = groupRows();
        m_xAllMarked = markedCategories();
        emit searchStateChanged(true);
    }

    // A plain substring of the name, in any letter case: the text is never a pattern.
    const QString needle = text.toLower();
    for (ScanResultKeys category : categoryListOrder()) {
        const QString name = rawValue(category);
        const GroupList *saved = savedDuplicateResults().find(name);
        if (!saved || saved->isEmpty())
            continue;
        const auto entry = std::find_if(m_xAllMarked.cbegin(), m_xAllMarked.cend(), [&](const MarkedCategories &e) {
            return e.key && *e.key == category;
        });
        GroupList kept;
        for (int g = 0; g < saved->size(); ++g) {
            DuplicateGroup group = saved->at(g);
            bool matches = false;
            for (int j = 0; j < group.size(); ++j) {
                InitialDirectory &copy = group[j];
                copy.isSelected = entry != m_xAllMarked.cend() && g < entry->groupIndexes.size()
                                  && entry->groupIndexes.at(g).contains(j);
                if (copy.name && copy.name->toLower().contains(needle))
                    matches = true;
            }
            if (matches)
                kept.append(group);
        }
        duplicateResults().setValue(name, kept);
    }

    rebuildCategoryRows(true);
    rebuildMarksFromSelectionFlags();
    m_categories->resetFromStore();
    resetTables();
    updateTrashButton();
    emit marksChanged();
    emit selectionChanged();
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

    m_index.invalidate();
    m_categorySelectedRow = 0;
    m_groupSelectedRow = 0;
    m_itemSelectedRow = 0;
    m_isSelectedCategories = false;
    // The flat lists follow the marks in store order, as after any mark change.
    rebuildGroupRows();
    takeDisplayedList();
    m_categories->resetFromStore();
    resetTables();
    updateTrashButton();
    emit searchStateChanged(false);
    emit marksChanged();
    emit selectionChanged();
}
