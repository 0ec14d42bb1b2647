// A result's save: flushed before its rename, never replacing what the batch did not plan to
// replace, also where the file system refuses RENAME_NOREPLACE, hard links or exchanges, and on a
// case-insensitive disk (an exFAT image, where the machine lets a test mount one); two runs racing
// for one name, and a run killed in the middle of its save.
#include "batch/ResultFiles.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "batch/OutputNaming.h"
#include "batch/ResultNameLock.h"
#include "imaging/ImageErrors.h"
#include "platform/Processes.h"
#include "resize/ResizeRule.h"
#include "support/RecordingBatchView.h"
#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"

namespace stampwise {
namespace {

namespace fs = std::filesystem;
using testing::ReadFileBytes;
using testing::RecordingBatchView;
using testing::TempFolder;
using testing::WriteTestJpeg;

// The system's calls, each recorded by the path it concerns ("flush <path>", "rename <from>
// <to>") and shown to OnEvent before it is made; the renames without replacing, the hard links
// and the exchanges may be refused as a file system without them refuses them. Pauses are
// recorded, not waited.
class RecordingOps final : public ResultFileOps {
public:
    bool RefusesNoReplace = false;
    bool RefusesLinks = false;
    bool RefusesExchange = false;
    int FailsWritesWith = 0;  // an errno a write gives after half of its bytes, as a full disk does
    std::function<void(const std::string& event)> OnEvent;

    int CreateNew(const std::string& path, int& fd) override {
        const int error = real_.CreateNew(path, fd);
        if (error == 0) Record("create " + path, fd, path);
        return error;
    }
    int Write(int fd, const std::uint8_t* data, std::size_t size) override {
        Record("write " + PathOf(fd));
        if (FailsWritesWith != 0) {
            real_.Write(fd, data, size / 2);
            return FailsWritesWith;
        }
        return real_.Write(fd, data, size);
    }
    int Flush(int fd) override {
        Record("flush " + PathOf(fd));
        return real_.Flush(fd);
    }
    int Close(int fd) override {
        Record("close " + PathOf(fd));
        return real_.Close(fd);
    }
    int Rename(const std::string& from, const std::string& to) override {
        Record("rename " + from + " " + to);
        return real_.Rename(from, to);
    }
    int RenameNoReplace(const std::string& from, const std::string& to) override {
        if (RefusesNoReplace) return EINVAL;
        Record("rename " + from + " " + to);
        return real_.RenameNoReplace(from, to);
    }
    int Link(const std::string& from, const std::string& to) override {
        if (RefusesLinks) return EPERM;
        Record("link " + from + " " + to);
        return real_.Link(from, to);
    }
    int Remove(const std::string& path) override {
        Record("remove " + path);
        return real_.Remove(path);
    }
    int Exchange(const std::string& first, const std::string& second) override {
        if (RefusesExchange) return EINVAL;
        Record("exchange " + first + " " + second);
        return real_.Exchange(first, second);
    }
    int Stamp(const std::string& path, FileStamp& stamp) override {
        return real_.Stamp(path, stamp);
    }
    int ReadOwner(const std::string& path, std::string& text) override {
        return real_.ReadOwner(path, text);
    }
    void Pause(int) override { Record("pause"); }

    std::vector<std::string> Events() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    void Record(const std::string& event, int fd = -1, const std::string& path = {}) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (fd >= 0) paths_[fd] = path;
            events_.push_back(event);
        }
        if (OnEvent) OnEvent(event);
    }
    std::string PathOf(int fd) {
        const std::lock_guard<std::mutex> lock(mutex_);
        return paths_[fd];
    }

    ResultFileOps& real_ = SystemResultFileOps();
    std::mutex mutex_;
    std::map<int, std::string> paths_;
    std::vector<std::string> events_;
};

std::string Text(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    EXPECT_EQ(ReadFileStamp(path, stamp), 0) << path;
    return stamp;
}

bool HasTemporaryFiles(const fs::path& folder) {
    for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
        if (entry.path().filename().string().rfind(".stampwise-", 0) == 0) return true;
    }
    return false;
}

