#pragma once

#include <Records.h>

#include <QDateTime>
#include <QImage>
#include <QLocale>
#include <QSize>
#include <QString>

#include <memory>
#include <optional>

class QFile;

// What the preview pane shows of a copy, worked out without a widget.
namespace PreviewContent {

// Which of the pane's views shows a copy; the category decides, in the order
// videos, documents, photos, then everything else (the file's icon).
enum class Kind { Video, Text, Image, Icon };
Kind kindFor(const std::optional<ScanResultKeys> &category);

// A document larger than this counts as unreadable: the preview reads on the
// GUI thread, and a text view holding hundreds of megabytes is of no use.
inline constexpr qint64 kDocumentLimit = 16 * 1024 * 1024;

// The file a path names, opened for reading by the bytes of its name (a
// name need not be UTF-8, and its text re-encoded could name another file);
// nothing when it cannot be opened or is not a regular file.
std::unique_ptr<QFile> openForReading(const QString &path);

// The whole file as UTF-8 text; nothing when it cannot be read, is larger
// than the limit, or is not valid UTF-8. An empty file is an empty text.
std::optional<QString> documentText(const QString &path, qint64 limit = kDocumentLimit);

// The picture in the file, turned upright as its orientation tag says and
// decoded no larger than the bound (never enlarged); a null image when the
// file cannot be decoded. Only the pixels shown are ever held.
QImage previewImage(const QString &path, const QSize &bound);

// A date as the pane shows it: the locale's date with the month abbreviated
// and no weekday, then the locale's short time.
QString formatModificationDate(const QDateTime &date, const QLocale &locale = QLocale::system());

} // namespace PreviewContent
