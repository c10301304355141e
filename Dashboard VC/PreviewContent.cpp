#include "PreviewContent.h"

#include <FileReading.h>
#include <NativePath.h>

#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QRegularExpression>
#include <QStringDecoder>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

std::unique_ptr<QFile> openForReading(const QString &path)
{
    if (path.isEmpty())
        return nullptr;
    // O_NONBLOCK keeps a FIFO from holding the interface; anything but a
    // regular file is refused before it is read.
    const int fd = ::open(NativePath::encode(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat status {};
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return nullptr;
    }
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

std::optional<QString> documentText(const QString &path, qint64 limit)
{
    // Read no more than the size the file had when it was opened: a file
    // that grows after it was measured cannot make the read unbounded.
    const std::optional<QByteArray> bytes = FileReading::readRegularFile(path, limit);
    if (!bytes)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = decoder.decode(*bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

QImage previewImage(const QString &path, const QSize &bound)
{
    const std::unique_ptr<QFile> file = openForReading(path);
    if (!file)
        return QImage();
    // The extension hints at the format, as it does for a reader given the path.
    QImageReader reader(file.get(), QFileInfo(path).suffix().toLower().toLatin1());
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
