#pragma once

#include <QList>
#include <QMutex>
#include <QString>
#include <QVariantMap>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

struct Notification
{
    QString name;
    QVariantMap userInfo;
};

// One process-wide hub of named notifications. Observers run synchronously on
// the thread that posts, so a worker's post reaches a widget only through a
// queued call made by the observer itself. Removing an observer waits for its
// calls in progress on other threads, so its owner may be destroyed right after.
class NotificationCenter
{
public:
    using Observer = std::function<void(const Notification &)>;
    using Token = quint64;

    static NotificationCenter &defaultCenter();

    Token addObserver(const QString &name, Observer observer);
    void removeObserver(Token token);
    void post(const QString &name, const QVariantMap &userInfo = {});

private:
    struct ObserverState
    {
        Observer observer;
        std::mutex mutex;
        std::condition_variable idle;
        int calls = 0;
        bool removed = false;
    };

    struct Entry
    {
        Token token;
        QString name;
        std::shared_ptr<ObserverState> state;
    };

    QMutex m_mutex;
    QList<Entry> m_entries;
    Token m_nextToken = 1;
};
