#include "ReviewFixture.h"

#include <DashboardVC.h>
#include <ResultCellDelegates.h>

#include <QStandardItemModel>
#include <QTableView>
#include <QTest>

#include <memory>

namespace {

// The results screen on its own, at the window's size, as the user sees it.
class ResultsScreenTest : public ReviewTest
{
protected:
    DashboardVC &show()
    {
        m_screen = std::make_unique<DashboardVC>();
        m_screen->resize(1151, 751);
        m_screen->prepareToShow();
        m_screen->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(m_screen.get()));
        return *m_screen;
    }

    void TearDown() override
    {
        m_screen.reset();
        ReviewTest::TearDown();
    }

    static void choose(QTableView *table, int row)
    {
        table->selectionModel()->setCurrentIndex(table->model()->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        // A category is loaded on the next pass of the event loop.
        QCoreApplication::processEvents();
    }

    static bool inSight(QTableView *table, int row)
    {
        return table->viewport()->rect().contains(table->visualRect(table->model()->index(row, 0)));
    }

private:
    std::unique_ptr<DashboardVC> m_screen;
};

// 200 groups whose sizes count up as their names count down: "g000" is the
// largest group, "g199" the smallest.
GroupList countingGroups()
{
    GroupList groups;
    for (int g = 0; g < 200; ++g) {
        const QString name = QStringLiteral("g%1").arg(199 - g, 3, 10, QLatin1Char('0'));
        groups += groupsOf(QStringLiteral("Photos"), {{name + QStringLiteral(".jpg"), name + QStringLiteral("b.jpg")}},
                           quint64(100 + g));
    }
    return groups;
}

struct SightCase
{
    const char *name;
    int categoryRow;
    std::function<void(ReviewSession &)> sort;
};

} // namespace

// The chosen group stays chosen through a sort and is scrolled into sight,
// however far it went; its copies stay shown beside it.
TEST_F(ResultsScreenTest, ASortKeepsTheChosenGroupInSight)
{
    const SightCase cases[] = {
        {"ascending, All Duplicates", 0, [](ReviewSession &s) { s.filterByAscending(); }},
        {"ascending, the category", 1, [](ReviewSession &s) { s.filterByAscending(); }},
        {"by name, descending", 0, [](ReviewSession &s) { s.sortByName(); }},
        {"by name, descending, the category", 1, [](ReviewSession &s) { s.sortByName(); }},
    };
    for (const SightCase &c : cases) {
        SCOPED_TRACE(c.name);
        clearResultStore();
        duplicateResults().setValue(QStringLiteral("Photos"), countingGroups());
        DashboardVC &screen = show();
        ReviewSession &s = *screen.session();
        QTableView *groups = screen.tableViewGroups();
        if (c.categoryRow != 0)
            choose(screen.tableViewCategories(), c.categoryRow);
        // The largest group opens at the top.
        choose(groups, 0);
        ASSERT_TRUE(inSight(groups, 0));
        const QString chosen = fileNameOf(groups->model()->index(0, 0).data(ReviewRoles::IdentityRole).value<CopyKey>());
        ASSERT_EQ(chosen, QStringLiteral("g000.jpg"));

        c.sort(s);
        const int row = s.groupSelectedRow();
        EXPECT_GT(row, 150) << "the case does not move the group far";
        EXPECT_EQ(fileNameOf(groups->model()->index(row, 0).data(ReviewRoles::IdentityRole).value<CopyKey>()), chosen);
        ASSERT_EQ(groups->selectionModel()->selectedRows().size(), 1);
        EXPECT_EQ(groups->selectionModel()->selectedRows().first().row(), row);
        EXPECT_TRUE(inSight(groups, row)) << "row " << row << " is out of sight";
        EXPECT_EQ(fileNameOf(screen.tableViewItems()->model()->index(0, 0).data(ReviewRoles::IdentityRole).value<CopyKey>()),
                  chosen);
    }
}

// The second line of the marked-copies row shows its count whole, with six
// digits on both sides, at the width the screen gives the categories table.
TEST_F(ResultsScreenTest, TheMarkedCopiesCountIsShownWhole)
{
    DashboardVC &screen = show();
    QTableView *table = screen.tableViewCategories();
    QStandardItemModel model;
    struct Case
    {
        const char *count;
        const char *size;
    };
    const Case cases[] = {
        {"1 / 6 copies marked", "100 bytes"},
        {"104799 / 165000 copies marked", "2.26 TB"},
        {"999999 / 999999 copies marked", "999.99 GB"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.count);
        auto *item = new QStandardItem;
        item->setData(int(ReviewRoles::RowKind::MarkedCopies), ReviewRoles::RowKindRole);
        item->setData(QStringLiteral("Marked Copies"), ReviewRoles::NameRole);
        item->setData(QString::fromLatin1(c.size), ReviewRoles::SizeTextRole);
        item->setData(QString::fromLatin1(c.count), ReviewRoles::CountTextRole);
        model.appendRow(item);
        const QModelIndex index = model.indexFromItem(item);

        QStyleOptionViewItem option;
        option.initFrom(table);
        option.widget = table;
        option.font = table->font();
        option.rect = QRect(QPoint(), table->itemDelegate()->sizeHint(option, index));
        option.rect.setWidth(table->viewport()->width());
        const CategoryCellDelegate::Texts shown = CategoryCellDelegate::shownTexts(option, index);
        EXPECT_EQ(shown.count, QString::fromLatin1(c.count));
        EXPECT_EQ(shown.name, QStringLiteral("Marked Copies"));
        EXPECT_EQ(shown.size, QString::fromLatin1(c.size));
    }
}
