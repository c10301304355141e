#pragma once

// Registers the home screen ("Home") and the home window ("HomeWindow") with
// the screen registry. The window's content is the registry's home screen.
void registerHomeScreens();
