// Batches with several files at once: everything seen and written must be what one file at a time
// gives. Where a fault would only show in an unlucky interleaving, a step is held back on purpose
// until the other file has got as far as the fault needs.
#include "batch/BatchRunner.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <stdexcept>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "batch/OutputNaming.h"
#include "imaging/JpegImage.h"
#include "imaging/PictureCost.h"
#include "resize/ResizeRule.h"
#include "support/RecordingBatchView.h"
#include "support/ReferenceCodec.h"
#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"
#include "watermark/WatermarkStep.h"

namespace stampwise {
namespace {

namespace fs = std::filesystem;
using testing::JpegFileSize;
using testing::ReadFileBytes;
using testing::RecordingBatchView;
using testing::TempFolder;
using testing::WriteTestJpeg;

void WritePhotoJpeg(const std::string& path, int width, int height, unsigned seed) {
    testing::WriteJpeg(path, testing::MakePhotoLike(width, height, seed));
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
    return text;
}

// Every file under root by its relative path, with its bytes.
std::map<std::string, std::vector<std::uint8_t>> TreeContents(const fs::path& root) {
    std::map<std::string, std::vector<std::uint8_t>> contents;
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file()) continue;
        contents[fs::relative(entry.path(), root).string()] = ReadFileBytes(entry.path().string());
    }
    return contents;
}

// A mixed tree: pictures of several sizes (a slow one early, so later files finish first), a file
// that is no picture, and in the folder "blocked" a file where the subfolder would go.
void WriteMixedTree(const TempFolder& root) {
    root.MakeFolder("one");
    root.MakeFolder("two");
    root.MakeFolder("blocked");
    root.MakeFolder("out");
    WritePhotoJpeg(root / "one/big.jpg", 900, 700, 1);
    WritePhotoJpeg(root / "one/a.jpg", 121, 77, 2);
    WritePhotoJpeg(root / "one/a_r.jpg", 64, 48, 3);
    WritePhotoJpeg(root / "two/a.jpg", 203, 150, 4);
    WritePhotoJpeg(root / "two/gray.jpg", 90, 61, 5);
    WritePhotoJpeg(root / "blocked/c.jpg", 47, 33, 6);
    root.WriteFile("blocked/Resized", "a file where the subfolder would go");
    root.WriteFile("one/text.jpg", "not a picture");
}

// The same list over either copy of the tree: repeats, two sources of one name, a missing file,
// and a file whose result ("_r") is another listed file.
std::vector<std::string> MixedList(const TempFolder& root) {
    return {root / "one/big.jpg", root / "one/a.jpg",      root / "two/a.jpg",
            root / "blocked/c.jpg", root / "one/text.jpg", root / "one/a_r.jpg",
            root / "one/missing.jpg", root / "two/gray.jpg", root / "one/a.jpg",
            root / "blocked/c.jpg"};
}

TBitmap SmallLogo() {
    TBitmap logo;
    logo.ChangeSize(13, 7);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 13; ++x)
            if ((x + 2 * y) % 4 != 0) logo.SetPixelAt(x, y, RGBColor(10 * x, 200 - 20 * y, 40));
    return logo;
}

struct BatchRecord {
    std::vector<std::string> events;  // with the tree's root replaced by "<root>"
    std::map<std::string, std::vector<std::uint8_t>> files;
};

BatchRecord RunOver(const TempFolder& root, const std::string& targetMode,
                    const BatchOperation& operation, int jobs) {
    JobState job;
    job.Operation = operation.Texts.Keyword;
    job.SourceKind = "files";
    job.TargetMode = targetMode;
    job.SourceFiles = MixedList(root);
    BatchInputs inputs;
    inputs.Targets = {root / "out", "Resized", "r_", "_r"};
    inputs.Jobs = jobs;
    RecordingBatchView view;

    const BatchSummary summary = RunBatch(job, inputs, operation, view);

    BatchRecord record;
    for (const std::string& e : view.Events) record.events.push_back(Replaced(e, root.String(), "<root>"));
    record.events.push_back("final: " + summary.FinalMessage);
    for (const ReportRow& row : view.Rows) {
        record.events.push_back(Replaced(row.Caption + "|" + row.SourceSize + "|" + row.OutputPath +
                                             "|" + row.NewSize + "|" + row.Result + "|" +
                                             row.ErrorText + "|" + std::to_string(row.ImageIndex),
                                         root.String(), "<root>"));
    }
    record.files = TreeContents(root.Path());
    return record;
}

