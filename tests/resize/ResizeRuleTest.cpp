#include "resize/ResizeRule.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <ostream>
#include <string>

#include "imaging/PictureCost.h"
#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

struct SizeCase {
    const char* name;
    int width;
    int height;
    ResizeMode mode;
    int value;
    PictureSize expected;
};

void PrintTo(const SizeCase& c, std::ostream* os) { *os << c.name; }

class ComputeNewSizeExamples : public ::testing::TestWithParam<SizeCase> {};

TEST_P(ComputeNewSizeExamples, GivesTheWorkedSize) {
    const SizeCase& c = GetParam();
    EXPECT_EQ(ComputeNewSize(c.width, c.height, c.mode, c.value), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, ComputeNewSizeExamples,
    ::testing::Values(
        SizeCase{"Width1600x1200To800", 1600, 1200, ResizeMode::Width, 800, {800, 600}},
        SizeCase{"Width1000x667To300RoundsDown", 1000, 667, ResizeMode::Width, 300, {300, 200}},
        SizeCase{"Width640x481HalfGoesToEven240", 640, 481, ResizeMode::Width, 320, {320, 240}},
        SizeCase{"Width640x483HalfGoesToEven242", 640, 483, ResizeMode::Width, 320, {320, 242}},
        SizeCase{"Width3x2To2", 3, 2, ResizeMode::Width, 2, {2, 1}},
        SizeCase{"WidthEqualKeepsSize", 800, 600, ResizeMode::Width, 800, {800, 600}},
        SizeCase{"WidthNeverEnlarges", 800, 600, ResizeMode::Width, 1000, {800, 600}},
        SizeCase{"Height600x800To400", 600, 800, ResizeMode::Height, 400, {300, 400}},
        SizeCase{"Percent1001HalfGoesToEven500", 1001, 750, ResizeMode::Percent, 50, {500, 375}},
        SizeCase{"Percent1003HalfGoesToEven502", 1003, 750, ResizeMode::Percent, 50, {502, 375}},
        SizeCase{"PercentMayEnlarge", 640, 480, ResizeMode::Percent, 150, {960, 720}}),
    [](const ::testing::TestParamInfo<SizeCase>& example) { return std::string(example.param.name); });

INSTANTIATE_TEST_SUITE_P(
    FurtherRules, ComputeNewSizeExamples,
    ::testing::Values(
        SizeCase{"HeightNeverEnlarges", 600, 800, ResizeMode::Height, 1000, {600, 800}},
        SizeCase{"HeightEqualKeepsSize", 600, 800, ResizeMode::Height, 800, {600, 800}},
        // 481 × 320 / 640 = 240.5 and 483 × 320 / 640 = 241.5 with the sides swapped.
        SizeCase{"HeightHalfGoesToEvenDown", 481, 640, ResizeMode::Height, 320, {240, 320}},
        SizeCase{"HeightHalfGoesToEvenUp", 483, 640, ResizeMode::Height, 320, {242, 320}},
        SizeCase{"Percent100KeepsSize", 47, 33, ResizeMode::Percent, 100, {47, 33}},
        SizeCase{"Percent200Doubles", 47, 33, ResizeMode::Percent, 200, {94, 66}},
        SizeCase{"PercentHalvesGoToEvenBothWays", 3, 5, ResizeMode::Percent, 50, {2, 2}},
        // The sizes that make no picture: the step refuses them, the rule only reports them.
        SizeCase{"WidthSideRoundsToZero", 1000, 4, ResizeMode::Width, 100, {100, 0}},
        SizeCase{"WidthSideHalfRoundsToZero", 1000, 5, ResizeMode::Width, 100, {100, 0}},
        SizeCase{"WidthZeroValue", 40, 30, ResizeMode::Width, 0, {0, 0}},
        SizeCase{"WidthNegativeValue", 40, 30, ResizeMode::Width, -20, {-20, -15}},
        // -0.5 is a half too: it goes to the even neighbour 0, not away from zero.
        SizeCase{"NegativeHalfGoesToEven", 1, 1, ResizeMode::Percent, -50, {0, 0}},
        SizeCase{"NegativeHalfGoesToEvenBelow", 3, 3, ResizeMode::Percent, -50, {-2, -2}},
        SizeCase{"PercentZero", 47, 33, ResizeMode::Percent, 0, {0, 0}},
        // 65000 × 60000 does not fit in 32 bits; the quotient 59541.98 must still come out.
        SizeCase{"ProductsBeyond32BitsStayExact", 65500, 65000, ResizeMode::Width, 60000,
                 {60000, 59542}}),
    [](const ::testing::TestParamInfo<SizeCase>& example) { return std::string(example.param.name); });

TEST(ComputeNewSize, PictureWithoutColumnsDoesNotDivideByZero) {
    EXPECT_EQ(ComputeNewSize(0, 5, ResizeMode::Width, -3), (PictureSize{-3, 0}));
    EXPECT_EQ(ComputeNewSize(5, 0, ResizeMode::Height, -3), (PictureSize{0, -3}));
}

TEST(ComputeNewSize, HugePercentSaturatesInsteadOfWrapping) {
    const PictureSize size = ComputeNewSize(65500, 2, ResizeMode::Percent, INT_MAX);
    EXPECT_EQ(size.Width, INT_MAX);
    EXPECT_GT(size.Height, 0);
}

TEST(ResizeOperationPhrase, NamesTheRuleWithTheTextAsTyped) {
    EXPECT_EQ(ResizeOperationPhrase(ResizeMode::Width, "0800"), "чтобы их ширина стала 0800 пикс.,");
    EXPECT_EQ(ResizeOperationPhrase(ResizeMode::Height, "600"), "чтобы их высота стала 600 пикс.,");
    EXPECT_EQ(ResizeOperationPhrase(ResizeMode::Percent, "abc"), "в масштабе abc%");
}

TEST(MakeResizeOperation, CarriesTheTextsOfTheResizeOperation) {
    const BatchOperation op = MakeResizeOperation(ResizeMode::Percent, 50, "50");
    EXPECT_EQ(op.Texts.Keyword, "resize");
    EXPECT_EQ(op.OperationPhrase, "в масштабе 50%");
    EXPECT_TRUE(op.Step);
}

// The runner admits files by this estimate: a reduction holds only the rows it samples, an
// enlargement the larger result.
TEST(MakeResizeOperation, PricesAReductionBelowAndAnEnlargementAboveAWholeDecode) {
    testing::TempFolder dir;
    const std::string path = (dir.Path() / "p.jpg").string();
    testing::WriteTestJpeg(path, 600, 400);
    const std::uint64_t whole = EstimateFileMemory(path);
    EXPECT_LT(MakeResizeOperation(ResizeMode::Width, 60, "60").EstimateMemory(path), whole);
    EXPECT_GT(MakeResizeOperation(ResizeMode::Percent, 300, "300").EstimateMemory(path), whole);
}

// The resize window's summary.
TargetTexts SummaryTargets() { return {"E:/Out", "Resized", "resized_", "_resized"}; }

TEST(BuildResizeSummary, FolderSourceTargetFolderFixedWidth) {
    EXPECT_EQ(BuildResizeSummary("folder", "D:/Фото", 12, "folder", SummaryTargets(),
                                 ResizeMode::Width, "800"),
              "Все картинки в папке [D:/Фото] с расширением jpg (всего 12) преобразуются и "
              "сохранятся в папку [E:/Out]. Ширина обработанных картинок будет 800 пикс. Если в "
              "каталоге есть картинки ширина которых меньше 800 пикс., то их размер изменяться "
              "не будет.");
}

TEST(BuildResizeSummary, FilesSourceCountsTheFiles) {
    const std::string summary = BuildResizeSummary("files", "D:/Фото", 3, "folder",
                                                   SummaryTargets(), ResizeMode::Width, "100");
    EXPECT_EQ(summary.rfind("Выбранные 3 файла(ов) с картинками преобразуются и сохранятся", 0), 0u)
        << summary;
}

TEST(BuildResizeSummary, EachTargetModeHasItsPart) {
    auto targetPart = [](const std::string& mode) {
        return BuildResizeSummary("files", "", 1, mode, SummaryTargets(), ResizeMode::Percent, "50");
    };
    const std::string head = "Выбранные 1 файла(ов) с картинками преобразуются";
    const std::string tail = "Размер картинок будет изменен в масштабе 50%.";
    EXPECT_EQ(targetPart("folder"), head + " и сохранятся в папку [E:/Out]." + tail);
    EXPECT_EQ(targetPart("subfolder"), head + " и сохранятся в подкаталог [Resized]." + tail);
    EXPECT_EQ(targetPart("prefix"),
              head + " и сохранятся в ту же папку, к названиям файлов спереди будет добавлено "
                     "слово resized_." + tail);
    EXPECT_EQ(targetPart("suffix"),
              head + " и сохранятся в ту же папку, к названиям файлов сзади будет добавлено "
                     "слово _resized." + tail);
}

TEST(BuildResizeSummary, FixedHeightSaysSmallerPicturesKeepTheirSize) {
    EXPECT_EQ(BuildResizeSummary("files", "", 2, "subfolder", SummaryTargets(), ResizeMode::Height,
                                 "600"),
              "Выбранные 2 файла(ов) с картинками преобразуются и сохранятся в подкаталог "
              "[Resized]. Высота обработанных картинок будет 600 пикс. Если в каталоге есть "
              "картинки высота которых меньше 600 пикс., то их размер изменяться не будет.");
}

TEST(BuildResizeSummary, ShowsTheSpinEditTextEvenWhenItIsNoNumber) {
    const std::string summary = BuildResizeSummary("files", "", 1, "folder", SummaryTargets(),
                                                   ResizeMode::Width, "12a");
    EXPECT_NE(summary.find(" Ширина обработанных картинок будет 12a пикс."), std::string::npos);
    EXPECT_NE(summary.find("меньше 12a пикс."), std::string::npos);
}

}  // namespace
}  // namespace stampwise
