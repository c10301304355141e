#pragma once

// Registers the first-run window ("StartupWindow") and its content
// ("Startup"), the about overlay ("About") and the cross-promotion panel
// ("Advertise") with the screen registry.
void registerOutwardScreens();
