#include "HyperlinkTextField.h"

#include "KitSupport.h"

#include <NotificationCenter.h>
#include <ProcessState.h>

#include <QEnterEvent>
#include <QMouseEvent>

HyperlinkTextField::HyperlinkTextField(QWidget *parent)
    : HyperlinkTextField(QString(), parent)
{
}

HyperlinkTextField::HyperlinkTextField(const QString &text, QWidget *parent)
    : QLabel(text, parent)
    , attributesBeforeClick{QColor(Qt::lightGray), true}
    , attributesAfterClick{QColor(Qt::gray), true}
    , attributesWithoutUnderLineWithLink{KitSupport::toQColor(linkColor()), false}
    , attributesBeforeClickWithLink{KitSupport::toQColor(linkColor()), true}
    , attributesAfterClickWithLink{KitSupport::toQColor(linkHoverColor()), true}
{
    setCursor(Qt::PointingHandCursor);
}

void HyperlinkTextField::apply(const TextAttributes &attributes)
{
    m_applied = attributes;
    QPalette colours = palette();
    colours.setColor(foregroundRole(), attributes.foregroundColor);
    setPalette(colours);
    QFont underlined = font();
    underlined.setUnderline(attributes.underline);
    setFont(underlined);
}

void HyperlinkTextField::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    if (isColouredLink())
        apply(attributesBeforeClickWithLink);
}

void HyperlinkTextField::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    if (isColouredLink())
        apply(attributesWithoutUnderLineWithLink);
}

void HyperlinkTextField::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (m_isAutoMarkSelection)
        apply(attributesAfterClick);
    else if (isColouredLink())
        apply(attributesWithoutUnderLineWithLink);
}

void HyperlinkTextField::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
    // A release away from the label is the user changing their mind: the link
    // takes the look it has with the pointer away, and nothing is posted.
    if (!rect().contains(event->position().toPoint())) {
        if (m_isAutoMarkSelection)
            apply(attributesBeforeClick);
        else if (isColouredLink())
            apply(attributesWithoutUnderLineWithLink);
        return;
    }

    const char *name = nullptr;
    if (m_isAutoMarkSelection) {
        apply(attributesBeforeClick);
        name = kHyperLinkAutoMarkSelectionNotification;
    } else if (m_isEULA) {
        apply(attributesAfterClickWithLink);
        name = kHyperLinkEULANotification;
    } else if (m_isPrivacyPolicy) {
        apply(attributesAfterClickWithLink);
        name = kHyperLinkPrivacyPolicyNotification;
    } else if (m_isUnInstallInstructions) {
        apply(attributesAfterClickWithLink);
        name = kHyperLinkUnInstallInstructionsNotification;
    }
    if (name)
        NotificationCenter::defaultCenter().post(QString::fromLatin1(name));
}
