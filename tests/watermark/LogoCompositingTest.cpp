#include "watermark/LogoCompositing.h"

#include <gtest/gtest.h>

#include <climits>

#include "watermark/StampReference.h"

namespace stampwise {
namespace {

using testing::FilledPicture;
using testing::PatternPicture;
using testing::ReferenceStamp;
using testing::SamePixels;

constexpr ColorValue kRed = RGBColor(255, 0, 0);
constexpr ColorValue kGreen = RGBColor(0, 255, 0);
constexpr ColorValue kBlue = RGBColor(0, 0, 255);

// ---- TrimLogo ----

TEST(TrimLogo, CutsAwayExactlyTheWhiteFrame) {
    // Margins of 2 left, 3 right, 1 top, 2 bottom around a drawing that touches each side once.
    TBitmap logo = FilledPicture(9, 7, kColorWhite);
    logo.SetPixelAt(2, 3, kRed);
    logo.SetPixelAt(5, 1, kGreen);
    logo.SetPixelAt(4, 4, RGBColor(10, 20, 30));

    const TBitmap trimmed = TrimLogo(logo);

    ASSERT_EQ(trimmed.Width(), 4);
    ASSERT_EQ(trimmed.Height(), 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(trimmed.PixelAt(x, y), logo.PixelAt(x + 2, y + 1)) << x << "," << y;
}

TEST(TrimLogo, LogoWithDrawingOnEveryEdgeIsUnchangedAndTrimmingAgainChangesNothing) {
    // White corners, but every edge row and column holds one non-white pixel.
    TBitmap logo = FilledPicture(6, 5, kColorWhite);
    logo.SetPixelAt(3, 0, kRed);
    logo.SetPixelAt(0, 2, kGreen);
    logo.SetPixelAt(5, 1, kBlue);
    logo.SetPixelAt(2, 4, RGBColor(1, 2, 3));

    const TBitmap trimmed = TrimLogo(logo);
    EXPECT_TRUE(SamePixels(trimmed, logo));
    EXPECT_TRUE(SamePixels(TrimLogo(trimmed), logo));
}

TEST(TrimLogo, OnlyExactWhiteCountsAsMargin) {
    TBitmap logo = FilledPicture(5, 4, kColorWhite);
    logo.SetPixelAt(3, 2, RGBColor(254, 255, 255));

    const TBitmap trimmed = TrimLogo(logo);
    ASSERT_EQ(trimmed.Width(), 1);
    ASSERT_EQ(trimmed.Height(), 1);
    EXPECT_EQ(trimmed.PixelAt(0, 0), RGBColor(254, 255, 255));
}

TEST(TrimLogo, AllWhiteOrEmptyLogoGivesAnEmptyLogo) {
    EXPECT_TRUE(TrimLogo(FilledPicture(7, 3, kColorWhite)).Empty());
    EXPECT_TRUE(TrimLogo(TBitmap()).Empty());
}

// ---- ComputeLogoSize ----

TEST(ComputeLogoSize, WidthAndHeightModesKeepProportionsWithHalvesToEven) {
    // 4 × 10 at width 1: height 2.5 → 2; at width 3: 7.5 → 8.
    EXPECT_EQ(ComputeLogoSize(4, 10, LogoSizeMode::Width, 1), (LogoSize{1, 2}));
    EXPECT_EQ(ComputeLogoSize(4, 10, LogoSizeMode::Width, 3), (LogoSize{3, 8}));
    EXPECT_EQ(ComputeLogoSize(4, 10, LogoSizeMode::Width, 7), (LogoSize{7, 18}));  // 17.5 → 18
    EXPECT_EQ(ComputeLogoSize(10, 4, LogoSizeMode::Height, 1), (LogoSize{2, 1}));
    EXPECT_EQ(ComputeLogoSize(10, 4, LogoSizeMode::Height, 3), (LogoSize{8, 3}));
    EXPECT_EQ(ComputeLogoSize(3, 7, LogoSizeMode::Height, 5), (LogoSize{2, 5}));  // 2.14 → 2
}

TEST(ComputeLogoSize, PercentIsOfTheLogosOwnSize) {
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Percent, 50), (LogoSize{60, 40}));
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Percent, 100), (LogoSize{120, 80}));
    EXPECT_EQ(ComputeLogoSize(5, 3, LogoSizeMode::Percent, 50), (LogoSize{2, 2}));  // 2.5, 1.5
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Percent, 250), (LogoSize{300, 200}));
}

