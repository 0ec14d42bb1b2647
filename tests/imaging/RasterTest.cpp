#include "imaging/Raster.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>

#include "support/TestPictures.h"

namespace stampwise {
namespace {

TBitmap RandomPicture(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    TBitmap picture;
    picture.ChangeSize(width, height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) picture.SetPixelAt(x, y, random() & 0xFFFFFF);
    }
    return picture;
}

using testing::SamePixels;

TEST(NearestSourceIndex, TakesThePixelUnderTheDestinationCentre) {
    EXPECT_EQ(NearestSourceIndex(0, 2, 4), 1);
    EXPECT_EQ(NearestSourceIndex(1, 2, 4), 3);
    EXPECT_EQ(NearestSourceIndex(0, 3, 1), 0);
    EXPECT_EQ(NearestSourceIndex(2, 3, 1), 0);
    EXPECT_EQ(NearestSourceIndex(0, 3, 2), 0);  // floor(2/6)
    EXPECT_EQ(NearestSourceIndex(1, 3, 2), 1);  // floor(6/6)
    // Would overflow 32 bits: (2·65499 + 1) · (2^31 − 1).
    EXPECT_EQ(NearestSourceIndex(65499, 65500, INT_MAX), 2147467253);
}

TEST(NearestSourceIndex, StaysInsideTheSourceAndNeverGoesBack) {
    for (int dest = 1; dest <= 40; ++dest) {
        for (int source = 1; source <= 40; ++source) {
            int previous = -1;
            for (int d = 0; d < dest; ++d) {
                const int s = NearestSourceIndex(d, dest, source);
                ASSERT_GE(s, previous);
                ASSERT_GE(s, 0);
                ASSERT_LT(s, source);
                if (dest == source) {
                    ASSERT_EQ(s, d);
                }
                previous = s;
            }
        }
    }
}

TEST(StretchCopy, ShrinkingDropsWholeColumns) {
    TBitmap source;
    source.ChangeSize(4, 1);
    const ColorValue colors[4] = {RGBColor(200, 0, 0), RGBColor(0, 200, 0), RGBColor(0, 0, 200), RGBColor(9, 9, 9)};
    for (int x = 0; x < 4; ++x) source.SetPixelAt(x, 0, colors[x]);
    TBitmap dest;
    dest.ChangeSize(2, 1);
    StretchCopy(dest, {0, 0, 2, 1}, source);
    EXPECT_EQ(dest.PixelAt(0, 0), colors[1]);
    EXPECT_EQ(dest.PixelAt(1, 0), colors[3]);
}

TEST(StretchCopy, EnlargingASinglePixelRepeatsIt) {
    const TBitmap source = testing::FilledPicture(1, 1, RGBColor(12, 34, 56));
    TBitmap dest;
    dest.ChangeSize(3, 3);
    StretchCopy(dest, {0, 0, 3, 3}, source);
    EXPECT_TRUE(SamePixels(dest, testing::FilledPicture(3, 3, RGBColor(12, 34, 56))));
}

TEST(StretchCopy, InventsNoColourAndTouchesNothingOutsideTheRectangle) {
    const TBitmap source = RandomPicture(47, 33, 1);
    std::set<ColorValue> palette;
    for (int y = 0; y < 33; ++y) {
        for (int x = 0; x < 47; ++x) palette.insert(source.PixelAt(x, y));
    }
    for (const Rect rect : {Rect{1, 2, 24, 19}, Rect{0, 0, 100, 71}, Rect{3, 1, 5, 90}, Rect{0, 0, 1, 1}}) {
        TBitmap dest = testing::FilledPicture(110, 95, RGBColor(1, 1, 1));  // not in the random source (checked below)
        ASSERT_EQ(palette.count(RGBColor(1, 1, 1)), 0u);
        StretchCopy(dest, rect, source);
        for (int y = 0; y < dest.Height(); ++y) {
            for (int x = 0; x < dest.Width(); ++x) {
                const bool isInside = x >= rect.left && x < rect.right && y >= rect.top && y < rect.bottom;
                const ColorValue c = dest.PixelAt(x, y);
                if (isInside) {
                    ASSERT_EQ(palette.count(c), 1u) << x << "," << y;
                    ASSERT_EQ(c, source.PixelAt(NearestSourceIndex(x - rect.left, rect.Width(), 47),
                                                 NearestSourceIndex(y - rect.top, rect.Height(), 33)));
                } else {
                    ASSERT_EQ(c, RGBColor(1, 1, 1)) << x << "," << y;
                }
            }
        }
    }
}

TEST(StretchCopy, ClippingKeepsTheMappingOfTheWholeRectangle) {
    const TBitmap source = RandomPicture(13, 11, 2);
    TBitmap whole;
    whole.ChangeSize(20, 15);
    StretchCopy(whole, {0, 0, 20, 15}, source);
    TBitmap clipped;
    clipped.ChangeSize(10, 10);
    StretchCopy(clipped, {-5, -3, 15, 12}, source);
    for (int y = 0; y < 10; ++y) {
        for (int x = 0; x < 10; ++x) {
            const ColorValue expected = y + 3 < 15 ? whole.PixelAt(x + 5, y + 3) : kColorWhite;
            ASSERT_EQ(clipped.PixelAt(x, y), expected) << x << "," << y;
        }
    }
}

TEST(StretchCopy, RectanglesOutsideOrEmptyAndEmptySourcesDrawNothing) {
    const TBitmap source = RandomPicture(5, 5, 3);
    TBitmap dest = testing::FilledPicture(8, 6, RGBColor(1, 1, 1));
    const TBitmap before = dest;
    StretchCopy(dest, {8, 0, 20, 6}, source);
    StretchCopy(dest, {-10, -10, 0, 0}, source);
    StretchCopy(dest, {2, 2, 2, 5}, source);
    StretchCopy(dest, {5, 5, 2, 2}, source);  // mirrored
    StretchCopy(dest, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, TBitmap());
    EXPECT_TRUE(SamePixels(dest, before));
    TBitmap empty;
    StretchCopy(empty, {0, 0, 5, 5}, source);
    EXPECT_TRUE(empty.Empty());
}

TEST(StretchCopy, HugeRectangleAroundThePictureIsClippedNotOverflowed) {
    const TBitmap source = testing::FilledPicture(3, 3, RGBColor(7, 8, 9));
    TBitmap dest;
    dest.ChangeSize(4, 4);
    StretchCopy(dest, {INT_MIN, INT_MIN, INT_MAX, INT_MAX}, source);
    EXPECT_TRUE(SamePixels(dest, testing::FilledPicture(4, 4, RGBColor(7, 8, 9))));
}

TEST(StretchCopy, TransparentSourceLeavesItsColourOutWhenScaled) {
    TBitmap source = testing::FilledPicture(2, 2, RGBColor(50, 60, 70));
    source.SetPixelAt(1, 0, RGBColor(200, 0, 0));
    source.SetTransparent(true);  // automatic: the bottom-left colour
    TBitmap dest = testing::FilledPicture(4, 4, RGBColor(1, 1, 1));
    StretchCopy(dest, {0, 0, 4, 4}, source);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const ColorValue expected = (x >= 2 && y < 2) ? RGBColor(200, 0, 0) : RGBColor(1, 1, 1);
            EXPECT_EQ(dest.PixelAt(x, y), expected) << x << "," << y;
        }
    }
}

