// twinmoor-scan [--settings FILE] [--no-pause] ROOT...
//
// Runs one scan exactly as the scan screen does and prints every group as one
// JSON object a line, then a summary line with the number of files that could
// not be read (or changed during the scan) and were left out. Paths are
// printed in their own bytes: a byte that is not UTF-8 is written as the
// escape \udcXX, as Python's os.fsdecode reads it. Standard output holds only
// these lines; messages go to standard error. Exit status: 0 when the scan
// completed with groups, 1 when it ended not completed, 2 on bad arguments or
// an unreadable settings file. Ctrl-C stops the run the way the stop dialog does.

#include <Localization.h>
#include <ProcessState.h>
#include <ResultQueries.h>
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
    qint64 unreadable = 0;

    void reportUnreadableFiles(qint64 count) override { unreadable = count; }

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

// Keys in a fixed order, so that the lines read the same on every run.
void printResults(bool completed, qint64 unreadable)
{
    QTextStream out(stdout);
    int groups = 0;
    qint64 files = 0;
    quint64 bytes = 0;
    if (completed) {
        const ResultDictionary &results = duplicateResults();
        for (const QString &key : results.keys()) {
            for (const DuplicateGroup &group : *results.find(key)) {
                QByteArray paths = "[";
                quint64 groupBytes = 0;
                for (const InitialDirectory &record : group) {
                    if (paths.size() > 1)
                        paths += ',';
                    paths += NativePath::toJson(record.url ? record.url->toLocalFile() : QString());
                    if (record.file)
                        groupBytes += record.file->size;
                }
                paths += ']';
                out << "{\"category\":" << NativePath::toJson(key) << ",\"paths\":" << paths
                    << ",\"bytes\":" << groupBytes << "}\n";
                ++groups;
                files += group.size();
                bytes += groupBytes;
            }
        }
    }
    out << "{\"completed\":" << (completed ? "true" : "false") << ",\"groups\":" << groups
        << ",\"files\":" << files << ",\"bytes\":" << bytes << ",\"unreadable\":" << unreadable << "}\n";
}

} // namespace

// One line on standard error for each root the scan will pass over, so that
// an empty result always has a reason.
void reportSkippedRoots(const QStringList &roots)
{
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
            std::fprintf(stderr, "twinmoor-scan: skipped \"%s\": %s\n", bytes.constData(), reason);
    }
}

int main(int argc, char **argv)
{
    // Ctrl-C is caught from the very start: a stop before the scan begins
    // still ends with the summary line.
    if (::pipe2(signalPipe, O_CLOEXEC) == 0) {
        std::signal(SIGINT, onSignal);
        std::signal(SIGTERM, onSignal);
    }
    QCoreApplication app(argc, argv);
    // The arguments in their own bytes: a root whose name is not UTF-8 is
    // still the folder the user named.
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(NativePath::decode(argv[i]));
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
            // An empty argument stays empty: it names nothing, and is reported.
            roots.append(argument.isEmpty() || QDir::isAbsolutePath(argument)
                                 ? argument
                                 : QDir::currentPath() + QLatin1Char('/') + argument);
        }
    }
    if (roots.isEmpty())
        return usage(QStringLiteral("no folder to scan"));

    if (!settingsFile.isEmpty()) {
        const auto root = PropertyList::fromFile(settingsFile);
        if (!root || root->typeId() != QMetaType::QVariantMap)
            return usage(QStringLiteral("cannot read the settings file %1").arg(settingsFile));
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
    reportSkippedRoots(roots);

    PrintingObserver observer;
    ScanEngine engine(&observer);
    if (noPause)
        engine.setPauseBetweenSteps(std::chrono::milliseconds(0));

    if (signalPipe[0] >= 0) {
        auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, [&engine, notifier] {
            char byte = 0;
            [[maybe_unused]] const ssize_t got = ::read(signalPipe[0], &byte, 1);
            notifier->setEnabled(false);
            engine.clickedStopScanning();
            engine.confirmStop();
        });
    }

    engine.scanList = roots;
    if (!engine.clickedStartScanning())
        return usage(QStringLiteral("a scan could not be started"));
    app.exec();
    engine.waitForWorker();
    printResults(observer.completed, observer.unreadable);
    return observer.completed ? 0 : 1;
}
