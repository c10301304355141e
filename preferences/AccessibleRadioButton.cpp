#include "AccessibleRadioButton.h"

#include <KitAccessibility.h>

#include <QRadioButton>

namespace {

QAccessibleInterface *radioButtonInterface(const QString &className, QObject *object)
{
    if (className != QLatin1String("QRadioButton"))
        return nullptr;
    auto *radio = qobject_cast<QRadioButton *>(object);
    return radio ? new AccessibleRadioButton(radio) : nullptr;
}

} // namespace

AccessibleRadioButton::AccessibleRadioButton(QRadioButton *button)
    : QAccessibleWidget(button, QAccessible::RadioButton)
{
}

void AccessibleRadioButton::install()
{
    static const bool installed = (QAccessible::installFactory(radioButtonInterface), true);
    Q_UNUSED(installed);
}

QRadioButton *AccessibleRadioButton::button() const
{
    return static_cast<QRadioButton *>(widget());
}

QAccessible::State AccessibleRadioButton::state() const
{
    QAccessible::State state = QAccessibleWidget::state();
    state.checkable = true;
    state.checked = button()->isChecked();
    state.pressed = button()->isDown();
    return state;
}

QString AccessibleRadioButton::text(QAccessible::Text kind) const
{
    if (kind == QAccessible::Name) {
        const QString name = button()->accessibleName();
        return name.isEmpty() ? KitAccessibility::withoutShortcutMarks(button()->text()) : name;
    }
    return QAccessibleWidget::text(kind);
}

QStringList AccessibleRadioButton::actionNames() const
{
    if (!button()->isEnabled())
        return QAccessibleWidget::actionNames();
    return QStringList{pressAction()} + QAccessibleWidget::actionNames();
}

void AccessibleRadioButton::doAction(const QString &action)
{
    // As a click: the pane answers the choice as it answers the mouse.
    if (action == pressAction())
        button()->click();
    else
        QAccessibleWidget::doAction(action);
}

QStringList AccessibleRadioButton::keyBindingsForAction(const QString &action) const
{
    if (action == pressAction())
        return {QStringLiteral("Space")};
    return QAccessibleWidget::keyBindingsForAction(action);
}
