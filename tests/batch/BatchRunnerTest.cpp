// Whole batches over real JPEG files in temporary folders, seen through a recording view.
#include "batch/BatchRunner.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <vector>

#include "batch/OutputNaming.h"
#include "imaging/JpegImage.h"
#include "resize/ResizeRule.h"
#include "watermark/WatermarkTexts.h"
#include "support/RecordingBatchView.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

namespace fs = std::filesystem;
using testing::FileExists;
using testing::JpegFileSize;
using testing::ReadFileBytes;
using testing::RecordingBatchView;
using testing::TempFolder;
using testing::WriteTestJpeg;

class BatchRunnerTest : public ::testing::Test {
protected:
    BatchRunnerTest() {
        job.Operation = "resize";
        job.SourceKind = "files";
        job.TargetMode = "subfolder";
        inputs.Targets = {dir.String() + "/out", "Resized", "resized_", "_resized"};
    }

    // A 40 × 30 picture in the temporary folder (width 20 makes it 20 × 15).
    std::string Picture(const std::string& name, int width = 40, int height = 30) {
        const std::string path = dir.String() + "/" + name;
        WriteTestJpeg(path, width, height);
        return path;
    }

    BatchSummary ResizeToWidth(int width) {
        return RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Width, width,
                                                         std::to_string(width)),
                        view);
    }

    std::vector<std::string> Results() const {
        std::vector<std::string> results;
        for (const ReportRow& row : view.Rows) results.push_back(row.Result);
        return results;
    }

    TempFolder dir;
    JobState job;
    BatchInputs inputs;
    RecordingBatchView view;
};

TEST_F(BatchRunnerTest, RowsComeAfterTheFirstProgressAndTheFinalMessageEndsTheBatch) {
    const std::string a = Picture("a.jpg");
    job.SourceFiles = {a};

    const BatchSummary summary = ResizeToWidth(20);

    EXPECT_EQ(view.Events, std::vector<std::string>{"row: " + a});
    EXPECT_EQ(summary.FinalMessage, "Размеры картинок удачно изменены!");
    EXPECT_TRUE(job.SourceFiles.empty());
    EXPECT_EQ(view.Progress, (std::vector<std::pair<int, int>>{{0, 1}, {1, 1}}));
}

TEST_F(BatchRunnerTest, EmptyListGivesNoRowsAndTheFinalMessage) {
    const BatchSummary summary = ResizeToWidth(20);

    EXPECT_TRUE(view.Rows.empty());
    EXPECT_EQ(view.Progress, (std::vector<std::pair<int, int>>{{0, 0}}));
    EXPECT_EQ(summary.FinalMessage, "Размеры картинок удачно изменены!");
    EXPECT_TRUE(job.SourceFiles.empty());
}

TEST_F(BatchRunnerTest, FolderModeWritesIntoTheTargetFolder) {
    job.TargetMode = "folder";
    fs::create_directory(dir.String() + "/out");
    job.SourceFiles = {Picture("a.jpg"), Picture("b.jpg", 60, 20)};

    const BatchSummary summary = ResizeToWidth(20);

    EXPECT_EQ(summary.Failed, 0);
    ASSERT_EQ(view.Rows.size(), 2u);
    const ReportRow& first = view.Rows[0];
    EXPECT_EQ(first.ImageIndex, 0);
    EXPECT_EQ(first.Caption, dir.String() + "/a.jpg");
    EXPECT_EQ(first.SourceSize, "40x30");
    EXPECT_EQ(first.OutputPath, dir.String() + "/out/a.jpg");
    EXPECT_EQ(first.NewSize, "20x15");
    EXPECT_EQ(first.Result, "Успешно");
    EXPECT_EQ(first.ErrorText, "");
    EXPECT_EQ(JpegFileSize(dir.String() + "/out/a.jpg"), (PictureSize{20, 15}));
    // 20 × 20 / 60 = 6.67
    EXPECT_EQ(view.Rows[1].NewSize, "20x7");
    EXPECT_EQ(JpegFileSize(dir.String() + "/out/b.jpg"), (PictureSize{20, 7}));
}