TEST(ComputeLogoSize, ZeroAndNegativeValuesGiveNoStamp) {
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Percent, 0), (LogoSize{0, 0}));
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Width, 0), (LogoSize{0, 0}));
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Width, -5), (LogoSize{0, 0}));
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Height, -1), (LogoSize{0, 0}));
    EXPECT_EQ(ComputeLogoSize(120, 80, LogoSizeMode::Percent, -50), (LogoSize{0, 0}));
    EXPECT_EQ(ComputeLogoSize(0, 0, LogoSizeMode::Width, 50), (LogoSize{0, 0}));
}

TEST(ComputeLogoSize, HugeValuesSaturateInsteadOfWrapping) {
    EXPECT_EQ(ComputeLogoSize(1, 1000, LogoSizeMode::Width, INT_MAX), (LogoSize{INT_MAX, INT_MAX}));
    EXPECT_EQ(ComputeLogoSize(INT_MAX, INT_MAX, LogoSizeMode::Percent, INT_MAX),
              (LogoSize{INT_MAX, INT_MAX}));
}

// ---- FilterLogoNoise and PrepareLogo ----

TEST(FilterLogoNoise, ComparesPackedValuesSoBlueDecidesFirst) {
    // Level 10: the threshold is the grey (245, 245, 245).
    TBitmap picture = FilledPicture(5, 1, kColorWhite);
    picture.SetPixelAt(0, 0, kBlue);                        // packed above the grey: whitened
    picture.SetPixelAt(1, 0, RGBColor(200, 255, 240));      // blue 240 < 245: stays
    picture.SetPixelAt(2, 0, RGBColor(245, 245, 245));      // the threshold itself: whitened
    picture.SetPixelAt(3, 0, RGBColor(244, 245, 245));      // just below: stays
    picture.SetPixelAt(4, 0, RGBColor(255, 255, 244));      // bright but blue 244: stays

    const TBitmap filtered = FilterLogoNoise(picture, 10);

    EXPECT_EQ(filtered.PixelAt(0, 0), kColorWhite);
    EXPECT_EQ(filtered.PixelAt(1, 0), RGBColor(200, 255, 240));
    EXPECT_EQ(filtered.PixelAt(2, 0), kColorWhite);
    EXPECT_EQ(filtered.PixelAt(3, 0), RGBColor(244, 245, 245));
    EXPECT_EQ(filtered.PixelAt(4, 0), RGBColor(255, 255, 244));
    EXPECT_EQ(picture.PixelAt(0, 0), kBlue) << "a caller's own copy must not change";
}

TEST(FilterLogoNoise, LevelZeroKeepsEverythingAndLevel255WhitensEverything) {
    TBitmap picture = PatternPicture(7, 4);
    picture.SetPixelAt(1, 1, RGBColor(254, 255, 255));

    EXPECT_TRUE(SamePixels(FilterLogoNoise(picture, 0), picture));
    EXPECT_TRUE(SamePixels(FilterLogoNoise(picture, 255), FilledPicture(7, 4, kColorWhite)));
}

