#include "ReviewFixture.h"

#include <QSignalSpy>

#include <functional>

namespace {

struct RowsCase
{
    const char *name;
    QStringList stored; // categories with one group each, in the order they are stored
    QStringList empty;  // categories stored without groups
    QStringList rows;
};

QStringList modelRowNames(const CategoriesModel &model)
{
    QStringList names;
    for (int row = 0; row < model.rowCount(); ++row)
        names.append(model.index(row, 0).data(ReviewRoles::CategoryNameRole).toString());
    return names;
}

} // namespace

TEST_F(ReviewTest, CategoryRowsComeInTheFixedOrder)
{
    const RowsCase cases[] = {
        {"only Photos", {"Photos"}, {"Archives"}, {"All Duplicates", "Photos"}},
        {"all seven, stored in another order",
         {"Others", "Videos", "Photos", "Musics", "Documents", "Archives", "Applications"},
         {},
         {"All Duplicates", "Applications", "Archives", "Documents", "Musics", "Photos", "Videos", "Others"}},
        {"an empty result", {}, {"Videos", "Others"}, {"All Duplicates"}},
        {"unknown keys are passed over", {"None", "Music", "Videos"}, {}, {"All Duplicates", "Videos"}},
    };
    for (const RowsCase &c : cases) {
        SCOPED_TRACE(c.name);
        clearResultStore();
        QList<QPair<QString, GroupList>> stored;
        for (const QString &name : c.stored)
            stored.append({name, groupsOf(name, {{"a.x", "b.x"}})});
        for (const QString &name : c.empty)
            stored.append({name, GroupList()});
        open(stored);
        EXPECT_EQ(modelRowNames(*session.categoriesModel()), c.rows);
        EXPECT_EQ(markedCategories().size(), c.rows.size() - 1);
    }
}

TEST_F(ReviewTest, MarksInsertAndRemoveTheTwoExtraRows)
{
    open({{QStringLiteral("Photos"), groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg"}, {"c.jpg", "d.jpg"}})},
          {QStringLiteral("Videos"), groupsOf(QStringLiteral("Videos"), {{"e.mov", "f.mov"}})}});
    CategoriesModel &categories = *session.categoriesModel();
    QSignalSpy inserted(&categories, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(&categories, &QAbstractItemModel::rowsRemoved);
    QSignalSpy reset(&categories, &QAbstractItemModel::modelReset);
    ASSERT_EQ(categories.rowCount(), 3);

    ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Photos"))));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 0, true));
    EXPECT_EQ(categories.rowCount(), 5);
    ASSERT_EQ(inserted.size(), 1);
    EXPECT_EQ(inserted.at(0).at(1).toInt(), 3);
    EXPECT_EQ(inserted.at(0).at(2).toInt(), 4);
    EXPECT_FALSE(categories.flags(categories.index(3)) & Qt::ItemIsSelectable) << "the separator";
    EXPECT_FALSE(session.selectCategory(3));
    const QModelIndex marked = categories.index(4);
    EXPECT_EQ(marked.data(ReviewRoles::CountTextRole).toString(), QStringLiteral("1 / 6 copies marked"));
    EXPECT_EQ(marked.data(ReviewRoles::SizeTextRole).toString(), QStringLiteral("100 bytes"));
    EXPECT_EQ(marked.data(ReviewRoles::IconRole).toString(), QStringLiteral("selected"));

    ASSERT_TRUE(session.selectGroup(1));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 1, true));
    EXPECT_EQ(inserted.size(), 1) << "a second mark only refreshes the marked-copies row";
    EXPECT_EQ(marked.data(ReviewRoles::CountTextRole).toString(), QStringLiteral("2 / 6 copies marked"));

    ASSERT_TRUE(setChecked(*session.itemsModel(), 1, false));
    ASSERT_TRUE(session.selectGroup(0));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 0, false));
    EXPECT_EQ(categories.rowCount(), 3);
    ASSERT_EQ(removed.size(), 1);
    EXPECT_EQ(removed.at(0).at(1).toInt(), 3);
    EXPECT_EQ(reset.size(), 0) << "the extra rows come and go without a reset";

    session.deselectAll();
    EXPECT_EQ(categories.rowCount(), 3) << "deselect all with nothing marked changes no row";
    EXPECT_EQ(removed.size(), 1);
}

