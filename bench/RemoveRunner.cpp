// twinmoor-remove [--settings FILE] [--no-pause] --keep newest|oldest|first
//                 --mode trash|delete|folder=DIR [--overwrite] ROOT...
//
// Scans as twinmoor-scan does, marks every group with the automatic marking
// of the given kind, and runs the removal the removal sheet runs, with no
// window. Prints one JSON object a line per marked copy (its path, what
// became of it and why, and the item it replaced in the destination folder),
// then a summary line. Exit status: 0 when every marked copy was removed, 1
// when some stayed (or the scan did not complete), 2 on bad arguments,
// settings or destination. Ctrl-C stops after the copy in hand and still
// prints every outcome.

#include "RunnerSupport.h"

#include <AutoMarking.h>
#include <ProcessState.h>
#include <RemovalPlan.h>
#include <RemovalRun.h>
#include <RemovalStore.h>

#include <NativePath.h>

#include <QCoreApplication>
#include <QTextStream>

namespace {

int usage(const QString &message)
{
    QTextStream err(stderr);
    if (!message.isEmpty())
        err << "twinmoor-remove: " << message << '\n';
    err << "usage: twinmoor-remove [--settings FILE] [--no-pause] --keep newest|oldest|first\n"
           "                       --mode trash|delete|folder=DIR [--overwrite] ROOT...\n";
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    // Ctrl-C is caught from the very start: a stop before the run begins
    // still ends with every outcome and the summary line.
    RunnerSupport::catchStopSignals();
    QCoreApplication app(argc, argv);
    const RunnerSupport::Arguments arguments = RunnerSupport::parseArguments(
        argc, argv, {QStringLiteral("--settings"), QStringLiteral("--keep"), QStringLiteral("--mode")},
        {QStringLiteral("--overwrite"), QStringLiteral("--no-pause")});
    if (arguments.help || !arguments.error.isEmpty())
        return usage(arguments.error);
    const QString settingsFile = arguments.values.value(QStringLiteral("--settings"));
    const QString keep = arguments.values.value(QStringLiteral("--keep"));
    const QString modeText = arguments.values.value(QStringLiteral("--mode"));
    const bool overwrite = arguments.switches.contains(QStringLiteral("--overwrite"));
    const bool noPause = arguments.switches.contains(QStringLiteral("--no-pause"));
    const QStringList &roots = arguments.roots;

    void (*markRow)(int, const MarkReport &) = nullptr;
    if (keep == QLatin1String("newest"))
        markRow = markAllButNewest;
    else if (keep == QLatin1String("oldest"))
        markRow = markAllButOldest;
    else if (keep == QLatin1String("first"))
        markRow = markAllButFirst;
    else
        return usage(keep.isEmpty() ? QStringLiteral("--keep is missing") : QStringLiteral("unknown --keep %1").arg(keep));

    MovingType mode;
    if (modeText == QLatin1String("trash"))
        mode = MovingType::Trash();
    else if (modeText == QLatin1String("delete"))
        mode = MovingType::Permanently();
    else if (modeText.startsWith(QLatin1String("folder=")))
        mode = MovingType::Folder(modeText.mid(7), overwrite);
    else
        return usage(modeText.isEmpty() ? QStringLiteral("--mode is missing") : QStringLiteral("unknown --mode %1").arg(modeText));
    if (overwrite && mode.kind != MovingType::Kind::Folder)
        return usage(QStringLiteral("--overwrite goes with --mode folder=DIR only"));
    if (roots.isEmpty())
        return usage(QStringLiteral("no folder to scan"));
    if (!RunnerSupport::loadSettings(settingsFile))
        return usage(QStringLiteral("cannot read the settings file %1").arg(settingsFile));

    const std::optional<RunnerSupport::ScanOutcome> scanned =
        RunnerSupport::scan(app, roots, noPause, QStringLiteral("twinmoor-remove"));
    if (!scanned)
        return usage(QStringLiteral("a scan could not be started"));
    if (scanned->unreadable > 0)
        QTextStream(stderr) << "twinmoor-remove: " << scanned->unreadable
                            << " files could not be read or changed during the scan; they were left out\n";
    QTextStream out(stdout);
    if (!scanned->completed || RunnerSupport::wasStopRequested()) {
        out << "{\"removed\":0,\"kept\":0,\"bytes\":0}\n";
        return 1;
    }

    rebuildRowsFromResults();
    for (int row = 1; row < categoryRows().size(); ++row)
        markRow(row, {});
    RemovalPlan plan = RemovalPlan::fromStore(mode);
    if (const std::optional<QString> refused = prepareFolderDestination(plan, FileManager::defaultManager()))
        return usage(*refused);

    resetRemovalTotals();
    RemovalRun run(plan, FileManager::defaultManager());
    QObject::connect(&run, &RemovalRun::finished, &app, &QCoreApplication::quit);
    RunnerSupport::onStopSignal(app, [&run] { run.control().setAbort(true); });
    run.start();
    app.exec();
    run.wait();
    RunnerSupport::onStopSignal(app, {});

    const RemovalSummary summary = applyRemovalResult(run.plan(), run.result());
    for (int i = 0; i < run.plan().copies.size(); ++i) {
        out << "{\"path\":" << RunnerSupport::json(NativePath::decode(run.plan().copies.at(i).path))
            << ",\"outcome\":" << RunnerSupport::json(outcomeName(run.result().outcomes.at(i)))
            << ",\"reason\":" << RunnerSupport::json(run.result().reasons.at(i));
        // The item that stood in the copy's way in the destination folder and went to the Trash.
        const QByteArray replaced = run.result().replaced.value(i);
        if (!replaced.isEmpty())
            out << ",\"replaced\":" << RunnerSupport::json(NativePath::decode(replaced));
        out << "}\n";
    }
    out << "{\"removed\":" << summary.removed << ",\"kept\":" << summary.kept << ",\"bytes\":" << summary.bytes
        << "}\n";
    return summary.kept == 0 ? 0 : 1;
}
