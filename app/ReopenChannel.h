#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

// Without a dock, a second start is how the user asks for the program's
// window again: the second process hands "reopen" to the running one over a
// local socket of the user's own and ends.
class ReopenChannel : public QObject
{
    Q_OBJECT

public:
    explicit ReopenChannel(QObject *parent = nullptr);

    // The user's socket: in the private runtime folder when there is one.
    static QString defaultServerName();
    // Asks the program listening on the name to reopen; true once it has
    // confirmed, false when nothing listens there.
    static bool sendReopen(const QString &serverName, int timeoutMilliseconds = 2000);

    // Starts listening. A socket left behind by a program that ended is
    // taken over; false when a running program already listens.
    bool listen(const QString &serverName);
    QString serverName() const;

signals:
    void reopenRequested();

private:
    QLocalServer *m_server;
};
