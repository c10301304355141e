#include "LoopbackHttpServer.h"

#include <MainBundle.h>
#include <TestEnvironment.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

#include <gtest/gtest.h>

LoopbackHttpServer::LoopbackHttpServer()
    : m_server(new QTcpServer(this))
{
    if (!m_server->listen(QHostAddress::LocalHost, 0))
        ADD_FAILURE() << "cannot listen on 127.0.0.1";
    connect(m_server, &QTcpServer::newConnection, this, [this] {
        while (QTcpSocket *socket = m_server->nextPendingConnection()) {
            ++m_connections;
            m_pending.insert(socket, {});
            connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
            connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
                m_pending.remove(socket);
                socket->deleteLater();
            });
        }
    });
}

LoopbackHttpServer::~LoopbackHttpServer() = default;

QString LoopbackHttpServer::baseAddress() const
{
    return QStringLiteral("http://127.0.0.1:%1").arg(m_server->serverPort());
}

void LoopbackHttpServer::setReply(int status, const QByteArray &body)
{
    m_status = status;
    m_body = body;
}

bool LoopbackHttpServer::waitForRequests(int count, int timeoutMs)
{
    return waitUntil([this, count] { return m_requests.size() >= count; }, timeoutMs);
}

void LoopbackHttpServer::readFrom(QTcpSocket *socket)
{
    QByteArray &buffer = m_pending[socket];
    buffer += socket->readAll();
    const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
    if (headerEnd < 0)
        return;
    Request request;
    const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
    request.requestLine = lines.value(0).trimmed();
    const QList<QByteArray> parts = request.requestLine.split(' ');
    request.method = parts.value(0);
    request.target = parts.value(1);
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const qsizetype colon = lines[i].indexOf(':');
        if (colon > 0)
            request.headers.insert(lines[i].left(colon).trimmed().toLower(), lines[i].mid(colon + 1).trimmed());
    }
    const qsizetype length = request.headers.value("content-length", "0").toLongLong();
    if (buffer.size() < headerEnd + 4 + length)
        return;
    request.body = buffer.mid(headerEnd + 4, length);
    buffer.clear();
    m_requests.append(request);
    if (m_drop) {
        socket->abort();
        return;
    }
    QByteArray reply = "HTTP/1.1 " + QByteArray::number(m_status) + (m_status == 200 ? " OK" : " Error")
            + "\r\nContent-Type: application/json\r\nContent-Length: " + QByteArray::number(m_body.size())
            + "\r\nConnection: close\r\n\r\n" + m_body;
    socket->write(reply);
    socket->disconnectFromHost();
}

namespace {

QByteArray escaped(const QString &text)
{
    return text.toHtmlEscaped().toUtf8();
}

} // namespace

void useServiceConfiguration(const QString &collectAddress, const QString &trackingID, const QString &newsletterAddress,
                             const QString &newsletterKey)
{
    const QString folder = TestEnvironment::makeTemporaryFolder(QStringLiteral("bundle"));
    QFile info(folder + QStringLiteral("/Info.plist"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
               "<key>CFBundleShortVersionString</key><string>3.2.1</string>\n"
               "<key>TMRAnalyticsCollectAddress</key><string>" + escaped(collectAddress) + "</string>\n"
               "<key>TMRAnalyticsTrackingID</key><string>" + escaped(trackingID) + "</string>\n"
               "<key>TMRNewsletterBaseAddress</key><string>" + escaped(newsletterAddress) + "</string>\n"
               "<key>TMRNewsletterAccessKey</key><string>" + escaped(newsletterKey) + "</string>\n"
               "</dict>\n</plist>\n");
    info.close();
    MainBundle::setOverrideDirectory(folder);
}

void clearServiceConfiguration()
{
    MainBundle::setOverrideDirectory(QString());
}

bool waitUntil(const std::function<bool()> &condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
    }
    return true;
}