TEST(ResultFiles, EveryResultIsFlushedAndClosedBeforeItsRename) {
    TempFolder dir;
    dir.MakeFolder("out");
    JobState job;
    job.Operation = "resize";
    job.SourceKind = "files";
    job.TargetMode = "folder";
    for (int i = 0; i < 12; ++i) {
        const std::string path = dir / ("p" + std::to_string(i) + ".jpg");
        WriteTestJpeg(path, 40 + i, 30);
        job.SourceFiles.push_back(path);
    }
    dir.WriteFile("out/p3.jpg", "an earlier result");  // replaced: the other rename
    RecordingOps ops;
    BatchInputs inputs;
    inputs.Targets.Folder = dir / "out";
    inputs.Jobs = 3;
    inputs.FileOps = &ops;
    RecordingBatchView view;

    const BatchSummary summary =
        RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Width, 20, "20"), view);

    ASSERT_EQ(summary.Failed, 0);
    std::set<std::string> flushed;
    std::set<std::string> closed;
    std::set<std::string> renamedTo;
    for (const std::string& event : ops.Events()) {
        std::istringstream words(event);
        std::string verb, from, to;
        words >> verb >> from >> to;
        if (verb == "flush") flushed.insert(from);
        if (verb == "close") closed.insert(from);
        // An earlier result is replaced by an exchange.
        if (verb == "rename" || verb == "exchange") {
            EXPECT_EQ(flushed.count(from), 1u) << event << " before its flush";
            EXPECT_EQ(closed.count(from), 1u) << event << " before its close";
            renamedTo.insert(to);
        }
    }
    EXPECT_EQ(renamedTo.size(), 12u);
    EXPECT_FALSE(HasTemporaryFiles(dir.Path() / "out"));
}

// Where the file system has no RENAME_NOREPLACE, a hard link takes the name; where it has no hard
// links either, an exclusive create does. Either way a file that took the name first stays.
TEST(ResultFiles, FreeNameIsTakenWithoutReplacingByEveryMeansTheFileSystemHas) {
    struct Means {
        bool refusesNoReplace;
        bool refusesLinks;
    };
    for (const Means means : {Means{false, false}, Means{true, false}, Means{true, true}}) {
        SCOPED_TRACE(std::to_string(means.refusesNoReplace) + std::to_string(means.refusesLinks));
        TempFolder dir;
        RecordingOps ops;
        ops.RefusesNoReplace = means.refusesNoReplace;
        ops.RefusesLinks = means.refusesLinks;
        const std::uint8_t bytes[] = {'n', 'e', 'w'};

        PendingResult free = WriteTemporaryResult(ops, dir / "free.jpg", bytes, 3, std::nullopt);
        PutResultInPlace(ops, free);
        EXPECT_EQ(Text(dir / "free.jpg"), "new");

        PendingResult late = WriteTemporaryResult(ops, dir / "taken.jpg", bytes, 3, std::nullopt);
        dir.WriteFile("taken.jpg", "another run's");
        try {
            PutResultInPlace(ops, late);
            ADD_FAILURE() << "replaced a file that appeared after planning";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), kOccupiedOutputErrorText + (dir / "taken.jpg"));
        }
        EXPECT_EQ(Text(dir / "taken.jpg"), "another run's");
        EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
    }
}

// A result replacing an earlier one keeps the permissions that file was given.
TEST(ResultFiles, AResultKeepsThePermissionsOfTheFileItReplaces) {
    TempFolder dir;
    const std::string path = dir.WriteFile("out.jpg", "an earlier result");
    ASSERT_EQ(::chmod(path.c_str(), 0604), 0);
    const std::uint8_t bytes[] = {'n', 'e', 'w'};
    PendingResult result =
        WriteTemporaryResult(SystemResultFileOps(), path, bytes, 3, StampOf(path));
    PutResultInPlace(SystemResultFileOps(), result);
    EXPECT_EQ(Text(path), "new");
    struct stat info {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0604u);
}

