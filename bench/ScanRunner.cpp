// twinmoor-scan [--settings FILE] [--no-pause] ROOT...
//
// Runs one scan exactly as the scan screen does and prints every group as one
// JSON object a line, then a summary line. Exit status: 0 when the scan
// completed with groups, 1 when it ended not completed, 2 on bad arguments or
// an unreadable settings file. Ctrl-C stops the run the way the stop dialog does.

#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>
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
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace {

int signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(signalPipe[1], &byte, 1);
}

class PrintingObserver : public ScanObserver
{
public:
    bool completed = false;
    bool ended = false;

    void scanNotCompleted() override
    {
        completed = false;
        ended = true;
        QCoreApplication::quit();
    }

    void showScanCompletedSummary(const ScanSummary &) override
    {
        completed = true;
        ended = true;
        QCoreApplication::quit();
    }

    void photosLibrarySkipped(const QString &reason) override
    {
        QTextStream(stderr) << "twinmoor-scan: the Photos library was skipped: " << reason << '\n';
    }
};

int usage(const QString &message)
{
    QTextStream err(stderr);
    if (!message.isEmpty())
        err << "twinmoor-scan: " << message << '\n';
    err << "usage: twinmoor-scan [--settings FILE] [--no-pause] ROOT...\n";
    return 2;
}

// A JSON string literal, escaped as QJsonDocument escapes it.
QString jsonString(const QString &text)
{
    const QByteArray array = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(array.mid(1, array.size() - 2));
}

// Keys in a fixed order, so that the lines read the same on every run.
void printResults(bool completed)
{
    QTextStream out(stdout);
    int groups = 0;
    qint64 files = 0;
    quint64 bytes = 0;
    if (completed) {
        const ResultDictionary &results = duplicateResults();
        for (const QString &key : results.keys()) {
            for (const DuplicateGroup &group : *results.find(key)) {
                QJsonArray paths;
                quint64 groupBytes = 0;
                for (const InitialDirectory &record : group) {
                    paths.append(record.url ? record.url->toLocalFile() : QString());
                    if (record.file)
                        groupBytes += record.file->size;
                }
                out << "{\"category\":" << jsonString(key)
                    << ",\"paths\":" << QJsonDocument(paths).toJson(QJsonDocument::Compact)
                    << ",\"bytes\":" << groupBytes << "}\n";
                ++groups;
                files += group.size();
                bytes += groupBytes;
            }
        }
    }
    out << "{\"completed\":" << (completed ? "true" : "false") << ",\"groups\":" << groups
        << ",\"files\":" << files << ",\"bytes\":" << bytes << "}\n";
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QString settingsFile;
    bool noPause = false;
    QStringList roots;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument == QLatin1String("--settings")) {
            if (i + 1 >= arguments.size())
                return usage(QStringLiteral("--settings needs a file"));
            settingsFile = arguments.at(++i);
        } else if (argument == QLatin1String("--no-pause")) {
            noPause = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            return usage({});
        } else if (argument.startsWith(QLatin1String("--"))) {
            return usage(QStringLiteral("unknown option %1").arg(argument));
        } else {
            roots.append(QFileInfo(argument).absoluteFilePath());
        }
    }
    if (roots.isEmpty())
        return usage(QStringLiteral("no folder to scan"));

    if (!settingsFile.isEmpty()) {
        const auto root = PropertyList::fromFile(settingsFile);
        if (!root || root->typeId() != QMetaType::QVariantMap)
            return usage(QStringLiteral("cannot read the settings file %1").arg(settingsFile));
        // The runner reads the given settings but never writes them back.
        UserDefaults::standard().setFilePath(QFileInfo(settingsFile).absoluteFilePath(), true);
    }

    loadLocalizationTable();
    loadSettingsAtLaunch();

    PrintingObserver observer;
    ScanEngine engine(&observer);
    if (noPause)
        engine.setPauseBetweenSteps(std::chrono::milliseconds(0));

    if (::pipe2(signalPipe, O_CLOEXEC) == 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&engine, notifier] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
            notifier->setEnabled(false);
            engine.clickedStopScanning();
            engine.confirmStop();
        });
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }

    engine.scanList = roots;
    if (!engine.clickedStartScanning())
        return usage(QStringLiteral("a scan could not be started"));
    app.exec();
    engine.waitForWorker();
    printResults(observer.completed);
    return observer.completed ? 0 : 1;
}
