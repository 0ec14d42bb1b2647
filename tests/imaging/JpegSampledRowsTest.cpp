// Decoding only the rows a reduction samples, or every row a band at a time (JpegRowReader), must
// give exactly those rows of a full decode, for every layout of JPEG file the library reads: chroma
// subsampling both ways, restart markers, progressive scans with block smoothing, dithered
// grayscale, partial blocks, cut-short data, and rows converted to sRGB (tagged RGB, CMYK, YCCK).
#include "imaging/JpegDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "imaging/ExifOrientation.h"
#include "imaging/ImageErrors.h"
#include "imaging/JpegEncoder.h"
#include "imaging/Raster.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"
#include "support/TestColourFiles.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

using testing::MakePhotoLike;
using testing::ReadBytes;
using testing::ShellQuoted;
using testing::TempFolder;

struct Encoding {
    std::string cjpegOptions;
    int width;
    int height;
};

// cjpeg writes the layouts the project's own encoder never does. Options may name the scan script
// "separate.scans", one sequential scan per component.
std::vector<std::uint8_t> EncodeWithCjpeg(const TempFolder& dir, const Encoding& e, unsigned seed) {
    const std::string ppm = dir / "in.ppm";
    const std::string jpg = dir / "out.jpg";
    testing::WritePpm(ppm, MakePhotoLike(e.width, e.height, seed));
    dir.WriteFile("separate.scans", "0; 1; 2;\n");
    const int status = testing::RunCommand("cd " + ShellQuoted(dir.Path().string()) + " && cjpeg " + e.cjpegOptions + " " +
                                           ShellQuoted(ppm) + " > " + ShellQuoted(jpg));
    EXPECT_EQ(status, 0) << e.cjpegOptions;
    return ReadBytes(jpg);
}

// Every row of sampled against the row of full that it stands for; "" when all are equal.
std::string CompareSampledRows(const TBitmap& full, const TBitmap& sampled, int rowCount) {
    if (sampled.Width() != full.Width() || sampled.Height() != rowCount) return "wrong size";
    for (int i = 0; i < rowCount; ++i) {
        const int source = NearestSourceIndex(i, rowCount, full.Height());
        if (std::memcmp(sampled.ScanLine(i), full.ScanLine(source), full.RowBytes()) != 0) {
            return "row " + std::to_string(i) + " (source row " + std::to_string(source) + ")";
        }
    }
    return "";
}

// Every row through JpegRowReader, bandRows at a time (the last band shorter), as one picture.
TBitmap ReadInBands(const std::vector<std::uint8_t>& bytes, int bandRows) {
    JpegRowReader reader(bytes.data(), bytes.size());
    TBitmap picture;
    picture.Allocate(reader.Width(), reader.Height());
    std::vector<std::uint8_t*> rows(static_cast<std::size_t>(bandRows));
    while (reader.NextRow() < reader.Height()) {
        const int first = reader.NextRow();
        for (int i = 0; i < bandRows && first + i < picture.Height(); ++i) {
            rows[i] = picture.MutableScanLine(first + i);
        }
        const int got = reader.ReadRows(rows.data(), std::min(bandRows, picture.Height() - first));
        EXPECT_EQ(got, std::min(bandRows, picture.Height() - first));
        if (got == 0) break;
    }
    EXPECT_EQ(reader.ReadRows(rows.data(), bandRows), 0);
    return picture;
}

// Row counts from a single row to every row, with the reductions a resize meets in between.
std::vector<int> RowCounts(int height) {
    std::vector<int> counts;
    if (height <= 40) {
        for (int n = 1; n <= height; ++n) counts.push_back(n);
        return counts;
    }
    for (int n : {1, 2, 3, 7, height / 40, height / 17, height / 16, height / 5, height / 2,
                  height - 17, height - 1, height}) {
        if (n >= 1 && n <= height) counts.push_back(n);
    }
    return counts;
}

