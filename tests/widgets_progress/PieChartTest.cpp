#include "KitSupport.h"
#include "PieChart.h"

#include "RenderSupport.h"

#include <UserDefaults.h>

#include <QAccessible>
#include <QMouseEvent>
#include <QCoreApplication>
#include <QTest>
#include <QVariantAnimation>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();
constexpr double kTurn = 2.0 * M_PI;

class ValuesDataSource : public PieChartDataSource
{
public:
    std::vector<double> values;
    std::vector<QColor> colors;

    int numberOfSlicesInPieChart(PieChart *) override { return int(values.size()); }
    double valueForSliceAtIndex(PieChart *, int index) override { return values.at(std::size_t(index)); }
    std::optional<QColor> colorForSliceAtIndex(PieChart *, int index) override
    {
        if (std::size_t(index) < colors.size())
            return colors[std::size_t(index)];
        return std::nullopt;
    }
};

class LoggingDelegate : public PieChartDelegate
{
public:
    QStringList log;

    void willSelectSliceAtIndex(PieChart *, int index) override { log << QStringLiteral("willSelect %1").arg(index); }
    void didSelectSliceAtIndex(PieChart *, int index) override { log << QStringLiteral("didSelect %1").arg(index); }
    void willDeselectSliceAtIndex(PieChart *, int index) override { log << QStringLiteral("willDeselect %1").arg(index); }
    void didDeselectSliceAtIndex(PieChart *, int index) override { log << QStringLiteral("didDeselect %1").arg(index); }

    QStringList take() { return std::exchange(log, {}); }
};

// Runs every arc animation to its end at once.
void finishAnimations(PieChart &chart)
{
    for (QVariantAnimation *animation : chart.animations())
        animation->setCurrentTime(animation->duration());
}

// A point well inside slice `index`, in the chart's bottom-left coordinates.
QPointF insideSlice(const PieChart &chart, int index)
{
    const SliceLayer *slice = chart.sliceLayerAt(index);
    const double middle = (slice->startAngle() + slice->endAngle()) / 2.0;
    return chart.pieCenter() + chart.pieRadius() * 0.6 * QPointF(std::cos(middle), std::sin(middle));
}

QStringList messages(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << QString::fromLatin1(text);
    return list;
}

// The chart as the scan screen sets it up: made for a layout (so it follows
// the pointer), centred pie, values without percentages.
class PieChartTest : public ::testing::Test
{
protected:
    PieChartTest()
        : chart(std::make_unique<PieChart>(QRect(0, 0, 400, 400), nullptr, PieChart::Source::InterfaceFile))
    {
        UserDefaults::standard().setObject(QStringLiteral("disablePieChartAnimation"), false);
        chart->setDataSource(&dataSource);
        chart->setDelegate(&delegate);
        chart->setPieCenter(QPointF(400, 400));
        chart->setPieRadius(175);
    }

    void load(std::vector<double> values)
    {
        dataSource.values = std::move(values);
        chart->reloadData();
        finishAnimations(*chart);
    }

    QPointF widgetPoint(const QPointF &chartPoint) const { return KitSupport::fromBottomLeft(chartPoint, chart->height()); }

    void moveTo(int slice)
    {
        const QPointF point = slice < 0 ? QPointF(2, 2) : widgetPoint(insideSlice(*chart, slice));
        QMouseEvent event(QEvent::MouseMove, point, chart->mapToGlobal(point), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(chart.get(), &event);
    }

    void clickOn(int slice)
    {
        const QPointF point = widgetPoint(insideSlice(*chart, slice));
        QMouseEvent event(QEvent::MouseButtonPress, point, chart->mapToGlobal(point), Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QApplication::sendEvent(chart.get(), &event);
    }

    void leave()
    {
        QEvent event(QEvent::Leave);
        QApplication::sendEvent(chart.get(), &event);
    }

    // Lets the selection delay run out.
    // Waits for the delayed selection to be made, however slow the machine.
    void waitForDelayedSelection()
    {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !chart->isSelectionDelayActive(); }, 5000));
    }

    std::vector<int> pulledOutSlices() const
    {
        std::vector<int> pulled;
        for (int index = 0; index < chart->sliceCount(); ++index) {
            if (chart->sliceLayerAt(index)->isSelected())
                pulled.push_back(index);
        }
        return pulled;
    }

    ValuesDataSource dataSource;
    LoggingDelegate delegate;
    std::unique_ptr<PieChart> chart;
};

