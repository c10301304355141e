#include "RadioGroup.h"

#include "AccessibleRadioButton.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace {

// Qt settles which interface a widget has the first time it is asked, and a
// button made with its text is asked inside its own constructor: the radio
// interface has to be in place before the base button is made, or the
// button stays a check box to assistive tools for good.
QWidget *withRadioInterface(QWidget *parent)
{
    AccessibleRadioButton::install();
    return parent;
}

} // namespace

RadioGroup::Button::Button(QWidget *parent)
    : QRadioButton(withRadioInterface(parent))
{
}

RadioGroup::Button::Button(const QString &text, QWidget *parent)
    : QRadioButton(text, withRadioInterface(parent))
{
}

void RadioGroup::Button::checkStateSet()
{
    QRadioButton::checkStateSet();
    if (m_group)
        m_group->follow();
}

void RadioGroup::Button::nextCheckState()
{
    QRadioButton::nextCheckState();
    if (m_group)
        m_group->follow();
}

RadioGroup::RadioGroup(const QList<Button *> &inOrder, QObject *parent)
    : QObject(parent)
{
    Button *previous = nullptr;
    for (Button *button : inOrder) {
        m_buttons.append(button);
        button->m_group = this;
        button->installEventFilter(this);
        if (previous)
            QWidget::setTabOrder(previous, button);
        previous = button;
    }
    follow();
}

QRadioButton *RadioGroup::entry() const
{
    for (const QPointer<Button> &button : m_buttons) {
        if (button && button->isChecked())
            return button;
    }
    for (const QPointer<Button> &button : m_buttons) {
        if (button)
            return button;
    }
    return nullptr;
}

void RadioGroup::follow()
{
    const QRadioButton *door = m_leaving ? nullptr : entry();
    for (const QPointer<Button> &button : m_buttons) {
        if (!button)
            continue;
        const Qt::FocusPolicy policy = button->focusPolicy();
        button->setFocusPolicy(Qt::FocusPolicy(button == door ? policy | Qt::TabFocus : policy & ~Qt::TabFocus));
    }
}

void RadioGroup::step(Button *from, int delta)
{
    const int count = int(m_buttons.size());
    const int start = int(m_buttons.indexOf(from));
    // Round the group to the next button that can be used; hidden and
    // disabled ones are passed over, and the focus never leaves the group.
    for (int i = 1; i < count; ++i) {
        Button *candidate = m_buttons.at(((start + delta * i) % count + count) % count);
        if (!candidate || !candidate->isEnabled() || candidate->isHidden())
            continue;
        candidate->setFocus(delta > 0 ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        // Checking by key is a click: the pane answers it as it answers the
        // mouse, with the same settings written and the same rows shown.
        candidate->click();
        return;
    }
}

void RadioGroup::leave(Button *from, const QKeyEvent &key)
{
    // With no button of the group taking Tab, the window's own Tab handling
    // goes on to the control before or after the group.
    m_leaving = true;
    follow();
    QKeyEvent again(key.type(), key.key(), key.modifiers(), key.text(), key.isAutoRepeat(), ushort(key.count()));
    QCoreApplication::sendEvent(from, &again);
    m_leaving = false;
    follow();
}

bool RadioGroup::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || m_leaving)
        return false;
    auto *button = static_cast<Button *>(watched);
    const auto *key = static_cast<QKeyEvent *>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    const bool rightToLeft = button->layoutDirection() == Qt::RightToLeft;
    switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        if (modifiers & (Qt::ControlModifier | Qt::AltModifier))
            return false;
        leave(button, *key);
        return true;
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Left:
    case Qt::Key_Right: {
        if (modifiers != Qt::NoModifier)
            return false;
        const bool forward = key->key() == Qt::Key_Down || key->key() == (rightToLeft ? Qt::Key_Left : Qt::Key_Right);
        step(button, forward ? 1 : -1);
        return true;
    }
    default:
        return false;
    }
}
