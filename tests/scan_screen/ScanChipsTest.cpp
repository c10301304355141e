#include "ScanScreenFixture.h"

#include <Localization.h>
#include <ProcessState.h>
#include <SYFlatButton.h>
#include <ScanItemsViewItem.h>
#include <TestEnvironment.h>

#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QTest>

using namespace ScanScreenFixture;

namespace {

class ScanChipsTest : public ScanScreenTest
{
protected:
    QStringList chipNames() const
    {
        QStringList names;
        for (ScanItemsViewItem *chip : chips())
            names.append(chip ? chip->findChild<QLabel *>(QStringLiteral("lblName"))->text() : QString());
        return names;
    }
};

TEST_F(ScanChipsTest, chipsShowTheListAndReactToThePointer)
{
    QStringList folders = makeFolders({QStringLiteral("Pictures"), QStringLiteral("Music"), QStringLiteral("Backup")});
    // A path handed over with a trailing slash still shows its folder's name.
    folders[1] += QLatin1Char('/');
    ScanVC *scan = presentScanScreen(folders);
    EXPECT_EQ(chipNames(), (QStringList{QStringLiteral("Pictures"), QStringLiteral("Music"), QStringLiteral("Backup")}));
    ScanItemsViewItem *second = chips().at(1);
    EXPECT_EQ(second->row(), 1);
    EXPECT_FALSE(second->closeButton()->isVisibleTo(second));
    QEnterEvent enter(QPointF(10, 10), QPointF(10, 10), QPointF(10, 10));
    QApplication::sendEvent(second, &enter);
    EXPECT_TRUE(second->isHovered());
    EXPECT_TRUE(second->closeButton()->isVisibleTo(second));
    EXPECT_EQ(second->closeButton()->toolTip(), localizedString(QStringLiteral("IDS_TMR_156")));
    saveRender(scan, QStringLiteral("scan_screen_ready_chips_hovered"));
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(second, &leave);
    EXPECT_FALSE(second->closeButton()->isVisibleTo(second));

    second->rebuildMenu();
    ASSERT_EQ(second->mainMenu().actions().size(), 2);
    EXPECT_EQ(second->mainMenu().actions().at(0)->text(), localizedString(QStringLiteral("IDS_TMR_114")));
    EXPECT_EQ(second->mainMenu().actions().at(1)->text(), localizedString(QStringLiteral("IDS_TMR_115")));
    second->mainMenu().actions().at(0)->trigger();
    EXPECT_EQ(scan->scanList(), (QStringList{folders.at(0), folders.at(2)}));
    EXPECT_EQ(chipNames(), (QStringList{QStringLiteral("Pictures"), QStringLiteral("Backup")}));
}

TEST_F(ScanChipsTest, removingTheLastChipByButtonOrMenuGoesHome)
{
    const QStringList folder = makeFolders({QStringLiteral("Only")});
    struct Case
    {
        const char *name;
        std::function<void(ScanItemsViewItem *)> remove;
    };
    const QList<Case> cases{
            {"remove button", [](ScanItemsViewItem *chip) { chip->closeButton()->click(); }},
            {"menu: this folder", [](ScanItemsViewItem *chip) {
                 chip->rebuildMenu();
                 chip->mainMenu().actions().at(0)->trigger();
             }},
            {"menu: all folders", [](ScanItemsViewItem *chip) {
                 chip->rebuildMenu();
                 chip->mainMenu().actions().at(1)->trigger();
             }},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        resetHomeToolTipsPosts = 0;
        QPointer<ScanVC> scan = presentScanScreen(folder);
        ASSERT_EQ(chips().size(), 1);
        c.remove(chips().first());
        EXPECT_TRUE(scan->scanList().isEmpty());
        ASSERT_TRUE(waitForHome(scan));
        EXPECT_EQ(resetHomeToolTipsPosts, 1);
    }
}

TEST_F(ScanChipsTest, staleOrBlockedRemovalsDoNothing)
{
    const QStringList folders = makeFolders({QStringLiteral("A"), QStringLiteral("B")});
    ScanVC *scan = presentScanScreen(folders);
    for (int tag : {-1, 2, 99})
        scan->deleteScanItem(tag);
    EXPECT_EQ(scan->scanList(), folders);
    // A chip filled before the list shrank points past its end.
    ScanItemsViewItem *last = chips().at(1);
    scan->engine().scanList.removeLast();
    last->removeSingleItem();
    EXPECT_EQ(scan->scanList(), QStringList{folders.at(0)});
    // The remove button is ignored while a dialog is up; the menu is not.
    scan->engine().scanList = folders;
    scan->disableScanButtons();
    scan->deleteScanItem(0);
    EXPECT_EQ(scan->scanList(), folders);
    scan->removeScanItemAt(0);
    EXPECT_EQ(scan->scanList(), QStringList{folders.at(1)});
    scan->enableScanButtons();
}

TEST_F(ScanChipsTest, addFolderTakesWhatTheIntakeRulesAllowAndExplainsTheFirstRefusal)
{
    const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("intake"));
    for (const char *name : {"Listed", "New", "Other", "Ignored", "Ignored/Inside", "Ignored-old", "Unchecked",
                             "Photos Library.photoslibrary", "Second.photoslibrary", "Tool.app", "iTunes/Media",
                             "Photo Booth Library"})
        QDir().mkpath(root + QLatin1Char('/') + QLatin1String(name));
    auto path = [&root](const char *name) { return root + QLatin1Char('/') + QLatin1String(name); };
    allIgnorePaths() = {AllIgnorePaths{true, QUrl::fromLocalFile(path("Ignored"))},
                        AllIgnorePaths{false, QUrl::fromLocalFile(path("Unchecked"))}};

