#include "PreferencesFixture.h"

#include <IgnoreListPreferencesViewController.h>
#include <Localization.h>
#include <PopoverTextFieldVC.h>
#include <PreferencesTabViewController.h>
#include <PreferencesWindowController.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <TestEnvironment.h>

#include <QApplication>
#include <QDir>
#include <QTabBar>
#include <QTest>

using PreferencesWindowTest = PreferencesFixture;

TEST_F(PreferencesWindowTest, TheRegistryKeepsOneWindowWhosePaneThePopoverReaches)
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    PreferencesWindowController *first = window();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(window(), first);
    // The pane known to the registry is the one the window shows, whichever
    // is asked for first.
    EXPECT_EQ(registry.get<IgnoreListPreferencesViewController>(ScreenId::IgnoreListPreferences),
              tabs()->ignoreListPane());
    EXPECT_NE(registry.get<PopoverTextFieldVC>(ScreenId::PopoverTextField), nullptr);

    // The menu item reaches the window by name only.
    ASSERT_TRUE(QMetaObject::invokeMethod(registry.object(ScreenId::PreferencesWindowController), "showWindow"));
    EXPECT_TRUE(first->isVisible());
    first->close();
    EXPECT_FALSE(first->isVisible());
    EXPECT_EQ(window(), first);
}

TEST_F(PreferencesWindowTest, TabsInOrderAndTheWindowTitleFollowsTheTabInFront)
{
    const QStringList labels{"IDS_TMR_19", "IDS_TMR_20", "IDS_TMR_21", "IDS_TMR_22", "IDS_TMR_23"};
    ASSERT_EQ(tabs()->count(), labels.size());
    for (int i = 0; i < labels.size(); ++i) {
        SCOPED_TRACE(labels.at(i).toStdString());
        EXPECT_FALSE(localizedString(labels.at(i)).isEmpty());
        EXPECT_EQ(tabs()->tabText(i), localizedString(labels.at(i)));
        showTab(i);
        EXPECT_EQ(window()->windowTitle(), localizedString(labels.at(i)));
    }
}

TEST_F(PreferencesWindowTest, ReopeningShowsGeneralWithoutShowingThePaneLastInFront)
{
    showTab(3);
    window()->close();
    // The Removal pane makes a missing destination again when it appears; it
    // must not appear on the way to General.
    const QString destination = TestEnvironment::makeTemporaryFolder("reopen") + QStringLiteral("/gone/dest");
    removalMode() = MovingType::Folder(destination, true);

    window()->showWindow();
    EXPECT_EQ(tabs()->currentIndex(), 0);
    EXPECT_EQ(window()->windowTitle(), localizedString("IDS_TMR_19"));
    EXPECT_FALSE(QDir(destination).exists());

    tabs()->setCurrentIndex(3);
    EXPECT_TRUE(QDir(destination).exists());
}

TEST_F(PreferencesWindowTest, RendersEveryTab)
{
    store("IgnorePathsTMR", QStringList{"/usr", QDir::homePath() + "/.local/share"});
    const char *names[] = {"general", "alerts", "ignore_list", "removal", "support"};
    for (int i = 0; i < 5; ++i) {
        showTab(i);
        saveRender(QStringLiteral("preferences_tab_%1_%2").arg(i).arg(QLatin1String(names[i])));
    }
}

namespace {

// The first control of the pane that Tab reaches, if any.
QWidget *firstControl(QWidget *pane)
{
    for (QWidget *widget = pane->nextInFocusChain(); widget && widget != pane; widget = widget->nextInFocusChain()) {
        if (pane->isAncestorOf(widget) && widget->isVisible() && widget->isEnabled() && (widget->focusPolicy() & Qt::TabFocus))
            return widget;
    }
    return nullptr;
}

} // namespace

TEST_F(PreferencesWindowTest, EscapeAndCtrlWCloseTheWindowFromEveryPane)
{
    struct Key
    {
        const char *name;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
    };
    const Key keys[] = {{"Escape", Qt::Key_Escape, Qt::NoModifier}, {"Ctrl+W", Qt::Key_W, Qt::ControlModifier}};
    for (const Key &key : keys) {
        for (int tab = 0; tab < tabs()->count(); ++tab) {
            SCOPED_TRACE(std::string(key.name) + " on tab " + std::to_string(tab));
            showTab(tab);
            ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
            if (QWidget *control = firstControl(tabs()->widget(tab)))
                control->setFocus();
            QWidget *focused = QApplication::focusWidget();
            QTest::keyClick(focused ? focused : window(), key.key, key.modifiers);
            EXPECT_FALSE(window()->isVisible()) << (focused ? qPrintable(focused->objectName()) : "no focus");
        }
    }
    // Other keys leave it open.
    showTab(0);
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    QTest::keyClick(window(), Qt::Key_W);
    EXPECT_TRUE(window()->isVisible());
}
