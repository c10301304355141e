#include "BezierPath.h"

#include <QLineF>

#include <gtest/gtest.h>

#include <cmath>

namespace {

constexpr qreal kTolerance = 1e-6;

QPointF endPoint(const BezierPath &path)
{
    const BezierPath::Element last = path.elementAt(path.elementCount() - 1);
    return last.points[last.type == BezierPath::ElementType::CurveTo ? 2 : 0];
}

struct ArcCase
{
    const char *name;
    qreal startAngle;
    qreal endAngle;
    bool clockwise;
    QPointF expectedEnd;
    // A point of the disc that the arc's sector covers, and one it leaves out.
    QPointF inside;
    QPointF outside;
};

class ArcTest : public ::testing::TestWithParam<ArcCase>
{
};

} // namespace

// Sectors (centre, arc, close) in bottom-left coordinates: angles grow
// counter-clockwise, and a clockwise arc goes the other way round.
TEST_P(ArcTest, sectorCoversTheTurnedPart)
{
    const ArcCase &arc = GetParam();
    const QPointF center(0, 0);
    BezierPath path;
    path.moveTo(center);
    path.appendArc(center, 10, arc.startAngle, arc.endAngle, arc.clockwise);
    const QPointF end = endPoint(path);
    path.closePath();

    EXPECT_NEAR(end.x(), arc.expectedEnd.x(), kTolerance);
    EXPECT_NEAR(end.y(), arc.expectedEnd.y(), kTolerance);
    EXPECT_TRUE(path.contains(arc.inside));
    EXPECT_FALSE(path.contains(arc.outside));
}

INSTANTIATE_TEST_SUITE_P(
    BezierPath, ArcTest,
    ::testing::Values(
        ArcCase{"quarterCounterClockwise", 0, 90, false, {0, 10}, {3, 3}, {-3, -3}},
        ArcCase{"quarterClockwiseGoesTheLongWay", 0, 90, true, {0, 10}, {-3, -3}, {3, 3}},
        ArcCase{"threeQuartersClockwiseFromTheTop", 90, -180, true, {-10, 0}, {3, -3}, {-3, 3}},
        ArcCase{"endBeforeStartWrapsCounterClockwise", 90, 0, false, {10, 0}, {-3, -3}, {3, 3}},
        ArcCase{"moreThanOneTurnDrawsOne", 0, 720, false, {10, 0}, {-3, -3}, {20, 20}}),
    [](const ::testing::TestParamInfo<ArcCase> &info) { return std::string(info.param.name); });

TEST(BezierPath, fullCircleStaysOnTheCircle)
{
    BezierPath circle;
    const QPointF center(50, 40);
    circle.appendArc(center, 30, 90, -270, true);
    const QPainterPath drawn = CGPath(circle, 80);
    for (int step = 0; step <= 40; ++step) {
        const QPointF point = drawn.pointAtPercent(step / 40.0);
        // In top-left coordinates the centre is at (50, 80 - 40).
        EXPECT_NEAR(QLineF(QPointF(50, 40), point).length(), 30.0, 0.03) << "step " << step;
    }
    // Clockwise from the top: a little way along, the arc is right of the top.
    EXPECT_GT(drawn.pointAtPercent(0.05).x(), 50.0);
    EXPECT_LT(drawn.pointAtPercent(0.05).y(), 40.0);
}

TEST(BezierPath, cgPathFlipsEveryPointAndKeepsTheElements)
{
    BezierPath path;
    path.moveTo({10, 20});
    path.lineTo({30, 20});
    path.curveTo({40, 60}, {32, 30}, {38, 50});
    path.closePath();

    const QPainterPath drawn = CGPath(path, 100);
    ASSERT_EQ(drawn.elementCount(), 6); // move, line, curve (three points), and the closing line
    EXPECT_EQ(QPointF(drawn.elementAt(0)), QPointF(10, 80));
    EXPECT_EQ(QPointF(drawn.elementAt(1)), QPointF(30, 80));
    EXPECT_EQ(drawn.elementAt(2).type, QPainterPath::CurveToElement);
    EXPECT_EQ(QPointF(drawn.elementAt(2)), QPointF(32, 70));
    EXPECT_EQ(QPointF(drawn.elementAt(3)), QPointF(38, 50));
    EXPECT_EQ(QPointF(drawn.elementAt(4)), QPointF(40, 40));
    EXPECT_EQ(drawn.fillRule(), Qt::WindingFill);
}

TEST(BezierPath, roundedRectContainsItsMiddleButNotItsCorners)
{
    BezierPath path;
    path.appendRoundedRect(QRectF(0, 0, 20, 10), 5);
    EXPECT_TRUE(path.contains({10, 5}));
    EXPECT_FALSE(path.contains({0.5, 0.5}));
    EXPECT_FALSE(path.contains({19.5, 9.5}));
    EXPECT_TRUE(path.contains({10, 9.5}));
}

TEST(BezierPath, timingCurvesPaceAsTheirControlPointsSay)
{
    const QEasingCurve ease = timingCurve(0.25, 0.1, 0.25, 1.0);
    EXPECT_NEAR(ease.valueForProgress(0.0), 0.0, 1e-3);
    EXPECT_NEAR(ease.valueForProgress(1.0), 1.0, 1e-3);
    EXPECT_NEAR(ease.valueForProgress(0.5), 0.8024, 5e-3);
    const QEasingCurve easeOut = timingCurve(0.0, 0.0, 0.58, 1.0);
    EXPECT_GT(easeOut.valueForProgress(0.5), 0.5);
}