TEST(PrepareLogo, ScalesTheWholeLogoIntoTheStampThenFilters) {
    TBitmap logo = FilledPicture(2, 1, kRed);
    logo.SetPixelAt(1, 0, RGBColor(250, 250, 250));  // light grey: noise at level 10

    const TBitmap stamp = PrepareLogo(logo, 4, 3, 10);

    ASSERT_EQ(stamp.Width(), 4);
    ASSERT_EQ(stamp.Height(), 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(stamp.PixelAt(0, y), kRed);
        EXPECT_EQ(stamp.PixelAt(1, y), kRed);
        EXPECT_EQ(stamp.PixelAt(2, y), kColorWhite);
        EXPECT_EQ(stamp.PixelAt(3, y), kColorWhite);
    }
    EXPECT_TRUE(PrepareLogo(logo, 0, 3, 10).Empty());
    EXPECT_TRUE(PrepareLogo(logo, 4, -1, 10).Empty());
}

TEST(PrepareLogo, TakesThePixelsStretchCopyTakesAtEverySize) {
    TBitmap logo;
    logo.ChangeSize(47, 33);
    for (int y = 0; y < 33; ++y)
        for (int x = 0; x < 47; ++x) logo.SetPixelAt(x, y, RGBColor(5 * x, 7 * y, (x * y) % 200));
    TBitmap transparent = logo;
    transparent.SetTransparent(true);
    transparent.SetTransparentColor(logo.PixelAt(3, 4));
    const LogoSize sizes[] = {{47, 33}, {13, 50}, {100, 7}, {1, 1}, {46, 34}, {3, 200}};
    for (const TBitmap* source : {&logo, &transparent}) {
        for (const LogoSize& size : sizes) {
            SCOPED_TRACE(std::to_string(size.Width) + "x" + std::to_string(size.Height) +
                         (source->Transparent() ? " transparent" : ""));
            TBitmap expected;
            expected.ChangeSize(size.Width, size.Height);
            StretchCopy(expected, Rect{0, 0, size.Width, size.Height}, *source);
            EXPECT_TRUE(SamePixels(PrepareLogo(*source, size.Width, size.Height, 0), expected));
        }
    }
}

// ---- LogoRect ----

TEST(LogoRect, EveryPlacementOnAnOddSizedPicture) {
    // 101 × 51 picture, 20 × 10 stamp, margin 3; centred axes ignore the margin.
    auto rect = [](LogoPlacement p) { return LogoRect(p, 101, 51, 20, 10, 3); };
    EXPECT_EQ(rect(LogoPlacement::TopLeft), (Rect{3, 3, 23, 13}));
    EXPECT_EQ(rect(LogoPlacement::TopCenter), (Rect{40, 3, 60, 13}));
    EXPECT_EQ(rect(LogoPlacement::TopRight), (Rect{78, 3, 98, 13}));
    EXPECT_EQ(rect(LogoPlacement::Middle), (Rect{40, 20, 60, 30}));
    EXPECT_EQ(rect(LogoPlacement::BottomLeft), (Rect{3, 38, 23, 48}));
    EXPECT_EQ(rect(LogoPlacement::BottomCenter), (Rect{40, 38, 60, 48}));
    EXPECT_EQ(rect(LogoPlacement::BottomRight), (Rect{78, 38, 98, 48}));
}

TEST(LogoRect, CentringAStampLargerThanThePictureTruncatesTowardZero) {
    EXPECT_EQ(LogoRect(LogoPlacement::TopCenter, 200, 100, 300, 20, 10), (Rect{-50, 10, 250, 30}));
    // (7 − 10) / 2 is −1, not −2.
    EXPECT_EQ(LogoRect(LogoPlacement::Middle, 7, 7, 10, 10, 0), (Rect{-1, -1, 9, 9}));
}

TEST(LogoRect, ExtremeMarginsStayOutsideInsteadOfWrapping) {
    const Rect far = LogoRect(LogoPlacement::TopLeft, 100, 100, 20, 20, INT_MAX);
    EXPECT_GE(far.left, 100);
    EXPECT_GE(far.top, 100);
    const Rect before = LogoRect(LogoPlacement::BottomRight, 100, 100, 20, 20, INT_MAX);
    EXPECT_LE(before.right, 0);
    EXPECT_LE(before.bottom, 0);
}

