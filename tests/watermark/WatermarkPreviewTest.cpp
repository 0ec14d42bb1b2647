#include "watermark/WatermarkPreview.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <string>

#include "batch/FailureReasons.h"
#include "support/TempFolder.h"
#include "support/TestBmpFiles.h"
#include "support/TestJpegFiles.h"
#include "watermark/StampReference.h"
#include "watermark/WatermarkStep.h"

namespace stampwise {
namespace {

using testing::BlendChannel;
using testing::FilledPicture;
using testing::PatternPicture;
using testing::SamePixels;

// The column where row y of the two-colour sample turns black, computed in floating point with the
// default ties-to-even rounding, independently of the integer rule in the code.
int FirstBlackColumn(int y) {
    return static_cast<int>(std::nearbyint((150 - y) * 200.0 / 150.0));
}

ColorValue Blended(ColorValue picture, ColorValue logo, int opacity) {
    return RGBColor(BlendChannel(RedOf(picture), RedOf(logo), opacity),
                    BlendChannel(GreenOf(picture), GreenOf(logo), opacity),
                    BlendChannel(BlueOf(picture), BlueOf(logo), opacity));
}

// Left half one colour, right half another, so a copy shows which way it was scaled.
TBitmap TwoHalves(int width, int height, ColorValue left, ColorValue right) {
    TBitmap picture = FilledPicture(width, height, left);
    for (int y = 0; y < height; ++y)
        for (int x = width / 2; x < width; ++x) picture.SetPixelAt(x, y, right);
    return picture;
}

constexpr ColorValue kRed = RGBColor(200, 20, 20);
constexpr ColorValue kBlue = RGBColor(20, 20, 200);
constexpr ColorValue kGrey = RGBColor(120, 120, 120);

TEST(TwoColourSample, EveryRowTurnsBlackAtTheDiagonalFromBottomLeftToTopRight) {
    const TBitmap sample = MakeTwoColourSample();
    ASSERT_EQ(sample.Width(), 200);
    ASSERT_EQ(sample.Height(), 150);
    for (int y = 0; y < 150; ++y) {
        const int firstBlack = FirstBlackColumn(y);
        for (int x = 0; x < 200; ++x) {
            ASSERT_EQ(sample.PixelAt(x, y), x < firstBlack ? kColorWhite : kColorBlack)
                << "at " << x << "," << y;
        }
    }
    // The corners: the top row stays white, the bottom row is black from column 1 (round(4/3)).
    EXPECT_EQ(FirstBlackColumn(0), 200);
    EXPECT_EQ(FirstBlackColumn(149), 1);
    EXPECT_EQ(sample.PixelAt(0, 149), kColorWhite);
}

TEST(ReducedLogoSize, FitsTheWidthFirstThenTheHeightWithHalvesToEven) {
    EXPECT_EQ(ReducedLogoSize(120, 80, 200, 150), (LogoSize{120, 80}));
    EXPECT_EQ(ReducedLogoSize(200, 150, 200, 150), (LogoSize{200, 150}));
    EXPECT_EQ(ReducedLogoSize(400, 150, 200, 150), (LogoSize{200, 75}));   // twice as wide: half size
    EXPECT_EQ(ReducedLogoSize(100, 300, 200, 150), (LogoSize{50, 150}));   // only too tall
    EXPECT_EQ(ReducedLogoSize(400, 1000, 200, 150), (LogoSize{200, 500})); // width first, stays tall
    EXPECT_EQ(ReducedLogoSize(400, 5, 200, 150), (LogoSize{200, 2}));      // 2.5 goes to 2
    EXPECT_EQ(ReducedLogoSize(400, 7, 200, 150), (LogoSize{200, 4}));      // 3.5 goes to 4
    EXPECT_EQ(ReducedLogoSize(1000, 1, 200, 150), (LogoSize{200, 0}));     // too thin to show
}

TEST(PreviewLogoCopy, ReducedCopyIsTheLogoScaledWithoutNewColours) {
    const TBitmap logo = TwoHalves(400, 150, kRed, kBlue);
    const TBitmap copy = MakePreviewLogoCopy(logo, PreviewZoom::Reduced, 200, 150, 200, 150);
    ASSERT_EQ(copy.Width(), 200);
    ASSERT_EQ(copy.Height(), 75);
    for (int y = 0; y < 75; ++y) {
        EXPECT_EQ(copy.PixelAt(0, y), kRed);
        EXPECT_EQ(copy.PixelAt(99, y), kRed);
        EXPECT_EQ(copy.PixelAt(100, y), kBlue);
        EXPECT_EQ(copy.PixelAt(199, y), kBlue);
    }
    const TBitmap small = PatternPicture(47, 33);
    EXPECT_TRUE(SamePixels(MakePreviewLogoCopy(small, PreviewZoom::Reduced, 200, 150, 200, 150), small));
}

TEST(PreviewLogoCopy, FullSizeCopyIsCutOrExtendedWithWhiteToTheBackground) {
    const TBitmap large = PatternPicture(300, 200);
    const TBitmap cut = MakePreviewLogoCopy(large, PreviewZoom::FullSize, 200, 150, 200, 150);
    ASSERT_EQ(cut.Width(), 200);
    ASSERT_EQ(cut.Height(), 150);
    EXPECT_EQ(cut.PixelAt(0, 0), large.PixelAt(0, 0));
    EXPECT_EQ(cut.PixelAt(199, 149), large.PixelAt(199, 149));

    const TBitmap small = PatternPicture(47, 33);
    const TBitmap extended = MakePreviewLogoCopy(small, PreviewZoom::FullSize, 200, 150, 260, 180);
    ASSERT_EQ(extended.Width(), 260);
    ASSERT_EQ(extended.Height(), 180);
    EXPECT_EQ(extended.PixelAt(46, 32), small.PixelAt(46, 32));
    EXPECT_EQ(extended.PixelAt(47, 0), kColorWhite);
    EXPECT_EQ(extended.PixelAt(0, 33), kColorWhite);
    EXPECT_EQ(extended.PixelAt(259, 179), kColorWhite);
}

TEST(ComposePreview, BlendsTheLogoAtTheTopLeftOfTheSamplePicture) {
    const TBitmap sample = FilledPicture(200, 150, RGBColor(200, 200, 200));
    const TBitmap logo = FilledPicture(30, 20, RGBColor(100, 100, 100));
    PreviewSettings settings;  // painted, reduced, opacity 100, noise 10
    const TBitmap composite = ComposePreview(logo, &sample, settings);
    ASSERT_EQ(composite.Width(), 200);
    ASSERT_EQ(composite.Height(), 150);
    // b · 200 + a · 100 = 160.78 at opacity 100, truncated.
    EXPECT_EQ(composite.PixelAt(0, 0), RGBColor(160, 160, 160));
    EXPECT_EQ(composite.PixelAt(29, 19), RGBColor(160, 160, 160));
    EXPECT_EQ(composite.PixelAt(30, 0), RGBColor(200, 200, 200));
    EXPECT_EQ(composite.PixelAt(0, 20), RGBColor(200, 200, 200));
    EXPECT_EQ(sample.PixelAt(0, 0), RGBColor(200, 200, 200));  // the sample itself is untouched
}

TEST(ComposePreview, OnTheTwoColourSampleTheBlackTriangleIsBlendedToo) {
    const TBitmap sample = FilledPicture(200, 150, kGrey);
    const TBitmap logo = FilledPicture(200, 150, RGBColor(200, 200, 200));
    PreviewSettings settings;
    settings.Background = PreviewBackground::TwoColour;
    const TBitmap composite = ComposePreview(logo, &sample, settings);
    EXPECT_EQ(composite.PixelAt(199, 149), RGBColor(78, 78, 78));  // over black: 78.43
    EXPECT_EQ(composite.PixelAt(0, 0), Blended(kColorWhite, RGBColor(200, 200, 200), 100));
}

TEST(ComposePreview, TheReducedCopyFitsTheSamplePictureEvenOnTheTwoColourSample) {
    const TBitmap sample = FilledPicture(100, 75, kGrey);
    const TBitmap logo = FilledPicture(200, 150, kRed);
    PreviewSettings settings;
    settings.Background = PreviewBackground::TwoColour;
    settings.Opacity = 254;
    const TBitmap composite = ComposePreview(logo, &sample, settings);
    ASSERT_EQ(composite.Width(), 200);
    EXPECT_EQ(composite.PixelAt(99, 74), Blended(kColorWhite, kRed, 254));
    EXPECT_EQ(composite.PixelAt(100, 74), kColorWhite);
    EXPECT_EQ(composite.PixelAt(199, 149), kColorBlack);
}

TEST(ComposePreview, FullSizeLogoCoversTheWholeBackgroundWhereItIsNotWhite) {
    const TBitmap sample = FilledPicture(260, 180, kGrey);
    const TBitmap logo = TwoHalves(20, 10, kRed, kBlue);
    PreviewSettings settings;
    settings.Zoom = PreviewZoom::FullSize;
    const TBitmap composite = ComposePreview(logo, &sample, settings);
    ASSERT_EQ(composite.Width(), 260);
    ASSERT_EQ(composite.Height(), 180);
    EXPECT_EQ(composite.PixelAt(0, 0), Blended(kGrey, kRed, 100));
    EXPECT_EQ(composite.PixelAt(19, 9), Blended(kGrey, kBlue, 100));
    // The white the copy was extended with is see-through.
    EXPECT_EQ(composite.PixelAt(20, 0), kGrey);
    EXPECT_EQ(composite.PixelAt(259, 179), kGrey);
}

TEST(ComposePreview, NoiseLevel255MakesTheLogoVanish) {
    const TBitmap sample = PatternPicture(200, 150, 3);
    const TBitmap logo = PatternPicture(60, 40, 9);
    PreviewSettings settings;
    settings.NoiseLevel = 255;
    settings.Opacity = 254;
    EXPECT_TRUE(SamePixels(ComposePreview(logo, &sample, settings), sample));
    settings.Background = PreviewBackground::TwoColour;
    EXPECT_TRUE(SamePixels(ComposePreview(logo, &sample, settings), MakeTwoColourSample()));
}

TEST(ComposePreview, WithoutASamplePictureTheTwoColourSampleAndTheBoxSizeStandIn) {
    const TBitmap logo = FilledPicture(400, 150, kRed);
    PreviewSettings settings;  // painted background asked for
    settings.Opacity = 254;
    const TBitmap empty;
    for (const TBitmap* missing : {static_cast<const TBitmap*>(nullptr), &empty}) {
        const TBitmap composite = ComposePreview(logo, missing, settings);
        ASSERT_EQ(composite.Width(), 200);
        ASSERT_EQ(composite.Height(), 150);
        EXPECT_EQ(composite.PixelAt(0, 74), Blended(kColorWhite, kRed, 254));  // fitted: 200 × 75
        EXPECT_EQ(composite.PixelAt(0, 75), kColorWhite);
        EXPECT_EQ(composite.PixelAt(199, 149), kColorBlack);
    }
}

TEST(DrawPreviewOnSurface, DrawsOverTheEarlierContentsWithoutClearingThem) {
    TBitmap surface;
    DrawPreviewOnSurface(surface, FilledPicture(50, 40, kRed));
    ASSERT_EQ(surface.Width(), 200);
    ASSERT_EQ(surface.Height(), 150);
    EXPECT_EQ(surface.PixelAt(49, 39), kRed);
    EXPECT_EQ(surface.PixelAt(50, 0), kColorWhite);  // the new surface is white

    DrawPreviewOnSurface(surface, FilledPicture(20, 10, kBlue));
    EXPECT_EQ(surface.PixelAt(19, 9), kBlue);
    EXPECT_EQ(surface.PixelAt(20, 0), kRed);  // the earlier drawing stays beyond the smaller one

    const TBitmap large = PatternPicture(300, 200);
    DrawPreviewOnSurface(surface, large);
    ASSERT_EQ(surface.Width(), 200);  // cut off, never enlarged
    EXPECT_EQ(surface.PixelAt(199, 149), large.PixelAt(199, 149));
}

TEST(TransparencyHint, PercentIsRoundedToEvenAtEveryPosition) {
    EXPECT_EQ(TransparencyHint(50), "Прозрачно на 80%");
    EXPECT_EQ(TransparencyHint(100), "Прозрачно на 61%");
    EXPECT_EQ(TransparencyHint(254), "Прозрачно на 0%");
    ASSERT_EQ(std::fegetround(), FE_TONEAREST);
    for (int position = 50; position <= 254; ++position) {
        EXPECT_EQ(TransparencyPercent(position),
                  static_cast<int>(std::nearbyint((1.0 - position / 255.0) * 100.0)))
            << position;
    }
}

TEST(LogoSizeText, NamesWidthThenHeight) {
    EXPECT_EQ(LogoSizeText(120, 80), "Размер изображения 120x80 пикс.");
    EXPECT_EQ(LogoSizeText(1, 12345), "Размер изображения 1x12345 пикс.");
}

TEST(UpperCaseExtension, IsTheFileNamesLastDotAndWhatFollows) {
    EXPECT_EQ(UpperCaseExtension("/photos/logo.jpg"), ".JPG");
    EXPECT_EQ(UpperCaseExtension("/photos/logo.Bmp"), ".BMP");
    EXPECT_EQ(UpperCaseExtension("/photos/logo.tar.jpeg"), ".JPEG");
    EXPECT_EQ(UpperCaseExtension("/photos/Логотип.jpg"), ".JPG");
    EXPECT_EQ(UpperCaseExtension("/photos/logo."), ".");
    EXPECT_EQ(UpperCaseExtension("/photos.2024/logo"), "");
    EXPECT_EQ(UpperCaseExtension("logo"), "");
}

class LogoFiles : public ::testing::Test {
protected:
    testing::TempFolder folder;
};

TEST_F(LogoFiles, ABmpLogoLosesExactlyItsWhiteFrame) {
    TBitmap framed = FilledPicture(300, 200, kColorWhite);
    const TBitmap drawing = PatternPicture(280, 180, 4);
    CopyArea(framed, Rect{10, 10, 290, 190}, drawing, Rect{0, 0, 280, 180});
    const std::string path = folder / "logo.bmp";
    testing::WriteTestBmp(path, framed);

    const LogoLoad load = LoadLogoFile(path);
    ASSERT_EQ(load.Result, LogoLoad::Outcome::Loaded) << load.Message;
    EXPECT_TRUE(SamePixels(load.Logo, drawing));
    EXPECT_EQ(load.Message, "");
}

TEST_F(LogoFiles, AJpegLogoIsReadWhateverTheCaseOfItsExtension) {
    for (const char* name : {"lower.jpg", "UPPER.JPG", "Mixed.jPg"}) {
        const std::string path = folder / name;
        testing::WriteTestJpeg(path, 31, 17);
        const LogoLoad load = LoadLogoFile(path);
        ASSERT_EQ(load.Result, LogoLoad::Outcome::Loaded) << name << ": " << load.Message;
        EXPECT_EQ(load.Logo.Width(), 31);
        EXPECT_EQ(load.Logo.Height(), 17);
        EXPECT_TRUE(testing::ColorsClose(load.Logo.PixelAt(0, 0), testing::kTestLeftColor));
    }
}

TEST_F(LogoFiles, OtherExtensionsAreNotReadAtAll) {
    // A real JPEG file named ".jpeg" is still refused: only ".JPG" and ".BMP" are read.
    const std::string jpeg = folder / "photo.jpeg";
    testing::WriteTestJpeg(jpeg, 8, 8);
    for (const std::string& path : {jpeg, folder / "missing.png", folder / "noextension"}) {
        const LogoLoad load = LoadLogoFile(path);
        EXPECT_EQ(load.Result, LogoLoad::Outcome::UnsupportedFormat) << path;
        EXPECT_EQ(load.Message, "Работа с файлами этого формата не поддерживается!");
        EXPECT_TRUE(load.Logo.Empty());
    }
}

TEST_F(LogoFiles, AnAllWhiteLogoIsRefused) {
    const std::string path = folder / "white.bmp";
    testing::WriteTestBmp(path, FilledPicture(40, 30, kColorWhite));
    const LogoLoad load = LoadLogoFile(path);
    EXPECT_EQ(load.Result, LogoLoad::Outcome::AllWhite);
    EXPECT_EQ(load.Message, "В картинке логотипа нет ни одной точки, кроме белых!");
    EXPECT_EQ(load.Message, kEmptyLogoText);
    EXPECT_TRUE(load.Logo.Empty());
}

// Named as the file list names a file it cannot show, and why on the next line.
TEST_F(LogoFiles, AFileThatFailsToReadIsNamedWithItsReason) {
    const auto named = [](const std::string& path, const LogoLoad& load) {
        return load.Result == LogoLoad::Outcome::ReadFailed &&
               load.Message == OpenErrorText(path) + "\n\r" + load.Reason;
    };
    const std::string missing = folder / "missing.bmp";
    LogoLoad load = LoadLogoFile(missing);
    EXPECT_TRUE(named(missing, load)) << load.Message;
    EXPECT_EQ(load.Reason.rfind("Не удалось прочитать файл: нет такого файла или папки (Cannot open file \"" +
                                    missing + "\".", 0),
              0u)
        << load.Reason;

    const std::string broken = folder.WriteFile("broken.bmp", "BM not really a bitmap");
    load = LoadLogoFile(broken);
    EXPECT_TRUE(named(broken, load)) << load.Message;
    EXPECT_FALSE(load.Reason.empty());

    // An empty file is no logo, not an all-white one.
    const std::string empty = folder.WriteFile("empty.bmp", "");
    load = LoadLogoFile(empty);
    EXPECT_TRUE(named(empty, load)) << load.Message;
    EXPECT_EQ(load.Reason, "Stream read error");

    // A damaged logo would be stamped damaged on every picture.
    const std::string cut = folder / "cut.jpg";
    testing::WriteTestJpeg(cut, 64, 48);
    testing::CutShort(cut);
    load = LoadLogoFile(cut);
    EXPECT_TRUE(named(cut, load)) << load.Message;
    EXPECT_EQ(load.Reason, "Данные картинки обрываются (Premature end of JPEG file)");

    // A bitmap file named ".jpg" is read as a JPEG picture, and fails as one.
    const std::string bmpAsJpg = folder / "bitmap.jpg";
    testing::WriteTestBmp(bmpAsJpg, PatternPicture(8, 8));
    load = LoadLogoFile(bmpAsJpg);
    EXPECT_TRUE(named(bmpAsJpg, load)) << load.Message;
    EXPECT_EQ(load.Reason.rfind("Файл — не картинка JPEG (JPEG error #", 0), 0u) << load.Reason;
    EXPECT_TRUE(load.Logo.Empty());
}

}  // namespace
}  // namespace stampwise
