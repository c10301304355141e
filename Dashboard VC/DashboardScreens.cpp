#include "DashboardScreens.h"

#include "DashboardVC.h"
#include "DashboardWindowController.h"

#include <ScreenRegistry.h>

void registerDashboardScreens()
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    registry.registerFactory(QString::fromLatin1(ScreenId::DashboardWindow),
                             [] { return static_cast<QObject *>(new DashboardWindowController); });
    // The screen lives in its window: asking for it alone makes the window it
    // belongs to, which puts the screen in its slot.
    registry.registerFactory(QString::fromLatin1(ScreenId::Dashboard), [] {
        auto *window = ScreenRegistry::instance().get<DashboardWindowController>(QString::fromLatin1(ScreenId::DashboardWindow));
        return static_cast<QObject *>(window ? window->contentViewController() : nullptr);
    });
}