    const QString notAdded = localizedString(QStringLiteral("IDS_TMR_74")) + QStringLiteral(" / ") +
                             localizedString(QStringLiteral("IDS_TMR_74_1"));
    const QString excluded = localizedString(QStringLiteral("IDS_TMR_74")) + QStringLiteral(" / ") +
                             localizedString(QStringLiteral("IDS_TMR_186"));
    const QString inside = localizedString(QStringLiteral("IDS_TMR_74")) + QStringLiteral(" / ") +
                           localizedString(QStringLiteral("IDS_TMR_187"));
    struct Case
    {
        const char *name;
        QStringList chosen;
        QStringList added;
        QString alert;
    };
    const QList<Case> cases{
            {"a new folder", {path("New")}, {path("New")}, QString()},
            {"already listed", {path("Listed")}, {}, notAdded},
            {"a folder and an application", {path("Other"), path("Tool.app")}, {path("Other")}, notAdded},
            {"the root", {QStringLiteral("/")}, {}, notAdded},
            {"inside iTunes", {path("iTunes/Media")}, {}, notAdded},
            {"a Photo Booth library", {path("Photo Booth Library")}, {}, notAdded},
            {"two Photos libraries", {path("Photos Library.photoslibrary"), path("Second.photoslibrary")},
             {path("Photos Library.photoslibrary")}, notAdded},
            {"an ignored folder", {path("Ignored")}, {}, excluded},
            {"inside an ignored folder", {path("Ignored/Inside")}, {}, inside},
            {"a name that only starts like an ignored folder", {path("Ignored-old")}, {path("Ignored-old")}, QString()},
            {"an unchecked ignore entry", {path("Unchecked")}, {path("Unchecked")}, QString()},
            {"the same folder twice in one choice", {path("New"), path("New")}, {path("New")}, notAdded},
            {"refusals of every kind: not added wins", {path("Ignored"), path("Tool.app")}, {}, notAdded},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        alerts.clear();
        ScanVC *scan = presentScanScreen({path("Listed")});
        m_chooser.paths = c.chosen;
        m_chooser.accept = true;
        click("btnAddFolder");
        EXPECT_FALSE(isFolderPanelOpen);
        EXPECT_TRUE(outlet<QWidget>("boxTopLayer")->isHidden());
        EXPECT_EQ(scan->scanList(), QStringList{path("Listed")} + c.added);
        EXPECT_EQ(chips().size(), 1 + c.added.size());
        QTest::qWait(600);
        EXPECT_EQ(alerts, c.alert.isEmpty() ? QStringList() : QStringList{c.alert});
        delete scan;
    }

    // The panel: the right choices, and a cancel that only lifts the dimming.
    ScanVC *scan = presentScanScreen({path("Listed")});
    m_chooser.accept = false;
    m_chooser.paths = {path("New")};
    click("btnAddFolder");
    EXPECT_EQ(scan->scanList(), QStringList{path("Listed")});
    EXPECT_TRUE(outlet<QWidget>("boxTopLayer")->isHidden());
    EXPECT_EQ(m_chooser.lastOptions.prompt, localizedString(QStringLiteral("IDS_TMR_83")));
    EXPECT_TRUE(m_chooser.lastOptions.allowsMultipleSelection);
    EXPECT_TRUE(m_chooser.lastOptions.shouldEnable(path("New")));
    EXPECT_TRUE(m_chooser.lastOptions.shouldEnable(path("Photos Library.photoslibrary")));
    EXPECT_FALSE(m_chooser.lastOptions.shouldEnable(path("missing.txt")));
    // Ignored while a dialog is up.
    const int opened = m_chooser.opened;
    scan->disableScanButtons();
    scan->clickedAddFolder();
    EXPECT_EQ(m_chooser.opened, opened);
    scan->enableScanButtons();
}

} // namespace
