#pragma once

#include <functional>

class QWidget;

// Where the keyboard goes when the control that has it turns itself off
// because it was pressed: to what the control acted on (Remove to its list,
// Start Scanning to the scan it started); and, the same way, when the control
// goes out of sight with the part of the screen it belongs to (Stop when the
// scan ends). Left to Qt, the keyboard would move on to the next control in
// the Tab order, and one more Space or Return there presses a button the
// user never chose.
//
// A screen routes its focusNextPrevChild() through handOver() first, once,
// and names the target of each such control with setTarget().
namespace FocusHandOff {

// Asked when it happens, so a target may depend on the screen's state. An
// answer that is absent, hidden or disabled leaves the keyboard to Qt.
using Target = std::function<QWidget *()>;

// The control hands the keyboard to the target whenever it is disabled or
// hidden while it has the keyboard. A second call replaces the target.
void setTarget(QWidget *control, Target target);
void setTarget(QWidget *control, QWidget *target);

// For a screen's focusNextPrevChild(): Qt moves the keyboard on from a
// control it is disabling or hiding through that function. When the
// screen's control that has its window's keyboard is going and names a
// target that can take it, the target takes it and the answer is true: the
// screen returns at once.
bool handOver(const QWidget *screen);

// Once for the program, before its first window: the window the desktop
// gives the keyboard to is the one whose controls take it, also when the
// desktop does so while a popup is open. Qt drops such a change of window
// (a panel closed with its completion list still up, say, while an
// assistive tool keeps the program busy) and never makes up for it: the
// window then receives the keys with nothing focused for Qt, no ring and no
// focus event, its remembered control acting on them unseen, even once it is
// hidden. Here the change is made once the last popup has closed.
void install();

} // namespace FocusHandOff
