#include "imaging/Bitmap.h"

#include <gtest/gtest.h>

#include <climits>

#include "imaging/ImageErrors.h"

namespace stampwise {
namespace {

// Every pixel a different colour, so a shift or a swapped channel shows.
TBitmap Numbered(int width, int height) {
    TBitmap picture;
    picture.ChangeSize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture.SetPixelAt(x, y, RGBColor(x, y, (x * 7 + y) & 0xFF));
    }
    return picture;
}

bool AllPixels(const TBitmap& picture, int x0, int y0, int x1, int y1, ColorValue color) {
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            if (picture.PixelAt(x, y) != color) return false;
        }
    }
    return true;
}

TEST(ChangeSize, NewPictureIsWhiteEverywhere) {
    TBitmap picture;
    EXPECT_TRUE(picture.Empty());
    picture.ChangeSize(200, 150);
    EXPECT_FALSE(picture.Empty());
    EXPECT_TRUE(AllPixels(picture, 0, 0, 200, 150, 0x00FFFFFF));
}

TEST(ChangeSize, EnlargingKeepsContentTopLeftAndWhitensTheMargins) {
    TBitmap picture = Numbered(100, 50);
    picture.ChangeSize(150, 80);
    ASSERT_EQ(picture.Width(), 150);
    ASSERT_EQ(picture.Height(), 80);
    const TBitmap original = Numbered(100, 50);
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 100; ++x) ASSERT_EQ(picture.PixelAt(x, y), original.PixelAt(x, y)) << x << "," << y;
    }
    EXPECT_TRUE(AllPixels(picture, 100, 0, 150, 80, kColorWhite));
    EXPECT_TRUE(AllPixels(picture, 0, 50, 150, 80, kColorWhite));
}

TEST(ChangeSize, ShrinkingCutsOffBeyondTheNewSize) {
    TBitmap picture = Numbered(9, 7);
    picture.ChangeSize(4, 3);
    const TBitmap original = Numbered(9, 7);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(picture.PixelAt(x, y), original.PixelAt(x, y));
    }
    EXPECT_EQ(picture.PixelAt(4, 0), InvalidColor);
}

TEST(ChangeSize, WidthZeroLosesTheContentAndALaterSizeIsWhite) {
    TBitmap picture = Numbered(100, 50);
    picture.ChangeSize(0, 50);
    EXPECT_TRUE(picture.Empty());
    EXPECT_EQ(picture.PixelAt(0, 0), InvalidColor);
    picture.ChangeSize(100, 50);
    EXPECT_TRUE(AllPixels(picture, 0, 0, 100, 50, kColorWhite));
}

TEST(ChangeSize, TooLargeFailsBeforeAnyStorageAndKeepsThePicture) {
    TBitmap picture = Numbered(5, 4);
    try {
        picture.ChangeSize(65500, 65500);
        FAIL() << "no exception";
    } catch (const EOutOfResources& e) {
        EXPECT_STREQ(e.what(), "Out of system resources");
    }
    EXPECT_EQ(picture.Width(), 5);
    EXPECT_EQ(picture.PixelAt(4, 3), Numbered(5, 4).PixelAt(4, 3));
    EXPECT_THROW(picture.ChangeSize(-1, 10), EOutOfResources);
    EXPECT_THROW(picture.Allocate(1 << 20, 1 << 20), EOutOfResources);
}

TEST(CheckPictureSize, AllowsExactlyTwoToTheTwentyEighthPixels) {
    EXPECT_NO_THROW(CheckPictureSize(16384, 16384));
    EXPECT_NO_THROW(CheckPictureSize(std::int64_t{1} << 28, 1));
    EXPECT_THROW(CheckPictureSize(16385, 16384), EOutOfResources);
    EXPECT_THROW(CheckPictureSize(INT_MAX, INT_MAX), EOutOfResources);
}

TEST(PixelAt, OutsideThePictureIsInvalidColorAndWritesThereAreIgnored) {
    TBitmap picture = Numbered(6, 5);
    EXPECT_EQ(picture.PixelAt(-1, 0), 0xFFFFFFFFu);
    EXPECT_EQ(picture.PixelAt(6, 0), 0xFFFFFFFFu);
    EXPECT_EQ(picture.PixelAt(0, 5), 0xFFFFFFFFu);
    EXPECT_EQ(picture.PixelAt(0, -1), 0xFFFFFFFFu);
    const TBitmap before = picture;
    for (auto [x, y] : {std::pair{-1, 0}, {6, 0}, {0, 5}, {INT_MIN, INT_MAX}}) picture.SetPixelAt(x, y, kColorBlack);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 6; ++x) EXPECT_EQ(picture.PixelAt(x, y), before.PixelAt(x, y));
    }
    EXPECT_EQ(TBitmap().PixelAt(0, 0), InvalidColor);
}

TEST(SetPixelAt, StoresTheColourExactlyAndDropsTheSchemeBit) {
    TBitmap picture;
    picture.ChangeSize(3, 2);
    picture.SetPixelAt(2, 1, RGBColor(1, 2, 3));
    EXPECT_EQ(picture.PixelAt(2, 1), 0x00030201u);
    const std::uint8_t* row = picture.ScanLine(1);
    EXPECT_EQ(row[6], 1);  // red first in storage
    EXPECT_EQ(row[8], 3);
    picture.SetPixelAt(0, 0, 0x80123456);
    EXPECT_EQ(picture.PixelAt(0, 0), 0x00123456u);
}

