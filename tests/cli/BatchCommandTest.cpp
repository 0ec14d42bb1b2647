// The batch command: its arguments, its report on standard output and its exit status, in process
// where that is cheap and as the built program where the process boundary itself matters.
#include "cli/BatchCommand.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/fsuid.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "batch/OutputNaming.h"
#include "imaging/ExifOrientation.h"
#include "imaging/ImageErrors.h"
#include "imaging/JpegEncoder.h"
#include "imaging/JpegImage.h"
#include "imaging/Raster.h"
#include "resize/ResizeRule.h"
#include "support/RecordingBatchView.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"
#include "support/TestColourFiles.h"
#include "support/TestJpegFiles.h"
#include "watermark/LogoCompositing.h"
#include "watermark/WatermarkPreview.h"
#include "watermark/WatermarkStep.h"

namespace stampwise {
namespace {

namespace fs = std::filesystem;
using testing::ClaimingSize;
using testing::EncodeWithLibjpeg;
using testing::FileExists;
using testing::JpegFileSize;
using testing::MakePhotoLike;
using testing::ReadFileBytes;
using testing::ShellQuoted;
using testing::TempFolder;
using testing::WriteBytes;
using testing::WriteTestJpeg;

using Args = std::vector<std::string>;

BatchCommandOptions Parsed(const Args& args) {
    const ParsedBatchCommand parsed = ParseBatchCommand(args);
    EXPECT_TRUE(parsed.Ok) << parsed.Error;
    return parsed.Options;
}

struct CommandRun {
    int status = -1;
    std::string out;
    std::string err;
};

CommandRun RunInProcess(const Args& args, bool showProgress = false, const std::string& input = "") {
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream err;
    CommandRun run;
    run.status = RunBatchCommand(args, in, out, err, showProgress);
    run.out = out.str();
    run.err = err.str();
    return run;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Every entry under root, so that a test can show nothing was written.
std::vector<std::string> TreeListing(const fs::path& root) {
    std::vector<std::string> names;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        names.push_back(fs::relative(e.path(), root).string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST(BatchCommandParse, ResizeDefaults) {
    const BatchCommandOptions o = Parsed({"resize", "--width", "800", "photos"});
    EXPECT_EQ(o.Operation, "resize");
    EXPECT_EQ(o.Size, SizeOption::Width);
    EXPECT_EQ(o.SizeValue, 800);
    EXPECT_EQ(o.SizeText, "800");
    EXPECT_EQ(o.TargetMode, "subfolder");
    EXPECT_EQ(o.Targets.Subfolder, "Resized");
    EXPECT_EQ(o.Jobs, DefaultJobCount());
    EXPECT_EQ(o.Sources, Args{"photos"});
    EXPECT_FALSE(o.ShowHelp);
}

TEST(BatchCommandParse, MetadataListsWhatResultsKeepAndTimesAreKeptOnlyWhenAsked) {
    EXPECT_EQ(Parsed({"resize", "--width", "8", "p"}).Metadata, ResultMetadata{});
    EXPECT_FALSE(Parsed({"resize", "--width", "8", "p"}).KeepTimes);
    EXPECT_TRUE(Parsed({"resize", "--width", "8", "--keep-times", "p"}).KeepTimes);
    const std::pair<const char*, ResultMetadata> cases[] = {
        {"credit", {.Credit = true, .Date = false}},
        {"date", {.Credit = false, .Date = true}},
        {"date,credit", {.Credit = true, .Date = true}},
        {"none", ResultMetadata::Nothing()},
    };
    for (const auto& [list, kept] : cases) {
        EXPECT_EQ(Parsed({"resize", "--width", "8", "--metadata", list, "p"}).Metadata, kept) << list;
    }
}

TEST(BatchCommandParse, WatermarkDefaultsAreTheWindowsOnes) {
    const BatchCommandOptions o = Parsed({"watermark", "--logo", "logo.bmp", "--at", "middle", "p.jpg"});
    EXPECT_EQ(o.Operation, "watermark");
    EXPECT_EQ(o.Size, SizeOption::None);
    EXPECT_EQ(o.LogoPath, "logo.bmp");
    EXPECT_EQ(o.Placements, PlacementSet{LogoPlacement::Middle});
    EXPECT_EQ(o.MarginPx, 10);
    EXPECT_EQ(o.Opacity, 100);
    EXPECT_EQ(o.NoiseLevel, 10);
    EXPECT_EQ(o.TargetMode, "subfolder");
    EXPECT_EQ(o.Targets.Subfolder, "Marked");
}

TEST(BatchCommandParse, EveryWatermarkOptionInBothSpellings) {
    const BatchCommandOptions o = Parsed({"watermark", "a.jpg", "--logo=l.JPG", "--percent", "50",
                                          "--at=top-left,top-center,top-right,middle,bottom-left,"
                                          "bottom-center,bottom-right",
                                          "--margin", "-3", "--opacity=255", "--noise", "0",
                                          "--suffix", "_m", "--jobs", "3", "b"});
    ASSERT_EQ(o.Operation, "watermark");
    EXPECT_EQ(o.Size, SizeOption::Percent);
    EXPECT_EQ(o.SizeValue, 50);
    EXPECT_EQ(o.LogoPath, "l.JPG");
    EXPECT_EQ(o.Placements, PlacementSet(std::begin(kAllPlacements), std::end(kAllPlacements)));
    EXPECT_EQ(o.MarginPx, -3);
    EXPECT_EQ(o.Opacity, 255);
    EXPECT_EQ(o.NoiseLevel, 0);
    EXPECT_EQ(o.TargetMode, "suffix");
    EXPECT_EQ(o.Targets.Suffix, "_m");
    EXPECT_EQ(o.Jobs, 3);
    EXPECT_EQ(o.Sources, (Args{"a.jpg", "b"}));
}

TEST(BatchCommandParse, FourTargetsAndThreeSizes) {
    struct Case {
        Args args;
        std::string mode;
        TargetTexts targets;
        SizeOption size;
    };
    const Case cases[] = {
        {{"resize", "--height", "600", "--to-folder", "/out", "x"}, "folder", {"/out", "", "", ""},
         SizeOption::Height},
        {{"resize", "--percent", "150", "--subfolder", "Small", "x"}, "subfolder", {"", "Small", "", ""},
         SizeOption::Percent},
        {{"resize", "--width", "1", "--prefix", "r_", "x"}, "prefix", {"", "", "r_", ""},
         SizeOption::Width},
        {{"resize", "--suffix=-web", "--width", "9", "x"}, "suffix", {"", "", "", "-web"},
         SizeOption::Width},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args[3]);
        const BatchCommandOptions o = Parsed(c.args);
        EXPECT_EQ(o.TargetMode, c.mode);
        EXPECT_EQ(o.Targets.Folder, c.targets.Folder);
        EXPECT_EQ(o.Targets.Subfolder, c.targets.Subfolder);
        EXPECT_EQ(o.Targets.Prefix, c.targets.Prefix);
        EXPECT_EQ(o.Targets.Suffix, c.targets.Suffix);
        EXPECT_EQ(o.Size, c.size);
    }
}

TEST(BatchCommandParse, SourcesAfterTheEndOfOptionsMayLookLikeOptions) {
    const BatchCommandOptions o = Parsed({"resize", "--width", "8", "--", "--odd.jpg", "-"});
    EXPECT_EQ(o.Sources, (Args{"--odd.jpg", "-"}));
}

TEST(BatchCommandParse, HelpOrVersionAnywhereAsksForThatTextAlone) {
    for (const Args& args : {Args{"--help"}, Args{"resize", "--bogus", "--help", "--version"}}) {
        const ParsedBatchCommand parsed = ParseBatchCommand(args);
        EXPECT_TRUE(parsed.Ok);
        EXPECT_TRUE(parsed.Options.ShowHelp);
        EXPECT_FALSE(parsed.Options.ShowVersion);
    }
    const CommandRun run = RunInProcess({"watermark", "--help"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, BatchCommandUsage());
    EXPECT_NE(run.out.find("bottom-center"), std::string::npos);
    EXPECT_EQ(run.err, "");

    const CommandRun version = RunInProcess({"watermark", "--width", "x", "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, std::string("stampwise-batch ") + STAMPWISE_VERSION + "\n");
    EXPECT_EQ(version.err, "");
}

// Every usage error: exit 2, a message naming what is wrong, nothing on standard output and
// nothing on disk, although the source folder holds a picture that a run would process.
TEST(BatchCommandUsageErrors, ExitTwoNameTheArgumentAndWriteNothing) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    dir.WriteFile("logo.bmp", "BM");
    const std::string src = dir.String();
    const std::string logo = dir / "logo.bmp";
    // Read by lines, a list that find -print0 wrote is one path with NUL bytes in it.
    const std::string nulList = dir.WriteFile("nul.list", dir / "a.jpg" + '\0' + dir / "a.jpg" + '\0');
    const std::vector<std::string> before = TreeListing(dir.Path());
    struct Case {
        Args args;
        std::string named;  // what the message must name
    };
    const Case cases[] = {
        {{}, "no operation"},
        {{"shrink", "--width", "8", src}, "'shrink'"},
        {{"resize", "--width", "8", "--colour", "red", src}, "'--colour'"},
        {{"resize", "-w", "8", src}, "'-w'"},
        {{"resize", src, "--width"}, "'--width' needs a value"},
        {{"resize", "--width", "--jobs", "2", src}, "'--width' needs a value"},
        {{"resize", "--width", "8"}, "no source"},
        {{"resize", src}, "--width"},
        {{"resize", "--width", "abc", src}, "'abc'"},
        {{"resize", "--height", "12px", src}, "'12px'"},
        {{"resize", "--percent", "0", src}, "'0'"},
        {{"resize", "--width", "-5", src}, "'-5'"},
        {{"resize", "--width", "8", "--metadata", "all", src}, "'all'"},
        {{"resize", "--width", "8", "--metadata", "credit,none", src}, "'credit,none'"},
        {{"resize", "--width", "8", "--metadata", "date,", src}, "'date,'"},
        {{"resize", "--width", "99999999999", src}, "'99999999999'"},
        {{"resize", "--width", "", src}, "'--width'"},
        {{"resize", "--width", "8", "--height", "8", src}, "'--height'"},
        {{"resize", "--width", "8", "--width", "9", src}, "'--width' is given twice"},
        {{"resize", "--width", "8", "--prefix", "p", "--suffix", "s", src}, "'--suffix'"},
        {{"resize", "--width", "8", "--prefix", "", src}, "'--prefix'"},
        {{"resize", "--width", "8", "--jobs", "0", src}, "'--jobs'"},
        {{"resize", "--width", "8", "--json=yes", src}, "'--json' takes no value"},
        {{"resize", "--width", "8", "--at", "middle", src}, "'--at'"},
        {{"watermark", "--at", "middle", src}, "--logo"},
        {{"watermark", "--logo", logo, src}, "--at"},
        {{"watermark", "--logo", logo, "--at", "centre", src}, "'centre'"},
        {{"watermark", "--logo", logo, "--at", "middle,", src}, "place ''"},
        {{"watermark", "--logo", logo, "--at", "Middle", src}, "'Middle'"},
        {{"watermark", "--logo", logo, "--at", "middle", "--opacity", "256", src}, "'--opacity'"},
        {{"watermark", "--logo", logo, "--at", "middle", "--noise", "x", src}, "'--noise'"},
        {{"watermark", "--logo", logo, "--at", "middle", "--margin", "1.5", src}, "'1.5'"},
        {{"watermark", "--logo", logo, "--at", "middle", "--width", "big", src}, "'big'"},
        {{"resize", "--width", "8", "--shard", "0/3", src}, "'0/3'"},
        {{"resize", "--width", "8", "--shard", "2/0", src}, "'2/0'"},
        {{"resize", "--width", "8", "--shard", "4/3", src}, "'4/3'"},
        {{"resize", "--width", "8", "--shard", "3", src}, "'3'"},
        {{"resize", "--width", "8", "--shard", "1/3x", src}, "'1/3x'"},
        {{"resize", "--width", "8", "--null", src}, "'--null' needs --files-from"},
        {{"resize", "--width", "8", "--null=1", "--files-from", "-"}, "'--null' takes no value"},
        {{"resize", "--width", "8", "--files-from", dir / "missing.txt"}, "missing.txt"},
        {{"resize", "--width", "8", "--files-from", src}, "Is a directory"},
        {{"resize", "--width", "8", "--files-from", nulList}, "add --null"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args) joined += "[" + a + "]";
        SCOPED_TRACE(joined);
        const CommandRun run = RunInProcess(c.args);
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("stampwise-batch: ", 0), 0u) << run.err;
        EXPECT_NE(run.err.find(c.named), std::string::npos) << run.err;
    }
    EXPECT_EQ(TreeListing(dir.Path()), before);
}

TEST(BatchCommandUsageErrors, UnusableLogoStopsBeforeAnyFile) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    dir.WriteFile("logo.png", "not read at all");
    TBitmap blank;
    blank.ChangeSize(8, 8);  // all white: nothing would show
    testing::WriteJpeg(dir / "white.jpg", blank);
    WriteTestJpeg(dir / "cut.jpg", 64, 48);
    testing::CutShort(dir / "cut.jpg");
    dir.WriteFile("empty.bmp", "");
    const std::vector<std::string> before = TreeListing(dir.Path());
    const struct {
        std::string logo;
        std::string message;
    } cases[] = {
        {dir / "missing.bmp", "missing.bmp"},
        {dir / "logo.png", kUnsupportedLogoText},
        {dir / "white.jpg", kEmptyLogoText},
        {dir / "cut.jpg", "Premature end of JPEG file"},
        {dir / "empty.bmp", "Stream read error"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.logo);
        const CommandRun run = RunInProcess({"watermark", "--logo", c.logo, "--at", "middle", dir.String()});
        EXPECT_EQ(run.status, 2);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err.find(c.message), std::string::npos) << run.err;
    }
    EXPECT_EQ(TreeListing(dir.Path()), before);
}

TEST(BatchCommandRun, ReportsEveryFileInOrderAndFailsWithOneWhenAFileFailed) {
    TempFolder dir;
    WriteTestJpeg(dir / "img10.jpg", 40, 30);
    WriteTestJpeg(dir / "img2.JPG", 60, 20);
    dir.WriteFile("img3.jpg", "not a picture");
    dir.WriteFile("notes.txt", "not a source");
    dir.MakeFolder("other");
    WriteTestJpeg(dir / "other/first.jpg", 30, 30);
    const std::string missing = dir / "other/missing.jpg";

    // Files keep the order given; the folder's pictures come sorted as a file manager shows them.
    const CommandRun run = RunInProcess({"resize", "--width", "20", "--jobs", "2",
                                         dir / "other/first.jpg", dir.String(), missing});

    EXPECT_EQ(run.status, 1);
    const std::string d = dir.String();
    const std::vector<std::string> expected = {
        d + "/other/first.jpg\t30x30\t" + d + "/other/Resized/first.jpg\t20x20\tУспешно",
        d + "/img2.JPG\t60x20\t" + d + "/Resized/img2.JPG\t20x7\tУспешно",
        d + "/img3.jpg\t0x0\t\t0x0\tОшибка!\tФайл — не картинка JPEG (JPEG error #53: Not a JPEG "
            "file: starts with 0x6e 0x6f)",
        d + "/img10.jpg\t40x30\t" + d + "/Resized/img10.jpg\t20x15\tУспешно",
        missing + "\t0x0\t\t0x0\tОшибка!\tНе удалось прочитать файл: нет такого файла или папки (Cannot "
                  "open file \"" + missing + "\". No such file or directory)",
        "Размеры изменены не у всех картинок: ошибок 2 из 5.",
    };
    EXPECT_EQ(Lines(run.out), expected);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(JpegFileSize(d + "/Resized/img10.jpg"), (PictureSize{20, 15}));
}

TEST(BatchCommandRun, AllSucceededExitsZeroWithTheSuccessMessage) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    // A folder given with a trailing separator names its pictures without a doubled one.
    const CommandRun run =
        RunInProcess({"resize", "--percent", "50", "--prefix", "half_", dir.String() + "/"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(Lines(run.out), (std::vector<std::string>{
                                  dir / "a.jpg" + "\t40x30\t" + dir / "half_a.jpg" + "\t20x15\tУспешно",
                                  "Размеры картинок удачно изменены!"}));
}

// A tagged picture comes out in sRGB without a profile; with --keep-profile it keeps its values
// and passes its profile on, in both operations (a reduction samples its rows).
TEST(BatchCommandRun, KeepProfileKeepsTheSourcesValuesAndItsProfile) {
    TempFolder dir;
    const std::vector<std::uint8_t> p3 = testing::DisplayP3Profile();
    // sRGB (200, 100, 50) stored as Display P3.
    const TBitmap flat = testing::ColourBlocks({RGBColor(187, 105, 61)}, 64);
    testing::WriteBytes(dir / "p3.jpg", testing::WithIccProfile(EncodeJpeg(flat), p3));
    WriteTestJpeg(dir / "logo.jpg", 8, 6);
    for (const bool isKeeping : {false, true}) {
        const Args operations[] = {
            {"resize", "--percent", "50"},
            {"watermark", "--logo", dir / "logo.jpg", "--at", "top-left"},
        };
        for (Args args : operations) {
            const std::string suffix = "_" + args[0] + (isKeeping ? "_kept" : "_converted");
            args.insert(args.end(), {"--suffix", suffix, dir / "p3.jpg"});
            if (isKeeping) args.push_back("--keep-profile");
            ASSERT_EQ(RunInProcess(args).status, 0) << suffix;
            const std::vector<std::uint8_t> result = ReadFileBytes(dir / ("p3" + suffix + ".jpg"));
            EXPECT_EQ(ReadJpegHeader(result.data(), result.size()).IccProfile,
                      isKeeping ? p3 : std::vector<std::uint8_t>())
                << suffix;
            TBitmap stored;  // the result's own values, whatever its profile says
            DecodeJpeg(result.data(), result.size(), stored, JpegDamage::Refuse, ProfileHandling::Keep);
            const ColorValue expected = isKeeping ? RGBColor(187, 105, 61) : RGBColor(200, 100, 50);
            const ColorValue corner = stored.PixelAt(stored.Width() - 6, stored.Height() - 6);
            EXPECT_TRUE(testing::ColorsClose(corner, expected, 2)) << suffix << ": " << std::hex << corner;
        }
    }
}

TEST(BatchCommandRun, UncreatableSubfolderIsInTheRowsNotRepeated) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    dir.WriteFile("Resized", "a file in the way");
    const CommandRun run = RunInProcess({"resize", "--width", "20", dir / "a.jpg"});
    EXPECT_EQ(run.status, 1);
    ASSERT_EQ(Lines(run.out).size(), 2u);
    EXPECT_EQ(Lines(run.out)[0], dir / "a.jpg" + "\t40x30\t" + dir / "Resized/a.jpg" +
                                     "\t20x15\tОшибка!\tНевозможно создать каталог " +
                                     dir / "Resized");
    EXPECT_EQ(run.err, "");
}

// The payloads of a file's APP1 segments before its first scan.
std::vector<std::vector<std::uint8_t>> App1Payloads(const std::vector<std::uint8_t>& b) {
    std::vector<std::vector<std::uint8_t>> payloads;
    for (std::size_t at = 2; at + 4 <= b.size() && b[at] == 0xFF && b[at + 1] != 0xDA;) {
        const std::size_t length = static_cast<std::size_t>(b[at + 2]) << 8 | b[at + 3];
        if (b[at + 1] == 0xE1) payloads.emplace_back(b.begin() + at + 4, b.begin() + at + 2 + length);
        at += 2 + length;
    }
    return payloads;
}

TEST(BatchCommandRun, ResultsKeepTheCreditAndNoOtherExifOrWithMetadataNoneNoExifAtAll) {
    TempFolder dir;
    // IFD0 as a camera writes it: the make, the credit, the orientation and where the location is.
    const std::uint32_t data = testing::ExifDataOffset(5);
    const std::string texts =
        std::string("SerialCam 42\0", 13) + std::string("Jane Doe\0", 9) + std::string("(c) Jane\0", 9);
    // The location's own directory: latitude "N", no next directory.
    const std::string gps = std::string("\x01\x00", 2) + std::string("\x01\x00\x02\x00\x02\x00\x00\x00N\0\0\0", 12) +
                            std::string(4, '\0');
    const std::vector<std::uint8_t> exif = testing::ExifPayloadWithData(
        false,
        {{0x010F, 2, 13, data}, {0x013B, 2, 9, data + 13}, {0x8298, 2, 9, data + 22}, {0x0112, 3, 1, 1},
         {0x8825, 4, 1, data + 31}},
        texts + gps);
    testing::WriteBytes(dir / "a.jpg", testing::WithApp1(EncodeJpeg(testing::MakePhotoLike(40, 30, 5)), exif));
    ASSERT_EQ(ReadExifCredit(exif.data(), exif.size()), (ExifCredit{"Jane Doe", "(c) Jane"}));
    TBitmap logo;
    logo.ChangeSize(6, 5);
    for (int y = 1; y < 4; ++y)
        for (int x = 1; x < 5; ++x) logo.SetPixelAt(x, y, RGBColor(200, 20, 20));
    testing::WriteBytes(dir / "logo.jpg", EncodeJpeg(logo));

    const Args operations[] = {{"resize", "--width", "20"}, {"watermark", "--logo", dir / "logo.jpg", "--at", "middle"}};
    for (const Args& operation : operations) {
        for (const bool isKeepingCredit : {true, false}) {
            SCOPED_TRACE(operation[0] + (isKeepingCredit ? "" : " --metadata none"));
            Args args = operation;
            args.insert(args.end(), {"--prefix", "out_", dir / "a.jpg"});
            if (!isKeepingCredit) args.insert(args.end(), {"--metadata", "none"});
            const CommandRun run = RunInProcess(args);
            ASSERT_EQ(run.status, 0) << run.out;
            const std::vector<std::uint8_t> result = ReadFileBytes(dir / "out_a.jpg");
            const std::vector<std::vector<std::uint8_t>> payloads = App1Payloads(result);
            if (!isKeepingCredit) {
                EXPECT_TRUE(payloads.empty());
                continue;
            }
            ASSERT_EQ(payloads.size(), 1u);
            const std::vector<std::uint8_t>& kept = payloads[0];
            EXPECT_EQ(ReadExifCredit(kept.data(), kept.size()), (ExifCredit{"Jane Doe", "(c) Jane"}));
            // Two entries in IFD0 (little-endian count after "Exif\0\0" and the TIFF header): no
            // make, no orientation, no pointer to the location.
            ASSERT_GE(kept.size(), 16u);
            EXPECT_EQ(kept[14] | kept[15] << 8, 2);
            EXPECT_EQ(std::search(result.begin(), result.end(), texts.begin(), texts.begin() + 9), result.end());
        }
    }
}

// A source whose credit is in XMP and IPTC alone and whose date is in Exif: the result's one Exif
// block holds what --metadata keeps, and --keep-times gives it the source's modification time.
TEST(BatchCommandRun, CreditFromXmpAndIptcAndTheCaptureDateAsMetadataAsksAndTheSourcesTimes) {
    TempFolder dir;
    const CaptureDate date{"2026:07:14 09:15:02", "+02:00", "25"};
    std::vector<std::uint8_t> source = EncodeJpeg(testing::MakePhotoLike(40, 30, 5));
    source = testing::WithSegment(source, 0xED, testing::IptcPayload({{2, 116, "(c) Jane"}, {2, 80, "Iptc Ann"}}));
    source = testing::WithSegment(
        source, 0xE1, testing::XmpPayload("<dc:creator><rdf:Seq><rdf:li>Jane Doe</rdf:li></rdf:Seq></dc:creator>"));
    source = testing::WithApp1(source, testing::ExifDatePayload(date.DateTime, date.Offset, date.SubSec));
    testing::WriteBytes(dir / "a.jpg", source);
    const struct timespec taken[2] = {{0, UTIME_OMIT}, {1600000000, 123456789}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "a.jpg").c_str(), taken, 0), 0);

