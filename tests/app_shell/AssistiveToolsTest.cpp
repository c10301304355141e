#include "AppTestSupport.h"

#include <AccessibleWalk.h>
#include <FocusTrail.h>
#include <TestEnvironment.h>

#include <Alert.h>
#include <DashboardScreens.h>
#include <DashboardVC.h>
#include <DashboardWindowController.h>
#include <FocusRing.h>
#include <FolderChooser.h>
#include <HomeWindow.h>
#include <Localization.h>
#include <NotificationCenter.h>
#include <OutwardScreens.h>
#include <PreferencesScreens.h>
#include <ProcessState.h>
#include <RemovalScreens.h>
#include <ReviewModels.h>
#include <ScanScreens.h>
#include <ScanVC.h>
#include <ScreenRegistry.h>

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPointer>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <functional>

namespace {

QString t(const char *key)
{
    return localizedString(QString::fromLatin1(key));
}

// Answers the next Add Folder at once with the folders given.
class ChooserDouble : public FolderChooser
{
public:
    QStringList paths;
    void choose(QWidget *, const FolderChooserOptions &, Completion completion) override { completion(true, paths); }
};

// The program as it starts, every screen registered, driven as a keyboard
// and screen reader user drives it.
class AssistiveToolsTest : public AppFixture
{
protected:
    void SetUp() override
    {
        AppFixture::SetUp();
        isScanFinished = isBackFromDashboard = false;
        registerScanScreens();
        registerPreferencesScreens();
        registerOutwardScreens();
        registerDashboardScreens();
        registerRemovalScreens();
        DashboardWindowController::setAnimationDuration(0);
        previousAlertRunner = setAlertRunner([this](QMessageBox &alert) { alerts.append(alert.text()); });
        FolderChooser::setCurrent(&chooser);
        home = qobject_cast<HomeWindow *>(launchAfterFirstRun());
        ASSERT_NE(home, nullptr);
        activate(home);
    }

    void TearDown() override
    {
        FolderChooser::setCurrent(nullptr);
        setAlertRunner(previousAlertRunner);
        AppFixture::TearDown();
        settle();
        isScanFinished = isBackFromDashboard = false;
    }

    static void settle()
    {
        for (int i = 0; i < 4; ++i) {
            QCoreApplication::processEvents();
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
    }

    static void activate(QWidget *window)
    {
        window->show();
        QApplication::setActiveWindow(window);
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }

    ScanVC *scan() const { return ScreenRegistry::instance().peek<ScanVC>(QLatin1String(ScreenId::Scan)); }

    template<class T> static T *outlet(QObject *in, const char *name)
    {
        T *found = in ? in->findChild<T *>(QLatin1String(name)) : nullptr;
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // One group of three pictures; one of them deep down a long path.
    QStringList makeFolders()
    {
        const QString root = TestEnvironment::makeTemporaryFolder(QStringLiteral("assistive"));
        const QString deep = root + QStringLiteral(
                                 "/photos/holidays/two thousand and twenty four/the long walk along the coast/"
                                 "second week/the meadow above the bay");
        QDir().mkpath(deep);
        QDir().mkpath(root + QStringLiteral("/backup"));
        // Noisy enough to stay above the smallest size a scan looks at.
        QImage picture(120, 90, QImage::Format_RGB32);
        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x)
                picture.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * y) % 256, (x ^ y) * 3 % 256));
        }
        for (const QString &path : {root + QStringLiteral("/photos/meadow.png"), root + QStringLiteral("/backup/meadow.png"),
                                    deep + QStringLiteral("/meadow.png")})
            EXPECT_TRUE(picture.save(path));
        return {root + QStringLiteral("/photos"), root + QStringLiteral("/backup")};
    }

    // The folders handed to the scan screen as Add Folder hands them.
    ScanVC *presentScan(const QStringList &folders)
    {
        chooser.paths = folders;
        auto *addFolder = outlet<QAbstractButton>(ScreenRegistry::instance().object(QLatin1String(ScreenId::Home)), "btnAddFolder");
        addFolder->setFocus(Qt::TabFocusReason);
        QTest::keyClick(addFolder, Qt::Key_Return);
        EXPECT_TRUE(QTest::qWaitFor([this] { return scan() && scan()->isVisible() && scan()->geometry() == scan()->parentWidget()->rect(); }, 5000));
        return scan();
    }

    void completeScan(ScanVC *screen)
    {
        screen->engine().setPauseBetweenSteps(std::chrono::milliseconds(0));
        screen->clickedStartScanning();
        ASSERT_TRUE(QTest::qWaitFor([screen] { return outlet<QWidget>(screen, "btnReviewResults")->isVisible(); }, 20000));
    }

    DashboardVC *openResults(ScanVC *screen)
    {
        screen->clickedReviewResults();
        DashboardWindowController *window = nullptr;
        EXPECT_TRUE(QTest::qWaitFor([&window] {
            window = ScreenRegistry::instance().peek<DashboardWindowController>(QLatin1String(ScreenId::DashboardWindow));
            return window && window->isVisible();
        }, 5000));
        if (!window)
            return nullptr;
        settle();
        activate(window);
        return window->contentViewController();
    }

    static std::string nameOf(const QWidget *widget)
    {
        return widget ? widget->objectName().toStdString() + " " + widget->metaObject()->className() : "(nothing)";
    }

    static void choose(QTableView *table, int row)
    {
        table->selectionModel()->setCurrentIndex(table->model()->index(row, 0),
                                                 QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        settle();
    }

    // The copy whose folder path is the longest, chosen, its picture shown.
    void chooseTheDeepestCopy(DashboardVC *screen)
    {
        choose(screen->tableViewGroups(), 0);
        QTableView *copies = screen->tableViewItems();
        int deepest = 0;
        for (int row = 0; row < copies->model()->rowCount(); ++row) {
            if (itemPath(copies, row).size() > itemPath(copies, deepest).size())
                deepest = row;
        }
        choose(copies, deepest);
        ASSERT_TRUE(QTest::qWaitFor([screen] { return screen->imgViewResult()->isVisible(); }, 5000));
    }

    static QString itemPath(QTableView *copies, int row)
    {
        return copies->model()->index(row, 0).data(ReviewRoles::UrlRole).toUrl().toLocalFile();
    }

    // A window whose tree holds at least the objects given.
    void expectAnswersNothingPastItsEnd(QWidget *window, int objects = 20)
    {
        const AccessibleWalk walk(QAccessible::queryAccessibleInterface(window));
        EXPECT_GE(walk.visited, objects);
        EXPECT_TRUE(walk.wrongAnswers.isEmpty()) << walk.wrongAnswers.join(QLatin1Char('\n')).toStdString();
    }

    ChooserDouble chooser;
    HomeWindow *home = nullptr;
    QStringList alerts;
    AlertRunner previousAlertRunner;
};

