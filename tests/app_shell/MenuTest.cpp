#include "AppTestSupport.h"
#include "TestEnvironment.h"

#include <DashboardWindowController.h>
#include <HomeWindow.h>
#include <NotificationCenter.h>
#include <PageOpener.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <UserDefaults.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

class MenuTest : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        home = qobject_cast<HomeWindow *>(launchAfterFirstRun());
        ASSERT_TRUE(home);
    }

    // Check for Updates is hidden here (no updater), and a hidden action is
    // never enabled; the rule is about the items the user can reach.
    qsizetype reachableItems() const
    {
        qsizetype count = 0;
        for (QAction *action : delegate->servedItems())
            count += action->isVisible() ? 1 : 0;
        return count;
    }

    QStringList enabledServedItems()
    {
        delegate->validateMenus();
        QStringList names;
        for (QAction *action : delegate->servedItems()) {
            if (action->isEnabled())
                names.append(action->objectName());
        }
        return names;
    }

    HomeWindow *home = nullptr;
};

TEST_F(MenuTest, EveryBusyConditionDisablesEveryServedItem)
{
    EXPECT_EQ(enabledServedItems().size(), reachableItems()) << enabledServedItems().join(' ').toStdString();

    auto *dashboard = new QWidget;
    auto *dimming = new QWidget(dashboard);
    dimming->setObjectName(QStringLiteral("topLayerParent"));
    dimming->hide();
    ScreenRegistry::instance().put(QLatin1String(ScreenId::Dashboard), dashboard);
    EXPECT_EQ(enabledServedItems().size(), reachableItems()) << "hidden dimming picture";

    struct Case
    {
        const char *what;
        std::function<void()> make;
        std::function<void()> undo;
    };
    const Case cases[] = {
        {"dialog over the scan screen", [] { isScanDialogShown = true; }, [] { isScanDialogShown = false; }},
        {"first run not completed", [] { UserDefaults::standard().removeObject(QLatin1String(kStartupKey)); },
         [] { UserDefaults::standard().setObject(QLatin1String(kStartupKey), true); }},
        {"first run of another type", [] { UserDefaults::standard().setObject(QLatin1String(kStartupKey), 1); },
         [] { UserDefaults::standard().setObject(QLatin1String(kStartupKey), true); }},
        {"overlay up", [] { isCustomDialogShown = true; }, [] { isCustomDialogShown = false; }},
        {"folder panel up", [] { isFolderPanelOpen = true; }, [] { isFolderPanelOpen = false; }},
        {"results dimmed", [dimming] { dimming->show(); }, [dimming] { dimming->hide(); }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        c.make();
        EXPECT_TRUE(enabledServedItems().isEmpty());
        // The handlers ask again, whatever the items showed.
        int opened = 0;
        PageOpener::setHandler([&opened](const QUrl &) { return ++opened, true; });
        delegate->tmrHelp();
        delegate->tappedExit();
        delegate->clickedMinimize();
        EXPECT_EQ(opened, 0);
        EXPECT_EQ(terminations, 0);
        EXPECT_FALSE(home->isMinimized());
        c.undo();
    }
    EXPECT_EQ(enabledServedItems().size(), reachableItems());
}

TEST_F(MenuTest, QuitShortcutWithADialogOverTheScanScreenDoesNotQuit)
{
    home->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(home));
    delegate->validateMenus();

    isScanDialogShown = true;
    QTest::keyClick(home, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(terminations, 0);

    // Items left disabled by an earlier state do not block the shortcut.
    isScanDialogShown = false;
    EXPECT_FALSE(delegate->menuItemQuit->isEnabled());
    QTest::keyClick(home, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(terminations, 1);
}

TEST_F(MenuTest, ItemsActOnTheWindowOnShowAndTheHelpPage)
{
    QList<QUrl> opened;
    PageOpener::setHandler([&opened](const QUrl &url) { return opened.append(url), true; });
    delegate->tmrHelp();
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.first().query().contains(QStringLiteral("utm_source=tmrmac")));

    QStringList posted;
    auto &center = NotificationCenter::defaultCenter();
    const auto a = center.addObserver(QLatin1String(kAboutHomeNotification), [&posted](const Notification &n) { posted << n.name; });
    const auto b = center.addObserver(QLatin1String(kAboutDashboardNotification), [&posted](const Notification &n) { posted << n.name; });
    delegate->tappedAbout();
    isDashboardShown = true;
    delegate->tappedAbout();
    isDashboardShown = false;
    center.removeObserver(a);
    center.removeObserver(b);
    EXPECT_EQ(posted, QStringList({QLatin1String(kAboutHomeNotification), QLatin1String(kAboutDashboardNotification)}));

    delegate->clickedMinimize();
    EXPECT_TRUE(home->isMinimized());
    delegate->showTMR();
    EXPECT_FALSE(home->isMinimized());
    EXPECT_TRUE(home->isVisible());

    // Menu titles come from the localisation table.
    EXPECT_EQ(delegate->menuItemQuit->text(), QStringLiteral("Quit Twinmoor"));
    EXPECT_EQ(delegate->menuItemTwinmoorHelp->text(), QStringLiteral("Twinmoor Help"));
    EXPECT_FALSE(delegate->menuItemCheckForUpdates->isVisible());
}

TEST_F(MenuTest, MenuBarLeavesTheRestOfTheStripToMoveTheWindow)
{
    QMenuBar *bar = home->menuBar();
    EXPECT_TRUE(QTest::qWaitFor([&] { return bar->width() == bar->sizeHint().width(); })) << bar->width();
    const QPoint beside(bar->geometry().right() + 30, bar->geometry().center().y());
    QWidget *under = home->childAt(beside);
    EXPECT_TRUE(under && under != bar && !bar->isAncestorOf(under));
}

TEST_F(MenuTest, RenderWithTheMenuOpen)
{
    QMenuBar *bar = home->menuBar();
    ASSERT_EQ(bar->actions().size(), 3);
    bar->setActiveAction(bar->actions().first());
    QMenu *menu = bar->actions().first()->menu();
    ASSERT_TRUE(menu);
    ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 3000));

    QImage picture(home->size(), QImage::Format_ARGB32_Premultiplied);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.setClipRegion(home->mask());
    painter.drawPixmap(0, 0, home->grab());
    painter.setClipping(false);
    painter.drawPixmap(menu->pos() - home->pos(), menu->grab());
    painter.end();
    const QString path = TestEnvironment::renderDirectory() + QStringLiteral("/home-window-menu-open.png");
    EXPECT_TRUE(picture.save(path));
    menu->close();
}

