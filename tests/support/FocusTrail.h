#pragma once

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QWidget>

// Every widget that takes the keyboard while the trail lives, in order: what
// a screen reader would announce, stops on the way included.
class FocusTrail
{
public:
    FocusTrail()
        : m_watch(QObject::connect(qApp, &QApplication::focusChanged, qApp,
                                   [this](QWidget *, QWidget *now) { m_reached.append(now); }))
    {
    }
    ~FocusTrail() { QObject::disconnect(m_watch); }
    FocusTrail(const FocusTrail &) = delete;
    FocusTrail &operator=(const FocusTrail &) = delete;

    // Those still alive.
    QList<QWidget *> reached() const
    {
        QList<QWidget *> alive;
        for (const QPointer<QWidget> &widget : m_reached) {
            if (widget)
                alive.append(widget);
        }
        return alive;
    }

private:
    QList<QPointer<QWidget>> m_reached;
    QMetaObject::Connection m_watch;
};