TEST_F(BatchRunnerTest, SubfolderModeWritesIntoTheNewSubfolder) {
    job.SourceFiles = {Picture("a.jpg")};

    ResizeToWidth(20);

    EXPECT_EQ(view.Rows.at(0).OutputPath, dir.String() + "/Resized/a.jpg");
    EXPECT_EQ(JpegFileSize(dir.String() + "/Resized/a.jpg"), (PictureSize{20, 15}));
    EXPECT_TRUE(view.Informations.empty());  // no folder message
}

TEST_F(BatchRunnerTest, PrefixModeWritesBesideTheSource) {
    job.TargetMode = "prefix";
    job.SourceFiles = {Picture("a.jpg")};

    ResizeToWidth(20);

    EXPECT_EQ(view.Rows.at(0).OutputPath, dir.String() + "/resized_a.jpg");
    EXPECT_EQ(JpegFileSize(dir.String() + "/resized_a.jpg"), (PictureSize{20, 15}));
}

TEST_F(BatchRunnerTest, SuffixModeGoesBeforeTheLastExtension) {
    job.TargetMode = "suffix";
    inputs.Targets.Suffix = "_marked";
    job.SourceFiles = {Picture("IMG.01.JPG"), Picture("noext")};

    ResizeToWidth(20);

    EXPECT_EQ(Results(), (std::vector<std::string>{"Успешно", "Успешно"}));
    EXPECT_EQ(view.Rows[0].OutputPath, dir.String() + "/IMG.01_marked.JPG");
    EXPECT_EQ(view.Rows[1].OutputPath, dir.String() + "/noext_marked");
    EXPECT_EQ(JpegFileSize(dir.String() + "/IMG.01_marked.JPG"), (PictureSize{20, 15}));
    EXPECT_EQ(JpegFileSize(dir.String() + "/noext_marked"), (PictureSize{20, 15}));
}

TEST_F(BatchRunnerTest, FileListedTwiceIsProcessedTwice) {
    const std::string a = Picture("a.jpg");
    job.SourceFiles = {a, a};

    ResizeToWidth(20);

    ASSERT_EQ(view.Rows.size(), 2u);
    EXPECT_EQ(view.Rows[0].Caption, a);
    EXPECT_EQ(view.Rows[1].Caption, a);
    EXPECT_EQ(Results(), (std::vector<std::string>{"Успешно", "Успешно"}));
    EXPECT_EQ(JpegFileSize(dir.String() + "/Resized/a.jpg"), (PictureSize{20, 15}));
}

// Whichever of the two comes first in the list, and however many files run at once.
TEST_F(BatchRunnerTest, ResultOverAnotherSourceOfTheBatchFailsNamingItAndLeavesItIntact) {
    const std::string a = Picture("a.jpg", 40, 30);
    const std::string other = Picture("a_r.jpg", 60, 20);  // a's result under the suffix _r
    const std::vector<std::uint8_t> before = ReadFileBytes(other);
    job.TargetMode = "suffix";
    inputs.Targets.Suffix = "_r";
    for (const int jobs : {1, 4}) {
        for (const bool isOtherFirst : {false, true}) {
            SCOPED_TRACE("jobs " + std::to_string(jobs) + (isOtherFirst ? ", a_r.jpg first" : ""));
            RecordingBatchView fresh;
            job.SourceFiles = isOtherFirst ? std::vector<std::string>{other, a}
                                           : std::vector<std::string>{a, other};
            inputs.Jobs = jobs;

            const BatchSummary summary =
            RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Width, 20, "20"), fresh);

            ASSERT_EQ(fresh.Rows.size(), 2u);
            const ReportRow& ofA = fresh.Rows[isOtherFirst ? 1 : 0];
            const ReportRow& ofOther = fresh.Rows[isOtherFirst ? 0 : 1];
            EXPECT_EQ(ofA.Result, "Ошибка!");
            EXPECT_EQ(ofA.ErrorText, kOtherSourceErrorText + other);
            EXPECT_EQ(ofA.OutputPath, other);
            EXPECT_EQ(ofOther.Result, "Успешно");
            EXPECT_EQ(ReadFileBytes(other), before);
            EXPECT_EQ(JpegFileSize(dir / "a_r_r.jpg"), (PictureSize{20, 7}));
        }
    }
}