// The picture of one menu's title on the bar.
QImage titleOf(QMenuBar *bar, QAction *menu)
{
    return bar->grab(bar->actionGeometry(menu)).toImage();
}

// The menu strip of both windows worked from the keyboard: Alt or F10 puts
// the keyboard on the first menu, highlighted as under the pointer; Left and
// Right move along, Down or Return open, Escape gives the keyboard back.
TEST_F(MenuTest, AltAndF10WorkTheMenuStripOfEveryWindow)
{
    DashboardWindowController::setAnimationDuration(0);
    auto results = std::make_unique<DashboardWindowController>();
    struct Window
    {
        const char *name;
        QWidget *window;
    };
    const Window windows[] = {{"home", home}, {"results", results.get()}};
    for (const Window &w : windows) {
        w.window->show();
        w.window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(w.window));
        QMenuBar *bar = w.window->findChild<QMenuBar *>();
        ASSERT_NE(bar, nullptr);
        const QList<QAction *> menus = bar->actions();
        ASSERT_EQ(menus.size(), 3);
        // Somewhere for the keyboard to come back to.
        auto *before = new QPushButton(QStringLiteral("before"), w.window);
        before->show();
        const auto pointAt = [bar](const QPoint &where) {
            QMouseEvent move(QEvent::MouseMove, where, bar->mapToGlobal(where), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
            QCoreApplication::sendEvent(bar, &move);
        };
        const QImage plain = titleOf(bar, menus.at(0));
        pointAt(bar->actionGeometry(menus.at(0)).center());
        ASSERT_EQ(bar->activeAction(), menus.at(0));
        const QImage pointedAt = titleOf(bar, menus.at(0));
        pointAt(QPoint(bar->width() - 1, bar->height() - 1));
        ASSERT_EQ(bar->activeAction(), nullptr);

        for (const Qt::Key enter : {Qt::Key_Alt, Qt::Key_F10}) {
            SCOPED_TRACE(std::string(w.name) + (enter == Qt::Key_Alt ? " Alt" : " F10"));
            before->setFocus(Qt::TabFocusReason);
            ASSERT_EQ(QApplication::focusWidget(), before);

            QTest::keyClick(before, enter);
            EXPECT_EQ(QApplication::focusWidget(), bar);
            EXPECT_EQ(bar->activeAction(), menus.at(0));
            EXPECT_FALSE(menus.at(0)->menu()->isVisible()) << "the menu opens only on Down or Return";
            const QImage highlighted = titleOf(bar, menus.at(0));
            EXPECT_NE(highlighted, plain) << "the first menu does not show that it has the keyboard";
            EXPECT_EQ(highlighted, pointedAt) << "the keyboard's highlight is not the pointer's";
            if (enter == Qt::Key_Alt)
                w.window->grab().save(TestEnvironment::renderDirectory()
                                      + QStringLiteral("/%1-window-menu-keyboard.png").arg(QLatin1String(w.name)));

            struct Step
            {
                Qt::Key key;
                int active; // the menu highlighted, by its place
                bool open;  // its menu is open
            };
            const Step steps[] = {
                {Qt::Key_Right, 1, false}, {Qt::Key_Right, 2, false}, {Qt::Key_Left, 1, false},
                {Qt::Key_Down, 1, true},   {Qt::Key_Escape, 1, false}, {Qt::Key_Return, 1, true},
                {Qt::Key_Escape, 1, false},
            };
            for (const Step &step : steps) {
                SCOPED_TRACE(QKeySequence(step.key).toString().toStdString());
                QWidget *popup = QApplication::activePopupWidget();
                QTest::keyClick(popup ? popup : QApplication::focusWidget(), step.key);
                EXPECT_EQ(bar->activeAction(), menus.at(step.active));
                EXPECT_EQ(menus.at(step.active)->menu()->isVisible(), step.open);
            }
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            EXPECT_EQ(QApplication::focusWidget(), before) << "Escape does not give the keyboard back";
            EXPECT_EQ(bar->activeAction(), nullptr);
        }
        delete before;
        w.window->hide();
    }
}

} // namespace
