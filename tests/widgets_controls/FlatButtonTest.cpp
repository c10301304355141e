#include "PointerEvents.h"

#include <EmbeddedImages.h>
#include <FocusRing.h>
#include <ProcessState.h>
#include <SYFlatButton.h>
#include <UserDefaults.h>

#include <QAccessible>
#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

const QColor normal(52, 94, 242);
const QColor hover(80, 120, 255);
const QColor highlight(20, 50, 160);
const QColor borderOff(200, 200, 200);
const QColor borderOn(10, 10, 10);
const QColor imageOff(255, 255, 255);
const QColor imageOn(255, 220, 0);
const QColor titleOff(250, 250, 250);
const QColor titleOn(0, 0, 0);

void setPointerEffectsDisabled(bool disabled)
{
    UserDefaults::standard().setObject(QString::fromLatin1(kDisablePieChartAnimationKey), disabled);
}

class FlatButtonTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setPointerEffectsDisabled(false);
        button.resize(120, 36);
        button.setTitle(QStringLiteral("Remove"));
        button.setCornerRadius(6);
        button.setBorderWidth(2);
        button.setSpacing(8);
        button.setNormalColor(normal);
        button.setHoverColor(hover);
        button.setBackgroundNormalColor(normal);
        button.setBackgroundHighlightColor(highlight);
        button.setBorderNormalColor(borderOff);
        button.setBorderHighlightColor(borderOn);
        button.setImageNormalColor(imageOff);
        button.setImageHighlightColor(imageOn);
        button.setTitleNormalColor(titleOff);
        button.setTitleHighlightColor(titleOn);
    }

    void TearDown() override { setPointerEffectsDisabled(false); }

    int clicksAfter(const std::function<void()> &gesture)
    {
        QSignalSpy clicks(&button, &SYFlatButton::clicked);
        gesture();
        return int(clicks.count());
    }

    SYFlatButton button;
};

TEST_F(FlatButtonTest, StateChoosesTheColourSet)
{
    struct Case
    {
        int state;
        QColor border, background, image, title;
    };
    const Case cases[] = {
        {SYFlatButton::OnState, borderOn, highlight, imageOn, titleOn},
        {SYFlatButton::OffState, borderOff, normal, imageOff, titleOff},
        {-1, borderOff, normal, imageOff, titleOff}, // mixed counts as off
    };
    for (const Case &c : cases) {
        button.setState(c.state);
        EXPECT_EQ(button.shownBorderColor(), c.border) << c.state;
        EXPECT_EQ(button.shownBackgroundColor(), c.background) << c.state;
        EXPECT_EQ(button.shownImageColor(), c.image) << c.state;
        EXPECT_EQ(button.shownTitleColor(), c.title) << c.state;
    }
}

TEST_F(FlatButtonTest, HoverAndPressSwapTheRestingBackground)
{
    PointerEvents::enter(&button);
    EXPECT_EQ(button.shownBackgroundColor(), hover);
    EXPECT_EQ(button.cursor().shape(), Qt::PointingHandCursor);
    PointerEvents::saveRender(&button, QStringLiteral("flat_button_hover"));

    const QPointF centre(60, 18);
    PointerEvents::press(&button, centre);
    EXPECT_TRUE(button.mouseDown());
    EXPECT_EQ(button.shownBackgroundColor(), highlight);
    PointerEvents::saveRender(&button, QStringLiteral("flat_button_pressed"));

    EXPECT_EQ(clicksAfter([&] { PointerEvents::release(&button, centre); }), 1);
    EXPECT_FALSE(button.mouseDown());
    EXPECT_EQ(button.shownBackgroundColor(), normal);
    EXPECT_EQ(button.state(), SYFlatButton::OffState); // a click does not change the state

    PointerEvents::leave(&button);
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
    PointerEvents::saveRender(&button, QStringLiteral("flat_button_normal"));
}

TEST_F(FlatButtonTest, HideHoverKeepsTheCursor)
{
    button.setIsHideHover(true);
    PointerEvents::enter(&button);
    EXPECT_EQ(button.shownBackgroundColor(), hover);
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
}

