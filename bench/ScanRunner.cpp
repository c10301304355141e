// twinmoor-scan [--settings FILE] [--no-pause] ROOT...
//
// Runs one scan exactly as the scan screen does and prints every group as one
// JSON object a line, then a summary line. Exit status: 0 when the scan
// completed with groups, 1 when it ended not completed, 2 on bad arguments or
// an unreadable settings file. Ctrl-C stops the run the way the stop dialog does.

#include "RunnerSupport.h"

#include <ProcessState.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextStream>

namespace {

int usage(const QString &message)
{
    QTextStream err(stderr);
    if (!message.isEmpty())
        err << "twinmoor-scan: " << message << '\n';
    err << "usage: twinmoor-scan [--settings FILE] [--no-pause] ROOT...\n";
    return 2;
}

// Keys in a fixed order, so that the lines read the same on every run.
void printResults(bool completed)
{
    using RunnerSupport::jsonPath;
    using RunnerSupport::jsonString;
    QTextStream out(stdout);
    int groups = 0;
    qint64 files = 0;
    quint64 bytes = 0;
    if (completed) {
        const ResultDictionary &results = duplicateResults();
        for (const QString &key : results.keys()) {
            for (const DuplicateGroup &group : *results.find(key)) {
                QStringList paths;
                quint64 groupBytes = 0;
                for (const InitialDirectory &record : group) {
                    paths.append(jsonPath(record.url ? record.url->toLocalFile() : QString()));
                    if (record.file)
                        groupBytes += record.file->size;
                }
                out << "{\"category\":" << jsonString(key) << ",\"paths\":[" << paths.join(',')
                    << "],\"bytes\":" << groupBytes << "}\n";
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
    RunnerSupport::onStopSignal(app, {});
    const RunnerSupport::Arguments arguments =
        RunnerSupport::parseArguments(app.arguments().mid(1), {QStringLiteral("--settings")}, {QStringLiteral("--no-pause")});
    if (arguments.help || !arguments.error.isEmpty())
        return usage(arguments.error);
    const QString settingsFile = arguments.values.value(QStringLiteral("--settings"));
    const bool noPause = arguments.switches.contains(QStringLiteral("--no-pause"));
    const QStringList &roots = arguments.roots;
    if (roots.isEmpty())
        return usage(QStringLiteral("no folder to scan"));
    if (!RunnerSupport::loadSettings(settingsFile))
        return usage(QStringLiteral("cannot read the settings file %1").arg(settingsFile));

    const std::optional<bool> completed = RunnerSupport::scan(app, roots, noPause, QStringLiteral("twinmoor-scan"));
    if (!completed)
        return usage(QStringLiteral("a scan could not be started"));
    printResults(*completed);
    return *completed ? 0 : 1;
}
