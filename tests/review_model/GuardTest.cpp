#include "ReviewFixture.h"

namespace {

enum class Where { Category, AllDuplicates, MarkedList };

struct GuardCase
{
    const char *name;
    Where where;
    QStringList group;
    QStringList markedFirst; // ticked one by one in the copies table before the checked tick
    QStringList turnedOff;   // marked-copies list only: rows turned off before the checked tick
    QString tick;
    bool on;
    QStringList expectMarked;
    bool expectAlert;
};

} // namespace

// The last-copy rule, in the copies table of both views and in the marked-copies list.
TEST_F(ReviewTest, HandMarkingKeepsOneCopyOfEveryGroup)
{
    const GuardCase cases[] = {
        {"first of two", Where::Category, {"a.jpg", "b.jpg"}, {}, {}, "a.jpg", true, {"a.jpg"}, false},
        {"second of two", Where::Category, {"a.jpg", "b.jpg"}, {"a.jpg"}, {}, "b.jpg", true, {"a.jpg"}, true},
        {"third of three", Where::Category, {"a.jpg", "b.jpg", "c.jpg"}, {"a.jpg", "b.jpg"}, {}, "c.jpg", true,
         {"a.jpg", "b.jpg"}, true},
        {"a group of one", Where::Category, {"a.jpg"}, {}, {}, "a.jpg", true, {}, true},
        {"unmarking is never refused", Where::Category, {"a.jpg", "b.jpg"}, {"a.jpg"}, {}, "a.jpg", false, {},
         false},
        {"ticking a marked copy again", Where::Category, {"a.jpg", "b.jpg"}, {"a.jpg"}, {}, "a.jpg", true,
         {"a.jpg"}, false},
        {"all duplicates: first of two", Where::AllDuplicates, {"a.jpg", "b.jpg"}, {}, {}, "b.jpg", true,
         {"b.jpg"}, false},
        {"all duplicates: second of two", Where::AllDuplicates, {"a.jpg", "b.jpg"}, {"b.jpg"}, {}, "a.jpg", true,
         {"b.jpg"}, true},
        {"marked list: turning a row off", Where::MarkedList, {"a.jpg", "b.jpg", "c.jpg"}, {"a.jpg", "b.jpg"}, {},
         "a.jpg", false, {"b.jpg"}, false},
        {"marked list: turning a turned-off row on again", Where::MarkedList, {"a.jpg", "b.jpg", "c.jpg"},
         {"a.jpg", "b.jpg"}, {"a.jpg"}, "a.jpg", true, {"a.jpg", "b.jpg"}, false},
    };
    for (const GuardCase &c : cases) {
        SCOPED_TRACE(c.name);
        clearResultStore();
        alerts.clear();
        open({{QStringLiteral("Photos"), groupsOf(QStringLiteral("Photos"), {c.group})}});
        ASSERT_TRUE(session.selectCategory(c.where == Where::AllDuplicates ? 0 : categoryRowOf(QStringLiteral("Photos"))));
        ItemsModel &items = *session.itemsModel();
        for (const QString &name : c.markedFirst)
            ASSERT_TRUE(setChecked(items, rowNamed(items, name), true));
        QAbstractItemModel *model = &items;
        if (c.where == Where::MarkedList) {
            ASSERT_TRUE(session.selectCategory(session.categoriesModel()->markedCopiesRow()));
            model = session.groupsModel();
            for (const QString &name : c.turnedOff)
                ASSERT_TRUE(setChecked(*model, rowNamed(*model, name), false));
        }

        const int row = rowNamed(*model, c.tick);
        setChecked(*model, row, c.on);
        EXPECT_EQ(markedNames(session), c.expectMarked);
        EXPECT_EQ(isChecked(*model, row), c.expectMarked.contains(c.tick));
        EXPECT_EQ(alerts.size(), c.expectAlert ? 1 : 0);
        if (c.expectAlert) {
            EXPECT_EQ(alerts.value(0), localizedString(QStringLiteral("IDS_TMR_52")));
        }
        EXPECT_TRUE(fullyMarkedGroups().isEmpty());
    }
}

