#pragma once

// Registers the results window ("DashboardWindow", a new results screen in
// each) and the results screen ("Dashboard", which each new screen takes over
// itself) with the screen registry.
void registerDashboardScreens();