TEST(DecodeJpegSampledRows, GivesTheFullDecodesRowsForEveryLayout) {
    ASSERT_TRUE(testing::HasTool("cjpeg")) << "cjpeg (libjpeg-turbo-progs) is needed";
    const Encoding encodings[] = {
        {"-quality 90 -sample 2x2", 203, 151},
        {"-quality 90 -sample 2x1", 97, 203},
        {"-quality 90 -sample 1x2", 64, 130},
        {"-quality 90 -sample 1x1", 47, 33},
        {"-quality 90 -sample 4x1", 181, 67},
        {"-quality 90 -sample 3x2", 97, 203},
        {"-quality 90 -sample 1x3", 64, 130},
        {"-quality 90 -sample 2x4 -progressive", 97, 203},
        {"-quality 80 -sample 2x2 -restart 1", 150, 121},
        {"-quality 80 -sample 2x2 -progressive", 171, 149},
        {"-quality 80 -sample 1x1 -progressive", 33, 97},
        {"-quality 85 -grayscale", 123, 111},
        {"-quality 85 -grayscale -progressive", 61, 39},
        {"-quality 95 -sample 2x2", 1, 1},
        {"-quality 95 -sample 2x2", 300, 3},
        {"-quality 95 -sample 2x2", 5, 300},
        {"-quality 95 -sample 2x2", 4, 100},
        {"-quality 95 -sample 2x2", 1, 49},
    };
    TempFolder dir;
    unsigned seed = 11;
    struct File {
        std::string name;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<File> files;
    for (const Encoding& e : encodings) {
        files.push_back({e.cjpegOptions + " " + std::to_string(e.width) + "x" + std::to_string(e.height),
                         EncodeWithCjpeg(dir, e, seed++)});
    }
    // Converted rows: through an RGB profile, and CMYK through a profile or the formula.
    const TBitmap photo = MakePhotoLike(67, 45, 31);
    files.push_back({"Display P3", testing::WithIccProfile(testing::EncodeWithLibjpeg(photo, false, false),
                                                           testing::DisplayP3Profile())});
    std::vector<std::uint8_t> inks;
    for (int i = 0; i < 53 * 70; ++i) {
        for (int c = 0; c < 4; ++c) inks.push_back(static_cast<std::uint8_t>((i * (7 + 2 * c)) % 251));
    }
    files.push_back({"CMYK", testing::EncodeInkJpeg(53, 70, inks, false, false, {})});
    files.push_back({"YCCK with profile",
                     testing::EncodeInkJpeg(53, 70, inks, true, true, testing::TintedCmykProfile())});

    for (const File& f : files) {
        const std::vector<std::uint8_t>& bytes = f.bytes;
        TBitmap full;
        DecodeJpeg(bytes.data(), bytes.size(), full);
        const int height = full.Height();
        ASSERT_GT(height, 0) << f.name;
        for (int bandRows : {1, 7, 16}) {
            EXPECT_EQ(CompareSampledRows(full, ReadInBands(bytes, bandRows), height), "")
                << f.name << " in bands of " << bandRows;
        }
        for (int rowCount : RowCounts(height)) {
            TBitmap sampled;
            DecodeJpegSampledRows(bytes.data(), bytes.size(), rowCount, sampled);
            EXPECT_EQ(CompareSampledRows(full, sampled, rowCount), "") << f.name << " to " << rowCount << " rows";
        }
    }
}

TEST(DecodeJpegSampledRows, CutShortFileGivesTheFullDecodesRows) {
    TempFolder dir;
    for (const char* options : {"-quality 90 -sample 2x2", "-quality 90 -progressive", "-grayscale"}) {
        std::vector<std::uint8_t> bytes = EncodeWithCjpeg(dir, {options, 160, 144}, 5);
        bytes.resize(bytes.size() * 2 / 3);  // the library pads the rest and warns
        TBitmap full;
        DecodeJpeg(bytes.data(), bytes.size(), full);
        EXPECT_EQ(CompareSampledRows(full, ReadInBands(bytes, 16), 144), "") << options;
        for (int rowCount : {1, 9, 48, 143}) {
            TBitmap sampled;
            DecodeJpegSampledRows(bytes.data(), bytes.size(), rowCount, sampled);
            EXPECT_EQ(CompareSampledRows(full, sampled, rowCount), "") << options << " " << rowCount;
        }
    }
}

// The full decode is upright; the sampled rows must be its rows whether they come from sampled
// stored rows (read bottom-up, mirrored) or, when the sides swap, from stored columns. Cut short
// too, so that the rows the library substitutes end up where the full decode puts them.
TEST(DecodeJpegSampledRows, GivesTheUprightFullDecodesRowsForEveryOrientation) {
    TempFolder dir;
    const std::vector<std::uint8_t> colour = EncodeWithCjpeg(dir, {"-quality 90 -sample 2x2", 53, 38}, 31);
    const std::vector<std::uint8_t> grey = EncodeWithCjpeg(dir, {"-quality 85 -grayscale", 37, 50}, 32);
    const std::vector<std::uint8_t> cut(colour.begin(), colour.begin() + colour.size() * 2 / 3);
    for (const std::vector<std::uint8_t>* plain : {&colour, &grey, &cut}) {
        for (int orientation = 1; orientation <= 8; ++orientation) {
            const std::vector<std::uint8_t> bytes =
                testing::WithExifOrientation(*plain, orientation, orientation % 2 == 0);
            TBitmap full;
            DecodeJpeg(bytes.data(), bytes.size(), full);
            // Rows in turn only where the upright rows keep the stored order.
            if (KeepsRowOrder(static_cast<Orientation>(orientation))) {
                EXPECT_EQ(CompareSampledRows(full, ReadInBands(bytes, 7), full.Height()), "")
                    << "orientation " << orientation << " in bands";
            } else {
                EXPECT_THROW(JpegRowReader(bytes.data(), bytes.size()), std::invalid_argument)
                    << "orientation " << orientation;
            }
            for (int rowCount : {1, 7, full.Height() / 2, full.Height() - 1, full.Height()}) {
                TBitmap sampled;
                DecodeJpegSampledRows(bytes.data(), bytes.size(), rowCount, sampled);
                EXPECT_EQ(CompareSampledRows(full, sampled, rowCount), "")
                    << "file " << (plain == &colour ? "colour" : plain == &grey ? "grey" : "cut")
                    << ", orientation " << orientation << ", " << rowCount << " rows";
            }
        }
    }
}

// A header read before (for the memory estimate, say) stands for the one each decoder would read:
// its orientation turns the rows and its colour profile converts them.
TEST(JpegDecoders, AHeaderReadBeforeDecodesAsTheFileReadAgain) {
    const std::vector<std::uint8_t> tagged =
        testing::WithIccProfile(EncodeJpeg(MakePhotoLike(23, 17, 41)), testing::DisplayP3Profile());
    for (int orientation : {2, 6}) {
        const std::vector<std::uint8_t> bytes = testing::WithExifOrientation(tagged, orientation, false);
        const JpegHeader header = ReadJpegHeader(bytes.data(), bytes.size());
        TBitmap full;
        TBitmap fromHeader;
        DecodeJpeg(bytes.data(), bytes.size(), full);
        DecodeJpeg(bytes.data(), bytes.size(), header, fromHeader);
        EXPECT_EQ(testing::FirstDifference(fromHeader, full), -1) << orientation;
        TBitmap sampled;
        DecodeJpegSampledRows(bytes.data(), bytes.size(), header, 7, sampled);
        EXPECT_EQ(CompareSampledRows(full, sampled, 7), "") << orientation;
        if (!KeepsRowOrder(header.Orientation)) continue;
        JpegRowReader reader(bytes.data(), bytes.size(), header);
        TBitmap inTurn;
        inTurn.Allocate(reader.Width(), reader.Height());
        std::vector<std::uint8_t*> rows;
        for (int y = 0; y < inTurn.Height(); ++y) rows.push_back(inTurn.MutableScanLine(y));
        EXPECT_EQ(reader.ReadRows(rows.data(), inTurn.Height()), inTurn.Height());
        EXPECT_EQ(testing::FirstDifference(inTurn, full), -1) << orientation << " in turn";
    }
}

TEST(DecodeJpegSampledRows, FailsAsTheFullDecodeFails) {
    TempFolder dir;
    const std::vector<std::uint8_t> good = EncodeWithCjpeg(dir, {"-quality 90", 40, 30}, 3);
    const std::vector<std::uint8_t> notJpeg = {'n', 'o', 't', ' ', 'a', ' ', 'J', 'P', 'E', 'G'};
    const std::vector<std::uint8_t> empty;
    for (const std::vector<std::uint8_t>* bytes : {&notJpeg, &empty}) {
        TBitmap full;
        TBitmap sampled;
        std::string fullError;
        std::string sampledError;
        try {
            DecodeJpeg(bytes->data(), bytes->size(), full);
        } catch (const EJPEG& e) {
            fullError = e.what();
        }
        try {
            DecodeJpegSampledRows(bytes->data(), bytes->size(), 3, sampled);
        } catch (const EJPEG& e) {
            sampledError = e.what();
        }
        std::string bandError;
        try {
            JpegRowReader reader(bytes->data(), bytes->size());
        } catch (const EJPEG& e) {
            bandError = e.what();
        }
        EXPECT_NE(sampledError, "");
        EXPECT_EQ(sampledError, fullError);
        EXPECT_EQ(bandError, fullError);
        EXPECT_TRUE(sampled.Empty());  // failed before its size was known
    }

    TBitmap untouched;
    untouched.ChangeSize(2, 2);
    for (int rowCount : {0, -1, 31}) {
        EXPECT_THROW(DecodeJpegSampledRows(good.data(), good.size(), rowCount, untouched),
                     std::invalid_argument)
            << rowCount;
        EXPECT_EQ(untouched.Width(), 2);
    }
}

// The message a refused decode fails with; "" when it decodes.
template <typename Decode>
std::string RefusalOf(Decode decode) {
    try {
        decode();
    } catch (const EJPEG& e) {
        return e.what();
    }
    return "";
}

TEST(JpegDamage, RefusingFailsCutShortAndBrokenDataWithTheLibrarysWordsAndIgnoresHarmlessWarnings) {
    TempFolder dir;
    const Encoding baseline = {"-quality 90 -sample 2x2", 160, 144};
    const std::vector<std::uint8_t> good = EncodeWithCjpeg(dir, baseline, 7);
    const auto full = [](const std::vector<std::uint8_t>& b) {
        return RefusalOf([&] {
            TBitmap picture;
            DecodeJpeg(b.data(), b.size(), picture, JpegDamage::Refuse);
        });
    };
    // One sampled row, above the damage: the rows below it are still read to find it.
    const auto oneRow = [](const std::vector<std::uint8_t>& b) {
        return RefusalOf([&] {
            TBitmap rows;
            DecodeJpegSampledRows(b.data(), b.size(), 1, rows, JpegDamage::Refuse);
        });
    };
    // Every row in turn: the refusal comes with the last row.
    const auto inBands = [](const std::vector<std::uint8_t>& b) {
        return RefusalOf([&] {
            JpegRowReader reader(b.data(), b.size(), JpegDamage::Refuse);
            std::vector<std::uint8_t> row(static_cast<std::size_t>(reader.Width()) * 3);
            std::uint8_t* rows[] = {row.data()};
            while (reader.ReadRows(rows, 1) == 1) {
            }
        });
    };
    EXPECT_EQ(full(good), "");
    EXPECT_EQ(oneRow(good), "");
    EXPECT_EQ(inBands(good), "");

    for (const char* options : {"-quality 90 -sample 2x2", "-quality 90 -progressive", "-grayscale"}) {
        std::vector<std::uint8_t> cut = EncodeWithCjpeg(dir, {options, 160, 144}, 5);
        cut.resize(cut.size() * 2 / 3);
        EXPECT_EQ(full(cut), "Premature end of JPEG file") << options;
        EXPECT_EQ(oneRow(cut), "Premature end of JPEG file") << options;
        EXPECT_EQ(inBands(cut), "Premature end of JPEG file") << options;
        TBitmap tolerated;
        EXPECT_NO_THROW(DecodeJpeg(cut.data(), cut.size(), tolerated)) << options;
    }

    // An end-of-image marker in the middle of the entropy-coded data.
    std::vector<std::uint8_t> broken = good;
    broken[broken.size() / 2] = 0xFF;
    broken[broken.size() / 2 + 1] = 0xD9;
    EXPECT_EQ(full(broken), "Corrupt JPEG data: premature end of data segment");
    EXPECT_EQ(inBands(broken), full(broken));

    // Junk between two header segments is only noted by the library: the picture is whole.
    std::vector<std::uint8_t> junk = good;
    junk.insert(junk.begin() + 2 + 2 + (junk[4] << 8 | junk[5]), {0x12, 0x34, 0x56});
    EXPECT_EQ(full(junk), "");
    EXPECT_EQ(inBands(junk), "");
    TBitmap fromJunk;
    TBitmap fromGood;
    DecodeJpeg(junk.data(), junk.size(), fromJunk, JpegDamage::Refuse);
    DecodeJpeg(good.data(), good.size(), fromGood);
    EXPECT_EQ(testing::FirstDifference(fromJunk, fromGood), -1);
}

// A few hundred arithmetic-coded bytes announcing 16384 × 16384 pixels: the decoder would go on
// from zeros past the scan's data and make a picture of noise and grey. The refusal comes before
// the picture is made. A flat picture's data is as thin, and whole.
TEST(JpegDamage, AFewArithmeticCodedBytesClaimingAHugePictureEndEarlyBeforeThePictureIsMade) {
    TempFolder dir;
    for (const char* options : {"-arithmetic", "-arithmetic -progressive"}) {
        const std::vector<std::uint8_t> bytes =
            testing::ClaimingSize(EncodeWithCjpeg(dir, {options, 16, 16}, 7), 16384, 16384);
        TBitmap picture;
        try {
            DecodeJpeg(bytes.data(), bytes.size(), picture, JpegDamage::Refuse);
            ADD_FAILURE() << options << ": decoded";
        } catch (const EJPEG& e) {
            EXPECT_STREQ(e.what(), "Premature end of JPEG file") << options;
            EXPECT_EQ(e.Fault(), JpegDataFault::EndsEarly) << options;
        }
        EXPECT_TRUE(picture.Empty()) << options;
    }
    const std::string flat = dir / "flat.ppm";
    testing::WritePpm(flat, testing::ColourBlocks({0x5080A0}, 512));
    ASSERT_EQ(testing::RunCommand("cjpeg -arithmetic " + ShellQuoted(flat) + " > " + ShellQuoted(dir / "flat.jpg")), 0);
    const std::vector<std::uint8_t> thin = ReadBytes(dir / "flat.jpg");
    ASSERT_LT(thin.size(), 1000u);
    TBitmap picture;
    EXPECT_NO_THROW(DecodeJpeg(thin.data(), thin.size(), picture, JpegDamage::Refuse));
    EXPECT_EQ(picture.Height(), 512);
}

}  // namespace
}  // namespace stampwise

