#pragma once

// A screen whose window draws its own close button and can switch it off
// while an overlay lies over the screen. The results screen implements it;
// the about overlay reaches it through the screen registry.
class WindowCloseButton
{
public:
    virtual ~WindowCloseButton();
    virtual void setWindowCloseButtonEnabled(bool enabled) = 0;
};