    const struct {
        const char* metadata;
        ExifCredit credit;
        CaptureDate date;
    } cases[] = {
        {"credit,date", {"Jane Doe", "(c) Jane"}, date},
        {"credit", {"Jane Doe", "(c) Jane"}, {}},
        {"date", {}, date},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.metadata);
        const CommandRun run = RunInProcess({"resize", "--width", "20", "--prefix", "out_", "--metadata",
                                             c.metadata, "--keep-times", dir / "a.jpg"});
        ASSERT_EQ(run.status, 0) << run.out;
        const std::vector<std::vector<std::uint8_t>> payloads = App1Payloads(ReadFileBytes(dir / "out_a.jpg"));
        ASSERT_EQ(payloads.size(), 1u);
        const std::vector<std::uint8_t>& kept = payloads[0];
        EXPECT_EQ(ReadExifCredit(kept.data(), kept.size()), c.credit);
        EXPECT_EQ(ReadExifCaptureDate(kept.data(), kept.size()), c.date);
    }
    struct stat result {};
    ASSERT_EQ(::stat((dir / "out_a.jpg").c_str(), &result), 0);
    EXPECT_EQ(result.st_mtim.tv_sec, taken[1].tv_sec);
    EXPECT_EQ(result.st_mtim.tv_nsec, taken[1].tv_nsec);
    ASSERT_EQ(RunInProcess({"resize", "--width", "20", "--prefix", "out_", dir / "a.jpg"}).status, 0);
    ASSERT_EQ(::stat((dir / "out_a.jpg").c_str(), &result), 0);
    EXPECT_NE(result.st_mtim.tv_sec, taken[1].tv_sec);
}

