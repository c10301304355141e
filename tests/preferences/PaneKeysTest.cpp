#include "PreferencesFixture.h"

#include <FocusTrail.h>

#include <CustomAnimator.h>
#include <GeneralPreferencesViewController.h>
#include <IgnoreListExtensionsCellView.h>
#include <IgnoreListPreferencesViewController.h>
#include <Localization.h>
#include <PaneTableView.h>
#include <PopoverTextFieldVC.h>
#include <PreferencesTabViewController.h>
#include <ProcessState.h>
#include <RemovalPreferencesViewController.h>
#include <ScreenRegistry.h>
#include <TestEnvironment.h>
#include <UserDefaults.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QKeySequence>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabBar>
#include <QTest>

#include <optional>
#include <utility>

// The preferences window driven with the keyboard only: keys go to the
// widget that has the focus, as they do under a real display.

namespace {

class PaneKeysTest : public PreferencesFixture
{
protected:
    // Shows the window on the tab, with the focus on the tab bar, where
    // Ctrl+Tab leaves it.
    void openOnTab(int index)
    {
        showTab(index);
        ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
        tabs()->tabBar()->setFocus(Qt::TabFocusReason);
    }

    static void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QWidget *focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, key, modifiers);
    }

    static std::string focusName()
    {
        const QWidget *focused = QApplication::focusWidget();
        if (!focused)
            return "nothing";
        return (focused->objectName() + QStringLiteral(" (") + QLatin1String(focused->metaObject()->className())
                + QLatin1Char(')'))
            .toStdString();
    }

    IgnoreListPreferencesViewController *ignorePane() { return tabs()->ignoreListPane(); }

    // The Ignore List pane in front with two paths, switched as given, and
    // the extensions tmp, log (off) and bak.
    IgnoreListPreferencesViewController *openWithTwoPathsAndThreeExtensions(const QVariantList &pathStates)
    {
        store("IgnorePathsTMR", QStringList{"/p/one", "/p/two"});
        store("kIgnorePathsStateTMR", pathStates);
        store("IgnoreExtensionsTMR", QStringList{"tmp", "log", "bak"});
        store("kIgnoreExtensionsStateTMR", QVariantList{true, false, true});
        openOnTab(2);
        return ignorePane();
    }
    QTabBar *tabBar() { return tabs()->tabBar(); }
};

std::string keyName(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    return QKeySequence(QKeyCombination(modifiers, key)).toString().toStdString();
}

QList<bool> storedStates(const char *key)
{
    return UserDefaults::standard().boolArray(QLatin1String(key)).value_or(QList<bool>());
}

} // namespace

