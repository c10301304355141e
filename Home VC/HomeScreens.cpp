#include "HomeScreens.h"

#include "HomeVC.h"
#include "HomeWindow.h"
#include "HomeWindowController.h"

#include <ScreenRegistry.h>

#include <QScreen>

void registerHomeScreens()
{
    auto &registry = ScreenRegistry::instance();
    registry.registerFactory(QLatin1String(ScreenId::Home), [] { return new HomeVC; });
    registry.registerFactory(QLatin1String(ScreenId::HomeWindow), [] {
        auto *window = new HomeWindow;
        auto *controller = new HomeWindowController(window);
        controller->windowDidLoad();
        window->setContentViewController(homeVC());
        if (QScreen *screen = window->screen()) {
            const QRect area = screen->availableGeometry();
            window->move(area.x() + (area.width() - window->width()) / 2, area.y() + (area.height() - window->height()) / 2);
        }
        return window;
    });
}
