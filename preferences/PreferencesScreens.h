#pragma once

// Registers the preferences window ("PreferencesWindowController"), its
// Ignore List pane ("IgnoreListPreferences") and the extension popover
// ("PopoverTextField") with the screen registry.
void registerPreferencesScreens();
