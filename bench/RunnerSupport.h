#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class QCoreApplication;
class ScanEngine;

// What the headless runners share: their options, the settings file, Ctrl-C,
// the scan itself and the way paths are written as JSON.
namespace RunnerSupport {

// The command line: options that take a value, switches, and the roots
// (made absolute). `error` says what was wrong; `help` that help was asked for.
struct Arguments
{
    QHash<QString, QString> values;
    QSet<QString> switches;
    QStringList roots;
    QString error;
    bool help = false;
};
Arguments parseArguments(const QStringList &arguments, const QStringList &valueOptions,
                         const QStringList &switchOptions);

// A JSON string literal, escaped as QJsonDocument escapes it.
QString jsonString(const QString &text);
// A path as the runners print it.
QString jsonPath(const QString &path);

// Reads the settings file when one is given (never writing it back), then
// the localisation table and the settings. False when the file is unreadable.
bool loadSettings(const QString &settingsFile);

// Calls the handler on the main thread at the first SIGINT or SIGTERM.
// A later call replaces the handler; an empty one only notes the signal.
void onStopSignal(QCoreApplication &app, std::function<void()> handler);
bool wasStopRequested();

// Runs one scan of the roots exactly as the scan screen does, with Ctrl-C
// acting as the stop dialog's Stop. The result store holds the groups when it
// returns. Nothing when the scan could not start; else whether it completed.
std::optional<bool> scan(QCoreApplication &app, const QStringList &roots, bool noPause, const QString &programName);

} // namespace RunnerSupport
