#pragma once

#include <QString>

#include <optional>

// The application's login item: an XDG autostart entry of its own,
// $XDG_CONFIG_HOME/autostart/twinmoor.desktop. An entry that is absent or
// says Hidden=true means the application does not start at login.
namespace LoginItems {

inline constexpr const char desktopFileName[] = "twinmoor.desktop";

// Where the application's autostart entry lives.
QString autostartEntryPath();
// Whether the entry exists and is not hidden.
bool isLoginItem();
// Makes the application start at login by running the executable. An entry
// in force is left as it is, so there is never a second one; a hidden one is
// replaced. True when the application is a login item afterwards.
bool addLoginItem(const QString &executablePath);
// Deletes the entry when it is in force. The path of the removed entry, or
// nothing when there was none in force or it could not be deleted.
std::optional<QString> removeLoginItem();

} // namespace LoginItems
