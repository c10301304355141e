#pragma once

#include "CopyIndex.h"

#include <CategoryLists.h>
#include <Records.h>

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class CategoriesModel;
class GroupsModel;
class ItemsModel;

// The results screen without its widgets: the selection, sort and search
// state of the screen, every operation that changes marks, order or the
// search, and the three table models. It keeps no result data of its own: it
// reads and rewrites the process-wide result store (ProcessState.h) in place.
//
// Marks live only in `markedCategories()`. A hand action finds its copy by
// identity (file identity, else URL) in the store as it stands when it acts;
// rows only say which copy is shown. No operation leaves a group with every
// copy marked.
//
// Main thread only. The results window wires its tables to the models, its
// buttons to the slots and shows what the signals say:
// - on showing: reloadCategories(false), then updateTrashButton();
// - a chosen table row: selectCategory() / selectGroup() / selectItem(); a
//   refused row (the separator) keeps the previous choice; after a model
//   reset, or on selectionChanged, the tables highlight the session's rows
//   and the layout follows reviewLayout(view()) (ReviewScreenValues.h);
// - trashStateChanged: trashButtonLook(); totalsChanged: the two labels;
//   groupSortTitleChanged / markedSortTitleChanged: the sort buttons;
// - the search field: applySearch(text) on every change, clearSearch(text)
//   when the field ends its search, endSearch() on every way out.
// The removal run calls endSearch() first and then reads markedCopies().
class ReviewSession : public QObject
{
    Q_OBJECT

public:
    // What the groups and copies tables show, from the chosen category row.
    enum class View {
        AllDuplicates, // row 0: the groups of `allDuplicateGroups()`
        Category,      // rows 1 to n - 1: the groups of that category
        MarkedCopies,  // row n + 1 while anything is marked: one row per marked copy
    };
    enum class SmartCheckMode { KeepNewest, KeepOldest, KeepFirst, DeselectAll };
    enum class GroupSortKey { Size, Name, Count, MarkedCount };
    enum class MarkedSortKey { Size, Name };

    // One marked copy: where it stands now, who it is, and its record.
    struct MarkedCopy
    {
        CopyLocation location;
        CopyKey key;
        InitialDirectory record;
    };

    explicit ReviewSession(QObject *parent = nullptr);
    ~ReviewSession() override;

    CategoriesModel *categoriesModel() const { return m_categories; }
    GroupsModel *groupsModel() const { return m_groups; }
    ItemsModel *itemsModel() const { return m_items; }

    // ---- Selection (the three chosen rows) --------------------------------
    int categorySelectedRow() const { return m_categorySelectedRow; }
    int groupSelectedRow() const { return m_groupSelectedRow; }
    int itemSelectedRow() const { return m_itemSelectedRow; }
    // True only while the marked-copies row is the chosen category row.
    bool isSelectedCategories() const { return m_isSelectedCategories; }
    View view() const;
    // Chooses a categories-table row: 0 "All Duplicates", a category, or the
    // marked-copies row (n + 1). The separator (n) and rows out of range are
    // refused (false, nothing changes). Group and copy go back to row 0, the
    // groups and copies models reset, and the marked-copies list is taken
    // afresh from the marks when that row is chosen.
    bool selectCategory(int row);
    // Chooses a group or a copy row; out of range is refused.
    bool selectGroup(int row);
    bool selectItem(int row);

    // ---- Sort state --------------------------------------------------------
    bool isDescendingSort() const { return m_isDescendingSort; }
    GroupSortKey groupSortKey() const { return m_groupSortKey; }
    bool isDescendingSortSelected() const { return m_isDescendingSortSelected; }
    MarkedSortKey markedSortKey() const { return m_markedSortKey; }
    // The same as flags; exactly one key flag of each list is true.
    bool isSizeSort() const { return m_groupSortKey == GroupSortKey::Size; }
    bool isNameSort() const { return m_groupSortKey == GroupSortKey::Name; }
    bool isCountSort() const { return m_groupSortKey == GroupSortKey::Count; }
    bool isSelectedCountSort() const { return m_groupSortKey == GroupSortKey::MarkedCount; }
    bool isSizeSortSelected() const { return m_markedSortKey == MarkedSortKey::Size; }
    bool isNameSortSelected() const { return m_markedSortKey == MarkedSortKey::Name; }
    // "IDS_TMR_18 key ▾": the titles of the two sort buttons.
    QString groupSortButtonTitle() const;
    QString markedSortButtonTitle() const;

