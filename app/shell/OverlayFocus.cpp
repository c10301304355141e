#include "OverlayFocus.h"

#include <QApplication>
#include <QList>
#include <QWidget>

namespace OverlayFocus {

bool focusNextPrevChildWithin(QWidget *overlay, bool next)
{
    // A hidden overlay holds the focus no longer: Qt asks it to pass the
    // focus on as it hides, and the focus must leave it then.
    if (!overlay || overlay->isHidden() || !overlay->isVisible())
        return false;
    // The window's focus chain, in the order Tab follows it, cut down to the
    // overlay's own controls.
    QList<QWidget *> controls;
    for (QWidget *widget = overlay->nextInFocusChain(); widget && widget != overlay; widget = widget->nextInFocusChain()) {
        if (overlay->isAncestorOf(widget) && widget->isVisibleTo(overlay) && widget->isEnabled()
            && (widget->focusPolicy() & Qt::TabFocus))
            controls.append(widget);
    }
    if (controls.isEmpty())
        return false;
    const qsizetype at = controls.indexOf(QApplication::focusWidget());
    qsizetype target = 0;
    if (at < 0)
        target = next ? 0 : controls.size() - 1;
    else
        target = (at + (next ? 1 : controls.size() - 1)) % controls.size();
    controls.at(target)->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

} // namespace OverlayFocus
