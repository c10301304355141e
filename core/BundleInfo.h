#pragma once

#include <QString>

#include <optional>

// "CFBundleIdentifier" of <bundlePath>/Contents/Info.plist (XML or binary);
// nothing when the list is absent or the value is not a non-empty string.
std::optional<QString> bundleIdentifier(const QString &bundlePath);
