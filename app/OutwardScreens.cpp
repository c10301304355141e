#include "OutwardScreens.h"

#include "AboutVC.h"
#include "AdvertiseVC.h"
#include "StartupVC.h"

#include <ScreenRegistry.h>

void registerOutwardScreens()
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    registry.registerFactory(QLatin1String(ScreenId::StartupWindow), [] { return new StartupWindow; });
    // The window's own content: making a second one would run the first-run
    // set-up twice.
    registry.registerFactory(QLatin1String(ScreenId::Startup), []() -> QObject * {
        auto *window = ScreenRegistry::instance().get<StartupWindow>(QLatin1String(ScreenId::StartupWindow));
        return window ? window->content() : nullptr;
    });
    registry.registerFactory(QLatin1String(ScreenId::About), [] { return new AboutVC; });
    registry.registerFactory(QLatin1String(ScreenId::Advertise), [] { return new AdvertiseVC; });
}
