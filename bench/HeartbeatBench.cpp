// twinmoor-heartbeat [--settings FILE] ROOT...
//
// Runs one scan inside a Qt event loop, the way the window does, with a timer
// beating every 10 ms on the main thread, and prints the longest gap between
// two beats: how long the window would have been kept waiting by the scan.
// Prints "seconds S beats N longest-gap-ms G completed C".

#include <Localization.h>
#include <ProcessState.h>
#include <ScanEngine.h>
#include <SettingsStore.h>
#include <UserDefaults.h>

#include <NativePath.h>
#include <PropertyList.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTextStream>
#include <QTimer>

namespace {

class EndObserver : public ScanObserver
{
public:
    bool completed = false;

    void scanNotCompleted() override { QCoreApplication::quit(); }

    void showScanCompletedSummary(const ScanSummary &) override
    {
        completed = true;
        QCoreApplication::quit();
    }
};

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QString settingsFile;
    QStringList roots;
    for (int i = 1; i < argc; ++i) {
        const QString argument = NativePath::decode(argv[i]);
        if (argument == QLatin1String("--settings") && i + 1 < argc)
            settingsFile = NativePath::decode(argv[++i]);
        else
            roots.append(QFileInfo(argument).absoluteFilePath());
    }
    if (roots.isEmpty()) {
        QTextStream(stderr) << "usage: twinmoor-heartbeat [--settings FILE] ROOT...\n";
        return 2;
    }
    if (!settingsFile.isEmpty()) {
        const auto root = PropertyList::fromFile(settingsFile);
        if (!root || root->typeId() != QMetaType::QVariantMap) {
            QTextStream(stderr) << "twinmoor-heartbeat: cannot read the settings file " << settingsFile << '\n';
            return 2;
        }
        UserDefaults::useStandardFile(QFileInfo(settingsFile).absoluteFilePath(), true);
    } else {
        UserDefaults::useStandardFile(UserDefaults::defaultFilePath(), true);
    }
    loadLocalizationTable();
    loadSettingsAtLaunch();

    EndObserver observer;
    ScanEngine engine(&observer);
    engine.setPauseBetweenSteps(std::chrono::milliseconds(0));

    QElapsedTimer clock;
    qint64 lastBeat = 0;
    qint64 longestGap = 0;
    qint64 beats = 0;
    QTimer heartbeat;
    heartbeat.setTimerType(Qt::PreciseTimer);
    QObject::connect(&heartbeat, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        longestGap = std::max(longestGap, now - lastBeat);
        lastBeat = now;
        ++beats;
    });

    engine.scanList = roots;
    clock.start();
    heartbeat.start(10);
    if (!engine.clickedStartScanning()) {
        QTextStream(stderr) << "twinmoor-heartbeat: a scan could not be started\n";
        return 2;
    }
    app.exec();
    const qint64 now = clock.elapsed();
    longestGap = std::max(longestGap, now - lastBeat);
    engine.waitForWorker();
    QTextStream(stdout) << "seconds " << QString::number(double(now) / 1000.0, 'f', 2) << " beats " << beats
                        << " longest-gap-ms " << longestGap << " completed " << (observer.completed ? 1 : 0) << '\n';
    return 0;
}
