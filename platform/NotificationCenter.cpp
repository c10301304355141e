#include "NotificationCenter.h"

#include <QMutexLocker>

#include <algorithm>

namespace {

// The observers this thread is calling right now: an observer that removes
// itself (or one that called it) must not wait for its own call to end.
thread_local QList<const void *> observersCalledHere;

} // namespace

NotificationCenter &NotificationCenter::defaultCenter()
{
    static NotificationCenter center;
    return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const QString &name, Observer observer)
{
    QMutexLocker locker(&m_mutex);
    const Token token = m_nextToken++;
    auto state = std::make_shared<ObserverState>();
    state->observer = std::move(observer);
    m_entries.append({token, name, std::move(state)});
    return token;
}

void NotificationCenter::removeObserver(Token token)
{
    std::shared_ptr<ObserverState> removed;
    {
        QMutexLocker locker(&m_mutex);
        const auto it = std::find_if(m_entries.begin(), m_entries.end(),
                                     [token](const Entry &entry) { return entry.token == token; });
        if (it == m_entries.end())
            return;
        removed = it->state;
        m_entries.erase(it);
    }
    // Once removal returns, the observer is never called again and no call of
    // it is still running on another thread, so its owner may go away.
    std::unique_lock<std::mutex> lock(removed->mutex);
    removed->removed = true;
    const int ownCalls = int(std::count(observersCalledHere.cbegin(), observersCalledHere.cend(), removed.get()));
    removed->idle.wait(lock, [&] { return removed->calls == ownCalls; });
}

void NotificationCenter::post(const QString &name, const QVariantMap &userInfo)
{
    // Observers are called outside the center's lock so that one may post or
    // register in turn.
    QList<std::shared_ptr<ObserverState>> observers;
    {
        QMutexLocker locker(&m_mutex);
        for (const Entry &entry : std::as_const(m_entries)) {
            if (entry.name == name)
                observers.append(entry.state);
        }
    }
    const Notification notification{name, userInfo};
    for (const auto &state : std::as_const(observers)) {
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            if (state->removed)
                continue;
            ++state->calls;
        }
        observersCalledHere.append(state.get());
        state->observer(notification);
        observersCalledHere.removeLast();
        {
            std::lock_guard<std::mutex> lock(state->mutex);
            --state->calls;
        }
        state->idle.notify_all();
    }
}
