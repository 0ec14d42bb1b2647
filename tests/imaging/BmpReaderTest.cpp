// BMP files and bitmap resources: every layout the reader widens, and hostile headers that must
// fail with the reader's messages instead of reading or writing outside a buffer.
#include <gtest/gtest.h>

#include <random>

#include "imaging/Bitmap.h"
#include "imaging/ImageErrors.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"

namespace stampwise {
namespace {

using Bytes = std::vector<std::uint8_t>;

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b[at] = v & 0xFF;
    b[at + 1] = (v >> 8) & 0xFF;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

// The parts of a BMP file, assembled by Build(); fields left alone are consistent.
struct BmpSpec {
    std::uint32_t headerBytes = 40;
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageBytes = 0;
    std::uint32_t colorsUsed = 0;
    Bytes masks;    // written right after a 40-byte header
    Bytes palette;  // written as given (4-byte or, after a core header, 3-byte entries)
    Bytes pixels;
    std::optional<std::uint32_t> offBits;  // default: where the pixels are

    Bytes Dib() const {
        // Room for every field even when the header claims to be shorter; cut to its size below.
        Bytes b(std::max<std::uint32_t>(headerBytes, 40), 0);
        Put32(b, 0, headerBytes);
        if (headerBytes == 12) {
            Put16(b, 4, static_cast<std::uint32_t>(width));
            Put16(b, 6, static_cast<std::uint32_t>(height));
            Put16(b, 8, planes);
            Put16(b, 10, bitCount);
        } else {
            Put32(b, 4, static_cast<std::uint32_t>(width));
            Put32(b, 8, static_cast<std::uint32_t>(height));
            Put16(b, 12, planes);
            Put16(b, 14, bitCount);
            Put32(b, 16, compression);
            Put32(b, 20, imageBytes);
            Put32(b, 32, colorsUsed);
        }
        b.resize(headerBytes);
        b.insert(b.end(), masks.begin(), masks.end());
        b.insert(b.end(), palette.begin(), palette.end());
        b.insert(b.end(), pixels.begin(), pixels.end());
        return b;
    }

