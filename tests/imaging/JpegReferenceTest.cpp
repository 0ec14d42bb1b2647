// The codec against libjpeg-turbo's own tools: decoded pixels equal djpeg's output and encoded
// files equal cjpeg's, byte for byte, on colour, grayscale, progressive and truncated files.
#include <gtest/gtest.h>

#include <set>

#include "imaging/JpegEncoder.h"
#include "imaging/JpegImage.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"

namespace stampwise {
namespace {

using testing::CjpegEncode;
using testing::DjpegDecode;
using testing::FirstDifference;
using testing::MakePhotoLike;
using testing::ReadBytes;
using testing::ShellQuoted;
using testing::TempFolder;
using testing::WriteBytes;

class JpegReference : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::HasTool("djpeg") && testing::HasTool("cjpeg"))
            << "djpeg and cjpeg (libjpeg-turbo-progs) must be on PATH; script/bootstrap installs them";
    }

    // A source file written by cjpeg with the given options.
    std::string CjpegFile(const TBitmap& picture, const std::string& options, const std::string& name) {
        const std::string in = folder.String() + "/" + name + ".ppm";
        const std::string out = folder.String() + "/" + name + ".jpg";
        testing::WritePpm(in, picture);
        EXPECT_EQ(testing::RunCommand("cjpeg " + options + " -outfile " + ShellQuoted(out) + " " + ShellQuoted(in)), 0)
            << options;
        return out;
    }

    static TBitmap Decode(const std::string& path) {
        TJPEGImage jpeg;
        jpeg.ReadFromFile(path);
        TBitmap bitmap;
        bitmap.AssignJpeg(jpeg);
        return bitmap;
    }

    TempFolder folder;
};

// A length that ends a file half-way through the entropy-coded data of its middle scan (a cut in a
// table segment is a library error for djpeg as much as for us).
std::size_t CutInsideTheMiddleScan(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::size_t> scans;
    for (std::size_t i = 0; i + 3 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA) scans.push_back(i);
    }
    if (scans.empty()) return bytes.size() / 2;
    const std::size_t sos = scans[scans.size() / 2];
    const std::size_t dataStart = sos + 2 + ((bytes[sos + 2] << 8) | bytes[sos + 3]);
    std::size_t dataEnd = dataStart;
    // The data ends at the first marker that is neither a stuffed 0xFF00 nor a restart marker.
    while (dataEnd + 1 < bytes.size() &&
           !(bytes[dataEnd] == 0xFF && bytes[dataEnd + 1] != 0 && (bytes[dataEnd + 1] & 0xF8) != 0xD0)) {
        ++dataEnd;
    }
    return (dataStart + dataEnd) / 2;
}

TEST_F(JpegReference, ColourFilesDecodeExactlyAsDjpegFloat) {
    const TBitmap picture = MakePhotoLike(61, 47, 11);
    // Sampling factors and scan layouts take different paths through upsampling and smoothing.
    const char* variants[] = {"-quality 75", "-quality 95 -sample 2x1", "-quality 60 -sample 1x1",
                              "-quality 85 -sample 1x2", "-optimize -restart 1", "-quality 20"};
    int n = 0;
    for (const char* options : variants) {
        SCOPED_TRACE(options);
        const std::string path = CjpegFile(picture, options, "colour" + std::to_string(n++));
        const TBitmap ours = Decode(path);
        ASSERT_EQ(ours.Width(), 61);
        ASSERT_EQ(ours.Height(), 47);
        EXPECT_EQ(FirstDifference(ours, DjpegDecode(path, false, folder.String())), -1);
    }
}

TEST_F(JpegReference, ProgressiveFileDecodesExactlyAsDjpegFloat) {
    // Block smoothing only acts on multi-scan files, so this is where it shows.
    const std::string path = CjpegFile(MakePhotoLike(83, 29, 12), "-progressive -quality 50", "progressive");
    TJPEGImage jpeg;
    jpeg.ReadFromFile(path);
    EXPECT_TRUE(jpeg.IsProgressive());
    EXPECT_EQ(FirstDifference(jpeg.DecodedBitmap(), DjpegDecode(path, false, folder.String())), -1);
}

