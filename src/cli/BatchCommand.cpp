// The batch command's sources and run. Arguments are checked completely (CommandOptions.cpp)
// before anything is read or written, so a usage error leaves the disk and standard output
// untouched.
// The pictures, names and failures are RunBatch's and the operations' (MakeResizeOperation,
// MakeWatermarkOperation), the logo is read as the watermark window reads it (LoadLogoFile).
#include "cli/BatchCommand.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <istream>
#include <ostream>
#include <stop_token>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <utility>

#include "platform/FileOperations.h"
#include "platform/InterruptSignals.h"
#include "batch/OutputNaming.h"
#include "imaging/ImageErrors.h"
#include "job/JobState.h"
#include "job/SourceFiles.h"
#include "resize/ResizeRule.h"
#include "watermark/WatermarkPreview.h"
#include "watermark/WatermarkStep.h"

namespace stampwise {

namespace {

constexpr const char* kProgramName = "stampwise-batch";

// The report on standard output, and whether it could be written: a run whose report is lost
// must not exit as if it were done.
class ReportOutput {
public:
    explicit ReportOutput(std::ostream& out) : out_(out) {}

    // Writes and flushes a line (given without its line end).
    void WriteLine(const std::string& line) { Write(line + '\n'); }
    void Write(const std::string& text) {
        errno = 0;
        out_ << text << std::flush;
        // The first failed write sets errno; later ones make no system call.
        if (!out_ && error_ == 0) error_ = errno != 0 ? errno : EIO;
    }
    // The errno of the first failed write, or 0.
    int Error() const { return error_; }

private:
    std::ostream& out_;
    int error_ = 0;
};

// What the command shows of a batch: a line per row as soon as it comes, the progress for a
// terminal. The folder messages are not repeated: each such file's row carries the same text. After
// every row and at every tick it asks hearStop, which turns a signal or a lost report into the
// batch's stop.
class CommandView final : public BatchView {
public:
    CommandView(ReportOutput& out, std::ostream& err, bool showProgress, bool isJson,
                std::function<void()> hearStop)
        : out_(out), err_(err), showProgress_(showProgress), isJson_(isJson),
          hearStop_(std::move(hearStop)) {}

    void AddRow(const ReportRow& row, const std::string&) override {
        out_.WriteLine(isJson_ ? FormatJsonRow(row) : FormatReportLine(row));
        hearStop_();
    }
    void ShowProgress(int done, int total) override {
        if (!showProgress_) return;
        err_ << '\r' << done << '/' << total << std::flush;
        hasProgressLine_ = true;
    }
    void WaitTick() override { hearStop_(); }