// A reader that asks any object of any window for a child past its end, or
// a table for a cell outside it, is told there is none, and the program goes
// on: the home screen, the scan screen with its questions, the results with
// a picture and a path too long for its strip, the preferences' panes and
// the removal confirmation, with the menus of each window.
TEST_F(AssistiveToolsTest, EveryWindowAnswersNothingForAChildOrCellItHasNot)
{
    expectAnswersNothingPastItsEnd(home);

    ScanVC *screen = presentScan(makeFolders());
    ASSERT_NE(screen, nullptr);
    {
        SCOPED_TRACE("scan screen");
        expectAnswersNothingPastItsEnd(home);
    }
    {
        SCOPED_TRACE("the Stop question");
        screen->engine().setPauseBetweenSteps(std::chrono::milliseconds(60000));
        screen->clickedStartScanning();
        screen->clickedStopScanning();
        ASSERT_TRUE(isScanDialogShown);
        expectAnswersNothingPastItsEnd(home);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        ASSERT_TRUE(QTest::qWaitFor([] { return !isScanDialogShown && !isScanning; }, 5000));
    }
    completeScan(screen);
    {
        SCOPED_TRACE("the completed scan and the leave-results question");
        expectAnswersNothingPastItsEnd(home);
        screen->clickedBack();
        ASSERT_TRUE(QTest::qWaitFor([] { return isOverlayDialogShown; }, 5000));
        expectAnswersNothingPastItsEnd(home);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        ASSERT_TRUE(QTest::qWaitFor([] { return !isOverlayDialogShown; }, 5000));
        screen->engine().isHomePressed = false;
    }
    DashboardVC *results = openResults(screen);
    ASSERT_NE(results, nullptr);
    chooseTheDeepestCopy(results);
    {
        SCOPED_TRACE("results with a picture and a long path");
        expectAnswersNothingPastItsEnd(results->window());
    }
    {
        SCOPED_TRACE("the removal confirmation");
        QTableView *copies = results->tableViewItems();
        copies->model()->setData(copies->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
        results->clickedTrashedMarked();
        QWidget *confirmation = QApplication::activeModalWidget();
        ASSERT_NE(confirmation, nullptr);
        expectAnswersNothingPastItsEnd(confirmation, 6);
        QTest::keyClick(confirmation, Qt::Key_Escape);
        settle();
    }
    {
        SCOPED_TRACE("preferences");
        delegate->clickedPreferences();
        auto *preferences = ScreenRegistry::instance().peek<QWidget>(QLatin1String(ScreenId::PreferencesWindowController));
        ASSERT_NE(preferences, nullptr);
        auto *tabs = preferences->findChild<QTabWidget *>();
        ASSERT_NE(tabs, nullptr);
        for (int pane = 0; pane < tabs->count(); ++pane) {
            SCOPED_TRACE(tabs->tabText(pane).toStdString());
            tabs->setCurrentIndex(pane);
            settle();
            expectAnswersNothingPastItsEnd(preferences);
        }
        preferences->close();
    }
}

// Each window's menus are its own: every item a reader finds in a window's
// bar, and every item of the menus it opens, says it belongs there, with its
// place on that window; none is the other window's.
TEST_F(AssistiveToolsTest, EachWindowsMenuItemsBelongToItsOwnBar)
{
    struct Window
    {
        const char *name;
        std::function<QWidget *()> show;
    };
    const Window windows[] = {
        {"home window", [this] { return static_cast<QWidget *>(home); }},
        {"results window", [] {
             auto *results =
                 ScreenRegistry::instance().get<DashboardWindowController>(QLatin1String(ScreenId::DashboardWindow));
             activate(results);
             return static_cast<QWidget *>(results);
         }},
    };
    for (const Window &w : windows) {
        SCOPED_TRACE(w.name);
        QWidget *window = w.show();
        ASSERT_NE(window, nullptr);
        auto *bar = window->findChild<QMenuBar *>();
        ASSERT_NE(bar, nullptr);
        QAccessibleInterface *barInterface = QAccessible::queryAccessibleInterface(bar);
        ASSERT_EQ(barInterface->childCount(), 3);
        for (int index = 0; index < barInterface->childCount(); ++index) {
            SCOPED_TRACE(index);
            QAccessibleInterface *title = barInterface->child(index);
            ASSERT_NE(title, nullptr);
            EXPECT_EQ(title->parent(), barInterface);
            EXPECT_TRUE(barInterface->rect().contains(title->rect().center()));
            EXPECT_FALSE(title->state().invisible);
            QAccessibleInterface *menu = title->child(0);
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(menu->parent(), title);
            for (int item = 0; item < menu->childCount(); ++item)
                EXPECT_EQ(menu->child(item)->parent(), menu) << menu->child(item)->text(QAccessible::Name).toStdString();
        }
    }
}

// What the desktop does when a window closes: it gives the keyboard to the
// window below, and an assistive tool that listens for focus makes the
// program take that in at once, before the closing window's last steps.
class DesktopAfterClosing : public QObject
{
public:
    DesktopAfterClosing(QWidget *closing, QWidget *below)
        : m_below(below)
    {
        closing->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && m_below && m_below->windowHandle()) {
            m_below->windowHandle()->requestActivate();
            QCoreApplication::processEvents();
        }
        return false;
    }

private:
    QPointer<QWidget> m_below;
};

