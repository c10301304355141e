#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

// Identifiers of the shared screens and windows.
namespace ScreenId {
inline constexpr const char Home[] = "Home";
inline constexpr const char HomeWindow[] = "HomeWindow";
inline constexpr const char Scan[] = "Scan";
inline constexpr const char Dashboard[] = "Dashboard";
inline constexpr const char DashboardWindow[] = "DashboardWindow";
inline constexpr const char Delete[] = "Delete";
inline constexpr const char DeleteDuplicatePhotos[] = "DeleteDuplicatePhotos";
inline constexpr const char BackToHome[] = "BackToHome";
inline constexpr const char CancelScanning[] = "CancelScanning";
inline constexpr const char AfterMoveInPhotoLibrary[] = "AfterMoveInPhotoLibrary";
inline constexpr const char About[] = "About";
inline constexpr const char Advertise[] = "Advertise";
inline constexpr const char PopoverTextField[] = "PopoverTextField";
inline constexpr const char Startup[] = "Startup";
inline constexpr const char StartupWindow[] = "StartupWindow";
inline constexpr const char PreferencesWindowController[] = "PreferencesWindowController";
inline constexpr const char IgnoreListPreferences[] = "IgnoreListPreferences";
} // namespace ScreenId

// Makes each shared screen once, on first use, and keeps it until it is
// replaced or released. The program registers one factory per identifier at
// start-up, so no screen library depends on a layer above it: a screen asks
// for another by identifier and casts to the interface it needs. An
// identifier without a factory answers nothing and the caller skips the step.
//
// GUI thread only. A screen deleted by other means drops out of its slot.
class ScreenRegistry
{
public:
    using Factory = std::function<QObject *()>;

    static ScreenRegistry &instance();

    void registerFactory(const QString &identifier, Factory factory);
    bool hasFactory(const QString &identifier) const;

    // The screen in the slot, made by its factory when the slot is empty;
    // nothing when there is no factory.
    QObject *object(const QString &identifier);
    // The screen in the slot; never makes one.
    QObject *peekObject(const QString &identifier) const;
    // Stores a screen in the slot; the one it replaces is deleted later
    // unless it is the same.
    void put(const QString &identifier, QObject *screen);
    // Empties the slot and deletes its screen on the event loop.
    void release(const QString &identifier);
    // Empties the slot without deleting its screen.
    void forget(const QString &identifier);

    template<class T> T *get(const QString &identifier) { return qobject_cast<T *>(object(identifier)); }
    template<class T> T *peek(const QString &identifier) const { return qobject_cast<T *>(peekObject(identifier)); }

    // Tests: deletes every screen at once and drops every factory.
    void reset();

private:
    ScreenRegistry() = default;

    QHash<QString, Factory> m_factories;
    QHash<QString, QPointer<QObject>> m_slots;
};

// The shared screens by their roles. Each makes its screen on first use when
// a factory is registered and answers nothing otherwise; a window controller
// is the window itself here.
QWidget *homeVC();
QWidget *scanVC();
QWidget *homeWindowController();
QWidget *dashboardVC();
QWidget *dashboardWindowController();
QWidget *deleteDuplicatePhotosVC();
QWidget *deleteVC();
QWidget *afterMoveInPhotoLibraryVC();
QWidget *backToHomeDialogVC();
QWidget *cancelScanningVC();
QWidget *aboutVC();
QWidget *advertiseVC();
QWidget *popoverTextFieldVC();
QWidget *startupWindowController();
QWidget *startupVC();
QWidget *preferencesWindowController();
QWidget *ignoreListPreferencesVC();

// Shows a window in front, un-minimised; nothing for no window.
void showWindowInFront(QWidget *window);
