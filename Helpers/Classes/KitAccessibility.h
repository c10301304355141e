#pragma once

// What assistive tools are told about the kit's own widgets beyond what Qt
// knows by itself: a pie chart is a chart whose slices are items, each named
// by what it stands for; a hyperlink label is a link that can be pressed.
namespace KitAccessibility {

// Registers the kit's accessible interfaces with Qt, once; the widgets that
// need them call it when they are made.
void install();

} // namespace KitAccessibility