// The action is sent only for a release inside the button, whether or not the
// pointer effects are switched off (they were the only thing that cancelled a
// drag-out before).
TEST_F(FlatButtonTest, ActsOnlyWhenReleasedInside)
{
    struct Case
    {
        bool pointerEffectsDisabled;
        bool leaveBeforeRelease;
        QPointF releaseAt;
        int expectedClicks;
    };
    const Case cases[] = {
        {false, false, {60, 18}, 1},
        {true, false, {60, 18}, 1},
        {false, false, {200, 18}, 0},
        {true, false, {200, 18}, 0},
        {true, false, {60, -5}, 0},
        {false, true, {60, 18}, 0}, // leaving cancels the press
    };
    for (const Case &c : cases) {
        setPointerEffectsDisabled(c.pointerEffectsDisabled);
        const int clicks = clicksAfter([&] {
            PointerEvents::press(&button, {60, 18});
            if (c.leaveBeforeRelease)
                PointerEvents::leave(&button);
            PointerEvents::release(&button, c.releaseAt);
        });
        EXPECT_EQ(clicks, c.expectedClicks) << c.pointerEffectsDisabled << " " << c.releaseAt.x() << "," << c.releaseAt.y();
        EXPECT_FALSE(button.mouseDown());
        EXPECT_EQ(button.shownBackgroundColor(), normal);
    }
}

TEST_F(FlatButtonTest, PointerEffectsSwitchedOffIgnoreHoverButNotClicks)
{
    setPointerEffectsDisabled(true);
    PointerEvents::enter(&button);
    EXPECT_EQ(button.shownBackgroundColor(), normal);
    EXPECT_EQ(button.cursor().shape(), Qt::ArrowCursor);
    EXPECT_EQ(clicksAfter([&] { PointerEvents::click(&button); }), 1);
}

TEST_F(FlatButtonTest, OnStateKeepsItsHighlightThroughHoverAndPress)
{
    button.setState(SYFlatButton::OnState);
    PointerEvents::enter(&button);
    EXPECT_EQ(button.shownBackgroundColor(), highlight);
    PointerEvents::press(&button, {60, 18});
    EXPECT_EQ(button.shownBackgroundColor(), highlight);
    PointerEvents::saveRender(&button, QStringLiteral("flat_button_on"));
}

TEST_F(FlatButtonTest, MomentaryButtonUpFlipsTheStateAndActs)
{
    button.setMomentary(true);
    EXPECT_EQ(clicksAfter([&] { button.animateForButtonUp(); }), 1);
    EXPECT_EQ(button.state(), SYFlatButton::OnState);
    EXPECT_EQ(clicksAfter([&] { button.animateForButtonUp(); }), 1);
    EXPECT_EQ(button.state(), SYFlatButton::OffState);
}

TEST_F(FlatButtonTest, ColoursAnimateOnlyWhenTheyChange)
{
    button.setOffAnimateDuration(0.05);
    button.setBackgroundNormalColor(normal);
    EXPECT_FALSE(button.isAnimatingColors());

    const QColor green(0, 160, 60);
    button.setBackgroundNormalColor(green);
    EXPECT_TRUE(button.isAnimatingColors());
    EXPECT_NE(button.shownBackgroundColor(), green);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !button.isAnimatingColors(); }, 2000));
    EXPECT_EQ(button.shownBackgroundColor(), green);
}

TEST_F(FlatButtonTest, DisabledButtonIsHalfStrengthAndDeaf)
{
    const QPoint inside(60, 4); // over the background, clear of the title
    const auto alphaAt = [&](QPoint at) {
        QImage picture(button.size(), QImage::Format_ARGB32);
        picture.fill(Qt::transparent);
        button.render(&picture, QPoint(), QRegion(), QWidget::RenderFlags());
        return qAlpha(picture.pixel(at));
    };
    EXPECT_EQ(alphaAt(inside), 255);

    // Disabled after it was made, not only when made so.
    button.setEnabled(false);
    EXPECT_NEAR(alphaAt(inside), 128, 2);
    PointerEvents::saveRender(&button, QStringLiteral("flat_button_disabled"));

    PointerEvents::enter(&button);
    EXPECT_EQ(button.shownBackgroundColor(), normal);
    EXPECT_EQ(clicksAfter([&] { PointerEvents::click(&button); }), 0);

    button.setEnabled(true);
    EXPECT_EQ(alphaAt(inside), 255);
}

