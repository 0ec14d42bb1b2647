// TJPEGImage's states and failures: header-only reads, decoding once, the error codes and messages,
// and the bytes a result is saved from.
#include "imaging/JpegImage.h"

#include <gtest/gtest.h>
#include <random>
#include <sstream>

#include "imaging/ImageErrors.h"
#include "imaging/JpegEncoder.h"
#include "imaging/Raster.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"

namespace stampwise {
namespace {

using testing::MakePhotoLike;
using testing::ReadBytes;
using testing::TempFolder;
using testing::WriteBytes;

std::vector<std::uint8_t> Encoded(int width, int height, unsigned seed = 1) {
    return EncodeJpeg(MakePhotoLike(width, height, seed));
}

// Sets a baseline file's frame size, leaving its scan as it is.
std::vector<std::uint8_t> WithFrameSize(std::vector<std::uint8_t> bytes, int width, int height) {
    for (std::size_t i = 2; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = static_cast<std::uint8_t>(height >> 8);
            bytes[i + 6] = static_cast<std::uint8_t>(height);
            bytes[i + 7] = static_cast<std::uint8_t>(width >> 8);
            bytes[i + 8] = static_cast<std::uint8_t>(width);
            return bytes;
        }
    }
    ADD_FAILURE() << "no SOF0";
    return bytes;
}

template <typename E, typename F>
std::string MessageOf(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    } catch (const std::exception& e) {
        return std::string("wrong exception: ") + e.what();
    }
    return "no exception";
}

class JpegImageFiles : public ::testing::Test {
protected:
    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::string path = folder.String() + "/" + name;
        WriteBytes(path, bytes);
        return path;
    }
    TempFolder folder;
};

TEST_F(JpegImageFiles, ReadingGivesTheHeaderSizeWithoutDecoding) {
    const std::string path = Write("a.jpg", Encoded(37, 23));
    TJPEGImage jpeg;
    jpeg.ReadFromFile(path);
    EXPECT_EQ(jpeg.Width(), 37);
    EXPECT_EQ(jpeg.Height(), 23);
    EXPECT_FALSE(jpeg.HasBitmap());
    EXPECT_FALSE(jpeg.IsGrayscale());
    EXPECT_FALSE(jpeg.IsProgressive());
    ASSERT_NE(jpeg.Data(), nullptr);
    EXPECT_EQ(jpeg.Data()->Bytes, ReadBytes(path));
}