// Add Folder, a folder's name typed into the panel until its completion
// list opens, Return: the scan screen comes with the keyboard on Start
// Scanning, seen and announced (it takes the focus), and the keys act on
// what the screen shows.
// The panel closed while its list was still up, and Qt had set aside the
// desktop's hand-over of the keyboard to the home window: the window took
// keys for controls it no longer showed as focused.
TEST_F(AssistiveToolsTest, AfterThePanelClosesOverItsCompletionListTheKeyboardIsOnStartScanning)
{
    FolderChooser::setCurrent(nullptr);
    // The panel opens on the home folder; a folder there is typed by its name.
    const QString folder = QDir::homePath() + QStringLiteral("/meadow pictures");
    ASSERT_TRUE(QDir().mkpath(folder));

    auto *addFolder = outlet<QAbstractButton>(ScreenRegistry::instance().object(QLatin1String(ScreenId::Home)), "btnAddFolder");
    addFolder->setFocus(Qt::TabFocusReason);
    QTest::keyClick(addFolder, Qt::Key_Return);
    QFileDialog *panel = home->findChild<QFileDialog *>();
    ASSERT_NE(panel, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(panel));
    const DesktopAfterClosing desktop(panel, home);
    auto *path = panel->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    ASSERT_NE(path, nullptr);
    path->setFocus(Qt::TabFocusReason);
    // The list opens once the panel has read the folder.
    ASSERT_TRUE(QTest::qWaitFor([path] {
        if (QApplication::activePopupWidget())
            return true;
        path->clear();
        QTest::keyClicks(path, QStringLiteral("meadow pic"));
        return false;
    }, 10000));
    QTest::keyClicks(QApplication::activePopupWidget(), QStringLiteral("tures"));
    const FocusTrail trail;
    QTest::keyClick(QApplication::activePopupWidget(), Qt::Key_Return);

    ASSERT_TRUE(QTest::qWaitFor([this] { return scan() && scan()->isVisible() && scan()->geometry() == scan()->parentWidget()->rect(); }, 5000));
    settle();
    EXPECT_EQ(scan()->scanList(), QStringList{folder});
    auto *start = outlet<QAbstractButton>(scan(), "btnStartScanning");
    EXPECT_EQ(QApplication::activeWindow(), home);
    EXPECT_EQ(QApplication::focusWidget(), start) << nameOf(QApplication::focusWidget());
    EXPECT_TRUE(FocusRing::isShown(start));
    EXPECT_TRUE(trail.reached().contains(start));

    // Tab, as the desktop delivers it to the window, goes on to the next
    // control on show, and is announced there.
    QTest::keyClick(home->windowHandle(), Qt::Key_Tab);
    QWidget *next = QApplication::focusWidget();
    ASSERT_NE(next, nullptr);
    EXPECT_NE(next, start);
    EXPECT_TRUE(next->isVisible() && scan()->isAncestorOf(next)) << nameOf(next);
    ASSERT_FALSE(trail.reached().isEmpty());
    EXPECT_EQ(trail.reached().last(), next);
    EXPECT_TRUE(FocusRing::isShown(next) || !qobject_cast<QAbstractButton *>(next));
}