    void EndProgress() {
        if (hasProgressLine_) err_ << '\n' << std::flush;
    }

private:
    ReportOutput& out_;
    std::ostream& err_;
    bool showProgress_;
    bool isJson_;
    std::function<void()> hearStop_;
    bool hasProgressLine_ = false;
};

// The paths of --files-from appended to sources; false, with the reason on err, when the list
// cannot be read.
bool ReadListedPaths(const BatchCommandOptions& o, std::istream& in,
                     std::vector<std::string>& sources, std::ostream& err) {
    const char separator = o.IsNullSeparated ? '\0' : '\n';
    if (o.FilesFrom == "-") {
        if (ReadPathList(in, separator, sources)) return true;
        err << kProgramName << ": --files-from -: standard input cannot be read\n";
        return false;
    }
    // Read as standard input is, so that a signal also ends the wait on a list that is a pipe
    // (--files-from <(find ...)).
    const FileDescriptor list(::open(o.FilesFrom.c_str(), O_RDONLY | O_CLOEXEC));
    if (list.Get() < 0) {
        err << kProgramName << ": --files-from " << o.FilesFrom << ": " << SystemErrorText(errno)
            << "\n";
        return false;
    }
    // A folder opens but does not read: say so rather than run an empty batch.
    struct stat info {};
    if (::fstat(list.Get(), &info) == 0 && S_ISDIR(info.st_mode)) {
        err << kProgramName << ": --files-from " << o.FilesFrom << ": " << SystemErrorText(EISDIR)
            << "\n";
        return false;
    }
    InterruptibleInput buffer(list.Get());
    std::istream file(&buffer);
    if (ReadPathList(file, separator, sources)) return true;
    err << kProgramName << ": --files-from " << o.FilesFrom << ": the file cannot be read\n";
    return false;
}

// ReadListedPaths, also false when a path of a list read by lines holds a NUL byte.
bool ReadSourceList(const BatchCommandOptions& o, std::istream& in, std::vector<std::string>& sources,
                    std::ostream& err) {
    const std::size_t given = sources.size();
    if (!ReadListedPaths(o, in, sources, err)) return false;
    // No path holds a NUL byte: a line that does is a NUL-separated list read by lines, which
    // would name the first file of it and drop every other.
    const bool hasNul = !o.IsNullSeparated &&
                        std::any_of(sources.begin() + static_cast<std::ptrdiff_t>(given),
                                    sources.end(), [](const std::string& path) {
                                        return path.find('\0') != std::string::npos;
                                    });
    if (hasNul) {
        err << kProgramName << ": --files-from " << o.FilesFrom
            << ": a line holds a NUL byte; add --null for a NUL-separated list (find -print0)\n";
        return false;
    }
    return true;
}

// The mode of a size option; withoutOption for SizeOption::None (a resize always has a size
// option, a stamp without one keeps the logo's own size: 100 percent).
SizeMode ToSizeMode(SizeOption size, SizeMode withoutOption) {
    if (size == SizeOption::Width) return SizeMode::Width;
    if (size == SizeOption::Height) return SizeMode::Height;
    if (size == SizeOption::Percent) return SizeMode::Percent;
    return withoutOption;
}

}  // namespace

std::vector<std::string> ExpandSources(const std::vector<std::string>& sources,
                                       std::vector<FolderProblem>* problems,
                                       std::vector<std::string>* folders) {
    namespace fs = std::filesystem;
    std::vector<std::string> files;
    for (const std::string& source : sources) {
        std::error_code ec;
        if (!fs::is_directory(fs::path(source), ec)) {
            files.push_back(source);
            continue;
        }
        // "photos/" and "photos" give the same paths, without a doubled separator.
        std::string folder = source;
        while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
        if (folders != nullptr) folders->push_back(folder);
        const std::vector<std::string> pictures = FindFolderPictures(folder, &ec);
        // A folder read only in part would drop pictures without a word.
        if ((ec || pictures.empty()) && problems != nullptr) {
            problems->push_back({source, ec ? SystemErrorText(ec.value()) : kNoJpgInFolderText});
        }
        files.insert(files.end(), pictures.begin(), pictures.end());
    }
    return files;
}

std::string FolderReceivingResults(const std::vector<std::string>& folders,
                                   const std::vector<std::string>& files,
                                   const std::string& targetMode, const TargetTexts& targets,
                                   PathSpellings& spellings) {
    if (folders.empty()) return {};
    std::unordered_map<std::string, std::size_t> folderOf;
    for (std::size_t i = 0; i < folders.size(); ++i) {
        folderOf.emplace(FileIdentity(folders[i], spellings), i);
    }
    std::unordered_set<std::string> checked;  // result folders: most files share a few
    for (const std::string& file : files) {
        std::string resultFolder =
            std::filesystem::path(PlannedOutputPath(file, targetMode, targets)).parent_path().string();
        if (resultFolder.empty()) resultFolder = ".";
        if (!checked.insert(resultFolder).second) continue;
        const auto f = folderOf.find(FileIdentity(resultFolder, spellings));
        if (f != folderOf.end()) {
            return folders[f->second];
        }
    }
    return {};
}

bool ReadPathList(std::istream& in, char separator, std::vector<std::string>& paths) {
    for (std::string path; std::getline(in, path, separator);) {
        if (!path.empty()) paths.push_back(std::move(path));
    }
    return !in.bad();
}

ShardRange ShardOf(std::size_t total, int index, int count) {
    // Boundaries at floor(k · total / count), in 64 bits: no slice is ever two longer than another.
    const auto boundary = [&](int k) {
        return static_cast<std::size_t>(static_cast<unsigned long long>(total) * k / count);
    };
    return ShardRange{boundary(index - 1), boundary(index)};
}

namespace {

// RunBatchCommand but for what becomes of a report that could not be written.
int RunCommand(const std::vector<std::string>& arguments, std::istream& in, ReportOutput& out,
               std::ostream& err, bool showProgress, const std::function<int()>& signalNumber) {
    const ParsedBatchCommand parsed = ParseBatchCommand(arguments);
    if (!parsed.Ok) {
        err << kProgramName << ": " << parsed.Error << "\n"
            << "Try '" << kProgramName << " --help'.\n";
        return kExitUsage;
    }
    const BatchCommandOptions& o = parsed.Options;
    if (o.ShowHelp) {
        out.Write(BatchCommandUsage());
        return kExitAllDone;
    }
    if (o.ShowVersion) {
        out.WriteLine(std::string(kProgramName) + ' ' + STAMPWISE_VERSION);
        return kExitAllDone;
    }

    const ProfileHandling profiles =
        o.KeepProfile ? ProfileHandling::Keep : ProfileHandling::ConvertToSrgb;
    BatchOperation operation;
    if (o.Operation == keyword::kResize) {
        operation = MakeResizeOperation(ToSizeMode(o.Size, SizeMode::Width), o.SizeValue, o.SizeText,
                                        o.Metadata, profiles);
    } else {
        // A logo that cannot be used is an argument at fault: the batch does not start.
        LogoLoad load = LoadLogoFile(o.LogoPath);
        if (load.Result != LogoLoad::Outcome::Loaded) {
            err << kProgramName << ": --logo " << o.LogoPath << ": " << load.Reason << "\n";
            return kExitUsage;
        }
        WatermarkSettings settings;
        settings.Logo = std::move(load.Logo);
        settings.SizeMode = ToSizeMode(o.Size, SizeMode::Percent);
        settings.SizeValue = o.Size == SizeOption::None ? 100 : o.SizeValue;
        settings.Placements = o.Placements;
        settings.MarginPx = o.MarginPx;
        settings.Opacity = o.Opacity;
        settings.NoiseLevel = o.NoiseLevel;
        settings.Metadata = o.Metadata;
        settings.Profiles = profiles;
        operation = MakeWatermarkOperation(settings);
    }

    // The whole list before the first file: the runner checks every result against every source.
    std::vector<std::string> sources = o.Sources;
    if (!o.FilesFrom.empty()) {
        const std::size_t given = sources.size();
        const bool isRead = ReadSourceList(o, in, sources, err);
        // Ctrl-C while a pipe is still being read ends the run here, before anything is written.
        if (const int signal = signalNumber(); signal != 0) return InterruptedExitStatus(signal);
        if (!isRead) return kExitUsage;
        // As a folder without pictures: a run that did nothing must not report success.
        if (sources.size() == given) {
            err << kProgramName << ": --files-from " << EscapeReportField(o.FilesFrom)
                << ": the list names no file\n";
            return kExitSomeFailed;
        }
    }

    std::vector<FolderProblem> folderProblems;
    std::vector<std::string> folders;
    JobState job;
    job.Operation = o.Operation;
    job.SourceKind = keyword::kFiles;
    job.TargetMode = o.TargetMode;
    job.SourceFiles = ExpandSources(sources, &folderProblems, &folders);
    sources.clear();
    sources.shrink_to_fit();
    // As the wizard's folder window does, a folder without pictures stops the job before any
    // file: a run that did nothing must not report success.
    if (!folderProblems.empty()) {
        for (const FolderProblem& problem : folderProblems) {
            err << kProgramName << ": " << EscapeReportField(problem.Folder) << ": "
                << problem.Reason << "\n";
        }
        return kExitSomeFailed;
    }

    BatchInputs inputs;
    inputs.Targets = o.Targets;
    PathSpellings spellings;  // what the run finds out about its folders, found out once
    inputs.Spellings = &spellings;
    inputs.Jobs = o.Jobs;
    inputs.KeepTimes = o.KeepTimes;
    if (o.ShardCount > 1) {
        // Every shard lists a folder when it starts: results of the shards that ran before it
        // would shift its slice, processing some pictures twice and others never.
        const std::string receiving =
            FolderReceivingResults(folders, job.SourceFiles, o.TargetMode, o.Targets, spellings);
        if (!receiving.empty()) {
            err << kProgramName << ": --shard: results of this batch go into the folder "
                << EscapeReportField(receiving)
                << ", so every run would find other pictures there; list them once, before the"
                   " first run (find DIR -maxdepth 1 -iname '*.jpg' -print0 > LIST), and give"
                   " every run --files-from LIST --null\n";
            return kExitUsage;
        }
        // The whole list is planned, so that every run decides alike about every output; only
        // the slice is processed.
        const ShardRange shard = ShardOf(job.SourceFiles.size(), o.ShardIndex, o.ShardCount);
        inputs.ProcessFirst = shard.First;
        inputs.ProcessLast = shard.Last;
    }
    // A signal, or a report that can no longer be written, stops the batch through its one stop
    // source: heard before the first file, after every row and while the batch waits for a file.
    std::stop_source stop;
    const auto hearStop = [&] {
        if (signalNumber() != 0 || out.Error() != 0) stop.request_stop();
    };
    hearStop();
    inputs.Stop = stop.get_token();
    CommandView view(out, err, showProgress, o.Json, hearStop);
    const BatchSummary summary = RunBatch(job, inputs, operation, view);
    view.EndProgress();
    // Also when interrupted: the rows printed stay, and the last line says what became of the run
    // (where standard output is still there to take it).
    const int signal = signalNumber();
    const int done = summary.PrepareFailed ? summary.Total : summary.Done;
    out.WriteLine(o.Json ? FormatJsonEnd(summary.FinalMessage, summary.Total, done, summary.Failed,
                                         signal != 0)
                         : EscapeReportField(summary.FinalMessage));
    if (signal != 0) return InterruptedExitStatus(signal);
    return summary.PrepareFailed || summary.Failed > 0 ? kExitSomeFailed : kExitAllDone;
}

}  // namespace

int RunBatchCommand(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                    std::ostream& err, bool showProgress,
                    const std::function<int()>& interruptSignal) {
    const auto signalNumber = [&] { return interruptSignal ? interruptSignal() : 0; };
    ReportOutput report(out);
    const int status = RunCommand(arguments, in, report, err, showProgress, signalNumber);
    // A closed pipe has its own status (SIGPIPE's); any other failed write is an error, as the
    // coreutils make it: the report is lost.
    if (report.Error() == 0 || report.Error() == EPIPE || signalNumber() != 0) return status;
    err << kProgramName << ": write error: " << SystemErrorText(report.Error()) << "\n";
    return status == kExitAllDone ? kExitSomeFailed : status;
}

}  // namespace stampwise
