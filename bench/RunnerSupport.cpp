#include "RunnerSupport.h"

#include <Localization.h>
#include <ProcessState.h>
#include <ScanEngine.h>
#include <ScanPaths.h>
#include <SettingsStore.h>
#include <UserDefaults.h>

#include <NativePath.h>
#include <PropertyList.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace RunnerSupport {

namespace {

int signalPipe[2] = {-1, -1};
QSocketNotifier *signalNotifier = nullptr;
bool stopRequested = false;
std::function<void()> stopHandler;

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

class PrintingObserver : public ScanObserver
{
public:
    explicit PrintingObserver(QString programName)
        : m_programName(std::move(programName))
    {
    }

    bool completed = false;
    qint64 unreadable = 0;

    void reportUnreadableFiles(qint64 count) override { unreadable = count; }

    void scanNotCompleted() override
    {
        completed = false;
        QCoreApplication::quit();
    }

    void showScanCompletedSummary(const ScanSummary &) override
    {
        completed = true;
        QCoreApplication::quit();
    }

    void photosLibrarySkipped(const QString &reason) override
    {
        QTextStream(stderr) << m_programName << ": the Photos library was skipped: " << reason << '\n';
    }

private:
    QString m_programName;
};

// One line on standard error for each root the scan will pass over, so that
// an empty result always has a reason.
void reportSkippedRoots(const QStringList &roots, const QString &programName)
{
    const QByteArray program = programName.toUtf8();
    const IgnoreRules ignore(allIgnorePaths());
    for (const QString &root : roots) {
        const QByteArray bytes = NativePath::encode(root);
        struct stat status {};
        const char *reason = nullptr;
        if (root.isEmpty())
            reason = "an empty path names no folder or file";
        else if (::stat(bytes.constData(), &status) != 0)
            reason = "no such folder or file";
        else if (!S_ISDIR(status.st_mode) && !S_ISREG(status.st_mode))
            reason = "not a folder or a regular file";
        else if (ignore.covers(QDir::cleanPath(root)))
            reason = "it is in the ignore list";
        else if (char *canonical = ::realpath(bytes.constData(), nullptr)) {
            if (ignore.covers(NativePath::decode(canonical)))
                reason = "it is in the ignore list";
            std::free(canonical);
        }
        if (reason)
            std::fprintf(stderr, "%s: skipped \"%s\": %s\n", program.constData(), bytes.constData(), reason);
    }
}

} // namespace

void catchStopSignals()
{
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC) != 0)
        return;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

Arguments parseArguments(int argc, char **argv, const QStringList &valueOptions, const QStringList &switchOptions)
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(NativePath::decode(argv[i]));
    Arguments parsed;
    for (int i = 0; i < arguments.size() && parsed.error.isEmpty() && !parsed.help; ++i) {
        const QString &argument = arguments.at(i);
        if (valueOptions.contains(argument)) {
            if (i + 1 >= arguments.size())
                parsed.error = QStringLiteral("%1 needs a value").arg(argument);
            else
                parsed.values.insert(argument, arguments.at(++i));
        } else if (switchOptions.contains(argument)) {
            parsed.switches.insert(argument);
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            parsed.help = true;
        } else if (argument.startsWith(QLatin1String("--"))) {
            parsed.error = QStringLiteral("unknown option %1").arg(argument);
        } else {
            parsed.roots.append(argument.isEmpty() || QDir::isAbsolutePath(argument)
                                        ? argument
                                        : QDir::currentPath() + QLatin1Char('/') + argument);
        }
    }
    return parsed;
}

QByteArray json(const QString &text)
{
    return NativePath::toJson(text);
}

bool loadSettings(const QString &settingsFile)
{
    if (!settingsFile.isEmpty()) {
        const auto root = PropertyList::fromFile(settingsFile);
        if (!root || root->typeId() != QMetaType::QVariantMap)
            return false;
        // The runner reads the given settings but never writes them back,
        // and never opens the user's own file.
        UserDefaults::useStandardFile(QFileInfo(settingsFile).absoluteFilePath(), true);
    } else {
        // The user's own settings are only read: nothing is written, nothing
        // set aside.
        UserDefaults::useStandardFile(UserDefaults::defaultFilePath(), true);
    }
    loadLocalizationTable();
    loadSettingsAtLaunch();
    return true;
}

void onStopSignal(QCoreApplication &app, std::function<void()> handler)
{
    stopHandler = std::move(handler);
    if (signalPipe[0] < 0)
        return;
    if (!signalNotifier) {
        signalNotifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(signalNotifier, &QSocketNotifier::activated, &app, [] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
            stopRequested = true;
            if (stopHandler)
                stopHandler();
        });
    }
}

bool wasStopRequested()
{
    return stopRequested;
}

std::optional<ScanOutcome> scan(QCoreApplication &app, const QStringList &roots, bool noPause,
                                const QString &programName)
{
    reportSkippedRoots(roots, programName);
    PrintingObserver observer(programName);
    ScanEngine engine(&observer);
    if (noPause)
        engine.setPauseBetweenSteps(std::chrono::milliseconds(0));
    onStopSignal(app, [&engine] {
        engine.clickedStopScanning();
        engine.confirmStop();
    });
    engine.scanList = roots;
    std::optional<ScanOutcome> outcome;
    if (engine.clickedStartScanning()) {
        if (stopRequested) { // Ctrl-C came while the program was starting
            engine.clickedStopScanning();
            engine.confirmStop();
        }
        app.exec();
        engine.waitForWorker();
        outcome = ScanOutcome{observer.completed, observer.unreadable};
    }
    onStopSignal(app, {});
    return outcome;
}

} // namespace RunnerSupport