    Bytes File() const {
        const Bytes dib = Dib();
        Bytes b(14, 0);
        b[0] = 'B';
        b[1] = 'M';
        Put32(b, 2, static_cast<std::uint32_t>(14 + dib.size()));
        Put32(b, 10, offBits.value_or(static_cast<std::uint32_t>(14 + dib.size() - pixels.size())));
        b.insert(b.end(), dib.begin(), dib.end());
        return b;
    }
};

Bytes Quad(std::uint8_t r, std::uint8_t g, std::uint8_t b) { return {b, g, r, 0}; }
Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

class BmpFiles : public ::testing::Test {
protected:
    TBitmap Read(const Bytes& file) {
        const std::string path = folder.String() + "/test.bmp";
        testing::WriteBytes(path, file);
        TBitmap bitmap;
        bitmap.ReadBmpFile(path);
        return bitmap;
    }
    std::string ErrorOf(const Bytes& file) {
        try {
            Read(file);
        } catch (const EImageError& e) {
            return e.what();
        }
        return "no error";
    }
    testing::TempFolder folder;
};

constexpr const char* kInvalid = "Bitmap image is not valid";
constexpr const char* kShort = "Stream read error";

// 3 × 2, bottom-up, rows padded from 9 to 12 bytes.
BmpSpec TwentyFourBit() {
    BmpSpec s;
    s.width = 3;
    s.height = 2;
    s.pixels = {// bottom row: blue-green-red stored B, G, R
                1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0,
                // top row
                10, 11, 12, 13, 14, 15, 16, 17, 18, 0, 0, 0};
    return s;
}

TEST_F(BmpFiles, TwentyFourBitRowsAreBottomUpAndBgr) {
    const TBitmap b = Read(TwentyFourBit().File());
    ASSERT_EQ(b.Width(), 3);
    ASSERT_EQ(b.Height(), 2);
    EXPECT_EQ(b.PixelAt(0, 1), RGBColor(3, 2, 1));
    EXPECT_EQ(b.PixelAt(2, 1), RGBColor(9, 8, 7));
    EXPECT_EQ(b.PixelAt(0, 0), RGBColor(12, 11, 10));
    EXPECT_EQ(b.PixelAt(2, 0), RGBColor(18, 17, 16));
}

TEST_F(BmpFiles, NegativeHeightIsTopDown) {
    BmpSpec s = TwentyFourBit();
    s.height = -2;
    const TBitmap b = Read(s.File());
    EXPECT_EQ(b.Height(), 2);
    EXPECT_EQ(b.PixelAt(0, 0), RGBColor(3, 2, 1));
}

TEST_F(BmpFiles, PaletteDepthsAreWidenedThroughTheColourTable) {
    BmpSpec eight;
    eight.bitCount = 8;
    eight.width = 3;
    eight.colorsUsed = 3;
    eight.palette = Join({Quad(10, 20, 30), Quad(40, 50, 60), Quad(70, 80, 90)});
    eight.pixels = {2, 0, 7, 0};  // index 7 is beyond the table: black
    TBitmap b = Read(eight.File());
    EXPECT_EQ(b.PixelAt(0, 0), RGBColor(70, 80, 90));
    EXPECT_EQ(b.PixelAt(1, 0), RGBColor(10, 20, 30));
    EXPECT_EQ(b.PixelAt(2, 0), kColorBlack);

    BmpSpec four;
    four.bitCount = 4;
    four.width = 3;
    four.palette = Bytes(16 * 4, 0);
    for (int i = 0; i < 16; ++i) four.palette[4 * i + 2] = static_cast<std::uint8_t>(i * 16);  // red
    four.pixels = {0x5A, 0x30, 0, 0};
    b = Read(four.File());
    EXPECT_EQ(b.PixelAt(0, 0), RGBColor(5 * 16, 0, 0));
    EXPECT_EQ(b.PixelAt(1, 0), RGBColor(10 * 16, 0, 0));
    EXPECT_EQ(b.PixelAt(2, 0), RGBColor(3 * 16, 0, 0));

    BmpSpec one;
    one.bitCount = 1;
    one.width = 10;
    one.palette = Join({Quad(0, 0, 0), Quad(255, 255, 255)});
    one.pixels = {0b10110000, 0b01000000, 0, 0};
    b = Read(one.File());
    const ColorValue expected[10] = {kColorWhite, kColorBlack, kColorWhite, kColorWhite, kColorBlack,
                                     kColorBlack, kColorBlack, kColorBlack, kColorBlack, kColorWhite};
    for (int x = 0; x < 10; ++x) EXPECT_EQ(b.PixelAt(x, 0), expected[x]) << x;
    // Automatic transparency of a 1-bit picture is white whatever its bottom-left pixel.
    EXPECT_TRUE(b.IsMonochrome());
    EXPECT_EQ(b.EffectiveTransparentColor(), kColorWhite);
}

TEST_F(BmpFiles, CoreHeaderHasThreeByteColourEntries) {
    BmpSpec s;
    s.headerBytes = 12;
    s.bitCount = 8;
    s.width = 2;
    s.palette = Bytes(256 * 3, 0);
    s.palette[3 * 1 + 0] = 30;  // B
    s.palette[3 * 1 + 1] = 20;  // G
    s.palette[3 * 1 + 2] = 10;  // R
    s.pixels = {1, 0, 0, 0};
    const TBitmap b = Read(s.File());
    EXPECT_EQ(b.PixelAt(0, 0), RGBColor(10, 20, 30));
    EXPECT_EQ(b.PixelAt(1, 0), kColorBlack);
}

TEST_F(BmpFiles, SixteenAndThirtyTwoBitUnpackTheirMasks) {
    BmpSpec rgb555;
    rgb555.bitCount = 16;
    rgb555.width = 2;
    rgb555.pixels = {0xFF, 0x7F, 0x00, 0x7C};  // white, pure red
    TBitmap b = Read(rgb555.File());
    EXPECT_EQ(b.PixelAt(0, 0), kColorWhite);
    EXPECT_EQ(b.PixelAt(1, 0), RGBColor(255, 0, 0));

    BmpSpec rgb565 = rgb555;
    rgb565.compression = 3;
    rgb565.masks = Bytes(12, 0);
    Put32(rgb565.masks, 0, 0xF800);
    Put32(rgb565.masks, 4, 0x07E0);
    Put32(rgb565.masks, 8, 0x001F);
    rgb565.pixels = {0xE0, 0x07, 0x1F, 0x00};  // full green, full blue
    b = Read(rgb565.File());
    EXPECT_EQ(b.PixelAt(0, 0), RGBColor(0, 255, 0));
    EXPECT_EQ(b.PixelAt(1, 0), RGBColor(0, 0, 255));

    BmpSpec x888;
    x888.bitCount = 32;
    x888.width = 1;
    x888.pixels = {30, 20, 10, 0xEE};  // B, G, R, unused
    EXPECT_EQ(Read(x888.File()).PixelAt(0, 0), RGBColor(10, 20, 30));

    BmpSpec masked = x888;  // red in the low byte
    masked.compression = 3;
    masked.masks = Bytes(12, 0);
    Put32(masked.masks, 0, 0x000000FF);
    Put32(masked.masks, 4, 0x0000FF00);
    Put32(masked.masks, 8, 0x00FF0000);
    EXPECT_EQ(Read(masked.File()).PixelAt(0, 0), RGBColor(30, 20, 10));
}

TEST_F(BmpFiles, Rle8ExpandsRunsLiteralsDeltasAndLeavesSkippedPixelsBlack) {
    BmpSpec s;
    s.bitCount = 8;
    s.compression = 1;
    s.width = 5;
    s.height = 3;
    s.colorsUsed = 3;
    s.palette = Join({Quad(1, 1, 1), Quad(100, 0, 0), Quad(0, 100, 0)});
    s.pixels = {2, 1,              // bottom row: 2 × index 1
                0, 3, 2, 0, 2, 0,  // literal 2, 0, 2 (padded)
                0, 0,              // end of line
                0, 2, 1, 1,        // delta: right 1, up 1 (to the top row, x 1)
                2, 2,              // 2 × index 2 at x 1..2
                0, 1};             // end of bitmap
    const TBitmap b = Read(s.File());
    const ColorValue red = RGBColor(100, 0, 0), green = RGBColor(0, 100, 0), grey = RGBColor(1, 1, 1);
    const ColorValue expected[3][5] = {{kColorBlack, green, green, kColorBlack, kColorBlack},
                                       {kColorBlack, kColorBlack, kColorBlack, kColorBlack, kColorBlack},
                                       {red, red, green, grey, green}};
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 5; ++x) EXPECT_EQ(b.PixelAt(x, y), expected[y][x]) << x << "," << y;
    }
}

