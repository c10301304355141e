#pragma once

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QCoreApplication;

// What the headless runners share: their options, the settings file, Ctrl-C,
// the scan itself and the way paths are written as JSON.
namespace RunnerSupport {

// Catches SIGINT and SIGTERM; called first thing in main, so that a stop
// that comes while the program starts is kept and still ends the run cleanly.
void catchStopSignals();

// The command line: options that take a value, switches, and the roots
// (made absolute; an empty one stays empty, it names nothing and is
// reported). `error` says what was wrong; `help` that help was asked for.
struct Arguments
{
    QHash<QString, QString> values;
    QSet<QString> switches;
    QStringList roots;
    QString error;
    bool help = false;
};
// The arguments after the program's name, each decoded from its own bytes,
// so that a root whose name is not UTF-8 is still the folder the user named.
Arguments parseArguments(int argc, char **argv, const QStringList &valueOptions, const QStringList &switchOptions);

// A path or text as a JSON string literal: bytes that are not UTF-8 come out
// as "\udcXX", the same for every runner.
QByteArray json(const QString &text);

// Reads the settings file when one is given, never writing it back and never
// opening the user's own file; without one the user's settings are only
// read. Then the localisation table and the settings. False when the given
// file is not a readable settings file.
bool loadSettings(const QString &settingsFile);

// Calls the handler on the main thread at the first SIGINT or SIGTERM (at
// once when one already came). A later call replaces the handler; an empty
// one only notes the signal.
void onStopSignal(QCoreApplication &app, std::function<void()> handler);
bool wasStopRequested();

struct ScanOutcome
{
    bool completed = false;
    // Files that could not be read, or changed during the scan, and were left out.
    qint64 unreadable = 0;
};

// Runs one scan of the roots exactly as the scan screen does, with Ctrl-C
// acting as the stop dialog's Stop, after one line on standard error for
// each root the scan will pass over. The result store holds the groups when
// it returns. Nothing when the scan could not start.
std::optional<ScanOutcome> scan(QCoreApplication &app, const QStringList &roots, bool noPause,
                                const QString &programName);

} // namespace RunnerSupport
