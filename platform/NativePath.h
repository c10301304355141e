#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringView>

// File names are bytes. A path is held as a QString decoded from its bytes
// as UTF-8, where every byte that is not part of valid UTF-8 becomes the lone
// surrogate U+DC00 + byte (U+DC80 to U+DCFF); encoding turns those back into
// the bytes. The two are exact inverses, so every path met on disk names the
// same file again after any number of round trips, whatever its bytes.
namespace NativePath {

QString decode(QByteArrayView bytes);
QByteArray encode(QStringView path);

// The path as a JSON string literal (quotes included): valid text as UTF-8,
// control characters escaped, and each byte that is not UTF-8 written as the
// lone surrogate escape "\udcXX" (as Python's os.fsdecode reads it).
QByteArray toJson(QStringView path);

} // namespace NativePath