// ---- BlendLogo ----

TEST(BlendLogo, TruncatesTheExactWeightedSum) {
    // At opacity 100: 200 under 100 gives 160 (160.78), 0 under 200 gives 78 (78.43).
    const TBitmap background = FilledPicture(1, 1, RGBColor(200, 0, 37));
    const TBitmap logo = FilledPicture(1, 1, RGBColor(100, 200, 0));
    TBitmap result;
    BlendLogo(background, logo, Rect{0, 0, 1, 1}, 100, result);
    EXPECT_EQ(result.PixelAt(0, 0), RGBColor(160, 78, 22));

    // At the most solid setting a white-ish but blended logo pixel barely shows the picture.
    BlendLogo(FilledPicture(1, 1, kColorBlack), FilledPicture(1, 1, RGBColor(255, 255, 204)),
              Rect{0, 0, 1, 1}, 254, result);
    EXPECT_EQ(result.PixelAt(0, 0), RGBColor(254, 254, 203));
}

TEST(BlendLogo, OnlyPackedValuesFrom0xFFFFCDAreSeeThrough) {
    const ColorValue ground = RGBColor(10, 20, 30);
    const TBitmap background = FilledPicture(4, 1, ground);
    TBitmap logo = FilledPicture(4, 1, kColorWhite);
    logo.SetPixelAt(0, 0, RGBColor(254, 255, 255));  // skipped
    logo.SetPixelAt(1, 0, RGBColor(204, 255, 255));  // red below 205: blended
    logo.SetPixelAt(2, 0, RGBColor(255, 254, 255));  // green below 255: blended
    logo.SetPixelAt(3, 0, RGBColor(205, 255, 255));  // exactly 0xFFFFCD: skipped

    TBitmap result;
    BlendLogo(background, logo, Rect{0, 0, 4, 1}, 100, result);

    EXPECT_EQ(result.PixelAt(0, 0), ground);
    EXPECT_EQ(result.PixelAt(1, 0), RGBColor(86, 112, 118));
    EXPECT_EQ(result.PixelAt(2, 0), RGBColor(106, 111, 118));
    EXPECT_EQ(result.PixelAt(3, 0), ground);
}

TEST(BlendLogo, ResultIsABackgroundCopyAndTheBackgroundStaysAsItWas) {
    const TBitmap background = PatternPicture(6, 5);
    const TBitmap untouched = PatternPicture(6, 5);
    TBitmap result = FilledPicture(2, 9, kRed);  // a slot holding some other picture is reused

    BlendLogo(background, FilledPicture(2, 2, kColorBlack), Rect{1, 1, 3, 3}, 200, result);

    EXPECT_TRUE(SamePixels(background, untouched));
    ASSERT_EQ(result.Width(), 6);
    ASSERT_EQ(result.Height(), 5);
    EXPECT_EQ(result.PixelAt(0, 0), background.PixelAt(0, 0));
    EXPECT_EQ(result.PixelAt(3, 3), background.PixelAt(3, 3));
    EXPECT_NE(result.PixelAt(1, 1), background.PixelAt(1, 1));
}

TEST(BlendLogo, BlendsIntoTheBackgroundItselfWhenItIsTheResult) {
    TBitmap picture = FilledPicture(3, 2, RGBColor(200, 200, 200));
    BlendLogo(picture, FilledPicture(1, 1, RGBColor(100, 100, 100)), Rect{2, 1, 3, 2}, 100, picture);
    EXPECT_EQ(picture.PixelAt(2, 1), RGBColor(160, 160, 160));
    EXPECT_EQ(picture.PixelAt(1, 1), RGBColor(200, 200, 200));
}

