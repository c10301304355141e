#include "PreferencesFixture.h"

#include <IgnoreListExtensionsCellView.h>
#include <IgnoreListOptionsCellView.h>
#include <IgnoreListPreferencesViewController.h>
#include <Localization.h>
#include <PaneTableView.h>
#include <PreferencesTabViewController.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <SettingsStore.h>
#include <TestEnvironment.h>
#include <UserDefaults.h>

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>
#include <QWheelEvent>

namespace {

class IgnoreListPaneTest : public PreferencesFixture
{
protected:
    IgnoreListPreferencesViewController *pane() { return tabs()->ignoreListPane(); }

    void showExtensions()
    {
        showTab(2);
        pane()->tableViewOptions->clickRow(1);
        ASSERT_TRUE(pane()->isExtensions);
    }

    static QStringList storedPaths() { return UserDefaults::standard().stringArray("IgnorePathsTMR").value_or(QStringList{"(none)"}); }
    static QList<bool> storedPathStates() { return UserDefaults::standard().boolArray("kIgnorePathsStateTMR").value_or(QList<bool>()); }

    IgnoreListExtensionsCellView *listCell(int row)
    {
        return qobject_cast<IgnoreListExtensionsCellView *>(pane()->tableViewExtensions->viewAtRow(row));
    }

    bool waitForAlerts(qsizetype count)
    {
        return QTest::qWaitFor([&] { return alerts.size() >= count; }, 5000) && alerts.size() == count;
    }
};

} // namespace

TEST_F(IgnoreListPaneTest, ChosenPathsAreAddedOrRefusedWithOneAlertOfTheFirstKind)
{
    const QString root = TestEnvironment::makeTemporaryFolder("ignore");
    for (const char *folder : {"listed", "off", "x", "y", "u/a/Documents", "u/a/Doc", "u/b"})
        ASSERT_TRUE(QDir().mkpath(root + "/" + folder));
    QFile file(root + "/file.txt");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    const auto at = [&root](const char *path) { return root + "/" + path; };

    auto *scan = new FakeScanScreen({at("u/a/Documents")});
    const QString already = localizedString("IDS_TMR_184");
    const QString equal = localizedString("IDS_TMR_185");
    const QString parent = localizedString("IDS_TMR_185_1");
    const QString rootRefused = QString();
    struct Case
    {
        const char *name;
        QStringList chosen;
        QStringList added;
        std::optional<QString> alert;
    };
    const Case cases[] = {
        {"listed and checked", {at("listed")}, {}, already},
        {"listed and unchecked", {at("off")}, {}, already},
        {"three with one listed", {at("x"), at("listed"), at("y")}, {at("x"), at("y")}, already},
        {"equal to a scan folder", {at("u/a/Documents")}, {}, equal},
        {"holds a scan folder", {at("u/a")}, {}, parent},
        {"shares only a prefix of a name", {at("u/a/Doc")}, {at("u/a/Doc")}, std::nullopt},
        {"beside a scan folder", {at("u/b")}, {at("u/b")}, std::nullopt},
        {"a plain file", {at("file.txt")}, {at("file.txt")}, std::nullopt},
        {"the root, while the scan list holds folders", {"/"}, {}, rootRefused},
        {"listed comes before equal", {at("u/a/Documents"), at("listed")}, {}, already},
        {"equal comes before the root", {"/", at("u/a/Documents")}, {}, equal},
        {"the root comes before a parent", {at("u"), "/"}, {}, rootRefused},
    };

    showTab(2);
    ScreenRegistry::instance().put(ScreenId::Scan, scan);
    qsizetype alertsSoFar = 0;
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        allIgnorePaths() = {{true, QUrl::fromLocalFile(at("listed"))}, {false, QUrl::fromLocalFile(at("off"))}};
        saveIgnoreLists();
        pane()->tableViewExtensions->reloadData();
        const QStringList before = storedPaths();

        pane()->btnAdd->click();
        ASSERT_TRUE(chooser.isOpen());
        EXPECT_TRUE(chooser.lastOptions.canChooseFiles);
        EXPECT_TRUE(chooser.lastOptions.canChooseDirectories);
        EXPECT_TRUE(chooser.lastOptions.allowsMultipleSelection);
        EXPECT_FALSE(chooser.lastOptions.showsHiddenFiles);
        chooser.answer(true, c.chosen);

        EXPECT_EQ(storedPaths(), before + c.added);
        EXPECT_EQ(storedPathStates().size(), before.size() + c.added.size());
        EXPECT_EQ(pane()->tableViewExtensions->rowCount(), before.size() + c.added.size());
        if (c.alert) {
            // Alerts of earlier cases would come first, so one more means this case's.
            ++alertsSoFar;
            ASSERT_TRUE(waitForAlerts(alertsSoFar));
            EXPECT_EQ(alerts.last().message, localizedString("IDS_TMR_183"));
            EXPECT_EQ(alerts.last().informativeText, *c.alert);
        }
    }

    // A cancelled panel changes nothing; the last case's alert is the last one.
    const QString before = settingsFile();
    pane()->btnAdd->click();
    chooser.answer(false);
    EXPECT_EQ(settingsFile(), before);
    pane()->addChosenPaths(true, {"/"});
    ASSERT_TRUE(waitForAlerts(alertsSoFar + 1));
}