struct AngleCase
{
    const char *name;
    std::vector<double> values;
    std::vector<double> shares;
};

class PieChartAngleTest : public PieChartTest, public ::testing::WithParamInterface<AngleCase>
{
};

} // namespace

// Each slice covers its share of one turn, the slices follow each other from
// the start angle (one turn below it, where the first load sends them), and
// hit testing finds every slice that has an area.
TEST_P(PieChartAngleTest, slicesCoverTheirSharesAndAreFoundByHitTesting)
{
    const AngleCase &value = GetParam();
    load(value.values);
    ASSERT_EQ(chart->sliceCount(), int(value.shares.size()));

    double angle = chart->startPieAngle() - kTurn;
    for (int index = 0; index < chart->sliceCount(); ++index) {
        const SliceLayer *slice = chart->sliceLayerAt(index);
        const double share = value.shares[std::size_t(index)];
        EXPECT_NEAR(slice->percentage(), share, 1e-12) << index;
        EXPECT_NEAR(slice->startAngle(), angle, 1e-9) << index;
        EXPECT_NEAR(slice->endAngle() - slice->startAngle(), share * kTurn, 1e-9) << index;
        angle = slice->endAngle();
        if (share > 0.0)
            EXPECT_EQ(chart->getCurrentSelectedOnLocation(insideSlice(*chart, index)), index);
        else
            EXPECT_TRUE(slice->path.isEmpty()) << index;
    }
    EXPECT_EQ(chart->getCurrentSelectedOnLocation(chart->pieCenter() + QPointF(chart->pieRadius() + 5, 0)), -1);
    EXPECT_FALSE(chart->isAnimationTimerActive());
    saveRender(*chart, QStringLiteral("pie_%1").arg(QString::fromLatin1(value.name)));
}

INSTANTIATE_TEST_SUITE_P(
    PieChart, PieChartAngleTest,
    ::testing::Values(AngleCase{"quarters", {1, 1, 2}, {0.25, 0.25, 0.5}}, AngleCase{"whole", {5}, {1.0}},
                      AngleCase{"unusableValuesCountZero", {3, -1, kNaN, kInfinity, 1}, {0.75, 0, 0, 0, 0.25}},
                      AngleCase{"hugeValuesStillDivide", {1e308, 1e308}, {0.5, 0.5}},
                      AngleCase{"zeroTotal", {0, 0}, {0, 0}}),
    [](const ::testing::TestParamInfo<AngleCase> &info) { return std::string(info.param.name); });

TEST_F(PieChartTest, firstLoadSweepsInFromTheStartAngle)
{
    dataSource.values = {1, 3};
    chart->reloadData();
    EXPECT_TRUE(chart->isAnimationTimerActive());
    ASSERT_EQ(chart->animations().size(), 4);
    const SliceLayer *second = chart->sliceLayerAt(1);
    EXPECT_EQ(second->presentationValue(QStringLiteral("startAngle")), chart->startPieAngle());
    EXPECT_NEAR(second->endAngle(), chart->startPieAngle(), 1e-9); // one full turn below: -2π + 2π
    for (QVariantAnimation *animation : chart->animations())
        animation->setCurrentTime(250);
    chart->updateTimerFired();
    EXPECT_LT(*second->presentationValue(QStringLiteral("startAngle")), chart->startPieAngle());
    saveRender(*chart, QStringLiteral("pie_first_load_half_way"));
    finishAnimations(*chart);
    EXPECT_FALSE(chart->isAnimationTimerActive());
}

struct ReloadCase
{
    const char *name;
    std::vector<double> before;
    std::vector<double> after;
};

class PieChartReloadTest : public PieChartTest, public ::testing::WithParamInterface<ReloadCase>
{
};