// Groups {A, B} and {C, D}: mark B and C, open the marked-copies list, untick
// B, keep the first copy of every group, then tick every row of the list.
TEST_F(ReviewTest, MarkedCopiesListObeysTheRuleAndActsOnItsOwnRows)
{
    open({{QStringLiteral("Documents"),
           groupsOf(QStringLiteral("Documents"), {{"A.txt", "B.txt"}, {"C.txt", "D.txt"}})}});
    const int documents = categoryRowOf(QStringLiteral("Documents"));
    ItemsModel &items = *session.itemsModel();
    GroupsModel &groups = *session.groupsModel();

    ASSERT_TRUE(session.selectCategory(documents));
    ASSERT_TRUE(session.selectGroup(rowNamed(groups, QStringLiteral("A.txt"))));
    ASSERT_TRUE(setChecked(items, rowNamed(items, QStringLiteral("B.txt")), true));
    ASSERT_TRUE(session.selectGroup(rowNamed(groups, QStringLiteral("C.txt"))));
    ASSERT_TRUE(setChecked(items, rowNamed(items, QStringLiteral("C.txt")), true));

    ASSERT_TRUE(session.selectCategory(session.categoriesModel()->markedCopiesRow()));
    ASSERT_EQ(groups.rowCount(), 2);
    const int rowB = rowNamed(groups, QStringLiteral("B.txt"));
    ASSERT_TRUE(setChecked(groups, rowB, false));
    // A row turned off stays in the list, unticked.
    EXPECT_EQ(groups.rowCount(), 2);
    EXPECT_FALSE(isChecked(groups, rowB));
    EXPECT_EQ(markedNames(session), QStringList{QStringLiteral("C.txt")});

    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepFirst);
    // A change from elsewhere takes the list again from the marks.
    EXPECT_EQ(markedNames(session), (QStringList{QStringLiteral("B.txt"), QStringLiteral("D.txt")}));
    for (int row = 0; row < groups.rowCount(); ++row)
        setChecked(groups, row, true);
    EXPECT_TRUE(fullyMarkedGroups().isEmpty());

    // Each row's box changes exactly the copy the row shows.
    for (int row = 0; row < groups.rowCount(); ++row) {
        const QString shown = fileNameOf(groups.index(row, 0).data(ReviewRoles::IdentityRole).value<CopyKey>());
        const QStringList before = markedNames(session);
        ASSERT_TRUE(setChecked(groups, row, false));
        QStringList expected = before;
        expected.removeOne(shown);
        EXPECT_EQ(markedNames(session), expected) << shown.toStdString();
        ASSERT_TRUE(setChecked(groups, row, true));
        EXPECT_EQ(markedNames(session), before);
    }
    EXPECT_TRUE(alerts.isEmpty());
}