TEST(BatchCommandRun, ProgressGoesToStandardErrorOnlyWhenAsked) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    WriteTestJpeg(dir / "b.jpg", 40, 30);
    const CommandRun shown = RunInProcess({"resize", "--width", "20", dir.String()}, true);
    EXPECT_EQ(shown.err, "\r0/2\r1/2\r2/2\n");
    EXPECT_EQ(Lines(shown.out).size(), 3u);
}

// The command's options reach the stamp: its result is byte for byte what the window's settings
// give through RunBatch.
TEST(BatchCommandRun, WatermarkGivesWhatTheSameSettingsGiveInTheWindows) {
    TempFolder dir;
    testing::WriteJpeg(dir / "p.jpg", testing::MakePhotoLike(97, 71, 7));
    TBitmap logoPicture;
    logoPicture.ChangeSize(30, 20);
    for (int y = 3; y < 17; ++y)
        for (int x = 2; x < 28; ++x) logoPicture.SetPixelAt(x, y, RGBColor(8 * x, 240 - 10 * y, 60));
    logoPicture.SetPixelAt(10, 10, RGBColor(240, 240, 240));  // whitened by noise 20, kept by 10
    testing::WriteJpeg(dir / "logo.jpg", logoPicture);

    const CommandRun run = RunInProcess({"watermark", "--logo", dir / "logo.jpg", "--height", "11",
                                         "--at", "bottom-right,top-left", "--margin", "4",
                                         "--opacity", "180", "--noise", "20", "--suffix", "_cmd",
                                         dir / "p.jpg"});
    ASSERT_EQ(run.status, 0) << run.out << run.err;

    WatermarkSettings settings;
    settings.Logo = LoadLogoFile(dir / "logo.jpg").Logo;
    settings.SizeMode = LogoSizeMode::Height;
    settings.SizeValue = 11;
    settings.Placements = {LogoPlacement::BottomRight, LogoPlacement::TopLeft};
    settings.MarginPx = 4;
    settings.Opacity = 180;
    settings.NoiseLevel = 20;
    JobState job;
    job.Operation = "watermark";
    job.TargetMode = "suffix";
    job.SourceFiles = {dir / "p.jpg"};
    BatchInputs inputs;
    inputs.Targets.Suffix = "_window";
    testing::RecordingBatchView view;
    RunBatch(job, inputs, MakeWatermarkOperation(settings), view);
    ASSERT_EQ(view.Rows.at(0).Result, "Успешно");

    EXPECT_EQ(Lines(run.out).back(), "Логотипы удачно нанесены на картинки!");
    EXPECT_TRUE(ReadFileBytes(dir / "p_cmd.jpg") == ReadFileBytes(dir / "p_window.jpg"));
    // And the default (the logo's own size, noise 10) is a different stamp.
    const CommandRun defaults = RunInProcess(
        {"watermark", "--logo", dir / "logo.jpg", "--at", "bottom-right,top-left", "--margin", "4",
         "--opacity", "180", "--suffix", "_default", dir / "p.jpg"});
    ASSERT_EQ(defaults.status, 0);
    EXPECT_FALSE(ReadFileBytes(dir / "p_default.jpg") == ReadFileBytes(dir / "p_window.jpg"));
}

