#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

// Where the results window opens and where the home window comes back, in
// Qt's top-left screen coordinates. The rules were first written for a desktop
// that measures from the bottom left; they are converted here, once: "keep the
// origin" keeps the bottom-left corner, and "room above" means the home
// window's top lies at least 100 below the top of its screen.
//
// The screen is the one the window is on, its origin counted, so a second
// monitor to the left or above (negative coordinates) places like any other.
namespace WindowPlacement {

// The results window's size at every opening.
inline constexpr QSize kResultsWindowSize{1151, 751};
// A window at least this large is taken as zoomed: it is never copied for position.
inline constexpr QSize kZoomedSize{1500, 751};
// Room the opening needs above the home window (the results window is taller).
inline constexpr int kRoomAbove = 100;

// The frame the results window grows from: an empty rectangle on the home
// window's top edge, 100 right of its left edge.
QRect openingStartFrame(const QRect &homeFrame);
// The results window's frame when the opening ends: its bottom-left corner on
// the home window's when the home window lies wholly on the screen, is not
// zoomed and has room above; else the origin the home window's size centres.
QRect openingEndFrame(const QRect &homeFrame, const QRect &screen);

// The home window's frame on the way back: its bottom-left corner on the
// results window's when that lies wholly on the screen and is not zoomed;
// else centred on the screen by its own size.
QRect homeFrameOnReturn(const QRect &resultsFrame, const QSize &homeSize, const QRect &screen);
// The frame the results window shrinks into on the way back: an empty
// rectangle 225 right of the home window's left edge and 350 below its top.
QRect closingEndFrame(const QRect &homeFrame);

} // namespace WindowPlacement
