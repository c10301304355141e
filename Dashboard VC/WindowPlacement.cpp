#include "WindowPlacement.h"

namespace WindowPlacement {

namespace {

bool isZoomed(const QSize &size)
{
    return size.width() >= kZoomedSize.width() && size.height() >= kZoomedSize.height();
}

// The frame lies on the screen: left and bottom edges inside, right and top
// edges too (the top with the room the caller asks for).
bool liesOnScreen(const QRect &frame, const QRect &screen, int roomAbove)
{
    const int left = frame.x() - screen.x();
    const int top = frame.y() - screen.y();
    const int bottom = top + frame.height(); // distance of the bottom edge from the screen's top
    return left >= 0 && bottom <= screen.height() && left + frame.width() <= screen.width() && top >= roomAbove;
}

// The top-left point of a window of the given height whose bottom-left corner
// the centring rule puts at (screen width - width) / 2, (screen height - height) / 2
// measured from the screen's bottom left, for the size it centres by.
QPoint centredOrigin(const QSize &centredBy, int windowHeight, const QRect &screen)
{
    const double x = screen.width() * 0.5 - centredBy.width() * 0.5;
    const double fromBottom = screen.height() * 0.5 - centredBy.height() * 0.5;
    const double top = screen.height() - fromBottom - windowHeight;
    return QPoint(screen.x() + int(x), screen.y() + int(top));
}

} // namespace

QRect openingStartFrame(const QRect &homeFrame)
{
    return QRect(QPoint(homeFrame.x() + 100, homeFrame.y()), QSize(0, 0));
}

QRect openingEndFrame(const QRect &homeFrame, const QRect &screen)
{
    QPoint origin;
    if (!isZoomed(homeFrame.size()) && liesOnScreen(homeFrame, screen, kRoomAbove)) {
        origin = QPoint(homeFrame.x(), homeFrame.y() + homeFrame.height() - kResultsWindowSize.height());
    } else {
        // Centred by the home window's size, as the rule has always done: a
        // home window smaller than the results leaves it a little off centre.
        origin = centredOrigin(homeFrame.size(), kResultsWindowSize.height(), screen);
    }
    return QRect(origin, kResultsWindowSize);
}

QRect homeFrameOnReturn(const QRect &resultsFrame, const QSize &homeSize, const QRect &screen)
{
    if (!isZoomed(resultsFrame.size()) && liesOnScreen(resultsFrame, screen, 0)) {
        const QPoint origin(resultsFrame.x(), resultsFrame.y() + resultsFrame.height() - homeSize.height());
        return QRect(origin, homeSize);
    }
    return QRect(centredOrigin(homeSize, homeSize.height(), screen), homeSize);
}

QRect closingEndFrame(const QRect &homeFrame)
{
    return QRect(QPoint(homeFrame.x() + 225, homeFrame.y() + 350), QSize(0, 0));
}

} // namespace WindowPlacement