// ---- Lists of files ----

// The first field of every report line but the final message: the sources, in report order.
std::vector<std::string> ReportedSources(const std::string& out) {
    std::vector<std::string> sources;
    for (const std::string& line : Lines(out)) {
        if (line.find('\t') != std::string::npos) sources.push_back(line.substr(0, line.find('\t')));
    }
    return sources;
}

std::string Joined(const std::vector<std::string>& paths, char separator) {
    std::string text;
    for (const std::string& p : paths) text += p + separator;
    return text;
}

// A list far beyond what a command line can hold: two tiny pictures and missing files, listed
// over and over, one per line on standard input and NUL-separated in a file. (The pictures come
// seldom: every save of theirs replaces the last one, which the file system makes slow.)
TEST(BatchCommandFileList, AHundredThousandPathsGiveTheirRowsInListOrder) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 2, 2);
    WriteTestJpeg(dir / "b.jpg", 3, 1);
    std::vector<std::string> list;
    for (int i = 0; list.size() < 100000; ++i) {
        if (i % 1000 == 0) list.push_back(dir / "a.jpg");
        else if (i % 1000 == 500) list.push_back(dir / "b.jpg");
        else list.push_back(dir / ("missing" + std::to_string(i % 3) + ".jpg"));
    }

    for (const bool isNull : {false, true}) {
        SCOPED_TRACE(isNull ? "NUL-separated in a file" : "one per line on standard input");
        const std::string text = Joined(list, isNull ? '\0' : '\n');
        Args args = {"resize", "--percent", "100", "--suffix", "_r", "--files-from"};
        args.push_back(isNull ? dir.WriteFile("list.txt", text) : "-");
        if (isNull) args.push_back("--null");
        const CommandRun run = RunInProcess(args, false, isNull ? "" : text);
        EXPECT_EQ(run.status, 1);
        EXPECT_TRUE(ReportedSources(run.out) == list);
        EXPECT_EQ(Lines(run.out).back(), "Размеры изменены не у всех картинок: ошибок 99800 из 100000.");
    }
    EXPECT_EQ(JpegFileSize(dir / "b_r.jpg"), (PictureSize{3, 1}));
}

TEST(BatchCommandFileList, ListedPathsFollowTheArgumentsWithTheSameRules) {
    TempFolder dir;
    dir.MakeFolder("folder");
    WriteTestJpeg(dir / "folder/x2.jpg", 4, 4);
    WriteTestJpeg(dir / "folder/x10.jpg", 4, 4);
    WriteTestJpeg(dir / "first.jpg", 4, 4);
    // Blank lines are no paths; a folder gives its pictures; a missing path is an error row.
    const std::string list = "\n" + dir / "folder" + "\n\n" + dir / "gone.jpg" + "\n";
    const CommandRun run = RunInProcess(
        {"resize", "--width", "2", "--files-from", "-", dir / "first.jpg"}, false, list);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(ReportedSources(run.out), (std::vector<std::string>{dir / "first.jpg", dir / "folder/x2.jpg",
                                                                  dir / "folder/x10.jpg", dir / "gone.jpg"}));
}

TEST(BatchCommandFileList, NulSeparatedNamesMayHoldLineBreaks) {
    TempFolder dir;
    const std::string odd = dir / "two\nlines.jpg";
    WriteTestJpeg(odd, 6, 4);
    const CommandRun run = RunInProcess({"resize", "--width", "3", "--suffix", "_r", "--files-from",
                                         "-", "--null"},
                                        false, odd + '\0');
    EXPECT_EQ(run.status, 0) << run.out;
    // The line break reaches the file system whole and the report escaped, on one line.
    EXPECT_EQ(run.out.rfind(EscapeReportField(odd) + "\t6x4\t" +
                                EscapeReportField(dir / "two\nlines_r.jpg") + "\t3x2\tУспешно\n", 0),
              0u)
        << run.out;
    EXPECT_EQ(JpegFileSize(dir / "two\nlines_r.jpg"), (PictureSize{3, 2}));
}

// A list without a path, on standard input or in a file, does nothing and says so, as a folder
// without pictures does; the pictures given besides are not processed either.
TEST(BatchCommandFileList, EmptyListStopsTheRunAsAFolderWithoutPictures) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 6, 4);
    const std::string blank = dir.WriteFile("blank.list", "\n\n");
    const CommandRun piped = RunInProcess({"resize", "--width", "3", "--files-from", "-", "--null"});
    const CommandRun listed =
        RunInProcess({"resize", "--width", "3", "--files-from", blank, dir / "a.jpg"});
    for (const CommandRun& run : {piped, listed}) {
        EXPECT_EQ(run.status, 1);
        EXPECT_EQ(run.out, "");
        EXPECT_NE(run.err, "");
    }
    EXPECT_FALSE(fs::exists(dir / "Resized"));
}

// N machines with the same list and shards 1/N … N/N together process every file exactly once, in
// list order, in slices that differ by one file at most; a list shorter than N leaves some empty.
TEST(BatchCommandFileList, ShardsTogetherGiveTheWholeListOnce) {
    TempFolder dir;
    for (int n : {1, 3, 7}) {
        for (int total : {0, 1, 2, 6, 7, 23}) {
            std::vector<std::string> list;
            for (int i = 0; i < total; ++i) list.push_back(dir / ("missing" + std::to_string(i) + ".jpg"));
            std::vector<std::string> together;
            std::size_t shortest = list.size();
            std::size_t longest = 0;
            for (int k = 1; k <= n; ++k) {
                SCOPED_TRACE(std::to_string(k) + "/" + std::to_string(n) + " of " + std::to_string(total));
                const std::string shard = std::to_string(k) + "/" + std::to_string(n);
                const CommandRun run = RunInProcess(
                    {"resize", "--width", "2", "--shard", shard, "--files-from", "-"}, false,
                    Joined(list, '\n'));
                const std::vector<std::string> mine = ReportedSources(run.out);
                // An empty slice of a list is done; an empty list stops the run.
                EXPECT_EQ(run.status, mine.empty() && total > 0 ? 0 : 1);
                together.insert(together.end(), mine.begin(), mine.end());
                shortest = std::min(shortest, mine.size());
                longest = std::max(longest, mine.size());
            }
            EXPECT_EQ(together, list) << n << " shards of " << total;
            EXPECT_LE(longest - shortest, 1u) << n << " shards of " << total;
        }
    }
}

// Runs sharing a list plan all of it: a result never replaces a photo of another shard's slice,
// whichever shard runs first.
TEST(BatchCommandFileList, ShardsCheckTheirResultsAgainstTheWholeList) {
    TempFolder dir;
    WriteTestJpeg(dir / "photo.jpg", 40, 30);
    WriteTestJpeg(dir / "photo_marked.jpg", 64, 48);  // an original, named like photo's result
    const std::vector<std::uint8_t> original = ReadFileBytes(dir / "photo_marked.jpg");
    const std::string list = Joined({dir / "photo.jpg", dir / "photo_marked.jpg"}, '\n');
    const auto shard = [&](const std::string& k) {
        return RunInProcess({"resize", "--width", "20", "--suffix", "_marked", "--shard", k + "/2",
                             "--files-from", "-"},
                            false, list);
    };

    const CommandRun first = shard("1");
    const CommandRun second = shard("2");

    EXPECT_EQ(first.status, 1);
    EXPECT_EQ(Lines(first.out).at(0), dir / "photo.jpg" + "\t40x30\t" + dir / "photo_marked.jpg" +
                                          "\t20x15\tОшибка!\t" + kOtherSourceErrorText +
                                          dir / "photo_marked.jpg");
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(ReportedSources(second.out), std::vector<std::string>{dir / "photo_marked.jpg"});
    EXPECT_EQ(ReadFileBytes(dir / "photo_marked.jpg"), original);
}

// Shards list a folder each when they start, so results landing in it would shift the slices of
// later shards: that is refused before anything is written, and results elsewhere are not.
TEST(BatchCommandFileList, ShardsOverAFolderProcessEveryPictureOnce) {
    TempFolder dir;
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteTestJpeg(dir / name, 40, 30);
    const std::vector<std::string> before = TreeListing(dir.Path());

    const CommandRun beside = RunInProcess({"resize", "--width", "20", "--prefix", "web_", "--shard",
                                            "1/2", dir.String()});
    EXPECT_EQ(beside.status, 2);
    EXPECT_EQ(beside.out, "");
    EXPECT_NE(beside.err.find("--files-from"), std::string::npos) << beside.err;
    EXPECT_EQ(TreeListing(dir.Path()), before);

    std::vector<std::string> together;
    for (const char* k : {"1/2", "2/2"}) {
        const CommandRun run =
            RunInProcess({"resize", "--width", "20", "--subfolder", "web", "--shard", k, dir.String()});
        EXPECT_EQ(run.status, 0) << run.err;
        for (const std::string& source : ReportedSources(run.out)) together.push_back(source);
    }
    EXPECT_EQ(together, (std::vector<std::string>{dir / "a.jpg", dir / "b.jpg", dir / "c.jpg"}));
}

