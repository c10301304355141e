#include "ScreenLinks.h"

#include <EmbeddedImages.h>
#include <SYFlatButton.h>
#include <ScreenRegistry.h>

#include <QLabel>
#include <QMetaMethod>
#include <QVBoxLayout>
#include <QWidget>

namespace ScreenLinks {

QWidget *scanScreen()
{
    return qobject_cast<QWidget *>(ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Scan)));
}

QWidget *resultsScreen()
{
    return qobject_cast<QWidget *>(ScreenRegistry::instance().peekObject(QLatin1String(ScreenId::Dashboard)));
}

bool invoke(QObject *screen, const char *method)
{
    if (!screen)
        return false;
    const QByteArray signature = QByteArray(method) + "()";
    if (screen->metaObject()->indexOfMethod(signature.constData()) < 0)
        return false;
    return QMetaObject::invokeMethod(screen, method, Qt::DirectConnection);
}

void setChildHidden(QObject *screen, const char *childName, bool hidden)
{
    if (QWidget *child = screen ? screen->findChild<QWidget *>(QLatin1String(childName)) : nullptr)
        child->setHidden(hidden);
}

void setChildEnabled(QObject *screen, const char *childName, bool enabled)
{
    if (QWidget *child = screen ? screen->findChild<QWidget *>(QLatin1String(childName)) : nullptr)
        child->setEnabled(enabled);
}

void detachSheet(QWidget *sheet)
{
    if (sheet && sheet->parentWidget() && !sheet->isVisible())
        sheet->setParent(nullptr, Qt::Dialog);
}

QWidget *makePanel(QWidget *host, int width, int height)
{
    auto *panel = new QWidget(host);
    panel->setObjectName(QStringLiteral("dialogPanel"));
    panel->setAutoFillBackground(true);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Window, Qt::white);
    palette.setColor(QPalette::WindowText, QColor(40, 44, 52));
    panel->setPalette(palette);
    if (height > 0)
        panel->setFixedSize(width, height);
    else
        panel->setFixedWidth(width);
    auto *outer = new QVBoxLayout(host);
    outer->addStretch();
    outer->addWidget(panel, 0, Qt::AlignHCenter);
    outer->addStretch();
    return panel;
}

SYFlatButton *makeButton(QWidget *parent, const char *objectName, const QString &title, bool primary)
{
    auto *button = new SYFlatButton(parent);
    button->setObjectName(QLatin1String(objectName));
    button->setAccessibleName(title);
    button->setTitle(title);
    button->setMomentary(true);
    button->setCornerRadius(4);
    button->setBorderWidth(primary ? 0 : 1);
    const QColor blue(52, 94, 242);
    const QColor white(Qt::white);
    button->setBackgroundNormalColor(primary ? blue : white);
    button->setBackgroundHighlightColor(primary ? blue.darker(115) : QColor(235, 238, 245));
    button->setHoverColor(primary ? blue.lighter(110) : QColor(244, 246, 250));
    button->setBorderNormalColor(QColor(190, 196, 210));
    button->setBorderHighlightColor(QColor(190, 196, 210));
    button->setTitleNormalColor(primary ? white : QColor(40, 44, 52));
    button->setTitleHighlightColor(primary ? white : QColor(40, 44, 52));
    button->setCursor(Qt::PointingHandCursor);
    button->setFixedSize(110, 32);
    return button;
}

QLabel *makeLabel(QWidget *parent, const char *objectName, const QString &text, int pointSize, bool bold)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(objectName));
    QFont font = label->font();
    font.setPointSize(pointSize);
    font.setBold(bold);
    label->setFont(font);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    return label;
}

void setEmbeddedImage(QLabel *label, const QString &base64, int width, int height)
{
    const std::optional<QImage> image = EmbeddedImages::decodeImage(base64);
    if (!image)
        return;
    label->setPixmap(QPixmap::fromImage(image->scaled(width, height, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    label->setFixedSize(width, height);
}

} // namespace ScreenLinks
