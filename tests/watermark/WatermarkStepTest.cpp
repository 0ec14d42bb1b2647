#include "watermark/WatermarkStep.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/ImageErrors.h"
#include "imaging/JpegDecoder.h"
#include "imaging/JpegEncoder.h"
#include "imaging/JpegImage.h"
#include "imaging/PictureCost.h"
#include "support/RecordingBatchView.h"
#include "support/ReferenceCodec.h"
#include "support/ScriptedMessageBoxes.h"
#include "support/TempFolder.h"
#include "support/TestColourFiles.h"
#include "support/TestJpegFiles.h"
#include "watermark/StampReference.h"

namespace stampwise {
namespace {

using testing::DecodeJpegFile;
using testing::FileExists;
using testing::FilledPicture;
using testing::PatternPicture;
using testing::ReadFileBytes;
using testing::RecordingBatchView;
using testing::ReferenceStamp;
using testing::SamePixels;
using testing::ScriptedMessageBoxes;
using testing::ShownBox;
using testing::TempFolder;

std::string PathIn(const TempFolder& folder, const std::string& name) {
    return folder.String() + "/" + name;
}

// A photograph stand-in whose pixels nearly all differ, so a stamp in the wrong place shows.
void WritePatternJpeg(const std::string& path, int width, int height, int seed) {
    testing::WriteJpeg(path, PatternPicture(width, height, seed));
}

// A 12 × 8 logo as TrimLogo leaves it: dark drawing touching every edge, white and light parts
// inside that the blend and the noise filter must leave out.
TBitmap TestLogo() {
    TBitmap logo = FilledPicture(12, 8, kColorWhite);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 12; ++x)
            if (x == 0 || y == 0 || x == 11 || y == 7 || (x + y) % 3 == 0)
                logo.SetPixelAt(x, y, RGBColor(20 * x, 30 * y, 90));
    logo.SetPixelAt(5, 3, RGBColor(250, 250, 250));  // noise at level 10: becomes white
    logo.SetPixelAt(6, 3, RGBColor(204, 255, 255));  // light, but blended
    return logo;
}

// The stamp the rules make of TestLogo at its own size and level 10, worked out here pixel by
// pixel: every pixel packed at or above the grey (245, 245, 245) turns white.
TBitmap ExpectedStampOfTestLogo() {
    TBitmap stamp = TestLogo();
    for (int y = 0; y < stamp.Height(); ++y)
        for (int x = 0; x < stamp.Width(); ++x)
            if (stamp.PixelAt(x, y) >= 245u * 65793u) stamp.SetPixelAt(x, y, kColorWhite);
    return stamp;
}

WatermarkSettings TestSettings(PlacementSet placements) {
    WatermarkSettings settings;
    settings.Logo = TestLogo();
    settings.SizeMode = LogoSizeMode::Percent;
    settings.SizeValue = 100;
    settings.Placements = std::move(placements);
    settings.MarginPx = 3;
    settings.Opacity = 150;
    settings.NoiseLevel = 10;
    return settings;
}


// ---- The window's checks ----

TEST(WatermarkChecks, TheLogoIsCheckedBeforeThePlacements) {
    EXPECT_EQ(CheckWatermarkReady("", {}), kNoLogoText);
    EXPECT_EQ(CheckWatermarkReady("", {LogoPlacement::Middle}), kNoLogoText);
    EXPECT_EQ(CheckWatermarkReady("/photos/logo.bmp", {}), kNoPlacementText);
    EXPECT_EQ(CheckWatermarkReady("/photos/logo.bmp", {LogoPlacement::BottomRight}), std::nullopt);
}

TEST(WatermarkChecks, OnlyTheFirstFailingCheckIsShownAndItsAnswerChangesNothing) {
    ScriptedMessageBoxes boxes;
    boxes.AnswerNext(true);  // even Yes must not let the batch run
    EXPECT_FALSE(RunWatermarkChecks("", {}, boxes));
    boxes.AnswerNext(true);
    EXPECT_FALSE(RunWatermarkChecks("/photos/logo.jpg", {}, boxes));
    EXPECT_TRUE(RunWatermarkChecks("/photos/logo.jpg", {LogoPlacement::TopLeft}, boxes));

    const std::vector<ShownBox> expected = {{ShownBox::Kind::NoticeYesNo, kNoLogoText},
                                            {ShownBox::Kind::NoticeYesNo, kNoPlacementText}};
    EXPECT_EQ(boxes.shown, expected);
}

// ---- StampPicture ----

// What the step gave before it streamed: the whole decoded picture stamped, then encoded.
std::vector<std::uint8_t> WholePictureResult(const std::string& source, const TBitmap& stamp,
                                             const PlacementSet& placements, int marginPx,
                                             int opacity) {
    return EncodeJpeg(StampLogo(DecodeJpegFile(source), stamp, placements, marginPx, opacity));
}

TEST(StampPicture, StreamedResultIsTheWholePicturesByteForByte) {
    TempFolder dir;
    // Heights that end in a partial band; progressive, grayscale and turned files as cameras and
    // scanners write them.
    const TBitmap photo = testing::MakePhotoLike(47, 37, 3);
    struct Source {
        const char* name;
        std::vector<std::uint8_t> bytes;
    };
    const Source sources[] = {
        {"baseline", EncodeJpeg(photo)},
        {"progressive", testing::EncodeWithLibjpeg(photo, true, false)},
        {"grayscale", testing::EncodeWithLibjpeg(photo, false, true)},
        {"grayscale progressive", testing::EncodeWithLibjpeg(testing::MakePhotoLike(23, 41, 4), true, true)},
        // Upright rows mirrored in turn, and a file on its side that is stamped whole.
        {"mirrored by Exif", testing::WithExifOrientation(EncodeJpeg(photo), 2, false)},
        {"on its side by Exif", testing::WithExifOrientation(EncodeJpeg(photo), 6, true)},
        // Rows converted to sRGB before the stamp, streamed and whole.
        {"Display P3", testing::WithIccProfile(EncodeJpeg(photo), testing::DisplayP3Profile())},
        {"Display P3 on its side",
         testing::WithExifOrientation(testing::WithIccProfile(EncodeJpeg(photo), testing::DisplayP3Profile()), 6,
                                      true)},
    };
    // The test logo's own size, and one larger than every picture on both axes.
    const TBitmap stamps[] = {ExpectedStampOfTestLogo(), PrepareLogo(PatternPicture(20, 14, 6), 61, 45, 10)};
    std::vector<PlacementSet> placementSets;
    for (LogoPlacement placement : kAllPlacements) placementSets.push_back({placement});
    placementSets.push_back(testing::kEveryPlacement);

    for (const Source& s : sources) {
        const std::string path = PathIn(dir, "source.jpg");
        testing::WriteBytes(path, s.bytes);
        for (const TBitmap& stamp : stamps) {
            for (const PlacementSet& placements : placementSets) {
                for (int margin : {3, 0, -5, -30}) {
                    SCOPED_TRACE(std::string(s.name) + ", stamp " + std::to_string(stamp.Width()) +
                                 " wide, " + std::to_string(placements.size()) +
                                 " placement(s) from " +
                                 std::to_string(static_cast<int>(*placements.begin())) +
                                 ", margin " + std::to_string(margin));
                    StepOutcome outcome;
                    StampPicture(path, stamp, placements, margin, 150, outcome);
                    const TBitmap decoded = DecodeJpegFile(path);
                    EXPECT_EQ(outcome.SourceSize, (PictureSize{decoded.Width(), decoded.Height()}));
                    EXPECT_EQ(outcome.NewSize, outcome.SourceSize);
                    EXPECT_TRUE(outcome.Bytes ==
                                WholePictureResult(path, stamp, placements, margin, 150));
                }
            }
        }
    }
}

TEST(StampPicture, AnUnreadableSourceFailsWithoutSizes) {
    TempFolder dir;
    const std::string notJpeg = dir.WriteFile("notes.jpg", "these are not the pixels you want");
    for (const std::string& source : {notJpeg, PathIn(dir, "missing.jpg")}) {
        StepOutcome outcome;
        EXPECT_THROW(StampPicture(source, ExpectedStampOfTestLogo(), {LogoPlacement::Middle}, 0,
                                  100, outcome),
                     std::exception)
            << source;
        EXPECT_EQ(outcome.SourceSize, (PictureSize{0, 0}));
        EXPECT_EQ(outcome.NewSize, (PictureSize{0, 0}));
    }
}

TEST(StampPicture, ASourceFailingAfterItsHeaderReportsTheHeadersSize) {
    TempFolder dir;
    std::vector<std::uint8_t> bytes = EncodeJpeg(testing::MakePhotoLike(16, 16, 2));
    // A frame too large to decode: the reader refuses it before its first row.
    for (std::size_t i = 2; i + 8 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {
            bytes[i + 5] = 0xFF;  // height 65500
            bytes[i + 6] = 0xDC;
            bytes[i + 7] = 0xFF;  // width 65500
            bytes[i + 8] = 0xDC;
            break;
        }
    }
    const std::string source = PathIn(dir, "huge.jpg");
    testing::WriteBytes(source, bytes);
    StepOutcome outcome;
    EXPECT_THROW(StampPicture(source, ExpectedStampOfTestLogo(), {LogoPlacement::Middle}, 0, 100, outcome),
                 EOutOfResources);
    EXPECT_EQ(outcome.SourceSize, (PictureSize{65500, 65500}));
}

TEST(StampPicture, ACutShortSourceFailsWithTheLibrarysWords) {
    TempFolder dir;
    const std::string source = PathIn(dir, "half-copied.jpg");
    WritePatternJpeg(source, 47, 33, 1);
    testing::CutShort(source);
    StepOutcome outcome;
    try {
        StampPicture(source, ExpectedStampOfTestLogo(), {LogoPlacement::Middle}, 0, 100, outcome);
        ADD_FAILURE() << "a cut-short source was stamped";
    } catch (const EJPEG& e) {
        EXPECT_STREQ(e.what(), "Premature end of JPEG file");
    }
}

// ---- The operation given to the runner ----

TEST(WatermarkOperation, TheStampHasOneSizeForSmallAndLargePictures) {
    // Percent 50 of a 120 × 80 logo is 60 × 40, on a picture smaller than that and a larger one.
    TempFolder dir;
    const TBitmap logo = PatternPicture(120, 80, 4);
    WatermarkSettings settings = TestSettings({LogoPlacement::BottomRight, LogoPlacement::TopLeft});
    settings.Logo = logo;
    settings.SizeValue = 50;
    const BatchOperation operation = MakeWatermarkOperation(settings);
    const TBitmap stamp = PrepareLogo(logo, 60, 40, 10);
    ASSERT_EQ(stamp.Width(), 60);

    operation.Prepare();
    for (const auto& [width, height] : {std::pair{200, 150}, std::pair{33, 21}}) {
        const std::string source = PathIn(dir, "p" + std::to_string(width) + ".jpg");
        WritePatternJpeg(source, width, height, 2);
        StepOutcome outcome;
        operation.Step(source, outcome);
        EXPECT_TRUE(outcome.Bytes ==
                    EncodeJpeg(ReferenceStamp(DecodeJpegFile(source), stamp, settings.Placements, 3, 150)))
            << width << "x" << height;
    }
    operation.CleanUp();
}

// Under a kept ProPhoto profile the stamp goes into ProPhoto's colours, so that the result, seen
// through its profile, shows the logo's own colour; a light pixel the blend leaves out stays left
// out, though in ProPhoto it is no longer white enough.
TEST(WatermarkOperation, AKeptProfileGetsTheLogoInItsOwnColours) {
    TempFolder dir;
    constexpr ColorValue kNavy = RGBColor(0x20, 0x30, 0x60);
    constexpr ColorValue kGrey = RGBColor(128, 128, 128);
    // Navy, a see-through band of a whole 16-row block, navy.
    TBitmap logo = FilledPicture(16, 48, kNavy);
    for (int y = 16; y < 32; ++y)
        for (int x = 0; x < 16; ++x) logo.SetPixelAt(x, y, RGBColor(230, 255, 255));
    WatermarkSettings settings = TestSettings({LogoPlacement::TopLeft});
    settings.Logo = logo;
    settings.MarginPx = 0;
    settings.Opacity = 255;
    settings.NoiseLevel = 0;
    settings.Profiles = ProfileHandling::Keep;
    const std::string source = PathIn(dir, "prophoto.jpg");
    testing::WriteBytes(source, testing::WithIccProfile(EncodeJpeg(FilledPicture(64, 64, kGrey)),
                                                        testing::ProPhotoProfile()));
    const BatchOperation operation = MakeWatermarkOperation(settings);
    operation.Prepare();
    StepOutcome outcome;
    operation.Step(source, outcome);
    operation.CleanUp();
    const std::vector<std::uint8_t>& result = outcome.Bytes;
    ASSERT_FALSE(result.empty());
    TBitmap seen;
    DecodeJpeg(result.data(), result.size(), seen, JpegDamage::Refuse);
    TBitmap stored;
    DecodeJpeg(result.data(), result.size(), stored, JpegDamage::Refuse, ProfileHandling::Keep);
    EXPECT_TRUE(testing::ColorsClose(seen.PixelAt(8, 6), kNavy, 3)) << std::hex << seen.PixelAt(8, 6);
    EXPECT_TRUE(testing::ColorsClose(stored.PixelAt(8, 24), stored.PixelAt(40, 24), 2));
}

// The runner admits files by this estimate: an upright file streams a band of rows, one whose rows
// come out of order is held whole and turned.
TEST(WatermarkOperation, PricesAStreamedFileBelowAndATurnedOneAboveAWholeDecode) {
    TempFolder dir;
    const std::string upright = PathIn(dir, "upright.jpg");
    testing::WriteTestJpeg(upright, 600, 400);
    const std::string turned = PathIn(dir, "turned.jpg");
    testing::WriteBytes(turned, testing::WithExifOrientation(ReadFileBytes(upright), 6, false));
    const BatchOperation operation = MakeWatermarkOperation(TestSettings({LogoPlacement::Middle}));
    EXPECT_LT(operation.EstimateMemory(upright), EstimateFileMemory(upright));
    EXPECT_GT(operation.EstimateMemory(turned), EstimateFileMemory(turned));
}

TEST(WatermarkOperation, StepsNeedAPreparedStamp) {
    TempFolder dir;
    const std::string source = PathIn(dir, "a.jpg");
    WritePatternJpeg(source, 20, 10, 0);
    const BatchOperation operation = MakeWatermarkOperation(TestSettings({LogoPlacement::Middle}));

    StepOutcome outcome;
    EXPECT_THROW(operation.Step(source, outcome), std::logic_error);
    operation.Prepare();
    EXPECT_NO_THROW(operation.Step(source, outcome));
    operation.CleanUp();
    EXPECT_THROW(operation.Step(source, outcome), std::logic_error);
}

TEST(WatermarkOperation, PrepareRefusesAnEmptyLogoAndAStampTooLargeToMake) {
    WatermarkSettings settings = TestSettings({LogoPlacement::Middle});
    settings.Logo = TBitmap();
    try {
        MakeWatermarkOperation(settings).Prepare();
        ADD_FAILURE() << "an empty logo was prepared";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), kEmptyLogoText);
    }

    settings = TestSettings({LogoPlacement::Middle});
    settings.SizeMode = LogoSizeMode::Width;
    settings.SizeValue = INT_MAX;
    EXPECT_THROW(MakeWatermarkOperation(settings).Prepare(), EOutOfResources);
}