TEST_F(FlatButtonTest, ImageAndTitleArePlacedByPosition)
{
    const auto image = EmbeddedImages::decodeImage(EmbeddedImages::checkIcon());
    ASSERT_TRUE(image);
    button.setImage(*image);

    enum Relation { ImageLeftOfTitle, ImageRightOfTitle, ImageAboveTitle, ImageBelowTitle, BothCentred };
    struct Case
    {
        SYFlatButton::ImagePosition position;
        bool hasImage, hasTitle;
        Relation relation;
    };
    const Case cases[] = {
        {SYFlatButton::NoImage, false, true, BothCentred},
        {SYFlatButton::ImageOnly, true, false, BothCentred},
        {SYFlatButton::ImageOverlaps, true, true, BothCentred},
        {SYFlatButton::ImageLeft, true, true, ImageLeftOfTitle},
        {SYFlatButton::ImageLeading, true, true, ImageLeftOfTitle},
        {SYFlatButton::ImageRight, true, true, ImageRightOfTitle},
        {SYFlatButton::ImageTrailing, true, true, ImageRightOfTitle},
        {SYFlatButton::ImageAbove, true, true, ImageAboveTitle},
        {SYFlatButton::ImageBelow, true, true, ImageBelowTitle},
    };
    button.resize(140, 70);
    for (const bool hug : {false, true}) {
        button.setImageHugsTitle(hug);
        for (const Case &c : cases) {
            button.setImagePosition(c.position);
            ASSERT_EQ(button.imageFrame().has_value(), c.hasImage) << c.position;
            ASSERT_EQ(button.titleFrame().has_value(), c.hasTitle) << c.position;
            const QPointF centre(70, 35);
            if (c.hasImage) {
                EXPECT_TRUE(QRectF(button.rect()).contains(*button.imageFrame())) << c.position << hug;
            }
            if (!c.hasImage || !c.hasTitle) {
                const QRectF shown = c.hasImage ? *button.imageFrame() : *button.titleFrame();
                EXPECT_NEAR(shown.center().x(), centre.x(), 1) << c.position;
                continue;
            }
            const QRectF i = *button.imageFrame();
            const QRectF t = *button.titleFrame();
            switch (c.relation) {
            case ImageLeftOfTitle:
                EXPECT_LE(i.right(), t.left()) << c.position << hug;
                break;
            case ImageRightOfTitle:
                EXPECT_GE(i.left(), t.right()) << c.position << hug;
                break;
            case ImageAboveTitle:
                EXPECT_LE(i.bottom(), t.top()) << c.position << hug;
                break;
            case ImageBelowTitle:
                EXPECT_GE(i.top(), t.bottom()) << c.position << hug;
                break;
            case BothCentred:
                EXPECT_NEAR(i.center().x(), t.center().x(), 1);
                EXPECT_NEAR(i.center().y(), t.center().y(), 1);
                break;
            }
        }
    }
    button.setImageHugsTitle(true);
    button.setImagePosition(SYFlatButton::ImageLeft);
    PointerEvents::saveRender(&button, QStringLiteral("flat_button_image_left"));

    // Taking the image or the title away removes its part.
    button.setImage(QImage());
    EXPECT_FALSE(button.imageFrame());
    button.setTitle(QString());
    EXPECT_FALSE(button.titleFrame());
}

TEST_F(FlatButtonTest, ResizingRelaysBothParts)
{
    button.setImage(*EmbeddedImages::decodeImage(EmbeddedImages::checkIcon()));
    button.setImagePosition(SYFlatButton::ImageOverlaps);
    button.resize(300, 100);
    EXPECT_NEAR(button.imageFrame()->center().x(), 150, 1);
    EXPECT_NEAR(button.titleFrame()->center().x(), 150, 1);
}

} // namespace

