#include "FocusHandOff.h"

#include <QApplication>
#include <QEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>

namespace FocusHandOff {

namespace {

const QString kHandOffName = QStringLiteral("focusHandOff");

// Kept as a child of its control, so it goes when the control goes.
class HandOff : public QObject
{
public:
    HandOff(QWidget *control, Target target)
        : QObject(control)
        , target(std::move(target))
    {
        setObjectName(kHandOffName);
    }

    Target target;
};

HandOff *handOffOf(const QWidget *control)
{
    const auto children = control->findChildren<QObject *>(kHandOffName, Qt::FindDirectChildrenOnly);
    for (QObject *child : children) {
        if (auto *handOff = dynamic_cast<HandOff *>(child))
            return handOff;
    }
    return nullptr;
}

// The top-level widget a desktop window belongs to.
QWidget *widgetWindowOf(const QWindow *window)
{
    while (window && window->parent())
        window = window->parent();
    if (!window)
        return nullptr;
    const auto windows = QApplication::topLevelWidgets();
    for (QWidget *candidate : windows) {
        if (candidate->windowHandle() == window)
            return candidate;
    }
    return nullptr;
}

void followTheDesktop()
{
    if (QApplication::activePopupWidget())
        return;
    QWidget *window = widgetWindowOf(QGuiApplication::focusWindow());
    if (!window || window == QApplication::activeWindow() || !window->isVisible() || window->windowType() == Qt::Popup)
        return;
    // A window a modal one stands over cannot take the keyboard.
    if (QWidget *modal = QApplication::activeModalWidget(); modal && modal != window)
        return;
    QApplication::setActiveWindow(window);
}

class ActivationFollower : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide && watched->isWidgetType()
            && static_cast<QWidget *>(watched)->windowType() == Qt::Popup) {
            // After Qt has finished closing the popup and given back what it gives back.
            QTimer::singleShot(0, this, &followTheDesktop);
        }
        return false;
    }
};

} // namespace

void install()
{
    static QPointer<ActivationFollower> follower;
    if (follower || !qApp)
        return;
    follower = new ActivationFollower(qApp);
    qApp->installEventFilter(follower);
}

void setTarget(QWidget *control, Target target)
{
    if (!control)
        return;
    if (HandOff *known = handOffOf(control))
        known->target = std::move(target);
    else
        new HandOff(control, std::move(target));
}

void setTarget(QWidget *control, QWidget *target)
{
    setTarget(control, [target = QPointer<QWidget>(target)]() -> QWidget * { return target; });
}

bool handOver(const QWidget *screen)
{
    // Qt asks for the next control while the one it disables or hides still
    // has the keyboard of its window (active or not); a control still in use
    // here is only an ordinary Tab.
    QWidget *leaving = screen ? screen->window()->focusWidget() : nullptr;
    if (!leaving || !screen->isAncestorOf(leaving) || (leaving->isEnabled() && leaving->isVisible()))
        return false;
    const HandOff *handOff = handOffOf(leaving);
    QWidget *target = handOff && handOff->target ? handOff->target() : nullptr;
    if (!target || target == leaving || !target->isVisible() || !target->isEnabled())
        return false;
    target->setFocus(Qt::OtherFocusReason);
    return target->hasFocus() || target->window()->focusWidget() == target;
}

} // namespace FocusHandOff