// ---- Whole batches over real files ----

class WatermarkBatch : public ::testing::Test {
protected:
    void SetUp() override {
        sources = dir.MakeFolder("photos");
        job.Operation = keyword::kWatermark;
        job.SourceKind = keyword::kFolder;
        job.TargetMode = keyword::kSubfolder;
        inputs.Targets = TargetTexts{dir.MakeFolder("out"), "Marked", "wm_", "_marked"};
    }

    std::string AddPhoto(const std::string& name, int width, int height) {
        const std::string path = sources + "/" + name;
        WritePatternJpeg(path, width, height, static_cast<int>(job.SourceFiles.size()) + 5);
        job.SourceFiles.push_back(path);
        return path;
    }

    std::string AddBrokenFile(const std::string& name) {
        const std::string path = dir.WriteFile("photos/" + name, "GIF89a, not a JPEG at all");
        job.SourceFiles.push_back(path);
        return path;
    }

    // The result file must hold exactly what the encoder makes of the source's decoded pixels
    // stamped by the rules.
    void ExpectStampedFile(const std::string& source, const std::string& result,
                           const PlacementSet& placements, int marginPx, int opacity) {
        ASSERT_TRUE(FileExists(result)) << result;
        const TBitmap expected = ReferenceStamp(DecodeJpegFile(source), ExpectedStampOfTestLogo(),
                                                placements, marginPx, opacity);
        EXPECT_EQ(ReadFileBytes(result), EncodeJpeg(expected)) << result;
    }

