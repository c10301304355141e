#include "CircularProgressView.h"
#include "ProgressBar.h"

#include "RenderSupport.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInfinity = std::numeric_limits<double>::infinity();

struct RingCase
{
    double progress;
    double strokeEnd;
    const char *text;
};

class RingValueTest : public ::testing::TestWithParam<RingCase>
{
};

} // namespace

TEST(CircularProgressView, startsEmptyWithZeroPercentInTheForegroundColour)
{
    CircularProgressView ring;
    ring.resize(100, 100);
    EXPECT_EQ(ring.strokeEnd(), 0.0);
    EXPECT_EQ(ring.percentText(), QStringLiteral("0%"));
    EXPECT_EQ(ring.percentLabelColor(), ring.foreground());
    EXPECT_FALSE(ring.isPercentLabelHidden());
    saveRender(ring, QStringLiteral("ring_new"));
}

// The ring clamps to its range and draws nothing for a value that is not
// finite; the text is the truncated hundredths, defined for every value.
TEST_P(RingValueTest, strokeEndAndText)
{
    const RingCase &value = GetParam();
    CircularProgressView ring;
    ring.setAnimated(false);
    ring.setProgress(value.progress);
    EXPECT_DOUBLE_EQ(ring.strokeEnd(), value.strokeEnd);
    EXPECT_DOUBLE_EQ(ring.presentedStrokeEnd(), value.strokeEnd);
    EXPECT_EQ(ring.percentText(), QString::fromLatin1(value.text));
}

INSTANTIATE_TEST_SUITE_P(
    CircularProgressView, RingValueTest,
    ::testing::Values(RingCase{0.0, 0.0, "0%"}, RingCase{0.5, 0.5, "50%"}, RingCase{0.999, 0.999, "99%"},
                      RingCase{1.0, 1.0, "100%"}, RingCase{1.5, 1.0, "150%"}, RingCase{-0.2, 0.0, "-20%"},
                      RingCase{-0.005, 0.0, "0%"}, RingCase{kNaN, 0.0, "0%"}, RingCase{kInfinity, 0.0, "0%"},
                      RingCase{-kInfinity, 0.0, "0%"}, RingCase{1e300, 1.0, "9223372036854775807%"},
                      RingCase{-1e300, 0.0, "-9223372036854775808%"}));

TEST(CircularProgressView, animatedChangeRunsHalfASecondFromWhatIsShown)
{
    CircularProgressView ring;
    ring.resize(100, 100);
    ring.setProgress(0.5);
    QVariantAnimation &animation = ring.progressAnimation();
    ASSERT_EQ(animation.state(), QAbstractAnimation::Running);
    EXPECT_EQ(animation.duration(), 500);
    EXPECT_DOUBLE_EQ(ring.strokeEnd(), 0.5);
    EXPECT_EQ(ring.percentText(), QStringLiteral("50%"));

    animation.setCurrentTime(250);
    EXPECT_NEAR(ring.presentedStrokeEnd(), 0.25, 1e-9); // linear pacing
    saveRender(ring, QStringLiteral("ring_animating_quarter"));

    // A new value in the middle continues from the quarter on screen.
    ring.setProgress(1.0);
    EXPECT_NEAR(ring.progressAnimation().startValue().toDouble(), 0.25, 1e-9);
    ring.progressAnimation().setCurrentTime(500);
    EXPECT_EQ(ring.progressAnimation().state(), QAbstractAnimation::Stopped);
    EXPECT_DOUBLE_EQ(ring.presentedStrokeEnd(), 1.0);
}

TEST(CircularProgressView, unanimatedChangeJumps)
{
    CircularProgressView ring;
    ring.setProgress(0.4);
    ring.setAnimated(false);
    ring.setProgress(0.8);
    EXPECT_EQ(ring.progressAnimation().state(), QAbstractAnimation::Stopped);
    EXPECT_DOUBLE_EQ(ring.presentedStrokeEnd(), 0.8);
}

TEST(CircularProgressView, lineWidthIsFivePercentOfTheCurrentWidthUnlessSet)
{
    CircularProgressView ring;
    ring.resize(100, 100);
    EXPECT_DOUBLE_EQ(ring.progressLineWidth(), 5.0);
    ring.resize(240, 240);
    EXPECT_DOUBLE_EQ(ring.progressLineWidth(), 12.0);
    ring.setStrokeWidth(8.0);
    EXPECT_DOUBLE_EQ(ring.progressLineWidth(), 8.0);
    ring.setStrokeWidth(-3.0);
    EXPECT_DOUBLE_EQ(ring.progressLineWidth(), 0.0);
}

TEST(CircularProgressView, appearanceChangesTurnTheLabelBlueAndShowPercentHidesIt)
{
    CircularProgressView ring;
    ring.resize(160, 160);
    ring.setBackground(Qt::transparent);
    EXPECT_EQ(ring.percentLabelColor(), QColor::fromRgbF(0.0f, 0.478f, 1.0f, 1.0f));
    ring.setAnimated(false);
    ring.setProgress(0.66);
    saveRender(ring, QStringLiteral("ring_two_thirds"));

    ring.setShowPercent(false);
    EXPECT_TRUE(ring.isPercentLabelHidden());
    ring.setShowPercent(true);
    EXPECT_FALSE(ring.isPercentLabelHidden());
}

TEST(ProgressBar, startsFullAndClampsEveryValue)
{
    ProgressBar bar;
    bar.resize(206, 20);
    EXPECT_DOUBLE_EQ(bar.filledShare(), 1.0);
    EXPECT_EQ(bar.progressRect(), QRectF(3, 3, 200, 14));
    saveRender(bar, QStringLiteral("bar_new"));

    bar.setAnimated(false);
    const struct
    {
        double progress;
        double share;
    } cases[] = {{0.5, 0.5}, {0.0, 0.0}, {1.0, 1.0}, {1.5, 1.0}, {-0.2, 0.0}, {kNaN, 0.0}, {kInfinity, 0.0}};
    for (const auto &value : cases) {
        bar.setProgress(value.progress);
        EXPECT_DOUBLE_EQ(bar.filledShare(), value.share) << "progress " << value.progress;
        EXPECT_DOUBLE_EQ(bar.progressRect().width(), 200 * value.share) << "progress " << value.progress;
    }
}

TEST(ProgressBar, barFollowsTheCurrentSize)
{
    ProgressBar bar;
    bar.setAnimated(false);
    bar.resize(106, 12);
    bar.setProgress(0.5);
    EXPECT_EQ(bar.progressRect(), QRectF(3, 3, 50, 6));
    bar.resize(306, 24);
    EXPECT_EQ(bar.progressRect(), QRectF(3, 3, 150, 18));
    bar.setBorderColor(Qt::darkGray);
    saveRender(bar, QStringLiteral("bar_half"));
}

TEST(ProgressBar, animatedChangeEasesOut)
{
    ProgressBar bar;
    bar.resize(206, 20);
    bar.setAnimated(false);
    bar.setProgress(0.0);
    bar.setAnimated(true);
    bar.setProgress(1.0);
    QVariantAnimation &animation = bar.progressAnimation();
    ASSERT_EQ(animation.state(), QAbstractAnimation::Running);
    animation.setCurrentTime(250);
    // Ease-out covers more than half the way in the first half of the time.
    EXPECT_GT(bar.progressRect().width(), 100.0);
    EXPECT_LT(bar.progressRect().width(), 200.0);
    animation.setCurrentTime(500);
    EXPECT_DOUBLE_EQ(bar.progressRect().width(), 200.0);
}
