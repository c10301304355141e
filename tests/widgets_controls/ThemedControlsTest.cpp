#include "PointerEvents.h"

#include <CustomButton.h>
#include <CustomImageView.h>
#include <CustomScroller.h>
#include <CustomScrollerView.h>
#include <CustomTextFieldCell.h>
#include <DashedViewAlert.h>
#include <Editing.h>
#include <ProcessState.h>
#include <Rounding.h>
#include <ThemedScrollView.h>

#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSignalSpy>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <gtest/gtest.h>

namespace {

TEST(CustomScrollerTest, KnobIsNinePointsAcrossAtAFixedInset)
{
    struct Case
    {
        Qt::Orientation orientation;
        QSize size;
    };
    const Case cases[] = {
        {Qt::Vertical, {15, 200}},
        {Qt::Vertical, {40, 200}},
        {Qt::Horizontal, {200, 15}},
        {Qt::Horizontal, {200, 40}},
    };
    for (const Case &c : cases) {
        CustomScroller scroller(c.orientation);
        scroller.setRange(0, 100);
        scroller.setPageStep(50);
        scroller.resize(c.size);
        const QRectF knob = scroller.knobRect();
        if (c.orientation == Qt::Vertical) {
            EXPECT_EQ(knob.x(), 3.0) << c.size.width();
            EXPECT_EQ(knob.width(), 9.0) << c.size.width();
            EXPECT_GT(knob.height(), 0.0);
        } else {
            EXPECT_EQ(knob.y(), 4.0) << c.size.height();
            EXPECT_EQ(knob.height(), 9.0) << c.size.height();
            EXPECT_GT(knob.width(), 0.0);
        }
    }
    CustomScroller shown(Qt::Vertical);
    shown.setRange(0, 100);
    shown.setPageStep(40);
    shown.resize(15, 160);
    PointerEvents::saveRender(&shown, QStringLiteral("themed_scroller"));
}

// What a partial repaint draws must be exactly what the full drawing has there.
TEST(ThemedDrawingTest, DrawsFromItsOwnBoundsWhateverIsRepainted)
{
    DashedViewAlert dashed;
    dashed.resize(160, 100);
    CustomScroller scroller(Qt::Vertical);
    scroller.setRange(0, 100);
    scroller.setPageStep(40);
    scroller.resize(15, 160);
    for (QWidget *widget : {static_cast<QWidget *>(&dashed), static_cast<QWidget *>(&scroller)}) {
        const auto draw = [widget](const QRect &part) {
            QImage picture(widget->size(), QImage::Format_ARGB32);
            picture.fill(Qt::transparent);
            widget->render(&picture, part.topLeft(), QRegion(part), QWidget::RenderFlags());
            return picture;
        };
        const QImage whole = draw(widget->rect());
        const int w = widget->width();
        const int h = widget->height();
        // A part inside, and parts across the top and the left edges.
        for (const QRect &part : {QRect(5, 20, w / 2, h / 3), QRect(w / 4, 0, w / 2, h / 3), QRect(0, h / 4, w / 2, h / 3)})
            EXPECT_EQ(draw(part).copy(part), whole.copy(part)) << widget->metaObject()->className() << " " << part.x() << "," << part.y();
    }
    PointerEvents::saveRender(&dashed, QStringLiteral("themed_dashed_view"));
    // The frame is drawn: the top-left dash is dark blue, the middle untouched.
    QImage picture(dashed.size(), QImage::Format_ARGB32);
    picture.fill(Qt::transparent);
    dashed.render(&picture, QPoint(), QRegion(), QWidget::RenderFlags());
    EXPECT_EQ(QColor(picture.pixel(5, 1)), QColor(4, 51, 105));
    EXPECT_EQ(qAlpha(picture.pixel(80, 50)), 0);
}

class ScrollWheelTest : public ::testing::TestWithParam<bool>
{
protected:
    void SetUp() override
    {
        view = new CustomScrollerView(&outer);
        auto *layout = new QVBoxLayout(&outer);
        layout->addWidget(view);
        auto *content = new QWidget;
        content->setMinimumSize(200, 2000);
        view->setWidget(content);
        outer.resize(240, 200);
        outer.show();
        outer.installEventFilter(&wheelWatcher);
    }