// Root reads a folder of mode 000, so as root this thread alone acts as the user nobody on the
// file system (its fsuid) while this lives; another user is refused as it is.
class FileAccessAsNobody {
public:
    FileAccessAsNobody() {
        if (::geteuid() != 0) return;
        ::setfsuid(kNobody);
        // An invalid id changes nothing and gives the one in force.
        isChanged_ = ::setfsuid(static_cast<uid_t>(-1)) == static_cast<int>(kNobody);
    }
    ~FileAccessAsNobody() {
        if (isChanged_) ::setfsuid(0);
    }
    FileAccessAsNobody(const FileAccessAsNobody&) = delete;
    FileAccessAsNobody& operator=(const FileAccessAsNobody&) = delete;
    bool IsRefusedModeZero() const { return isChanged_ || ::geteuid() != 0; }

private:
    static constexpr uid_t kNobody = 65534;
    bool isChanged_ = false;
};

TEST(BatchCommandRun, UnreadableFolderStopsTheRunWithTheSystemsReason) {
    TempFolder dir;
    const std::string locked = dir.MakeFolder("locked");
    WriteTestJpeg(locked + "/a.jpg", 40, 30);
    fs::permissions(dir.Path(), fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add);
    fs::permissions(locked, fs::perms::none);
    CommandRun run;
    {
        const FileAccessAsNobody nobody;
        if (!nobody.IsRefusedModeZero()) {
            fs::permissions(locked, fs::perms::owner_all);
            GTEST_SKIP() << "running as root without the right to act as another user: a folder "
                            "of mode 000 stays readable";
        }
        run = RunInProcess({"resize", "--width", "20", locked});
    }
    fs::permissions(locked, fs::perms::owner_all);
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "stampwise-batch: " + locked + ": " + SystemErrorText(EACCES) + "\n");
    EXPECT_FALSE(fs::exists(locked + "/Resized"));
}

#ifdef STAMPWISE_BATCH_EXE

// The built program, with its standard streams in files (standard input from input, when given).
CommandRun RunProgram(const TempFolder& scratch, const Args& args, const std::string& input = "/dev/null") {
    std::string line = ShellQuoted(STAMPWISE_BATCH_EXE);
    for (const std::string& a : args) line += " " + ShellQuoted(a);
    const std::string out = scratch / "stdout.txt";
    const std::string err = scratch / "stderr.txt";
    line += " >" + ShellQuoted(out) + " 2>" + ShellQuoted(err) + " <" + ShellQuoted(input);
    CommandRun run;
    const int status = std::system(line.c_str());
    run.status = (status != -1 && WIFEXITED(status)) ? WEXITSTATUS(status) : -1;
    const std::vector<std::uint8_t> outBytes = ReadFileBytes(out);
    const std::vector<std::uint8_t> errBytes = ReadFileBytes(err);
    run.out.assign(outBytes.begin(), outBytes.end());
    run.err.assign(errBytes.begin(), errBytes.end());
    return run;
}

TEST(BatchCommandProgram, ExitStatusAndStreamsAsAScriptSeesThem) {
    TempFolder scratch;
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    dir.WriteFile("b.jpg", "broken");

    const CommandRun usage = RunProgram(scratch, {"resize", "--width", "ten", dir.String()});
    EXPECT_EQ(usage.status, 2);
    EXPECT_EQ(usage.out, "");
    EXPECT_NE(usage.err.find("'ten'"), std::string::npos);
    EXPECT_FALSE(fs::exists(dir / "Resized"));

    const CommandRun help = RunProgram(scratch, {"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, BatchCommandUsage());

    // Standard error is no terminal here: no progress line.
    const CommandRun partly = RunProgram(scratch, {"resize", "--width", "20", dir.String()});
    EXPECT_EQ(partly.status, 1);
    EXPECT_EQ(partly.err, "");
    const std::vector<std::string> lines = Lines(partly.out);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], dir / "a.jpg" + "\t40x30\t" + dir / "Resized/a.jpg" + "\t20x15\tУспешно");
    EXPECT_EQ(lines[1].rfind(dir / "b.jpg" + "\t0x0\t\t0x0\tОшибка!\t", 0), 0u);
    EXPECT_EQ(lines[2], "Размеры изменены не у всех картинок: ошибок 1 из 2.");

    fs::remove(dir / "b.jpg");
    const CommandRun all = RunProgram(scratch, {"resize", "--width", "20", "--jobs", "1", dir.String()});
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(Lines(all.out).back(), "Размеры картинок удачно изменены!");

    // The list on the program's own standard input.
    const std::string list = scratch.WriteFile("list", dir / "a.jpg" + '\0' + dir / "a.jpg" + '\0');
    const CommandRun piped = RunProgram(
        scratch, {"resize", "--width", "10", "--prefix", "p_", "--files-from", "-", "--null"}, list);
    EXPECT_EQ(piped.status, 0) << piped.err;
    EXPECT_EQ(ReportedSources(piped.out), (std::vector<std::string>{dir / "a.jpg", dir / "a.jpg"}));
}

// Every file under root with its bytes, so that runs can be compared and a file shown untouched.
std::map<std::string, std::vector<std::uint8_t>> TreeContents(const fs::path& root) {
    std::map<std::string, std::vector<std::uint8_t>> contents;
    for (const fs::directory_entry& e : fs::recursive_directory_iterator(root)) {
        if (e.is_regular_file()) contents[fs::relative(e.path(), root).string()] = ReadFileBytes(e.path().string());
    }
    return contents;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// A result never replaces another source of the batch, and of two sources with one result the
// first keeps it; one job and four give the same lines and the same files.
TEST(BatchCommandProgram, OtherSourcesAndFirstResultsSurviveWithOneJobOrFour) {
    TempFolder scratch;
    struct Run {
        std::string out;
        std::map<std::string, std::vector<std::uint8_t>> files;
    };
    std::vector<Run> runs;
    for (const char* jobs : {"1", "4"}) {
        SCOPED_TRACE(std::string("--jobs ") + jobs);
        TempFolder dir;
        dir.MakeFolder("photos");
        dir.MakeFolder("A");
        dir.MakeFolder("B");
        dir.MakeFolder("out");
        WriteTestJpeg(dir / "photos/a.jpg", 40, 30);
        WriteTestJpeg(dir / "photos/a_s.jpg", 60, 20);  // another photo, named like a's result
        WriteTestJpeg(dir / "A/k.jpg", 40, 30);
        WriteTestJpeg(dir / "B/k.jpg", 60, 20);
        const std::vector<std::uint8_t> other = ReadFileBytes(dir / "photos/a_s.jpg");

        const CommandRun suffix = RunProgram(
            scratch, {"resize", "--width", "20", "--suffix", "_s", "--jobs", jobs, dir / "photos"});
        const CommandRun folder = RunProgram(scratch, {"resize", "--width", "20", "--to-folder",
                                                       dir / "out", "--jobs", jobs, dir / "A",
                                                       dir / "B"});

        EXPECT_EQ(suffix.status, 1);
        EXPECT_EQ(folder.status, 1);
        EXPECT_EQ(ReadFileBytes(dir / "photos/a_s.jpg"), other);
        const std::vector<std::string> lines = Lines(suffix.out + folder.out);
        ASSERT_EQ(lines.size(), 6u);
        EXPECT_EQ(lines[0], dir / "photos/a.jpg" + "\t40x30\t" + dir / "photos/a_s.jpg" +
                                "\t20x15\tОшибка!\t" + kOtherSourceErrorText + dir / "photos/a_s.jpg");
        EXPECT_EQ(lines[1].rfind(dir / "photos/a_s.jpg" + "\t60x20\t", 0), 0u);
        EXPECT_EQ(lines[3], dir / "A/k.jpg" + "\t40x30\t" + dir / "out/k.jpg" + "\t20x15\tУспешно");
        EXPECT_EQ(lines[4], dir / "B/k.jpg" + "\t60x20\t" + dir / "out/k.jpg" +
                                "\t20x7\tОшибка!\t" + kTakenOutputErrorText + dir / "A/k.jpg");
        EXPECT_EQ(JpegFileSize(dir / "out/k.jpg"), (PictureSize{20, 15}));
        runs.push_back({Replaced(suffix.out + folder.out, dir.String(), "<dir>"), TreeContents(dir.Path())});
    }
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].out, runs[1].out);
    EXPECT_TRUE(runs[0].files == runs[1].files);
}

// The smallest JSON reader that reads back what --json writes: one flat object of strings,
// numbers, true, false and null. Fails the test on anything else.
std::map<std::string, std::string> ParseJsonObject(const std::string& line) {
    std::map<std::string, std::string> fields;
    std::size_t at = 0;
    const auto expect = [&](char c) {
        if (at >= line.size() || line[at] != c) {
            ADD_FAILURE() << "expected '" << c << "' at " << at << " in " << line;
            at = line.size();
            return false;
        }
        ++at;
        return true;
    };
    const auto readString = [&]() {
        std::string text;
        if (!expect('"')) return text;
        while (at < line.size() && line[at] != '"') {
            const char c = line[at++];
            if (static_cast<unsigned char>(c) < 0x20) ADD_FAILURE() << "raw control character in " << line;
            if (c != '\\') {
                text += c;
                continue;
            }
            const char e = line.at(at++);
            if (e == 'n') text += '\n';
            else if (e == 'r') text += '\r';
            else if (e == 't') text += '\t';
            else if (e == '"' || e == '\\' || e == '/') text += e;
            else if (e == 'u') {
                const unsigned code = std::stoul(line.substr(at, 4), nullptr, 16);
                at += 4;
                if (code >= 0xDC80 && code <= 0xDCFF) text += static_cast<char>(code - 0xDC00);
                else if (code < 0x80) text += static_cast<char>(code);
                else ADD_FAILURE() << "unexpected escape in " << line;
            } else {
                ADD_FAILURE() << "bad escape in " << line;
            }
        }
        expect('"');
        return text;
    };
    expect('{');
    while (at < line.size() && line[at] != '}') {
        const std::string name = readString();
        expect(':');
        if (at < line.size() && line[at] == '"') {
            fields[name] = readString();
        } else {
            const std::size_t end = line.find_first_of(",}", at);
            fields[name] = "=" + line.substr(at, end - at);  // bare values keep a mark
            at = end;
        }
        if (at < line.size() && line[at] == ',') ++at;
    }
    expect('}');
    EXPECT_EQ(at, line.size()) << line;
    return fields;
}