// A broken first file writes nothing, so the next source gets the path; the one after that comes
// from another source and must not replace it, while the first good source listed again may.
TEST_F(BatchRunnerTest, FirstSourceWrittenToAnOutputPathKeepsItAndLaterOthersFailNamingIt) {
    dir.MakeFolder("A");
    dir.MakeFolder("B");
    dir.MakeFolder("C");
    dir.MakeFolder("out");
    const std::string first = Picture("A/k.jpg", 40, 30);
    const std::string second = Picture("B/k.jpg", 60, 20);
    const std::string broken = dir.WriteFile("C/k.jpg", "not a picture");
    job.TargetMode = "folder";
    for (const int jobs : {1, 4}) {
        SCOPED_TRACE("jobs " + std::to_string(jobs));
        RecordingBatchView fresh;
        job.SourceFiles = {broken, first, second, dir / "A/./k.jpg"};
        inputs.Jobs = jobs;
        fs::remove(dir / "out/k.jpg");

        RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Width, 20, "20"), fresh);

        ASSERT_EQ(fresh.Rows.size(), 4u);
        EXPECT_EQ(fresh.Rows[0].Result, "Ошибка!");
        EXPECT_EQ(fresh.Rows[1].Result, "Успешно");
        EXPECT_EQ(fresh.Rows[2].Result, "Ошибка!");
        EXPECT_EQ(fresh.Rows[2].ErrorText, kTakenOutputErrorText + first);
        EXPECT_EQ(fresh.Rows[2].NewSize, "20x7");
        EXPECT_EQ(fresh.Rows[3].Result, "Успешно");
        EXPECT_EQ(JpegFileSize(dir / "out/k.jpg"), (PictureSize{20, 15}));
    }
}

// A run given a range of the list (one shard of it) processes and reports those files alone, but
// plans with the whole list: an earlier file outside the range keeps its output path also when
// its run has not written it yet, and a source outside the range is never replaced.
TEST_F(BatchRunnerTest, RangeOfTheListIsPlannedWithTheWholeList) {
    dir.MakeFolder("A");
    dir.MakeFolder("B");
    dir.MakeFolder("out");
    const std::string first = Picture("A/k.jpg", 40, 30);
    const std::string later = Picture("B/k.jpg", 60, 20);
    const std::string z = Picture("B/z.jpg");
    const std::string zOfOut = Picture("out/z.jpg", 64, 48);
    const std::vector<std::uint8_t> untouched = ReadFileBytes(zOfOut);
    job.TargetMode = "folder";
    job.SourceFiles = {first, later, dir / "A/./k.jpg", z, zOfOut};
    inputs.ProcessFirst = 1;
    inputs.ProcessLast = 4;

    const BatchSummary summary = ResizeToWidth(20);

    EXPECT_EQ(summary.Total, 3);
    ASSERT_EQ(view.Rows.size(), 3u);
    EXPECT_EQ(view.Rows[0].Caption, later);
    EXPECT_EQ(view.Rows[0].ErrorText, kEarlierOutputErrorText + first);
    EXPECT_EQ(view.Rows[1].Result, "Успешно");  // the first file's own source, listed again
    EXPECT_EQ(view.Rows[2].ErrorText, kOtherSourceErrorText + zOfOut);
    EXPECT_EQ(JpegFileSize(dir / "out/k.jpg"), (PictureSize{20, 15}));
    EXPECT_EQ(ReadFileBytes(zOfOut), untouched);
}

TEST_F(BatchRunnerTest, SubfolderIsMadeInEachSourceFolder) {
    fs::create_directory(dir.String() + "/one");
    fs::create_directory(dir.String() + "/two");
    job.SourceFiles = {Picture("one/a.jpg"), Picture("two/b.jpg")};

    ResizeToWidth(20);

    EXPECT_EQ(Results(), (std::vector<std::string>{"Успешно", "Успешно"}));
    EXPECT_TRUE(FileExists(dir.String() + "/one/Resized/a.jpg"));
    EXPECT_TRUE(FileExists(dir.String() + "/two/Resized/b.jpg"));
}