    void TearDown() override { isScrollingDisabled = false; }

    void wheel(QWidget *target)
    {
        const QPointF at(5, 5);
        QWheelEvent event(at, target->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(target, &event);
    }

    struct WheelWatcher : QObject
    {
        int wheels = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            wheels += event->type() == QEvent::Wheel ? 1 : 0;
            return false;
        }
    };

    QWidget outer;
    CustomScrollerView *view = nullptr;
    WheelWatcher wheelWatcher;
};

TEST_P(ScrollWheelTest, FrozenViewDropsTheWheel)
{
    const bool overScroller = GetParam();
    QWidget *target = overScroller ? static_cast<QWidget *>(view->verticalScrollBar()) : view->viewport();

    isScrollingDisabled = true;
    wheel(target);
    EXPECT_EQ(view->verticalScrollBar()->value(), 0);
    EXPECT_EQ(wheelWatcher.wheels, 0);
    // The scroller can still be moved by hand.
    view->verticalScrollBar()->setValue(30);
    EXPECT_EQ(view->verticalScrollBar()->value(), 30);

    isScrollingDisabled = false;
    wheel(target);
    EXPECT_GT(view->verticalScrollBar()->value(), 30);
}

INSTANTIATE_TEST_SUITE_P(OverContentAndScroller, ScrollWheelTest, ::testing::Bool());

TEST(ThemedScrollViewTest, CornerIsBlackOnlyWithBothScrollers)
{
    struct Case
    {
        Qt::ScrollBarPolicy horizontal;
        bool expectCorner;
    };
    for (const Case &c : {Case{Qt::ScrollBarAlwaysOn, true}, Case{Qt::ScrollBarAlwaysOff, false}}) {
        ThemedScrollView view;
        view.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        view.setHorizontalScrollBarPolicy(c.horizontal);
        auto *content = new QWidget;
        content->setMinimumSize(600, 600);
        view.setWidget(content);
        view.resize(200, 150);
        view.show();
        const QRect corner = view.cornerRect();
        EXPECT_EQ(!corner.isEmpty(), c.expectCorner);
        if (c.expectCorner) {
            EXPECT_EQ(corner.x(), view.horizontalScrollBar()->mapTo(&view, QPoint()).x() + view.horizontalScrollBar()->width());
            const QImage picture = view.grab().toImage();
            EXPECT_EQ(QColor(picture.pixel(corner.center())), QColor(Qt::black));
            PointerEvents::saveRender(&view, QStringLiteral("themed_scroll_view_corner"));
        }
    }
}

class EditingTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto *layout = new QVBoxLayout(&window);
        editing = new Editing(&window);
        other = new QLineEdit(&window);
        layout->addWidget(editing);
        layout->addWidget(other);
        window.show();
        QApplication::setActiveWindow(&window);
        editing->setText(QStringLiteral("hello"));
        editing->setFocus();
        QApplication::clipboard()->clear();
    }

    bool key(int code, Qt::KeyboardModifiers modifiers)
    {
        QKeyEvent event(QEvent::KeyPress, code, modifiers);
        return editing->performKeyEquivalent(&event);
    }

    QWidget window;
    Editing *editing = nullptr;
    QLineEdit *other = nullptr;
};

TEST_F(EditingTest, ShortcutsReachTheFocusedEditor)
{
    ASSERT_EQ(QApplication::focusWidget(), editing);
    EXPECT_TRUE(key(Qt::Key_A, Qt::ControlModifier));
    EXPECT_EQ(editing->selectedText(), QStringLiteral("hello"));
    EXPECT_TRUE(key(Qt::Key_C, Qt::ControlModifier));
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("hello"));
    EXPECT_TRUE(key(Qt::Key_X, Qt::ControlModifier));
    EXPECT_EQ(editing->text(), QString());
    EXPECT_TRUE(key(Qt::Key_V, Qt::ControlModifier));
    EXPECT_TRUE(key(Qt::Key_V, Qt::ControlModifier));
    EXPECT_EQ(editing->text(), QStringLiteral("hellohello"));
    EXPECT_TRUE(key(Qt::Key_Z, Qt::ControlModifier));
    EXPECT_EQ(editing->text(), QStringLiteral("hello"));
    EXPECT_TRUE(key(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier));
    EXPECT_EQ(editing->text(), QStringLiteral("hellohello"));
}

