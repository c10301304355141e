// twinmoor-heartbeat [--settings FILE] ROOT...
//
// Runs one scan inside a Qt event loop, the way the window does, with a timer
// beating every 10 ms on the main thread, and prints the longest gap between
// two beats: how long the window would have been kept waiting by the scan.
// Prints "seconds S beats N longest-gap-ms G completed C".

#include "RunnerSupport.h"

#include <ScanEngine.h>

#include <QCoreApplication>
#include <QElapsedTimer>
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
    RunnerSupport::catchStopSignals();
    QCoreApplication app(argc, argv);
    const RunnerSupport::Arguments arguments = RunnerSupport::parseArguments(argc, argv, {QStringLiteral("--settings")}, {});
    if (!arguments.error.isEmpty() || arguments.help || arguments.roots.isEmpty()) {
        QTextStream(stderr) << "usage: twinmoor-heartbeat [--settings FILE] ROOT...\n";
        return 2;
    }
    if (!RunnerSupport::loadSettings(arguments.values.value(QStringLiteral("--settings")))) {
        QTextStream(stderr) << "twinmoor-heartbeat: cannot read the settings file\n";
        return 2;
    }
    const QStringList roots = arguments.roots;

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
