#include "app/WindowShape.h"

#include <gtest/gtest.h>

#include <vector>

namespace stampwise {
namespace {

// A white picture with the given pixels set to the colour.
TBitmap WhiteBitmap(int width, int height) {
    TBitmap bitmap;
    bitmap.ChangeSize(width, height);
    return bitmap;
}

TEST(ShapeRowRuns, ExactWhiteIsOutsideAndAnyOtherColourInside) {
    TBitmap bitmap = WhiteBitmap(7, 2);
    bitmap.SetPixelAt(1, 0, RGBColor(254, 255, 255));
    bitmap.SetPixelAt(2, 0, RGBColor(255, 255, 254));
    bitmap.SetPixelAt(4, 0, RGBColor(255, 254, 255));
    bitmap.SetPixelAt(3, 1, kColorBlack);
    const std::vector<Rect> expected = {{1, 0, 3, 1}, {4, 0, 5, 1}, {3, 1, 4, 2}};
    EXPECT_EQ(ShapeRowRuns(bitmap), expected);
}

TEST(ShapeRowRuns, AWhiteRowContributesNothing) {
    TBitmap bitmap = WhiteBitmap(5, 3);
    for (int x = 0; x < 5; ++x) bitmap.SetPixelAt(x, 0, RGBColor(10, 20, 30));
    bitmap.SetPixelAt(2, 2, RGBColor(10, 20, 30));
    const std::vector<Rect> expected = {{0, 0, 5, 1}, {2, 2, 3, 3}};
    EXPECT_EQ(ShapeRowRuns(bitmap), expected);
}

TEST(ShapeRowRuns, ARunReachingTheLastColumnEndsAtTheRowsEnd) {
    TBitmap bitmap = WhiteBitmap(6, 2);
    for (int x = 3; x < 6; ++x) bitmap.SetPixelAt(x, 0, RGBColor(200, 0, 0));
    // Only the last pixel is coloured: still a run, though the scan stops before the last column
    // when it is reached by skipping white.
    bitmap.SetPixelAt(5, 1, RGBColor(0, 0, 200));
    const std::vector<Rect> expected = {{3, 0, 6, 1}, {5, 1, 6, 2}};
    EXPECT_EQ(ShapeRowRuns(bitmap), expected);
}

TEST(ShapeRowRuns, AFullyColouredPictureIsOneRunPerRow) {
    TBitmap bitmap;
    bitmap.ChangeSize(4, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) bitmap.SetPixelAt(x, y, RGBColor(x * 40, y * 40, 7));
    const std::vector<Rect> expected = {{0, 0, 4, 1}, {0, 1, 4, 2}, {0, 2, 4, 3}};
    EXPECT_EQ(ShapeRowRuns(bitmap), expected);
}

TEST(ShapeRowRuns, AOnePixelWideBitmapGivesAnEmptyShape) {
    TBitmap bitmap = WhiteBitmap(1, 4);
    for (int y = 0; y < 4; ++y) bitmap.SetPixelAt(0, y, kColorBlack);
    EXPECT_TRUE(ShapeRowRuns(bitmap).empty());
    EXPECT_TRUE(ShapeRowRuns(TBitmap{}).empty());
}

TEST(DragZone, IsTheTopLeft300By100PixelsOfTheWindow) {
    // Window at (40, 30) on the screen.
    EXPECT_TRUE(IsInDragZone(40 + 299, 30 + 99, 40, 30));
    EXPECT_TRUE(IsInDragZone(40, 30, 40, 30));
    EXPECT_FALSE(IsInDragZone(40 + 300, 30 + 50, 40, 30));
    EXPECT_FALSE(IsInDragZone(40 + 150, 30 + 100, 40, 30));
}

TEST(DragZone, ComparesSignedForAWindowPastTheScreensTopLeft) {
    EXPECT_TRUE(IsInDragZone(-150, -10, -200, -50));
    EXPECT_FALSE(IsInDragZone(100, -10, -200, -50));
}

TEST(PulseAlpha, FirstTenTicks) {
    const std::vector<int> expected = {250, 250, 249, 248, 248, 246, 245, 244, 242, 240};
    std::vector<int> actual;
    for (int n = 1; n <= 10; ++n) actual.push_back(PulseAlpha(n));
    EXPECT_EQ(actual, expected);
}

TEST(PulseAlpha, SwingsBetween150And250WithAPeriodOf100Ticks) {
    EXPECT_EQ(PulseAlpha(25), 200);
    EXPECT_EQ(PulseAlpha(50), 150);
    EXPECT_EQ(PulseAlpha(75), 200);
    EXPECT_EQ(PulseAlpha(100), 250);
    for (int n = 1; n <= 300; ++n) {
        ASSERT_GE(PulseAlpha(n), 150) << n;
        ASSERT_LE(PulseAlpha(n), 250) << n;
        ASSERT_EQ(PulseAlpha(n), PulseAlpha(n + kPulseTicksPerPeriod)) << n;
    }
}

}  // namespace
}  // namespace stampwise
