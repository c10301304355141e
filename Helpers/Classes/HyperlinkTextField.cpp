#include "HyperlinkTextField.h"

#include "FocusRing.h"
#include "KitAccessibility.h"
#include "KitSupport.h"

#include <NotificationCenter.h>
#include <ProcessState.h>

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

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
    KitAccessibility::install();
    setCursor(Qt::PointingHandCursor);
}

void HyperlinkTextField::setIsAutoMarkSelection(bool on)
{
    m_isAutoMarkSelection = on;
    flagsChanged();
}

void HyperlinkTextField::setIsEULA(bool on)
{
    m_isEULA = on;
    flagsChanged();
}

void HyperlinkTextField::setIsUnInstallInstructions(bool on)
{
    m_isUnInstallInstructions = on;
    flagsChanged();
}

void HyperlinkTextField::setIsPrivacyPolicy(bool on)
{
    m_isPrivacyPolicy = on;
    flagsChanged();
}

void HyperlinkTextField::flagsChanged()
{
    // Only a label that leads somewhere is a stop for the keyboard; it keeps
    // room round its text for the focus ring.
    setFocusPolicy(isLink() ? Qt::StrongFocus : Qt::NoFocus);
    const int room = isLink() ? int(2 * FocusRing::kRingWidth) : 0;
    setContentsMargins(room, room / 2, room, room / 2);
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

    activate();
}

void HyperlinkTextField::activate()
{
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

void HyperlinkTextField::keyPressEvent(QKeyEvent *event)
{
    const bool follow = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Space;
    if (follow && isLink() && !event->isAutoRepeat()) {
        event->accept();
        activate();
        return;
    }
    QLabel::keyPressEvent(event);
}

void HyperlinkTextField::focusInEvent(QFocusEvent *event)
{
    QLabel::focusInEvent(event);
    m_focusFromKeyboard = FocusRing::showsRing(*event, m_focusFromKeyboard);
    update();
}

void HyperlinkTextField::focusOutEvent(QFocusEvent *event)
{
    QLabel::focusOutEvent(event);
    update();
}

void HyperlinkTextField::paintEvent(QPaintEvent *event)
{
    QLabel::paintEvent(event);
    if (!hasFocus() || !m_focusFromKeyboard)
        return;
    QPainter painter(this);
    FocusRing::paint(painter, QRectF(rect()), 4);
}