TEST(DrawAt, CopiesUnscaledAndClipsAtEveryEdge) {
    const TBitmap source = RandomPicture(6, 5, 4);
    TBitmap dest = testing::FilledPicture(7, 7, RGBColor(1, 1, 1));
    DrawAt(dest, -2, 4, source);
    for (int y = 0; y < 7; ++y) {
        for (int x = 0; x < 7; ++x) {
            const bool isCovered = x < 4 && y >= 4;
            EXPECT_EQ(dest.PixelAt(x, y), isCovered ? source.PixelAt(x + 2, y - 4) : RGBColor(1, 1, 1));
        }
    }
    DrawAt(dest, INT_MAX, INT_MAX, source);
    DrawAt(dest, INT_MIN, 0, source);
    EXPECT_EQ(dest.PixelAt(6, 6), RGBColor(1, 1, 1));
}

TEST(DrawAt, APictureDrawnOntoItselfIsUnchangedOrShiftedAsAWhole) {
    TBitmap picture = RandomPicture(9, 8, 5);
    const TBitmap original = RandomPicture(9, 8, 5);
    DrawAt(picture, 0, 0, picture);
    EXPECT_TRUE(SamePixels(picture, original));
    // Overlapping draw reads the picture as it was before the draw.
    DrawAt(picture, 1, 1, picture);
    for (int y = 1; y < 8; ++y) {
        for (int x = 1; x < 9; ++x) ASSERT_EQ(picture.PixelAt(x, y), original.PixelAt(x - 1, y - 1));
    }
}

TEST(DrawAt, DrawingIntoAnAssignedCopyLeavesTheOriginalAlone) {
    const TBitmap original = RandomPicture(6, 6, 6);
    TBitmap copy;
    copy.AssignFrom(original);
    DrawAt(copy, 0, 0, testing::FilledPicture(3, 3, kColorBlack));
    EXPECT_EQ(copy.PixelAt(0, 0), kColorBlack);
    EXPECT_TRUE(SamePixels(original, RandomPicture(6, 6, 6)));
}

TEST(DrawAt, AutomaticTransparencyLeavesOutEveryPixelOfTheBottomLeftColour) {
    const ColorValue key = RGBColor(0, 255, 0);
    TBitmap logo = testing::FilledPicture(5, 4, key);
    logo.SetPixelAt(2, 1, RGBColor(10, 10, 10));
    logo.SetPixelAt(4, 0, RGBColor(20, 20, 20));
    logo.SetTransparent(true);
    TBitmap dest = testing::FilledPicture(5, 4, kColorWhite);
    DrawAt(dest, 0, 0, logo);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 5; ++x) {
            const ColorValue expected = (x == 2 && y == 1) ? RGBColor(10, 10, 10)
                                        : (x == 4 && y == 0) ? RGBColor(20, 20, 20)
                                                             : kColorWhite;
            EXPECT_EQ(dest.PixelAt(x, y), expected) << x << "," << y;
        }
    }
}