// Whatever slices are reused, slice i afterwards shows value i, and the
// pointer over it finds index i.
TEST_P(PieChartReloadTest, slicesFollowTheDataSourceOrder)
{
    const ReloadCase &value = GetParam();
    load(value.before);
    load(value.after);
    ASSERT_EQ(chart->sliceCount(), int(value.after.size()));
    double total = 0;
    for (double v : value.after)
        total += v;
    for (int index = 0; index < chart->sliceCount(); ++index) {
        const SliceLayer *slice = chart->sliceLayerAt(index);
        EXPECT_EQ(slice->value(), value.after[std::size_t(index)]) << index;
        EXPECT_NEAR(slice->endAngle() - slice->startAngle(), value.after[std::size_t(index)] / total * kTurn, 1e-9);
        EXPECT_EQ(chart->getCurrentSelectedOnLocation(insideSlice(*chart, index)), index);
    }
    saveRender(*chart, QStringLiteral("pie_reload_%1").arg(QString::fromLatin1(value.name)));
}

INSTANTIATE_TEST_SUITE_P(
    PieChart, PieChartReloadTest,
    ::testing::Values(ReloadCase{"shrinks", {1, 2, 3, 4, 5}, {5, 1, 2}}, ReloadCase{"shrinksToOne", {1, 2, 3}, {4}},
                      ReloadCase{"growsWithNewValues", {1, 2}, {3, 1, 2, 4}},
                      ReloadCase{"growsAroundKeptValues", {1, 2, 3}, {9, 2, 8, 7, 3}},
                      ReloadCase{"sameCount", {1, 2, 3}, {3, 2, 1}}),
    [](const ::testing::TestParamInfo<ReloadCase> &info) { return std::string(info.param.name); });

TEST_F(PieChartTest, zeroTotalAfterDataFoldsTheSlicesAway)
{
    for (const std::vector<double> &empty : {std::vector<double>{}, std::vector<double>{0, 0, 0}}) {
        load({2, 3, 5});
        moveTo(1);
        delegate.take();
        load(empty);
        EXPECT_EQ(chart->sliceCount(), 3); // kept for the next reload with data
        for (int index = 0; index < 3; ++index) {
            const SliceLayer *slice = chart->sliceLayerAt(index);
            EXPECT_EQ(slice->startAngle(), chart->startPieAngle());
            EXPECT_EQ(slice->endAngle(), chart->startPieAngle());
            EXPECT_TRUE(slice->path.isEmpty());
            EXPECT_TRUE(slice->label.string.isEmpty());
            EXPECT_FALSE(slice->isSelected());
        }
        EXPECT_EQ(chart->selectedSliceIndex(), -1);
        EXPECT_TRUE(delegate.log.isEmpty()); // a reload tells the delegate nothing
        chart->setShowPercentage(true);
        EXPECT_TRUE(chart->sliceLayerAt(0)->label.string.isEmpty());
        chart->setShowPercentage(false);
    }
    load({1, 1});
    EXPECT_EQ(chart->sliceCount(), 2);
    EXPECT_EQ(chart->getCurrentSelectedOnLocation(insideSlice(*chart, 1)), 1);
}

TEST_F(PieChartTest, labelsShowPercentagesOrValuesWhereTheyFit)
{
    chart->setShowPercentage(false);
    load({1, 1, 2, 0.01});
    EXPECT_EQ(chart->sliceLayerAt(0)->label.string, QStringLiteral("1"));
    EXPECT_EQ(chart->sliceLayerAt(2)->label.string, QStringLiteral("2"));
    EXPECT_TRUE(chart->sliceLayerAt(3)->label.string.isEmpty()); // too narrow for its text
    chart->setShowPercentage(true);
    EXPECT_EQ(chart->sliceLayerAt(2)->label.string, QStringLiteral("50"));
    chart->setShowText(false);
    chart->setShowPercentage(true);
    EXPECT_TRUE(chart->sliceLayerAt(0)->label.hidden);
}

