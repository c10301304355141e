#pragma once

#include <QString>
#include <QVariantMap>

#include <optional>

// The program's own resources, compiled in as Qt resources under ":/bundle/":
// Info.plist (with the project version), the localisation table English.plist
// and the artwork. Tests may put a folder of their own in front.
namespace MainBundle {

// The path of a resource, or an empty string when there is none.
QString pathForResource(const QString &name, const QString &type);
// A property-list resource whose root is a dictionary (XML or binary);
// nothing when it is missing, unreadable or of another shape.
std::optional<QVariantMap> dictionaryResource(const QString &name);
// Info.plist as a dictionary; nothing when it is missing or unreadable.
std::optional<QVariantMap> infoDictionary();

// A folder searched before the compiled-in resources; empty to clear.
void setOverrideDirectory(const QString &directory);

} // namespace MainBundle
