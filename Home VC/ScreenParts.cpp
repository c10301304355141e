#include "ScreenParts.h"

#include <FocusRing.h>

#include <QLabel>
#include <QPushButton>

namespace ScreenParts {

QLabel *makeLabel(QWidget *parent, const char *name, const QRect &frame, int pixelSize, bool bold,
                  const QColor &color, Qt::Alignment alignment)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setGeometry(frame);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, color);
    label->setPalette(palette);
    label->setAlignment(alignment);
    return label;
}

QPushButton *makeButton(QWidget *parent, const char *name, const QRect &frame, bool primary)
{
    auto *button = new QPushButton(parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(frame);
    button->setCursor(Qt::PointingHandCursor);
    const QString background = primary ? QStringLiteral("#2d8ce6") : QStringLiteral("#ffffff");
    const QString text = primary ? QStringLiteral("#ffffff") : QStringLiteral("#2d8ce6");
    button->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: %2; border: 1px solid #2d8ce6;"
                                         " border-radius: %3px; font-size: 15px; font-weight: bold; }"
                                         "QPushButton:hover { background: %4; }"
                                         "QPushButton:disabled { background: #c9d7e6; border-color: #c9d7e6; color: #f5f9fd; }"
                                         "QPushButton:focus { outline: none; }")
                                  .arg(background, text)
                                  .arg(frame.height() / 2)
                                  .arg(primary ? QStringLiteral("#3b99f0") : QStringLiteral("#eef5fc")));
    // Return and Enter press the focused button, in the screen's window as
    // in a dialog.
    button->setAutoDefault(true);
    FocusRing::attach(button);
    return button;
}

} // namespace ScreenParts
