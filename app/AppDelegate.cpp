#include "AppDelegate.h"

#include "LaunchRules.h"

#include <FileFacts.h>
#include <FocusHandOff.h>
#include <KRBObjectiveCMethods.h>
#include <KitAccessibility.h>
#include <LaunchOnStartup.h>
#include <Localization.h>
#include <MainMenuHost.h>
#include <NotificationCenter.h>
#include <PageOpener.h>
#include <ProcessLauncher.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <SettingsStore.h>
#include <Updater.h>
#include <UsageEvents.h>
#include <UserDefaults.h>

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QThreadPool>
#include <QTimer>

#include <cstdio>

namespace {

UserDefaults &defaults()
{
    return UserDefaults::standard();
}

QString text(const char *key)
{
    return localizedString(QLatin1String(key));
}

QString joined(const char *first, const char *second)
{
    return text(first) + QLatin1Char(' ') + text(second);
}

// Windows the user works in; menus, tooltips and the like come and go.
bool isMainWindow(const QWidget *widget)
{
    if (!widget->isWindow())
        return false;
    switch (widget->windowType()) {
    case Qt::Popup:
    case Qt::ToolTip:
    case Qt::SplashScreen:
    case Qt::Desktop:
        return false;
    default:
        return true;
    }
}

QList<QWidget *> visibleMainWindows()
{
    QList<QWidget *> windows;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && isMainWindow(widget))
            windows.append(widget);
    }
    return windows;
}

QWidget *peekWidget(const char *identifier)
{
    return ScreenRegistry::instance().peek<QWidget>(QLatin1String(identifier));
}

} // namespace

AppDelegate::AppDelegate(QObject *parent)
    : QObject(parent ? parent : QCoreApplication::instance())
    , m_updateTimer(new QTimer(this))
    , m_relaunchTimer(new QTimer(this))
    , m_sendEvent(sendAnalyticsEvent)
{
    setObjectName(QStringLiteral("AppDelegate"));
    // Before the first menu or window: Qt keeps the interface a widget is
    // first given, and the keyboard follows the desktop from the first
    // window on.
    KitAccessibility::install();
    FocusHandOff::install();
    m_updateTimer->setSingleShot(true);
    m_updateTimer->setInterval(kUpdateDelayMilliseconds);
    connect(m_updateTimer, &QTimer::timeout, this, [this] {
        if (m_scheduledUpdate == UpdateAction::AutoInstallUpdates)
            autoInstallUpdates();
        else if (m_scheduledUpdate == UpdateAction::CheckForUpdate)
            checkForUpdate();
    });
    m_relaunchTimer->setSingleShot(true);
    m_relaunchTimer->setInterval(kRelaunchDelayMilliseconds);
    connect(m_relaunchTimer, &QTimer::timeout, this, [this] { callTerminate(); });
    createMenus();
    MainMenuHost::setBuilder([this](QMenuBar *bar) { populateMenuBar(bar); });
    // Shortcuts are checked against the rule as it stands when they are typed.
    qApp->installEventFilter(this);
}

AppDelegate::~AppDelegate()
{
    MainMenuHost::setBuilder({});
    delete m_appMenu.data();
    delete m_windowMenu.data();
    delete m_helpMenu.data();
}