// ImageMagick encodes each row's padding too: 5 pixels are stored as runs of 8, the padded stride.
TEST_F(BmpFiles, Rle8RunsIntoTheRowsPaddingAreReadWithoutThePadding) {
    BmpSpec s;
    s.bitCount = 8;
    s.compression = 1;
    s.width = 5;
    s.height = 2;
    s.colorsUsed = 2;
    s.palette = Join({Quad(0, 0, 0), Quad(200, 10, 10)});
    s.pixels = {8, 1, 0, 0,                          // bottom row: 8 × red, three in the padding
                0, 8, 0, 1, 0, 1, 0, 1, 0, 1, 0, 1}; // top row: a literal over the whole stride; end
    const TBitmap b = Read(s.File());
    ASSERT_EQ(b.Width(), 5);
    const ColorValue red = RGBColor(200, 10, 10);
    for (int x = 0; x < 5; ++x) {
        EXPECT_EQ(b.PixelAt(x, 1), red) << x;
        EXPECT_EQ(b.PixelAt(x, 0), x % 2 == 0 ? kColorBlack : red) << x;
    }
    s.pixels = {9, 1, 0, 1};  // beyond the stride is still beyond the row
    EXPECT_EQ(ErrorOf(s.File()), kInvalid);
}

TEST_F(BmpFiles, Rle4AlternatesTheNibblesOfARun) {
    BmpSpec s;
    s.bitCount = 4;
    s.compression = 2;
    s.width = 7;
    s.palette = Bytes(16 * 4, 0);
    for (int i = 0; i < 16; ++i) s.palette[4 * i + 1] = static_cast<std::uint8_t>(i * 10);  // green
    s.pixels = {3, 0x12, 0, 3, 0x45, 0x60, 0, 1, 0, 1};  // 1 2 1, literal 4 5 6, then X
    const TBitmap b = Read(s.File());
    const int expected[6] = {1, 2, 1, 4, 5, 6};
    for (int x = 0; x < 6; ++x) EXPECT_EQ(b.PixelAt(x, 0), RGBColor(0, expected[x] * 10, 0)) << x;
    EXPECT_EQ(b.PixelAt(6, 0), kColorBlack);
}