TEST_F(PaneKeysTest, BothIgnoreTablesAreUsedFromTheKeyboard)
{
    IgnoreListPreferencesViewController *pane = openWithTwoPathsAndThreeExtensions({true, true});
    PaneTableView *options = pane->tableViewOptions;
    PaneTableView *list = pane->tableViewExtensions;

    const QStringList all{"tmp", "log", "bak"};
    const QStringList removed{"tmp", "bak"};
    using States = QList<bool>;
    struct Step
    {
        const char *what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget *focus;
        bool extensions;    // which list the list table shows
        int chosen;         // the list table's chosen row
        QStringList storedExtensions;
        States extensionStates;
        States pathStates;
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Step steps[] = {
        {"Tab reaches the option table", Qt::Key_Tab, none, options, false, -1, all, {true, false, true}, {true, true}},
        {"Down shows the extensions", Qt::Key_Down, none, options, true, -1, all, {true, false, true}, {true, true}},
        {"Up shows the folders", Qt::Key_Up, none, options, false, -1, all, {true, false, true}, {true, true}},
        {"End shows the extensions", Qt::Key_End, none, options, true, -1, all, {true, false, true}, {true, true}},
        {"Tab passes to the list table, not into its boxes", Qt::Key_Tab, none, list, true, -1, all, {true, false, true},
         {true, true}},
        {"Down chooses the row under the current one", Qt::Key_Down, none, list, true, 1, all, {true, false, true},
         {true, true}},
        {"Space switches the chosen entry on", Qt::Key_Space, none, list, true, 1, all, {true, true, true}, {true, true}},
        {"Space switches it off again", Qt::Key_Space, none, list, true, 1, all, {true, false, true}, {true, true}},
        {"Up chooses the row above", Qt::Key_Up, none, list, true, 0, all, {true, false, true}, {true, true}},
        {"Space switches that entry", Qt::Key_Space, none, list, true, 0, all, {false, false, true}, {true, true}},
        {"End chooses the last row", Qt::Key_End, none, list, true, 2, all, {false, false, true}, {true, true}},
        {"Up from there", Qt::Key_Up, none, list, true, 1, all, {false, false, true}, {true, true}},
        {"Tab passes on to Add", Qt::Key_Tab, none, pane->btnAdd, true, 1, all, {false, false, true}, {true, true}},
        {"Tab reaches Remove, enabled by the choice", Qt::Key_Tab, none, pane->btnRemove, true, 1, all,
         {false, false, true}, {true, true}},
        // Remove turns itself off and hands the keyboard back to the list.
        {"Space on Remove removes the chosen entry", Qt::Key_Space, none, list, true, -1, removed, {false, true},
         {true, true}},
        {"Tab passes on to Add", Qt::Key_Tab, none, pane->btnAdd, true, -1, removed, {false, true}, {true, true}},
        {"Tab passes over the disabled Remove", Qt::Key_Tab, none, pane->btnRestoreDefaults, true, -1, removed,
         {false, true}, {true, true}},
        {"Tab from the last button goes round to the tab bar, past every box", Qt::Key_Tab, none, tabBar(), true, -1,
         removed, {false, true}, {true, true}},
        {"Shift+Tab comes back to Restore Defaults", Qt::Key_Tab, shift, pane->btnRestoreDefaults, true, -1, removed,
         {false, true}, {true, true}},
        {"Shift+Tab goes back past the disabled Remove", Qt::Key_Tab, shift, pane->btnAdd, true, -1, removed,
         {false, true}, {true, true}},
        {"Shift+Tab reaches the list table", Qt::Key_Tab, shift, list, true, -1, removed, {false, true}, {true, true}},
        {"Space chooses the current row and switches it", Qt::Key_Space, none, list, true, 1, removed, {false, false},
         {true, true}},
        {"Shift+Tab reaches the option table", Qt::Key_Tab, shift, options, true, 1, removed, {false, false},
         {true, true}},
        {"Home shows the folders, choosing none of them", Qt::Key_Home, none, options, false, -1, removed, {false, false}, {true, true}},
        {"Tab passes to the paths", Qt::Key_Tab, none, list, false, -1, removed, {false, false}, {true, true}},
        {"Up chooses the first path", Qt::Key_Up, none, list, false, 0, removed, {false, false}, {true, true}},
        {"Space switches that path off", Qt::Key_Space, none, list, false, 0, removed, {false, false}, {false, true}},
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(std::string(step.what) + " [" + keyName(step.key, step.modifiers) + "]");
        press(step.key, step.modifiers);
        EXPECT_EQ(QApplication::focusWidget(), step.focus) << focusName();
        EXPECT_EQ(pane->isExtensions, step.extensions);
        EXPECT_EQ(list->rowCount(), step.extensions ? allExtensions().size() : allIgnorePaths().size());
        EXPECT_EQ(list->selectedRow(), step.chosen);
        // With nothing chosen Remove may stay on, as the pane shows it, but
        // removes nothing.
        if (step.chosen != -1) {
            EXPECT_TRUE(pane->btnRemove->isEnabled());
        }
        EXPECT_EQ(stored("IgnoreExtensionsTMR").toStringList(), step.storedExtensions);
        EXPECT_EQ(storedStates("kIgnoreExtensionsStateTMR"), step.extensionStates);
        EXPECT_EQ(storedStates("kIgnorePathsStateTMR"), step.pathStates);
        // The boxes show what is stored.
        const States &shown = step.extensions ? step.extensionStates : step.pathStates;
        for (int row = 0; row < list->rowCount() && row < shown.size(); ++row) {
            auto *cell = qobject_cast<IgnoreListExtensionsCellView *>(list->viewAtRow(row));
            ASSERT_NE(cell, nullptr);
            EXPECT_EQ(cell->btnCheckBox->isChecked(), shown.at(row)) << "row " << row;
        }
    }
}

// Remove turns itself off once its entry has gone. However it is pressed,
// the keyboard goes back to the list it acted on, at the row that took the
// removed entry's place, and never passes through Restore Defaults, where
// one more Space would replace both lists.
TEST_F(PaneKeysTest, RemoveHandsTheKeyboardBackToTheList)
{
    struct Case
    {
        const char *how;
        Qt::Key key; // Qt::Key_unknown: a click
        int chosen;
        int current; // the list's current row afterwards
    };
    const Case cases[] = {
        {"Space on a middle entry", Qt::Key_Space, 1, 1},
        {"Return on the last entry", Qt::Key_Return, 2, 1},
        {"Enter on the first entry", Qt::Key_Enter, 0, 0},
        {"a click", Qt::Key_unknown, 1, 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.how);
        store("IgnoreExtensionsTMR", QStringList{"tmp", "log", "bak"});
        store("kIgnoreExtensionsStateTMR", QVariantList{true, true, true});
        resetScreens();
        openOnTab(2);
        IgnoreListPreferencesViewController *pane = ignorePane();
        PaneTableView *list = pane->tableViewExtensions;
        pane->tableViewOptions->clickRow(1);
        list->setFocus(Qt::TabFocusReason);
        list->clickRow(c.chosen);
        ASSERT_TRUE(pane->btnRemove->isEnabled());

        if (c.key != Qt::Key_unknown)
            pane->btnRemove->setFocus(Qt::TabFocusReason);
        const FocusTrail trail;
        if (c.key == Qt::Key_unknown)
            QTest::mouseClick(pane->btnRemove, Qt::LeftButton);
        else
            press(c.key);
        // Return and Enter press the button as a click would, shown pressed first.
        EXPECT_TRUE(QTest::qWaitFor([] { return allExtensions().size() == 2; }, 2000));

        EXPECT_FALSE(pane->btnRemove->isEnabled());
        EXPECT_EQ(QApplication::focusWidget(), list) << focusName();
        EXPECT_FALSE(trail.reached().contains(pane->btnRestoreDefaults)) << "the keyboard passed through Restore Defaults";
        EXPECT_EQ(list->currentRow(), c.current);
        EXPECT_EQ(list->selectedRow(), -1);
        EXPECT_EQ(stored("IgnoreExtensionsTMR").toStringList().size(), 2);
    }
}

// Add turns itself off under the extension popover: the keyboard goes from
// Add into the popover's field, passing through nothing the popover covers.
TEST_F(PaneKeysTest, AddHandsTheKeyboardToThePopover)
{
    store("IgnoreExtensionsTMR", QStringList{"tmp"});
    openOnTab(2);
    IgnoreListPreferencesViewController *pane = ignorePane();
    pane->tableViewOptions->clickRow(1);
    customAnimator.emplace(0.01, QRectF(pane->rect()));
    pane->btnAdd->setFocus(Qt::TabFocusReason);

    const FocusTrail trail;
    press(Qt::Key_Space);
    auto *popover = ScreenRegistry::instance().get<PopoverTextFieldVC>(ScreenId::PopoverTextField);
    ASSERT_NE(popover, nullptr);
    EXPECT_TRUE(QTest::qWaitFor([popover] { return popover->textField->hasFocus(); }, 2000)) << focusName();
    for (QWidget *widget : trail.reached()) {
        EXPECT_TRUE(widget == pane || popover->isAncestorOf(widget))
            << "the keyboard passed through " << (widget ? qPrintable(widget->objectName()) : "nothing");
    }
    popover->btnCancel->click();
}

// Assistive tools read each ignore table as a list of its rows: every row
// named by what it shows, chosen or not, the keyboard's row focused, and a
// row with a box checkable and checked as its box is. The list always
// describes the rows on show, and answers for no other.
TEST_F(PaneKeysTest, EachIgnoreTableIsAListOfItsEntries)
{
    IgnoreListPreferencesViewController *pane = openWithTwoPathsAndThreeExtensions({true, false});
    PaneTableView *options = pane->tableViewOptions;
    PaneTableView *list = pane->tableViewExtensions;

    struct Row
    {
        QString name;
        bool checkable;
        bool checked;
        bool selected;
        bool focused;
    };
    using Rows = QList<Row>;
    struct Step
    {
        const char *what;
        std::function<void()> act;
        Rows optionRows;
        Rows listRows;
    };
    const QString folders = localizedString("IDS_TMR_35");
    const QString extensions = localizedString("IDS_TMR_36");
    const Step steps[] = {
        {"the folders in front", [] {},
         {{folders, false, false, true, false}, {extensions, false, false, false, false}},
         {{"/p/one", true, true, false, false}, {"/p/two", true, false, false, false}}},
        {"the keyboard on the options", [&] { options->setFocus(Qt::TabFocusReason); },
         {{folders, false, false, true, true}, {extensions, false, false, false, false}},
         {{"/p/one", true, true, false, false}, {"/p/two", true, false, false, false}}},
        {"Down shows the extensions", [] { press(Qt::Key_Down); },
         {{folders, false, false, false, false}, {extensions, false, false, true, true}},
         {{".tmp", true, true, false, false}, {".log", true, false, false, false}, {".bak", true, true, false, false}}},
        {"Tab and Down choose the second extension", [] { press(Qt::Key_Tab); press(Qt::Key_Down); },
         {{folders, false, false, false, false}, {extensions, false, false, true, false}},
         {{".tmp", true, true, false, false}, {".log", true, false, true, true}, {".bak", true, true, false, false}}},
        {"Space checks it", [] { press(Qt::Key_Space); },
         {{folders, false, false, false, false}, {extensions, false, false, true, false}},
         {{".tmp", true, true, false, false}, {".log", true, true, true, true}, {".bak", true, true, false, false}}},
        {"Remove takes it away", [&] { pane->btnRemove->click(); },
         {{folders, false, false, false, false}, {extensions, false, false, true, false}},
         {{".tmp", true, true, false, false}, {".bak", true, true, false, true}}},
    };
    const auto expectRows = [](PaneTableView *table, const Rows &rows) {
        QAccessibleInterface *accessible = QAccessible::queryAccessibleInterface(table);
        ASSERT_NE(accessible, nullptr);
        EXPECT_EQ(accessible->role(), QAccessible::List);
        ASSERT_EQ(accessible->childCount(), rows.size());
        for (int i = 0; i < rows.size(); ++i) {
            SCOPED_TRACE(rows.at(i).name.toStdString());
            QAccessibleInterface *row = accessible->child(i);
            ASSERT_NE(row, nullptr);
            EXPECT_EQ(row->role(), QAccessible::ListItem);
            EXPECT_EQ(row->text(QAccessible::Name), rows.at(i).name);
            EXPECT_EQ(accessible->indexOfChild(row), i);
            EXPECT_EQ(row->parent(), accessible);
            const QAccessible::State state = row->state();
            EXPECT_EQ(bool(state.checkable), rows.at(i).checkable);
            EXPECT_EQ(bool(state.checked), rows.at(i).checked);
            EXPECT_EQ(bool(state.selected), rows.at(i).selected);
            EXPECT_EQ(bool(state.focused), rows.at(i).focused);
        }
        // Rows the table does not have are not there to ask for.
        EXPECT_EQ(accessible->child(int(rows.size())), nullptr);
        EXPECT_EQ(accessible->child(-1), nullptr);
    };
    for (const Step &step : steps) {
        SCOPED_TRACE(step.what);
        step.act();
        {
            SCOPED_TRACE("options");
            expectRows(options, step.optionRows);
        }
        {
            SCOPED_TRACE("list");
            expectRows(list, step.listRows);
        }
    }

    // A screen reader switches a box through the row, as Space does.
    QAccessibleActionInterface *first = QAccessible::queryAccessibleInterface(list)->child(0)->actionInterface();
    ASSERT_NE(first, nullptr);
    first->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(storedStates("kIgnoreExtensionsStateTMR"), (QList<bool>{false, true}));
    EXPECT_FALSE(QAccessible::queryAccessibleInterface(list)->child(0)->state().checked);
}

TEST_F(PaneKeysTest, TheOptionTableTakesSpaceAndReturnWhenNothingIsChosen)
{
    openOnTab(2);
    IgnoreListPreferencesViewController *pane = ignorePane();
    for (Qt::Key key : {Qt::Key_Space, Qt::Key_Return}) {
        SCOPED_TRACE(keyName(key, Qt::NoModifier));
        pane->tableViewOptions->setFocus(Qt::TabFocusReason);
        press(Qt::Key_Down);
        ASSERT_TRUE(pane->isExtensions);
        // A click on the empty area keeps the list but chooses no option.
        pane->tableViewOptions->clickRow(-1);
        press(key);
        EXPECT_EQ(pane->tableViewOptions->selectedRow(), 1);
        press(Qt::Key_Up);
        EXPECT_FALSE(pane->isExtensions);
    }
}

TEST_F(PaneKeysTest, AFocusedTableShowsItselfAndItsCurrentRow)
{
    store("IgnoreExtensionsTMR", QStringList{"tmp", "log", "bak"});
    openOnTab(2);
    IgnoreListPreferencesViewController *pane = ignorePane();
    PaneTableView *options = pane->tableViewOptions;
    PaneTableView *list = pane->tableViewExtensions;
    options->clickRow(1);

    // The option chosen and the list's first row, as they look with the
    // focus in their table and elsewhere.
    const auto rows = [&] { return std::pair(options->viewAtRow(1)->grab().toImage(), list->viewAtRow(0)->grab().toImage()); };
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), options) << focusName();
    const auto optionsFocused = rows();
    saveRender("preferences_ignore_keys_options_focused");
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), list) << focusName();
    const auto listFocused = rows();
    saveRender("preferences_ignore_keys_list_focused");
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), pane->btnAdd) << focusName();
    const auto neither = rows();

    EXPECT_TRUE(optionsFocused.first != neither.first) << "the chosen option looks the same with the focus and without";
    EXPECT_TRUE(listFocused.second != neither.second) << "the current row of the list does not show";
    EXPECT_EQ(list->selectedRow(), -1); // showing the current row chooses nothing
}

