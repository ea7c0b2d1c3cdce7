// A pin's zoom steps, zoom about the pointer and first place, case by case.
#include <gtest/gtest.h>

#include "pin_geometry.h"

namespace {

using namespace kppin;

TEST(PinGeometry, WheelNotchesStepThroughTheZooms) {
    const struct {
        CSize image;
        int nZoom, nNotches, nExpected;
    } cases[] = {
        {{800, 600}, 100, 1, 125},   {{800, 600}, 100, 3, 200},  {{800, 600}, 100, -1, 75},
        {{800, 600}, 100, -7, 10},   {{800, 600}, 10, -1, 10},   {{800, 600}, 500, 2, 500},
        {{800, 600}, 48, 1, 50},     {{800, 600}, 48, -1, 33},   {{800, 600}, 100, 0, 100},
        // No side beyond what mouse messages can address.
        {{8000, 100}, 300, 2, 400},  {{100, 7000}, 100, 20, 400},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.image.cx << "x" << c.image.cy << " at " << c.nZoom << " by " << c.nNotches);
        EXPECT_EQ(c.nExpected, StepZoom(c.image, c.nZoom, c.nNotches));
    }
    EXPECT_EQ(CSize(1, 1), ZoomedSize(CSize(3, 4), 10));
    EXPECT_EQ(CSize(634, 356), ZoomedSize(CSize(1920, 1080), 33));
}

TEST(PinGeometry, ZoomKeepsThePictureUnderThePointer) {
    const struct {
        CRect rcPin;
        CSize newSize;
        CPoint pt;
        CRect expected;
    } cases[] = {
        // Doubled about a point 30, 40 into it: that point is now 60, 80 in.
        {{100, 200, 300, 350}, {400, 300}, {130, 240}, {70, 160, 470, 460}},
        {{100, 200, 300, 350}, {400, 300}, {100, 200}, {100, 200, 500, 500}},
        // Halved about its bottom-right corner, left of and above the
        // primary monitor.
        {{-1000, -800, -600, -500}, {200, 150}, {-600, -500}, {-800, -650, -600, -500}},
        // Rounded to the nearest pixel: 3 of 7 becomes 2 (1.71) of 4.
        {{0, 0, 7, 7}, {4, 4}, {3, 3}, {1, 1, 5, 5}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, ZoomAbout(AnchorAt(c.rcPin, c.pt), c.newSize));
}

TEST(PinGeometry, AWindowIsThePartOfThePictureOnTheScreens) {
    const CRect rcScreens(-1280, 0, 1920, 1080);
    EXPECT_EQ(CRect(-1280, 0, 1920, 1080), WindowPart(CRect(-3000, -500, 4000, 2000), rcScreens));
    EXPECT_EQ(CRect(100, 100, 300, 200), WindowPart(CRect(100, 100, 300, 200), rcScreens));
    EXPECT_TRUE(WindowPart(CRect(2000, 0, 2100, 100), rcScreens).IsRectEmpty());

    const struct {
        CRect rcPicture, expected;
    } cases[] = {
        {{100, 100, 300, 200}, {100, 100, 300, 200}},     // in sight already
        {{2000, 50, 2300, 150}, {1880, 50, 2180, 150}},   // right of the screens: 40 pixels come back
        {{-1500, -300, -1480, -290}, {-1280, 0, -1260, 10}},  // a small one comes back whole
        {{-3000, 2000, -1000, 3000}, {-3000, 1040, -1000, 2040}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, KeepInSight(c.rcPicture, rcScreens, 40));
}

TEST(PinGeometry, OpacityStepsStayBetweenAFifthAndWhole) {
    EXPECT_EQ(90, StepOpacity(100, -1));
    EXPECT_EQ(20, StepOpacity(30, -5));
    EXPECT_EQ(100, StepOpacity(90, 3));
    EXPECT_EQ(51, OpacityAlpha(20));
    EXPECT_EQ(255, OpacityAlpha(100));
}

TEST(PinGeometry, ACaptureGoesBackWhereItWasAndOtherImagesInsideTheMonitor) {
    const CRect rcPrimary(0, 0, 1920, 1040), rcLeft(-1280, -200, 0, 800);
    const struct {
        const char* pszWhat;
        CSize image;
        CRect rcCaptured, rcArea;
        CRect expected;
        int nZoom;
    } cases[] = {
        {"a capture", {300, 200}, {-900, -100, -600, 100}, rcLeft, {-900, -100, -600, 100}, 100},
        {"a capture that covers more than the area", {1920, 1080}, {0, 0, 1920, 1080}, rcPrimary, {0, 0, 1920, 1080}, 100},
        {"an opened image", {400, 300}, {}, rcPrimary, {760, 370, 1160, 670}, 100},
        {"an opened image larger than the area", {3840, 2160}, {}, rcLeft, {-1273, -56, -6, 657}, 33},
        {"a turned capture, centred where it was", {200, 300}, {100, 100, 400, 300}, rcPrimary, {150, 50, 350, 350}, 100},
        {"a turned capture near an edge, moved inside", {200, 300}, {0, 0, 300, 200}, rcPrimary, {50, 0, 250, 300}, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        Placement place = PlacePin(c.image, c.rcCaptured, c.rcArea);
        EXPECT_EQ(c.expected, place.rc);
        EXPECT_EQ(c.nZoom, place.nZoom);
    }
}

}  // namespace