class OneAndFourJobs : public ::testing::TestWithParam<std::string> {};

TEST_P(OneAndFourJobs, WriteTheSameBytesAndShowTheSameRowsInTheSameOrder) {
    const std::string mode = GetParam();
    WatermarkSettings settings;
    settings.Logo = SmallLogo();
    settings.Placements = {LogoPlacement::TopLeft, LogoPlacement::Middle, LogoPlacement::BottomRight};
    settings.Opacity = 150;
    const BatchOperation operations[] = {
        MakeResizeOperation(ResizeMode::Width, 50, "50"),
        MakeWatermarkOperation(settings),
    };
    for (const BatchOperation& operation : operations) {
        SCOPED_TRACE(operation.Texts.Keyword);
        TempFolder single;
        TempFolder parallel;
        WriteMixedTree(single);
        WriteMixedTree(parallel);

        const BatchRecord one = RunOver(single, mode, operation, 1);
        const BatchRecord four = RunOver(parallel, mode, operation, 4);

        EXPECT_EQ(one.events, four.events);
        ASSERT_EQ(one.files.size(), four.files.size());
        for (const auto& [name, bytes] : one.files) {
            const auto other = four.files.find(name);
            ASSERT_NE(other, four.files.end()) << name;
            EXPECT_TRUE(bytes == other->second) << name << " differs";
        }
        // The batch really had results, failures and (in the subfolder mode) the folder message,
        // once for the folder's two files.
        EXPECT_GT(one.files.size(), 9u);
        EXPECT_NE(std::find(one.events.begin(), one.events.end(), "row: <root>/one/text.jpg"),
                  one.events.end());
        if (mode == "subfolder") {
            EXPECT_EQ(std::count(one.events.begin(), one.events.end(),
                                 "information: Невозможно создать каталог <root>/blocked/Resized"),
                      1);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(ParallelBatch, OneAndFourJobs,
                         ::testing::Values("subfolder", "folder", "suffix", "prefix"));

// A step that is ResizePicture (width 20) but lets the test hold one file back and see when each
// file starts and ends.
class ObservedSteps {
public:
    std::function<void(const std::string&)> BeforeRead;

    BatchOperation Operation() {
        BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
        op.Step = [this](const std::string& path, StepOutcome& outcome) {
            Record("start " + path);
            if (BeforeRead) BeforeRead(path);
            ResizePicture(path, ResizeMode::Width, 20, outcome);
            Record("end " + path);
        };
        return op;
    }

    void Record(const std::string& event) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            events_.push_back(event);
        }
        changed_.notify_all();
    }

    // Waits (at most a few seconds, so a runner that does it the other way round fails instead of
    // hanging) until event has happened.
    bool AwaitEvent(const std::string& event) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] {
            return std::find(events_.begin(), events_.end(), event) != events_.end();
        });
    }

    std::vector<std::string> Events() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<std::string> events_;
};

class ParallelBatchTest : public ::testing::Test {
protected:
    ParallelBatchTest() {
        job.Operation = "resize";
        job.SourceKind = "files";
        inputs.Targets = {dir / "out", "Resized", "r_", "_r"};
        inputs.Jobs = 4;
            dir.MakeFolder("out");
    }

    TempFolder dir;
    JobState job;
    BatchInputs inputs;
    RecordingBatchView view;
    ObservedSteps steps;
};

