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

#include "RunnerSupport.h"

#include <ProcessState.h>

#include <QCoreApplication>
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
void printResults(const RunnerSupport::ScanOutcome &outcome)
{
    using RunnerSupport::json;
    QTextStream out(stdout);
    int groups = 0;
    qint64 files = 0;
    quint64 bytes = 0;
    if (outcome.completed) {
        const ResultDictionary &results = duplicateResults();
        for (const QString &key : results.keys()) {
            for (const DuplicateGroup &group : *results.find(key)) {
                QByteArray paths = "[";
                quint64 groupBytes = 0;
                for (const InitialDirectory &record : group) {
                    if (paths.size() > 1)
                        paths += ',';
                    paths += json(record.url ? record.url->toLocalFile() : QString());
                    if (record.file)
                        groupBytes += record.file->size;
                }
                paths += ']';
                out << "{\"category\":" << json(key) << ",\"paths\":" << paths << ",\"bytes\":" << groupBytes
                    << "}\n";
                ++groups;
                files += group.size();
                bytes += groupBytes;
            }
        }
    }
    out << "{\"completed\":" << (outcome.completed ? "true" : "false") << ",\"groups\":" << groups
        << ",\"files\":" << files << ",\"bytes\":" << bytes << ",\"unreadable\":" << outcome.unreadable << "}\n";
}

} // namespace

int main(int argc, char **argv)
{
    // Ctrl-C is caught from the very start: a stop before the scan begins
    // still ends with the summary line.
    RunnerSupport::catchStopSignals();
    QCoreApplication app(argc, argv);
    const RunnerSupport::Arguments arguments = RunnerSupport::parseArguments(
        argc, argv, {QStringLiteral("--settings")}, {QStringLiteral("--no-pause")});
    if (arguments.help || !arguments.error.isEmpty())
        return usage(arguments.error);
    const QString settingsFile = arguments.values.value(QStringLiteral("--settings"));
    const bool noPause = arguments.switches.contains(QStringLiteral("--no-pause"));
    const QStringList &roots = arguments.roots;
    if (roots.isEmpty())
        return usage(QStringLiteral("no folder to scan"));
    if (!RunnerSupport::loadSettings(settingsFile))
        return usage(QStringLiteral("cannot read the settings file %1").arg(settingsFile));

    const std::optional<RunnerSupport::ScanOutcome> outcome =
        RunnerSupport::scan(app, roots, noPause, QStringLiteral("twinmoor-scan"));
    if (!outcome)
        return usage(QStringLiteral("a scan could not be started"));
    printResults(*outcome);
    return outcome->completed ? 0 : 1;
}
