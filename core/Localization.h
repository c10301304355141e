#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <optional>

// A property list of the main bundle, when its root is a dictionary (XML or binary).
std::optional<QVariantMap> loadPlist(const QString &named);

// Fills the process-wide table from the bundle's "English" list.
void loadLocalizationTable();

// The table's text for the key; "" when the table, the key or a string value is missing.
QString localizedString(const QString &forKey);
QString localizedText(const QString &forKey);

// A localised text with %1, %2... markers filled by QString::arg. A table entry
// whose markers do not match the arguments falls back to the given plain text,
// so a bad entry never shows stray markers or swallows a value.
QString localizedFormat(const QString &key, const QStringList &arguments, const QString &fallback);