TEST(ResultFiles, AWriteThatFailsOnTheWayLeavesTheEarlierResultAndNoTemporaryFile) {
    TempFolder dir;
    const std::string path = dir.WriteFile("out.jpg", "an earlier result");
    RecordingOps ops;
    ops.FailsWritesWith = EFBIG;
    const std::uint8_t bytes[] = {'n', 'e', 'w', '!'};
    try {
        WriteTemporaryResult(ops, path, bytes, 4, StampOf(path));
        ADD_FAILURE() << "a failed write was taken for a result";
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + path + "\". File too large");
    }
    EXPECT_EQ(Text(path), "an earlier result");
    EXPECT_FALSE(HasTemporaryFiles(dir.Path()));
}

TEST(ResultFiles, FileThatAppearsAfterPlanningFailsNamingThePathAndStays) {
    TempFolder dir;
    dir.MakeFolder("out");
    WriteTestJpeg(dir / "a.jpg", 40, 30);
    WriteTestJpeg(dir / "b.jpg", 40, 30);
    dir.WriteFile("out/b.jpg", "an earlier result");
    JobState job;
    job.Operation = "resize";
    job.SourceKind = "files";
    job.TargetMode = "folder";
    job.SourceFiles = {dir / "a.jpg", dir / "b.jpg"};
    BatchInputs inputs;
    inputs.Targets.Folder = dir / "out";
    RecordingBatchView view;
    BatchOperation op = MakeResizeOperation(ResizeMode::Width, 20, "20");
    const TransformStep resize = op.Step;
    op.Step = [&](const std::string& path, StepOutcome& outcome) {
        // Another run writes its a.jpg while this one works.
        if (path == dir / "a.jpg") dir.WriteFile("out/a.jpg", "another run's");
        resize(path, outcome);
    };

    RunBatch(job, inputs, op, view);

    ASSERT_EQ(view.Rows.size(), 2u);
    EXPECT_EQ(view.Rows[0].ErrorText, kOccupiedOutputErrorText + (dir / "out/a.jpg"));
    EXPECT_EQ(Text(dir / "out/a.jpg"), "another run's");
    // A file that was there at planning is an earlier result, refreshed.
    EXPECT_EQ(view.Rows[1].Result, kReportOk);
    EXPECT_EQ(testing::JpegFileSize(dir / "out/b.jpg"), (PictureSize{20, 15}));
}

// Two runs that both planned to replace one earlier result: the first is held between planning and
// landing while the second runs whole and replaces it. The first then finds another file under
// the name, leaves it and fails naming the path. With exchanges, and where the file system has
// none (the check and the rename under the name's lock).
TEST(ResultFiles, OfTwoRunsReplacingOneEarlierResultTheLaterToLandFails) {
    for (const bool refusesExchange : {false, true}) {
        SCOPED_TRACE(refusesExchange);
        TempFolder dir;
        dir.MakeFolder("first");
        dir.MakeFolder("second");
        dir.MakeFolder("out");
        WriteTestJpeg(dir / "first/a.jpg", 40, 30);
        WriteTestJpeg(dir / "second/a.jpg", 80, 40);
        dir.WriteFile("out/a.jpg", "an earlier result");
        const auto run = [&](const std::string& source, ResultFileOps& ops) {
            JobState job;
            job.Operation = "resize";
            job.SourceKind = "files";
            job.TargetMode = "folder";
            job.SourceFiles = {source};
            BatchInputs inputs;
            inputs.Targets.Folder = dir / "out";
            inputs.FileOps = &ops;
            RecordingBatchView view;
            RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Width, 20, "20"), view);
            return view.Rows;
        };
        RecordingOps held;
        RecordingOps other;
        held.RefusesExchange = other.RefusesExchange = refusesExchange;
        std::vector<ReportRow> secondRows;
        held.OnEvent = [&](const std::string& event) {
            if (event.rfind("flush ", 0) == 0 && secondRows.empty()) {
                secondRows = run(dir / "second/a.jpg", other);
            }
        };

        const std::vector<ReportRow> firstRows = run(dir / "first/a.jpg", held);

        ASSERT_EQ(secondRows.size(), 1u);
        EXPECT_EQ(secondRows[0].Result, kReportOk);
        ASSERT_EQ(firstRows.size(), 1u);
        EXPECT_EQ(firstRows[0].ErrorText, kOccupiedOutputErrorText + (dir / "out/a.jpg"));
        EXPECT_EQ(testing::JpegFileSize(dir / "out/a.jpg"), (PictureSize{20, 10}));
        EXPECT_FALSE(HasTemporaryFiles(dir / "out"));
    }
}

