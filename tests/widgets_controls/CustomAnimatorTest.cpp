#include "PointerEvents.h"

#include <CustomAnimator.h>
#include <ProcessState.h>
#include <SYFlatButton.h>

#include <QAbstractAnimation>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QLineEdit>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWidget>

#include <gtest/gtest.h>


namespace {

constexpr double kDuration = 0.05;

// A window whose whole content is one screen view, and dialogs to lay over it.
class CustomAnimatorTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.resize(400, 300);
        screen = new QWidget(&window);
        screen->setAutoFillBackground(true);
        screen->setPalette(QColor(235, 242, 250));
        auto *layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(screen);
        window.show();
        animator.emplace(kDuration, QRectF(screen->rect()));
    }

    void TearDown() override
    {
        // Dialogs still up would keep counting for the next test.
        delete first.data();
        delete second.data();
        EXPECT_EQ(CustomAnimator::shownDialogCount(), 0);
        EXPECT_FALSE(isCustomDialogShown);
    }

    static QWidget *makeDialog(const QColor &colour)
    {
        auto *dialog = new QWidget;
        dialog->setAutoFillBackground(true);
        dialog->setPalette(colour);
        return dialog;
    }

    bool presented(QWidget *dialog) const
    {
        return dialog->parentWidget() == screen && !dialog->graphicsEffect() && dialog->geometry() == screen->rect()
            && dialog->findChildren<QAbstractAnimation *>().isEmpty();
    }

    // Hidden once the fade-out has ended; its parent keeps it.
    static bool dismissed(QWidget *dialog)
    {
        return dialog->isHidden() && dialog->findChildren<QAbstractAnimation *>().isEmpty() && !dialog->graphicsEffect();
    }

    // The user's close of the window, as the window system delivers it
    // (a spontaneous close event); true when the window closed.
    static bool userCloses(QWidget &window)
    {
        QCloseEvent close;
        QCoreApplication::sendEvent(window.windowHandle(), &close);
        return !window.isVisible();
    }

    void present(QWidget *dialog) { animator->animatePresentationOfViewController(dialog, screen); }
    void dismiss(QWidget *dialog) { animator->animateDismissalOfViewController(dialog, screen); }

    QWidget window;
    QWidget *screen = nullptr;
    std::optional<CustomAnimator> animator;
    // Owned here until they are deleted; a screen that dies takes its dialogs along.
    QPointer<QWidget> first = makeDialog(QColor(40, 80, 160));
    QPointer<QWidget> second = makeDialog(QColor(220, 130, 60));
};

TEST_F(CustomAnimatorTest, PresentationSlidesInAndStaysFlush)
{
    present(first);
    // Up at once, before the effect ends.
    EXPECT_TRUE(isCustomDialogShown);
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 1);
    EXPECT_FALSE(CustomAnimator::isCloseButtonEnabled(&window));
    EXPECT_EQ(first->parentWidget(), screen);
    EXPECT_EQ(CustomAnimator::alphaValue(first), 0.0);
    // It starts with only its lowest 50 points over the top of the screen.
    EXPECT_EQ(first->geometry(), QRect(0, 50 - 300, 400, 300));

    // Halfway: lower and more opaque.
    auto *running = first->findChild<QAbstractAnimation *>();
    ASSERT_TRUE(running);
    running->pause();
    running->setCurrentTime(running->totalDuration() / 2);
    EXPECT_GT(first->y(), -250);
    EXPECT_LT(first->y(), 0);
    EXPECT_NEAR(CustomAnimator::alphaValue(first), 0.5, 0.05);
    PointerEvents::saveRender(&window, QStringLiteral("animator_halfway"));
    running->resume();

    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));
    EXPECT_EQ(CustomAnimator::alphaValue(first), 1.0);
    PointerEvents::saveRender(&window, QStringLiteral("animator_presented"));

    window.resize(520, 360);
    EXPECT_EQ(first->geometry(), screen->rect());
    EXPECT_EQ(first->size(), QSize(520, 360));
}

TEST_F(CustomAnimatorTest, DismissalTakesTheDialogAwayAndGivesCloseBack)
{
    present(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));
    EXPECT_FALSE(userCloses(window));
    EXPECT_TRUE(window.isVisible());

    dismiss(first);
    EXPECT_FALSE(isCustomDialogShown);
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 0);
    // Closing comes back only once the dialog has gone.
    EXPECT_FALSE(CustomAnimator::isCloseButtonEnabled(&window));

    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
    EXPECT_EQ(CustomAnimator::alphaValue(first), 1.0);
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(first->parentWidget(), screen);
    EXPECT_TRUE(CustomAnimator::isCloseButtonEnabled(&window));
    PointerEvents::saveRender(&window, QStringLiteral("animator_dismissed"));

    // The same dialog can be shown again.
    present(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));
    dismiss(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
    EXPECT_TRUE(userCloses(window));
}

