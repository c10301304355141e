#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QTcpServer;
class QTcpSocket;

// A small HTTP service on 127.0.0.1 that records every request and answers
// each with the reply set, or drops the connection without any.
class LoopbackHttpServer : public QObject
{
public:
    struct Request
    {
        QByteArray requestLine;
        QByteArray method;
        QByteArray target;
        QHash<QByteArray, QByteArray> headers; // names in lower case
        QByteArray body;
    };

    LoopbackHttpServer();
    ~LoopbackHttpServer() override;

    // "http://127.0.0.1:<port>".
    QString baseAddress() const;

    void setReply(int status, const QByteArray &body);
    void setDropConnections(bool drop) { m_drop = drop; }

    const QList<Request> &requests() const { return m_requests; }
    int connectionCount() const { return m_connections; }
    // Runs the event loop until that many requests have arrived.
    bool waitForRequests(int count, int timeoutMs = 15000);

private:
    void readFrom(QTcpSocket *socket);

    QTcpServer *m_server;
    QHash<QTcpSocket *, QByteArray> m_pending;
    QList<Request> m_requests;
    int m_connections = 0;
    int m_status = 200;
    QByteArray m_body = "1";
    bool m_drop = false;
};

// Writes an Info.plist with the given service entries into a fresh folder and
// puts that folder in front of the program's own resources.
void useServiceConfiguration(const QString &collectAddress, const QString &trackingID,
                             const QString &newsletterAddress = QString(), const QString &newsletterKey = QString());
void clearServiceConfiguration();

// Runs the event loop until the condition holds; false when time ran out.
bool waitUntil(const std::function<bool()> &condition, int timeoutMs = 15000);
