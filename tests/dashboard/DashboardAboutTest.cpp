#include <AboutVC.h>
#include <DashboardScreens.h>
#include <DashboardVC.h>
#include <DashboardWindowController.h>
#include <OutwardScreens.h>

#include <CustomAnimator.h>
#include <NotificationCenter.h>
#include <ProcessState.h>
#include <ScreenRegistry.h>

#include <QCoreApplication>

#include <gtest/gtest.h>

namespace {

void settle()
{
    for (int i = 0; i < 4; ++i) {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// The application's own about overlay over the results window: the window
// cannot be closed while it is up, and its close takes the dimming away.
TEST(DashboardAbout, OverlayKeepsTheResultsWindowOpenUntilItCloses)
{
    ScreenRegistry &registry = ScreenRegistry::instance();
    registry.reset();
    registry.registerFactory(QString::fromLatin1(ScreenId::HomeWindow),
                             [] { return static_cast<QObject *>(new QWidget(nullptr, Qt::Window)); });
    registerDashboardScreens();
    registerOutwardScreens();
    DashboardWindowController::setAnimationDuration(0);

    auto *window = registry.get<DashboardWindowController>(QString::fromLatin1(ScreenId::DashboardWindow));
    ASSERT_NE(window, nullptr);
    window->showWindow();
    settle();
    DashboardVC *screen = window->contentViewController();
    customAnimator.emplace(0.0, QRectF(screen->rect()));

    NotificationCenter::defaultCenter().post(QString::fromLatin1(kAboutDashboardNotification));
    settle();
    auto *about = registry.peek<AboutVC>(QString::fromLatin1(ScreenId::About));
    ASSERT_NE(about, nullptr);
    EXPECT_FALSE(screen->boxTopLayer()->isHidden());
    EXPECT_FALSE(window->isCloseButtonEnabled());
    EXPECT_FALSE(window->close());
    settle();
    EXPECT_TRUE(window->isVisible()) << "the results stay while the overlay is up";

    about->tappedClose();
    settle();
    EXPECT_TRUE(screen->boxTopLayer()->isHidden());
    EXPECT_TRUE(window->isCloseButtonEnabled());

    customAnimator.reset();
    registry.reset();
    settle();
    duplicateResults().removeAll();
}

} // namespace