TEST_F(ParallelBatchTest, FirstFileOfOneOutputPathKeepsItAlsoWhenTheLaterIsReadyFirst) {
    dir.MakeFolder("a");
    dir.MakeFolder("b");
    WriteTestJpeg(dir / "a/x.jpg", 40, 30);
    WriteTestJpeg(dir / "b/x.jpg", 60, 20);
    job.TargetMode = "folder";
    job.SourceFiles = {dir / "a/x.jpg", dir / "b/x.jpg"};
    // The earlier file saves only after the later one has its picture ready.
    steps.BeforeRead = [&](const std::string& path) {
        if (path == dir / "a/x.jpg") steps.AwaitEvent("end " + dir / "b/x.jpg");
    };

    RunBatch(job, inputs, steps.Operation(), view);

    ASSERT_EQ(view.Rows.size(), 2u);
    EXPECT_EQ(view.Rows[0].Result, "Успешно");
    EXPECT_EQ(view.Rows[1].Result, "Ошибка!");
    EXPECT_EQ(view.Rows[1].ErrorText, kTakenOutputErrorText + dir / "a/x.jpg");
    EXPECT_EQ(JpegFileSize(dir / "out/x.jpg"), (PictureSize{20, 15}));  // a's 40 × 30
}

TEST_F(ParallelBatchTest, RowIsAddedAsSoonAsItsFileAndEveryEarlierOneAreDone) {
    job.TargetMode = "subfolder";
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    WriteTestJpeg(dir / "b.jpg", 40, 30);
    job.SourceFiles = {dir / "a.jpg", dir / "b.jpg"};
    // b.jpg goes on only once a.jpg's row is in the report.
    struct RowSignallingView : RecordingBatchView {
        ObservedSteps* steps = nullptr;
        void AddRow(const ReportRow& row, const std::string& folderMessage) override {
            RecordingBatchView::AddRow(row, folderMessage);
            steps->Record("row " + row.Caption);
        }
    } signalling;
    signalling.steps = &steps;
    bool sawRowFirst = false;
    steps.BeforeRead = [&](const std::string& path) {
        if (path == dir / "b.jpg") sawRowFirst = steps.AwaitEvent("row " + dir / "a.jpg");
    };

    RunBatch(job, inputs, steps.Operation(), signalling);

    EXPECT_TRUE(sawRowFirst);
    ASSERT_EQ(signalling.Rows.size(), 2u);
    EXPECT_EQ(signalling.Rows[1].Result, "Успешно");
}

// Records which thread every call of the view comes from, and the waiting ticks.
struct ThreadCheckingView : RecordingBatchView {
    ObservedSteps* steps = nullptr;
    std::vector<std::thread::id> callers;
    int waitTicks = 0;
    void Note() { callers.push_back(std::this_thread::get_id()); }
    void AddRow(const ReportRow& row, const std::string& folderMessage) override {
        Note();
        RecordingBatchView::AddRow(row, folderMessage);
    }
    void ShowProgress(int done, int total) override {
        Note();
        RecordingBatchView::ShowProgress(done, total);
    }
    void WaitTick() override {
        Note();
        ++waitTicks;
        steps->Record("tick");
    }
};

TEST_F(ParallelBatchTest, ViewIsCalledOnTheCallingThreadOnlyAndTicksWhileItWaits) {
    job.TargetMode = "subfolder";
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteTestJpeg(dir / name, 40, 30);
    job.SourceFiles = {dir / "a.jpg", dir / "b.jpg", dir / "c.jpg"};
    ThreadCheckingView checking;
    checking.steps = &steps;
    // The first file goes on only once the calling thread has ticked while waiting for it.
    steps.BeforeRead = [&](const std::string& path) {
        if (path == dir / "a.jpg") steps.AwaitEvent("tick");
    };

    RunBatch(job, inputs, steps.Operation(), checking);

    EXPECT_GE(checking.waitTicks, 1);
    ASSERT_FALSE(checking.callers.empty());
    for (const std::thread::id id : checking.callers) EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(checking.Rows.size(), 3u);
}