namespace stampwise {
namespace {

// The three ways the batch decodes a source, each refusing damage: the whole picture, a third of
// its rows sampled (the rows between skipped), every row in turn. Each gives the refusal's message
// ("" when none) and what it decoded, to be compared with the full decode of a clean file.
struct RefusingPath {
    const char* name;
    std::string (*refusal)(const std::vector<std::uint8_t>& bytes, const TBitmap& clean);
};

std::string ComparedWith(const TBitmap& clean, const TBitmap& got) {
    return testing::FirstDifference(got, clean) == -1 ? "" : "other pixels";
}

const RefusingPath kRefusingPaths[] = {
    {"whole picture",
     [](const std::vector<std::uint8_t>& b, const TBitmap& clean) -> std::string {
         TBitmap picture;
         try {
             DecodeJpeg(b.data(), b.size(), picture, JpegDamage::Refuse);
         } catch (const EJPEG& e) {
             return e.what();
         }
         return ComparedWith(clean, picture);
     }},
    {"sampled rows",
     [](const std::vector<std::uint8_t>& b, const TBitmap& clean) -> std::string {
         TBitmap rows;
         const int rowCount = clean.Height() / 3;
         try {
             DecodeJpegSampledRows(b.data(), b.size(), rowCount, rows, JpegDamage::Refuse);
         } catch (const EJPEG& e) {
             return e.what();
         }
         return CompareSampledRows(clean, rows, rowCount).empty() ? "" : "other pixels";
     }},
    {"rows in turn",
     [](const std::vector<std::uint8_t>& b, const TBitmap& clean) -> std::string {
         TBitmap picture;
         try {
             JpegRowReader reader(b.data(), b.size(), JpegDamage::Refuse);
             picture.Allocate(reader.Width(), reader.Height());
             while (reader.NextRow() < reader.Height()) {
                 std::uint8_t* row[] = {picture.MutableScanLine(reader.NextRow())};
                 reader.ReadRows(row, 1);
             }
         } catch (const EJPEG& e) {
             return e.what();
         }
         return ComparedWith(clean, picture);
     }},
};

const Encoding kEncodings[] = {
    {"-quality 90 -sample 2x2", 160, 144},
    {"-quality 90 -progressive", 160, 144},
    {"-quality 90 -arithmetic", 160, 144},
    {"-quality 90 -arithmetic -progressive", 160, 144},
    {"-quality 90 -restart 1", 160, 144},
};

// Where the entropy-coded data of the file's longest scan is: [first, end).
std::pair<std::size_t, std::size_t> LongestScanData(const std::vector<std::uint8_t>& b) {
    std::pair<std::size_t, std::size_t> longest{0, 0};
    std::size_t at = 2;
    while (at + 4 <= b.size() && b[at] == 0xFF && b[at + 1] != 0xD9) {
        const bool isScan = b[at + 1] == 0xDA;
        at += 2 + (static_cast<std::size_t>(b[at + 2]) << 8 | b[at + 3]);
        if (!isScan) continue;
        // The data runs to the first marker that is neither a stuffed zero nor a restart marker.
        std::size_t end = at;
        while (end + 1 < b.size() &&
               !(b[end] == 0xFF && b[end + 1] != 0 && b[end + 1] != 0xFF && (b[end + 1] & 0xF8) != 0xD0)) {
            ++end;
        }
        if (end - at > longest.second - longest.first) longest = {at, end};
        at = end;
    }
    return longest;
}

// Eight bytes a third of the way into the longest scan changed, as a flaky card changes them: no
// marker made or broken, so the library meets the damage only by decoding it. (Not every such
// change can be seen: a Huffman decoder often finds its way again at once, with wrong colours
// and no word of it. This one it cannot, in any of the encodings.)
std::vector<std::uint8_t> Damaged(std::vector<std::uint8_t> b) {
    const auto [first, end] = LongestScanData(b);
    const std::size_t middle = first + (end - first) * 3 / 10;
    for (std::size_t i = middle; i < middle + 8 && i < end; ++i) {
        if (b[i] == 0xFF || b[i - 1] == 0xFF) continue;
        b[i] ^= 0x5A;
        if (b[i] == 0xFF) b[i] = 0x7F;
    }
    return b;
}

TEST(JpegDamage, BrokenImageDataFailsInEveryDecodePathWithTheLibrarysWords) {
    TempFolder dir;
    for (const Encoding& encoding : kEncodings) {
        const std::vector<std::uint8_t> good = EncodeWithCjpeg(dir, encoding, 11);
        TBitmap clean;
        DecodeJpeg(good.data(), good.size(), clean);
        const std::vector<std::uint8_t> damaged = Damaged(good);
        ASSERT_NE(damaged, good) << encoding.cjpegOptions;
        for (const RefusingPath& path : kRefusingPaths) {
            ASSERT_EQ(path.refusal(good, clean), "") << encoding.cjpegOptions << ", " << path.name;
            const std::string refusal = path.refusal(damaged, clean);
            EXPECT_EQ(refusal.rfind("Corrupt JPEG data: ", 0), 0u)
                << encoding.cjpegOptions << ", " << path.name << ": " << refusal;
        }
    }
}

// What follows the last scan: a file that lacks only its end marker, or has a few fill bytes of
// padding before it, is the complete picture; stray bytes that are no fill are damage, and data
// cut a little short (in the last row of blocks, where an arithmetic decoder goes on from zeros),
// or stopping after an earlier scan, ends early.
TEST(JpegDamage, AMissingEndMarkerOrPaddingIsTheCompletePictureButAMissingScanIsNot) {
    TempFolder dir;
    std::vector<Encoding> encodings(std::begin(kEncodings), std::end(kEncodings));
    encodings.push_back({"-quality 90 -scans separate.scans", 160, 144});
    for (const Encoding& encoding : encodings) {
        const std::vector<std::uint8_t> good = EncodeWithCjpeg(dir, encoding, 13);
        ASSERT_GE(good.size(), 4u);
        ASSERT_EQ(good[good.size() - 2], 0xFF);
        ASSERT_EQ(good[good.size() - 1], 0xD9);
        TBitmap clean;
        DecodeJpeg(good.data(), good.size(), clean);

        const std::vector<std::uint8_t> noEnd(good.begin(), good.end() - 2);
        const std::vector<std::uint8_t> cut(good.begin(), good.end() - 2 - 32);
        std::vector<std::uint8_t> padded = good;
        padded.insert(padded.end() - 2, {0x00, 0xFF, 0x00, 0x00, 0xFF, 0xFF, 0x00});
        std::vector<std::uint8_t> stray = good;
        // Fewer than padding may be, more than a decoder reads ahead, so that some reach the marker reader.
        stray.insert(stray.end() - 2, {0x55, 0xBA, 0x13, 0x37, 0x42, 0x99, 0x21, 0x7E, 0x0C, 0x60, 0x5D, 0x31});
        for (const RefusingPath& path : kRefusingPaths) {
            const std::string where = encoding.cjpegOptions + ", " + path.name;
            EXPECT_EQ(path.refusal(noEnd, clean), "") << where << ", no end marker";
            EXPECT_EQ(path.refusal(padded, clean), "") << where << ", padding";
            const std::string strayRefusal = path.refusal(stray, clean);
            EXPECT_EQ(strayRefusal.rfind("Corrupt JPEG data: ", 0), 0u) << where << ", stray bytes";
            EXPECT_NE(strayRefusal.find("extraneous bytes before marker 0xd9"), std::string::npos) << strayRefusal;
            EXPECT_EQ(path.refusal(cut, clean), "Premature end of JPEG file") << where << ", cut short";
        }

        // The data ends just before the last scan: every row has its pixels, but not all of them.
        if (encoding.cjpegOptions.find("-progressive") == std::string::npos) continue;
        std::size_t lastScan = 0;
        for (std::size_t i = 2; i + 1 < good.size(); ++i) {
            if (good[i] == 0xFF && good[i + 1] == 0xDA) lastScan = i;
        }
        const std::vector<std::uint8_t> scanMissing(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(lastScan));
        for (const RefusingPath& path : kRefusingPaths) {
            EXPECT_EQ(path.refusal(scanMissing, clean), "Premature end of JPEG file")
                << encoding.cjpegOptions << ", " << path.name << ", last scan missing";
        }
    }
}

}  // namespace
}  // namespace stampwise