TEST_F(JpegImageFiles, CorruptPixelsBehindAValidHeaderDoNotFailTheRead) {
    std::vector<std::uint8_t> bytes = Encoded(40, 40);
    for (std::size_t i = bytes.size() / 2; i + 2 < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
    TJPEGImage jpeg;
    ASSERT_NO_THROW(jpeg.ReadFromFile(Write("c.jpg", bytes)));
    EXPECT_EQ(jpeg.Width(), 40);
    try {
        EXPECT_EQ(jpeg.DecodedBitmap().Width(), 40);
    } catch (const EJPEG&) {
        // A library error on garbage is acceptable; anything else is not.
    }
}

TEST_F(JpegImageFiles, AFileThatIsNotAJpegFailsAtReadingWithCode53) {
    const std::string path = Write("text.jpg", {'h', 'e', 'l', 'l', 'o'});
    TJPEGImage jpeg;
    EXPECT_EQ(MessageOf<EJPEG>([&] { jpeg.ReadFromFile(path); }), "JPEG error #53");
    EXPECT_EQ(jpeg.Width(), 0);
    EXPECT_EQ(jpeg.Height(), 0);
    ASSERT_NE(jpeg.Data(), nullptr);
    EXPECT_EQ(jpeg.Data()->Bytes.size(), 5u);
}

TEST_F(JpegImageFiles, AZeroLengthFileReadsAsEmptyAndFailsWhenDecodedWithCode42) {
    const std::string path = Write("empty.jpg", {});
    TJPEGImage jpeg;
    ASSERT_NO_THROW(jpeg.ReadFromFile(path));
    EXPECT_EQ(jpeg.Width(), 0);
    EXPECT_EQ(MessageOf<EJPEG>([&] { jpeg.DecodedBitmap(); }), "JPEG error #42");
    // The bitmap made for decoding stays, so the failure is not repeated.
    EXPECT_TRUE(jpeg.HasBitmap());
    EXPECT_NO_THROW(EXPECT_TRUE(jpeg.DecodedBitmap().Empty()));
    TBitmap copy;
    EXPECT_NO_THROW(copy.AssignJpeg(jpeg));
}

TEST_F(JpegImageFiles, AMissingFileFailsWithTheSystemsReasonAndLeavesThePictureAlone) {
    TJPEGImage jpeg;
    jpeg.ReadFromFile(Write("a.jpg", Encoded(12, 8)));
    const std::string missing = folder.String() + "/missing.jpg";
    EXPECT_EQ(MessageOf<EFOpenError>([&] { jpeg.ReadFromFile(missing); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(jpeg.Width(), 12);
    EXPECT_EQ(MessageOf<EFOpenError>([&] { jpeg.ReadFromFile(folder.String()); }),
              "Cannot open file \"" + folder.String() + "\". Is a directory");
}

TEST_F(JpegImageFiles, AHugeHeaderFailsAtDecodingBeforeAnyStorage) {
    TJPEGImage jpeg;
    jpeg.ReadFromFile(Write("huge.jpg", WithFrameSize(Encoded(16, 16), 65500, 65500)));
    EXPECT_EQ(jpeg.Width(), 65500);
    EXPECT_EQ(MessageOf<EOutOfResources>([&] { jpeg.DecodedBitmap(); }), "Out of system resources");
    EXPECT_EQ(jpeg.Width(), 65500);  // still the header's, for the report
}

TEST_F(JpegImageFiles, DecodingHappensOnceAndAssignJpegSharesItsPixels) {
    TJPEGImage jpeg;
    jpeg.ReadFromFile(Write("a.jpg", Encoded(20, 10)));
    const TBitmap& first = jpeg.DecodedBitmap();
    EXPECT_EQ(&jpeg.DecodedBitmap(), &first);
    TBitmap copy;
    copy.SetTransparent(true);
    copy.SetTransparentColor(kColorBlack);
    copy.AssignJpeg(jpeg);
    EXPECT_TRUE(copy.SharesStorageWith(first));
    EXPECT_FALSE(copy.Transparent());
    EXPECT_FALSE(copy.HasFixedTransparentColor());
    const ColorValue corner = copy.PixelAt(19, 9);
    jpeg.ReadFromFile(Write("b.jpg", Encoded(5, 5)));  // the old bitmap is gone from the picture
    EXPECT_EQ(copy.Width(), 20);
    EXPECT_EQ(copy.PixelAt(19, 9), corner);
}

TEST_F(JpegImageFiles, ReadFromStreamReadsFromTheCurrentPositionToTheEnd) {
    const std::vector<std::uint8_t> bytes = Encoded(14, 6);
    std::string text = "junk";
    text.append(bytes.begin(), bytes.end());
    std::istringstream stream(text);
    stream.seekg(4);
    TJPEGImage jpeg;
    jpeg.ReadFromStream(stream);
    EXPECT_EQ(jpeg.Width(), 14);
    EXPECT_EQ(jpeg.Data()->Bytes, bytes);
}

TEST_F(JpegImageFiles, StretchCopyOfAJpegDrawsItsDecodedPixels) {
    TJPEGImage jpeg;
    jpeg.ReadFromFile(Write("a.jpg", Encoded(8, 8)));
    TBitmap dest;
    dest.ChangeSize(8, 8);
    StretchCopy(dest, {0, 0, 8, 8}, jpeg);
    EXPECT_EQ(testing::FirstDifference(dest, jpeg.DecodedBitmap()), -1);
}

// Mutated and cut-short files either decode or fail with EJPEG; the library's longjmp must never
// leave a half-made picture behind or touch memory it should not (run under AddressSanitizer).
TEST_F(JpegImageFiles, MutatedFilesDecodeOrFailWithTheLibrarysError) {
    const std::vector<std::vector<std::uint8_t>> seeds = {
        Encoded(24, 17, 7), testing::EncodeWithLibjpeg(MakePhotoLike(31, 5, 8), true, false),
        testing::EncodeWithLibjpeg(MakePhotoLike(13, 19, 9), true, true)};
    std::mt19937 random(99);
    int decoded = 0, failed = 0;
    for (int round = 0; round < 600; ++round) {
        std::vector<std::uint8_t> bytes = seeds[round % seeds.size()];
        // The frame's size bytes stay: a mutated size only makes the picture slow to decode.
        std::size_t sof = 0;
        while (sof + 1 < bytes.size() && !(bytes[sof] == 0xFF && (bytes[sof + 1] & 0xFC) == 0xC0)) ++sof;
        const int edits = 1 + static_cast<int>(random() % 6);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % bytes.size();
            if (at >= sof + 5 && at < sof + 9) continue;
            bytes[at] = static_cast<std::uint8_t>(random());
        }
        if (random() % 3 == 0) bytes.resize(random() % bytes.size());
        TJPEGImage jpeg;
        try {
            jpeg.ReadFromBytes(bytes);
            const TBitmap& b = jpeg.DecodedBitmap();
            ASSERT_EQ(b.Width(), jpeg.Width());
            ++decoded;
        } catch (const EJPEG&) {
            ++failed;
        }
    }
    EXPECT_GT(decoded, 0);
    EXPECT_GT(failed, 0);
}

TEST_F(JpegImageFiles, ReadPictureFileChoosesTheReaderByExtensionInAnyCase) {
    const std::vector<std::uint8_t> bytes = Encoded(11, 7);
    EXPECT_EQ(ReadPictureFile(Write("UPPER.JPG", bytes)).Width(), 11);
    EXPECT_EQ(ReadPictureFile(Write("lower.jpeg", bytes)).Height(), 7);
    const std::string png = Write("picture.png", bytes);
    EXPECT_EQ(MessageOf<EUnknownExtension>([&] { ReadPictureFile(png); }), "Unknown picture file extension (.png)");
    const std::string bare = Write("noextension", bytes);
    EXPECT_EQ(MessageOf<EUnknownExtension>([&] { ReadPictureFile(bare); }), "Unknown picture file extension (.)");
    EXPECT_EQ(MessageOf<EInvalidGraphic>([&] { ReadPictureFile(Write("x.Bmp", bytes)); }), "Bitmap image is not valid");
}

}  // namespace
}  // namespace stampwise
