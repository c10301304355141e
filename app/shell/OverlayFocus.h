#pragma once

class QWidget;

// Keyboard focus for overlays that lie over a screen inside its window: the
// controls they cover stay in the window's focus chain, so Tab must be kept
// inside the overlay, or Space would press a control the user cannot see.
namespace OverlayFocus {

// Moves the focus to the next (or previous) control inside the overlay that
// takes focus by Tab, wrapping around at the ends. False when there is none
// or the overlay is not shown.
bool focusNextPrevChildWithin(QWidget *overlay, bool next);

} // namespace OverlayFocus