TEST(BatchCommandProgram, NamesWithTabsAndLineBreaksKeepTheirLinesInTextAndJson) {
    TempFolder scratch;
    TempFolder dir;
    const std::string tab = dir / "a\tb.jpg";
    const std::string newline = dir / "c\nd\\e.jpg";
    const std::string notUtf8 = dir / "f\xff.jpg";
    WriteTestJpeg(tab, 40, 30);
    WriteTestJpeg(newline, 40, 30);
    WriteTestJpeg(notUtf8, 40, 30);
    const std::string missing = dir / "m\r\x1b[2J\x07\x7f.jpg";  // a name that would clear the screen

    const CommandRun text = RunProgram(scratch, {"resize", "--width", "20", "--prefix", "s_", tab,
                                                 newline, missing});
    const std::vector<std::string> lines = Lines(text.out);
    ASSERT_EQ(lines.size(), 4u) << text.out;
    const std::string d = dir.String();
    EXPECT_EQ(lines[0], d + "/a\\tb.jpg\t40x30\t" + d + "/s_a\\tb.jpg\t20x15\tУспешно");
    EXPECT_EQ(lines[1], d + "/c\\nd\\\\e.jpg\t40x30\t" + d + "/s_c\\nd\\\\e.jpg\t20x15\tУспешно");
    EXPECT_EQ(lines[2].rfind(d + "/m\\r\\x1b[2J\\x07\\x7f.jpg\t0x0\t\t0x0\tОшибка!\tНе удалось прочитать "
                                 "файл: нет такого файла или папки (Cannot open file \"" + d +
                                 "/m\\r\\x1b[2J\\x07\\x7f.jpg\"", 0),
              0u);

    const CommandRun json = RunProgram(scratch, {"resize", "--width", "20", "--suffix", "_j",
                                                 "--json", "--jobs", "4", tab, newline, notUtf8, missing});
    EXPECT_EQ(json.status, 1);
    const std::vector<std::string> objects = Lines(json.out);
    ASSERT_EQ(objects.size(), 5u) << json.out;
    const std::string sources[] = {tab, newline, notUtf8};
    for (int i = 0; i < 3; ++i) {
        const std::map<std::string, std::string> row = ParseJsonObject(objects[i]);
        EXPECT_EQ(row.at("source"), sources[i]);
        EXPECT_EQ(row.at("source_size"), "40x30");
        EXPECT_EQ(row.at("new_size"), "20x15");
        EXPECT_EQ(row.at("ok"), "=true");
        EXPECT_EQ(row.at("error"), "=null");
        EXPECT_TRUE(FileExists(row.at("output"))) << row.at("output");
    }
    const std::map<std::string, std::string> failed = ParseJsonObject(objects[3]);
    EXPECT_EQ(failed.at("source"), missing);
    EXPECT_EQ(failed.at("ok"), "=false");
    EXPECT_NE(failed.at("error").find(missing), std::string::npos);
    const std::map<std::string, std::string> end = ParseJsonObject(objects[4]);
    EXPECT_EQ(end.at("message"), "Размеры изменены не у всех картинок: ошибок 1 из 4.");
    EXPECT_EQ(end.at("total"), "=4");
    EXPECT_EQ(end.at("succeeded"), "=3");
    EXPECT_EQ(end.at("failed"), "=1");
}

TEST(BatchCommandProgram, FolderWithoutPicturesStopsTheRunWithTheWizardsNotice) {
    TempFolder scratch;
    TempFolder dir;
    dir.MakeFolder("e.jpg");
    dir.WriteFile("e.jpg/readme.txt", "no pictures here");
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    const std::vector<std::string> before = TreeListing(dir.Path());

    const CommandRun run =
        RunProgram(scratch, {"resize", "--percent", "50", dir / "a.jpg", dir / "e.jpg/"});

    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "stampwise-batch: " + dir / "e.jpg/" + ": В каталоге нет файлов с расширением jpg!\n");
    EXPECT_EQ(TreeListing(dir.Path()), before);
}

// The kernel counts into a started program's peak the peak of the process it was started from
// (posix_spawn shares that process's memory until the program starts), and this test process may
// have held large pictures before. So the program is started from a fresh helper: this test
// binary again, which on seeing kPeakHelperVariable (before any test) starts the program given on
// its command line, writes "status peakKiB" and exits.
constexpr const char* kPeakHelperVariable = "STAMPWISE_PEAK_HELPER";

[[maybe_unused]] const bool kIsPeakHelper = [] {
    if (std::getenv(kPeakHelperVariable) == nullptr) return false;
    std::ifstream commandLine("/proc/self/cmdline", std::ios::binary);
    std::vector<std::string> words;
    for (std::string word; std::getline(commandLine, word, '\0');) words.push_back(word);
    std::vector<char*> argv;
    for (std::size_t i = 1; i < words.size(); ++i) argv.push_back(words[i].data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) _exit(1);
    std::printf("%d %ld\n", WIFEXITED(status) ? WEXITSTATUS(status) : -1, usage.ru_maxrss);
    std::fflush(stdout);
    _exit(0);
}();

// The largest resident size the program reached (see kIsPeakHelper); -1 when it did not exit with
// expectedStatus.
long PeakKibOfProgram(const Args& args, int expectedStatus = 0) {
    TempFolder scratch;
    std::vector<std::string> argv = {"/proc/self/exe", STAMPWISE_BATCH_EXE};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    std::vector<std::string> environment = {std::string(kPeakHelperVariable) + "=1"};
    for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
    std::vector<char*> environmentPointers;
    for (std::string& e : environment) environmentPointers.push_back(e.data());
    environmentPointers.push_back(nullptr);
    const std::string report = scratch / "peak.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, report.c_str(), O_WRONLY | O_CREAT, 0600);
    pid_t pid = 0;
    const int spawned =
        posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environmentPointers.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return -1;
    int helperStatus = 0;
    if (waitpid(pid, &helperStatus, 0) != pid || !WIFEXITED(helperStatus) || WEXITSTATUS(helperStatus) != 0) {
        return -1;
    }
    std::ifstream in(report);
    int status = -1;
    long peakKib = -1;
    if (!(in >> status >> peakKib) || status != expectedStatus) return -1;
    return peakKib;
}

// A few bytes of run-length data may declare a logo of millions of pixels; preparing it holds the
// logo and its stamp, and nothing of the stamp's size besides.
TEST(BatchCommandProgram, HugeLogoTakesAtMostTwoPicturesOfItsSize) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory resident";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer keeps freed memory resident";
#endif
#endif
    TempFolder dir;
    constexpr std::uint32_t kWidth = 1u << 24;  // 48 MiB as a picture
    std::string bmp = "BM";
    const auto u32 = [&](std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bmp += static_cast<char>((v >> (8 * i)) & 0xFF);
    };
    const auto u16 = [&](std::uint16_t v) {
        bmp += static_cast<char>(v & 0xFF);
        bmp += static_cast<char>(v >> 8);
    };
    u32(14 + 40 + 8 + 2);
    u32(0);
    u32(14 + 40 + 8);
    u32(40);
    u32(kWidth);
    u32(1);
    u16(1);
    u16(8);
    u32(1);  // RLE8
    u32(2);
    u32(2835);
    u32(2835);
    u32(2);  // two colours: dark grey, and white
    u32(0);
    u32(0x00404040);
    u32(0x00FFFFFF);
    bmp += std::string("\0\1", 2);  // end of the picture at once: every pixel is colour 0
    dir.WriteFile("logo.bmp", bmp);
    WriteTestJpeg(dir / "a.jpg", 40, 30);

    const long peakKib = PeakKibOfProgram({"watermark", "--logo", dir / "logo.bmp", "--at",
                                           "middle", "--jobs", "1", dir / "a.jpg"});

    const long pictureKib = static_cast<long>(kWidth) * TBitmap::kBytesPerPixel / 1024;
    ASSERT_GT(peakKib, 0);
    EXPECT_LT(peakKib, 2 * pictureKib + 32 * 1024);
    EXPECT_TRUE(FileExists(dir / "Marked/a.jpg"));
}

// A few hundred bytes that announce 16384 × 16384 pixels are refused before the picture's storage
// or its coefficients are made: the data cannot hold one bit per block of the first scan.
TEST(BatchCommandProgram, TinyFilesClaimingHugePicturesAreRefusedWithinAFewMegabytes) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's own memory hides the program's";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer's own memory hides the program's";
#endif
#endif
    TempFolder dir;
    dir.MakeFolder("out");
    const TBitmap picture = MakePhotoLike(16, 16, 7);
    WriteBytes(dir / "baseline.jpg", ClaimingSize(EncodeWithLibjpeg(picture, false, false), 16384, 16384));
    WriteBytes(dir / "progressive.jpg", ClaimingSize(EncodeWithLibjpeg(picture, true, false), 16384, 16384));
    for (const char* name : {"baseline.jpg", "progressive.jpg"}) {
        SCOPED_TRACE(name);
        const long peakKib = PeakKibOfProgram(
            {"resize", "--percent", "100", "--jobs", "1", "--to-folder", dir / "out", dir / name}, 1);
        ASSERT_GT(peakKib, 0);
        EXPECT_LT(peakKib, 200 * 1024);
        EXPECT_FALSE(FileExists(dir / (std::string("out/") + name)));
    }
}