void AppDelegate::createMenus()
{
    m_appMenu = new QMenu;
    m_windowMenu = new QMenu;
    m_helpMenu = new QMenu;
    menuItemAppName = m_appMenu->menuAction();
    menuItemWindow = m_windowMenu->menuAction();
    menuItemHelp = m_helpMenu->menuAction();

    auto item = [this](QMenu *menu, const char *name, const QKeySequence &shortcut, void (AppDelegate::*handler)()) {
        auto *action = new QAction(this);
        action->setObjectName(QLatin1String(name));
        action->setShortcut(shortcut);
        // The same actions serve every main window.
        action->setShortcutContext(Qt::ApplicationShortcut);
        connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        menu->addAction(action);
        return action;
    };

    menuItemAbout = item(m_appMenu, "menuItemAbout", {}, &AppDelegate::tappedAbout);
    menuItemCheckForUpdates = item(m_appMenu, "menuItemCheckForUpdates", {}, &AppDelegate::checkForUpdate);
    m_appMenu->addSeparator();
    menuPreferences = item(m_appMenu, "menuPreferences", QKeySequence(QStringLiteral("Ctrl+,")), &AppDelegate::clickedPreferences);
    m_appMenu->addSeparator();
    menuItemHideTwinmoor = item(m_appMenu, "menuItemHideTwinmoor", QKeySequence(QStringLiteral("Ctrl+H")), &AppDelegate::hideApplication);
    menuItemShowTMR = item(m_appMenu, "menuItemShowTMR", {}, &AppDelegate::showTMR);
    m_appMenu->addSeparator();
    menuItemQuit = item(m_appMenu, "menuItemQuit", QKeySequence(QStringLiteral("Ctrl+Q")), &AppDelegate::tappedExit);

    menuItemMinimize = item(m_windowMenu, "menuItemMinimize", QKeySequence(QStringLiteral("Ctrl+M")), &AppDelegate::clickedMinimize);
    menuItemZoom = item(m_windowMenu, "menuItemZoom", {}, &AppDelegate::zoomWindow);
    m_windowMenu->addSeparator();
    menuItemBringAllToFront = item(m_windowMenu, "menuItemBringAllToFront", {}, &AppDelegate::bringAllToFront);

    menuItemTwinmoorHelp = item(m_helpMenu, "menuItemTwinmoorHelp", QKeySequence(QKeySequence::HelpContents), &AppDelegate::tmrHelp);

    // Packages bring updates here; the item shows only with an updater.
    menuItemCheckForUpdates->setVisible(false);
    for (QMenu *menu : {m_appMenu.data(), m_windowMenu.data(), m_helpMenu.data()})
        connect(menu, &QMenu::aboutToShow, this, [this] { validateMenus(); });
    validateMenus();
}

void AppDelegate::populateMenuBar(QMenuBar *bar)
{
    // Each window's bar has menus of its own, holding the one set of
    // actions: a menu shows in one bar only, so what assistive tools read of
    // it belongs to that window.
    const QString ownMenuName = QStringLiteral("barMenu");
    qDeleteAll(bar->findChildren<QMenu *>(ownMenuName, Qt::FindDirectChildrenOnly));
    for (QMenu *shared : {m_appMenu.data(), m_windowMenu.data(), m_helpMenu.data()}) {
        if (!shared)
            continue;
        QMenu *own = bar->addMenu(shared->title());
        own->setObjectName(ownMenuName);
        own->addActions(shared->actions());
        QAction *title = shared->menuAction();
        connect(title, &QAction::changed, own, [own, title] { own->setTitle(title->text()); });
        connect(own, &QMenu::aboutToShow, this, [this] { validateMenus(); });
    }
}

void AppDelegate::setMenuTitles()
{
    menuItemAppName->setText(text("IDS_TMR_1"));
    menuItemAbout->setText(joined("IDS_TMR_236", "IDS_TMR_1"));
    menuItemCheckForUpdates->setText(text("IDS_TMR_237"));
    menuItemQuit->setText(joined("IDS_TMR_243", "IDS_TMR_1"));
    menuPreferences->setText(text("IDS_TMR_238"));
    menuItemHelp->setText(text("IDS_TMR_248"));
    menuItemTwinmoorHelp->setText(joined("IDS_TMR_1", "IDS_TMR_248"));
    menuItemShowTMR->setText(joined("IDS_TMR_244", "IDS_TMR_1"));
    menuItemHideTwinmoor->setText(joined("IDS_TMR_239", "IDS_TMR_1"));
    menuItemWindow->setText(text("IDS_TMR_249"));
    menuItemMinimize->setText(text("IDS_TMR_245"));
    menuItemZoom->setText(text("IDS_TMR_246"));
    menuItemBringAllToFront->setText(text("IDS_TMR_247"));
}

