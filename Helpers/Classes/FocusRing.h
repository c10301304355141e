#pragma once

#include <QColor>
#include <QRectF>

class QFocusEvent;
class QPainter;
class QWidget;

// The keyboard focus ring of every button and link: a dark ring along the
// edge with a white ring just inside it. One of the two stands out on any
// fill, the blue of the primary buttons as much as white.
namespace FocusRing {

inline const QColor kOuterColor{11, 37, 69};
inline const QColor kInnerColor{255, 255, 255};
// Width of each of the two rings.
constexpr qreal kRingWidth = 2.0;

// Paints the ring inside the bounds, following a corner radius.
void paint(QPainter &painter, const QRectF &bounds, qreal cornerRadius);

// Whether the focus a widget just took shows the ring: focus from the
// keyboard or from code does, a click's does not; coming back to the window
// or from a menu keeps what it was before.
bool showsRing(const QFocusEvent &focusIn, bool before);

// Draws the ring over a widget that paints itself some other way (a style
// sheet, say) while the widget has the focus from the keyboard or from code;
// a click's focus shows none. The ring follows the widget's size. A negative
// radius means half the widget's height (a pill).
void attach(QWidget *widget, qreal cornerRadius = -1);

// Whether the ring drawn over the widget by attach() is on show.
bool isShown(const QWidget *widget);

} // namespace FocusRing
