#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class QAction;
class QMenu;
class QMenuBar;
class QTimer;
class QWidget;
class Updater;

// Runs the program's launch, serves its menus, brings its window back on
// reopen, runs the update actions and the relaunch after a download, and is
// the one way out of the program. It lives as the application object's
// child named "AppDelegate", so screens below it reach it by meta-call.
class AppDelegate : public QObject
{
    Q_OBJECT

public:
    enum class UpdateAction { None, CheckForUpdate, AutoInstallUpdates };

    static constexpr int kUpdateDelayMilliseconds = 5000;
    static constexpr int kRelaunchDelayMilliseconds = 5000;
    // How long a new process waits for the one it replaces to end.
    static constexpr int kRelaunchWaitMilliseconds = 30000;
    static constexpr char kWaitForProcessArgument[] = "--wait-for-pid";

    explicit AppDelegate(QObject *parent = nullptr);
    ~AppDelegate() override;

    // Menu items. The three title items are their menus' own actions.
    QAction *menuItemAppName = nullptr;
    QAction *menuItemAbout = nullptr;
    QAction *menuItemCheckForUpdates = nullptr;
    QAction *menuItemQuit = nullptr;
    QAction *menuPreferences = nullptr;
    QAction *menuItemHelp = nullptr;
    QAction *menuItemTwinmoorHelp = nullptr;
    QAction *menuItemShowTMR = nullptr;
    QAction *menuItemHideTwinmoor = nullptr;
    QAction *menuItemWindow = nullptr;
    QAction *menuItemMinimize = nullptr;
    QAction *menuItemZoom = nullptr;
    QAction *menuItemBringAllToFront = nullptr;

    Updater *updater() const { return m_updater.get(); }

    void applicationWillFinishLaunching();
    void applicationDidFinishLaunching();
    void applicationWillTerminate();
    void setMenuTitles();
    // Fills a window's menu bar with the shared menus.
    void populateMenuBar(QMenuBar *bar);

    // The one rule of every item the delegate serves.
    bool validateMenuItem(const QAction *item) const;
    // Applies the rule to the items; runs whenever a menu opens.
    void validateMenus();
    // The items the rule governs.
    QList<QAction *> servedItems() const;

    bool applicationShouldHandleReopen(bool hasVisibleWindows);
    void showTMR();
    void clickedMinimize();
    void clickedPreferences();
    void tmrHelp();
    void tappedAbout();
    void tappedExit();
    void hideApplication();
    void zoomWindow();
    void bringAllToFront();

    void checkForUpdate();
    void autoInstallUpdates();
    // What start-up scheduled, and the timer that runs it.
    UpdateAction scheduledUpdateAction() const { return m_scheduledUpdate; }
    QTimer *updateTimer() const { return m_updateTimer; }
    QTimer *relaunchTimer() const { return m_relaunchTimer; }

    // Starts this program again and quits, once nothing is under way.
    void callTerminate();
    // Work or a dialog the user would lose to a relaunch.
    bool isBusyForRelaunch() const;
    // The program the relaunch starts: this executable unless a test set another.
    void setExecutablePath(const QString &path) { m_executablePath = path; }

    // The first-run window is done: show the home window as start-up does.
    Q_INVOKABLE void showHomeWindowAfterStartup();

    // Quit's path: everything that ends the program comes here once.
    void terminate();
    bool isTerminating() const { return m_terminating; }
    // What ends the event loop; tests put their own in place.
    void setTerminateHandler(std::function<void()> handler) { m_terminateHandler = std::move(handler); }
    // Deletes every screen and window (their workers stop and are joined
    // with them) and waits for the worker pool; before the application
    // object goes.
    static void tearDown();

    // Where usage events go; tests put a recorder in place.
    using EventSender = std::function<void(const QString &category, const QString &action)>;
    void setEventSender(EventSender sender) { m_sendEvent = std::move(sender); }

    // Closing the last window quits, checked once the close is through.
    void watchLastWindowClose();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createMenus();
    bool startupCompleted() const;
    void openFirstWindow();
    void showHomeWindow();
    void closeDashboardWindow();
    void bringLoginItemInLine();
    void recordLaunch();
    void scheduleUpdateAction();
    void reopenMainWindow();
    void checkForLastWindow();
    void willDownloadUpdate(const QString &version);
    void didDownloadUpdate(const QString &version);

    std::unique_ptr<Updater> m_updater;
    // Parentless menus holding the actions and titles that every bar's own
    // menus show; the teardown may delete them first.
    QPointer<QMenu> m_appMenu;
    QPointer<QMenu> m_windowMenu;
    QPointer<QMenu> m_helpMenu;
    QTimer *m_updateTimer = nullptr;
    QTimer *m_relaunchTimer = nullptr;
    UpdateAction m_scheduledUpdate = UpdateAction::None;
    bool m_isUpdaterDelegate = false;
    bool m_terminating = false;
    bool m_watchesLastWindow = false;
    bool m_lastWindowCheckQueued = false;
    QString m_executablePath;
    std::function<void()> m_terminateHandler;
    EventSender m_sendEvent;
};
