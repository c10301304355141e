#pragma once

#include <QByteArray>
#include <QString>
#include <QList>
#include <QPair>
#include <QVariant>

#include <optional>

// Property lists as QVariant trees: bool, qint64 (negative integers), quint64
// (non-negative integers), double, QString, QDateTime, QByteArray, QVariantList
// and QVariantMap. Reads XML and binary lists.
namespace PropertyList {

enum class Format { Xml, Binary };

// The largest property-list file that is read.
inline constexpr qint64 maximumFileSize = 64 * 1024 * 1024;

// Nothing for data that is not a property list, or nests deeper than any real
// list does.
std::optional<QVariant> fromData(const QByteArray &data);
// Nothing as well for anything but a regular file of at most maximumFileSize.
std::optional<QVariant> fromFile(const QString &path);
// The entries of a file whose root is a dictionary, in the order the file
// lists them; nothing when the file is unreadable or its root is no dictionary.
std::optional<QList<QPair<QString, QVariant>>> dictionaryEntriesFromFile(const QString &path);

// An empty array means the value holds a type that has no property-list form.
QByteArray toData(const QVariant &value, Format format = Format::Xml);

// True when the value (recursively) has a property-list form.
bool isRepresentable(const QVariant &value);

} // namespace PropertyList
