#include "ScreenRegistry.h"

#include <QWidget>

ScreenRegistry &ScreenRegistry::instance()
{
    static ScreenRegistry registry;
    return registry;
}

void ScreenRegistry::registerFactory(const QString &identifier, Factory factory)
{
    m_factories.insert(identifier, std::move(factory));
}

bool ScreenRegistry::hasFactory(const QString &identifier) const
{
    return m_factories.contains(identifier);
}

QObject *ScreenRegistry::object(const QString &identifier)
{
    if (QObject *screen = peekObject(identifier))
        return screen;
    const auto factory = m_factories.constFind(identifier);
    if (factory == m_factories.constEnd() || !*factory)
        return nullptr;
    QObject *screen = (*factory)();
    if (screen)
        m_slots.insert(identifier, screen);
    return screen;
}

QObject *ScreenRegistry::peekObject(const QString &identifier) const
{
    const auto slot = m_slots.constFind(identifier);
    return slot == m_slots.constEnd() ? nullptr : slot->data();
}

void ScreenRegistry::put(const QString &identifier, QObject *screen)
{
    QObject *previous = peekObject(identifier);
    if (screen)
        m_slots.insert(identifier, screen);
    else
        m_slots.remove(identifier);
    if (previous && previous != screen)
        previous->deleteLater();
}

void ScreenRegistry::release(const QString &identifier)
{
    put(identifier, nullptr);
}

void ScreenRegistry::forget(const QString &identifier)
{
    m_slots.remove(identifier);
}

void ScreenRegistry::reset()
{
    const auto held = m_slots;
    m_slots.clear();
    m_factories.clear();
    for (const QPointer<QObject> &screen : held)
        delete screen.data();
}

#define TWINMOOR_SCREEN_ACCESSOR(accessor, identifier)                                                \
    QWidget *accessor()                                                                                \
    {                                                                                                  \
        return ScreenRegistry::instance().get<QWidget>(QLatin1String(ScreenId::identifier));          \
    }

TWINMOOR_SCREEN_ACCESSOR(homeVC, Home)
TWINMOOR_SCREEN_ACCESSOR(scanVC, Scan)
TWINMOOR_SCREEN_ACCESSOR(homeWindowController, HomeWindow)
TWINMOOR_SCREEN_ACCESSOR(dashboardVC, Dashboard)
TWINMOOR_SCREEN_ACCESSOR(dashboardWindowController, DashboardWindow)
TWINMOOR_SCREEN_ACCESSOR(deleteDuplicatePhotosVC, DeleteDuplicatePhotos)
TWINMOOR_SCREEN_ACCESSOR(deleteVC, Delete)
TWINMOOR_SCREEN_ACCESSOR(afterMoveInPhotoLibraryVC, AfterMoveInPhotoLibrary)
TWINMOOR_SCREEN_ACCESSOR(backToHomeDialogVC, BackToHome)
TWINMOOR_SCREEN_ACCESSOR(cancelScanningVC, CancelScanning)
TWINMOOR_SCREEN_ACCESSOR(aboutVC, About)
TWINMOOR_SCREEN_ACCESSOR(advertiseVC, Advertise)
TWINMOOR_SCREEN_ACCESSOR(popoverTextFieldVC, PopoverTextField)
TWINMOOR_SCREEN_ACCESSOR(startupWindowController, StartupWindow)
TWINMOOR_SCREEN_ACCESSOR(startupVC, Startup)
TWINMOOR_SCREEN_ACCESSOR(preferencesWindowController, PreferencesWindowController)
TWINMOOR_SCREEN_ACCESSOR(ignoreListPreferencesVC, IgnoreListPreferences)

#undef TWINMOOR_SCREEN_ACCESSOR

void showWindowInFront(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
}
