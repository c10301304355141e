#include "NotificationCenter.h"

#include <QMutexLocker>

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString &name, Observer observer)
{
    QMutexLocker locker(&m_mutex);
    const Token token = m_nextToken++;
    m_entries.append({token, name, std::make_shared<Observer>(std::move(observer))});
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    QMutexLocker locker(&m_mutex);
    m_entries.removeIf([token](const Entry &entry) { return entry.token == token; });
}

void NotificationCenter::post(const QString &name, const QVariantMap &userInfo)
{
    // Observers are called outside the lock so that one may post or register in turn.
    QList<std::shared_ptr<Observer>> observers;
    {
        QMutexLocker locker(&m_mutex);
        for (const Entry &entry : std::as_const(m_entries)) {
            if (entry.name == name)
                observers.append(entry.observer);
        }
    }
    const Notification notification{name, userInfo};
    for (const auto &observer : std::as_const(observers))
        (*observer)(notification);
}