// A count that threads raise, and a bounded wait for it to reach a mark (a runner that never lets
// it get there fails the test rather than hanging it).
class Tally {
public:
    void Add() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            ++count_;
        }
        changed_.notify_all();
    }
    void Raise(int to) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            count_ = std::max(count_, to);
        }
        changed_.notify_all();
    }
    bool AwaitAtLeast(int mark) {
        std::unique_lock<std::mutex> lock(mutex_);
        return changed_.wait_for(lock, std::chrono::seconds(5), [&] { return count_ >= mark; });
    }
    int Count() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return count_;
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    int count_ = 0;
};

TEST_F(ParallelBatchTest, NeverMoreFilesAtOnceOrAheadOfTheReportThanTheJobs) {
    job.TargetMode = "subfolder";
    std::map<std::string, int> indexOf;
    for (int i = 0; i < 40; ++i) {
        const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
        WriteTestJpeg(path, 40, 30);
        job.SourceFiles.push_back(path);
        indexOf[path] = i;
    }
    inputs.Jobs = 3;
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    std::atomic<int> rowsSeen{0};
    std::atomic<int> furthestAhead{0};
    struct CountingView : RecordingBatchView {
        std::atomic<int>* rows = nullptr;
        void AddRow(const ReportRow& row, const std::string& folderMessage) override {
            RecordingBatchView::AddRow(row, folderMessage);
            ++*rows;
        }
    } counting;
    counting.rows = &rowsSeen;
    // Every file but the first that may start before the first row.
    const int othersAhead = 3 + FilesWaitingForTheDisk(3) - 1;
    Tally othersDone;
    BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
    op.Step = [&](const std::string& path, StepOutcome& outcome) {
        const int now = ++running;
        int most = mostRunning.load();
        while (now > most && !mostRunning.compare_exchange_weak(most, now)) {
        }
        const int ahead = indexOf.at(path) - rowsSeen.load();
        int far = furthestAhead.load();
        while (ahead > far && !furthestAhead.compare_exchange_weak(far, ahead)) {
        }
        // The first file waits for all the others that may go before its row, so they would run
        // further ahead if they could.
        if (indexOf.at(path) == 0) othersDone.AwaitAtLeast(othersAhead);
        ResizePicture(path, ResizeMode::Width, 20, outcome);
        --running;
        if (indexOf.at(path) != 0) othersDone.Add();
    };

    RunBatch(job, inputs, op, counting);

    EXPECT_EQ(counting.Rows.size(), 40u);
    EXPECT_LE(mostRunning.load(), 3);
    EXPECT_GE(mostRunning.load(), 2);  // it did run files at once
    // Files waiting for the disk hold no picture; only they may run further ahead.
    EXPECT_LE(furthestAhead.load(), 3 + FilesWaitingForTheDisk(3));
}