// The store changed behind the list (as a removal run or another writer may
// leave it): ticking a turned-off row again would mark a whole group.
TEST_F(ReviewTest, ReTickingATurnedOffRowIsGuarded)
{
    open({{QStringLiteral("Photos"), groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg"}})}});
    ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Photos"))));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 0, true));
    ASSERT_TRUE(session.selectCategory(session.categoriesModel()->markedCopiesRow()));
    GroupsModel &groups = *session.groupsModel();
    ASSERT_TRUE(setChecked(groups, 0, false));
    // Nothing is marked: the marked-copies row goes and the view falls back to row 0.
    EXPECT_FALSE(session.isSelectedCategories());
    EXPECT_EQ(session.view(), ReviewSession::View::AllDuplicates);

    // Mark the other copy, list it, turn it off and let the first one be
    // marked behind the session's back.
    ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Photos"))));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 1, true));
    ASSERT_TRUE(session.selectCategory(session.categoriesModel()->markedCopiesRow()));
    markedCategories()[0].groupIndexes[0] = {0};
    EXPECT_FALSE(isChecked(groups, 0));
    EXPECT_FALSE(setChecked(groups, 0, true));
    EXPECT_EQ(alerts.size(), 1);
    EXPECT_EQ(markedCategories()[0].groupIndexes[0], QList<int>{0});
}

struct StaleCase
{
    const char *name;
    std::function<void(ReviewSession &)> act;
};

// Rows, selections and lists out of range, and data without URLs or facts,
// change nothing and crash nothing.
TEST_F(ReviewTest, StaleAndMissingDataChangeNothing)
{
    GroupList photos = groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg"}, {"c.jpg"}, {}});
    photos[0][1].url.reset();
    photos[0][1].identity.reset();
    photos[0][0].file.reset();
    open({{QStringLiteral("Photos"), photos}, {QStringLiteral("Unknown"), photos}});
    const int photosRow = categoryRowOf(QStringLiteral("Photos"));
    ASSERT_EQ(categoryRows().size(), 2);

    const StaleCase cases[] = {
        {"copy row -1", [](ReviewSession &s) { s.setItemChecked(-1, true); }},
        {"copy row past the end", [](ReviewSession &s) { s.setItemChecked(9, true); }},
        {"a copy without URL or identity", [](ReviewSession &s) { s.setItemChecked(1, true); }},
        {"marked list outside its view", [](ReviewSession &s) { s.setMarkedRowChecked(0, true); }},
        {"separator row", [](ReviewSession &s) { EXPECT_FALSE(s.selectCategory(2)); }},
        {"category row -1", [](ReviewSession &s) { EXPECT_FALSE(s.selectCategory(-1)); }},
        {"group row past the end", [](ReviewSession &s) { EXPECT_FALSE(s.selectGroup(99)); }},
        {"item row -1", [](ReviewSession &s) { EXPECT_FALSE(s.selectItem(-1)); }},
        {"all duplicates lookups out of range",
         [](ReviewSession &s) {
             EXPECT_FALSE(s.isCopyMarked(-1));
             EXPECT_FALSE(s.isCopyMarked(50));
             EXPECT_EQ(s.markedCopyCount(-1), 0);
             EXPECT_EQ(s.markedCopyCount(50), 0);
         }},
        {"smart check with a stale group row",
         [](ReviewSession &s) {
             s.selectCategory(0);
             markedCategories()[0].groupIndexes.clear();
             s.smartCheckSelectedGroup(ReviewSession::SmartCheckMode::KeepFirst);
             s.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepNewest);
             markedCategories()[0].groupIndexes = QList<QList<int>>(3);
         }},
    };
    for (const StaleCase &c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(session.selectCategory(photosRow));
        c.act(session);
        EXPECT_TRUE(markedNames(session).isEmpty());
        EXPECT_TRUE(alerts.isEmpty());
    }

    // Automatic marking: a group of one and an empty group keep nothing
    // marked; the copy without facts takes part in keep-first like any other.
    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepFirst);
    EXPECT_EQ(markedCategories()[0].groupIndexes, (QList<QList<int>>{{1}, {}, {}}));
    EXPECT_TRUE(fullyMarkedGroups().isEmpty());
}

// The bookkeeping step keeps marking order, lists an index once, and refuses
// what would name no copy or mark a whole group.
TEST_F(ReviewTest, UpdateMarkedListKeepsOrderAndRefusesWhatNamesNoCopy)
{
    open({{QStringLiteral("Photos"), groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg", "c.jpg"}})}});
    struct Step
    {
        int category, group, copy;
        bool flag;
        bool answer;
        QList<int> list;
    };
    const Step steps[] = {
        {0, 0, 2, true, true, {2}},       {0, 0, 0, true, true, {2, 0}},  {0, 0, 2, true, true, {2, 0}},
        {0, 0, 1, true, false, {2, 0}},   {0, 0, 1, false, true, {2, 0}}, {0, 0, 3, true, false, {2, 0}},
        {0, 0, -1, true, false, {2, 0}},  {0, 1, 0, true, false, {2, 0}}, {1, 0, 0, true, false, {2, 0}},
        {-1, 0, 0, false, false, {2, 0}}, {0, 0, 2, false, true, {0}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(testing::Message() << step.category << "/" << step.group << "/" << step.copy << " "
                                        << step.flag);
        EXPECT_EQ(session.updateMarkedList(step.category, step.group, step.copy, step.flag), step.answer);
        EXPECT_EQ(markedCategories()[0].groupIndexes[0], step.list);
    }

    // Flags that cover a whole group give marks that leave one copy.
    for (InitialDirectory &copy : (*duplicateResults().find(QStringLiteral("Photos")))[0])
        copy.isSelected = true;
    session.rebuildMarksFromSelectionFlags();
    EXPECT_EQ(markedCategories()[0].groupIndexes[0], (QList<int>{0, 1}));
    EXPECT_EQ(groupRows().size(), 2);
    EXPECT_TRUE(fullyMarkedGroups().isEmpty());
}

// Rows written by someone else (a nameless row, a row whose category has no
// groups left) are passed over by every action.
TEST_F(ReviewTest, RowsWithoutGroupsArePassedOver)
{
    open({{QStringLiteral("Photos"), groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg"}})}});
    categoryRows().append(Categories{});
    categoryRows().append(Categories{std::nullopt, QStringLiteral("Videos"), 0});
    markedCategories().append(MarkedCategories{});
    markedCategories().append(MarkedCategories{ScanResultKeys::Videos, {{}}});
    session.syncCategoriesTable();
    EXPECT_EQ(session.categoriesModel()->rowCount(), 4);
    for (const ReviewSession::SmartCheckMode mode :
         {ReviewSession::SmartCheckMode::KeepNewest, ReviewSession::SmartCheckMode::KeepFirst}) {
        session.smartCheckAllGroups(mode);
        EXPECT_EQ(markedNames(session), QStringList{QStringLiteral("b.jpg")});
    }
    EXPECT_TRUE(session.selectCategory(2));
    EXPECT_EQ(session.view(), ReviewSession::View::AllDuplicates);
    EXPECT_TRUE(session.selectCategory(3));
    EXPECT_EQ(session.groupsModel()->rowCount(), 0);
    session.smartCheckSelectedGroup(ReviewSession::SmartCheckMode::KeepFirst);
    session.applySearch(QStringLiteral("a"));
    session.endSearch();
    EXPECT_EQ(markedNames(session), QStringList{QStringLiteral("b.jpg")});
    EXPECT_TRUE(alerts.isEmpty());
}
