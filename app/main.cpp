#include "AppDelegate.h"
#include "ReopenChannel.h"

#include <DashboardScreens.h>
#include <HomeScreens.h>
#include <OutwardScreens.h>
#include <PreferencesScreens.h>
#include <RemovalScreens.h>
#include <ScanScreens.h>
#include <HomeWindowController.h>
#include <ProcessLauncher.h>

#include <QApplication>
#include <QStyleFactory>

namespace {

// A relaunch names the process it replaces; the new one starts once that
// one has ended (or has taken too long), so they never run side by side.
void waitForReplacedProcess(const QStringList &arguments)
{
    const qsizetype at = arguments.indexOf(QLatin1String(AppDelegate::kWaitForProcessArgument));
    if (at < 0 || at + 1 >= arguments.size())
        return;
    bool ok = false;
    const qint64 processId = arguments.at(at + 1).toLongLong(&ok);
    if (ok)
        ProcessLauncher::waitForProcessExit(processId, AppDelegate::kRelaunchWaitMilliseconds);
}

// The program looks the same on light and dark desktops.
void useLightAppearance()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication::setPalette(HomeWindowController::lightPalette());
}

} // namespace

int main(int argc, char **argv)
{
    // Qt's GStreamer media backend crashes when the GStreamer plugins it
    // expects are missing, which a plain Debian desktop may well be; the
    // FFmpeg backend ships with Qt itself. A user's own choice still wins.
    if (qEnvironmentVariableIsEmpty("QT_MEDIA_BACKEND"))
        qputenv("QT_MEDIA_BACKEND", "ffmpeg");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("twinmoor"));
    waitForReplacedProcess(QApplication::arguments());

    const QString channelName = ReopenChannel::defaultServerName();
    if (ReopenChannel::sendReopen(channelName))
        return 0;

    useLightAppearance();
    int status = 0;
    {
        AppDelegate delegate(&app);
        ReopenChannel channel;
        channel.listen(channelName);
        QObject::connect(&channel, &ReopenChannel::reopenRequested, &delegate, [&delegate] {
            delegate.applicationShouldHandleReopen(false);
        });
        delegate.watchLastWindowClose();

        registerHomeScreens();
        registerScanScreens();
        registerPreferencesScreens();
        registerOutwardScreens();
        registerDashboardScreens();
        registerRemovalScreens();

        delegate.applicationWillFinishLaunching();
        delegate.applicationDidFinishLaunching();
        status = QApplication::exec();
        AppDelegate::tearDown();
    }
    return status;
}