TEST_F(BmpFiles, AResourceIsTheSameReaderWithoutTheFileHeader) {
    const BmpSpec s = TwentyFourBit();
    const Bytes dib = s.Dib();
    TBitmap b;
    b.ReadBmpResource(dib.data(), dib.size());
    EXPECT_EQ(testing::FirstDifference(b, Read(s.File())), -1);
    EXPECT_THROW(b.ReadBmpResource(dib.data(), 10), EReadError);
    EXPECT_THROW(b.ReadBmpResource(nullptr, 0), EReadError);
}

TEST_F(BmpFiles, AnEmptyFileGivesAnEmptyPicture) {
    TBitmap b = Read({});
    EXPECT_TRUE(b.Empty());
}

TEST_F(BmpFiles, ReadingKeepsTransparencyAndAFailedReadKeepsThePicture) {
    const std::string good = folder.String() + "/good.bmp";
    testing::WriteBytes(good, TwentyFourBit().File());
    const std::string bad = folder.String() + "/bad.bmp";
    testing::WriteBytes(bad, {'B', 'X', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    TBitmap b;
    b.SetTransparent(true);
    b.SetTransparentColor(kColorWhite);
    b.ReadBmpFile(good);
    EXPECT_TRUE(b.Transparent());
    EXPECT_TRUE(b.HasFixedTransparentColor());
    EXPECT_THROW(b.ReadBmpFile(bad), EInvalidGraphic);
    EXPECT_EQ(b.Width(), 3);
    EXPECT_EQ(b.PixelAt(0, 1), RGBColor(3, 2, 1));
    const std::string missing = folder.String() + "/missing.bmp";
    EXPECT_THROW(b.ReadBmpFile(missing), EFOpenError);
}

TEST_F(BmpFiles, BrokenHeadersAreNotValid) {
    const auto with = [](auto change) {
        BmpSpec s = TwentyFourBit();
        change(s);
        return s.File();
    };
    Bytes notBm = TwentyFourBit().File();
    notBm[0] = 'P';
    EXPECT_EQ(ErrorOf(notBm), kInvalid);
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.planes = 2; })), kInvalid);
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.width = 0; })), kInvalid);
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.width = -3; })), kInvalid);
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.height = 0; })), kInvalid);
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.bitCount = 7; })), kInvalid);
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.compression = 4; })), kInvalid);  // embedded JPEG
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.compression = 1; })), kInvalid);  // RLE8 at 24 bits
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.headerBytes = 20; })), kInvalid);
    EXPECT_EQ(ErrorOf(with([](BmpSpec& s) { s.offBits = 20; })), kInvalid);  // pixels inside the header
}

