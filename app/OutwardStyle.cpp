#include "OutwardStyle.h"

#include <FocusRing.h>
#include <Localization.h>

#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

namespace OutwardStyle {

QString text(const char *key)
{
    return localizedString(QLatin1String(key));
}

void paintWhite(QWidget *view)
{
    view->setAutoFillBackground(true);
    QPalette background = view->palette();
    background.setColor(QPalette::Window, Qt::white);
    view->setPalette(background);
}

QLabel *label(QWidget *parent, const QString &objectName, int pointSize, bool bold)
{
    auto *view = new QLabel(parent);
    view->setObjectName(objectName);
    QFont font = view->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    view->setFont(font);
    view->setWordWrap(true);
    view->setStyleSheet(QStringLiteral("color: #26323d;"));
    return view;
}

QLabel *picture(QWidget *parent, const QString &objectName, int size)
{
    auto *view = new QLabel(parent);
    view->setObjectName(objectName);
    view->setFixedSize(size, size);
    view->setScaledContents(true);
    return view;
}

void setPicture(QLabel *view, const QImage &image)
{
    view->setPixmap(QPixmap::fromImage(image));
}

QPushButton *button(QWidget *parent, const QString &objectName, bool primary)
{
    auto *view = new QPushButton(parent);
    view->setObjectName(objectName);
    view->setCursor(Qt::PointingHandCursor);
    view->setMinimumHeight(32);
    view->setStyleSheet(primary ? QStringLiteral("QPushButton { background: #2d8ce6; color: white; border: none;"
                                                 " border-radius: 6px; padding: 6px 18px; }"
                                                 "QPushButton:hover { background: #3a98f0; }"
                                                 "QPushButton:pressed { background: #1f74c4; }")
                                : QStringLiteral("QPushButton { background: white; color: #2d8ce6;"
                                                 " border: 1px solid #2d8ce6; border-radius: 6px; padding: 6px 18px; }"
                                                 "QPushButton:hover { background: #eef6fe; }"
                                                 "QPushButton:pressed { background: #dbeafb; }")
                        + QStringLiteral("QPushButton:focus { outline: none; }"));
    // Return and Enter press the focused button, as Space does; the kit's ring shows the focus.
    view->setAutoDefault(true);
    FocusRing::attach(view, 6);
    return view;
}

} // namespace OutwardStyle
