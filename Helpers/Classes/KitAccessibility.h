#pragma once

#include <QList>

class QWidget;

// What assistive tools are told about the kit's own widgets beyond what Qt
// knows by itself: a pie chart is a chart whose slices are items, each named
// by what it stands for; a hyperlink label is a link that can be pressed.
namespace KitAccessibility {

// Registers the kit's accessible interfaces with Qt, once; the widgets that
// need them call it when they are made.
void install();

// Assistive tools read a widget's children in the order they were made, not
// in the order they are shown. Puts the given siblings, in the order shown,
// after the others that share their parent, so that a screen reader meets
// them as the eye does.
void setReadingOrder(const QList<QWidget *> &siblingsInOrder);

} // namespace KitAccessibility