TEST_F(ParallelBatchTest, MemoryBudgetBoundsTheFilesAtOnce) {
    job.TargetMode = "subfolder";
    for (int i = 0; i < 8; ++i) {
        const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
        WriteTestJpeg(path, 40, 30);
        job.SourceFiles.push_back(path);
    }
    const std::uint64_t perFile = EstimateFileMemory(job.SourceFiles[0]);
    ASSERT_GT(perFile, 40u * 30u);
    std::atomic<int> running{0};
    std::atomic<int> mostRunning{0};
    std::atomic<int> expectedMost{1};
    std::atomic<int> estimatesBefore{0};
    Tally together;   // the most files seen running at once
    Tally estimates;  // files weighed for their turn
    BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
    const auto estimate = op.EstimateMemory;
    op.EstimateMemory = [&, estimate](const std::string& path) {
        const std::uint64_t bytes = estimate(path);
        estimates.Add();
        return bytes;
    };
    op.Step = [&](const std::string& path, StepOutcome& outcome) {
        const int now = ++running;
        int most = mostRunning.load();
        while (now > most && !mostRunning.compare_exchange_weak(most, now)) {
        }
        together.Raise(now);
        // The files of the first turn stay until as many as the budget holds have run together,
        // and until the next file has been weighed: a runner that let it in beside them would
        // show it running.
        if (path < dir / ("p" + std::to_string(expectedMost.load()) + ".jpg")) {
            together.AwaitAtLeast(expectedMost.load());
            estimates.AwaitAtLeast(estimatesBefore.load() + expectedMost.load() + 1);
        }
        ResizePicture(path, ResizeMode::Width, 20, outcome);
        --running;
    };
    // Room for two files, then for less than one: a file larger than the budget still runs, alone.
    const struct {
        std::uint64_t budget;
        int most;
    } cases[] = {{2 * perFile + perFile / 2, 2}, {perFile / 2, 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.budget);
        const std::vector<std::string> files = job.SourceFiles;
        RecordingBatchView fresh;
        inputs.MemoryBudget = c.budget;
        mostRunning = 0;
        expectedMost = c.most;
        estimatesBefore = estimates.Count();

        RunBatch(job, inputs, op, fresh);

        EXPECT_EQ(fresh.Rows.size(), 8u);
        EXPECT_EQ(mostRunning.load(), c.most);
        job.SourceFiles = files;
    }
}

// A file whose estimate exceeds what the system grants gets its turn alone and then fails unread,
// instead of the process being killed in the middle of the batch; the others go on as usual.
TEST_F(ParallelBatchTest, FileLargerThanTheMemoryAvailableFailsUnreadAndAlone) {
    TempFolder machine;
    machine.MakeFolder("proc");
    machine.WriteFile("proc/meminfo", "MemAvailable: 65536 kB\n");  // 64 MiB
    inputs.Memory.Root = machine.String();
    inputs.Memory.AddressSpaceLimit = kUnknownMemory;
    inputs.Memory.DataLimit = kUnknownMemory;
    job.TargetMode = "subfolder";
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    WriteTestJpeg(dir / "c.jpg", 40, 30);
    testing::WriteBytes(dir / "b.jpg", testing::ClaimingSize(ReadFileBytes(dir / "a.jpg"), 16000, 16000));
    job.SourceFiles = {dir / "a.jpg", dir / "b.jpg", dir / "c.jpg"};

    RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Percent, 100, "100"), view);

    ASSERT_EQ(view.Rows.size(), 3u);
    EXPECT_EQ(view.Rows[0].Result, kReportOk);
    EXPECT_EQ(view.Rows[1].Result, kReportError);
    EXPECT_EQ(view.Rows[1].ErrorText.rfind(kNoMemoryText, 0), 0u) << view.Rows[1].ErrorText;
    EXPECT_EQ(view.Rows[1].SourceSize, "0x0");  // never opened
    EXPECT_EQ(view.Rows[2].Result, kReportOk);
}

TEST_F(ParallelBatchTest, ViewThatThrowsEndsTheBatchWithoutLeavingThreadsBehind) {
    job.TargetMode = "subfolder";
    for (int i = 0; i < 8; ++i) {
        const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
        WriteTestJpeg(path, 40, 30);
        job.SourceFiles.push_back(path);
    }
    struct FailingView : RecordingBatchView {
        void AddRow(const ReportRow& row, const std::string& folderMessage) override {
            RecordingBatchView::AddRow(row, folderMessage);
            if (Rows.size() == 2) throw std::runtime_error("the list is gone");
        }
    } failing;
    std::atomic<int> stepsStarted{0};
    std::atomic<int> stepsEnded{0};
    BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
    const TransformStep resize = op.Step;
    op.Step = [&](const std::string& path, StepOutcome& outcome) {
        ++stepsStarted;
        resize(path, outcome);
        ++stepsEnded;
    };

    EXPECT_THROW(RunBatch(job, inputs, op, failing), std::runtime_error);
    EXPECT_EQ(failing.Rows.size(), 2u);
    // Nothing runs on after RunBatch has left: every step begun has ended, and no temporary file
    // of an abandoned save is left.
    EXPECT_EQ(stepsEnded.load(), stepsStarted.load());
    const std::size_t written = TreeContents(dir.Path() / "Resized").size();
    for (const auto& [name, bytes] : TreeContents(dir.Path() / "Resized")) {
        EXPECT_EQ(name.rfind(".stampwise-", 0), std::string::npos) << name;
    }
    EXPECT_LE(written, static_cast<std::size_t>(2 + 4 + FilesWaitingForTheDisk(4)));
}