TEST(BlendLogo, AStampWiderThanThePictureShowsOnlyItsMiddleColumns) {
    // 300-wide stamp, 200-wide picture, TopCenter: left −50, stamp columns 50..249 at 0..199.
    // Opacity 255 copies the logo exactly, so each column shows which stamp column landed there.
    const TBitmap background = FilledPicture(200, 4, kColorBlack);
    TBitmap logo;
    logo.ChangeSize(300, 2);
    for (int x = 0; x < 300; ++x)
        for (int y = 0; y < 2; ++y) logo.SetPixelAt(x, y, RGBColor(x % 256, x / 256, y + 1));

    TBitmap result;
    BlendLogo(background, logo, LogoRect(LogoPlacement::TopCenter, 200, 4, 300, 2, 1), 255, result);

    for (int x = 0; x < 200; ++x) {
        ASSERT_EQ(result.PixelAt(x, 0), kColorBlack) << x;
        ASSERT_EQ(result.PixelAt(x, 1), logo.PixelAt(x + 50, 0)) << x;
        ASSERT_EQ(result.PixelAt(x, 2), logo.PixelAt(x + 50, 1)) << x;
        ASSERT_EQ(result.PixelAt(x, 3), kColorBlack) << x;
    }
}

TEST(BlendLogo, ANegativeMarginCutsOffTheStampsFirstRowsAndColumns) {
    const TBitmap background = FilledPicture(10, 9, kColorBlack);
    const TBitmap logo = PatternPicture(8, 7, 1);

    TBitmap result;
    BlendLogo(background, logo, LogoRect(LogoPlacement::TopLeft, 10, 9, 8, 7, -5), 255, result);

    for (int y = 0; y < 9; ++y)
        for (int x = 0; x < 10; ++x) {
            const ColorValue expected = x < 3 && y < 2 ? logo.PixelAt(x + 5, y + 5) : kColorBlack;
            ASSERT_EQ(result.PixelAt(x, y), expected) << x << "," << y;
        }
}

TEST(BlendLogo, ARectangleLargerThanTheLogoBlendsOnlyTheLogo) {
    const TBitmap background = FilledPicture(5, 5, kColorBlack);
    TBitmap result;
    BlendLogo(background, FilledPicture(2, 2, kRed), Rect{1, 1, 5, 5}, 255, result);
    EXPECT_EQ(result.PixelAt(2, 2), kRed);
    EXPECT_EQ(result.PixelAt(3, 1), kColorBlack);  // right of the logo's first row
    EXPECT_EQ(result.PixelAt(1, 3), kColorBlack);  // below its first column
}

// ---- StampLogo ----

TEST(StampLogo, OverlappingStampsAreBlendedInTheFixedOrder) {
    // A 30-wide picture and a 20-wide stamp: TopLeft covers columns 0..19, TopCenter 5..24. The
    // stamp's columns 10.. are black, the others grey, so at column 12 the TopLeft stamp brings
    // black and the TopCenter stamp (its column 7) grey: 200 → 121 → 112. In the other order it
    // would be 200 → 160 → 97.
    const TBitmap picture = FilledPicture(30, 6, RGBColor(200, 200, 200));
    TBitmap stamp = FilledPicture(20, 3, RGBColor(100, 100, 100));
    for (int x = 10; x < 20; ++x)
        for (int y = 0; y < 3; ++y) stamp.SetPixelAt(x, y, kColorBlack);

    const TBitmap result = StampLogo(
        picture, stamp, {LogoPlacement::TopCenter, LogoPlacement::TopLeft}, 0, 100);

    EXPECT_EQ(result.PixelAt(12, 1), RGBColor(112, 112, 112));
    EXPECT_EQ(result.PixelAt(2, 1), RGBColor(160, 160, 160));   // TopLeft alone
    EXPECT_EQ(result.PixelAt(22, 1), RGBColor(121, 121, 121));  // TopCenter alone (its column 17)
    EXPECT_EQ(result.PixelAt(27, 1), RGBColor(200, 200, 200));
    EXPECT_EQ(result.PixelAt(12, 4), RGBColor(200, 200, 200));
}

