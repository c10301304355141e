#include "ResultStoreFixture.h"

#include <CategoryLists.h>

using CategoryLists = ResultStoreTest;

namespace {

DuplicateGroup pair(const QString &prefix)
{
    return {makeRecord(prefix + QStringLiteral("-a")), makeRecord(prefix + QStringLiteral("-b"))};
}

QList<std::optional<ScanResultKeys>> markKeys()
{
    QList<std::optional<ScanResultKeys>> keys;
    for (const MarkedCategories &entry : markedCategories())
        keys.append(entry.key);
    return keys;
}

} // namespace

TEST_F(CategoryLists, EmptyStoreEmptiesGroupsAndMarks)
{
    allDuplicateGroups().append(FileInfoGroup{std::make_shared<FileInfo>()});
    markedCategories().append(MarkedCategories{ScanResultKeys::Photos, {{0}}});

    rebuildCategoryLists(false);

    EXPECT_TRUE(allDuplicateGroups().isEmpty());
    EXPECT_TRUE(markedCategories().isEmpty());
}

TEST_F(CategoryLists, FollowsTheRowOrderAndSkipsEmptyCategories)
{
    // Stored in the search's key order; listed in the results screen's.
    duplicateResults().setValue(QStringLiteral("Photos"), {pair(QStringLiteral("/p1")), pair(QStringLiteral("/p2"))});
    duplicateResults().setValue(QStringLiteral("Videos"), {});
    duplicateResults().setValue(QStringLiteral("Others"), {pair(QStringLiteral("/o1")), pair(QStringLiteral("/o2"))});
    duplicateResults().setValue(QStringLiteral("Applications"), {});

    rebuildCategoryLists(false);

    ASSERT_EQ(allDuplicateGroups().size(), 4);
    const QStringList expectedHeads{"/p1-a", "/p2-a", "/o1-a", "/o2-a"};
    for (int g = 0; g < 4; ++g) {
        ASSERT_EQ(allDuplicateGroups()[g].size(), 2);
        EXPECT_EQ(allDuplicateGroups()[g][0]->url->toLocalFile(), expectedHeads[g]);
    }
    EXPECT_EQ(markKeys(), (QList<std::optional<ScanResultKeys>>{ScanResultKeys::Photos, ScanResultKeys::Others}));
    for (const MarkedCategories &entry : markedCategories())
        EXPECT_EQ(entry.groupIndexes, (QList<QList<int>>{{}, {}}));
}

TEST_F(CategoryLists, ObjectsCopyTheRecordAndCarryTheListedCategory)
{
    InitialDirectory source = makeRecord(QStringLiteral("/x/song.mp3"));
    source.md5 = QStringLiteral("abc");
    source.category = ScanResultKeys::Musics;
    source.isSelected = true;
    source.isPhotoLibrary = true;
    source.photoLibraryProperties = PhotoLibraryProperties{};
    source.photoLibraryProperties->RKVuuid = QStringLiteral("v-1");
    source.identity = FileIdentity{7, 9};
    duplicateResults().setValue(QStringLiteral("Others"), {{source, makeRecord(QStringLiteral("/x/b"))}});

    rebuildCategoryLists(false);

    ASSERT_EQ(allDuplicateGroups().size(), 1);
    const FileInfo &info = *allDuplicateGroups()[0][0];
    EXPECT_EQ(info.category, ScanResultKeys::Others);
    EXPECT_EQ(info.md5, source.md5);
    EXPECT_EQ(info.url, source.url);
    EXPECT_EQ(info.file->size, source.file->size);
    EXPECT_TRUE(info.isSelected);
    EXPECT_TRUE(info.isPhotoLibrary);
    EXPECT_EQ(info.photoLibraryProperties, source.photoLibraryProperties);
    EXPECT_EQ(info.identity, source.identity);
}

TEST_F(CategoryLists, KeepingMarksRebuildsOnlyTheObjects)
{
    duplicateResults().setValue(QStringLiteral("Photos"), {pair(QStringLiteral("/p"))});
    rebuildCategoryLists(false);
    markedCategories()[0].groupIndexes[0] = {1};
    const FileInfoRef before = allDuplicateGroups()[0][0];
    before->isSelected = true;

    rebuildCategoryLists(true);

    ASSERT_EQ(markedCategories().size(), 1);
    EXPECT_EQ(markedCategories()[0].groupIndexes, (QList<QList<int>>{{1}}));
    ASSERT_EQ(allDuplicateGroups().size(), 1);
    EXPECT_NE(allDuplicateGroups()[0][0], before);
    EXPECT_FALSE(allDuplicateGroups()[0][0]->isSelected);
}

TEST_F(CategoryLists, GroupRowsListMarkedRecordsInRowGroupAndIndexOrder)
{
    duplicateResults().setValue(QStringLiteral("Photos"),
                                {{makeRecord("/p/0"), makeRecord("/p/1"), makeRecord("/p/2")}, {makeRecord("/q/0"), makeRecord("/q/1")}});
    duplicateResults().setValue(QStringLiteral("Archives"), {{makeRecord("/a/0"), makeRecord("/a/1")}});
    setCategoryRows({QStringLiteral("Archives"), QStringLiteral("Photos")});
    rebuildCategoryLists(false);

    rebuildGroupRows();
    EXPECT_TRUE(groupRows().isEmpty()) << "nothing marked";

    // Marked out of order, one index twice, one past the group's end.
    markedCategories()[1].groupIndexes = {{2, 0, 2, 7}, {1}};
    markedCategories()[0].groupIndexes = {{0}};
    rebuildGroupRows();
    EXPECT_EQ(recordPaths(groupRows()), (QStringList{"/a/0", "/p/0", "/p/2", "/q/1"}));
}

TEST_F(CategoryLists, GroupRowsSurviveMarksThatDoNotMatchTheRows)
{
    duplicateResults().setValue(QStringLiteral("Photos"), {{makeRecord("/p/0"), makeRecord("/p/1")}, {makeRecord("/q/0"), makeRecord("/q/1")}});
    duplicateResults().setValue(QStringLiteral("Videos"), {{makeRecord("/v/0"), makeRecord("/v/1")}});
    // Three category rows, but marks only for the first, and for one group of two;
    // the second row names no category.
    setCategoryRows({QStringLiteral("Photos"), QStringLiteral("Music"), QStringLiteral("Videos")});
    markedCategories() = {MarkedCategories{ScanResultKeys::Photos, {{1}}}};
    categoryRows().append(Categories{});

    rebuildGroupRows();
    EXPECT_EQ(recordPaths(groupRows()), (QStringList{"/p/1"}));

    groupRows().clear();
    for (int row : {-1, 0, 2, 3, 4, 99})
        fillCategoryGroupsFromResults(row);
    EXPECT_TRUE(groupRows().isEmpty());
}
