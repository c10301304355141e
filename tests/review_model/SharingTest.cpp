#include "ReviewFixture.h"

#include <CopyMatches.h>

namespace {

// `count` groups of Photos, three copies each: "a<g>.jpg" for even groups,
// "b<g>.jpg" for odd ones, so a search for "a" keeps every other group.
GroupList manyGroups(int count)
{
    QList<QStringList> names;
    for (int g = 0; g < count; ++g) {
        const QString stem = QStringLiteral("%1%2").arg(g % 2 ? QLatin1Char('b') : QLatin1Char('a')).arg(g);
        names.append({stem + QStringLiteral(".jpg"), stem + QStringLiteral(" copy.jpg"),
                      stem + QStringLiteral(" copy 2.jpg")});
    }
    return groupsOf(QStringLiteral("Photos"), names);
}

// The record lists of the groups, by where their data lies.
QSet<const InitialDirectory *> groupData(const GroupList &groups)
{
    QSet<const InitialDirectory *> data;
    for (const DuplicateGroup &group : groups)
        data.insert(group.constData());
    return data;
}

QSet<const FileInfo *> objectsOf(const QList<FileInfoGroup> &groups)
{
    QSet<const FileInfo *> objects;
    for (const FileInfoGroup &group : groups) {
        for (const FileInfoRef &info : group)
            objects.insert(info.get());
    }
    return objects;
}

} // namespace

// The whole result stands in memory once: a search narrows the store to
// groups it shares with the results it set aside, a sort reorders without
// copying, and ending the search lets go of the set-aside lists.
TEST_F(ReviewTest, SearchAndSortShareTheRecordsOfTheWholeResult)
{
    open({{QStringLiteral("Photos"), manyGroups(40)}});
    const QSet<const InitialDirectory *> whole = groupData(*duplicateResults().find(QStringLiteral("Photos")));
    const QSet<const FileInfo *> objects = objectsOf(allDuplicateGroups());

    session.applySearch(QStringLiteral("a"));
    ASSERT_EQ(duplicateResults().find(QStringLiteral("Photos"))->size(), 20);
    EXPECT_TRUE(whole.contains(groupData(*duplicateResults().find(QStringLiteral("Photos")))))
        << "the kept groups are copies";
    EXPECT_TRUE(objects.contains(objectsOf(allDuplicateGroups()))) << "new All Duplicates objects for kept groups";

    for (const ReviewSession::GroupSortKey key : {ReviewSession::GroupSortKey::Name, ReviewSession::GroupSortKey::Size,
                                                  ReviewSession::GroupSortKey::Count}) {
        session.sortGroupsBy(key);
        EXPECT_TRUE(whole.contains(groupData(*duplicateResults().find(QStringLiteral("Photos")))))
            << "a sort copied the records, key " << int(key);
    }

    session.endSearch();
    EXPECT_EQ(groupData(*duplicateResults().find(QStringLiteral("Photos"))), whole);
    for (const DuplicateGroup &group : *duplicateResults().find(QStringLiteral("Photos")))
        EXPECT_TRUE(group.isDetached()) << "a set-aside list is still held";
}

// The marked-copies list the table shows is the flat list of marked records
// itself, not a second copy of 100,000 records.
TEST_F(ReviewTest, TheShownMarkedCopiesListIsTheFlatListItself)
{
    open({{QStringLiteral("Photos"), manyGroups(10)}});
    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepFirst);
    ASSERT_EQ(groupRows().size(), 20);
    EXPECT_TRUE(displayedGroupRows().isSharedWith(groupRows()));

    ASSERT_TRUE(session.selectCategory(session.categoriesModel()->markedCopiesRow()));
    EXPECT_TRUE(displayedGroupRows().isSharedWith(groupRows()));
    // Its sort reorders the list where it lies.
    const InitialDirectory *data = groupRows().constData();
    session.sortMarkedCopiesBy(ReviewSession::MarkedSortKey::Name);
    EXPECT_EQ(fileNameOf(displayedGroupRows().constFirst()), QStringLiteral("b9 copy 2.jpg"));
    EXPECT_EQ(groupRows().constData(), data);
    EXPECT_TRUE(displayedGroupRows().isSharedWith(groupRows()));
    // A row turned off stays listed until the list is taken again.
    ASSERT_TRUE(session.setMarkedRowChecked(3, false));
    EXPECT_EQ(displayedGroupRows().size(), 20);
    EXPECT_EQ(groupRows().size(), 19);
}