bool AppDelegate::startupCompleted() const
{
    return defaults().boolValue(QLatin1String(kStartupKey)).has_value();
}

// Launch

void AppDelegate::applicationWillFinishLaunching()
{
    m_updater = Updater::makeForMainBundle();
    if (m_updater) {
        m_updater->setAutomaticallyChecksForUpdates(false);
        m_updater->setAutomaticallyDownloadsUpdates(false);
    }
    menuItemCheckForUpdates->setVisible(m_updater != nullptr);

    loadLocalizationTable();
    // Title bars and task lists show this name; windows take it when they
    // are made, so it is set before the first one.
    const QString name = text("IDS_TMR_1");
    QGuiApplication::setApplicationDisplayName(name.isEmpty() ? QStringLiteral("Twinmoor") : name);
    openFirstWindow();
    bringLoginItemInLine();
    setUpAnalyticsIdentity();
    recordLaunch();
}

void AppDelegate::openFirstWindow()
{
    if (startupCompleted()) {
        closeDashboardWindow();
        showHomeWindow();
        return;
    }
    if (ScreenRegistry::instance().hasFactory(QLatin1String(ScreenId::StartupWindow))) {
        if (QWidget *window = startupWindowController()) {
            window->adjustSize();
            if (QScreen *screen = window->screen())
                window->move(LaunchRules::centredOrigin(screen->geometry(), window->frameGeometry().size()));
            showWindowInFront(window);
            return;
        }
    }
    // Until there is a first-run window the home window opens in its place;
    // nothing is stored for it.
    showHomeWindow();
}

void AppDelegate::showHomeWindow()
{
    showWindowInFront(homeWindowController());
}

void AppDelegate::closeDashboardWindow()
{
    if (QWidget *window = peekWidget(ScreenId::DashboardWindow))
        window->close();
}

void AppDelegate::bringLoginItemInLine()
{
    if (defaults().boolValue(QLatin1String(kLoginStartStatusKey)).value_or(false)) {
        LaunchOnStartup::setLaunchAtStartup(true);
        return;
    }
    if (LaunchOnStartup::itemReferencesInLoginItems().first)
        KRBObjectiveCMethods().itemRefInLoginItems();
}

void AppDelegate::recordLaunch()
{
    const std::optional<QString> running = appVersionString();
    if (!defaults().boolValue(QLatin1String(kFirstRunKey))) {
        defaults().setObject(QLatin1String(kFirstRunKey), false);
        m_sendEvent(QStringLiteral("install"), QStringLiteral("install"));
        if (running)
            defaults().setObject(QLatin1String(kLastVersionKey), *running);
        return;
    }

    const std::optional<QString> stored = defaults().stringValue(QLatin1String(kLastVersionKey));
    if (stored && running && stored->toLower() != *running && LaunchRules::isNewerVersion(*running, *stored)) {
        defaults().setObject(QLatin1String(kLastVersionKey), *running);
        m_sendEvent(QStringLiteral("tmrupdated"), *running);
    }
    scheduleUpdateAction();
}

void AppDelegate::scheduleUpdateAction()
{
    const QString key = QLatin1String(kAutoCheckForUpdateKey);
    std::optional<qint64> setting = defaults().integerValue(key);
    if (!setting) {
        defaults().setObject(key, qint64(1));
        setting = 1;
    }
    m_scheduledUpdate = UpdateAction::None;
    // Without an updater the actions would find nothing to do.
    if (!m_updater)
        return;
    if (*setting == 1)
        m_scheduledUpdate = UpdateAction::AutoInstallUpdates;
    else if (*setting == 0)
        m_scheduledUpdate = UpdateAction::CheckForUpdate;
    if (m_scheduledUpdate != UpdateAction::None)
        m_updateTimer->start();
}

void AppDelegate::applicationDidFinishLaunching()
{
    setMenuTitles();
    loadSettingsAtLaunch();
    validateMenus();
}

void AppDelegate::applicationWillTerminate()
{
    // Every setting was written when it changed.
}

