#include "Spinner.h"

#include "RenderSupport.h"

#include <QtMath>

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct StarCountCase
{
    int starCount;
    int expectedStars;
    int stepDegrees;
};

class StarCountTest : public ::testing::TestWithParam<StarCountCase>
{
};

} // namespace

// Stars every whole-number step of 360 / count degrees, each with a keyframe,
// fading from fully opaque; the count is kept within 1...360.
TEST_P(StarCountTest, starsKeyframesAndOpacities)
{
    const StarCountCase &value = GetParam();
    Spinner spinner;
    spinner.resize(100, 100);
    spinner.setStarCount(value.starCount);

    ASSERT_EQ(spinner.starList().size(), value.expectedStars);
    ASSERT_EQ(spinner.keyframeValues().size(), value.expectedStars);
    for (int index = 0; index < value.expectedStars; ++index) {
        const int degrees = index * value.stepDegrees;
        EXPECT_NEAR(spinner.keyframeValues().at(index), qDegreesToRadians(qreal(degrees)), 1e-12);
        EXPECT_NEAR(spinner.starList().at(index).rotation, -qDegreesToRadians(qreal(degrees)), 1e-12);
        EXPECT_FLOAT_EQ(spinner.starList().at(index).opacity, (360.0f - float(degrees)) / 360.0f);
    }
}

INSTANTIATE_TEST_SUITE_P(Spinner, StarCountTest,
                         ::testing::Values(StarCountCase{10, 10, 36}, StarCountCase{7, 8, 51}, StarCountCase{1, 1, 360},
                                           StarCountCase{0, 1, 360}, StarCountCase{-4, 1, 360},
                                           StarCountCase{360, 360, 1}, StarCountCase{1000, 360, 1}));

TEST(Spinner, clockwiseTurnsTheOtherWay)
{
    Spinner spinner;
    spinner.resize(100, 100);
    spinner.setClockwise(true);
    ASSERT_EQ(spinner.keyframeValues().size(), 10);
    EXPECT_NEAR(spinner.keyframeValues().at(1), -qDegreesToRadians(36.0), 1e-12);
    EXPECT_NEAR(spinner.starList().at(1).rotation, qDegreesToRadians(36.0), 1e-12);
}

TEST(Spinner, starsStandOnARingAboutTheMiddle)
{
    Spinner spinner;
    spinner.resize(100, 100);
    spinner.setStarCount(4);
    spinner.setForeground(Qt::red);
    const Spinner::Star &first = spinner.starList().at(0);
    EXPECT_EQ(spinner.starFrame(0), QRectF(47, 42.5, 6, 15));
    EXPECT_EQ(first.cornerRadius, 3.0);
    EXPECT_EQ(first.backgroundColor, QColor(Qt::red));

    // Bottom-left coordinates: the first star straight up, the next a quarter
    // turn clockwise (to the right), then down, then left; each from 20 to 35
    // away from the middle.
    const QRectF expected[] = {QRectF(47, 70, 6, 15), QRectF(70, 47, 15, 6), QRectF(47, 15, 6, 15), QRectF(15, 47, 15, 6)};
    for (int index = 0; index < 4; ++index) {
        const QRectF bounds = spinner.starPath(index).boundingRect();
        EXPECT_NEAR(bounds.left(), expected[index].left(), 1e-6) << index;
        EXPECT_NEAR(bounds.top(), expected[index].top(), 1e-6) << index;
        EXPECT_NEAR(bounds.width(), expected[index].width(), 1e-6) << index;
        EXPECT_NEAR(bounds.height(), expected[index].height(), 1e-6) << index;
    }

    spinner.setRoundedCorners(false);
    EXPECT_EQ(spinner.starList().at(0).cornerRadius, 0.0);
    spinner.resize(60, 60);
    EXPECT_EQ(spinner.starFrame(0), QRectF(27, 22.5, 6, 15));
}

TEST(Spinner, animationStepsThroughTheKeyframesAndStops)
{
    Spinner spinner;
    spinner.resize(100, 100);
    EXPECT_FALSE(spinner.isAnimating());
    EXPECT_EQ(spinner.animation().duration(), 1000);
    saveRender(spinner, QStringLiteral("spinner_still"));

    spinner.startAnimation();
    ASSERT_TRUE(spinner.isAnimating());
    spinner.animation().setCurrentTime(150);
    EXPECT_NEAR(spinner.containerRotation(), qDegreesToRadians(36.0), 1e-12);
    spinner.animation().setCurrentTime(999);
    EXPECT_NEAR(spinner.containerRotation(), qDegreesToRadians(324.0), 1e-12);
    spinner.animation().setCurrentTime(1250); // the second turn
    EXPECT_NEAR(spinner.containerRotation(), qDegreesToRadians(72.0), 1e-12);
    EXPECT_TRUE(spinner.isAnimating());
    saveRender(spinner, QStringLiteral("spinner_turned"));

    spinner.stopAnimation();
    EXPECT_FALSE(spinner.isAnimating());
    EXPECT_EQ(spinner.containerRotation(), 0.0);
}

TEST(Spinner, durationMustBePositive)
{
    Spinner spinner;
    spinner.setDuration(2.0);
    EXPECT_EQ(spinner.duration(), 2.0);
    EXPECT_EQ(spinner.animation().duration(), 2000);
    for (double bad : {0.0, -1.0, std::nan(""), HUGE_VAL}) {
        spinner.setDuration(bad);
        EXPECT_EQ(spinner.duration(), 2.0);
        EXPECT_EQ(spinner.animation().duration(), 2000);
    }
}

TEST(Spinner, animateShowsAndHidesTheView)
{
    QWidget window;
    auto *spinner = new Spinner(&window);
    spinner->setVisible(false);

    spinner->setAnimate(true);
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_TRUE(spinner->isAnimating());

    spinner->setAnimate(false);
    EXPECT_TRUE(spinner->isHidden());
    EXPECT_FALSE(spinner->isAnimating());

    // Setting the same value again does nothing: the view stays as its owner left it.
    spinner->setVisible(true);
    spinner->setAnimate(false);
    EXPECT_FALSE(spinner->isHidden());

    spinner->setDisplayAfterAnimationEnds(true);
    spinner->setAnimate(true);
    spinner->setAnimate(false);
    EXPECT_FALSE(spinner->isHidden());
    EXPECT_FALSE(spinner->isAnimating());
}
