#include "PreferencesFixture.h"

#include <GeneralPreferencesViewController.h>
#include <IgnoreListPreferencesViewController.h>
#include <Localization.h>
#include <PaneTableView.h>
#include <PopoverTextFieldVC.h>
#include <PreferencesTabViewController.h>
#include <PreferencesWindowController.h>
#include <ProcessState.h>
#include <RemovalPreferencesViewController.h>
#include <ScreenRegistry.h>
#include <TestEnvironment.h>

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
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

namespace {

// Whether b comes after a when the pane is read from the top, each line from
// the left: on the same line (their heights overlap) b stands to the right,
// otherwise below.
bool readsAfter(const QRect &a, const QRect &b)
{
    const bool sameLine = b.top() <= a.bottom() && a.top() <= b.bottom();
    return sameLine ? b.left() > a.right() : b.top() > a.bottom();
}

} // namespace

// A screen reader walks a pane's children in the order assistive tools are
// given them; that order is the one the eye follows, radio groups included.
TEST_F(PreferencesWindowTest, AssistiveToolsReadEachPaneInTheOrderShown)
{
    removalMode() = MovingType::Folder(TestEnvironment::makeTemporaryFolder("reading-order"), true);
    struct Case
    {
        const char *pane;
        int tab;
        QList<QRadioButton *> group; // the radio group, in the order shown
    };
    const Case cases[] = {
        {"General", 0, {tabs()->generalPane()->btnKB, tabs()->generalPane()->btnMB}},
        {"Ignore List", 2, {}},
        {"Removal", 3,
         {tabs()->removalPane()->btnRemoveToTrash, tabs()->removalPane()->btnMoveToPermanently,
          tabs()->removalPane()->btnRemoeToFolder}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pane);
        showTab(c.tab);
        QWidget *pane = tabs()->widget(c.tab);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(pane);
        ASSERT_NE(accessible, nullptr);
        QList<QWidget *> read;
        for (int i = 0; i < accessible->childCount(); ++i) {
            auto *widget = qobject_cast<QWidget *>(accessible->child(i)->object());
            if (widget && widget->isVisible())
                read.append(widget);
        }
        ASSERT_GE(read.size(), std::max<qsizetype>(2, c.group.size()));
        for (qsizetype i = 1; i < read.size(); ++i) {
            EXPECT_TRUE(readsAfter(read.at(i - 1)->geometry(), read.at(i)->geometry()))
                << qPrintable(read.at(i)->objectName() + QStringLiteral(" \"") + read.at(i)->property("text").toString()
                              + QStringLiteral("\" is read after ") + read.at(i - 1)->objectName() + QStringLiteral(" \"")
                              + read.at(i - 1)->property("text").toString() + QLatin1Char('"'));
        }
        QList<QRadioButton *> radios;
        for (QWidget *widget : std::as_const(read)) {
            if (auto *radio = qobject_cast<QRadioButton *>(widget))
                radios.append(radio);
        }
        EXPECT_EQ(radios, c.group);
        for (QRadioButton *radio : std::as_const(radios))
            EXPECT_EQ(QAccessible::queryAccessibleInterface(radio)->role(), QAccessible::RadioButton);
    }
}

TEST_F(PreferencesWindowTest, EveryControlSaysWhatItDoesAndWhatItIs)
{
    // Every control that Tab reaches, in every pane, has a name.
    for (int tab = 0; tab < tabs()->count(); ++tab) {
        showTab(tab);
        const QList<QWidget *> children = tabs()->widget(tab)->findChildren<QWidget *>();
        for (QWidget *widget : children) {
            // The part that stands in for its control (a spin box's text) is
            // named through that control.
            QWidget *parent = widget->parentWidget();
            const bool inner = parent && (parent->focusProxy() == widget || widget->focusProxy() == parent);
            if (!widget->isVisible() || !(widget->focusPolicy() & Qt::TabFocus) || inner)
                continue;
            QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(accessible, nullptr);
            EXPECT_FALSE(accessible->text(QAccessible::Name).trimmed().isEmpty())
                << "tab " << tab << ": " << qPrintable(widget->objectName()) << " " << widget->metaObject()->className();
        }
    }

    removalMode() = MovingType::Folder(TestEnvironment::makeTemporaryFolder("named"), true);
    showTab(3);
    GeneralPreferencesViewController *general = tabs()->generalPane();
    RemovalPreferencesViewController *removal = tabs()->removalPane();
    struct Case
    {
        const char *what;
        QWidget *control;
        QString name; // empty: named by its value
        QAccessible::Role role;
        bool checked;
        QWidget *label; // the prompt beside it, when it has one
    };
    const Case cases[] = {
        {"minimum size", general->stepperFileSize, "Leave out files not larger than", QAccessible::SpinBox, false,
         general->lblSelectMinimumSize},
        {"language", general->comboBoxLanguage, QString(), QAccessible::ComboBox, false, general->lblSelectLanguage},
        {"kilobytes", general->btnKB, "KB", QAccessible::RadioButton, true, nullptr},
        {"megabytes", general->btnMB, "MB", QAccessible::RadioButton, false, nullptr},
        {"Trash", removal->btnRemoveToTrash, localizedString("IDS_TMR_39"), QAccessible::RadioButton, false, nullptr},
        {"permanently", removal->btnMoveToPermanently, localizedString("IDS_TMR_40"), QAccessible::RadioButton, false,
         nullptr},
        {"folder", removal->btnRemoeToFolder, localizedString("IDS_TMR_41"), QAccessible::RadioButton, true, nullptr},
        {"destination", removal->pathControl, localizedString("IDS_TMR_42_1"), QAccessible::EditableText, false, nullptr},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(c.control);
        ASSERT_NE(accessible, nullptr);
        if (!c.name.isEmpty()) {
            EXPECT_EQ(accessible->text(QAccessible::Name), c.name);
        }
        EXPECT_EQ(accessible->role(), c.role);
        if (c.role == QAccessible::RadioButton) {
            EXPECT_TRUE(accessible->state().checkable);
            EXPECT_EQ(bool(accessible->state().checked), c.checked);
        }
        if (c.label) {
            QList<QObject *> labels;
            for (const auto &[other, relation] : accessible->relations(QAccessible::Label))
                labels.append(other->object());
            EXPECT_TRUE(labels.contains(c.label));
        }
    }

    // The ignore list is named by the list it shows.
    showTab(2);
    IgnoreListPreferencesViewController *ignore = tabs()->ignoreListPane();
    for (int option : {1, 0}) {
        ignore->tableViewOptions->clickRow(option);
        EXPECT_EQ(QAccessible::queryAccessibleInterface(ignore->tableViewExtensions)->text(QAccessible::Name),
                  localizedString(option ? "IDS_TMR_36" : "IDS_TMR_35"));
    }

    // A press chooses the unit as a click does.
    QAccessibleInterface *megabytes = QAccessible::queryAccessibleInterface(general->btnMB);
    ASSERT_NE(megabytes->actionInterface(), nullptr);
    megabytes->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_TRUE(general->btnMB->isChecked());
    EXPECT_FALSE(general->btnKB->isChecked());
    EXPECT_EQ(stored("MinimumFileSizeTypeTMR"), QVariant(QStringLiteral("MB")));
}