TEST_F(PieChartTest, selectMoveClickAndExitTellTheDelegateInOrder)
{
    load({1, 1, 2});

    moveTo(0);
    EXPECT_EQ(delegate.take(), messages({"willSelect 0", "didSelect 0"}));
    EXPECT_EQ(chart->selectedSliceIndex(), 0);
    EXPECT_EQ(pulledOutSlices(), std::vector<int>{0});
    EXPECT_GT(QLineF(QPointF(), chart->sliceLayerAt(0)->position).length(), 0.0);
    saveRender(*chart, QStringLiteral("pie_slice_selected"));

    moveTo(0); // still over the same slice: nothing new
    EXPECT_TRUE(delegate.log.isEmpty());

    moveTo(2);
    EXPECT_EQ(delegate.take(), messages({"willDeselect 0", "didDeselect 0", "willSelect 2"}));
    EXPECT_EQ(chart->pendingSelectionIndex(), 2);
    waitForDelayedSelection();
    EXPECT_EQ(delegate.take(), messages({"didSelect 2"}));
    EXPECT_EQ(pulledOutSlices(), std::vector<int>{2});

    clickOn(2); // clicking the selected slice puts it back
    EXPECT_EQ(delegate.take(), messages({"willDeselect 2", "didDeselect 2"}));
    EXPECT_TRUE(pulledOutSlices().empty());
    clickOn(2);
    EXPECT_EQ(delegate.take(), messages({"willSelect 2", "didSelect 2"}));

    leave();
    EXPECT_EQ(delegate.take(), messages({"willDeselect 2", "didDeselect 2"}));
    EXPECT_EQ(chart->selectedSliceIndex(), -1);
    EXPECT_TRUE(pulledOutSlices().empty());
    EXPECT_EQ(chart->sliceLayerAt(2)->position, QPointF(0, 0));

    leave(); // nothing selected: nothing to tell
    EXPECT_TRUE(delegate.log.isEmpty());

    moveTo(1);
    moveTo(-1); // off the pie
    EXPECT_EQ(delegate.take(), messages({"willSelect 1", "didSelect 1", "willDeselect 1", "didDeselect 1"}));
}

// Assistive tools see a chart with one item per slice: named as the data
// source says (or by its value), its share as its description, found where it
// is drawn, selected while it is pulled out; reloads change the items.
TEST_F(PieChartTest, assistiveToolsSeeOneItemPerSlice)
{
    class NamingDataSource : public ValuesDataSource
    {
    public:
        std::optional<QString> accessibleTextForSliceAtIndex(PieChart *, int index) override
        {
            if (index == 1)
                return std::nullopt;
            return QStringLiteral("slice %1").arg(index);
        }
    } naming;
    chart->setDataSource(&naming);
    chart->setAccessibleName(QStringLiteral("Sizes by kind"));
    chart->show();
    naming.values = {1, 2, 1};
    chart->reloadData();
    finishAnimations(*chart);

    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(chart.get());
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->role(), QAccessible::Chart);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Sizes by kind"));
    ASSERT_EQ(accessible->childCount(), 3);
    struct Expected
    {
        const char *name;
        const char *share;
    };
    const Expected expected[] = {{"slice 0", "25%"}, {"2", "50%"}, {"slice 2", "25%"}};
    for (int index = 0; index < 3; ++index) {
        SCOPED_TRACE(index);
        QAccessibleInterface *slice = accessible->child(index);
        ASSERT_TRUE(slice && slice->isValid());
        EXPECT_EQ(slice->role(), QAccessible::ListItem);
        EXPECT_EQ(slice->text(QAccessible::Name), QLatin1String(expected[index].name));
        EXPECT_EQ(slice->text(QAccessible::Description), QLatin1String(expected[index].share));
        EXPECT_EQ(slice->parent(), accessible);
        EXPECT_EQ(accessible->indexOfChild(slice), index);
        EXPECT_EQ(accessible->child(index), slice);
        const QPoint inside = chart->mapToGlobal(widgetPoint(insideSlice(*chart, index)).toPoint());
        EXPECT_TRUE(slice->rect().contains(inside));
        EXPECT_EQ(accessible->childAt(inside.x(), inside.y()), slice);
        EXPECT_FALSE(slice->state().selected);
    }
    moveTo(1);
    EXPECT_TRUE(accessible->child(1)->state().selected);

    // Fewer slices: fewer items, and the one that went is no longer valid.
    QAccessibleInterface *third = accessible->child(2);
    naming.values = {1, 1};
    chart->reloadData();
    finishAnimations(*chart);
    EXPECT_EQ(accessible->childCount(), 2);
    EXPECT_FALSE(third->isValid());
    EXPECT_EQ(accessible->indexOfChild(third), -1);
    EXPECT_EQ(accessible->child(1)->text(QAccessible::Description), QStringLiteral("50%"));
    chart->setDataSource(&dataSource);
}