// A run that finds the name's lock held by a run that still runs waits a bounded number of times,
// then fails the file naming the lock: nothing is written under the name, the lock stays.
TEST(ResultFiles, ANameLockedByALiveRunFailsTheFileNamingTheLock) {
    TempFolder dir;
    const std::string target = dir / "a.jpg";
    const std::string lock = ResultLockPath(target);
    dir.WriteFile(fs::path(lock).filename().string(),
                  std::to_string(CurrentProcessId()) + " " + MachineName() + "\n");
    RecordingOps ops;
    ops.RefusesNoReplace = ops.RefusesLinks = true;
    const std::uint8_t bytes[] = {'n', 'e', 'w'};
    PendingResult result = WriteTemporaryResult(ops, target, bytes, 3, std::nullopt);
    try {
        PutResultInPlace(ops, result);
        ADD_FAILURE() << "landed under a name another run had locked";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), kLockedOutputErrorText + lock + ")");
    }
    EXPECT_FALSE(fs::exists(target));
    std::vector<std::string> left;
    for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path())) {
        left.push_back(entry.path().string());
    }
    EXPECT_EQ(left, std::vector<std::string>{lock});
}

// Every spelling a case-insensitive disk takes for one name, Cyrillic too, takes one lock.
TEST(ResultFiles, SpellingsOfOneNameShareTheLock) {
    EXPECT_EQ(ResultLockPath("d/ФОТО_Ёлка.JPG"), ResultLockPath("d/фото_ёлка.jpg"));
    EXPECT_NE(ResultLockPath("d/фото.jpg"), ResultLockPath("d/фото2.jpg"));
}

// A run killed at any step of landing a result where the file system has neither no-replace
// renames nor hard links (its process ends at the step, as at a SIGKILL) leaves nothing under the
// result's name but the whole result, only hidden files besides, and a later run lands there (the
// dead run's lock is stale). The kill at the rename to the result's name is the moment at which
// an empty file under the name was once possible.
void CheckThatKillsLeaveNoPartialResult(const std::string& folder) {
    const std::string target = folder + "/kill.jpg";
    const std::string lock = ResultLockPath(target);
    const std::vector<std::uint8_t> bytes = {'r', 'e', 's', 'u', 'l', 't'};
    const std::vector<std::function<bool(const std::string&)>> steps = {
        [&](const std::string& event) {
            const std::string end = " " + target;
            return event.rfind("rename ", 0) == 0 &&
                   event.compare(event.size() - end.size(), end.size(), end) == 0;
        },
        [&](const std::string& event) { return event == "write " + lock; },
        [&](const std::string& event) { return event == "remove " + lock; },
    };
    for (std::size_t step = 0; step < steps.size(); ++step) {
        SCOPED_TRACE(step);
        fs::remove(target);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            RecordingOps ops;
            ops.RefusesNoReplace = ops.RefusesLinks = ops.RefusesExchange = true;
            ops.OnEvent = [&](const std::string& event) {
                if (steps[step](event)) ::raise(SIGKILL);
            };
            try {
                PendingResult result =
                    WriteTemporaryResult(ops, target, bytes.data(), bytes.size(), std::nullopt);
                PutResultInPlace(ops, result);
            } catch (...) {
            }
            ::_exit(3);  // the step was never reached
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the run was not stopped at its step";
        if (fs::exists(target)) {
            EXPECT_EQ(Text(target), "result");
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(folder)) {
            const std::string name = entry.path().filename().string();
            if (entry.path() != target) {
                EXPECT_EQ(name.rfind(".stampwise-", 0), 0u) << name;
            }
        }

        RecordingOps later;
        later.RefusesNoReplace = later.RefusesLinks = later.RefusesExchange = true;
        const std::uint8_t again[] = {'l', 'a', 't', 'e', 'r'};
        const std::optional<FileStamp> earlier =
            fs::exists(target) ? std::optional(StampOf(target)) : std::nullopt;
        PendingResult result = WriteTemporaryResult(later, target, again, 5, earlier);
        PutResultInPlace(later, result);
        EXPECT_EQ(Text(target), "later");
        EXPECT_FALSE(fs::exists(lock));
    }
}