    TempFolder dir;
    std::string sources;
    JobState job;
    BatchInputs inputs;
    RecordingBatchView view;
};

TEST_F(WatermarkBatch, EachPlacementAloneStampsWhereTheRulesSay) {
    const std::string photo = AddPhoto("photo.jpg", 41, 29);
    job.TargetMode = keyword::kSuffix;
    for (LogoPlacement placement : kAllPlacements) {
        const int index = static_cast<int>(placement);
        inputs.Targets.Suffix = "_" + std::to_string(index);
        job.SourceFiles = {photo};
        const BatchOperation operation = MakeWatermarkOperation(TestSettings({placement}));
        view.Rows.clear();

        RunBatch(job, inputs, operation, view);

        ASSERT_EQ(view.Rows.size(), 1u);
        EXPECT_EQ(view.Rows[0].Result, kReportOk) << view.Rows[0].ErrorText;
        ExpectStampedFile(photo, sources + "/photo_" + std::to_string(index) + ".jpg", {placement},
                          3, 150);
    }
}

class WatermarkBatchTargets : public WatermarkBatch,
                              public ::testing::WithParamInterface<const char*> {};

TEST_P(WatermarkBatchTargets, EveryFileGetsAllSevenStampsAndAFailedFileDoesNotStopTheBatch) {
    job.TargetMode = GetParam();
    const std::string big = AddPhoto("big.jpg", 64, 48);
    const std::string broken = AddBrokenFile("broken.jpg");
    const std::string tiny = AddPhoto("tiny.jpg", 7, 5);  // smaller than the 12 × 8 stamp
    const std::string odd = AddPhoto("odd.jpg", 31, 23);
    const std::vector<std::string> files = job.SourceFiles;
    const BatchOperation operation = MakeWatermarkOperation(TestSettings(testing::kEveryPlacement));

    const std::string question =
        BuildConfirmationText(operation.Texts, job.SourceKind, sources, 4, operation.OperationPhrase,
                              job.TargetMode, inputs.Targets);
    const BatchSummary summary = RunBatch(job, inputs, operation, view);

    // The watermark's own phrases, with nothing between the source and the target phrase.
    EXPECT_EQ(question.rfind("Вы действительно хотите поместить логотип на \n\r", 0), 0u);
    EXPECT_NE(question.find(")\n\rи сохранить результаты "), std::string::npos);

    auto output = [&](const std::string& name) {
        const std::string mode = GetParam();
        const std::string stem = name.substr(0, name.size() - 4);
        if (mode == keyword::kFolder) return inputs.Targets.Folder + "/" + name;
        if (mode == keyword::kSubfolder) return sources + "/Marked/" + name;
        if (mode == keyword::kPrefix) return sources + "/wm_" + name;
        return sources + "/" + stem + "_marked.jpg";
    };
    const std::vector<std::string> sizes = {"64x48", "0x0", "7x5", "31x23"};
    const std::vector<std::string> names = {"big.jpg", "broken.jpg", "tiny.jpg", "odd.jpg"};
    ASSERT_EQ(view.Rows.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        const ReportRow& row = view.Rows[i];
        EXPECT_EQ(row.Caption, files[i]);
        EXPECT_EQ(row.SourceSize, sizes[i]);
        EXPECT_EQ(row.NewSize, sizes[i]);
        const bool isBroken = files[i] == broken;
        EXPECT_EQ(row.Result, isBroken ? kReportError : kReportOk) << row.ErrorText;
        EXPECT_EQ(row.ImageIndex, isBroken ? kReportImageError : kReportImageOk);
        if (!isBroken) {
            EXPECT_EQ(row.OutputPath, output(names[i]));
            ExpectStampedFile(files[i], output(names[i]), testing::kEveryPlacement, 3, 150);
        }
    }
    EXPECT_FALSE(FileExists(output("broken.jpg")));
    EXPECT_EQ(summary.Failed, 1);
    EXPECT_TRUE(view.Informations.empty());
    EXPECT_EQ(summary.FinalMessage, "Логотипы нанесены не на все картинки: ошибок 1 из 4.");
    EXPECT_TRUE(job.SourceFiles.empty());
}