TEST_F(BatchRunnerTest, UncreatableSubfolderIsSaidOncePerFolderAndFailsEachOfItsFiles) {
    dir.WriteFile("Blocked", "a file in the subfolder's place");
    const std::string two = dir.MakeFolder("two");
    dir.WriteFile("two/Blocked", "another");
    inputs.Targets.Subfolder = "Blocked";
    const std::string a = Picture("a.jpg");
    const std::string b = Picture("b.jpg");
    const std::string c = Picture("two/c.jpg");
    job.SourceFiles = {a, b, c};

    const BatchSummary summary = ResizeToWidth(20);

    const std::string message = "Невозможно создать каталог " + dir.String() + "/Blocked";
    std::vector<std::string> fileEvents;
    for (const std::string& e : view.Events) {
        if (e.rfind("row: ", 0) == 0 || e.rfind("information: ", 0) == 0) fileEvents.push_back(e);
    }
    EXPECT_EQ(fileEvents, (std::vector<std::string>{
                              "information: " + message, "row: " + a, "row: " + b,
                              "information: Невозможно создать каталог " + two + "/Blocked",
                              "row: " + c,
                          }));
    EXPECT_EQ(summary.FinalMessage, "Размеры изменены не у всех картинок: ошибок 3 из 3.");
    ASSERT_EQ(view.Rows.size(), 3u);
    EXPECT_EQ(view.Rows[1].ImageIndex, 1);
    EXPECT_EQ(view.Rows[1].Result, "Ошибка!");
    EXPECT_EQ(view.Rows[1].OutputPath, dir.String() + "/Blocked/b.jpg");
    EXPECT_EQ(view.Rows[1].NewSize, "20x15");
    EXPECT_EQ(view.Rows[1].ErrorText, message);
    EXPECT_EQ(summary.Failed, 3);
}

TEST_F(BatchRunnerTest, UnreadableFilesFailAloneWithNoSizes) {
    const std::string good = Picture("good.jpg");
    const std::string text = dir.WriteFile("text.jpg", "not a picture");
    const std::string missing = dir.String() + "/missing.jpg";
    const std::string last = Picture("last.jpg", 30, 30);
    job.SourceFiles = {good, text, missing, last};

    const BatchSummary summary = ResizeToWidth(20);

    ASSERT_EQ(view.Rows.size(), 4u);
    EXPECT_EQ(Results(), (std::vector<std::string>{"Успешно", "Ошибка!", "Ошибка!", "Успешно"}));
    for (int i : {1, 2}) {
        // Nothing of the good file before it carries over.
        const ReportRow& row = view.Rows[i];
        EXPECT_EQ(row.ImageIndex, 1) << i;
        EXPECT_EQ(row.SourceSize, "0x0") << i;
        EXPECT_EQ(row.NewSize, "0x0") << i;
        EXPECT_EQ(row.OutputPath, "") << i;
        EXPECT_NE(row.ErrorText, "") << i;
    }
    EXPECT_EQ(view.Rows[3].NewSize, "20x20");
    EXPECT_TRUE(FileExists(dir.String() + "/Resized/last.jpg"));
    EXPECT_FALSE(FileExists(dir.String() + "/Resized/text.jpg"));
    EXPECT_EQ(summary.Failed, 2);
    EXPECT_EQ(summary.FinalMessage, "Размеры изменены не у всех картинок: ошибок 2 из 4.");
}

TEST_F(BatchRunnerTest, SecondBatchGivesOnlyItsOwnRowsAndItsOperationsMessage) {
    job.SourceFiles = {Picture("a.jpg"), Picture("b.jpg")};
    ResizeToWidth(20);
    ASSERT_EQ(view.Rows.size(), 2u);

    BatchOperation watermark = MakeResizeOperation(ResizeMode::Percent, 50, "50");
    watermark.Texts = WatermarkTexts();
    watermark.OperationPhrase = "";
    job.Operation = "watermark";
    job.SourceFiles = {Picture("c.jpg")};
    RecordingBatchView second;
    const BatchSummary summary = RunBatch(job, inputs, watermark, second);

    ASSERT_EQ(second.Rows.size(), 1u);
    EXPECT_EQ(second.Rows[0].Caption, dir.String() + "/c.jpg");
    EXPECT_EQ(summary.FinalMessage, "Логотипы удачно нанесены на картинки!");
}