// A FIFO without a writer, or a link to a device that never ends, among pictures: each fails at
// once, unread, and the pictures around them are done. On a fault the run blocks, and the test's
// time limit ends it.
TEST(BatchCommandProgram, SpecialFilesFailUnreadAndThePicturesAroundThemAreDone) {
    TempFolder scratch;
    TempFolder dir;
    WriteTestJpeg(dir / "1.jpg", 40, 30);
    WriteTestJpeg(dir / "3.jpg", 40, 30);
    ASSERT_EQ(mkfifo((dir / "2.jpg").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", dir / "z.jpg");

    for (const char* jobs : {"1", "4"}) {
        SCOPED_TRACE(jobs);
        const CommandRun run = RunProgram(scratch, {"resize", "--percent", "50", "--jobs", jobs,
                                                    "--suffix", "_r", dir / "1.jpg", dir / "2.jpg",
                                                    dir / "z.jpg", dir / "3.jpg"});
        EXPECT_EQ(run.status, 1);
        std::istringstream lines(run.out);
        std::vector<std::string> rows;
        for (std::string line; std::getline(lines, line);) rows.push_back(line);
        ASSERT_EQ(rows.size(), 5u) << run.out;
        EXPECT_NE(rows[0].find("\tУспешно"), std::string::npos);
        EXPECT_NE(rows[1].find("это не обычный файл (Cannot open file"), std::string::npos) << rows[1];
        EXPECT_NE(rows[2].find("это не обычный файл (Cannot open file"), std::string::npos) << rows[2];
        EXPECT_NE(rows[3].find("\tУспешно"), std::string::npos);
    }
    EXPECT_TRUE(FileExists(dir / "1_r.jpg"));
    EXPECT_TRUE(FileExists(dir / "3_r.jpg"));
}

// The memory control group of this process in the hierarchy that limits memory, where a child
// group of our own can be made: version 1's memory hierarchy, or version 2 with the memory
// controller handed down to children. Empty, with the reason, where that is not allowed.
std::string MakeChildMemoryGroup(const std::string& name, std::uint64_t limit, std::string& why) {
    std::ifstream groups("/proc/self/cgroup");
    for (std::string line; std::getline(groups, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = line.find(':', first + 1);
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        std::string parent;
        std::string limitFile;
        if (controllers.empty()) {
            parent = "/sys/fs/cgroup" + path;
            std::ifstream enabled(parent + "/cgroup.subtree_control");
            std::string list((std::istreambuf_iterator<char>(enabled)), std::istreambuf_iterator<char>());
            if (list.find("memory") == std::string::npos) continue;
            limitFile = "memory.max";
        } else if (("," + controllers + ",").find(",memory,") != std::string::npos) {
            parent = "/sys/fs/cgroup/memory" + path;
            limitFile = "memory.limit_in_bytes";
        } else {
            continue;
        }
        const std::string group = parent + "/" + name;
        std::error_code error;
        if (!fs::create_directory(group, error)) {
            why = "cannot make " + group + ": " + error.message();
            return "";
        }
        std::ofstream(group + "/" + limitFile) << limit;
        std::ifstream check(group + "/" + limitFile);
        std::uint64_t set = 0;
        if (!(check >> set) || set > limit) {
            fs::remove(group, error);
            why = "cannot limit " + group;
            return "";
        }
        return group;
    }
    why = "no memory control group that this process may divide";
    return "";
}

// In a memory group of 80 MiB, six 6-megapixel files at four jobs: each takes about 45 MiB at its
// peak, four at once would be killed; the runner sees the group's limit and runs fewer.
TEST(BatchCommandProgram, AllFilesSucceedInAMemoryGroupSmallerThanTheirJobsTogether) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory would not fit the group";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer's shadow memory would not fit the group";
#endif
#endif
    std::string why;
    const std::string group =
        MakeChildMemoryGroup("stampwise-test-" + std::to_string(getpid()), 80u << 20, why);
    if (group.empty()) GTEST_SKIP() << why;
    TempFolder scratch;
    TempFolder dir;
    Args args = {"resize", "--percent", "100", "--jobs", "4", "--subfolder", "out"};
    const std::vector<std::uint8_t> photo = EncodeJpeg(MakePhotoLike(3000, 2000, 11));
    for (int i = 0; i < 6; ++i) {
        const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
        testing::WriteBytes(path, photo);
        args.push_back(path);
    }
    std::string line = "echo $$ >" + ShellQuoted(group + "/cgroup.procs") + " && exec " +
                       ShellQuoted(STAMPWISE_BATCH_EXE);
    for (const std::string& a : args) line += " " + ShellQuoted(a);
    line += " >" + ShellQuoted(scratch / "out.txt") + " 2>&1";
    const int status = std::system(("sh -c " + ShellQuoted(line)).c_str());
    std::error_code error;
    fs::remove(group, error);  // empty again once the program is gone

    const std::vector<std::uint8_t> out = ReadFileBytes(scratch / "out.txt");
    ASSERT_TRUE(WIFEXITED(status)) << std::string(out.begin(), out.end());
    EXPECT_EQ(WEXITSTATUS(status), 0) << std::string(out.begin(), out.end());
    for (int i = 0; i < 6; ++i) EXPECT_TRUE(FileExists(dir / ("out/p" + std::to_string(i) + ".jpg")));
}

// A half-copied photo fails with the library's words and leaves no result; a name of 250 bytes,
// legal on every Linux file system, is saved. One job and four give the same rows and files.
TEST(BatchCommandProgram, CutShortFilesFailAndLongNamesAreSavedWithOneJobOrFour) {
    TempFolder scratch;
    TempFolder dir;
    const std::string longName = std::string(246, 'n') + ".jpg";
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    WriteTestJpeg(dir / "cut.jpg", 64, 48);
    testing::CutShort(dir / "cut.jpg");
    WriteTestJpeg(dir / longName, 40, 30);
    const std::string out = scratch / "out";

    std::vector<CommandRun> runs;
    std::vector<std::vector<std::string>> written;
    for (const char* jobs : {"1", "4"}) {
        fs::remove_all(out);
        fs::create_directory(out);
        runs.push_back(RunProgram(scratch, {"resize", "--percent", "50", "--to-folder", out, "--jobs",
                                            jobs, "--", dir / "a.jpg", dir / "cut.jpg", dir / longName}));
        written.push_back(TreeListing(out));
    }
    EXPECT_EQ(runs[0].status, 1);
    const std::vector<std::string> lines = Lines(runs[0].out);
    ASSERT_EQ(lines.size(), 4u) << runs[0].out;
    EXPECT_EQ(lines[1], dir / "cut.jpg" + "\t64x48\t\t0x0\tОшибка!\tДанные картинки обрываются (Premature end of JPEG file)");
    EXPECT_EQ(lines[2], dir / longName + "\t40x30\t" + out + "/" + longName + "\t20x15\tУспешно");
    EXPECT_EQ(written[0], (std::vector<std::string>{"a.jpg", longName}));
    EXPECT_EQ(JpegFileSize(out + "/" + longName), (PictureSize{20, 15}));
    EXPECT_EQ(runs[1].status, runs[0].status);
    EXPECT_EQ(runs[1].out, runs[0].out);
    EXPECT_EQ(written[1], written[0]);
}

// Camera files stored sideways or mirrored, and a logo stored sideways too: every result is byte
// for byte what decoding, turning, the operation's own rule and encoding give, the rows show the
// upright sizes, and the number of jobs changes nothing.
TEST(BatchCommandProgram, TaggedFilesGiveUprightResultsWithAnyNumberOfJobs) {
    ASSERT_TRUE(testing::HasTool("djpeg") && testing::HasTool("cjpeg"));
    TempFolder scratch;
    TempFolder dir;
    const struct {
        const char* name;
        int orientation;
        bool isBigEndian;
        bool isGrey;
    } sources[] = {{"a.jpg", 6, false, false}, {"b.jpg", 3, true, false}, {"c.jpg", 8, true, true},
                   {"d.jpg", 5, false, false}, {"e.jpg", 2, true, false}};
    unsigned seed = 40;
    for (const auto& s : sources) {
        const TBitmap stored = testing::MakePhotoLike(61, 40, seed++);
        const std::vector<std::uint8_t> plain =
            s.isGrey ? testing::EncodeWithLibjpeg(stored, false, true) : EncodeJpeg(stored);
        testing::WriteBytes(dir / s.name,
                            testing::WithExifOrientation(plain, s.orientation, s.isBigEndian));
    }
    TBitmap logoPicture;
    logoPicture.ChangeSize(15, 9);
    for (int y = 2; y < 8; ++y)
        for (int x = 1; x < 11; ++x) logoPicture.SetPixelAt(x, y, RGBColor(20 * x, 200 - 20 * y, 90));
    const std::string logoPath = scratch / "logo.jpg";
    testing::WriteBytes(logoPath, testing::WithExifOrientation(EncodeJpeg(logoPicture), 6, true));

    const TBitmap logo =
        TrimLogo(testing::TurnedByTest(testing::DjpegDecode(logoPath, false, scratch.String()), 6));
    const LogoSize stampSize = ComputeLogoSize(logo.Width(), logo.Height(), LogoSizeMode::Percent, 100);
    const TBitmap stamp = PrepareLogo(logo, stampSize.Width, stampSize.Height, 10);

    for (const char* jobs : {"1", "4"}) {
        const std::string resized = dir.MakeFolder(std::string("resized") + jobs);
        const std::string marked = dir.MakeFolder(std::string("marked") + jobs);
        Args resize = {"resize", "--width", "20", "--to-folder", resized, "--jobs", jobs};
        Args mark = {"watermark", "--logo", logoPath, "--percent", "100", "--at", "top-left,bottom-right",
                     "--margin", "3", "--opacity", "150", "--noise", "10", "--to-folder", marked,
                     "--jobs", jobs};
        for (const auto& s : sources) {
            resize.push_back(dir / s.name);
            mark.push_back(dir / s.name);
        }
        const CommandRun resizeRun = RunProgram(scratch, resize);
        ASSERT_EQ(resizeRun.status, 0) << resizeRun.out;
        // 61 × 40 tagged 6 is 40 × 61: width 20 gives 30.5, to the even 30.
        EXPECT_EQ(Lines(resizeRun.out).at(0),
                  dir / "a.jpg" + "\t40x61\t" + resized + "/a.jpg\t20x30\tУспешно");
        const CommandRun markRun = RunProgram(scratch, mark);
        ASSERT_EQ(markRun.status, 0) << markRun.out;
        EXPECT_EQ(Lines(markRun.out).at(3),
                  dir / "d.jpg" + "\t40x61\t" + marked + "/d.jpg\t40x61\tУспешно");

        for (const auto& s : sources) {
            const TBitmap upright = testing::TurnedByTest(
                testing::DjpegDecode(dir / s.name, s.isGrey, scratch.String()), s.orientation);
            const PictureSize size =
                ComputeNewSize(upright.Width(), upright.Height(), ResizeMode::Width, 20);
            TBitmap scaled;
            scaled.Allocate(size.Width, size.Height);
            StretchCopy(scaled, Rect{0, 0, size.Width, size.Height}, upright);
            EXPECT_TRUE(ReadFileBytes(resized + "/" + s.name) ==
                        testing::CjpegEncode(scaled, scratch.String()))
                << "resize of " << s.name << " with --jobs " << jobs;
            const TBitmap stamped =
                StampLogo(upright, stamp, {LogoPlacement::TopLeft, LogoPlacement::BottomRight}, 3, 150);
            EXPECT_TRUE(ReadFileBytes(marked + "/" + s.name) ==
                        testing::CjpegEncode(stamped, scratch.String()))
                << "watermark of " << s.name << " with --jobs " << jobs;
        }
    }
}


// The program on a pipe of one page, interrupted after its first row by a signal or by its reader
// going away; it is held at the full pipe until then, so it cannot have finished before.
TEST(BatchCommandProgram, SignalsAndAClosedPipeEndTheRunBetweenFilesLeavingNoTemporaryFile) {
    TempFolder dir;
    dir.MakeFolder("src");
    WriteTestJpeg(dir / "src/p000.jpg", 16, 12);
    const std::vector<std::uint8_t> picture = ReadFileBytes(dir / "src/p000.jpg");
    for (int i = 1; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "src/p%03d.jpg", i);
        dir.WriteFile(name, std::string(picture.begin(), picture.end()));
    }
    const std::string out = dir / "out";
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, 0}) {  // 0: the reader closes the pipe
        SCOPED_TRACE(signal);
        fs::remove_all(out);
        fs::create_directory(out);
        int ends[2];
        ASSERT_EQ(::pipe(ends), 0);
        ::fcntl(ends[0], F_SETPIPE_SZ, 4096);
        std::vector<std::string> argv = {STAMPWISE_BATCH_EXE, "resize", "--width", "8", "--json",
                                         "--jobs", "2", "--to-folder", out, dir / "src"};
        std::vector<char*> pointers;
        for (std::string& a : argv) pointers.push_back(a.data());
        pointers.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, ends[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, ends[0]);
        posix_spawn_file_actions_addclose(&actions, ends[1]);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const int spawned = posix_spawn(&pid, pointers[0], &actions, nullptr, pointers.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(ends[1]);
        ASSERT_EQ(spawned, 0);
        FILE* reader = ::fdopen(ends[0], "r");
        std::vector<std::string> lines;
        char* line = nullptr;
        std::size_t capacity = 0;
        ASSERT_GT(::getline(&line, &capacity, reader), 0);
        lines.emplace_back(line);
        if (signal != 0) {
            ::kill(pid, signal);
            while (::getline(&line, &capacity, reader) > 0) lines.emplace_back(line);
        }
        std::free(line);
        std::fclose(reader);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 128 + (signal != 0 ? signal : SIGPIPE));

        std::size_t written = 0;
        for (const fs::directory_entry& entry : fs::directory_iterator(out)) {
            EXPECT_EQ(entry.path().filename().string().rfind(".stampwise-", 0), std::string::npos)
                << entry.path();
            ++written;
        }
        if (signal != 0) {
            // Every row printed stays, each with its result; the end says the run was cut short.
            ASSERT_GE(lines.size(), 2u);
            EXPECT_LT(lines.size(), 201u);
            EXPECT_NE(lines.back().find("\"interrupted\":true"), std::string::npos) << lines.back();
            EXPECT_EQ(written, lines.size() - 1);
        }
    }
}

