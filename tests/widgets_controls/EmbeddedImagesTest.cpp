#include <EmbeddedImages.h>
#include <TestEnvironment.h>

#include <QByteArray>
#include <QImage>
#include <QPainter>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using namespace EmbeddedImages;
using Accessor = const QString &(*)();

struct Picture
{
    const char *name;
    Accessor text;
    int width;
    int height;
};

// The pictures and the sizes they are promised at.
const Picture pictures[] = {
    {"homeBackgroundImage", homeBackgroundImage, 1008, 702},
    {"scanBackgroundImage", scanBackgroundImage, 1008, 702},
    {"emblemImage", emblemImage, 326, 325},
    {"emblemLightImage", emblemLightImage, 326, 325},
    {"emblemDarkImage", emblemDarkImage, 326, 325},
    {"progressRingBackgroundImage", progressRingBackgroundImage, 296, 296},
    {"windowCloseImage", windowCloseImage, 12, 12},
    {"windowMinimizeImage", windowMinimizeImage, 12, 12},
    {"windowZoomDisabledImage", windowZoomDisabledImage, 12, 12},
    {"windowCloseHoverImage", windowCloseHoverImage, 12, 12},
    {"windowMinimizeHoverImage", windowMinimizeHoverImage, 12, 12},
    {"facebookImage", facebookImage, 20, 20},
    {"twitterImage", twitterImage, 20, 20},
    {"allDuplicatesIcon", allDuplicatesIcon, 20, 20},
    {"applicationsIcon", applicationsIcon, 20, 20},
    {"archivesIcon", archivesIcon, 20, 20},
    {"documentsIcon", documentsIcon, 20, 20},
    {"musicIcon", musicIcon, 20, 20},
    {"photosIcon", photosIcon, 20, 20},
    {"videosIcon", videosIcon, 20, 20},
    {"othersIcon", othersIcon, 20, 20},
    {"allDuplicatesIconSelected", allDuplicatesIconSelected, 20, 20},
    {"applicationsIconSelected", applicationsIconSelected, 20, 20},
    {"archivesIconSelected", archivesIconSelected, 20, 20},
    {"documentsIconSelected", documentsIconSelected, 20, 20},
    {"musicIconSelected", musicIconSelected, 20, 20},
    {"photosIconSelected", photosIconSelected, 20, 20},
    {"videosIconSelected", videosIconSelected, 20, 20},
    {"othersIconSelected", othersIconSelected, 20, 20},
    {"checkIconSelected", checkIconSelected, 20, 20},
    {"checkIcon", checkIcon, 20, 20},
    {"allDuplicatesPieIcon", allDuplicatesPieIcon, 120, 120},
    {"applicationsPieIcon", applicationsPieIcon, 120, 120},
    {"archivesPieIcon", archivesPieIcon, 120, 120},
    {"documentsPieIcon", documentsPieIcon, 120, 120},
    {"musicPieIcon", musicPieIcon, 120, 120},
    {"othersPieIcon", othersPieIcon, 120, 120},
    {"photosPieIcon", photosPieIcon, 120, 120},
    {"videosPieIcon", videosPieIcon, 120, 120},
    {"greenCheckImage", greenCheckImage, 32, 32},
    {"recommendedAppIcon", recommendedAppIcon, 128, 128},
    {"warningImage", warningImage, 96, 96},
    {"photosAlbumHelpImage", photosAlbumHelpImage, 504, 437},
    {"successCheckImage", successCheckImage, 16, 16},
};

TEST(EmbeddedImagesTest, EveryPictureDecodesStrictlyToItsSize)
{
    for (const Picture &picture : pictures) {
        const QString &text = picture.text();
        EXPECT_EQ(&picture.text(), &text) << picture.name; // made once
        const auto decoded = QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
        ASSERT_TRUE(decoded) << picture.name;
        // Standard alphabet on one line: encoding again gives the same text.
        EXPECT_EQ(decoded.decoded.toBase64(), text.toLatin1()) << picture.name;

        const QByteArray &png = *decoded;
        ASSERT_GE(png.size(), 24) << picture.name;
        EXPECT_TRUE(png.startsWith("\x89PNG\r\n\x1a\n")) << picture.name;
        EXPECT_EQ(png.mid(12, 4), QByteArray("IHDR")) << picture.name;
        EXPECT_EQ(qFromBigEndian<quint32>(png.constData() + 16), quint32(picture.width)) << picture.name;
        EXPECT_EQ(qFromBigEndian<quint32>(png.constData() + 20), quint32(picture.height)) << picture.name;

        const auto image = decodeImage(text);
        ASSERT_TRUE(image) << picture.name;
        EXPECT_EQ(image->size(), QSize(picture.width, picture.height)) << picture.name;
        EXPECT_TRUE(image->hasAlphaChannel()) << picture.name;
    }
}

