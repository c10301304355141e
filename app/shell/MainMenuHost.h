#pragma once

#include <functional>

class QMenuBar;

// The program's menus live in each main window's own menu bar, filled with
// the one set of actions the application delegate owns. Windows sit below the
// delegate, so they hand their bar over here and the delegate fills it.
namespace MainMenuHost {

using Builder = std::function<void(QMenuBar *bar)>;

// Fills every bar installed so far, and each one installed later; an empty
// builder stops filling new bars.
void setBuilder(Builder builder);
// Hands a window's bar over to be filled (now, or once a builder exists).
void install(QMenuBar *bar);

} // namespace MainMenuHost