TEST(ResultFiles, AKillWhileLandingLeavesNoPartialResultWithoutNoReplaceRenamesOrLinks) {
    TempFolder dir;
    CheckThatKillsLeaveNoPartialResult(dir.Path().string());
}

// An exFAT image through FUSE on a loop device: the camera card's file system, which does not
// tell IMG.JPG from img.jpg and gives the two spellings different inode numbers.
class ExfatDisk : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::system("command -v mkfs.exfat mount.exfat-fuse losetup >/dev/null 2>&1") != 0) {
            GTEST_SKIP() << "exfatprogs, exfat-fuse or losetup is missing";
        }
        const std::string image = scratch / "card.img";
        mount_ = scratch.MakeFolder("card");
        if (Shell("truncate -s 8M '" + image + "' && mkfs.exfat '" + image + "'") != 0) {
            GTEST_SKIP() << "mkfs.exfat failed";
        }
        FILE* pipe = ::popen(("losetup -f --show '" + image + "' 2>/dev/null").c_str(), "r");
        char device[256] = {};
        if (pipe != nullptr) {
            if (std::fgets(device, sizeof device, pipe) == nullptr) device[0] = '\0';
            ::pclose(pipe);
        }
        loop_ = device;
        while (!loop_.empty() && (loop_.back() == '\n' || loop_.back() == ' ')) loop_.pop_back();
        if (loop_.empty()) GTEST_SKIP() << "no loop device may be set up here";
        if (Shell("mount.exfat-fuse '" + loop_ + "' '" + mount_ + "'") != 0) {
            GTEST_SKIP() << "FUSE mounting is not allowed here";
        }
        isMounted_ = true;
    }
    void TearDown() override {
        if (isMounted_) Shell("umount '" + mount_ + "'");
        if (!loop_.empty()) Shell("losetup -d '" + loop_ + "'");
    }
    static int Shell(const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    }
    // Files [first, last) of the list, as one shard of it.
    std::vector<ReportRow> Run(const std::string& targetMode, const std::vector<std::string>& files,
                               const TargetTexts& targets, std::size_t first = 0,
                               std::size_t last = SIZE_MAX) {
        JobState job;
        job.Operation = "resize";
        job.SourceKind = "files";
        job.TargetMode = targetMode;
        job.SourceFiles = files;
        BatchInputs inputs;
        inputs.Targets = targets;
        inputs.Jobs = 2;
        inputs.ProcessFirst = first;
        inputs.ProcessLast = last;
        RecordingBatchView view;
        RunBatch(job, inputs, MakeResizeOperation(ResizeMode::Width, 20, "20"), view);
        return view.Rows;
    }

    TempFolder scratch;
    std::string mount_;
    std::string loop_;
    bool isMounted_ = false;
};

TEST_F(ExfatDisk, NamesInAnotherLetterCaseAreAnotherFileNeverReplaced) {
    const std::string card = mount_;
    fs::create_directories(card + "/d1");
    fs::create_directories(card + "/d2");
    fs::create_directories(card + "/out");
    WriteTestJpeg(card + "/d1/IMG.JPG", 40, 30);
    WriteTestJpeg(card + "/d2/img.jpg", 60, 20);
    const std::vector<ReportRow> rows =
        Run("folder", {card + "/d1/IMG.JPG", card + "/d2/img.jpg"}, {card + "/out", "", "", ""});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Result, kReportOk);
    EXPECT_EQ(rows[1].ErrorText, kTakenOutputErrorText + card + "/d1/IMG.JPG");
    EXPECT_EQ(testing::JpegFileSize(card + "/out/IMG.JPG"), (PictureSize{20, 15}));

    // An original whose name is another spelling of a result's.
    fs::create_directories(card + "/cam");
    WriteTestJpeg(card + "/cam/IMG.JPG", 40, 30);
    WriteTestJpeg(card + "/cam/img_s.jpg", 64, 48);
    const std::vector<std::uint8_t> original = ReadFileBytes(card + "/cam/img_s.jpg");
    const std::vector<ReportRow> suffixRows =
        Run("suffix", {card + "/cam/IMG.JPG"}, {"", "", "", "_s"});
    ASSERT_EQ(suffixRows.size(), 1u);
    EXPECT_EQ(suffixRows[0].Result, kReportError);
    EXPECT_TRUE(ReadFileBytes(card + "/cam/img_s.jpg") == original);
    EXPECT_FALSE(HasTemporaryFiles(card + "/cam"));
}