TEST(EmbeddedImagesTest, SelectedIconsAreWhiteShapesOfTheNormalOnes)
{
    const std::pair<Accessor, Accessor> pairs[] = {
        {allDuplicatesIcon, allDuplicatesIconSelected}, {applicationsIcon, applicationsIconSelected},
        {archivesIcon, archivesIconSelected}, {documentsIcon, documentsIconSelected},
        {musicIcon, musicIconSelected}, {photosIcon, photosIconSelected},
        {videosIcon, videosIconSelected}, {othersIcon, othersIconSelected},
        {checkIcon, checkIconSelected},
    };
    for (const auto &[normal, selected] : pairs) {
        const QImage dark = decodeImage(normal())->convertToFormat(QImage::Format_ARGB32);
        const QImage white = decodeImage(selected())->convertToFormat(QImage::Format_ARGB32);
        int covered = 0;
        for (int y = 0; y < 20; ++y) {
            for (int x = 0; x < 20; ++x) {
                EXPECT_EQ(qAlpha(white.pixel(x, y)), qAlpha(dark.pixel(x, y)));
                covered += qAlpha(white.pixel(x, y)) > 0 ? 1 : 0;
                if (qAlpha(white.pixel(x, y)) == 255) {
                    EXPECT_EQ(QColor(white.pixel(x, y)), QColor(Qt::white));
                }
            }
        }
        EXPECT_GT(covered, 20);
    }
}

TEST(EmbeddedImagesTest, TurnedEmblemIsTheRestEmblemHalfTurned)
{
    const QImage rest = decodeImage(logoImageAlt())->convertToFormat(QImage::Format_ARGB32);
    const QImage turned = decodeImage(logoImageTurned())->convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(turned, rest.transformed(QTransform().rotate(180)));
    EXPECT_NE(turned, rest);
}

// The scan screen's background shows the logo and the program's name beside
// it: along a line through the name, letters give many separate strokes of
// ink, where a placeholder bar would give one.
TEST(EmbeddedImagesTest, ScanBackgroundShowsTheWordmarkBesideTheLogo)
{
    const QImage background = decodeImage(scanBackgroundImage())->convertToFormat(QImage::Format_ARGB32);
    const QRect besideLogo(62, 20, 180, 40);
    background.copy(besideLogo.adjusted(-50, 0, 0, 0)).scaled(460, 80).save(
        TestEnvironment::renderDirectory() + QStringLiteral("/scan_background_wordmark.png"));
    const QRgb ground = background.pixel(300, 30);
    auto isInk = [&](int x, int y) {
        const QColor here(background.pixel(x, y));
        const QColor base(ground);
        return std::abs(here.red() - base.red()) + std::abs(here.green() - base.green())
            + std::abs(here.blue() - base.blue()) > 200;
    };
    int mostStrokes = 0;
    int inkedColumns = 0;
    for (int y = besideLogo.top(); y <= besideLogo.bottom(); ++y) {
        int strokes = 0;
        bool inInk = false;
        for (int x = besideLogo.left(); x <= besideLogo.right(); ++x) {
            const bool ink = isInk(x, y);
            strokes += ink && !inInk ? 1 : 0;
            inInk = ink;
        }
        mostStrokes = std::max(mostStrokes, strokes);
    }
    for (int x = besideLogo.left(); x <= besideLogo.right(); ++x) {
        bool any = false;
        for (int y = besideLogo.top(); y <= besideLogo.bottom() && !any; ++y)
            any = isInk(x, y);
        inkedColumns += any ? 1 : 0;
    }
    // "Twinmoor" crosses a line through its lower half some fifteen times.
    EXPECT_GE(mostStrokes, 10);
    // A word of eight letters, not a dot.
    EXPECT_GE(inkedColumns, 90);
}