TEST_F(PaneKeysTest, RadioGroupsFollowTheOrderShown)
{
    const QString destination = TestEnvironment::makeTemporaryFolder("keys-destination");
    store("MinimumFileSizeTMR", quint64(5) * 1024 * 1024);
    store("MinimumFileSizeTypeTMR", QStringLiteral("MB"));
    showTab(3);
    RemovalPreferencesViewController *removal = tabs()->removalPane();
    GeneralPreferencesViewController *general = tabs()->generalPane();
    QRadioButton *trash = removal->btnRemoveToTrash;
    QRadioButton *permanently = removal->btnMoveToPermanently;
    QRadioButton *folder = removal->btnRemoeToFolder;
    QRadioButton *kb = general->btnKB;
    QRadioButton *mb = general->btnMB;

    using Stored = QList<std::pair<const char *, QVariant>>;
    const Stored trashStored{{"RemovableTypeTMR", "1"}, {"RemovablePathTMR", ""}, {"RemovableIsPathWriteTMR", true}};
    const Stored permanentlyStored{{"RemovableTypeTMR", "2"}, {"RemovablePathTMR", ""}, {"RemovableIsPathWriteTMR", true}};
    const Stored folderStored{{"RemovableTypeTMR", "3"}, {"RemovablePathTMR", destination}, {"RemovableIsPathWriteTMR", true}};
    const Stored nothingStored{{"RemovableTypeTMR", QVariant()}};
    const Stored kbStored{{"MinimumFileSizeTypeTMR", "KB"}, {"MinimumFileSizeTMR", quint64(5) * 1024}};
    const Stored mbStored{{"MinimumFileSizeTypeTMR", "MB"}, {"MinimumFileSizeTMR", quint64(5) * 1024 * 1024}};
    struct Step
    {
        const char *what;
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        QWidget *focus; // nullptr: anywhere outside the group
        QRadioButton *checked;
        Stored stored;
        std::optional<bool> chooserAnswer; // the key opens the folder chooser, answered so
    };
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    // The screen shows Trash, Delete, Folder.
    const Step removalSteps[] = {
        {"Tab enters at the checked Trash", Qt::Key_Tab, none, trash, trash, nothingStored, {}},
        {"Down checks Delete", Qt::Key_Down, none, permanently, permanently, permanentlyStored, {}},
        {"Down checks Folder once one is chosen", Qt::Key_Down, none, folder, folder, folderStored, true},
        {"Down from the last wraps round to Trash", Qt::Key_Down, none, trash, trash, trashStored, {}},
        {"Up from the first wraps round to Folder; a cancelled chooser keeps Trash", Qt::Key_Up, none, folder, trash,
         trashStored, false},
        {"Up checks Delete", Qt::Key_Up, none, permanently, permanently, permanentlyStored, {}},
        {"Left checks Trash", Qt::Key_Left, none, trash, trash, trashStored, {}},
        {"Right checks Delete", Qt::Key_Right, none, permanently, permanently, permanentlyStored, {}},
        {"Tab leaves the group", Qt::Key_Tab, none, nullptr, permanently, permanentlyStored, {}},
        {"Shift+Tab enters at the checked Delete", Qt::Key_Tab, shift, permanently, permanently, permanentlyStored, {}},
        {"Shift+Tab leaves the group", Qt::Key_Tab, shift, nullptr, permanently, permanentlyStored, {}},
        {"Tab enters at Delete again", Qt::Key_Tab, none, permanently, permanently, permanentlyStored, {}},
        {"Down checks Folder", Qt::Key_Down, none, folder, folder, folderStored, true},
        {"Tab goes on to the folder's Browse", Qt::Key_Tab, none, removal->btnBrowseFolder, folder, folderStored, {}},
        {"Shift+Tab comes back at the checked Folder", Qt::Key_Tab, shift, folder, folder, folderStored, {}},
        {"Shift+Tab leaves the group", Qt::Key_Tab, shift, nullptr, folder, folderStored, {}},
    };
    // The screen shows KB, MB; MB is in force.
    const Step generalSteps[] = {
        {"Tab from the spin box enters at the checked MB", Qt::Key_Tab, none, mb, mb, mbStored, {}},
        {"Down from the last wraps round to KB", Qt::Key_Down, none, kb, kb, kbStored, {}},
        {"Down checks MB", Qt::Key_Down, none, mb, mb, mbStored, {}},
        {"Up checks KB", Qt::Key_Up, none, kb, kb, kbStored, {}},
        {"Right checks MB", Qt::Key_Right, none, mb, mb, mbStored, {}},
        {"Left checks KB", Qt::Key_Left, none, kb, kb, kbStored, {}},
        {"Tab leaves the group", Qt::Key_Tab, none, nullptr, kb, kbStored, {}},
        {"Shift+Tab comes back at the checked KB", Qt::Key_Tab, shift, kb, kb, kbStored, {}},
        {"Shift+Tab leaves for the spin box", Qt::Key_Tab, shift, general->stepperFileSize, kb, kbStored, {}},
    };

    const auto run = [&](const QList<QRadioButton *> &group, const auto &steps) {
        for (const Step &step : steps) {
            SCOPED_TRACE(std::string(step.what) + " [" + keyName(step.key, step.modifiers) + "]");
            chooser.openCount = 0;
            press(step.key, step.modifiers);
            EXPECT_EQ(chooser.openCount, step.chooserAnswer ? 1 : 0);
            if (step.chooserAnswer)
                chooser.answer(*step.chooserAnswer, {destination});
            QWidget *focused = QApplication::focusWidget();
            if (step.focus) {
                EXPECT_TRUE(step.focus->hasFocus()) << focusName();
            } else {
                EXPECT_FALSE(group.contains(focused)) << focusName();
            }
            for (QRadioButton *button : group)
                EXPECT_EQ(button->isChecked(), button == step.checked) << button->objectName().toStdString();
            for (const auto &[key, value] : step.stored) {
                const QVariant now = stored(QLatin1String(key));
                EXPECT_TRUE(now == value) << key << " is " << now.toString().toStdString();
            }
        }
    };

    openOnTab(3);
    {
        SCOPED_TRACE("Removal");
        run({trash, permanently, folder}, removalSteps);
        EXPECT_TRUE(removal->stackViewSubpartFolderRemoval->isVisible());
    }
    saveRender("preferences_removal_keys");
    tabs()->setCurrentIndex(0);
    general->stepperFileSize->setFocus(Qt::TabFocusReason);
    {
        SCOPED_TRACE("General");
        run({kb, mb}, generalSteps);
        EXPECT_EQ(general->stepperFileSize->value(), 5);
        EXPECT_EQ(minimumFileSize, 5u * 1024);
    }
}

TEST_F(PaneKeysTest, TheTabBarShowsTheFocusItHasWhenTheWindowOpens)
{
    window()->showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window()));
    ASSERT_EQ(QApplication::focusWidget(), tabBar()) << focusName();
    const QImage focused = tabBar()->grab().toImage();
    saveRender("preferences_opened_focus");
    tabBar()->clearFocus();
    EXPECT_TRUE(focused != tabBar()->grab().toImage()) << "the tab bar looks the same with the focus and without";
}