TEST_F(BatchRunnerTest, ResultThatWouldReplaceItsSourceFailsAndLeavesItUntouched) {
    struct Case {
        const char* mode;
        TargetTexts targets;
    };
    fs::create_directory_symlink(dir.Path(), dir.Path() / "link");
    const std::string own = dir.String();
    const Case cases[] = {
        {"suffix", {"", "", "", ""}},
        {"prefix", {"", "", "", ""}},
        {"subfolder", {"", "", "", ""}},
        {"subfolder", {"", ".", "", ""}},
        {"folder", {own, "", "", ""}},
        {"folder", {own + "/", "", "", ""}},
        {"folder", {own + "/./", "", "", ""}},
        {"folder", {own + "/link", "", "", ""}},
    };
    const std::string a = Picture("a.jpg");
    const std::vector<std::uint8_t> before = ReadFileBytes(a);
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.mode) + " [" + c.targets.Folder + c.targets.Subfolder + "]");
        RecordingBatchView fresh;
        job.TargetMode = c.mode;
        job.SourceFiles = {a};
        inputs.Targets = c.targets;

        const BatchSummary summary =
            RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Width, 20, "20"), fresh);

        ASSERT_EQ(fresh.Rows.size(), 1u);
        EXPECT_EQ(fresh.Rows[0].Result, "Ошибка!");
        EXPECT_EQ(fresh.Rows[0].ErrorText, kSameFileErrorText);
        EXPECT_EQ(fresh.Rows[0].SourceSize, "40x30");
        EXPECT_EQ(ReadFileBytes(a), before);
        EXPECT_EQ(summary.FinalMessage, "Размеры изменены не у всех картинок: ошибок 1 из 1.");
    }
}

TEST_F(BatchRunnerTest, SizeWithoutPixelsFailsAndWritesNothing) {
    job.SourceFiles = {Picture("a.jpg")};

    const BatchSummary summary = ResizeToWidth(0);

    ASSERT_EQ(view.Rows.size(), 1u);
    EXPECT_EQ(view.Rows[0].Result, "Ошибка!");
    EXPECT_EQ(view.Rows[0].SourceSize, "40x30");
    EXPECT_EQ(view.Rows[0].NewSize, "0x0");
    EXPECT_EQ(summary.Failed, 1);
    EXPECT_FALSE(fs::exists(dir.String() + "/Resized"));
}

TEST_F(BatchRunnerTest, FailedFileLeavesAnEarlierResultIntact) {
    const std::string a = Picture("a.jpg");
    job.SourceFiles = {a};
    ResizeToWidth(20);
    const std::string result = dir.String() + "/Resized/a.jpg";
    const std::vector<std::uint8_t> earlier = ReadFileBytes(result);

    // The source is broken now: its step fails before anything is saved.
    dir.WriteFile("a.jpg", "broken");
    job.SourceFiles = {a};
    view.Rows.clear();
    ResizeToWidth(10);
    EXPECT_EQ(view.Rows.at(0).Result, "Ошибка!");
    EXPECT_EQ(ReadFileBytes(result), earlier);
}

TEST_F(BatchRunnerTest, FailedSaveLeavesAnEarlierResultIntact) {
    const std::string a = Picture("a.jpg");
    job.SourceFiles = {a};
    ResizeToWidth(20);
    const std::string result = dir.String() + "/Resized/a.jpg";
    const std::vector<std::uint8_t> earlier = ReadFileBytes(result);

    // A step that gives no bytes: the save itself fails.
    BatchOperation emptyPicture;
    emptyPicture.Texts = ResizeTexts();
    emptyPicture.Step = [](const std::string&, StepOutcome& outcome) { outcome.SourceSize = {40, 30}; };
    job.SourceFiles = {a};
    view.Rows.clear();
    RunBatch(job, inputs, emptyPicture, view);

    ASSERT_EQ(view.Rows.size(), 1u);
    EXPECT_EQ(view.Rows[0].Result, "Ошибка!");
    EXPECT_EQ(view.Rows[0].OutputPath, result);
    EXPECT_EQ(view.Rows[0].ErrorText, "Cannot create file \"" + result + "\". The picture is empty");
    EXPECT_EQ(ReadFileBytes(result), earlier);
}

