#include "DropView.h"

#include <NotificationCenter.h>
#include <ProcessState.h>

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

DropView::DropView(QWidget *parent)
    : QWidget(parent)
{
    setAcceptDrops(true);
}

QStringList DropView::fileNames(const QMimeData *data)
{
    QStringList names;
    if (!data || !data->hasUrls())
        return names;
    for (const QUrl &url : data->urls()) {
        if (url.isLocalFile() && !url.toLocalFile().isEmpty())
            names.append(url.toLocalFile());
    }
    return names;
}

void DropView::dragEnterEvent(QDragEnterEvent *event)
{
    if (!dropAreaAcceptsDrag()) {
        event->ignore();
        return;
    }
    NotificationCenter::defaultCenter().post(QLatin1String(kEnterRotateNotification));
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropView::dragMoveEvent(QDragMoveEvent *event)
{
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void DropView::dragLeaveEvent(QDragLeaveEvent *event)
{
    event->accept();
    if (dropAreaAcceptsDrag())
        NotificationCenter::defaultCenter().post(QLatin1String(kExitRotateNotification));
}

void DropView::dropEvent(QDropEvent *event)
{
    const QStringList names = fileNames(event->mimeData());
    if (names.isEmpty()) {
        event->ignore();
        return;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    NotificationCenter::defaultCenter().post(QLatin1String(kDropViewNotification), {{QStringLiteral("urls"), names}});
}