TEST_F(CustomAnimatorTest, CodeMayCloseTheWindowWhileADialogIsUpOrLeaving)
{
    for (const bool leaving : {false, true}) {
        SCOPED_TRACE(leaving ? "during the dismissal" : "while up");
        window.show();
        present(first);
        ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));
        EXPECT_FALSE(userCloses(window));
        if (leaving)
            dismiss(first);
        // A screen closing its own window is obeyed.
        EXPECT_TRUE(window.close());
        EXPECT_FALSE(window.isVisible());
        if (!leaving)
            dismiss(first);
        ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
        EXPECT_EQ(first->parentWidget(), screen);
    }
}

TEST_F(CustomAnimatorTest, PresentingAgainAtOnceKeepsTheNewDialog)
{
    present(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));

    dismiss(first);
    QPointer<QAbstractAnimation> fadingOut = first->findChild<QAbstractAnimation *>();
    ASSERT_TRUE(fadingOut);
    present(first);
    EXPECT_TRUE(isCustomDialogShown);
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 1);

    // The old fade-out is gone for good, so it can never remove the dialog.
    ASSERT_TRUE(QTest::qWaitFor([&] { return fadingOut.isNull(); }, 2000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));
    EXPECT_TRUE(first->isVisible());
    EXPECT_TRUE(isCustomDialogShown);
    EXPECT_FALSE(CustomAnimator::isCloseButtonEnabled(&window));
    EXPECT_FALSE(userCloses(window));

    dismiss(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
    EXPECT_TRUE(CustomAnimator::isCloseButtonEnabled(&window));
}

TEST_F(CustomAnimatorTest, PresentingTwiceCountsOnce)
{
    present(first);
    present(first);
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));
    dismiss(first);
    EXPECT_FALSE(isCustomDialogShown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
}

TEST_F(CustomAnimatorTest, TheFlagCountsEveryDialogUp)
{
    present(first);
    present(second);
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 2);
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first) && presented(second); }, 2000));
    PointerEvents::saveRender(&window, QStringLiteral("animator_two_dialogs"));

    dismiss(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(second); }, 2000));
    EXPECT_TRUE(isCustomDialogShown);
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 1);
    EXPECT_FALSE(CustomAnimator::isCloseButtonEnabled(&window));
    EXPECT_FALSE(userCloses(window));

    dismiss(first);
    EXPECT_FALSE(isCustomDialogShown);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
    EXPECT_TRUE(CustomAnimator::isCloseButtonEnabled(&window));
}

TEST_F(CustomAnimatorTest, ADialogDestroyedWhileUpStopsCounting)
{
    present(first);
    present(second);
    delete first.data();
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 1);
    delete second.data();
    EXPECT_EQ(CustomAnimator::shownDialogCount(), 0);
    EXPECT_FALSE(isCustomDialogShown);
    EXPECT_TRUE(CustomAnimator::isCloseButtonEnabled(&window));
}

TEST_F(CustomAnimatorTest, AScreenNotYetShownStillGetsTheDialog)
{
    QWidget hidden;
    hidden.resize(300, 200);
    animator->animatePresentationOfViewController(first, &hidden);
    EXPECT_EQ(first->parentWidget(), &hidden);
    ASSERT_TRUE(QTest::qWaitFor([&] { return first->geometry() == hidden.rect() && !first->graphicsEffect(); }, 2000));
    animator->animateDismissalOfViewController(first, &hidden);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
}

// A dialog has the keyboard while it is up: it takes it when it comes (its
// default button first), Tab and Shift+Tab go round its own controls, Escape
// and Return reach it and not the focused button behind it, and the keyboard
// goes back where it was when it leaves. A dialog without controls takes the
// keyboard itself.
TEST_F(CustomAnimatorTest, ADialogHasTheKeyboardWhileItIsUp)
{
    auto *behind = new QPushButton(QStringLiteral("Behind"), screen);
    behind->setAutoDefault(true);
    behind->show();
    auto *field = new QLineEdit(first);
    auto *ok = new SYFlatButton(first);
    auto *cancel = new SYFlatButton(first);
    field->setObjectName(QStringLiteral("field"));
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    ok->setTitle(QStringLiteral("OK"));
    cancel->setTitle(QStringLiteral("Cancel"));
    ok->setDefault(true);
    cancel->setEscape(true);
    field->setGeometry(20, 20, 200, 24);
    ok->setGeometry(20, 60, 80, 30);
    cancel->setGeometry(110, 60, 80, 30);
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    behind->setFocus(Qt::TabFocusReason);
    QSignalSpy behindClicks(behind, &QPushButton::clicked);
    QSignalSpy cancelClicks(cancel, &SYFlatButton::clicked);

    present(first);
    auto focused = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };
    EXPECT_EQ(focused(), QStringLiteral("ok"));
    QStringList visited;
    for (int step = 0; step < 4; ++step) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        visited.append(focused());
    }
    EXPECT_EQ(visited, (QStringList{QStringLiteral("cancel"), QStringLiteral("field"), QStringLiteral("ok"),
                                    QStringLiteral("cancel")}));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
    EXPECT_EQ(focused(), QStringLiteral("ok"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_EQ(focused(), QStringLiteral("field"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_EQ(cancelClicks.count(), 1);
    EXPECT_EQ(behindClicks.count(), 0);

    dismiss(first);
    EXPECT_EQ(QApplication::focusWidget(), behind);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
    // Keys are the window's own again.
    QTest::keyClick(behind, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), behind);

    present(second);
    EXPECT_EQ(QApplication::focusWidget(), second.data());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), second.data());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(behindClicks.count(), 0);
    dismiss(second);
    EXPECT_EQ(QApplication::focusWidget(), behind);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(second); }, 2000));
}