TEST(EmbeddedImagesTest, OtherNamesAreTheSamePictures)
{
    const std::pair<Accessor, Accessor> aliases[] = {
        {logoImage, emblemImage},
        // The logo after a turn is the logo shown at load.
        {logoImageAlt, emblemImage},
        {logoImageTurned, emblemLightImage},
        {progressRingImage, progressRingBackgroundImage},
        {closeButtonImage, windowCloseImage},
        {closeButtonHoverImage, windowCloseHoverImage},
        {minimizeButtonImage, windowMinimizeImage},
        {minimizeButtonHoverImage, windowMinimizeHoverImage},
        {maximizeButtonDisabledImage, windowZoomDisabledImage},
        {facebookIconImage, facebookImage},
        {twitterIconImage, twitterImage},
        {dialogIconImage, warningImage},
        {checkMarkImage, greenCheckImage},
        {larkspireIconImage, recommendedAppIcon},
    };
    for (const auto &[alias, picture] : aliases)
        EXPECT_EQ(&alias(), &picture());
}

TEST(EmbeddedImagesTest, PieIconByCategory)
{
    const std::pair<Duplicates, Accessor> cases[] = {
        {Duplicates::_Photos, photosPieIcon},
        {Duplicates::_Videos, videosPieIcon},
        {Duplicates::_Music, musicPieIcon},
        {Duplicates::_Archives, archivesPieIcon},
        {Duplicates::_Documents, documentsPieIcon},
        {Duplicates::_Others, othersPieIcon},
        {Duplicates::_Applications, applicationsPieIcon},
        {static_cast<Duplicates>(42), applicationsPieIcon},
    };
    for (const auto &[category, icon] : cases)
        EXPECT_EQ(&categoryIconData(category), &icon()) << int(category);
    EXPECT_EQ(&rawValue(PieChartImages::allDuplicates), &allDuplicatesPieIcon());
    EXPECT_EQ(&rawValue(PieChartImages::music), &musicPieIcon());
}

TEST(EmbeddedImagesTest, RowIconsByIdentifier)
{
    struct Case
    {
        const char *identifier;
        QString normal;
        QString highlighted;
    };
    const Case cases[] = {
        {"All Duplicates", allDuplicatesIcon(), allDuplicatesIconSelected()},
        {"Applications", applicationsIcon(), applicationsIconSelected()},
        {"Archives", archivesIcon(), archivesIconSelected()},
        {"Documents", documentsIcon(), documentsIconSelected()},
        {"Musics", musicIcon(), musicIconSelected()},
        {"Photos", photosIcon(), photosIconSelected()},
        {"Videos", videosIcon(), videosIconSelected()},
        {"Others", othersIcon(), othersIconSelected()},
        {"selected", checkIcon(), checkIconSelected()},
        {"Music", QString(), QString()},
        {"photos", QString(), QString()},
        {"", QString(), QString()},
        {"All Duplicates ", QString(), QString()},
    };
    for (const Case &c : cases) {
        EXPECT_EQ(normalIconText(QString::fromLatin1(c.identifier)), c.normal) << c.identifier;
        EXPECT_EQ(highlightedIconText(QString::fromLatin1(c.identifier)), c.highlighted) << c.identifier;
    }
}

TEST(EmbeddedImagesTest, DecodingRefusesWhatIsNotAStrictBase64Png)
{
    const QString png = successCheckImage();
    const QString cases[] = {
        QString(),
        QStringLiteral("not base64!"),
        png.left(40) + QLatin1Char('\n') + png.mid(40), // a line break is not ignored
        QString::fromLatin1(QByteArray("GIF89a plain bytes").toBase64()),
        png.left(png.size() / 2), // cut short
    };
    for (const QString &text : cases)
        EXPECT_FALSE(decodeImage(text)) << qPrintable(text.left(20));
}

// One sheet of every picture, for looking at them by eye.
TEST(EmbeddedImagesTest, ContactSheet)
{
    QImage sheet(1200, 1500, QImage::Format_ARGB32);
    sheet.fill(QColor(150, 150, 150));
    QPainter painter(&sheet);
    int x = 0;
    int y = 0;
    int rowHeight = 0;
    for (const Picture &picture : pictures) {
        QImage image = *decodeImage(picture.text());
        if (image.width() < 64) // small icons enlarged, pixel for pixel
            image = image.scaled(image.size() * 4, Qt::KeepAspectRatio, Qt::FastTransformation);
        if (image.width() > 600)
            image = image.scaled(image.size() / 2, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        if (x + image.width() > sheet.width()) {
            x = 0;
            y += rowHeight + 8;
            rowHeight = 0;
        }
        painter.drawImage(x, y, image);
        x += image.width() + 8;
        rowHeight = std::max(rowHeight, image.height());
    }
    painter.end();
    EXPECT_TRUE(sheet.save(TestEnvironment::renderDirectory() + QStringLiteral("/embedded_images.png")));
}

} // namespace