    // ---- Search state ------------------------------------------------------
    // A search is active while the store holds the snapshot of its first keystroke.
    bool isSearchActive() const;
    // While a search is active: the marked-copies lists and the marks of the
    // whole result, kept current by every mark change made meanwhile.
    const QList<InitialDirectory> &xAllSelectedFiles() const { return m_xAllSelectedFiles; }
    const QList<InitialDirectory> &xAllSelectedFilesCopy() const { return m_xAllSelectedFilesCopy; }
    const QList<MarkedCategories> &xAllMarked() const { return m_xAllMarked; }

    // ---- Lookups -----------------------------------------------------------
    // Where a copy stands in the store now; nothing when it is not there.
    std::optional<CopyLocation> locate(const CopyKey &key);
    bool isMarked(const CopyKey &key);
    // Whether copy `position` of the chosen "All Duplicates" group is marked
    // in its own category; false out of range or when not found.
    bool isCopyMarked(int inAllDuplicatesGroupAt);
    // Marked copies of one "All Duplicates" group, counted in the category
    // group that holds its first copy; 0 when none does.
    int markedCopyCount(int ofAllDuplicatesGroup);
    // Every marked copy of the store, category row by row, group by group,
    // in copy order. During a search these are the marks of the narrowed
    // store: call endSearch() first to see the whole result.
    QList<MarkedCopy> markedCopies() const;
    // The key of row `row` of the marked-copies list; invalid out of range.
    CopyKey displayedKey(int row) const;
    bool hasDuplicateGroups() const;

    // ---- Bookkeeping behind every mark change -------------------------------
    // Adds or removes one index in entry `category` (category row - 1) of
    // `markedCategories()`. Refuses, answering false, an index that names no
    // copy and a mark that would leave the group without an unmarked copy;
    // true when the list says what `flag` asks afterwards. No alert, no
    // refresh, no mirror into a running search: hand actions go through
    // setItemChecked() and setMarkedRowChecked().
    bool updateMarkedList(int category, int group, int copy, bool flag);
    // While a search is active, the same change in the marks of the whole
    // result it set aside (the first copy with the key); else nothing.
    void updateMarkedFiles(const CopyKey &key, bool marked);
    // The marks and both marked-copies lists rebuilt from the `isSelected`
    // flags of the store, one entry per category row; a group flagged whole
    // keeps its last copy unmarked. The search calls it after each filter.
    void rebuildMarksFromSelectionFlags();

    // ---- Texts the screen shows ------------------------------------------
    // "<count> IDS_TMR_162" and "<size> IDS_TMR_163" of the whole result,
    // also while a search narrows it.
    QString totalItemsText() const;
    QString totalSizeText() const;

public slots:
    // ---- Category list (rows, totals, trash) -------------------------------
    // Rebuilds the category rows and the "All Duplicates" groups from the
    // store. Without keepMarks the marks are dropped, the groups sorted by
    // size in the chosen direction and the group-sort title reset; every row
    // goes back to 0 and the models reset.
    void reloadCategories(bool keepMarks);
    // Rebuilds the flat list of marked copies and inserts or removes the
    // separator and the marked-copies rows (never a reset).
    void syncCategoriesTable();
    // Emits trashStateChanged and totalsChanged.
    void updateTrashButton();
    void updateTotals();

    // ---- Marking by hand ---------------------------------------------------
    // The box of copy row `row` of the copies table. Turning it on is refused
    // when it would leave the group without an unmarked copy: the alert
    // "IDS_TMR_52" is shown and the row's box stays off. Answers whether the
    // mark is as asked afterwards; a row that shows no copy changes nothing.
    bool setItemChecked(int row, bool checked);
    // The box of row `row` of the marked-copies list (the rows it shows); the
    // same rule. A row turned off stays listed until the list is taken again.
    bool setMarkedRowChecked(int row, bool checked);
    // Unmarks every copy of every category.
    void deselectAll();

