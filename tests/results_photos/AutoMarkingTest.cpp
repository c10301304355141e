#include "ResultStoreFixture.h"

#include <AutoMarking.h>
#include <CategoryLists.h>

namespace {

// "hh:mm:ss.zzz" on one day in UTC, "-" for a copy without facts, or a full
// ISO date for the days around 1970.
std::optional<QDateTime> when(const char *text)
{
    const QString value = QString::fromLatin1(text);
    if (value == QLatin1String("-"))
        return std::nullopt;
    if (value.contains(QLatin1Char('T')))
        return QDateTime::fromString(value, Qt::ISODateWithMs);
    return QDateTime(QDate(2024, 5, 17), QTime::fromString(value, QStringLiteral("hh:mm:ss.zzz")), Qt::UTC);
}

DuplicateGroup groupOf(const QList<const char *> &dates)
{
    DuplicateGroup group;
    int index = 0;
    for (const char *date : dates)
        group.append(makeRecord(QStringLiteral("/copy/%1").arg(index++), when(date)));
    return group;
}

struct KeepCase
{
    const char *name;
    QList<QList<const char *>> groups;
    QList<int> oldest;
    QList<int> newest;
};

} // namespace

TEST(AutoMarking, IndexesOfItemsToKeep)
{
    const KeepCase cases[] = {
        {"no groups", {}, {}, {}},
        {"one dated copy", {{"10:00:00.000"}}, {0}, {0}},
        {"same second, different fractions", {{"10:00:00.900", "10:00:00.100", "10:00:00.500"}}, {0}, {0}},
        {"fractions do not count, seconds do", {{"10:00:00.200", "10:00:00.900", "09:59:59.500"}}, {2}, {0}},
        {"lowest index of the latest second", {{"10:00:05.000", "10:00:07.000", "10:00:07.000"}}, {0}, {1}},
        {"a copy without facts is passed over", {{"10:00:05.000", "-", "10:00:01.000"}}, {2}, {0}},
        {"first copy without facts: no choice", {{"-", "10:00:01.000", "10:00:09.000"}}, {}, {}},
        {"an empty group adds nothing", {{}, {"10:00:01.000", "10:00:00.000"}}, {1}, {0}},
        {"no choice in the middle", {{"10:00:02.000", "10:00:01.000"}, {"-", "10:00:00.000"}, {"10:00:00.000", "10:00:03.000"}},
         {1, 0}, {0, 1}},
        // Half a second before 1970 is another second than just after it.
        {"seconds before 1970", {{"1970-01-01T00:00:00.200Z", "1969-12-31T23:59:59.500Z"}}, {1}, {0}},
    };
    for (const KeepCase &c : cases) {
        SCOPED_TRACE(c.name);
        GroupList groups;
        for (const auto &dates : c.groups)
            groups.append(groupOf(dates));
        EXPECT_EQ(indexesOfItemsToKeep(false, groups), c.oldest);
        EXPECT_EQ(indexesOfItemsToKeep(true, groups), c.newest);
    }
}

TEST(AutoMarking, OneGroupWithoutChoiceAnswersNothing)
{
    EXPECT_EQ(indexOfItemToKeep(true, {}), std::nullopt);
    EXPECT_EQ(indexOfItemToKeep(false, groupOf({"-", "10:00:00.000"})), std::nullopt);
    EXPECT_EQ(indexOfItemToKeep(false, groupOf({"10:00:03.000", "-", "10:00:00.000"})), 2);
}

class MarkingActions : public ResultStoreTest
{
protected:
    void SetUp() override
    {
        ResultStoreTest::SetUp();
        // Group 1 has no choice and starts with every copy marked, as a
        // stale hand-made selection might leave it.
        duplicateResults().setValue(QStringLiteral("Photos"),
                                    {groupOf({"10:00:09.000", "10:00:01.000", "10:00:05.000"}),
                                     groupOf({"-", "10:00:00.000"}),
                                     groupOf({"10:00:01.000", "10:00:08.000"}),
                                     groupOf({"10:00:00.000"})});
        setCategoryRows({QStringLiteral("Photos")});
        rebuildCategoryLists(false);
        markedCategories()[0].groupIndexes[1] = {0, 1};
    }

    static QList<QList<int>> marks() { return markedCategories()[0].groupIndexes; }
};

TEST_F(MarkingActions, KeepOneCopyPerGroupAndNeverMarkAGroupWithoutChoice)
{
    markAllButNewest(1);
    EXPECT_EQ(marks(), (QList<QList<int>>{{1, 2}, {}, {0}, {}}));

    markAllButOldest(1);
    EXPECT_EQ(marks(), (QList<QList<int>>{{0, 2}, {}, {1}, {}}));

    markAllButFirst(1);
    EXPECT_EQ(marks(), (QList<QList<int>>{{1, 2}, {1}, {1}, {}}));
}

TEST_F(MarkingActions, RowsOrMarksThatDoNotMatchChangeNothingElse)
{
    const QList<QList<int>> before = marks();
    for (int row : {-1, 0, 2, 40})
        markAllButNewest(row);
    EXPECT_EQ(marks(), before);

    // Fewer mark lists than groups: the groups without a list are left alone.
    markedCategories()[0].groupIndexes.resize(2);
    markAllButFirst(1);
    EXPECT_EQ(marks(), (QList<QList<int>>{{1, 2}, {1}}));
}
