#include "PreferencesScreens.h"

#include "IgnoreListPreferencesViewController.h"
#include "PopoverTextFieldVC.h"
#include "PreferencesTabViewController.h"
#include "PreferencesWindowController.h"

#include <ScreenRegistry.h>

void registerPreferencesScreens()
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    registry.registerFactory(QLatin1String(ScreenId::PreferencesWindowController),
                             [] { return new PreferencesWindowController; });
    // The pane that the window shows, never a second one: the popover must
    // reach the pane the user sees.
    registry.registerFactory(QLatin1String(ScreenId::IgnoreListPreferences), []() -> QObject * {
        auto *window = ScreenRegistry::instance().get<PreferencesWindowController>(
            QLatin1String(ScreenId::PreferencesWindowController));
        return window ? window->tabViewController()->ignoreListPane() : nullptr;
    });
    registry.registerFactory(QLatin1String(ScreenId::PopoverTextField), [] { return new PopoverTextFieldVC; });
}