TEST_F(BmpFiles, BrokenMasksAreNotValid) {
    const auto masked = [](std::uint32_t r, std::uint32_t g, std::uint32_t b, int bits) {
        BmpSpec s;
        s.bitCount = static_cast<std::uint16_t>(bits);
        s.compression = 3;
        s.masks = Bytes(12, 0);
        Put32(s.masks, 0, r);
        Put32(s.masks, 4, g);
        Put32(s.masks, 8, b);
        s.pixels = Bytes(4, 0);
        return s.File();
    };
    EXPECT_EQ(ErrorOf(masked(0xF800, 0x0FE0, 0x001F, 16)), kInvalid);    // overlapping
    EXPECT_EQ(ErrorOf(masked(0xF0F0, 0x0F00, 0x000F, 16)), kInvalid);    // not one run of bits
    EXPECT_EQ(ErrorOf(masked(0xFF0000, 0xFF00, 0xFF, 16)), kInvalid);    // beyond 16 bits
    EXPECT_EQ(ErrorOf(masked(0xFF000000, 0xFF0000, 0xFF00, 32)), "no error");
}

TEST_F(BmpFiles, FilesShorterThanTheirPartsAreReadErrors) {
    const Bytes whole = TwentyFourBit().File();
    for (std::size_t length : {std::size_t{2}, std::size_t{13}, std::size_t{16}, std::size_t{40}, whole.size() - 1}) {
        EXPECT_EQ(ErrorOf(Bytes(whole.begin(), whole.begin() + length)), kShort) << length;
    }
    BmpSpec manyColours = TwentyFourBit();
    manyColours.bitCount = 8;
    manyColours.colorsUsed = 0xFFFFFFFF;
    EXPECT_EQ(ErrorOf(manyColours.File()), kShort);
    BmpSpec farPixels = TwentyFourBit();
    farPixels.offBits = 0x7FFFFFFF;
    EXPECT_EQ(ErrorOf(farPixels.File()), kShort);
    BmpSpec missingMasks;
    missingMasks.bitCount = 32;
    missingMasks.compression = 3;
    Bytes cut = missingMasks.File();
    cut.resize(14 + 40 + 4);
    EXPECT_EQ(ErrorOf(cut), kShort);
}

TEST_F(BmpFiles, AHugeHeaderFailsBeforeAnyStorage) {
    BmpSpec s = TwentyFourBit();
    s.width = 100000;
    s.height = -100000;
    EXPECT_EQ(ErrorOf(s.File()), "Out of system resources");
    s.width = 0x7FFFFFFF;
    s.height = static_cast<std::int32_t>(0x80000000);
    EXPECT_EQ(ErrorOf(s.File()), "Out of system resources");
}

