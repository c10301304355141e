#include "ReopenChannel.h"

#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>

#include <unistd.h>

namespace {

const QByteArray kReopen = QByteArrayLiteral("reopen\n");
const QByteArray kDone = QByteArrayLiteral("ok\n");

} // namespace

ReopenChannel::ReopenChannel(QObject *parent)
    : QObject(parent)
    , m_server(new QLocalServer(this))
{
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
                if (!socket->canReadLine())
                    return;
                const QByteArray line = socket->readLine();
                if (line == kReopen) {
                    socket->write(kDone);
                    socket->flush();
                    emit reopenRequested();
                }
                socket->disconnectFromServer();
            });
        }
    });
}

QString ReopenChannel::defaultServerName()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QDir::isAbsolutePath(runtime) && QDir(runtime).exists())
        return runtime + QStringLiteral("/twinmoor-reopen");
    return QStringLiteral("twinmoor-reopen-%1").arg(::getuid());
}

bool ReopenChannel::sendReopen(const QString &serverName, int timeoutMilliseconds)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMilliseconds))
        return false;
    socket.write(kReopen);
    if (!socket.waitForBytesWritten(timeoutMilliseconds))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMilliseconds))
            return false;
    }
    return socket.readLine() == kDone;
}

bool ReopenChannel::listen(const QString &serverName)
{
    // Someone answers there: the program runs already. A socket nobody
    // answers on was left behind by a program that ended.
    QLocalSocket probe;
    probe.connectToServer(serverName);
    if (probe.waitForConnected(500))
        return false;
    QLocalServer::removeServer(serverName);
    return m_server->listen(serverName);
}

QString ReopenChannel::serverName() const
{
    return m_server->fullServerName();
}