INSTANTIATE_TEST_SUITE_P(AllTargetModes, WatermarkBatchTargets,
                         ::testing::Values(keyword::kFolder, keyword::kSubfolder, keyword::kPrefix,
                                           keyword::kSuffix));

TEST_F(WatermarkBatch, ASecondBatchWithTheSameSettingsGivesTheSameFilesAndOnlyItsOwnRows) {
    const std::string a = AddPhoto("a.jpg", 40, 30);
    const std::string b = AddPhoto("b.jpg", 25, 40);
    const BatchOperation operation =
        MakeWatermarkOperation(TestSettings({LogoPlacement::TopLeft, LogoPlacement::Middle}));

    EXPECT_EQ(RunBatch(job, inputs, operation, view).FinalMessage, kWatermarkDoneText);
    ASSERT_EQ(view.Rows.size(), 2u);
    const std::vector<std::uint8_t> firstResult = ReadFileBytes(sources + "/Marked/a.jpg");

    job.SourceFiles = {b};
    RecordingBatchView second;
    EXPECT_EQ(RunBatch(job, inputs, operation, second).FinalMessage, kWatermarkDoneText);

    ASSERT_EQ(second.Rows.size(), 1u);
    EXPECT_EQ(second.Rows[0].Caption, b);
    ExpectStampedFile(b, sources + "/Marked/b.jpg", {LogoPlacement::TopLeft, LogoPlacement::Middle},
                      3, 150);
    EXPECT_EQ(ReadFileBytes(sources + "/Marked/a.jpg"), firstResult);
}

