#include "AppTestSupport.h"

#include "TestEnvironment.h"

#include <HomeScreens.h>
#include <LoginItems.h>
#include <PageOpener.h>
#include <ProcessLauncher.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>
#include <UserDefaults.h>

#include <QFile>

void UpdaterDouble::setAutomaticallyChecksForUpdates(bool checks)
{
    calls.append(QStringLiteral("checks %1").arg(checks));
}

void UpdaterDouble::setAutomaticallyDownloadsUpdates(bool downloads)
{
    calls.append(QStringLiteral("downloads %1").arg(downloads));
}

void UpdaterDouble::setDelegate(QObject *object)
{
    delegate = object;
    calls.append(QStringLiteral("delegate"));
}

void UpdaterDouble::checkForUpdatesInBackground()
{
    calls.append(QStringLiteral("check"));
}

void clearScreenFlags()
{
    isScanDialogShown = isScanning = isDashboardShown = isOverlayDialogShown = false;
    isCustomDialogShown = isFolderPanelOpen = isHomeFolderPanelOpen = isRotating = false;
}

void AppFixture::SetUp()
{
    clearScreenFlags();
    const QString folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("settings"));
    UserDefaults::standard().setFilePath(folder + QStringLiteral("/defaults.plist"));
    QFile::remove(LoginItems::autostartEntryPath());
    ScreenRegistry::instance().reset();
    registerHomeScreens();
    Updater::setFactory({});
    PageOpener::setHandler([](const QUrl &) { return true; });
}

void AppFixture::TearDown()
{
    delegate.reset();
    ScreenRegistry::instance().reset();
    Updater::setFactory({});
    ProcessLauncher::setHandler({});
    PageOpener::setHandler({});
    QFile::remove(LoginItems::autostartEntryPath());
    clearScreenFlags();
}

void AppFixture::seed(const QVariantMap &settings)
{
    for (auto it = settings.cbegin(); it != settings.cend(); ++it)
        UserDefaults::standard().setObject(it.key(), it.value());
}

void AppFixture::withUpdater()
{
    Updater::setFactory([this] {
        auto made = std::make_unique<UpdaterDouble>();
        updater = made.get();
        return std::unique_ptr<Updater>(std::move(made));
    });
}

AppDelegate &AppFixture::makeDelegate()
{
    delegate = std::make_unique<AppDelegate>();
    delegate->setTerminateHandler([this] { ++terminations; });
    delegate->setEventSender([this](const QString &category, const QString &action) { events.append({category, action}); });
    return *delegate;
}

void AppFixture::launch()
{
    if (!delegate)
        makeDelegate();
    delegate->applicationWillFinishLaunching();
    delegate->applicationDidFinishLaunching();
}

QWidget *AppFixture::launchAfterFirstRun()
{
    seed({{kStartupKey, true}, {kFirstRunKey, false}});
    launch();
    return ScreenRegistry::instance().peek<QWidget>(QLatin1String(ScreenId::HomeWindow));
}
