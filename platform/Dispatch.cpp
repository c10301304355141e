#include "Dispatch.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

namespace Dispatch {

void mainAsync(std::function<void()> block)
{
    QCoreApplication *app = QCoreApplication::instance();
    if (!app)
        return;
    QMetaObject::invokeMethod(app, std::move(block), Qt::QueuedConnection);
}

void mainAfter(int milliseconds, std::function<void()> block)
{
    mainAsync([milliseconds, block = std::move(block)]() mutable {
        QTimer::singleShot(milliseconds, QCoreApplication::instance(), std::move(block));
    });
}

void mainAfter(int milliseconds, QObject *context, std::function<void()> block)
{
    QPointer<QObject> guard(context);
    mainAsync([milliseconds, guard, block = std::move(block)]() mutable {
        if (!guard)
            return;
        QTimer::singleShot(milliseconds, guard.data(), std::move(block));
    });
}

void globalAsync(std::function<void()> block)
{
    QThreadPool::globalInstance()->start(std::move(block));
}

bool isMainThread()
{
    QCoreApplication *app = QCoreApplication::instance();
    return app && QThread::currentThread() == app->thread();
}

} // namespace Dispatch
