#pragma once

class QAbstractButton;

// Keys of a focused button outside a dialog.
namespace ButtonKeys {

// Return and Enter click the focused button as Space does. A push button
// answers them only as a dialog's default, and a tool button never; a
// keyboard user expects every button in every window to take them.
void pressOnReturn(QAbstractButton *button);

} // namespace ButtonKeys
