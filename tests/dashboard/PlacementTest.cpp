#include <WindowPlacement.h>

#include <gtest/gtest.h>

#include <ostream>

inline void PrintTo(const QRect &rect, std::ostream *out)
{
    *out << '(' << rect.x() << ", " << rect.y() << ' ' << rect.width() << 'x' << rect.height() << ')';
}

namespace {

const QRect kScreen(0, 0, 1920, 1080);
const QSize kHome(1008, 702);

struct OpeningCase
{
    const char *what;
    QRect screen;
    QRect home;
    QRect expected;
};

// The results window keeps the home window's bottom-left corner when the home
// window lies on the screen, is not zoomed and has 100 free above; otherwise
// the home window's size centres it.
const OpeningCase kOpeningCases[] = {
    // A home window at (200, 150) from the bottom left, 1151 x 751, on 1920 x 1080.
    {"same size, measured from the bottom left at 200, 150", kScreen, QRect(200, 179, 1151, 751), QRect(200, 179, 1151, 751)},
    {"smaller home window: bottom edges meet", kScreen, QRect(300, 200, 1008, 702), QRect(300, 151, 1151, 751)},
    {"negative x: centred by the home window's size", kScreen, QRect(-10, 200, 1008, 702), QRect(456, 140, 1151, 751)},
    {"above the screen's top: centred", kScreen, QRect(300, -5, 1008, 702), QRect(456, 140, 1151, 751)},
    {"bottom below the screen: centred", kScreen, QRect(300, 400, 1008, 702), QRect(456, 140, 1151, 751)},
    {"right edge beyond the screen: centred", kScreen, QRect(1000, 200, 1008, 702), QRect(456, 140, 1151, 751)},
    {"1500 x 751 counts as zoomed", kScreen, QRect(10, 200, 1500, 751), QRect(210, 164, 1151, 751)},
    {"1499 wide is not zoomed", kScreen, QRect(10, 200, 1499, 751), QRect(10, 200, 1151, 751)},
    {"1500 wide but 750 high is not zoomed", kScreen, QRect(10, 200, 1500, 750), QRect(10, 199, 1151, 751)},
    {"99 free above is no room", kScreen, QRect(300, 99, 1008, 702), QRect(456, 140, 1151, 751)},
    {"100 free above is room", kScreen, QRect(300, 100, 1008, 702), QRect(300, 51, 1151, 751)},
    {"a screen to the right keeps its origin in the rule", QRect(1920, 0, 1280, 1024), QRect(2000, 200, 1008, 702),
     QRect(2000, 151, 1151, 751)},
    {"a screen to the left (negative origin)", QRect(-1280, 0, 1280, 1024), QRect(-1200, 300, 1008, 702),
     QRect(-1200, 251, 1151, 751)},
    {"centred on a screen with an origin of its own", QRect(-1280, 100, 1280, 1024), QRect(-1300, 300, 1008, 702),
     QRect(-1280 + 136, 100 + 512 + 351 - 751, 1151, 751)},
};

TEST(WindowPlacement, ResultsWindowOpensWhereTheRulesSay)
{
    for (const OpeningCase &c : kOpeningCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WindowPlacement::openingEndFrame(c.home, c.screen), c.expected);
    }
}

TEST(WindowPlacement, EveryOpeningHasTheFixedSize)
{
    for (const OpeningCase &c : kOpeningCases)
        EXPECT_EQ(WindowPlacement::openingEndFrame(c.home, c.screen).size(), QSize(1151, 751)) << c.what;
}

struct ReturnCase
{
    const char *what;
    QRect screen;
    QRect results;
    QRect expected;
};

const ReturnCase kReturnCases[] = {
    {"bottom-left corners meet", kScreen, QRect(200, 179, 1151, 751), QRect(200, 228, 1008, 702)},
    {"no room above is needed on the way back", kScreen, QRect(200, 0, 1151, 751), QRect(200, 49, 1008, 702)},
    {"zoomed to the screen: centred by its own size", kScreen, QRect(0, 0, 1920, 1080), QRect(456, 189, 1008, 702)},
    {"negative x: centred", kScreen, QRect(-1, 100, 1151, 751), QRect(456, 189, 1008, 702)},
    {"bottom below the screen: centred", kScreen, QRect(0, 400, 1151, 751), QRect(456, 189, 1008, 702)},
    {"right edge beyond the screen: centred", kScreen, QRect(800, 100, 1151, 751), QRect(456, 189, 1008, 702)},
    {"centred on a screen with an origin of its own", QRect(1920, 0, 1280, 1024), QRect(1900, 0, 1151, 751),
     QRect(1920 + 136, 161, 1008, 702)},
};

TEST(WindowPlacement, HomeWindowComesBackWhereTheRulesSay)
{
    for (const ReturnCase &c : kReturnCases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(WindowPlacement::homeFrameOnReturn(c.results, kHome, c.screen), c.expected);
    }
}

TEST(WindowPlacement, AnimationsGrowFromAndShrinkToPointsOfTheHomeWindow)
{
    const QRect home(300, 200, 1008, 702);
    EXPECT_EQ(WindowPlacement::openingStartFrame(home), QRect(400, 200, 0, 0));
    EXPECT_EQ(WindowPlacement::closingEndFrame(home), QRect(525, 550, 0, 0));
}

} // namespace