// exfat-fuse gives every spelling of a file or folder its own inode number: only the stored
// spelling shows that a result's path is a source's.
TEST_F(ExfatDisk, ASourceUnderAnotherSpellingIsNeverWrittenOver) {
    const std::string card = mount_;
    fs::create_directories(card + "/Photos");
    fs::create_directories(card + "/P2");
    WriteTestJpeg(card + "/Photos/a.jpg", 40, 30);
    WriteTestJpeg(card + "/P2/b.jpg", 40, 30);
    WriteTestJpeg(card + "/P2/b_s.jpg", 60, 20);
    const std::vector<std::uint8_t> photo = ReadFileBytes(card + "/Photos/a.jpg");
    const std::vector<std::uint8_t> other = ReadFileBytes(card + "/P2/b_s.jpg");

    const std::pair<std::string, TargetTexts> otherSpellings[] = {
        {"folder", {card + "/photos", "", "", ""}}, {"subfolder", {"", "../PHOTOS", "", ""}}};
    for (const auto& [mode, targets] : otherSpellings) {
        SCOPED_TRACE(mode);
        const std::vector<ReportRow> rows = Run(mode, {card + "/Photos/a.jpg"}, targets);
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].ErrorText, kSameFileErrorText);
    }
    const std::vector<ReportRow> rows =
        Run("suffix", {card + "/P2/b.jpg", card + "/p2/b_s.jpg"}, {"", "", "", "_s"});
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ErrorText, kOtherSourceErrorText + card + "/p2/b_s.jpg");
    EXPECT_TRUE(ReadFileBytes(card + "/Photos/a.jpg") == photo);
    EXPECT_TRUE(ReadFileBytes(card + "/P2/b_s.jpg") == other);
}

// Фото.jpg and ФОТО.jpg are one name on the card: the first listed keeps it, whichever finishes
// first (the second is small) and in whichever order the shards run.
TEST_F(ExfatDisk, TheFirstListedKeepsANameInAnyLetterCase) {
    const std::string card = mount_;
    fs::create_directories(card + "/x1");
    fs::create_directories(card + "/x2");
    WriteTestJpeg(card + "/x1/Фото.jpg", 1200, 900);
    WriteTestJpeg(card + "/x2/ФОТО.jpg", 60, 20);
    const std::vector<std::string> files = {card + "/x1/Фото.jpg", card + "/x2/ФОТО.jpg"};
    for (const bool isSharded : {false, true}) {
        SCOPED_TRACE(isSharded);
        const std::string target = card + (isSharded ? "/o2" : "/o1");
        fs::create_directories(target);
        std::vector<ReportRow> rows;
        if (isSharded) {
            rows = Run("folder", files, {target, "", "", ""}, 1, 2);
            const std::vector<ReportRow> firstShard =
                Run("folder", files, {target, "", "", ""}, 0, 1);
            rows.insert(rows.begin(), firstShard.begin(), firstShard.end());
        } else {
            rows = Run("folder", files, {target, "", "", ""});
        }
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].Result, kReportOk);
        EXPECT_EQ(rows[1].ErrorText,
                  (isSharded ? kEarlierOutputErrorText : kTakenOutputErrorText) + files[0]);
        EXPECT_EQ(testing::JpegFileSize(target + "/Фото.jpg"), (PictureSize{20, 15}));
        // Under the first one's spelling, and nothing else beside it.
        std::vector<std::string> names;
        for (const fs::directory_entry& entry : fs::directory_iterator(target)) {
            names.push_back(entry.path().filename().string());
        }
        EXPECT_EQ(names, std::vector<std::string>{"Фото.jpg"});
    }
}

TEST_F(ExfatDisk, AKillWhileLandingLeavesNoPartialResult) {
    CheckThatKillsLeaveNoPartialResult(mount_);
}

}  // namespace
}  // namespace stampwise