// As the coreutils: a report that cannot be written (a full disk) is an error, whatever was asked.
TEST(BatchCommandProgram, AReportThatCannotBeWrittenIsAnErrorWithStatusOne) {
    TempFolder scratch;
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    for (const Args& args : {Args{"resize", "--width", "20", dir / "a.jpg"}, Args{"--help"}}) {
        SCOPED_TRACE(args[0]);
        std::string line = ShellQuoted(STAMPWISE_BATCH_EXE);
        for (const std::string& a : args) line += " " + ShellQuoted(a);
        line += " >/dev/full 2>" + ShellQuoted(scratch / "stderr.txt");
        const int status = std::system(line.c_str());
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 1);
        const std::vector<std::uint8_t> err = ReadFileBytes(scratch / "stderr.txt");
        EXPECT_NE(std::string(err.begin(), err.end()).find("write error: " + SystemErrorText(ENOSPC)),
                  std::string::npos);
    }
}

// Ctrl-C while the list still comes through a pipe whose writer holds it open: the run ends at
// once, with nothing on standard output. The signal is sent while the program still blocks it
// (as started), so it is there when the program begins; without the stop the program waits for
// the pipe's end, and the test's time limit ends it.
TEST(BatchCommandProgram, InterruptWhileTheListIsReadEndsTheRunAtOnce) {
    TempFolder dir;
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    int list[2];
    ASSERT_EQ(::pipe(list), 0);
    const std::string listed = dir / "a.jpg" + "\n";
    ASSERT_EQ(::write(list[1], listed.data(), listed.size()), static_cast<ssize_t>(listed.size()));
    std::vector<std::string> argv = {STAMPWISE_BATCH_EXE, "resize", "--width", "20", "--files-from", "-"};
    std::vector<char*> pointers;
    for (std::string& a : argv) pointers.push_back(a.data());
    pointers.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, list[0], STDIN_FILENO);
    posix_spawn_file_actions_addclose(&actions, list[0]);
    posix_spawn_file_actions_addclose(&actions, list[1]);
    const std::string out = dir / "stdout.txt";
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, out.c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t blocked;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGINT);
    posix_spawnattr_setsigmask(&attributes, &blocked);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, pointers[0], &actions, &attributes, pointers.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(list[0]);
    ASSERT_EQ(spawned, 0);
    ::kill(pid, SIGINT);
    int status = 0;
    const pid_t waited = ::waitpid(pid, &status, 0);
    ::close(list[1]);
    ASSERT_EQ(waited, pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT);
    EXPECT_TRUE(ReadFileBytes(out).empty());
    EXPECT_FALSE(fs::exists(dir / "Resized"));
}

// Under `ulimit -v`, every thread's stack counts: two large pictures among many small files at four
// jobs, where the small ones make the batch start many threads.
TEST(BatchCommandProgram, AllFilesSucceedUnderAnAddressSpaceLimit) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer reserves more address space than the limit";
#endif
#endif
    TempFolder scratch;
    TempFolder dir;
    Args args = {"resize", "--percent", "100", "--jobs", "4", "--subfolder", "out"};
    const std::vector<std::uint8_t> photo = EncodeJpeg(MakePhotoLike(3000, 2000, 5));
    for (int i = 0; i < 2; ++i) {
        args.push_back(dir / ("p" + std::to_string(i) + ".jpg"));
        testing::WriteBytes(args.back(), photo);
    }
    for (int i = 0; i < 20; ++i) {
        args.push_back(dir / ("s" + std::to_string(i) + ".jpg"));
        WriteTestJpeg(args.back(), 16, 12);
    }
    std::string line = "ulimit -v 200000 && exec " + ShellQuoted(STAMPWISE_BATCH_EXE);
    for (const std::string& a : args) line += " " + ShellQuoted(a);
    line += " >" + ShellQuoted(scratch / "out.txt") + " 2>&1";
    const int status = std::system(("sh -c " + ShellQuoted(line)).c_str());

    const std::vector<std::uint8_t> out = ReadFileBytes(scratch / "out.txt");
    ASSERT_TRUE(WIFEXITED(status)) << std::string(out.begin(), out.end());
    EXPECT_EQ(WEXITSTATUS(status), 0) << std::string(out.begin(), out.end());
}

#endif

}  // namespace
}  // namespace stampwise