TEST_F(BatchRunnerTest, TargetFolderThatCannotTakeFilesIsSaidOnceAndNothingStarts) {
    job.TargetMode = "folder";
    dir.WriteFile("plain", "a file, so no folder can be made under it");
    inputs.Targets.Folder = dir.String() + "/plain/out";
    job.SourceFiles = {Picture("a.jpg"), Picture("b.jpg")};
    const std::vector<std::string> sources = job.SourceFiles;

    const BatchSummary summary = ResizeToWidth(20);

    EXPECT_TRUE(view.Events.empty());
    EXPECT_TRUE(view.Progress.empty());
    EXPECT_EQ(summary.FinalMessage,
              "Нельзя сохранить файлы в каталог " + dir.String() + "/plain/out: нет такого каталога");
    EXPECT_EQ(job.SourceFiles, sources);  // the parameters window stays, ready for another try
    EXPECT_TRUE(summary.PrepareFailed);
}

TEST_F(BatchRunnerTest, StopLetsTheFilesUnderWayFinishAndStartsNoOther) {
    for (int i = 0; i < 12; ++i) job.SourceFiles.push_back(Picture("p" + std::to_string(i) + ".jpg"));
    const std::vector<std::string> sources = job.SourceFiles;
    for (const int jobs : {1, 3}) {
        SCOPED_TRACE(jobs);
        fs::remove_all(dir.String() + "/Resized");
        view.Events.clear();
        view.Rows.clear();
        std::stop_source stop;
        inputs.Stop = stop.get_token();
        inputs.Jobs = jobs;
        job.SourceFiles = sources;
        BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
        const TransformStep resize = op.Step;
        // The user presses the stop button while the third file is worked on.
        op.Step = [&](const std::string& path, StepOutcome& outcome) {
            if (path == sources[2]) stop.request_stop();
            resize(path, outcome);
        };

        const BatchSummary summary = RunBatch(job, inputs, op, view);

        const int done = static_cast<int>(view.Rows.size());
        if (jobs == 1) {
            EXPECT_EQ(done, 3);
        }
        EXPECT_GE(done, 3);
        EXPECT_LT(done, 12);
        EXPECT_TRUE(summary.Stopped);
        EXPECT_EQ(summary.FinalMessage, "Обработка остановлена: обработано " +
                                            std::to_string(done) + " из 12.");
        for (int i = 0; i < 12; ++i) {
            const std::string result = dir.String() + "/Resized/p" + std::to_string(i) + ".jpg";
            EXPECT_EQ(FileExists(result), i < done) << i;
            if (i < done) {
                EXPECT_EQ(view.Rows[i].Result, "Успешно");
            }
        }
        EXPECT_TRUE(job.SourceFiles.empty());
    }
}

TEST_F(BatchRunnerTest, StepFailureKeepsWhatItWorkedOutAndItsText) {
    BatchOperation op;
    op.Texts = ResizeTexts();
    op.Step = [](const std::string&, StepOutcome& outcome) {
        outcome.SourceSize = {7, 5};
        throw std::runtime_error("поломка");
    };
    job.SourceFiles = {dir.String() + "/x.jpg"};

    RunBatch(job, inputs, op, view);

    ASSERT_EQ(view.Rows.size(), 1u);
    EXPECT_EQ(view.Rows[0].SourceSize, "7x5");
    EXPECT_EQ(view.Rows[0].NewSize, "0x0");
    EXPECT_EQ(view.Rows[0].ErrorText, "поломка");
}