void AppDelegate::showHomeWindowAfterStartup()
{
    closeDashboardWindow();
    showHomeWindow();
    validateMenus();
}

// Menus

QList<QAction *> AppDelegate::servedItems() const
{
    return {menuItemAbout, menuItemCheckForUpdates, menuPreferences, menuItemTwinmoorHelp,
            menuItemShowTMR, menuItemMinimize, menuItemQuit};
}

bool AppDelegate::validateMenuItem(const QAction *) const
{
    if (isScanDialogShown)
        return false;
    if (!startupCompleted())
        return false;
    if (isCustomDialogShown)
        return false;
    if (isFolderPanelOpen)
        return false;
    if (QObject *dashboard = ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Dashboard))) {
        if (auto *dimming = dashboard->findChild<QWidget *>(QStringLiteral("topLayerParent")); dimming && !dimming->isHidden())
            return false;
    }
    return true;
}

void AppDelegate::validateMenus()
{
    for (QAction *action : servedItems())
        action->setEnabled(validateMenuItem(action));
    const QWidget *active = QApplication::activeWindow();
    menuItemZoom->setEnabled(active && active->minimumSize() != active->maximumSize());
}

void AppDelegate::tappedAbout()
{
    if (!validateMenuItem(menuItemAbout))
        return;
    NotificationCenter::defaultCenter().post(
        QLatin1String(isDashboardShown ? kAboutDashboardNotification : kAboutHomeNotification));
}

void AppDelegate::clickedPreferences()
{
    if (!validateMenuItem(menuPreferences))
        return;
    QWidget *window = preferencesWindowController();
    // The window chooses its first pane before it shows itself.
    if (window && window->metaObject()->indexOfMethod("showWindow()") >= 0)
        QMetaObject::invokeMethod(window, "showWindow");
    else
        showWindowInFront(window);
}

void AppDelegate::tmrHelp()
{
    if (!validateMenuItem(menuItemTwinmoorHelp))
        return;
    if (blogURL())
        PageOpener::openURL(*blogURL());
}

void AppDelegate::showTMR()
{
    if (!validateMenuItem(menuItemShowTMR))
        return;
    reopenMainWindow();
}

void AppDelegate::clickedMinimize()
{
    if (!validateMenuItem(menuItemMinimize))
        return;
    // A window that does not exist yet is not made only to be minimised.
    if (QWidget *window = peekWidget(isDashboardShown ? ScreenId::DashboardWindow : ScreenId::HomeWindow))
        window->showMinimized();
}

void AppDelegate::tappedExit()
{
    if (!validateMenuItem(menuItemQuit))
        return;
    terminate();
}

void AppDelegate::hideApplication()
{
    for (QWidget *window : visibleMainWindows())
        window->showMinimized();
}

void AppDelegate::zoomWindow()
{
    QWidget *window = QApplication::activeWindow();
    if (!window || window->minimumSize() == window->maximumSize())
        return;
    if (window->isMaximized())
        window->showNormal();
    else
        window->showMaximized();
}

void AppDelegate::bringAllToFront()
{
    for (QWidget *window : visibleMainWindows())
        window->raise();
}

// Reopen

bool AppDelegate::applicationShouldHandleReopen(bool)
{
    if (isScanDialogShown)
        return false;
    if (!startupCompleted()) {
        // Until the first run is done, whatever window is up is brought back
        // as it is: the first-run window, or the home window in its place.
        for (QWidget *window : visibleMainWindows())
            showWindowInFront(window);
        return true;
    }
    if (isDashboardShown) {
        showWindowInFront(dashboardWindowController());
        return true;
    }
    QWidget *home = homeWindowController();
    if (!home || !home->property("contentViewController").value<QWidget *>())
        return false;
    showWindowInFront(home);
    return true;
}

void AppDelegate::reopenMainWindow()
{
    applicationShouldHandleReopen(!visibleMainWindows().isEmpty());
}

// Updates and relaunch