TEST_F(ParallelBatchTest, StopRequestedStartsNoFurtherFileAndTheStartedOnesFinishWithRows) {
    job.TargetMode = "subfolder";
    // More files than can have started by the third row.
    const int count = 3 + 2 + FilesWaitingForTheDisk(2) + 4;
    for (int i = 0; i < count; ++i) {
        const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
        WriteTestJpeg(path, 40, 30);
        job.SourceFiles.push_back(path);
    }
    const std::vector<std::string> files = job.SourceFiles;
    inputs.Jobs = 2;
    std::stop_source stop;
    inputs.Stop = stop.get_token();
    std::atomic<int> started{0};
    BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
    const TransformStep resize = op.Step;
    op.Step = [&](const std::string& path, StepOutcome& outcome) {
        ++started;
        if (path == files[2]) stop.request_stop();  // a signal while the third file is worked on
        resize(path, outcome);
    };

    const BatchSummary summary = RunBatch(job, inputs, op, view);

    EXPECT_TRUE(summary.Stopped);
    ASSERT_GE(view.Rows.size(), 3u);
    ASSERT_LT(view.Rows.size(), files.size());
    EXPECT_EQ(static_cast<int>(view.Rows.size()), started.load());
    EXPECT_EQ(summary.Done, started.load());
    EXPECT_EQ(summary.FinalMessage, StoppedMessage(summary.Done, count));
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string result = dir / ("Resized/p" + std::to_string(i) + ".jpg");
        if (i < view.Rows.size()) {
            EXPECT_EQ(view.Rows[i].Caption, files[i]);
            EXPECT_EQ(view.Rows[i].Result, kReportOk);
        }
        EXPECT_EQ(testing::FileExists(result), i < view.Rows.size()) << result;
    }
    EXPECT_EQ(TreeContents(dir.Path() / "Resized").size(), view.Rows.size());  // no temporary file
}

// The header read for a file's estimate reaches its step only while the file is as it was: one
// replaced in between is worked from its own header, for either operation.
TEST_F(ParallelBatchTest, AFileReplacedAfterItsEstimateIsWorkedFromItsOwnHeader) {
    job.TargetMode = "subfolder";
    inputs.MemoryBudget = 1u << 30;
    const std::string path = dir / "a.jpg";
    WatermarkSettings stamp;
    stamp.Logo = SmallLogo();
    stamp.Placements = {LogoPlacement::Middle};
    const BatchOperation operations[] = {MakeResizeOperation(ResizeMode::Percent, 50, "50"),
                                         MakeWatermarkOperation(stamp)};
    for (BatchOperation op : operations) {
        SCOPED_TRACE(op.Texts.Keyword);
        WriteTestJpeg(path, 40, 30);
        job.SourceFiles = {path};
        const auto estimate = op.EstimateMemory;
        op.EstimateMemory = [&, estimate](const std::string& p) {
            FileEstimate e = estimate(p);
            EXPECT_NE(e.Header, nullptr);
            WriteTestJpeg(p, 24, 36);
            return e;
        };
        RecordingBatchView rows;

        RunBatch(job, inputs, op, rows);

        ASSERT_EQ(rows.Rows.size(), 1u);
        EXPECT_EQ(rows.Rows[0].SourceSize, "24x36");
    }
}

}  // namespace
}  // namespace stampwise