TEST_F(BatchRunnerTest, PreparesBeforeTheFirstFileAndCleansUpBeforeTheMessage) {
    BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
    op.Prepare = [this] { view.Events.push_back("prepare"); };
    op.CleanUp = [this] { view.Events.push_back("clean up"); };
    const std::string a = Picture("a.jpg");
    job.SourceFiles = {a};

    const BatchSummary summary = RunBatch(job, inputs, op, view);

    EXPECT_EQ(view.Events, (std::vector<std::string>{"prepare", "row: " + a, "clean up"}));
    EXPECT_EQ(summary.FinalMessage, "Размеры картинок удачно изменены!");
}

TEST_F(BatchRunnerTest, FailedPreparationProcessesNoFile) {
    BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
    op.Prepare = [] { throw std::runtime_error("Логотип не читается"); };
    bool cleanedUp = false;
    op.CleanUp = [&cleanedUp] { cleanedUp = true; };
    job.SourceFiles = {Picture("a.jpg")};

    const BatchSummary summary = RunBatch(job, inputs, op, view);

    EXPECT_TRUE(view.Rows.empty());
    EXPECT_EQ(summary.FinalMessage, "Логотип не читается");
    EXPECT_TRUE(cleanedUp);
    EXPECT_EQ(summary.Failed, 1);
    EXPECT_FALSE(fs::exists(dir.String() + "/Resized"));
    EXPECT_TRUE(job.SourceFiles.empty());
}

// The row of a batch of source alone.
ReportRow RowOf(const std::string& source, const std::string& targetMode, const TargetTexts& targets,
                const TransformStep& step) {
    JobState job;
    job.SourceKind = "files";
    job.TargetMode = targetMode;
    job.SourceFiles = {source};
    BatchInputs inputs;
    inputs.Targets = targets;
    BatchOperation operation;
    operation.Texts = ResizeTexts();
    operation.Step = step;
    RecordingBatchView view;
    RunBatch(job, inputs, operation, view);
    return view.Rows.size() == 1 ? view.Rows[0] : ReportRow{kReportImageOk, source, "", "", "", "", "no row"};
}

TEST(FileWork, NeverThrows) {
    const TransformStep odd = [](const std::string&, StepOutcome&) { throw 42; };
    const ReportRow row = RowOf("/nowhere/a.jpg", "prefix", {}, odd);
    EXPECT_EQ(row.Result, "Ошибка!");
    EXPECT_NE(row.ErrorText, "");

    EXPECT_EQ(RowOf("/nowhere/a.jpg", "prefix", {}, TransformStep()).Result, "Ошибка!");
}

}  // namespace
}  // namespace stampwise

namespace stampwise {
namespace {

// The reason of a row processed by a user without root's rights, who cannot write everywhere: as
// root (CI), in a child process that gives root up first.
std::string ReasonWithoutRoot(const std::string& source, const std::string& targetMode,
                              const TargetTexts& targets, const TransformStep& step) {
    if (::geteuid() != 0) return RowOf(source, targetMode, targets, step).ErrorText;
    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0) return "no pipe";
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(pipeEnds[0]);
        constexpr uid_t kNobody = 65534;
        if (::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) ::_exit(1);
        const std::string reason = RowOf(source, targetMode, targets, step).ErrorText;
        const ssize_t written = ::write(pipeEnds[1], reason.data(), reason.size());
        ::_exit(written == static_cast<ssize_t>(reason.size()) ? 0 : 1);
    }
    ::close(pipeEnds[1]);
    std::string reason;
    char buffer[512];
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;) reason.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? reason : "the child failed";
}

