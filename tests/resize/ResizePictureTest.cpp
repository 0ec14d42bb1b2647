#include <gtest/gtest.h>

#include <string>

#include "imaging/JpegImage.h"
#include "resize/ResizeRule.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

using testing::ColorsClose;
using testing::DecodeJpegFile;
using testing::kTestLeftColor;
using testing::kTestRightColor;
using testing::TempFolder;
using testing::WriteTestJpeg;

// Runs the step and saves its picture where the test can decode it.
TBitmap ResizeAndDecode(const TempFolder& dir, const std::string& source, ResizeMode mode,
                        int value, StepOutcome& outcome) {
    ResizePicture(source, mode, value, outcome);
    const std::string out = dir.String() + "/out.jpg";
    testing::WriteBytes(out, outcome.Bytes);
    return DecodeJpegFile(out);
}

TEST(ResizePicture, ShrinksToTheFixedWidthKeepingLeftAndRight) {
    TempFolder dir;
    const std::string source = dir.String() + "/a.jpg";
    WriteTestJpeg(source, 47, 33);

    StepOutcome outcome;
    const TBitmap result = ResizeAndDecode(dir, source, ResizeMode::Width, 20, outcome);

    EXPECT_EQ(outcome.SourceSize, (PictureSize{47, 33}));
    EXPECT_EQ(outcome.NewSize, (PictureSize{20, 14}));  // 33 × 20 / 47 = 14.04
    ASSERT_EQ(result.Width(), 20);
    ASSERT_EQ(result.Height(), 14);
    EXPECT_TRUE(ColorsClose(result.PixelAt(2, 7), kTestLeftColor));
    EXPECT_TRUE(ColorsClose(result.PixelAt(17, 7), kTestRightColor));
}

TEST(ResizePicture, PercentAbove100Enlarges) {
    TempFolder dir;
    const std::string source = dir.String() + "/a.jpg";
    WriteTestJpeg(source, 16, 9);

    StepOutcome outcome;
    const TBitmap result = ResizeAndDecode(dir, source, ResizeMode::Percent, 200, outcome);

    EXPECT_EQ(outcome.NewSize, (PictureSize{32, 18}));
    EXPECT_EQ(result.Width(), 32);
    EXPECT_EQ(result.Height(), 18);
}

TEST(ResizePicture, PictureNotWiderThanTheValueIsStillReencoded) {
    TempFolder dir;
    const std::string source = dir.String() + "/a.jpg";
    WriteTestJpeg(source, 30, 20);

    StepOutcome outcome;
    ResizePicture(source, ResizeMode::Width, 30, outcome);

    EXPECT_EQ(outcome.SourceSize, (PictureSize{30, 20}));
    EXPECT_EQ(outcome.NewSize, (PictureSize{30, 20}));
    // A picture made from pixels, not the source's bytes handed through.
    EXPECT_FALSE(outcome.Bytes == testing::ReadFileBytes(source));
    testing::WriteBytes(dir.String() + "/out.jpg", outcome.Bytes);
    EXPECT_EQ(testing::JpegFileSize(dir.String() + "/out.jpg"), (PictureSize{30, 20}));
}

TEST(ResizePicture, FileThatIsNoJpegFailsWithNoSizes) {
    TempFolder dir;
    const std::string source = dir.WriteFile("text.jpg", "this is not a picture");

    StepOutcome outcome;
    EXPECT_ANY_THROW(ResizePicture(source, ResizeMode::Width, 20, outcome));
    EXPECT_EQ(outcome.SourceSize, (PictureSize{0, 0}));
    EXPECT_EQ(outcome.NewSize, (PictureSize{0, 0}));
}

// Both decodes refuse it: the sampled rows of a reduction and the whole picture otherwise.
TEST(ResizePicture, CutShortFileFailsWithTheLibrarysWordsWhetherReducedOrNot) {
    TempFolder dir;
    const std::string source = dir.String() + "/half-copied.jpg";
    WriteTestJpeg(source, 64, 48);
    testing::CutShort(source);
    for (int percent : {25, 100}) {
        StepOutcome outcome;
        try {
            ResizePicture(source, ResizeMode::Percent, percent, outcome);
            ADD_FAILURE() << percent << "%: a cut-short file was resized";
        } catch (const std::exception& e) {
            EXPECT_STREQ(e.what(), "Premature end of JPEG file") << percent << "%";
        }
        EXPECT_EQ(outcome.SourceSize, (PictureSize{64, 48})) << percent << "%";
    }
}

TEST(ResizePicture, MissingFileFailsWithNoSizes) {
    TempFolder dir;
    StepOutcome outcome;
    EXPECT_ANY_THROW(ResizePicture(dir.String() + "/missing.jpg", ResizeMode::Width, 20, outcome));
    EXPECT_EQ(outcome.SourceSize, (PictureSize{0, 0}));
    EXPECT_EQ(outcome.NewSize, (PictureSize{0, 0}));
}

TEST(ResizePicture, SizeWithoutPixelsFailsAfterFillingBothSizes) {
    TempFolder dir;
    const std::string source = dir.String() + "/wide.jpg";
    WriteTestJpeg(source, 40, 1);

    StepOutcome zeroValue;
    EXPECT_ANY_THROW(ResizePicture(source, ResizeMode::Width, 0, zeroValue));
    EXPECT_EQ(zeroValue.SourceSize, (PictureSize{40, 1}));
    EXPECT_EQ(zeroValue.NewSize, (PictureSize{0, 0}));

    // 1 × 10 / 40 = 0.25: the height rounds to 0.
    StepOutcome flat;
    EXPECT_ANY_THROW(ResizePicture(source, ResizeMode::Width, 10, flat));
    EXPECT_EQ(flat.NewSize, (PictureSize{10, 0}));

    StepOutcome negative;
    EXPECT_ANY_THROW(ResizePicture(source, ResizeMode::Percent, -100, negative));
    EXPECT_EQ(negative.NewSize, (PictureSize{-40, -1}));
}

TEST(ResizePicture, SizeTooLargeToMakeFailsInsteadOfExhaustingMemory) {
    TempFolder dir;
    const std::string source = dir.String() + "/a.jpg";
    WriteTestJpeg(source, 20, 20);

    StepOutcome outcome;
    EXPECT_ANY_THROW(ResizePicture(source, ResizeMode::Percent, 1000000, outcome));
    EXPECT_EQ(outcome.NewSize, (PictureSize{200000, 200000}));
}

TEST(MakeResizeOperation, StepAppliesTheConfirmedRule) {
    TempFolder dir;
    const std::string source = dir.String() + "/a.jpg";
    WriteTestJpeg(source, 40, 30);

    const BatchOperation op = MakeResizeOperation(ResizeMode::Height, 15, "15");
    StepOutcome outcome;
    op.Step(source, outcome);
    EXPECT_EQ(outcome.NewSize, (PictureSize{20, 15}));
}

}  // namespace
}  // namespace stampwise
