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
// The program that the entry in force starts: the first argument of its Exec
// line, unquoted. Nothing when no entry is in force or it has no Exec line.
std::optional<QString> loginItemProgram();
// Whether the entry in force starts this executable: the same path, the same
// file through a link, or a bare name that the search path resolves to it.
bool loginItemStarts(const QString &executablePath);
// Points the entry in force at this executable when it starts another one
// (the program was moved, or another copy wrote it). True when the entry in
// force starts the executable afterwards.
bool moveLoginItemTo(const QString &executablePath);
// Deletes the entry when it is in force. The path of the removed entry, or
// nothing when there was none in force or it could not be deleted.
std::optional<QString> removeLoginItem();

} // namespace LoginItems
