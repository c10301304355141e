#include "ReviewFixture.h"

#include <QPersistentModelIndex>

namespace {

// Three groups whose four keys give four different orders (first names):
// size 600 / 300 / 2000, names m / z / a, copies 2 / 3 / 4, marked 1 / 0 / 2.
GroupList sortFixture()
{
    GroupList groups = groupsOf(QStringLiteral("Photos"), {{"m.jpg", "x.jpg"}}, 300);
    groups += groupsOf(QStringLiteral("Photos"), {{"Z.png", "y.png", "v.png"}}, 100);
    groups += groupsOf(QStringLiteral("Photos"), {{"a.gif", "w.gif", "u.gif", "t.gif"}}, 500);
    return groups;
}

QStringList groupOrder(const QAbstractItemModel &groups)
{
    QStringList names;
    for (int row = 0; row < groups.rowCount(); ++row)
        names.append(fileNameOf(groups.index(row, 0).data(ReviewRoles::IdentityRole).value<CopyKey>()));
    return names;
}

struct SortCase
{
    ReviewSession::GroupSortKey key;
    QStringList ascending;
};

} // namespace

TEST_F(ReviewTest, GroupSortsKeepMarksAndTheChosenCopy)
{
    const SortCase cases[] = {
        {ReviewSession::GroupSortKey::Size, {"Z.png", "m.jpg", "a.gif"}},
        {ReviewSession::GroupSortKey::Name, {"a.gif", "m.jpg", "Z.png"}},
        {ReviewSession::GroupSortKey::Count, {"m.jpg", "Z.png", "a.gif"}},
        {ReviewSession::GroupSortKey::MarkedCount, {"Z.png", "m.jpg", "a.gif"}},
    };
    for (const bool allDuplicates : {false, true}) {
        for (const SortCase &c : cases) {
            for (const bool descending : {false, true}) {
                SCOPED_TRACE(testing::Message() << "key " << int(c.key) << (descending ? " descending" : " ascending")
                                                << (allDuplicates ? " in All Duplicates" : " in the category"));
                clearResultStore();
                ReviewSession s;
                duplicateResults().setValue(QStringLiteral("Photos"), sortFixture());
                s.reloadCategories(false);
                GroupsModel &groups = *s.groupsModel();
                ItemsModel &items = *s.itemsModel();
                ASSERT_TRUE(s.selectCategory(allDuplicates ? 0 : 1));
                // Copy 3, then copy 1, of the group of a.gif: the list reads [3, 1].
                ASSERT_TRUE(s.selectGroup(rowNamed(groups, QStringLiteral("a.gif"))));
                ASSERT_TRUE(setChecked(items, rowNamed(items, QStringLiteral("t.gif")), true));
                ASSERT_TRUE(setChecked(items, rowNamed(items, QStringLiteral("w.gif")), true));
                ASSERT_TRUE(s.selectGroup(rowNamed(groups, QStringLiteral("m.jpg"))));
                ASSERT_TRUE(setChecked(items, 1, true));
                ASSERT_TRUE(s.selectItem(1));
                const QStringList marked = markedNames(s);
                const QPersistentModelIndex chosenGroup = groups.index(s.groupSelectedRow(), 0);

                s.setGroupSortDescending(descending);
                s.sortGroupsBy(c.key);

                QStringList expected = c.ascending;
                if (descending)
                    std::reverse(expected.begin(), expected.end());
                EXPECT_EQ(groupOrder(groups), expected);
                EXPECT_EQ(markedNames(s), marked);
                for (const QList<int> &list : markedCategories().first().groupIndexes)
                    EXPECT_TRUE(std::is_sorted(list.cbegin(), list.cend()));
                EXPECT_EQ(fileNameOf(groups.index(s.groupSelectedRow(), 0).data(ReviewRoles::IdentityRole)
                                         .value<CopyKey>()),
                          QStringLiteral("m.jpg"));
                EXPECT_EQ(chosenGroup.row(), s.groupSelectedRow());
                EXPECT_EQ(fileNameOf(items.index(s.itemSelectedRow(), 0).data(ReviewRoles::IdentityRole)
                                         .value<CopyKey>()),
                          QStringLiteral("x.jpg"));
                EXPECT_TRUE(isChecked(items, s.itemSelectedRow()));
            }
        }
    }
}

