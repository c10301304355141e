#pragma once

#include "WindowDragTracker.h"

#include <QLabel>

// An image view that the window can be dragged by.
class CustomImageView : public WindowDraggable<QLabel>
{
    Q_OBJECT

public:
    using WindowDraggable<QLabel>::WindowDraggable;
};
