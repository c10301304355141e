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
// F10, the desktop's key for the menu bar, then works the bar as Alt does.
void install(QMenuBar *bar);

// What Alt and F10 do: the keyboard goes to the bar, the first menu is
// highlighted as under the pointer, Left and Right move along, Down or
// Return open, Escape gives the keyboard back to where it was. A second
// press leaves the bar.
void enterFromKeyboard(QMenuBar *bar);

} // namespace MainMenuHost