TEST(DrawAt, FixedTransparentColourAndFlagOff) {
    TBitmap logo = testing::FilledPicture(3, 1, kColorWhite);
    logo.SetPixelAt(1, 0, RGBColor(1, 2, 3));
    logo.SetPixelAt(0, 0, RGBColor(9, 9, 9));  // bottom-left, not the fixed colour
    logo.SetTransparentColor(kColorWhite);
    TBitmap dest = testing::FilledPicture(3, 1, RGBColor(100, 100, 100));
    DrawAt(dest, 0, 0, logo);  // flag still off: a plain copy
    EXPECT_EQ(dest.PixelAt(2, 0), kColorWhite);
    dest = testing::FilledPicture(3, 1, RGBColor(100, 100, 100));
    logo.SetTransparent(true);
    DrawAt(dest, 0, 0, logo);
    EXPECT_EQ(dest.PixelAt(0, 0), RGBColor(9, 9, 9));
    EXPECT_EQ(dest.PixelAt(1, 0), RGBColor(1, 2, 3));
    EXPECT_EQ(dest.PixelAt(2, 0), RGBColor(100, 100, 100));
}

TEST(CopyArea, SameSizeCopiesExactlyWithoutTransparency) {
    TBitmap source = RandomPicture(10, 8, 7);
    source.SetTransparent(true);
    TBitmap dest = testing::FilledPicture(6, 6, RGBColor(1, 1, 1));
    CopyArea(dest, {1, 1, 5, 4}, source, {3, 2, 7, 5});
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 6; ++x) {
            const bool isCopied = x >= 1 && x < 5 && y >= 1 && y < 4;
            EXPECT_EQ(dest.PixelAt(x, y), isCopied ? source.PixelAt(x + 2, y + 1) : RGBColor(1, 1, 1));
        }
    }
}

TEST(CopyArea, SourceRectangleBeyondTheSourceLeavesThosePixels) {
    const TBitmap source = RandomPicture(4, 4, 8);
    TBitmap dest = testing::FilledPicture(4, 4, RGBColor(1, 1, 1));
    CopyArea(dest, {0, 0, 4, 4}, source, {2, -2, 6, 2});
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool isInside = x < 2 && y >= 2;
            EXPECT_EQ(dest.PixelAt(x, y), isInside ? source.PixelAt(x + 2, y - 2) : RGBColor(1, 1, 1));
        }
    }
}

TEST(CopyArea, DifferentSizesScaleByTheNearestRule) {
    const TBitmap source = RandomPicture(8, 8, 9);
    TBitmap dest;
    dest.ChangeSize(2, 2);
    CopyArea(dest, {0, 0, 2, 2}, source, {4, 4, 8, 8});
    EXPECT_EQ(dest.PixelAt(0, 0), source.PixelAt(5, 5));
    EXPECT_EQ(dest.PixelAt(1, 1), source.PixelAt(7, 7));
}

TEST(ImageBoxRect, LandscapeShrinksToTheBoxWidthAndCentres) {
    EXPECT_EQ(ImageBoxRect(400, 300, 213, 224, false, true, true), (Rect{0, 32, 213, 192}));
}

TEST(ImageBoxRect, SmallPictureKeepsItsSizeWhenProportional) {
    EXPECT_EQ(ImageBoxRect(100, 80, 213, 224, false, true, true), (Rect{56, 72, 156, 152}));
    EXPECT_EQ(ImageBoxRect(100, 80, 213, 224, false, true, false), (Rect{0, 0, 100, 80}));
}

TEST(ImageBoxRect, PortraitFitsTheHeightThenTheWidth) {
    EXPECT_EQ(ImageBoxRect(300, 400, 213, 224, false, true, false), (Rect{0, 0, 168, 224}));
    // Too wide after fitting the height: fit the width instead.
    EXPECT_EQ(ImageBoxRect(300, 300, 100, 200, false, true, false), (Rect{0, 0, 100, 100}));
}

TEST(ImageBoxRect, StretchWithoutProportionFillsTheBox) {
    EXPECT_EQ(ImageBoxRect(10, 10, 213, 224, true, false, true), (Rect{0, 0, 213, 224}));
    EXPECT_EQ(ImageBoxRect(0, 0, 50, 40, true, true, false), (Rect{0, 0, 50, 40}));
}

TEST(ImageBoxRect, RoundsHalvesToEvenAndTruncatesTheCentring) {
    EXPECT_EQ(ImageBoxRect(4, 1, 10, 100, true, true, false), (Rect{0, 0, 10, 2}));  // 2.5
    EXPECT_EQ(ImageBoxRect(4, 1, 14, 100, true, true, false), (Rect{0, 0, 14, 4}));  // 3.5
    // A picture larger than the box without scaling: (100 − 301) / 2 = −100.5, toward zero.
    EXPECT_EQ(ImageBoxRect(301, 100, 100, 100, false, false, true), (Rect{-100, 0, 201, 100}));
}

}  // namespace
}  // namespace stampwise
