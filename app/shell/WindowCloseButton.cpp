#include "WindowCloseButton.h"

WindowCloseButton::~WindowCloseButton() = default;