TEST(StampLogo, MatchesThePixelRulesForEveryPlacementAndClipsSmallPictures) {
    TBitmap stamp = PatternPicture(10, 6, 2);
    stamp.SetPixelAt(4, 3, kColorWhite);
    stamp.SetPixelAt(5, 3, RGBColor(210, 255, 255));
    for (const auto& [width, height] : {std::pair{47, 33}, std::pair{5, 4}, std::pair{11, 7}}) {
        const TBitmap picture = PatternPicture(width, height, 3);
        for (int margin : {2, 0, -3}) {
            const TBitmap result = StampLogo(picture, stamp, testing::kEveryPlacement, margin, 170);
            EXPECT_TRUE(SamePixels(result,
                                   ReferenceStamp(picture, stamp, testing::kEveryPlacement, margin, 170)))
                << width << "x" << height << " margin " << margin;
        }
    }
}

TEST(StampLogo, LeavesTheCallersPictureUnchanged) {
    const TBitmap picture = PatternPicture(12, 9);
    const TBitmap before = PatternPicture(12, 9);
    const TBitmap result = StampLogo(picture, FilledPicture(4, 4, kColorBlack), {LogoPlacement::Middle}, 0, 200);
    EXPECT_TRUE(SamePixels(picture, before));
    EXPECT_FALSE(SamePixels(result, before));
}

TEST(StampLogo, AMovedPictureIsStampedInItsOwnStorage) {
    TBitmap picture = PatternPicture(64, 48);
    const std::uint8_t* storage = picture.ScanLine(0);
    const TBitmap result =
        StampLogo(std::move(picture), FilledPicture(8, 8, kColorBlack), testing::kEveryPlacement, 4, 100);
    EXPECT_EQ(result.ScanLine(0), storage);
}

TEST(StampLogo, NothingIsStampedWithAnEmptyStampOrWithoutPlacements) {
    const TBitmap picture = PatternPicture(20, 10);
    const TBitmap logo = FilledPicture(6, 4, kColorBlack);

    // Stamp size 0, whether from percent 0 or width 0.
    for (const LogoSize size : {ComputeLogoSize(6, 4, LogoSizeMode::Percent, 0),
                                ComputeLogoSize(6, 4, LogoSizeMode::Width, 0)}) {
        const TBitmap stamp = PrepareLogo(logo, size.Width, size.Height, 10);
        EXPECT_TRUE(SamePixels(StampLogo(picture, stamp, testing::kEveryPlacement, 1, 254), picture));
    }
    EXPECT_TRUE(SamePixels(StampLogo(picture, TBitmap(), testing::kEveryPlacement, 1, 254), picture));
    EXPECT_TRUE(SamePixels(StampLogo(picture, logo, {}, 1, 254), picture));
}

TEST(StampLogo, NoiseFilterDecidesWhatIsStamped) {
    const TBitmap picture = PatternPicture(20, 10);
    auto stampedWith = [&](ColorValue colour, int level) {
        return StampLogo(picture, PrepareLogo(FilledPicture(3, 3, colour), 6, 4, level),
                         testing::kEveryPlacement, 1, 254);
    };
    // At level 10 pure blue lies above the grey threshold and vanishes; red and green stay.
    EXPECT_TRUE(SamePixels(stampedWith(kBlue, 10), picture));
    EXPECT_FALSE(SamePixels(stampedWith(kRed, 10), picture));
    EXPECT_FALSE(SamePixels(stampedWith(kGreen, 10), picture));
    // Level 255 whitens every stamp, so nothing at all is stamped.
    EXPECT_TRUE(SamePixels(stampedWith(kColorBlack, 255), picture));
}

}  // namespace
}  // namespace stampwise