// Automatic marking during a search reports every copy of the narrowed store
// at once; the marks and the marked-copies lists of the whole result follow
// exactly as if the copies had been marked one by one.
TEST_F(ReviewTest, AutomaticMarkingInASearchReachesTheWholeResult)
{
    open({{QStringLiteral("Photos"), manyGroups(40)}});
    // b1 copy 2, outside the search.
    ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Photos"))));
    ASSERT_TRUE(session.selectGroup(1));
    ASSERT_TRUE(setChecked(*session.itemsModel(), 2, true));

    session.applySearch(QStringLiteral("a"));
    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepFirst);
    QStringList expected{QStringLiteral("b1 copy 2.jpg")};
    for (int g = 0; g < 40; g += 2) {
        expected.append(QStringLiteral("a%1 copy.jpg").arg(g));
        expected.append(QStringLiteral("a%1 copy 2.jpg").arg(g));
    }
    QStringList files;
    for (const InitialDirectory &record : session.xAllSelectedFiles())
        files.append(fileNameOf(record));
    EXPECT_EQ(files, expected) << "set-aside list in the order of the changes";

    // Unmarking every copy of the search drops exactly those records.
    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::DeselectAll);
    files.clear();
    for (const InitialDirectory &record : session.xAllSelectedFilesCopy())
        files.append(fileNameOf(record));
    EXPECT_EQ(files, QStringList{QStringLiteral("b1 copy 2.jpg")});

    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepFirst);
    session.endSearch();
    expected.removeFirst();
    expected.append(QStringLiteral("b1 copy 2.jpg"));
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(markedNames(session), expected);
    EXPECT_TRUE(fullyMarkedGroups().isEmpty());
}

namespace {

InitialDirectory record(const char *path, std::optional<quint64> inode)
{
    InitialDirectory copy;
    copy.url = QUrl::fromLocalFile(QString::fromLatin1(path));
    if (inode)
        copy.identity = FileIdentity{1, *inode};
    return copy;
}

struct MatchCase
{
    const char *name;
    InitialDirectory probe;
    qsizetype first;
};

} // namespace

// The lookup behind a search's marks finds what a walk through the list finds:
// an identity matches records with that identity or, without one, by URL.
TEST(CopyMatches, FindsTheFirstRecordAKeyMatches)
{
    const QList<InitialDirectory> list{
        record("/x/a", 1),       // 0
        record("/x/b", std::nullopt), // 1
        record("/x/a", 2),       // 2: the same path, another file
        record("/x/c", 1),       // 3: a hard link of 0
        record("/x/b", 3),       // 4
    };
    const MatchCase cases[] = {
        {"by identity", record("/y/elsewhere", 1), 0},
        {"an identity met only later", record("/x/a", 2), 2},
        {"a record without identity matches by URL", record("/x/b", 9), 1},
        {"a key without identity matches any record by URL", record("/x/a", std::nullopt), 0},
        {"nothing", record("/x/z", 7), -1},
    };
    for (const MatchCase &c : cases) {
        SCOPED_TRACE(c.name);
        CopyMatches matches;
        for (const InitialDirectory &item : list)
            matches.add(item);
        const qsizetype walked = std::find_if(list.cbegin(), list.cend(),
                                              [&](const InitialDirectory &item) {
                                                  return copyKey(c.probe, QStringLiteral("Photos")).matches(item);
                                              })
                                 - list.cbegin();
        EXPECT_EQ(walked == list.size() ? -1 : walked, c.first) << "the case itself";
        EXPECT_EQ(matches.first(CopyProbe(c.probe)), c.first);
        EXPECT_EQ(matches.first(CopyProbe(copyKey(c.probe, QStringLiteral("Photos")))), c.first);
    }

    // Records taken out are passed over; records added later are found.
    CopyMatches matches;
    for (const InitialDirectory &item : list)
        matches.add(item);
    matches.takeOut(0);
    EXPECT_EQ(matches.first(CopyProbe(record("/q", 1))), 3);
    matches.takeOut(3);
    EXPECT_EQ(matches.first(CopyProbe(record("/q", 1))), -1);
    EXPECT_EQ(matches.add(record("/x/d", 1)), 5);
    EXPECT_EQ(matches.first(CopyProbe(record("/q", 1))), 5);
    matches.takeOut(1);
    EXPECT_EQ(matches.first(CopyProbe(record("/x/b", std::nullopt))), 4);
}