// Each question over a screen is read as a dialog that says what it asks,
// named by its title; the answer the keyboard lands on carries the question,
// so a reader says more than "OK".
TEST_F(AssistiveToolsTest, EachQuestionIsADialogThatSaysWhatItAsks)
{
    ScanVC *screen = presentScan(makeFolders());
    ASSERT_NE(screen, nullptr);
    DashboardVC *results = nullptr;
    struct Question
    {
        const char *name;
        std::function<void()> ask;
        QString title;
        QString question;
        std::function<void()> answer;
    };
    const Question questions[] = {
        {"Stop", [screen] {
             screen->engine().setPauseBetweenSteps(std::chrono::milliseconds(60000));
             screen->clickedStartScanning();
             screen->clickedStopScanning();
         }, t("IDS_TMR_1"), t("IDS_TMR_113"), [] {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
             EXPECT_TRUE(QTest::qWaitFor([] { return !isScanDialogShown && !isScanning; }, 5000));
         }},
        {"leave the results", [this, screen] {
             completeScan(screen);
             screen->clickedBack();
             EXPECT_TRUE(QTest::qWaitFor([] { return isOverlayDialogShown; }, 5000));
         }, t("IDS_TMR_1"), t("IDS_TMR_63"), [screen] {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
             EXPECT_TRUE(QTest::qWaitFor([] { return !isOverlayDialogShown; }, 5000));
             screen->engine().isHomePressed = false;
         }},
        {"remove the marked copies", [this, screen, &results] {
             results = openResults(screen);
             ASSERT_NE(results, nullptr);
             choose(results->tableViewGroups(), 0);
             QTableView *copies = results->tableViewItems();
             copies->model()->setData(copies->model()->index(0, 0), Qt::Checked, Qt::CheckStateRole);
             results->clickedTrashedMarked();
             // A sheet of its own, which takes the keyboard once the desktop makes it the active window.
             ASSERT_NE(QApplication::activeModalWidget(), nullptr);
             activate(QApplication::activeModalWidget());
         }, t("IDS_TMR_66"), t("IDS_TMR_67"), [] {
             QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
             settle();
         }},
    };
    for (const Question &q : questions) {
        SCOPED_TRACE(q.name);
        q.ask();
        QWidget *focused = QApplication::focusWidget();
        ASSERT_TRUE(qobject_cast<QAbstractButton *>(focused)) << nameOf(focused);
        QAccessibleInterface *answer = QAccessible::queryAccessibleInterface(focused);
        EXPECT_EQ(answer->text(QAccessible::Description), q.question);
        QAccessibleInterface *dialog = answer->parent();
        while (dialog && dialog->role() != QAccessible::Dialog && dialog->role() != QAccessible::AlertMessage)
            dialog = dialog->parent();
        ASSERT_NE(dialog, nullptr) << "the answer lies in no dialog";
        EXPECT_EQ(dialog->text(QAccessible::Name), q.title);
        EXPECT_EQ(dialog->text(QAccessible::Description), q.question);
        const auto labels = dialog->relations(QAccessible::Label);
        ASSERT_EQ(labels.size(), 1);
        EXPECT_EQ(labels.first().first->text(QAccessible::Name), q.title);
        q.answer();
    }
}

} // namespace
