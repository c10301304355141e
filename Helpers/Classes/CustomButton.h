#pragma once

#include "WindowDragTracker.h"

#include <QPushButton>

// A button that the window can be dragged by: a press that travels moves the
// window and is no longer a click; a press that stays put clicks as usual.
class CustomButton : public WindowDraggable<QPushButton>
{
    Q_OBJECT

public:
    using WindowDraggable<QPushButton>::WindowDraggable;
};