void AppDelegate::checkForUpdate()
{
    if (!m_updater)
        return;
    m_updater->setAutomaticallyChecksForUpdates(true);
    if (m_updater)
        m_updater->checkForUpdatesInBackground();
}

void AppDelegate::autoInstallUpdates()
{
    if (!m_updater)
        return;
    m_updater->setDelegate(this);
    if (!m_isUpdaterDelegate) {
        m_isUpdaterDelegate = true;
        connect(m_updater.get(), &Updater::willDownloadUpdate, this, &AppDelegate::willDownloadUpdate);
        connect(m_updater.get(), &Updater::didDownloadUpdate, this, &AppDelegate::didDownloadUpdate);
    }
    m_updater->setAutomaticallyChecksForUpdates(true);
    m_updater->setAutomaticallyDownloadsUpdates(true);
    m_updater->checkForUpdatesInBackground();
}

void AppDelegate::willDownloadUpdate(const QString &version)
{
    std::printf("Downloading update %s\n", qPrintable(version));
    std::fflush(stdout);
}

void AppDelegate::didDownloadUpdate(const QString &)
{
    m_relaunchTimer->start();
}

bool AppDelegate::isBusyForRelaunch() const
{
    return isScanning || isScanDialogShown || isOverlayDialogShown || isCustomDialogShown || isFolderPanelOpen
           || isHomeFolderPanelOpen || isRotating || QApplication::activeModalWidget() != nullptr
           || QApplication::activePopupWidget() != nullptr;
}

void AppDelegate::callTerminate()
{
    if (m_terminating)
        return;
    // Never in the middle of something: try again once it may be over.
    if (isBusyForRelaunch()) {
        m_relaunchTimer->start();
        return;
    }
    const QString program = m_executablePath.isEmpty() ? QCoreApplication::applicationFilePath() : m_executablePath;
    const QStringList arguments{QLatin1String(kWaitForProcessArgument),
                                QString::number(QCoreApplication::applicationPid())};
    if (!ProcessLauncher::startDetached(program, arguments)) {
        qWarning("Could not start %s again; the new version runs at the next start.", qPrintable(program));
        return;
    }
    terminate();
}

// Quitting

void AppDelegate::terminate()
{
    if (m_terminating)
        return;
    m_terminating = true;
    m_updateTimer->stop();
    m_relaunchTimer->stop();
    applicationWillTerminate();
    if (m_terminateHandler) {
        m_terminateHandler();
        return;
    }
    // Queued, so that the handler that asked returns before the loop ends.
    // exit(), not quit(): quit() first closes every window and gives up when
    // one refuses, and the results window answers its close with Back. The
    // windows go in tearDown().
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void AppDelegate::tearDown()
{
    // Screens own their workers; deleting them stops and joins the workers.
    ScreenRegistry::instance().reset();
    QList<QPointer<QWidget>> windows;
    for (QWidget *widget : QApplication::topLevelWidgets())
        windows.append(widget);
    for (const QPointer<QWidget> &window : std::as_const(windows))
        delete window.data();
    QThreadPool::globalInstance()->waitForDone();
}

void AppDelegate::watchLastWindowClose()
{
    QApplication::setQuitOnLastWindowClosed(false);
    m_watchesLastWindow = true;
}

bool AppDelegate::eventFilter(QObject *watched, QEvent *event)
{
    // A shortcut fires only while its item is enabled, so the items follow
    // the rule before every key that may be one, not only when a menu opens.
    if (event->type() == QEvent::ShortcutOverride)
        validateMenus();
    if (m_watchesLastWindow && event->type() == QEvent::Close && watched->isWidgetType()
        && static_cast<QWidget *>(watched)->isWindow() && !m_lastWindowCheckQueued) {
        // After the close: a window that replaces another is up by then.
        m_lastWindowCheckQueued = true;
        QTimer::singleShot(0, this, [this] { checkForLastWindow(); });
    }
    return QObject::eventFilter(watched, event);
}

void AppDelegate::checkForLastWindow()
{
    m_lastWindowCheckQueued = false;
    if (visibleMainWindows().isEmpty())
        terminate();
}
