#pragma once

#include <Records.h>

#include <QImage>
#include <QString>

#include <optional>

// The pictures built into the program. Each is a PNG held as one line of
// standard base64 text, made on first use and never changed; decoded images
// are not kept, so a screen decodes a picture again each time it sets it.
// The texts are rendered at build time from resources/artwork.
namespace EmbeddedImages {

// Window-sized backgrounds, 1008 x 702.
const QString &homeBackgroundImage();
const QString &scanBackgroundImage(); // with the logo and the wordmark at the top left

// The emblem, 326 x 325: as the home screen shows it at rest, in darker blues,
// and the emblem at rest turned by half a turn (what the drop area shows after
// its half turn, so swapping pictures then does not jump).
const QString &emblemImage();
const QString &emblemDarkImage();
const QString &emblemLightImage();

// The ring of dashes behind the progress rings, 296 x 296.
const QString &progressRingBackgroundImage();

// Title-bar dots, 12 x 12.
const QString &windowCloseImage();
const QString &windowMinimizeImage();
const QString &windowZoomDisabledImage();
const QString &windowCloseHoverImage();
const QString &windowMinimizeHoverImage();

// The two share glyphs of the scan screen, 20 x 20.
const QString &facebookImage();
const QString &twitterImage();

// Category-list icons, 20 x 20: dark for a normal row, white for a selected one.
const QString &allDuplicatesIcon();
const QString &applicationsIcon();
const QString &archivesIcon();
const QString &documentsIcon();
const QString &musicIcon();
const QString &photosIcon();
const QString &videosIcon();
const QString &othersIcon();
const QString &checkIcon();
const QString &allDuplicatesIconSelected();
const QString &applicationsIconSelected();
const QString &archivesIconSelected();
const QString &documentsIconSelected();
const QString &musicIconSelected();
const QString &photosIconSelected();
const QString &videosIconSelected();
const QString &othersIconSelected();
const QString &checkIconSelected();

// Pie-centre icons, 120 x 120.
const QString &allDuplicatesPieIcon();
const QString &applicationsPieIcon();
const QString &archivesPieIcon();
const QString &documentsPieIcon();
const QString &musicPieIcon();
const QString &othersPieIcon();
const QString &photosPieIcon();
const QString &videosPieIcon();

const QString &greenCheckImage();      // 32 x 32
const QString &recommendedAppIcon();   // 128 x 128
const QString &warningImage();         // 96 x 96
const QString &photosAlbumHelpImage(); // 504 x 437
const QString &successCheckImage();    // 16 x 16
const QString &resultsTitleImage();    // 32 x 32, the results screen's title

// The names the screens use for the same pictures. The logo the home screen
// comes back to after a turn is the one it shows at load.
inline const QString &logoImage() { return emblemImage(); }
inline const QString &logoImageAlt() { return emblemImage(); }
inline const QString &logoImageTurned() { return emblemLightImage(); }
inline const QString &progressRingImage() { return progressRingBackgroundImage(); }
inline const QString &closeButtonImage() { return windowCloseImage(); }
inline const QString &closeButtonHoverImage() { return windowCloseHoverImage(); }
inline const QString &minimizeButtonImage() { return windowMinimizeImage(); }
inline const QString &minimizeButtonHoverImage() { return windowMinimizeHoverImage(); }
inline const QString &maximizeButtonDisabledImage() { return windowZoomDisabledImage(); }
inline const QString &facebookIconImage() { return facebookImage(); }
inline const QString &twitterIconImage() { return twitterImage(); }
inline const QString &dialogIconImage() { return warningImage(); }
inline const QString &checkMarkImage() { return greenCheckImage(); }
inline const QString &larkspireIconImage() { return recommendedAppIcon(); }

// The pie-centre icons by the scan screen's names.
enum class PieChartImages { photos, videos, documents, archives, music, applications, others, allDuplicates };
const QString &rawValue(PieChartImages image);

// The pie-centre icon of a category; any value other than the six named
// categories (that is, applications) gives the applications icon.
const QString &categoryIconData(Duplicates category);

// The category-list icon of a row identifier ("All Duplicates", "Applications",
// "Archives", "Documents", "Musics", "Photos", "Videos", "Others", "selected"),
// for a normal and for a selected row; any other identifier gives "".
QString normalIconText(const QString &identifier);
QString highlightedIconText(const QString &identifier);

// Strict standard base64 (no character ignored), then PNG. Nothing when either
// step fails; the caller then leaves its view as it was.
std::optional<QImage> decodeImage(const QString &base64Text);

} // namespace EmbeddedImages