TEST_F(PieChartTest, aLaterChangeCancelsTheDelayedSelection)
{
    load({1, 1, 1, 1});
    moveTo(0);
    moveTo(1);
    moveTo(2); // before slice 1's delay ran out
    EXPECT_EQ(delegate.take(), messages({"willSelect 0", "didSelect 0", "willDeselect 0", "didDeselect 0", "willSelect 1",
                                         "willDeselect 1", "didDeselect 1", "willSelect 2"}));
    waitForDelayedSelection();
    EXPECT_EQ(delegate.take(), messages({"didSelect 2"}));
    EXPECT_EQ(pulledOutSlices(), std::vector<int>{2});
    EXPECT_EQ(chart->selectedSliceIndex(), 2);
}

TEST_F(PieChartTest, reloadExitAndDestructionCancelTheDelayedSelection)
{
    const struct
    {
        const char *name;
        std::function<void()> interrupt;
        // What the delegate hears from the interruption.
        QStringList told;
    } interruptions[] = {
        {"reload", [this] { chart->reloadData(); finishAnimations(*chart); }, {}},
        // The delegate was told slice 1 is coming; it hears that it is not.
        {"exit", [this] { leave(); }, messages({"willDeselect 1", "didDeselect 1"})},
        {"destruction", [this] { chart.reset(); }, {}},
    };
    load({1, 1, 1});
    for (const auto &interruption : interruptions) {
        moveTo(0);
        moveTo(1);
        ASSERT_EQ(chart->pendingSelectionIndex(), 1) << interruption.name;
        delegate.take();
        interruption.interrupt();
        EXPECT_EQ(delegate.take(), interruption.told) << interruption.name;
        QCoreApplication::processEvents();
        EXPECT_TRUE(delegate.log.isEmpty()) << interruption.name;
        // Nothing is left to fire later: no delay runs and nothing is pending.
        if (chart) {
            EXPECT_FALSE(chart->isSelectionDelayActive()) << interruption.name;
            EXPECT_FALSE(chart->pendingSelectionIndex().has_value()) << interruption.name;
            EXPECT_TRUE(pulledOutSlices().empty()) << interruption.name;
        }
    }
}

TEST_F(PieChartTest, indexesOutsideTheSlicesDoNothing)
{
    load({1, 2});
    chart->notifyDelegateOfSelectionChangeFrom(5, 9);
    chart->notifyDelegateOfSelectionChangeFrom(-1, 2);
    chart->notifyDelegateOfSelectionChangeFrom(3, 3);
    chart->setSliceSelectedAtIndex(7);
    chart->setSliceDeselectedAtIndex(-4);
    EXPECT_TRUE(delegate.log.isEmpty());
    EXPECT_TRUE(pulledOutSlices().empty());

    chart->notifyDelegateOfSelectionChangeFrom(8, 1); // an unknown old index counts as none
    EXPECT_EQ(delegate.take(), messages({"willSelect 1", "didSelect 1"}));
    EXPECT_EQ(chart->sliceLayerAt(-1), nullptr);
    EXPECT_EQ(chart->sliceLayerAt(2), nullptr);
}

TEST_F(PieChartTest, mouseIsIgnoredWhileADialogCoversTheChart)
{
    load({1, 2});
    moveTo(0);
    delegate.take();
    UserDefaults::standard().setObject(QStringLiteral("disablePieChartAnimation"), true);
    moveTo(1);
    clickOn(1);
    leave();
    EXPECT_TRUE(delegate.log.isEmpty());
    EXPECT_EQ(pulledOutSlices(), std::vector<int>{0});
    UserDefaults::standard().setObject(QStringLiteral("disablePieChartAnimation"), false);
    load({2, 1}); // reloads still work
    EXPECT_TRUE(pulledOutSlices().empty());
}