TEST(AssignFrom, SharesStorageUntilEitherSideChanges) {
    TBitmap a = Numbered(6, 5);
    TBitmap b;
    b.AssignFrom(a);
    EXPECT_TRUE(b.SharesStorageWith(a));
    b.SetPixelAt(1, 1, kColorBlack);
    EXPECT_FALSE(b.SharesStorageWith(a));
    EXPECT_EQ(a.PixelAt(1, 1), Numbered(6, 5).PixelAt(1, 1));
    EXPECT_EQ(b.PixelAt(1, 1), kColorBlack);

    TBitmap c;
    c.AssignFrom(a);
    a.ChangeSize(2, 2);
    EXPECT_EQ(c.Width(), 6);
    EXPECT_EQ(c.PixelAt(5, 4), Numbered(6, 5).PixelAt(5, 4));
    c.MutableScanLine(0)[0] = 99;
    EXPECT_EQ(RedOf(a.PixelAt(0, 0)), 0);
}

TEST(AssignFrom, TakesTheSourcesTransparencySettings) {
    TBitmap target = Numbered(2, 2);
    target.SetTransparent(true);
    target.SetTransparentColor(RGBColor(9, 9, 9));
    TBitmap plain = Numbered(3, 3);
    target.AssignFrom(plain);
    EXPECT_FALSE(target.Transparent());
    EXPECT_FALSE(target.HasFixedTransparentColor());
    EXPECT_EQ(target.EffectiveTransparentColor(), plain.PixelAt(0, 2));
}

TEST(Transparency, AutomaticColourIsTheBottomLeftPixelWhenAsked) {
    TBitmap picture = Numbered(4, 3);
    EXPECT_EQ(picture.EffectiveTransparentColor(), picture.PixelAt(0, 2));
    picture.SetPixelAt(0, 2, RGBColor(10, 20, 30));
    EXPECT_EQ(picture.EffectiveTransparentColor(), RGBColor(10, 20, 30));
    picture.SetTransparentColor(kColorWhite);
    EXPECT_TRUE(picture.HasFixedTransparentColor());
    EXPECT_EQ(picture.EffectiveTransparentColor(), kColorWhite);
}

class PenLine : public ::testing::Test {
protected:
    void SetUp() override { picture.ChangeSize(200, 150); }
    int CountBlack() const {
        int n = 0;
        for (int y = 0; y < 150; ++y) {
            for (int x = 0; x < 200; ++x) n += picture.PixelAt(x, y) == kColorBlack;
        }
        return n;
    }
    TBitmap picture;
};

TEST_F(PenLine, HorizontalLineStopsBeforeItsEndPoint) {
    picture.MovePen(1, 149);
    picture.DrawLineTo(200, 149);
    EXPECT_EQ(picture.PixelAt(0, 149), kColorWhite);
    EXPECT_TRUE(AllPixels(picture, 1, 149, 200, 150, kColorBlack));
    EXPECT_EQ(CountBlack(), 199);
    EXPECT_EQ(picture.PenX(), 200);
    EXPECT_EQ(picture.PenY(), 149);
}

TEST_F(PenLine, LineToItsOwnStartAndLinesOutsideSetNothing) {
    picture.MovePen(200, 0);
    picture.DrawLineTo(200, 0);
    picture.MovePen(0, 150);
    picture.DrawLineTo(200, 150);
    picture.MovePen(-50, -1);
    picture.DrawLineTo(300, -1);
    EXPECT_EQ(CountBlack(), 0);
}

TEST_F(PenLine, UsesThePenColourAndClipsFarCoordinatesCheaply) {
    picture.SetPenColor(RGBColor(5, 6, 7));
    picture.MovePen(INT_MIN, 7);
    picture.DrawLineTo(INT_MAX, 7);
    EXPECT_TRUE(AllPixels(picture, 0, 7, 200, 8, RGBColor(5, 6, 7)));
    EXPECT_TRUE(AllPixels(picture, 0, 0, 200, 7, kColorWhite));
}

TEST_F(PenLine, RightToLeftLeavesItsEndPointOut) {
    picture.MovePen(10, 3);
    picture.DrawLineTo(5, 3);
    EXPECT_EQ(picture.PixelAt(5, 3), kColorWhite);
    EXPECT_TRUE(AllPixels(picture, 6, 3, 11, 4, kColorBlack));
    EXPECT_EQ(CountBlack(), 5);
}

TEST_F(PenLine, SlopedLineHasOnePixelPerStepOfItsLongerAxis) {
    picture.MovePen(0, 0);
    picture.DrawLineTo(10, 4);
    EXPECT_EQ(CountBlack(), 10);
    EXPECT_EQ(picture.PixelAt(0, 0), kColorBlack);
    EXPECT_EQ(picture.PixelAt(10, 4), kColorWhite);
}

}  // namespace
}  // namespace stampwise