    // ---- Automatic marking -------------------------------------------------
    // The chosen group (category or "All Duplicates" view; nothing in the
    // marked-copies view or when nothing is chosen).
    void smartCheckSelectedGroup(SmartCheckMode mode);
    // Every group of every category row.
    void smartCheckAllGroups(SmartCheckMode mode);
    void newestSmartCheckGroupItems() { smartCheckSelectedGroup(SmartCheckMode::KeepNewest); }
    void oldestSmartCheckGroupItems() { smartCheckSelectedGroup(SmartCheckMode::KeepOldest); }
    void automaticallySmartCheckGroupItems() { smartCheckSelectedGroup(SmartCheckMode::KeepFirst); }
    void deselectAllGroupItems() { smartCheckSelectedGroup(SmartCheckMode::DeselectAll); }
    void newestSmartCheckGroups() { smartCheckAllGroups(SmartCheckMode::KeepNewest); }
    void oldestSmartCheckGroups() { smartCheckAllGroups(SmartCheckMode::KeepOldest); }
    void automaticallySmartCheckGroups() { smartCheckAllGroups(SmartCheckMode::KeepFirst); }
    void deselectAllGroups() { smartCheckAllGroups(SmartCheckMode::DeselectAll); }

    // ---- Sorting -----------------------------------------------------------
    // Menu choices: a key keeps the direction, a direction keeps the key.
    // Marks stay on their copies; the chosen group and copy stay chosen.
    void sortGroupsBy(GroupSortKey key);
    void setGroupSortDescending(bool descending);
    void sortMarkedCopiesBy(MarkedSortKey key);
    void setMarkedSortDescending(bool descending);
    void sortBySize() { sortGroupsBy(GroupSortKey::Size); }
    void sortByName() { sortGroupsBy(GroupSortKey::Name); }
    void sortByCount() { sortGroupsBy(GroupSortKey::Count); }
    void sortBySelectedCount() { sortGroupsBy(GroupSortKey::MarkedCount); }
    void filterByAscending() { setGroupSortDescending(false); }
    void filterByDescending() { setGroupSortDescending(true); }
    void sortBySizeSelectedItems() { sortMarkedCopiesBy(MarkedSortKey::Size); }
    void sortByNameSelectedItems() { sortMarkedCopiesBy(MarkedSortKey::Name); }
    void filterByAscendingSelectedItems() { setMarkedSortDescending(false); }
    void filterByDescendingSelectedItems() { setMarkedSortDescending(true); }
    // Re-sorts every category and "All Duplicates" by the key in the current
    // direction. A marked-count sort with nothing marked changes no order.
    void resortGroups(GroupSortKey key);

    // ---- Search --------------------------------------------------------------
    // Every change of the field's text: the first non-empty text takes the
    // snapshot; each text filters the snapshot again (case-blind substring of
    // each copy's name, whole groups kept). An empty text ends the search.
    void applySearch(const QString &text);
    // The field was emptied: ends the search when `text` is empty.
    void clearSearch(const QString &text = QString());
    // Puts the whole result back, with every mark made during the search,
    // whatever the field holds. Does nothing when no search is active. The
    // results window and the removal run call it on every way out.
    void endSearch();

signals:
    // Anything marked; the trash button's look follows it.
    void trashStateChanged(bool anyMarked);
    void totalsChanged(const QString &itemsText, const QString &sizeText);
    void marksChanged();
    // A chosen row changed (category, group or copy), or the view switched.
    void selectionChanged();
    void searchStateChanged(bool active);
    void groupSortTitleChanged(const QString &title);
    void markedSortTitleChanged(const QString &title);
    // The last-copy rule refused a mark; the alert has been shown.
    void markRefused(const CopyKey &key);

private:
    struct MarkChange;
    struct SearchLookups;
    friend class CategoriesModel;
    friend class GroupsModel;
    friend class ItemsModel;