// Real failures, each with the Russian words a person reads first and the technical text after.
TEST(FailureReasons, TheUsualCausesAreSaidInRussianBeforeTheSystemsOrTheLibrarysWords) {
    TempFolder dir;
    const std::string good = dir / "good.jpg";
    WriteTestJpeg(good, 40, 30);
    const std::string cut = dir / "cut.jpg";
    WriteTestJpeg(cut, 64, 48);
    testing::CutShort(cut);
    const std::string text = dir.WriteFile("text.jpg", "not a picture");
    fs::create_directory(dir / "folder.jpg");
    // A folder others may enter but not write in, with a picture they may read.
    fs::create_directory(dir / "locked");
    const std::string locked = dir / "locked/a.jpg";
    WriteTestJpeg(locked, 40, 30);
    fs::permissions(dir.Path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const fs::perms readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                               fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    fs::permissions(dir / "locked", readOnly);
    const std::string socketPath = dir / "socket.jpg";
    const int listening = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
    ASSERT_EQ(::bind(listening, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    fs::create_symlink("loop2.jpg", dir / "loop1.jpg");
    fs::create_symlink("loop1.jpg", dir / "loop2.jpg");
    // Reading this process's memory at address 0 fails as a bad disk's sector does: EIO.
    fs::create_symlink("/proc/self/mem", dir / "bad-sector.jpg");
    // Beyond the largest picture the codec makes, with little data: refused before any storage.
    const std::vector<std::uint8_t> small =
        testing::EncodeWithLibjpeg(testing::MakePhotoLike(16, 16, 3), false, false);
    testing::WriteBytes(dir / "huge.jpg", testing::ClaimingSize(small, 17000, 17000));
    const TransformStep step = MakeResizeOperation(ResizeMode::Width, 20, "20").Step;
    const TargetTexts beside{"", "Resized", "small_", "_small"};
    const TargetTexts missingFolder{"", "", "missing/", ""};
    const TargetTexts longPrefix{"", "", std::string(300, 'p'), ""};
    const auto reason = [&](const std::string& source, const std::string& mode, const TargetTexts& targets) {
        return RowOf(source, mode, targets, step).ErrorText;
    };

    const struct {
        const char* what;
        std::string reason;
        std::string words;      // first
        std::string technical;  // after them
    } cases[] = {
        {"missing source", reason(dir / "missing.jpg", "subfolder", beside),
         "Не удалось прочитать файл: нет такого файла или папки (", "No such file or directory)"},
        {"a folder as source", reason(dir / "folder.jpg", "subfolder", beside),
         "Не удалось прочитать файл: это не обычный файл (", "Is a directory)"},
        {"source name too long", reason(dir / (std::string(300, 'n') + ".jpg"), "subfolder", beside),
         "Не удалось прочитать файл: слишком длинное имя файла (", "File name too long)"},
        {"missing target folder", reason(good, "prefix", missingFolder),
         "Не удалось записать файл: нет такого файла или папки (", "No such file or directory)"},
        {"result name too long", reason(good, "prefix", longPrefix),
         "Не удалось записать файл: слишком длинное имя файла (", "File name too long)"},
        {"read-only folder", ReasonWithoutRoot(locked, "prefix", beside, step),
         "Не удалось записать файл: нет прав доступа (", "Permission denied)"},
        {"cut short", reason(cut, "subfolder", beside), "Данные картинки обрываются (",
         "Premature end of JPEG file)"},
        {"not a JPEG file", reason(text, "subfolder", beside), "Файл — не картинка JPEG (JPEG error #",
         ": Not a JPEG file: starts with 0x6e 0x6f)"},
        {"a socket as source", reason(socketPath, "subfolder", beside),
         "Не удалось прочитать файл: это не обычный файл (", "No such device or address)"},
        {"a loop of links", reason(dir / "loop1.jpg", "subfolder", beside),
         "Не удалось прочитать файл: символические ссылки ведут по кругу (",
         "Too many levels of symbolic links)"},
        {"a read that fails", reason(dir / "bad-sector.jpg", "subfolder", beside),
         "Не удалось прочитать файл: ошибка ввода-вывода на диске (", "Input/output error)"},
        // Refused by the codec ("Out of system resources"), or on a machine with less than its
        // gigabyte free, by the batch before it is read: the same words either way.
        {"a picture too large to make", reason(dir / "huge.jpg", "subfolder", beside),
         "Не хватает памяти для картинки", ""},
    };
    ::close(listening);
    fs::permissions(dir / "locked", fs::perms::owner_all);  // so that the folder can go
    for (const auto& c : cases) {
        EXPECT_EQ(c.reason.rfind(c.words, 0), 0u) << c.what << ": " << c.reason;
        EXPECT_TRUE(c.reason.size() >= c.technical.size() &&
                    c.reason.compare(c.reason.size() - c.technical.size(), std::string::npos, c.technical) == 0)
            << c.what << ": " << c.reason;
    }
}

}  // namespace
}  // namespace stampwise
