// A reduction decodes only the rows it samples. Whatever the file, the step must give what the
// plain way gives — decode the whole picture, one StretchCopy — including how and with which sizes
// it fails, so the plain way is written out here as the reference.
#include <gtest/gtest.h>

#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "imaging/JpegImage.h"
#include "imaging/Raster.h"
#include "resize/ResizeRule.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"
#include "support/TestColourFiles.h"

namespace stampwise {
namespace {

using testing::MakePhotoLike;
using testing::TempFolder;

struct StepResult {
    std::string error;  // empty on success
    PictureSize sourceSize;
    PictureSize newSize;
    TBitmap picture;
};

// The resize of a whole decoded picture, which a damaged file fails.
StepResult ReferenceResize(const std::string& path, ResizeMode mode, int value) {
    StepResult r;
    TJPEGImage source;
    try {
        source.ReadFromFile(path);
        r.sourceSize = {source.Width(), source.Height()};
        TBitmap decoded;
        source.DecodedBitmap(JpegDamage::Refuse);
        decoded.AssignJpeg(source);
        r.sourceSize = {decoded.Width(), decoded.Height()};
        r.newSize = ComputeNewSize(decoded.Width(), decoded.Height(), mode, value);
        if (r.newSize.Width < 1 || r.newSize.Height < 1) throw std::runtime_error("no pixels");
        r.picture.Allocate(r.newSize.Width, r.newSize.Height);
        StretchCopy(r.picture, Rect{0, 0, r.newSize.Width, r.newSize.Height}, decoded);
    } catch (const std::exception& e) {
        r.sourceSize = {source.Width(), source.Height()};
        r.error = e.what();
    }
    return r;
}

StepResult StepResize(const std::string& path, ResizeMode mode, int value) {
    StepResult r;
    StepOutcome outcome;
    try {
        r.picture = ResizePixels(path, mode, value, outcome).Picture;  // before the encoding
    } catch (const std::exception& e) {
        r.error = e.what();
    }
    r.sourceSize = outcome.SourceSize;
    r.newSize = outcome.NewSize;
    return r;
}

void ExpectSameResult(const StepResult& reference, const StepResult& step, const std::string& what) {
    EXPECT_EQ(step.error.empty(), reference.error.empty()) << what << ": " << step.error << " / " << reference.error;
    // The no-pixels text differs in wording only; library errors must be the same.
    if (!reference.error.empty() && reference.error != "no pixels") {
        EXPECT_EQ(step.error, reference.error) << what;
    }
    EXPECT_EQ(step.sourceSize, reference.sourceSize) << what;
    EXPECT_EQ(step.newSize, reference.newSize) << what;
    EXPECT_EQ(testing::FirstDifference(step.picture, reference.picture), -1) << what;
}

TEST(ResizeReduction, GivesWhatTheWholePictureGivesInEveryMode) {
    TempFolder dir;
    struct File {
        std::string name;
        std::vector<std::uint8_t> bytes;
    };
    const File files[] = {
        {"colour.jpg", testing::EncodeWithLibjpeg(MakePhotoLike(203, 151, 1), false, false)},
        {"progressive.jpg", testing::EncodeWithLibjpeg(MakePhotoLike(171, 149, 2), true, false)},
        {"gray.jpg", testing::EncodeWithLibjpeg(MakePhotoLike(123, 111, 3), false, true)},
        {"tall.jpg", testing::EncodeWithLibjpeg(MakePhotoLike(9, 300, 4), false, false)},
        // Converted to sRGB after the copy, where the whole picture is converted before it.
        {"p3.jpg", testing::WithIccProfile(testing::EncodeWithLibjpeg(MakePhotoLike(97, 61, 5), false, false),
                                           testing::DisplayP3Profile())},
    };
    const struct {
        ResizeMode mode;
        int value;
    } rules[] = {
        {ResizeMode::Width, 50},   {ResizeMode::Width, 3},    {ResizeMode::Width, 1},
        {ResizeMode::Height, 100}, {ResizeMode::Height, 1},   {ResizeMode::Percent, 99},
        {ResizeMode::Percent, 33}, {ResizeMode::Percent, 1},  {ResizeMode::Percent, 100},
        {ResizeMode::Percent, 150}, {ResizeMode::Width, 1000},
    };
    int resized = 0;
    for (const File& f : files) {
        const std::string path = dir / f.name;
        testing::WriteBytes(path, f.bytes);
        for (const auto& rule : rules) {
            const std::string what = f.name + " mode " + std::to_string(static_cast<int>(rule.mode)) +
                                     " value " + std::to_string(rule.value);
            // Some rules leave no pixels for some files (height 1 of the tall one): those fail
            // alike too.
            const StepResult reference = ReferenceResize(path, rule.mode, rule.value);
            ExpectSameResult(reference, StepResize(path, rule.mode, rule.value), what);
            if (reference.error.empty()) ++resized;
        }
    }
    EXPECT_GE(resized, 50);
}

// Broken files fail, or come out, exactly as through the whole picture: the same error, the same
// sizes in the report, the same pixels (run under AddressSanitizer as well).
TEST(ResizeReduction, MutatedFilesFailOrSucceedAsTheWholePictureDoes) {
    TempFolder dir;
    const std::vector<std::vector<std::uint8_t>> seeds = {
        testing::EncodeWithLibjpeg(MakePhotoLike(64, 48, 7), false, false),
        testing::EncodeWithLibjpeg(MakePhotoLike(40, 56, 8), true, false),
        testing::EncodeWithLibjpeg(MakePhotoLike(36, 30, 9), false, true),
    };
    std::mt19937 random(2024);
    const std::string path = dir / "mutated.jpg";
    int failed = 0;
    int succeeded = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bytes = seeds[round % seeds.size()];
        // Keep the frame size: a mutated size only makes the picture slow to decode.
        std::size_t sof = 0;
        while (sof + 1 < bytes.size() && !(bytes[sof] == 0xFF && (bytes[sof + 1] & 0xFC) == 0xC0)) ++sof;
        const int edits = 1 + static_cast<int>(random() % 5);
        for (int e = 0; e < edits; ++e) {
            const std::size_t at = random() % bytes.size();
            if (at >= sof + 5 && at < sof + 9) continue;
            bytes[at] = static_cast<std::uint8_t>(random());
        }
        if (random() % 4 == 0) bytes.resize(random() % bytes.size());
        testing::WriteBytes(path, bytes);

        const StepResult reference = ReferenceResize(path, ResizeMode::Width, 13);
        ExpectSameResult(reference, StepResize(path, ResizeMode::Width, 13), "round " + std::to_string(round));
        (reference.error.empty() ? succeeded : failed) += 1;
    }
    EXPECT_GT(failed, 0);
    EXPECT_GT(succeeded, 0);
}

}  // namespace
}  // namespace stampwise
