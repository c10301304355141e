#include "ReviewFixture.h"

namespace {

class SearchTest : public ReviewTest
{
protected:
    void SetUp() override
    {
        ReviewTest::SetUp();
        open({{QStringLiteral("Photos"),
               groupsOf(QStringLiteral("Photos"),
                        {{"XABCX.jpg", "other.jpg", "third.jpg"}, {"holiday.jpg", "Holiday copy.jpg"}})},
              {QStringLiteral("Documents"),
               groupsOf(QStringLiteral("Documents"), {{"abc report.txt", "r2.txt"}, {"jpgname.txt", "zz.txt"}})}});
    }

    // The groups the store holds now, by the file name of their first copy,
    // category by category in row order.
    static QStringList shownGroups()
    {
        QStringList names;
        for (int row = 1; row < categoryRows().size(); ++row) {
            for (const DuplicateGroup &group : *groupsOfCategoryRow(row))
                names.append(fileNameOf(group.first()) + QLatin1Char('/') + QString::number(group.size()));
        }
        return names;
    }

    static QStringList rowNames()
    {
        QStringList names;
        for (const Categories &row : std::as_const(categoryRows()))
            names.append(*row.name);
        return names;
    }

    void markInCategory(const QString &category, const QString &fileName, bool on)
    {
        ASSERT_TRUE(session.selectCategory(categoryRowOf(category)));
        GroupsModel &groups = *session.groupsModel();
        for (int g = 0; g < groups.rowCount(); ++g) {
            ASSERT_TRUE(session.selectGroup(g));
            const int row = rowNamed(*session.itemsModel(), fileName);
            if (row >= 0) {
                ASSERT_TRUE(setChecked(*session.itemsModel(), row, on));
                return;
            }
        }
        FAIL() << "no copy " << fileName.toStdString();
    }
};

struct SearchCase
{
    const char *text;
    QStringList groups; // first copy / number of copies
    QStringList rows;
};

} // namespace

TEST_F(SearchTest, KeepsWholeGroupsWithACopyWhoseNameHoldsTheText)
{
    const SearchCase cases[] = {
        {"abc", {"abc report.txt/2", "XABCX.jpg/3"}, {"All Duplicates", "Documents", "Photos"}},
        {"jpg", {"jpgname.txt/2"}, {"All Duplicates", "Documents"}}, // never the extension
        {"HOLIDAY", {"holiday.jpg/2"}, {"All Duplicates", "Photos"}},
        {"third", {"XABCX.jpg/3"}, {"All Duplicates", "Photos"}}, // through any copy
        {".", {}, {"All Duplicates"}},                            // no pattern
        {"[a-z]", {}, {"All Duplicates"}},
        {"zzz", {}, {"All Duplicates"}},
        // Each change filters the snapshot, not the previous result.
        {"ab", {"abc report.txt/2", "XABCX.jpg/3"}, {"All Duplicates", "Documents", "Photos"}},
        {"h", {"XABCX.jpg/3", "holiday.jpg/2"}, {"All Duplicates", "Photos"}},
    };
    for (const SearchCase &c : cases) {
        SCOPED_TRACE(c.text);
        session.applySearch(QString::fromUtf8(c.text));
        EXPECT_TRUE(session.isSearchActive());
        EXPECT_EQ(shownGroups(), c.groups);
        EXPECT_EQ(rowNames(), c.rows);
        EXPECT_EQ(session.categoriesModel()->rowCount(), c.rows.size());
        // The totals describe the whole result.
        EXPECT_EQ(session.totalItemsText(), QStringLiteral("9 copies found"));
    }
    session.clearSearch(QStringLiteral("x"));
    EXPECT_TRUE(session.isSearchActive()) << "a text in the field never restores";
    session.applySearch(QString());
    EXPECT_FALSE(session.isSearchActive());
    EXPECT_EQ(shownGroups().size(), 4);
}

TEST_F(SearchTest, MarksMadeInAndOutOfTheSearchSurviveIt)
{
    markInCategory(QStringLiteral("Photos"), QStringLiteral("other.jpg"), true);
    markInCategory(QStringLiteral("Photos"), QStringLiteral("holiday.jpg"), true);

    session.applySearch(QStringLiteral("abc"));
    EXPECT_EQ(markedNames(session), QStringList{QStringLiteral("other.jpg")}) << "the narrowed view keeps its marks";
    markInCategory(QStringLiteral("Photos"), QStringLiteral("other.jpg"), false);
    markInCategory(QStringLiteral("Documents"), QStringLiteral("r2.txt"), true);
    session.smartCheckAllGroups(ReviewSession::SmartCheckMode::KeepNewest);
    EXPECT_EQ(markedNames(session), (QStringList{QStringLiteral("other.jpg"), QStringLiteral("r2.txt"),
                                                 QStringLiteral("third.jpg")}));
    session.deselectAll();
    markInCategory(QStringLiteral("Documents"), QStringLiteral("r2.txt"), true);

    // Whatever the field holds, ending the search brings the whole result
    // back with the marks made meanwhile.
    session.endSearch();
    EXPECT_FALSE(session.isSearchActive());
    EXPECT_EQ(shownGroups().size(), 4);
    EXPECT_EQ(markedNames(session), (QStringList{QStringLiteral("holiday.jpg"), QStringLiteral("r2.txt")}));
    EXPECT_TRUE(fullyMarkedGroups().isEmpty());
}

TEST_F(SearchTest, FilterAndEndBringEveryRowBackToZero)
{
    for (const bool end : {false, true}) {
        SCOPED_TRACE(end ? "end" : "filter");
        ASSERT_TRUE(session.selectCategory(categoryRowOf(QStringLiteral("Photos"))));
        ASSERT_TRUE(session.selectGroup(1));
        ASSERT_TRUE(session.selectItem(1));
        if (end)
            session.endSearch();
        else
            session.applySearch(QStringLiteral("o"));
        EXPECT_EQ(session.categorySelectedRow(), 0);
        EXPECT_EQ(session.groupSelectedRow(), 0);
        EXPECT_EQ(session.itemSelectedRow(), 0);
    }
}
