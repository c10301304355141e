#include "PreviewContent.h"

#include <QFile>
#include <QImageIOHandler>
#include <QImageReader>
#include <QRegularExpression>
#include <QStringDecoder>

namespace PreviewContent {

Kind kindFor(const std::optional<ScanResultKeys> &category)
{
    if (!category)
        return Kind::Icon;
    switch (*category) {
    case ScanResultKeys::Videos:
        return Kind::Video;
    case ScanResultKeys::Documents:
        return Kind::Text;
    case ScanResultKeys::Photos:
        return Kind::Image;
    default:
        return Kind::Icon;
    }
}

std::optional<QString> documentText(const QString &path, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    // Read one byte past the limit rather than trust the size: a file that
    // grows after it was measured still cannot make the read unbounded.
    const QByteArray bytes = file.read(limit + 1);
    if (bytes.size() > limit || file.error() != QFileDevice::NoError)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QImage previewImage(const QString &path, const QSize &bound)
{
    QImageReader reader(path);
    reader.setAutoTransform(true);
    QSize size = reader.size();
    if (size.isValid() && !bound.isEmpty()) {
        // The bound is for the picture as shown; a quarter turn swaps the
        // stored width and height.
        const bool swapsSides = reader.transformation().testFlag(QImageIOHandler::TransformationRotate90);
        const QSize shownBound = swapsSides ? bound.transposed() : bound;
        if (size.width() > shownBound.width() || size.height() > shownBound.height()) {
            size.scale(shownBound, Qt::KeepAspectRatio);
            reader.setScaledSize(size.expandedTo(QSize(1, 1)));
        }
    }
    return reader.read();
}

QString formatModificationDate(const QDateTime &date, const QLocale &locale)
{
    // Qt has no medium date: the long form without its weekday, month
    // abbreviated, reads as one in every locale that names its months.
    QString format = locale.dateFormat(QLocale::LongFormat);
    static const QRegularExpression weekday(QStringLiteral("\\s*dddd[,.]?\\s*"));
    format.replace(weekday, QStringLiteral(" "));
    format.replace(QStringLiteral("MMMM"), QStringLiteral("MMM"));
    format = format.trimmed();
    const QDateTime local = date.toLocalTime();
    return locale.toString(local.date(), format) + QLatin1Char(' ') + locale.toString(local.time(), QLocale::ShortFormat);
}

} // namespace PreviewContent
