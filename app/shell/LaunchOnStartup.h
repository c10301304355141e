#pragma once

#include <QString>

#include <optional>
#include <utility>

// Keeps the application's own entry among the programs started at login, in
// line with the launch-at-login setting.
class LaunchOnStartup
{
public:
    // (the application's entry in force, or nothing; the insertion anchor).
    // The autostart folder holds one entry per program, so the anchor is
    // always "after the others" and carries no information here.
    static std::pair<std::optional<QString>, std::optional<QString>> itemReferencesInLoginItems();
    // Enabling never makes a second entry, and points ours at this
    // executable when it starts another; disabling removes only ours.
    static void setLaunchAtStartup(bool enabled);
    // The program the entry starts: this executable unless a test set another.
    static QString &executablePath();
};