TEST_F(FlatButtonTest, UsableFromTheKeyboard)
{
    QWidget window;
    auto *field = new QLineEdit(&window);
    auto *ok = new SYFlatButton(&window);
    auto *cancel = new SYFlatButton(&window);
    ok->setTitle(QStringLiteral("OK"));
    cancel->setTitle(QStringLiteral("Cancel"));
    ok->setGeometry(0, 40, 80, 30);
    cancel->setGeometry(90, 40, 80, 30);
    ok->setDefault(true);
    cancel->setEscape(true);
    window.resize(200, 80);
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QSignalSpy okClicks(ok, &SYFlatButton::clicked);
    QSignalSpy cancelClicks(cancel, &SYFlatButton::clicked);

    struct Case
    {
        const char *name;
        QWidget *focus;
        Qt::Key key;
        int okClicks, cancelClicks;
    };
    const Case cases[] = {
        {"Return in a field presses the default button", field, Qt::Key_Return, 1, 0},
        {"Enter in a field presses the default button", field, Qt::Key_Enter, 1, 0},
        {"Escape presses the escape button", field, Qt::Key_Escape, 0, 1},
        {"Space presses the focused button", cancel, Qt::Key_Space, 0, 1},
        {"Return presses the focused button, not the default", cancel, Qt::Key_Return, 0, 1},
        {"a letter presses nothing", ok, Qt::Key_A, 0, 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        c.focus->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(c.focus->hasFocus());
        okClicks.clear();
        cancelClicks.clear();
        QTest::keyClick(c.focus, c.key);
        EXPECT_EQ(okClicks.count(), c.okClicks);
        EXPECT_EQ(cancelClicks.count(), c.cancelClicks);
    }

    // Tab moves the focus onto the buttons; a disabled one is passed over.
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_TRUE(ok->hasFocus());
    PointerEvents::saveRender(ok, QStringLiteral("flat_button_keyboard_focus"));
    ok->setEnabled(false);
    field->setFocus(Qt::TabFocusReason);
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_TRUE(cancel->hasFocus());
    okClicks.clear();
    QTest::keyClick(field, Qt::Key_Return);
    EXPECT_EQ(okClicks.count(), 0);
}

TEST_F(FlatButtonTest, AssistiveToolsSeeANamedPushButton)
{
    QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(&button);
    ASSERT_TRUE(accessible);
    EXPECT_EQ(accessible->role(), QAccessible::Button);
    EXPECT_EQ(accessible->text(QAccessible::Name), QStringLiteral("Remove"));
    // Pressing it through the accessibility interface is the button's action.
    QAccessibleActionInterface *actions = accessible->actionInterface();
    ASSERT_TRUE(actions);
    QSignalSpy clicks(&button, &SYFlatButton::clicked);
    actions->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(clicks.count() == 1 || clicks.wait(2000));
    EXPECT_EQ(clicks.count(), 1);
}

namespace {

// Contrast ratio of two colours as the accessibility guidelines define it.
double contrast(const QColor &a, const QColor &b)
{
    auto luminance = [](const QColor &colour) {
        auto channel = [](int value) {
            const double v = value / 255.0;
            return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
        };
        return 0.2126 * channel(colour.red()) + 0.7152 * channel(colour.green()) + 0.0722 * channel(colour.blue());
    };
    const double la = luminance(a);
    const double lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

} // namespace

// Keyboard focus draws a ring that stands out from the button's fill by 3:1
// all the way round, on a blue primary fill as on white, on the kit's flat
// button and on a style-sheet button that has the ring attached; a click's
// focus draws none.
TEST(FocusRingTest, StandsOutOnEveryFillAndOnlyForTheKeyboard)
{
    const QColor blue(45, 140, 230);
    const QColor white(255, 255, 255);
    struct Case
    {
        const char *name;
        QColor fill;
        bool flat;
    };
    const Case cases[] = {
        {"flat button, blue", blue, true},
        {"flat button, white", white, true},
        {"style-sheet button, blue", blue, false},
        {"style-sheet button, white", white, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        QWidget window;
        window.setAutoFillBackground(true);
        window.setPalette(QColor(245, 249, 253));
        window.resize(240, 80);
        QAbstractButton *button = nullptr;
        if (c.flat) {
            auto *flat = new SYFlatButton(&window);
            flat->setTitle(QStringLiteral("Start"));
            flat->setCornerRadius(23);
            flat->setBackgroundNormalColor(c.fill);
            flat->setTitleNormalColor(c.fill == white ? blue : white);
            button = flat;
        } else {
            auto *push = new QPushButton(QStringLiteral("Start"), &window);
            push->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid %3;"
                                               " border-radius: 23px; } QPushButton:focus { outline: none; }")
                                        .arg(c.fill.name(), (c.fill == white ? blue : white).name(), blue.name()));
            FocusRing::attach(push);
            button = push;
        }
        button->setGeometry(20, 17, 200, 46);
        window.show();
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        const QRect area = button->geometry();
        auto picture = [&] { return window.grab(area).toImage().convertToFormat(QImage::Format_RGB32); };
        button->clearFocus();
        const QImage plain = picture();
        button->setFocus(Qt::TabFocusReason);
        const QImage focused = picture();
        int standingOut = 0;
        for (int y = 0; y < focused.height(); ++y) {
            for (int x = 0; x < focused.width(); ++x) {
                if (focused.pixel(x, y) != plain.pixel(x, y) && contrast(QColor(focused.pixel(x, y)), c.fill) >= 3.0)
                    ++standingOut;
            }
        }
        EXPECT_GE(standingOut, area.width() + area.height());
        if (c.fill == blue && c.flat)
            PointerEvents::saveRender(&window, QStringLiteral("focus_ring_on_blue"));
        button->clearFocus();
        button->setFocus(Qt::MouseFocusReason);
        EXPECT_EQ(picture(), plain);
    }
}

