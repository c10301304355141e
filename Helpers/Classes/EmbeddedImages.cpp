#include "EmbeddedImages.h"

#include <QByteArray>

namespace EmbeddedImages {

const QString &rawValue(PieChartImages image)
{
    switch (image) {
    case PieChartImages::photos:
        return photosPieIcon();
    case PieChartImages::videos:
        return videosPieIcon();
    case PieChartImages::documents:
        return documentsPieIcon();
    case PieChartImages::archives:
        return archivesPieIcon();
    case PieChartImages::music:
        return musicPieIcon();
    case PieChartImages::others:
        return othersPieIcon();
    case PieChartImages::allDuplicates:
        return allDuplicatesPieIcon();
    case PieChartImages::applications:
        break;
    }
    return applicationsPieIcon();
}

const QString &categoryIconData(Duplicates category)
{
    switch (category) {
    case Duplicates::_Photos:
        return rawValue(PieChartImages::photos);
    case Duplicates::_Videos:
        return rawValue(PieChartImages::videos);
    case Duplicates::_Music:
        return rawValue(PieChartImages::music);
    case Duplicates::_Archives:
        return rawValue(PieChartImages::archives);
    case Duplicates::_Documents:
        return rawValue(PieChartImages::documents);
    case Duplicates::_Others:
        return rawValue(PieChartImages::others);
    case Duplicates::_Applications:
        break;
    }
    return rawValue(PieChartImages::applications);
}

namespace {

struct RowIcons
{
    const char *identifier;
    const QString &(*normal)();
    const QString &(*highlighted)();
};

// Identifiers compare exactly: "Music" is not "Musics" and gets no icon.
constexpr RowIcons rowIcons[] = {
    {"All Duplicates", allDuplicatesIcon, allDuplicatesIconSelected},
    {"Applications", applicationsIcon, applicationsIconSelected},
    {"Archives", archivesIcon, archivesIconSelected},
    {"Documents", documentsIcon, documentsIconSelected},
    {"Musics", musicIcon, musicIconSelected},
    {"Photos", photosIcon, photosIconSelected},
    {"Videos", videosIcon, videosIconSelected},
    {"Others", othersIcon, othersIconSelected},
    {"selected", checkIcon, checkIconSelected},
};

const RowIcons *findRow(const QString &identifier)
{
    for (const RowIcons &row : rowIcons) {
        if (identifier == QLatin1String(row.identifier))
            return &row;
    }
    return nullptr;
}

} // namespace

QString normalIconText(const QString &identifier)
{
    const RowIcons *row = findRow(identifier);
    return row ? row->normal() : QString();
}

QString highlightedIconText(const QString &identifier)
{
    const RowIcons *row = findRow(identifier);
    return row ? row->highlighted() : QString();
}

std::optional<QImage> decodeImage(const QString &base64Text)
{
    const auto decoded = QByteArray::fromBase64Encoding(base64Text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    QImage image;
    if (!image.loadFromData(*decoded, "PNG"))
        return std::nullopt;
    return image;
}

} // namespace EmbeddedImages
