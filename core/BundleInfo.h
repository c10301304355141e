#pragma once

#include "Records.h"

#include <QString>

#include <optional>

// "CFBundleIdentifier" of <bundlePath>/Contents/Info.plist (XML or binary);
// nothing when the list is absent or the value is not a non-empty string.
std::optional<QString> bundleIdentifier(const QString &bundlePath);
// The same for a bundle the scan listed: nothing, and changed set, when the
// folder at the path is no longer the one with that identity.
std::optional<QString> bundleIdentifier(const QString &bundlePath, const FileIdentity &expected, bool *changed);