TEST_F(EditingTest, OtherKeysAreLeftToTheField)
{
    struct Case
    {
        int key;
        Qt::KeyboardModifiers modifiers;
    };
    const Case cases[] = {
        {Qt::Key_C, Qt::ControlModifier | Qt::AltModifier},
        {Qt::Key_C, Qt::ControlModifier | Qt::KeypadModifier},
        {Qt::Key_C, Qt::NoModifier},
        {Qt::Key_Q, Qt::ControlModifier},
        {Qt::Key_X, Qt::ControlModifier | Qt::ShiftModifier},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(key(c.key, c.modifiers)) << c.key << " " << int(c.modifiers);
    EXPECT_EQ(editing->text(), QStringLiteral("hello"));
}

TEST_F(EditingTest, ActionGoesToWhicheverEditorHasTheFocus)
{
    other->setText(QStringLiteral("other"));
    other->selectAll();
    other->setFocus();
    EXPECT_TRUE(key(Qt::Key_X, Qt::ControlModifier));
    EXPECT_EQ(other->text(), QString());
    EXPECT_EQ(editing->text(), QStringLiteral("hello"));
}

TEST(CustomTextFieldCellTest, TextRectIsCentredOnTheTitleRect)
{
    struct Case
    {
        qreal textHeight;
        QRectF expected;
    };
    const QRectF title(4, 10, 100, 20);
    for (const Case &c : {Case{12, QRectF(4, 14, 100, 12)}, Case{30, QRectF(4, 5, 100, 30)}})
        EXPECT_EQ(CustomTextFieldCell::centeredRect(title, c.textHeight), c.expected) << c.textHeight;
}

TEST(RoundingTest, RoundsHalvesAwayFromZero)
{
    struct Case
    {
        double value;
        int places;
        double expected;
    };
    const Case cases[] = {
        {2.5, 0, 3.0}, {-2.5, 0, -3.0}, {1.005, 2, 1.0}, {1.25, 1, 1.3}, {99.94, 1, 99.9}, {0.0, 3, 0.0},
    };
    for (const Case &c : cases)
        EXPECT_DOUBLE_EQ(rounded(c.value, c.places), c.expected) << c.value << " " << c.places;
}

// Dragging a window by one of its views: the window follows the pointer, and a
// drag on the button is not a click.
class WindowDragTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        image = new CustomImageView(&window);
        image->setGeometry(0, 0, 100, 40);
        button = new CustomButton(&window);
        button->setText(QStringLiteral("Drag"));
        button->setGeometry(0, 50, 100, 40);
        window.resize(200, 120);
        window.move(100, 100);
        window.show();
    }

    static void send(QWidget *widget, QEvent::Type type, const QPointF &local, const QPointF &global, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, local, global, Qt::LeftButton, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(widget, &event);
    }

    // Press at the view's corner, move by the offset, release; the local point
    // stays put because the window moves with the pointer.
    void drag(QWidget *view, QPoint offset)
    {
        const QPointF local(10, 10);
        const QPointF start = view->mapToGlobal(local);
        send(view, QEvent::MouseButtonPress, local, start, Qt::LeftButton);
        send(view, QEvent::MouseMove, local, start + offset, Qt::LeftButton);
        send(view, QEvent::MouseButtonRelease, local, start + offset, Qt::NoButton);
    }

    QWidget window;
    CustomImageView *image = nullptr;
    CustomButton *button = nullptr;
};

TEST_F(WindowDragTest, ViewsMoveTheirWindow)
{
    QSignalSpy clicks(button, &QPushButton::clicked);
    for (QWidget *view : {static_cast<QWidget *>(image), static_cast<QWidget *>(button)}) {
        const QPoint before = window.pos();
        drag(view, {30, 20});
        EXPECT_EQ(window.pos(), before + QPoint(30, 20)) << view->metaObject()->className();
    }
    EXPECT_EQ(clicks.count(), 0);

    // A press that does not travel stays a click.
    const QPoint before = window.pos();
    drag(button, {1, 0});
    EXPECT_EQ(window.pos(), before);
    EXPECT_EQ(clicks.count(), 1);
}

} // namespace