TEST_F(WatermarkBatch, AStampSizeOfZeroWritesThePicturesUnchanged) {
    const std::string photo = AddPhoto("photo.jpg", 30, 20);
    WatermarkSettings settings = TestSettings(testing::kEveryPlacement);
    settings.SizeValue = 0;

    RunBatch(job, inputs, MakeWatermarkOperation(settings), view);

    ASSERT_EQ(view.Rows.size(), 1u);
    EXPECT_EQ(view.Rows[0].Result, kReportOk);
    EXPECT_EQ(ReadFileBytes(sources + "/Marked/photo.jpg"),
              EncodeJpeg(DecodeJpegFile(photo)));
}

TEST_F(WatermarkBatch, AFailedPreparationEndsTheBatchBeforeTheFirstFile) {
    AddPhoto("photo.jpg", 30, 20);
    WatermarkSettings settings = TestSettings({LogoPlacement::Middle});
    settings.Logo = TrimLogo(FilledPicture(20, 10, kColorWhite));

    const BatchSummary summary = RunBatch(job, inputs, MakeWatermarkOperation(settings), view);

    EXPECT_TRUE(view.Rows.empty());
    EXPECT_EQ(summary.FinalMessage, kEmptyLogoText);
    EXPECT_FALSE(std::filesystem::exists(sources + "/Marked"));
}

}  // namespace
}  // namespace stampwise