TEST_F(IgnoreListPaneTest, TheScanListIsReadWithoutMakingAScanScreen)
{
    int made = 0;
    ScreenRegistry::instance().registerFactory(ScreenId::Scan, [&made]() -> QObject * {
        ++made;
        return new FakeScanScreen({"/"});
    });
    showTab(2);
    const QString folder = TestEnvironment::makeTemporaryFolder("noscan");
    pane()->addChosenPaths(true, {folder});
    EXPECT_EQ(made, 0);
    EXPECT_EQ(ScreenRegistry::instance().peekObject(ScreenId::Scan), nullptr);
    EXPECT_TRUE(storedPaths().contains(folder));
}

TEST_F(IgnoreListPaneTest, RemoveTakesOnlyTheSelectedEntryAndWritesTheListsEvenWithoutOne)
{
    store("IgnoreExtensionsTMR", QStringList{"tmp", "log", "bak"});
    store("IgnorePathsTMR", QStringList{"/p/one", "/p/two"});
    showExtensions();
    EXPECT_TRUE(pane()->btnRemove->isEnabled() == false);

    // No selection: nothing goes, the lists are still written.
    remove("kIgnoreExtensionsStateTMR");
    pane()->btnRemove->setEnabled(true);
    pane()->btnRemove->click();
    EXPECT_EQ(stored("IgnoreExtensionsTMR").toStringList(), QStringList({"tmp", "log", "bak"}));
    EXPECT_TRUE(stored("kIgnoreExtensionsStateTMR").isValid());
    EXPECT_FALSE(pane()->btnRemove->isEnabled());

    pane()->tableViewExtensions->clickRow(1);
    EXPECT_TRUE(pane()->btnRemove->isEnabled());
    pane()->btnRemove->click();
    EXPECT_EQ(stored("IgnoreExtensionsTMR").toStringList(), QStringList({"tmp", "bak"}));
    EXPECT_EQ(stored("IgnorePathsTMR").toStringList(), QStringList({"/p/one", "/p/two"}));
    EXPECT_FALSE(pane()->btnRemove->isEnabled());

    // The paths list has its own rows.
    pane()->tableViewOptions->clickRow(0);
    EXPECT_FALSE(pane()->isExtensions);
    pane()->tableViewExtensions->clickRow(0);
    pane()->btnRemove->click();
    EXPECT_EQ(stored("IgnorePathsTMR").toStringList(), QStringList({"/p/two"}));
    EXPECT_EQ(stored("IgnoreExtensionsTMR").toStringList(), QStringList({"tmp", "bak"}));
}

TEST_F(IgnoreListPaneTest, ACheckBoxChangesExactlyItsOwnEntry)
{
    store("IgnoreExtensionsTMR", QStringList{"tmp", "log", "bak"});
    store("kIgnoreExtensionsStateTMR", QVariantList{true, false, true});
    showExtensions();
    ASSERT_NE(listCell(2), nullptr);
    EXPECT_EQ(listCell(1)->lblName->text(), QStringLiteral(".log"));
    EXPECT_FALSE(listCell(1)->btnCheckBox->isChecked());

    listCell(2)->btnCheckBox->click();
    EXPECT_EQ(UserDefaults::standard().boolArray("kIgnoreExtensionsStateTMR"), QList<bool>({true, false, false}));
    listCell(1)->btnCheckBox->click();
    EXPECT_EQ(UserDefaults::standard().boolArray("kIgnoreExtensionsStateTMR"), QList<bool>({true, true, false}));
    EXPECT_EQ(stored("IgnoreExtensionsTMR").toStringList(), QStringList({"tmp", "log", "bak"}));
}

TEST_F(IgnoreListPaneTest, RestoreDefaultsGivesBothBuiltInListsChecked)
{
    store("IgnoreExtensionsTMR", QStringList{"mine"});
    store("kIgnoreExtensionsStateTMR", QVariantList{false});
    store("IgnorePathsTMR", QStringList{"/mine"});
    showTab(2);
    pane()->btnRestoreDefaults->click();
    EXPECT_EQ(stored("IgnoreExtensionsTMR").toStringList(), defaultIgnoredExtensions());
    EXPECT_EQ(stored("IgnorePathsTMR").toStringList(), defaultIgnorePaths());
    EXPECT_EQ(UserDefaults::standard().boolArray("kIgnoreExtensionsStateTMR"), QList<bool>(50, true));
    EXPECT_EQ(UserDefaults::standard().boolArray("kIgnorePathsStateTMR"), QList<bool>(7, true));
    EXPECT_EQ(pane()->tableViewExtensions->rowCount(), 7);
    pane()->tableViewOptions->clickRow(1);
    EXPECT_EQ(pane()->tableViewExtensions->rowCount(), 50);
}