TEST_F(ReviewTest, CopiesOfTheAllDuplicatesRowShareMarksWithTheirCategory)
{
    open({{QStringLiteral("Musics"), groupsOf(QStringLiteral("Musics"), {{"a.mp3", "b.mp3", "c.mp3"}})}});
    ASSERT_TRUE(session.selectCategory(0));
    ASSERT_TRUE(setChecked(*session.itemsModel(), rowNamed(*session.itemsModel(), QStringLiteral("b.mp3")), true));
    EXPECT_EQ(session.groupsModel()->index(0, 0).data(ReviewRoles::MarkedCountRole).toInt(), 1);
    EXPECT_EQ(session.groupsModel()->index(0, 0).data(ReviewRoles::CopyCountRole).toInt(), 3);

    ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Musics"))));
    EXPECT_TRUE(isChecked(*session.itemsModel(), rowNamed(*session.itemsModel(), QStringLiteral("b.mp3"))));
    EXPECT_EQ(session.groupsModel()->index(0, 0).data(ReviewRoles::MarkedCountRole).toInt(), 1);
    EXPECT_EQ(session.groupsModel()->index(0, 0).data(Qt::DisplayRole).toString(), QStringLiteral("a"));
    EXPECT_EQ(session.itemsModel()->index(0, 0).data(Qt::DisplayRole).toString(), QStringLiteral("a.mp3"));
}

// The first copy with an equal URL decides, even when a later one is marked.
TEST_F(ReviewTest, TheFirstEqualUrlDecidesALookup)
{
    GroupList photos = groupsOf(QStringLiteral("Photos"), {{"a.jpg", "b.jpg"}, {"c.jpg", "d.jpg"}});
    photos[1][1].url = photos[0][0].url; // the same URL twice, without identities
    for (DuplicateGroup &group : photos) {
        for (InitialDirectory &copy : group)
            copy.identity.reset();
    }
    open({{QStringLiteral("Photos"), photos}});
    markedCategories()[0].groupIndexes = {{}, {1}};
    const CopyKey key = copyKey(photos[0][0], QStringLiteral("Photos"));
    EXPECT_FALSE(session.isMarked(key));
    EXPECT_EQ(session.locate(key), (CopyLocation{1, 0, 0}));
    // The same file in another category is another copy.
    EXPECT_FALSE(session.locate(copyKey(photos[0][0], QStringLiteral("Videos"))));
}

// A reader hears each row as the screen shows it: two copies of one name are
// told apart by their folders, in the copies table and among the marked
// copies alike; a group says how many of its copies are marked.
TEST_F(ReviewTest, EachRowReadsAsItShows)
{
    open({{QStringLiteral("Photos"),
           groupsOf(QStringLiteral("Photos"), {{"meadow.jpg", "backup/meadow.jpg", "old/meadow.jpg"}}, 2048)}});
    ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Photos"))));
    ASSERT_TRUE(session.selectGroup(0));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 1, true));
    const auto spoken = [](const QAbstractItemModel *model, int row) {
        return model->index(row, 0).data(Qt::AccessibleTextRole).toString();
    };
    struct Case
    {
        const char *row;
        std::function<void()> view;
        const QAbstractItemModel *model;
        int index;
        QString heard;
    };
    const auto inPhotos = [this] {
        ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Photos"))));
        ASSERT_TRUE(session.selectGroup(0));
    };
    const auto inAllDuplicates = [this] {
        ASSERT_TRUE(session.selectCategory(0));
        ASSERT_TRUE(session.selectGroup(0));
    };
    const auto inMarkedCopies = [this] {
        ASSERT_TRUE(session.selectCategory(session.categoriesModel()->markedCopiesRow()));
    };
    const Case cases[] = {
        {"a copy", inPhotos, session.itemsModel(), 0, QStringLiteral("meadow.jpg, /data/Photos, 2.0 KB")},
        {"its twin in another folder", inPhotos, session.itemsModel(), 1,
         QStringLiteral("meadow.jpg, /data/Photos/backup, 2.0 KB")},
        {"a copy of All Duplicates", inAllDuplicates, session.itemsModel(), 2,
         QStringLiteral("meadow.jpg, /data/Photos/old, 2.0 KB")},
        {"a group", inPhotos, session.groupsModel(), 0, QStringLiteral("meadow, 6.0 KB, 1 / 3")},
        {"a group of All Duplicates", inAllDuplicates, session.groupsModel(), 0, QStringLiteral("meadow, 6.0 KB, 1 / 3")},
        {"a marked copy", inMarkedCopies, session.groupsModel(), 0,
         QStringLiteral("meadow.jpg, /data/Photos/backup, 2.0 KB")},
        {"a category", inPhotos, session.categoriesModel(), categoryRowOf(QStringLiteral("Photos")),
         QStringLiteral("Photos, 6.0 KB")},
        {"the marked copies", inPhotos, session.categoriesModel(), session.categoriesModel()->markedCopiesRow(),
         QStringLiteral("Marked Copies, 2.0 KB, 1 / 3 copies marked")},
        {"the separator", inPhotos, session.categoriesModel(), session.categoriesModel()->separatorRow(), QString()},
        {"its marked twin in another folder",
         [&] {
             inPhotos();
             ASSERT_TRUE(setChecked(*session.itemsModel(), 2, true));
             inMarkedCopies();
         },
         session.groupsModel(), 1, QStringLiteral("meadow.jpg, /data/Photos/old, 2.0 KB")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.row);
        c.view();
        EXPECT_EQ(spoken(c.model, c.index), c.heard);
    }
}
