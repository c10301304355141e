#include "ProcessLauncher.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

#include <cerrno>
#include <signal.h>

namespace {

ProcessLauncher::Handler &handler()
{
    static ProcessLauncher::Handler current;
    return current;
}

bool processExists(qint64 processId)
{
    if (processId <= 0)
        return false;
    return ::kill(pid_t(processId), 0) == 0 || errno == EPERM;
}

} // namespace

namespace ProcessLauncher {

bool startDetached(const QString &program, const QStringList &arguments)
{
    if (program.isEmpty())
        return false;
    if (handler())
        return handler()(program, arguments);
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    return process.startDetached();
}

void setHandler(Handler replacement)
{
    handler() = std::move(replacement);
}

bool waitForProcessExit(qint64 processId, int timeoutMilliseconds)
{
    // The old process has nothing to tell us, so polling its id is all there
    // is; the step is short against the seconds an exit may take.
    QDeadlineTimer deadline(timeoutMilliseconds);
    while (processExists(processId)) {
        if (deadline.hasExpired())
            return false;
        QThread::msleep(20);
    }
    return true;
}

} // namespace ProcessLauncher