    // What the tables show now, bounds-checked; null when nothing is shown.
    const GroupList *chosenCategoryGroups() const;
    const DuplicateGroup *shownCategoryGroup() const;
    const FileInfoGroup *shownAllDuplicatesGroup() const;
    // The copy shown at a row of the copies table and where it was read.
    std::optional<std::pair<CopyKey, CopyLocation>> shownCopy(int row) const;
    QString chosenCategoryName() const;
    bool isMarkedAt(const std::optional<CopyLocation> &location) const;
    bool setMark(const CopyKey &key, const CopyLocation &hint, bool checked);
    // Brings mark changes made during a search into the marks and the
    // marked-copies lists of the whole result it set aside.
    void mirrorMarks(const QList<MarkChange> &changes);
    void afterMarksChanged(bool keepDisplayedList);
    // The flat list of marked records from the marks, as rebuildGroupRows()
    // makes it, sharing a list that already holds the same records.
    void rebuildMarkedRows();
    // Whether the flat list of marked records holds the records at these
    // locations, in this order; the locations it was last read from.
    bool groupRowsHold(const QList<CopyLocation> &locations);
    // The locations the flat list was read from, in its order, while the list
    // is the one read (held here too); groupsMoved() follows a sort.
    void noteGroupRowsFrom(const QList<CopyLocation> &locations);
    void forgetGroupRowsFrom();
    bool groupRowsNoted() const;
    void groupsMoved(const QList<QList<int>> &newToOld);
    // Puts the flat list in the order of the locations, in place, when it
    // holds their records in another order; false when it does not.
    bool arrangeGroupRows(const QList<CopyLocation> &target);
    void takeDisplayedList();
    void takeDisplayedList(const CopyKey &chosen);
    // The first row of the marked-copies list whose key is `key`; -1 when none.
    int displayedRowOf(const CopyKey &key) const;
    void resetTables();
    // The category rows from the store; every chosen row back to 0.
    void rebuildRows();
    // The rows, then the "All Duplicates" groups made afresh (and, without
    // keepMarks, the marks).
    void rebuildCategoryRows(bool keepMarks);
    // Which "All Duplicates" group was made from which category group, for
    // lists made in row order, and after both were sorted (`heldBefore`: the
    // origins described the lists before the sort).
    void noteAllDuplicatesInRowOrder();
    void moveAllDuplicatesOrigins(bool heldBefore, const QList<QList<int>> &rowOrders, const QList<int> &allOrder);
    // The "All Duplicates" groups of the narrowed store; `keptFrom` gives, by
    // category, the position in the whole result of every group kept.
    void rebuildSearchAllDuplicates(const QHash<int, QList<int>> &keptFrom);
    void fallBackToFirstRow();
    // The value of every group of a category row under a sort key, and its
    // number of copies, in the order before the sort.
    struct GroupValues;
    // Each answers the new order (the old position of every group).
    QList<int> sortGroupsOfCategoryRow(int row, GroupSortKey key, GroupValues *values = nullptr);
    // With the values of the category rows, the "All Duplicates" groups made
    // from those groups take their values instead of reading every copy again.
    QList<int> sortAllDuplicateGroups(GroupSortKey key, const QList<GroupValues> *rowValues = nullptr);
    void sortMarkedCopies();

    CategoriesModel *m_categories = nullptr;
    GroupsModel *m_groups = nullptr;
    ItemsModel *m_items = nullptr;
    CopyIndex m_index;

    int m_categorySelectedRow = 0;
    int m_groupSelectedRow = 0;
    int m_itemSelectedRow = 0;
    bool m_isSelectedCategories = false;

    bool m_isDescendingSort = true;
    GroupSortKey m_groupSortKey = GroupSortKey::Size;
    bool m_isDescendingSortSelected = true;
    MarkedSortKey m_markedSortKey = MarkedSortKey::Size;

    // The marked-copies list as it was taken (the records of
    // `displayedGroupRows()`, shared with it) and the category of each row;
    // a row's key is made from them when it is asked for.
    QList<InitialDirectory> m_displayedRows;
    QList<ScanResultKeys> m_displayedCategories;
    // Where the records of `groupRows()` stand in the store, row by row of
    // the list, while the list is the one noted here.
    QList<CopyLocation> m_groupRowsFrom;
    QList<InitialDirectory> m_groupRowsNoted;

    QList<InitialDirectory> m_xAllSelectedFiles;
    QList<InitialDirectory> m_xAllSelectedFilesCopy;
    QList<MarkedCategories> m_xAllMarked;
    // For each category row, the "All Duplicates" group made from each of its
    // groups: a search shares those objects rather than making 165,000 new
    // ones at every keystroke. Valid only for the list it describes, known by
    // where its data lies and by its first object, held here so that a list
    // made anew cannot take its place unnoticed.
    struct AllDuplicatesOrigins
    {
        QList<QList<int>> ofRow;
        const FileInfoGroup *data = nullptr;
        qsizetype size = -1;
        FileInfoRef first;

        bool describes(const QList<FileInfoGroup> &groups) const;
        void describe(const QList<FileInfoGroup> &groups);
    };
    AllDuplicatesOrigins m_origins;
    // The same for the whole result while a search narrows it.
    AllDuplicatesOrigins m_savedOrigins;
    // Lookups over the results a running search set aside, made when first needed.
    std::unique_ptr<SearchLookups> m_searchLookups;
};
