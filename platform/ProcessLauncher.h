#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// Starts other programs: always one executable with its arguments as a list,
// never a command line for a shell, so no text can change what runs.
namespace ProcessLauncher {

using Handler = std::function<bool(const QString &program, const QStringList &arguments)>;

// Starts the program without waiting for it; true when it started.
bool startDetached(const QString &program, const QStringList &arguments);
// Replaces how programs are started (tests); an empty handler restores the real one.
void setHandler(Handler handler);

// Waits until the process with that id has ended, at most the given time.
// True when it has ended (or never existed).
bool waitForProcessExit(qint64 processId, int timeoutMilliseconds);

} // namespace ProcessLauncher