TEST_F(BmpFiles, RunsThatLeaveThePictureAreNotValid) {
    const auto rle8 = [](Bytes stream, std::uint32_t imageBytes = 0) {
        BmpSpec s;
        s.bitCount = 8;
        s.compression = 1;
        s.width = 4;
        s.height = 2;
        s.imageBytes = imageBytes;
        s.palette = Bytes(256 * 4, 0);
        s.pixels = std::move(stream);
        return s.File();
    };
    EXPECT_EQ(ErrorOf(rle8({5, 1, 0, 1})), kInvalid);                      // run past the row
    EXPECT_EQ(ErrorOf(rle8({0, 5, 1, 2, 3, 4, 5, 0, 0, 1})), kInvalid);    // literal past the row
    EXPECT_EQ(ErrorOf(rle8({0, 2, 9, 0, 0, 1})), kInvalid);                // delta past the row
    EXPECT_EQ(ErrorOf(rle8({0, 2, 0, 9, 0, 1})), kInvalid);                // delta past the top
    EXPECT_EQ(ErrorOf(rle8({0, 0, 0, 0, 1, 1, 0, 1})), kInvalid);          // a row beyond the top
    EXPECT_EQ(ErrorOf(rle8({0, 4, 1, 2})), kShort);                        // literal cut short
    EXPECT_EQ(ErrorOf(rle8({0, 2})), kShort);                              // delta cut short
    EXPECT_EQ(ErrorOf(rle8({2, 1, 0, 1}, 500)), kShort);                   // size beyond the file
    EXPECT_EQ(ErrorOf(rle8({2, 1})), "no error");                          // no end code: kept
    BmpSpec topDown;
    topDown.bitCount = 8;
    topDown.compression = 1;
    topDown.height = -1;
    topDown.pixels = {0, 1};
    EXPECT_EQ(ErrorOf(topDown.File()), kInvalid);
}

// Mutated and cut-short copies of valid files of every layout either read or fail with one of the
// reader's own errors; under AddressSanitizer this also shows that nothing is touched out of bounds.
TEST_F(BmpFiles, MutatedFilesNeverCrashTheReader) {
    std::vector<Bytes> seeds;
    seeds.push_back(TwentyFourBit().File());
    BmpSpec rle;
    rle.bitCount = 8;
    rle.compression = 1;
    rle.width = 6;
    rle.height = 4;
    rle.palette = Bytes(256 * 4, 7);
    rle.pixels = {3, 1, 0, 3, 1, 2, 3, 0, 0, 0, 0, 2, 1, 1, 2, 5, 0, 1};
    seeds.push_back(rle.File());
    BmpSpec rle4 = rle;
    rle4.bitCount = 4;
    rle4.compression = 2;
    rle4.palette = Bytes(16 * 4, 9);
    seeds.push_back(rle4.File());
    BmpSpec masked;
    masked.bitCount = 16;
    masked.compression = 3;
    masked.width = 5;
    masked.height = 3;
    masked.masks = Bytes(12, 0);
    Put32(masked.masks, 0, 0xF800);
    Put32(masked.masks, 4, 0x07E0);
    Put32(masked.masks, 8, 0x001F);
    masked.pixels = Bytes(12 * 3, 0x5A);
    seeds.push_back(masked.File());
    BmpSpec mono;
    mono.bitCount = 1;
    mono.width = 33;
    mono.height = 2;
    mono.palette = Join({Quad(0, 0, 0), Quad(255, 255, 255)});
    mono.pixels = Bytes(8 * 2, 0xA5);
    seeds.push_back(mono.File());

    std::mt19937 random(2024);
    int failures = 0, reads = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes file = seeds[round % seeds.size()];
        const int edits = 1 + static_cast<int>(random() % 4);
        for (int e = 0; e < edits; ++e) {
            // Mostly the header fields, where a lie does the most damage, but not the width and
            // height (offsets 18 to 25): a few RLE bytes may rightly describe a huge black picture,
            // which only costs time here; huge sizes have their own test.
            std::size_t at = random() % std::min<std::size_t>(file.size(), 70);
            if (at >= 18 && at < 26) at += 8;
            if (at < file.size()) file[at] = static_cast<std::uint8_t>(random());
        }
        if (random() % 4 == 0) file.resize(random() % file.size());
        TBitmap b;
        try {
            b.ReadBmpResource(file.data() + std::min<std::size_t>(14, file.size()), file.size() - std::min<std::size_t>(14, file.size()));
            ++reads;
        } catch (const EImageError&) {
            ++failures;
        }
        if (round % 50 == 0) {
            try {
                Read(file);
            } catch (const EImageError&) {
            }
        }
    }
    EXPECT_GT(reads, 0);
    EXPECT_GT(failures, 0);
}

}  // namespace
}  // namespace stampwise