// Tab goes round a dialog's controls in the order the dialog shows them, line
// by line and from the left, whatever order they were made in; a check box a
// little lower than the buttons beside it is on their line.
TEST_F(CustomAnimatorTest, TabFollowsTheOrderShownNotTheOrderMade)
{
    auto *ok = new SYFlatButton(first);
    auto *cancel = new SYFlatButton(first);
    auto *box = new QCheckBox(QStringLiteral("Do not show again"), first);
    auto *field = new QLineEdit(first);
    ok->setObjectName(QStringLiteral("ok"));
    cancel->setObjectName(QStringLiteral("cancel"));
    box->setObjectName(QStringLiteral("box"));
    field->setObjectName(QStringLiteral("field"));
    ok->setDefault(true);
    field->setGeometry(20, 20, 200, 24);
    box->setGeometry(20, 66, 150, 20);
    cancel->setGeometry(180, 60, 80, 30);
    ok->setGeometry(270, 60, 80, 30);
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));

    present(first);
    auto focused = [] { return QApplication::focusWidget() ? QApplication::focusWidget()->objectName() : QString(); };
    ASSERT_EQ(focused(), QStringLiteral("ok"));
    for (const auto &[key, expected] :
         {std::pair{Qt::Key_Tab, QStringList{"field", "box", "cancel", "ok"}},
          std::pair{Qt::Key_Backtab, QStringList{"cancel", "box", "field", "ok"}}}) {
        QStringList visited;
        for (qsizetype step = 0; step < expected.size(); ++step) {
            QTest::keyClick(QApplication::focusWidget(), key);
            visited.append(focused());
        }
        EXPECT_EQ(visited, expected) << (key == Qt::Key_Tab ? "Tab" : "Shift+Tab");
    }
    dismiss(first);
    ASSERT_TRUE(QTest::qWaitFor([&] { return dismissed(first); }, 2000));
}

// While a see-through dialog fades, a part marked opaque (its card) is drawn
// at full strength, so nothing under it shows through; the rest fades.
TEST_F(CustomAnimatorTest, AnOpaquePartNeverLetsTheScreenShowThrough)
{
    // Parts that paint themselves, as style-sheet cards do.
    class Part : public QWidget
    {
    public:
        using QWidget::QWidget;

    protected:
        void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), QColor(170, 20, 20)); }
    };
    const QColor red(170, 20, 20);
    first->setAutoFillBackground(false);
    auto makePart = [&](const QRect &frame) {
        auto *part = new Part(first);
        part->setGeometry(frame);
        return part;
    };
    QWidget *card = makePart(QRect(120, 80, 200, 200));
    QWidget *plain = makePart(QRect(10, 80, 80, 200));
    CustomAnimator::setOpaqueDuringFade(card);

    present(first);
    auto *running = first->findChild<QAbstractAnimation *>();
    ASSERT_TRUE(running);
    running->pause();
    running->setCurrentTime(running->totalDuration() / 2);
    const QImage shown = window.grab().toImage();
    PointerEvents::saveRender(&window, QStringLiteral("animator_opaque_card"));
    auto visiblePart = [&](QWidget *part) {
        return QRect(part->mapTo(&window, QPoint(0, 0)), part->size()).intersected(window.rect()).adjusted(2, 2, -2, -2);
    };
    const QRect cardShown = visiblePart(card);
    const QRect plainShown = visiblePart(plain);
    ASSERT_GT(cardShown.height(), 20);
    ASSERT_GT(plainShown.height(), 20);
    for (int y = cardShown.top(); y <= cardShown.bottom(); y += 4) {
        for (int x = cardShown.left(); x <= cardShown.right(); x += 4)
            ASSERT_EQ(QColor(shown.pixel(x, y)), red) << x << "," << y;
    }
    // The unmarked part is half way to its colour.
    const QColor half(shown.pixel(plainShown.center()));
    EXPECT_GT(half.red(), red.red() + 10);
    EXPECT_GT(half.green(), red.green() + 50);
    running->resume();
    ASSERT_TRUE(QTest::qWaitFor([&] { return presented(first); }, 2000));
    EXPECT_EQ(QColor(window.grab().toImage().pixel(visiblePart(plain).center())), red);
}

} // namespace