TEST_F(JpegReference, GrayscaleFileDecodesToTheDithered236LevelsOfDjpeg) {
    const std::string path = CjpegFile(MakePhotoLike(57, 43, 13), "-grayscale -quality 80", "grey");
    TJPEGImage jpeg;
    jpeg.ReadFromFile(path);
    EXPECT_TRUE(jpeg.IsGrayscale());
    const TBitmap& ours = jpeg.DecodedBitmap();
    EXPECT_EQ(FirstDifference(ours, DjpegDecode(path, true, folder.String())), -1);

    std::set<int> levels;
    for (int y = 0; y < ours.Height(); ++y) {
        for (int x = 0; x < ours.Width(); ++x) {
            const ColorValue c = ours.PixelAt(x, y);
            ASSERT_TRUE(RedOf(c) == GreenOf(c) && GreenOf(c) == BlueOf(c));
            levels.insert(RedOf(c));
        }
    }
    EXPECT_LE(levels.size(), 236u);
    // The quantizer's levels are j·255/235 rounded, j = 0 … 235: a decoder that skipped it would
    // show some of the 20 grey values in between.
    std::set<int> grid;
    for (int j = 0; j < 236; ++j) grid.insert((j * 255 + 117) / 235);
    for (int g : levels) EXPECT_EQ(grid.count(g), 1u) << g;
}

TEST_F(JpegReference, TruncatedFilesDecodeWithTheLibrarysSubstituteData) {
    for (const char* options : {"-quality 90", "-progressive"}) {
        SCOPED_TRACE(options);
        const std::string whole = CjpegFile(MakePhotoLike(64, 64, 14), options, "whole");
        std::vector<std::uint8_t> bytes = ReadBytes(whole);
        bytes.resize(CutInsideTheMiddleScan(bytes));
        const std::string cut = folder.String() + "/cut.jpg";
        WriteBytes(cut, bytes);
        TBitmap ours;
        ASSERT_NO_THROW(ours = Decode(cut));
        EXPECT_EQ(ours.Width(), 64);
        EXPECT_EQ(FirstDifference(ours, DjpegDecode(cut, false, folder.String())), -1);
    }
}

TEST_F(JpegReference, EncodedFilesAreByteIdenticalToCjpeg) {
    // 1 × 1 and odd sizes leave partial blocks and partial chroma pairs; the largest file outgrows
    // the encoder's first byte buffer several times.
    for (auto [w, h] : {std::pair{61, 47}, {1, 1}, {16, 16}, {17, 9}, {300, 2}, {1001, 767}}) {
        SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h));
        const TBitmap picture = MakePhotoLike(w, h, static_cast<unsigned>(w * h));
        const std::vector<std::uint8_t> ours = EncodeJpeg(picture);
        const std::vector<std::uint8_t> reference = CjpegEncode(picture, folder.String());
        EXPECT_TRUE(ours == reference) << "ours " << ours.size() << " bytes, cjpeg " << reference.size();
    }
}

TEST_F(JpegReference, ResavedGrayscaleIsThreeComponentBaselineWithoutSourceMarkers) {
    const std::string path = CjpegFile(MakePhotoLike(33, 21, 15), "-grayscale -progressive", "grey");
    // Give the source an Exif segment and a comment that must not travel into the result.
    std::vector<std::uint8_t> bytes = ReadBytes(path);
    const std::vector<std::uint8_t> extra = {0xFF, 0xE1, 0x00, 0x08, 'E', 'x', 'i', 'f', 0, 0,
                                             0xFF, 0xFE, 0x00, 0x05, 'h', 'i', '!'};
    bytes.insert(bytes.begin() + 2, extra.begin(), extra.end());
    WriteBytes(path, bytes);

    TJPEGImage source;
    source.ReadFromFile(path);
    TBitmap pixels;
    pixels.AssignJpeg(source);
    const std::vector<std::uint8_t> written = EncodeJpeg(pixels);
    EXPECT_EQ(testing::JpegFrameComponents(written), 3);
    const std::vector<int> markers = testing::JpegMarkersBeforeScan(written);
    // SOI, JFIF APP0, two quantization tables, baseline frame, four Huffman tables, scan.
    EXPECT_EQ(markers, (std::vector<int>{0xD8, 0xE0, 0xDB, 0xDB, 0xC0, 0xC4, 0xC4, 0xC4, 0xC4, 0xDA}));
    EXPECT_TRUE(written == CjpegEncode(pixels, folder.String()));
}

}  // namespace
}  // namespace stampwise