TEST_F(ReviewTest, MarkedCountSortWithoutMarksKeepsTheOrder)
{
    open({{QStringLiteral("Photos"), sortFixture()}});
    const QStringList before = groupOrder(*session.groupsModel());
    QStringList titles;
    QObject::connect(&session, &ReviewSession::groupSortTitleChanged, [&](const QString &t) { titles.append(t); });
    session.sortBySelectedCount();
    EXPECT_EQ(groupOrder(*session.groupsModel()), before);
    EXPECT_EQ(titles, QStringList{QStringLiteral("Sort by: Number of marked copies \u25BE")});
    EXPECT_EQ(session.groupSortKey(), ReviewSession::GroupSortKey::MarkedCount);

    // Opening the results again sorts by size, and the title and the key say so.
    titles.clear();
    session.setGroupSortDescending(false);
    session.reloadCategories(false);
    EXPECT_EQ(session.groupSortKey(), ReviewSession::GroupSortKey::Size);
    EXPECT_EQ(titles, QStringList{QStringLiteral("Sort by: Size ▾")});
    EXPECT_EQ(groupOrder(*session.groupsModel()),
              (QStringList{QStringLiteral("Z.png"), QStringLiteral("m.jpg"), QStringLiteral("a.gif")}));
}

TEST_F(ReviewTest, MarkedCopiesSortBySizeAndName)
{
    GroupList photos = groupsOf(QStringLiteral("Photos"), {{"keep1.jpg", "b.jpg"}, {"keep2.jpg", "C.jpg"}}, 10);
    photos += groupsOf(QStringLiteral("Photos"), {{"keep3.jpg", "a.jpg"}}, 500);
    photos[0][1].file->size = 900;
    photos[1][1].file.reset(); // no facts: size 0
    open({{QStringLiteral("Photos"), photos}});
    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepFirst);
    ASSERT_TRUE(session.selectCategory(session.categoriesModel()->markedCopiesRow()));
    GroupsModel &list = *session.groupsModel();
    ASSERT_TRUE(session.selectGroup(rowNamed(list, QStringLiteral("a.jpg"))));

    struct Case
    {
        ReviewSession::MarkedSortKey key;
        bool descending;
        QStringList order;
    };
    const Case cases[] = {
        {ReviewSession::MarkedSortKey::Size, true, {"b.jpg", "a.jpg", "C.jpg"}},
        {ReviewSession::MarkedSortKey::Size, false, {"C.jpg", "a.jpg", "b.jpg"}},
        {ReviewSession::MarkedSortKey::Name, false, {"a.jpg", "b.jpg", "C.jpg"}},
        {ReviewSession::MarkedSortKey::Name, true, {"C.jpg", "b.jpg", "a.jpg"}},
    };
    for (const Case &c : cases) {
        session.setMarkedSortDescending(c.descending);
        session.sortMarkedCopiesBy(c.key);
        EXPECT_EQ(groupOrder(list), c.order);
        EXPECT_EQ(fileNameOf(session.displayedKey(session.groupSelectedRow())), QStringLiteral("a.jpg"));
    }
}

// A group is named, and sorted by name, after the last component of its first
// copy's URL without the extension; a bundle's URL ends with a slash.
TEST(GroupNames, AreTheLastComponentWithoutItsExtension)
{
    struct Case
    {
        const char *url;
        const char *name;
    };
    const Case cases[] = {
        {"file:///a/b/Photo.JPG", "Photo"},
        {"file:///a/b/archive.tar.gz", "archive.tar"},
        {"file:///a/.hidden", ".hidden"},
        {"file:///Applications/Some%20App.app/", "Some App"},
        {"file:///a/b//", "b"},
        {"file:///a/noextension", "noextension"},
        {"file:///", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.url);
        const QUrl url(QString::fromLatin1(c.url));
        EXPECT_EQ(baseName(url), QString::fromLatin1(c.name));
        EXPECT_EQ(sortName(url), QString::fromLatin1(c.name).toLower());
    }
    EXPECT_EQ(baseName(std::nullopt), QString());
}