TEST(PieChartMade, smallLayoutChartsNeverPullSlicesOut)
{
    UserDefaults::standard().setObject(QStringLiteral("disablePieChartAnimation"), false);
    ValuesDataSource dataSource;
    dataSource.values = {1, 1};
    LoggingDelegate delegate;
    PieChart chart(QRect(0, 0, 220, 220), nullptr, PieChart::Source::InterfaceFile);
    EXPECT_EQ(chart.pieRadius(), 100.0);
    EXPECT_EQ(chart.selectedSliceOffsetRadius(), 0.0);
    EXPECT_EQ(chart.startPieAngle(), M_PI);
    EXPECT_EQ(chart.pieCenter(), QPointF(0, 0)); // until the screen sets it
    EXPECT_TRUE(chart.hasMouseTracking());
    chart.setPieCenter(QPointF(1, 1));
    EXPECT_EQ(chart.pieCenter(), QPointF(110, 110));
    chart.setDataSource(&dataSource);
    chart.setDelegate(&delegate);
    chart.reloadData();
    finishAnimations(chart);

    chart.notifyDelegateOfSelectionChangeFrom(-1, 0);
    chart.notifyDelegateOfSelectionChangeFrom(0, 0); // the same slice again: no toggle without pull-out
    chart.notifyDelegateOfSelectionChangeFrom(0, 1);
    EXPECT_EQ(delegate.log, messages({"willSelect 0", "didSelect 0", "willDeselect 0", "didDeselect 0", "willSelect 1"}));
    EXPECT_FALSE(chart.sliceLayerAt(0)->isSelected());
    EXPECT_EQ(chart.sliceLayerAt(0)->position, QPointF(0, 0));
}

TEST(PieChartMade, codeMadeChartsStartAtTheBottomAndNeverGoNegative)
{
    PieChart chart(QRect(0, 0, 300, 200));
    EXPECT_EQ(chart.startPieAngle(), M_PI * 1.5);
    EXPECT_EQ(chart.pieCenter(), QPointF(150, 100));
    EXPECT_EQ(chart.pieRadius(), 90.0);
    EXPECT_EQ(chart.selectedSliceOffsetRadius(), 10.0);
    EXPECT_EQ(chart.textRadius(), 45.0);
    EXPECT_FALSE(chart.hasMouseTracking());

    PieChart tiny(QRect(0, 0, 12, 12));
    EXPECT_EQ(tiny.pieRadius(), 0.0);
    tiny.setPieRadius(-5);
    EXPECT_EQ(tiny.pieRadius(), 0.0);
    PieChart placed(QRect(0, 0, 200, 200), QPointF(5, 5), 60);
    EXPECT_EQ(placed.pieCenter(), QPointF(100, 100));
    EXPECT_EQ(placed.pieViewCenter(), QPointF(5, 5));
    EXPECT_EQ(placed.pieRadius(), 60.0);
}

TEST(PieChartMade, scanScreenLook)
{
    ValuesDataSource dataSource;
    dataSource.values = {420, 260, 130, 90};
    dataSource.colors = {QColor::fromRgb(235, 87, 87), QColor::fromRgb(242, 153, 74), QColor::fromRgb(47, 128, 237),
                         QColor::fromRgb(39, 174, 96)};
    PieChart chart(QRect(0, 0, 300, 300), nullptr, PieChart::Source::InterfaceFile);
    chart.setBackgroundColor(Qt::white);
    chart.setShowPercentage(false);
    chart.setDataSource(&dataSource);
    chart.setTextColor(Qt::black);
    chart.setPieCenter(QPointF(300, 300));
    chart.setPieRadius(300 * 0.5 - 25);
    chart.reloadData();
    finishAnimations(chart);
    chart.setShowPercentage(true);
    chart.notifyDelegateOfSelectionChangeFrom(-1, 1);
    saveRender(chart, QStringLiteral("pie_scan_screen"));
    EXPECT_EQ(chart.sliceLayerAt(0)->fillColor, QColor::fromRgb(235, 87, 87));
    EXPECT_EQ(chart.sliceLayerAt(1)->label.string, QStringLiteral("29"));
}
