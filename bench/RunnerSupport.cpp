#include "RunnerSupport.h"

#include <Localization.h>
#include <ScanEngine.h>
#include <SettingsStore.h>
#include <UserDefaults.h>

#include <PropertyList.h>

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QSocketNotifier>
#include <QTextStream>

#include <csignal>

#include <fcntl.h>
#include <unistd.h>

namespace RunnerSupport {

namespace {

int signalPipe[2] = {-1, -1};
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

} // namespace

Arguments parseArguments(const QStringList &arguments, const QStringList &valueOptions,
                         const QStringList &switchOptions)
{
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
            parsed.roots.append(QFileInfo(argument).absoluteFilePath());
        }
    }
    return parsed;
}

QString jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

QString jsonPath(const QString &path)
{
    return jsonString(path);
}

bool loadSettings(const QString &settingsFile)
{
    if (!settingsFile.isEmpty()) {
        const auto root = PropertyList::fromFile(settingsFile);
        if (!root || root->typeId() != QMetaType::QVariantMap)
            return false;
        // The runner reads the given settings but never writes them back.
        UserDefaults::standard().setFilePath(QFileInfo(settingsFile).absoluteFilePath(), true);
    }
    loadLocalizationTable();
    loadSettingsAtLaunch();
    return true;
}

void onStopSignal(QCoreApplication &app, std::function<void()> handler)
{
    stopHandler = std::move(handler);
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [] {
        char byte = 0;
        [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
        stopRequested = true;
        if (stopHandler)
            stopHandler();
    });
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

bool wasStopRequested()
{
    return stopRequested;
}

std::optional<bool> scan(QCoreApplication &app, const QStringList &roots, bool noPause, const QString &programName)
{
    PrintingObserver observer(programName);
    ScanEngine engine(&observer);
    if (noPause)
        engine.setPauseBetweenSteps(std::chrono::milliseconds(0));
    onStopSignal(app, [&engine] {
        engine.clickedStopScanning();
        engine.confirmStop();
    });
    engine.scanList = roots;
    std::optional<bool> completed;
    if (engine.clickedStartScanning()) {
        if (stopRequested) { // Ctrl-C came while the program was starting
            engine.clickedStopScanning();
            engine.confirmStop();
        }
        app.exec();
        engine.waitForWorker();
        completed = observer.completed;
    }
    onStopSignal(app, {});
    return completed;
}

} // namespace RunnerSupport
