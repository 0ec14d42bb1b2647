// A result's save: flushed before its rename, never replacing what the batch did not plan to
// replace, also where the file system refuses RENAME_NOREPLACE or hard links, and on a
// case-insensitive disk (an exFAT image, where the machine lets a test mount one).
#include "batch/ResultFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "imaging/ImageErrors.h"
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
// <to>"); the renames without replacing and the hard links may be refused as a file system
// without them refuses them.
class RecordingOps final : public ResultFileOps {
public:
    bool RefusesNoReplace = false;
    bool RefusesLinks = false;
    int FailsWritesWith = 0;  // an errno a write gives after half of its bytes, as a full disk does

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

    std::vector<std::string> Events() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return events_;
    }

private:
    void Record(const std::string& event, int fd = -1, const std::string& path = {}) {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (fd >= 0) paths_[fd] = path;
        events_.push_back(event);
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
        if (verb == "rename") {
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

        PendingResult free = WriteTemporaryResult(ops, dir / "free.jpg", bytes, 3, false);
        PutResultInPlace(ops, free);
        EXPECT_EQ(Text(dir / "free.jpg"), "new");

        PendingResult late = WriteTemporaryResult(ops, dir / "taken.jpg", bytes, 3, false);
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
    PendingResult result = WriteTemporaryResult(SystemResultFileOps(), path, bytes, 3, true);
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
        WriteTemporaryResult(ops, path, bytes, 4, true);
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
    std::vector<ReportRow> Run(const std::string& targetMode, const std::vector<std::string>& files,
                               const TargetTexts& targets) {
        JobState job;
        job.Operation = "resize";
        job.SourceKind = "files";
        job.TargetMode = targetMode;
        job.SourceFiles = files;
        BatchInputs inputs;
        inputs.Targets = targets;
        inputs.Jobs = 2;
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
    EXPECT_EQ(rows[1].ErrorText, kOccupiedOutputErrorText + card + "/out/img.jpg");
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

}  // namespace
}  // namespace stampwise
