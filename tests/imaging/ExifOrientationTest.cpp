// The Exif orientation: the tag parser on crafted segments, and decoded files whose pixels must be
// djpeg's (which ignores the tag) turned as the tag says, with the size from the header upright too.
#include "imaging/ExifOrientation.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/ExifReader.h"
#include "imaging/ExifWriter.h"
#include "imaging/JpegEncoder.h"
#include "imaging/JpegImage.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

using testing::DjpegDecode;
using testing::ExifEntry;
using testing::ExifPayload;
using testing::FirstDifference;
using testing::kOrientationTag;
using testing::MakePhotoLike;
using testing::TempFolder;
using testing::TurnedByTest;
using testing::WithApp1;
using testing::WithExifOrientation;

constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;

std::vector<std::uint8_t> Cut(std::vector<std::uint8_t> bytes, std::size_t size) {
    bytes.resize(size);
    return bytes;
}

// The stored IFD0 offset (bytes 10..13 of the payload) replaced, little-endian.
std::vector<std::uint8_t> WithIfdAt(std::vector<std::uint8_t> bytes, std::uint32_t offset) {
    for (int i = 0; i < 4; ++i) bytes[10 + i] = static_cast<std::uint8_t>(offset >> (8 * i));
    return bytes;
}

constexpr std::uint16_t kAscii = 2;
constexpr std::uint16_t kArtist = 0x013B;
constexpr std::uint16_t kCopyright = 0x8298;

// The orientation and the credit are read by one careful parser: whatever it cannot read whole is
// as stored and no credit, never a failure or a read outside the segment.
TEST(ReadExif, ReadsOnlyWellFormedTagsAndOtherwiseKeepsTheStoredPixelsAndNoCredit) {
    const ExifEntry make{0x010F, 2, 4, 0x00414243};  // "CBA\0" in the value field
    const std::vector<std::uint8_t> six = ExifPayload(false, {{kOrientationTag, kShort, 1, 6}});
    const std::vector<std::uint8_t> threeEntries =
        ExifPayload(true, {make, make, {kOrientationTag, kShort, 1, 8}});
    std::vector<std::uint8_t> wrongMagic = six;
    wrongMagic[8] = 43;
    std::vector<std::uint8_t> mixedOrder = six;
    mixedOrder[7] = 'M';
    std::vector<std::uint8_t> notExif = six;
    notExif[5] = 'x';
    // Artist "Jane Doe" and a UTF-8 copyright of photographer and editor, after a two-entry
    // directory; then the same pointing or reaching past the segment's end.
    const std::uint32_t data = testing::ExifDataOffset(2);
    const std::string texts = std::string("Jane Doe\0", 9) + std::string("\xC2\xA9 Jane\0Ed\0", 11);
    const auto credit = [&](std::uint32_t artistAt, std::uint32_t artistCount, std::uint16_t artistType) {
        return testing::ExifPayloadWithData(
            false, {{kArtist, artistType, artistCount, artistAt}, {kCopyright, kAscii, 11, data + 9}}, texts);
    };
    const std::vector<std::uint8_t> both = credit(data, 9, kAscii);
    const ExifCredit janeAndEd{"Jane Doe", std::string("\xC2\xA9 Jane\0Ed", 10)};
    const ExifCredit onlyCopyright{"", janeAndEd.Copyright};
    const ExifCredit written{"Ann", "Ann Smith"};

    const struct {
        const char* what;
        std::vector<std::uint8_t> segment;
        int expected;
        ExifCredit credit = {};
    } cases[] = {
        {"little-endian 6", six, 6},
        {"big-endian 7", ExifPayload(true, {{kOrientationTag, kShort, 1, 7}}), 7},
        {"after other tags", threeEntries, 8},
        {"value 0", ExifPayload(false, {{kOrientationTag, kShort, 1, 0}}), 1},
        {"value 9", ExifPayload(true, {{kOrientationTag, kShort, 1, 9}}), 1},
        {"type LONG", ExifPayload(false, {{kOrientationTag, kLong, 1, 6}}), 1},
        {"count 2", ExifPayload(true, {{kOrientationTag, kShort, 2, 6}}), 1},
        {"no orientation tag", ExifPayload(false, {make}), 1},
        // The directory announces three entries; the segment ends inside the third.
        {"cut-short IFD", Cut(threeEntries, 6 + 8 + 2 + 12 * 2 + 5), 1},
        {"cut inside the entry", Cut(six, six.size() - 6), 1},
        {"cut inside the TIFF header", Cut(six, 10), 1},
        {"IFD offset past the end", WithIfdAt(six, static_cast<std::uint32_t>(six.size())), 1},
        {"IFD offset far past the end", WithIfdAt(six, 0xFFFFFFF0u), 1},
        {"wrong magic number", wrongMagic, 1},
        {"mixed byte-order mark", mixedOrder, 1},
        {"not an Exif signature", notExif, 1},
        {"empty", {}, 1},
        {"credit", both, 1, janeAndEd},
        {"credit, big-endian, after the orientation",
         testing::ExifPayloadWithData(true, {{kOrientationTag, kShort, 1, 3}, {kArtist, kAscii, 9, data}},
                                      texts),
         3, {"Jane Doe", ""}},
        {"Artist in its value field", ExifPayload(false, {{kArtist, kAscii, 4, 0x006E6E41}}), 1, {"Ann", ""}},
        {"Artist past the end", credit(static_cast<std::uint32_t>(both.size()), 9, kAscii), 1, onlyCopyright},
        {"Artist far past the end", credit(0xFFFFFFF8u, 9, kAscii), 1, onlyCopyright},
        {"Artist running past the end", credit(data, 4000, kAscii), 1, onlyCopyright},
        {"Artist of type SHORT", credit(data, 9, kShort), 1, onlyCopyright},
        {"cut inside the copyright", Cut(both, both.size() - 3), 1, {"Jane Doe", ""}},
        {"the credit as written for a result", WriteResultExif(written, {}), 1, written},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(static_cast<int>(ReadExifOrientation(c.segment.data(), c.segment.size())), c.expected) << c.what;
        EXPECT_EQ(ReadExifCredit(c.segment.data(), c.segment.size()), c.credit) << c.what;
    }
}

class OrientedFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(testing::HasTool("djpeg")) << "djpeg (libjpeg-turbo-progs) is needed";
    }

    // The bytes as a file, read back the way the batch reads a source.
    std::string Write(const std::vector<std::uint8_t>& bytes, const std::string& name) {
        const std::string path = folder / name;
        testing::WriteBytes(path, bytes);
        return path;
    }

    TempFolder folder;
};

TEST_F(OrientedFiles, EveryOrientationInBothByteOrdersIsTheReferenceTurned) {
    // Odd and unequal sides, so that a swap, a flip or a partial block shows.
    const std::vector<std::uint8_t> plain = EncodeJpeg(MakePhotoLike(29, 18, 21));
    for (bool isBigEndian : {false, true}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const std::string label = std::to_string(orientation) + (isBigEndian ? " MM" : " II");
            const std::string path =
                Write(WithExifOrientation(plain, orientation, isBigEndian), "o" + label + ".jpg");
            const TBitmap expected = TurnedByTest(DjpegDecode(path, false, folder.String()), orientation);

            TJPEGImage jpeg;
            jpeg.ReadFromFile(path);
            EXPECT_EQ(jpeg.Width(), expected.Width()) << label;  // from the header, before decoding
            EXPECT_EQ(jpeg.Height(), expected.Height()) << label;
            EXPECT_EQ(FirstDifference(jpeg.DecodedBitmap(), expected), -1) << label;
        }
    }
}

TEST_F(OrientedFiles, UnreadableTagsLeaveThePixelsAsStored) {
    const std::vector<std::uint8_t> plain = EncodeJpeg(MakePhotoLike(21, 12, 22));
    const std::string reference = Write(plain, "plain.jpg");
    const TBitmap stored = DjpegDecode(reference, false, folder.String());
    const std::vector<std::uint8_t> six = ExifPayload(false, {{kOrientationTag, kShort, 1, 6}});
    const std::vector<std::uint8_t> segments[] = {
        ExifPayload(false, {{kOrientationTag, kShort, 1, 0}}),
        ExifPayload(true, {{kOrientationTag, kShort, 1, 9}}),
        ExifPayload(false, {{kOrientationTag, kLong, 1, 6}}),
        Cut(six, six.size() - 7),
        WithIfdAt(six, 4000),
    };
    int n = 0;
    for (const std::vector<std::uint8_t>& segment : segments) {
        const std::string path = Write(WithApp1(plain, segment), "bad" + std::to_string(n) + ".jpg");
        TJPEGImage jpeg;
        jpeg.ReadFromFile(path);
        EXPECT_EQ(jpeg.Width(), 21) << n;
        EXPECT_EQ(FirstDifference(jpeg.DecodedBitmap(), stored), -1) << n;
        ++n;
    }
}

TEST_F(OrientedFiles, GrayscaleFileIsTheDitheredReferenceTurned) {
    const std::vector<std::uint8_t> grey =
        testing::EncodeWithLibjpeg(MakePhotoLike(27, 16, 23), false, true);
    for (int orientation : {3, 6}) {
        const std::string path = Write(WithExifOrientation(grey, orientation, false),
                                       "grey" + std::to_string(orientation) + ".jpg");
        const TBitmap expected = TurnedByTest(DjpegDecode(path, true, folder.String()), orientation);
        TJPEGImage jpeg;
        jpeg.ReadFromFile(path);
        EXPECT_EQ(FirstDifference(jpeg.DecodedBitmap(), expected), -1) << orientation;
    }
}

// The file list's preview reads by extension, through its own path into the codec.
TEST_F(OrientedFiles, PreviewByExtensionIsUpright) {
    const std::vector<std::uint8_t> plain = EncodeJpeg(MakePhotoLike(25, 14, 24));
    const std::string path = Write(WithExifOrientation(plain, 8, true), "preview.JPG");
    const TBitmap expected = TurnedByTest(DjpegDecode(path, false, folder.String()), 8);
    EXPECT_EQ(FirstDifference(ReadPictureFile(path), expected), -1);
}

}  // namespace
}  // namespace stampwise