// The pane's buttons take Return and Enter from the keyboard as they take Space.
TEST_F(IgnoreListPaneTest, RestoreDefaultsIsPressedFromTheKeyboard)
{
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Space}) {
        store("IgnorePathsTMR", QStringList{"/mine"});
        showTab(2);
        pane()->btnRestoreDefaults->setFocus(Qt::TabFocusReason);
        QTest::keyClick(pane()->btnRestoreDefaults, key);
        EXPECT_TRUE(QTest::qWaitFor([&] { return stored("IgnorePathsTMR").toStringList() == defaultIgnorePaths(); }))
            << QTest::toString(key);
    }
}

TEST_F(IgnoreListPaneTest, AnEmptiedListStaysEmptyAcrossTabSwitches)
{
    store("IgnoreExtensionsTMR", QStringList{"tmp"});
    store("IgnorePathsTMR", QStringList{"/p/one"});
    showExtensions();
    pane()->tableViewExtensions->clickRow(0);
    pane()->btnRemove->click();
    EXPECT_EQ(pane()->tableViewExtensions->rowCount(), 0);

    tabs()->setCurrentIndex(0);
    tabs()->setCurrentIndex(2);
    EXPECT_TRUE(pane()->isExtensions);
    EXPECT_EQ(pane()->tableViewExtensions->rowCount(), 0);
    EXPECT_FALSE(pane()->btnRemove->isEnabled());
    EXPECT_TRUE(allExtensions().isEmpty());
    EXPECT_EQ(stored("IgnorePathsTMR").toStringList(), QStringList({"/p/one"}));
    pane()->tableViewOptions->clickRow(0);
    EXPECT_EQ(pane()->tableViewExtensions->rowCount(), 1);
}

TEST_F(IgnoreListPaneTest, OptionRowsShowTheirPicturesAndAnEmptyClickKeepsTheList)
{
    showTab(2);
    ASSERT_EQ(pane()->tableViewOptions->rowCount(), 2);
    for (int row = 0; row < 2; ++row) {
        auto *cell = qobject_cast<IgnoreListOptionsCellView *>(pane()->tableViewOptions->viewAtRow(row));
        ASSERT_NE(cell, nullptr);
        EXPECT_FALSE(cell->imgView->pixmap().isNull());
        EXPECT_EQ(cell->lblName->text(), localizedString(row == 0 ? "IDS_TMR_35" : "IDS_TMR_36"));
    }
    pane()->tableViewOptions->clickRow(1);
    pane()->tableViewOptions->clickRow(-1);
    EXPECT_EQ(pane()->tableViewOptions->selectedRow(), -1);
    EXPECT_TRUE(pane()->isExtensions);
    EXPECT_EQ(pane()->tableViewExtensions->rowCount(), 50);
}

TEST_F(IgnoreListPaneTest, WhileCoveredNothingReactsAndTheListDoesNotScroll)
{
    showExtensions();
    pane()->tableViewExtensions->clickRow(3);
    pane()->disableControls();
    EXPECT_TRUE(isScrollingDisabled);
    EXPECT_TRUE(pane()->topLayerImageView->isVisible());
    for (QPushButton *button : {pane()->btnAdd, pane()->btnRemove, pane()->btnRestoreDefaults})
        EXPECT_FALSE(button->isEnabled());
    ASSERT_NE(listCell(0), nullptr);
    EXPECT_FALSE(listCell(0)->btnCheckBox->isEnabled());
    EXPECT_EQ(pane()->tableViewExtensions->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    pane()->tableViewOptions->clickRow(0);
    EXPECT_TRUE(pane()->isExtensions);

    QScrollBar *scroller = pane()->tableViewExtensions->verticalScrollBar();
    const int position = scroller->value();
    QWidget *content = pane()->tableViewExtensions->viewport();
    QWheelEvent wheel(QPointF(10, 10), content->mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -240), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(content, &wheel);
    EXPECT_EQ(scroller->value(), position);

    pane()->enableControls();
    EXPECT_FALSE(isScrollingDisabled);
    EXPECT_FALSE(pane()->topLayerImageView->isVisible());
    EXPECT_TRUE(pane()->btnAdd->isEnabled());
    EXPECT_TRUE(pane()->btnRemove->isEnabled()); // a row is still selected
    EXPECT_TRUE(listCell(0)->btnCheckBox->isEnabled());
    pane()->tableViewOptions->clickRow(0);
    EXPECT_FALSE(pane()->isExtensions);
}

TEST_F(IgnoreListPaneTest, RendersThePathsAndTheExtensions)
{
    store("IgnorePathsTMR", QStringList{"/usr", "/home/user/.local/share", "/home/user/Dropbox"});
    store("kIgnorePathsStateTMR", QVariantList{true, false, true});
    showTab(2);
    saveRender("preferences_ignore_paths");
    pane()->tableViewOptions->clickRow(1);
    pane()->tableViewExtensions->clickRow(2);
    saveRender("preferences_ignore_extensions");
}
