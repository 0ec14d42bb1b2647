// RunBatch and its texts: the confirmation question, the report columns, the final message, and
// the work of one file (ProcessOneFile), run for several files at once on worker threads.
//
// The runner shows nothing itself; every question, dialog and row goes through the BatchView, and
// only from the calling thread. It knows no operation either: what differs between resize and
// watermark arrives in BatchOperation. Output names live in OutputNaming.cpp.
#include "batch/BatchRunner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <limits>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include <unistd.h>

#include "batch/OutputNaming.h"
#include "batch/ResultFiles.h"
#include "imaging/FailureReasons.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PictureCost.h"
#include "imaging/PictureMemory.h"
#include "platform/FileOperations.h"

namespace stampwise {

int DefaultJobCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

std::string FormatSize(const PictureSize& size) {
    return std::to_string(size.Width) + "x" + std::to_string(size.Height);
}

std::string BuildConfirmationText(const OperationTexts& texts, const std::string& sourceKind,
                                  const std::string& sourceFolder, int fileCount,
                                  const std::string& operationPhrase,
                                  const std::string& targetMode, const TargetTexts& targets) {
    return texts.SourcePhrase(sourceKind, sourceFolder, fileCount) + operationPhrase +
           texts.TargetPhrase(targetMode, targets);
}

std::vector<ReportColumn> ReportColumns(const OperationTexts& texts) {
    return {
        {"Исходный файл", 180}, {"Размер", 60}, {texts.ResultCaption, 180}, {"Размер", 60},
        {"Результат", 70},
    };
}

std::string FinalMessage(const OperationTexts& texts, int failed, int total) {
    if (failed == 0) return texts.DoneText;
    // A batch with failures must not claim success.
    return texts.PartlyDoneText + "ошибок " + std::to_string(failed) + " из " +
           std::to_string(total) + ".";
}

std::string StoppedMessage(int done, int total) {
    return "Обработка остановлена: обработано " + std::to_string(done) + " из " +
           std::to_string(total) + ".";
}

bool CanTakeFiles(const std::string& folder) {
    std::error_code error;
    if (folder.empty() || !std::filesystem::is_directory(folder, error)) return false;
    // The effective rights, and EROFS for a read-only file system, without writing anything.
    return ::access(folder.c_str(), W_OK | X_OK) == 0;
}

namespace {

constexpr const char* kUnknownErrorText = "Неизвестная ошибка";

void MarkFailed(ReportRow& row, const std::string& text) {
    row.ImageIndex = kReportImageError;
    row.Result = kReportError;
    row.ErrorText = text.empty() ? kUnknownErrorText : text;
}

// A file whose step and encoding are done: its row so far, and its result written beside the
// output path but not yet in place (none when the file failed).
struct PreparedFile {
    FileOutcome Outcome;
    std::optional<PendingResult> Pending;
};

// Decides, once the output path is known and before anything is written there, whether the
// result may replace a file at that path; throws to fail the file.
using SaveTurn = std::function<bool(const std::string& outputPath)>;

// The work of one file up to its save's wait for the disk: step, output path, the refusal of a
// result that would replace its own source, encoding, and the bytes in a temporary file. Every
// failure ends up in the row.
PreparedFile PrepareFile(const std::string& sourcePath, const std::string& targetMode,
                         const TargetTexts& targets, const TransformStep& step,
                         ResultFileOps& ops, const SaveTurn& awaitSaveTurn) {
    PreparedFile prepared;
    ReportRow& row = prepared.Outcome.Row;
    row.Caption = sourcePath;
    // Fresh working values for every file, so a failed row never shows another file's sizes.
    PictureSize sourceSize;
    PictureSize newSize;
    std::string outputPath;
    try {
        StepOutcome outcome;
        try {
            if (!step) throw std::logic_error("Операция не задана");
            step(sourcePath, outcome);
        } catch (...) {
            sourceSize = outcome.SourceSize;
            newSize = outcome.NewSize;
            throw;
        }
        sourceSize = outcome.SourceSize;
        newSize = outcome.NewSize;

        std::string& folderMessage = prepared.Outcome.FolderMessage;
        outputPath = BuildOutputPath(sourcePath, targetMode, targets, &folderMessage);
        if (!folderMessage.empty()) throw std::runtime_error(folderMessage);
        if (outputPath.empty()) {
            throw std::runtime_error("Неизвестный способ сохранения результатов: " + targetMode);
        }
        const bool mayReplace = awaitSaveTurn(outputPath);
        // A result that may not replace anything cannot replace its source either; only a path
        // that held a file at planning is worth asking again (a walk over every level of it).
        if (mayReplace && IsSameFile(sourcePath, outputPath)) {
            throw std::runtime_error(kSameFileErrorText);
        }
        const std::vector<std::uint8_t>& bytes = outcome.Picture.EncodedBytes(outputPath);
        prepared.Pending = WriteTemporaryResult(ops, outputPath, bytes.data(), bytes.size(), mayReplace);
    } catch (const std::exception& e) {
        MarkFailed(row, FailureReason(e));
    } catch (...) {
        MarkFailed(row, kUnknownErrorText);
    }
    row.SourceSize = FormatSize(sourceSize);
    row.OutputPath = outputPath;
    row.NewSize = FormatSize(newSize);
    return prepared;
}

// The rest of the save: the flush and the rename. The folder is flushed by the caller, once after
// its last result (SyncResultFolders).
FileOutcome FinishFile(PreparedFile& prepared, ResultFileOps& ops) {
    ReportRow& row = prepared.Outcome.Row;
    if (prepared.Pending) {
        try {
            PutResultInPlace(ops, *prepared.Pending);
            row.ImageIndex = kReportImageOk;
            row.Result = kReportOk;
        } catch (const std::exception& e) {
            MarkFailed(row, FailureReason(e));
        } catch (...) {
            MarkFailed(row, kUnknownErrorText);
        }
        prepared.Pending.reset();
    }
    return std::move(prepared.Outcome);
}

// The folder of every result written, each flushed once: its renames are then on the disk too.
void SyncResultFolders(const std::vector<std::string>& writtenPaths) {
    std::set<std::string> folders;
    for (const std::string& path : writtenPaths) {
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        folders.insert(parent.empty() ? std::string(".") : parent.string());
    }
    for (const std::string& folder : folders) SyncFolder(folder);
}

// What the runner decides for every file of a batch before the first one starts, so that any
// number of jobs decides exactly as one does: a result never replaces a source of the batch (its
// own or another's), and of several sources whose results share one path the first in list order
// that writes it keeps it. A source listed twice may write its result twice: it is the same one.
// A result replaces only a file that was at its path, under exactly its name, at planning.
//
// The plan covers the whole list; the files processed are [first, last) of it, and the methods
// take their indices within that range. An earlier file outside it keeps its output path, since
// whether its own run writes it is not known here.
class OutputClaims {
public:
    OutputClaims(const std::vector<std::string>& files, std::size_t first,
                 const std::string& targetMode, const TargetTexts& targets)
        : files_(files), first_(static_cast<int>(first)), plans_(files.size()) {
        std::unordered_map<std::string, int> sourceOf;
        for (std::size_t i = 0; i < files.size(); ++i) {
            plans_[i].SourceKey = FileIdentity(files[i]);
            sourceOf.emplace(plans_[i].SourceKey, static_cast<int>(i));
        }
        OutputPathSurvey survey;
        std::unordered_map<std::string, int> lastWriter;
        std::unordered_map<std::string, int> lastOfSpelling;
        for (std::size_t i = 0; i < files.size(); ++i) {
            FilePlan& plan = plans_[i];
            const std::string planned = PlannedOutputPath(files[i], targetMode, targets);
            if (planned.empty()) continue;  // the file fails on its target mode
            const OutputPathSurvey::Look look = survey.LookAt(planned);
            plan.WasPresent = look.State == PathAtPlanning::Present;
            plan.IsOwnSource = look.Key == plan.SourceKey;
            if (const auto s = sourceOf.find(look.Key); s != sourceOf.end()) {
                plan.ReplacedSource = s->second;
            }
            const auto [w, isFirst] = lastWriter.try_emplace(look.Key, static_cast<int>(i));
            plan.Group = isFirst ? static_cast<int>(i) : plans_[w->second].Group;
            if (!isFirst) plan.SaveAfter = std::exchange(w->second, static_cast<int>(i));
            // Paths that differ in letter case only are one file on a case-insensitive disk:
            // they take their turns in list order too, so the first in the list gets the name
            // there, and a later one finds it taken, whatever the number of jobs.
            const auto [c, isFirstSpelling] =
                lastOfSpelling.try_emplace(LowerAscii(look.PathKey), static_cast<int>(i));
            if (!isFirstSpelling) plan.SpellingAfter = std::exchange(c->second, static_cast<int>(i));
        }
        holders_.assign(files.size(), -1);
    }

    // The earlier processed file that must be done before file i may write (the latest earlier
    // one with the same output; it waited for those before it in turn), or -1.
    int SaveAfter(int i) const { return Processed(plans_[first_ + i].SaveAfter); }
    // The same for the output's path in any letter case.
    int SpellingAfter(int i) const { return Processed(plans_[first_ + i].SpellingAfter); }

    // Throws when file i must not write its result; else whether the result may replace a file
    // at its path. Called once SaveAfter(i) is done, and by one file at a time for any one path.
    bool CheckSave(int i) const {
        const FilePlan& plan = plans_[first_ + i];
        if (plan.IsOwnSource) throw std::runtime_error(kSameFileErrorText);
        if (plan.ReplacedSource >= 0) {
            throw std::runtime_error(kOtherSourceErrorText + files_[plan.ReplacedSource]);
        }
        if (plan.Group < 0) return plan.WasPresent;
        if (plan.Group < first_ && plans_[plan.Group].SourceKey != plan.SourceKey) {
            throw std::runtime_error(kEarlierOutputErrorText + files_[plan.Group]);
        }
        const int holder = holders_[plan.Group];
        if (holder >= 0 && plans_[holder].SourceKey != plan.SourceKey) {
            throw std::runtime_error(kTakenOutputErrorText + files_[holder]);
        }
        // The same source's result, written earlier in this batch, is refreshed.
        return plan.WasPresent || holder >= 0;
    }

    // File i is done; isWritten when its result is on disk.
    void Done(int i, bool isWritten) {
        const int group = plans_[first_ + i].Group;
        if (isWritten && group >= 0 && holders_[group] < 0) holders_[group] = first_ + i;
    }

private:
    struct FilePlan {
        std::string SourceKey;
        bool IsOwnSource = false;
        bool WasPresent = false;  // a file of exactly the output's name was there at planning
        int ReplacedSource = -1;  // a file of the batch whose source is this file's output
        int Group = -1;           // the first file of the batch with the same output
        int SaveAfter = -1;
        int SpellingAfter = -1;
    };

    static std::string LowerAscii(std::string text) {
        for (char& c : text) {
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        }
        return text;
    }

    // An index of the whole list as an index of the processed range, or -1 outside it.
    int Processed(int index) const { return index < first_ ? -1 : index - first_; }

    const std::vector<std::string>& files_;  // the whole list
    const int first_;                        // the first file processed
    std::vector<FilePlan> plans_;
    std::vector<int> holders_;  // by group: the file whose result is written there, or -1
};

// The files of one batch on worker threads, handed back to the calling thread in SourceFiles
// order. Everything the threads share is here, under one mutex.
//
// A file holds a core (one of the jobs) and its memory from its start until its result is in a
// temporary file; the flush and the rename that follow are a wait for the disk, during which its
// thread holds neither and the next file takes the core. So there are more threads than jobs:
// the extra ones are the files waiting for the disk.
class ParallelFiles {
public:
    ParallelFiles(const std::vector<std::string>& files, const std::string& targetMode,
                  const TargetTexts& targets, const BatchOperation& operation, int jobs,
                  std::uint64_t memoryBudget, const MemorySources& memorySources,
                  OutputClaims& claims, ResultFileOps& ops,
                  const std::function<bool()>& stopRequested)
        : files_(files),
          targetMode_(targetMode),
          targets_(targets),
          step_(operation.Step),
          estimate_(operation.EstimateMemory
                        ? operation.EstimateMemory
                        : [](const std::string& path) { return EstimateFileMemory(path); }),
          jobs_(std::max(1, jobs)),
          window_(jobs_ + FilesWaitingForTheDisk(jobs_)),
          memoryBudget_(memoryBudget),
          memorySources_(memorySources),
          claims_(claims),
          ops_(ops),
          stopRequested_(stopRequested),
          admitTurn_(static_cast<std::size_t>(window_)),
          outcomes_(files.size()),
          isDone_(files.size(), false) {}

    ParallelFiles(const ParallelFiles&) = delete;
    ParallelFiles& operator=(const ParallelFiles&) = delete;

    // Stops handing out files and waits for the files under way: also when the view threw.
    ~ParallelFiles() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            isLeaving_ = true;
        }
        WakeAllWaiters();
        done_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    // Starts the workers; false when not even one thread could be had.
    bool Start() {
        const int wanted = std::min<int>(window_, Count());
        for (int i = 0; i < wanted; ++i) {
            try {
                workers_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break;  // fewer threads only make the batch slower
            }
        }
        return !workers_.empty();
    }

    // No file starts any more; the files started finish. They are the first ones of the list.
    void Stop() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (isStopped_) return;
            isStopped_ = true;
            startedAtStop_ = nextAdmitted_;
        }
        WakeAllWaiters();
    }

    // The outcome of file index, waiting for it with view.WaitTick() (and the stop query) about
    // every tick; none when the batch was stopped before the file started.
    std::optional<FileOutcome> Take(int index, BatchView& view,
                                    const std::function<bool()>& stopRequested) {
        std::unique_lock<std::mutex> lock(mutex_);
        awaited_ = index;
        const auto isSettled = [&] {
            return outcomes_[index].has_value() || (isStopped_ && index >= startedAtStop_);
        };
        while (!ready_.wait_for(lock, std::chrono::milliseconds(kWaitTickMs), isSettled)) {
            lock.unlock();
            view.WaitTick();
            if (stopRequested && stopRequested()) Stop();
            lock.lock();
        }
        if (!outcomes_[index]) return std::nullopt;
        FileOutcome outcome = std::move(*outcomes_[index]);
        outcomes_[index].reset();
        return outcome;
    }

    // The row of file index is shown: one more file may start.
    void RowShown(int index) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            rowsShown_ = index + 1;
        }
        slotFree_.notify_one();  // one more file may start
    }

private:
    struct Stopped {};

    void WakeAllWaiters() {
        slotFree_.notify_all();
        for (std::condition_variable& turn : admitTurn_) turn.notify_all();
    }

    void Work() {
        for (;;) {
            int index = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                // Not more files beyond the next row than run or wait for the disk: the rows in
                // between are waiting for a slow file, and running further ahead would only pile
                // up finished work.
                slotFree_.wait(lock, [&] {
                    return isLeaving_ || isStopped_ || nextFile_ >= Count() ||
                           nextFile_ < rowsShown_ + window_;
                });
                if (isLeaving_ || isStopped_ || nextFile_ >= Count()) return;
                index = nextFile_++;
            }
            FileOutcome outcome;
            std::uint64_t memory = 0;
            std::string noRoom;  // why a file too large even alone fails unread
            try {
                // An unknown budget leaves nothing to share and nothing to check.
                if (memoryBudget_ != kUnknownMemory) memory = estimate_(files_[index]);
                Admit(index, memory);
                noRoom = memory > memoryBudget_ ? CheckRoomAlone(memory) : "";
            } catch (const Stopped&) {
                return;  // not started: it holds no job and no memory, and gets no row
            }
            bool holdsJob = true;
            try {
                const TransformStep failing = noRoom.empty() ? TransformStep() : FailingStep(noRoom);
                PreparedFile prepared = PrepareFile(
                    files_[index], targetMode_, targets_, noRoom.empty() ? step_ : failing, ops_,
                    [&](const std::string&) {
                        WaitUntilDone(claims_.SaveAfter(index));
                        WaitUntilDone(claims_.SpellingAfter(index));
                        const std::lock_guard<std::mutex> lock(mutex_);
                        return claims_.CheckSave(index);
                    });
                // The picture is gone, the bytes are with the system: the job and the memory
                // go to the next file while this one waits for the disk.
                holdsJob = false;
                Release(memory);
                outcome = FinishFile(prepared, ops_);
            } catch (...) {
                // Only the coordination itself can get here; the file must still get its row, or
                // the calling thread would wait for it for ever.
                outcome = FileOutcome();
                outcome.Row.Caption = files_[index];
                MarkFailed(outcome.Row, kUnknownErrorText);
                outcome.Row.SourceSize = FormatSize({});
                outcome.Row.NewSize = FormatSize({});
            }
            if (holdsJob) Release(memory);
            Publish(index, std::move(outcome));
        }
    }

    // Files start in list order, each once a job is free and the files running leave room for its
    // estimate in the budget, or alone when nothing else runs (a file larger than the budget still
    // gets its turn). In order, so that a file waiting for room never holds up one it waits for,
    // and the files started are always the first ones of the list.
    void Admit(int index, std::uint64_t memory) {
        std::unique_lock<std::mutex> lock(mutex_);
        admitTurn_[index % window_].wait(lock, [&] {
            return isLeaving_ || isStopped_ ||
                   (nextAdmitted_ == index && running_ < jobs_ &&
                    (running_ == 0 || memoryInUse_ + memory <= memoryBudget_));
        });
        if (!isLeaving_ && !isStopped_ && stopRequested_()) {
            isStopped_ = true;
            startedAtStop_ = nextAdmitted_;
            lock.unlock();
            WakeAllWaiters();
            ready_.notify_one();
            throw Stopped{};
        }
        if (isLeaving_ || isStopped_) throw Stopped{};
        ++nextAdmitted_;
        ++running_;
        memoryInUse_ += memory;
        lock.unlock();
        admitTurn_[(index + 1) % window_].notify_one();
    }

    void Release(std::uint64_t memory) {
        int next = 0;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            --running_;
            memoryInUse_ -= memory;
            next = nextAdmitted_ % window_;
        }
        admitTurn_[next].notify_one();
    }

    void Publish(int index, FileOutcome outcome) {
        bool isAwaited = false;
        bool hasWaiters = false;
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            claims_.Done(index, outcome.Row.ImageIndex == kReportImageOk);
            outcomes_[index] = std::move(outcome);
            isDone_[index] = true;
            isAwaited = awaited_ == index;
            hasWaiters = doneWaiters_ > 0;
        }
        if (isAwaited) ready_.notify_one();
        if (hasWaiters) done_.notify_all();
    }

    // Every file waited for has a smaller index and was started earlier, so the earliest
    // unfinished file never waits and the batch always moves on; a stopped batch still finishes
    // the files it started.
    void WaitUntilDone(int earlier) {
        if (earlier < 0) return;
        std::unique_lock<std::mutex> lock(mutex_);
        ++doneWaiters_;
        done_.wait(lock, [&] { return isLeaving_ || isDone_[earlier]; });
        --doneWaiters_;
        // The batch is being left (the view threw): the file is abandoned unwritten. Before the
        // save, PrepareFile's guard turns this into a row that nobody takes any more.
        if (isLeaving_) throw Stopped{};
    }

    int Count() const { return static_cast<int>(files_.size()); }

    // For a file larger than the budget, now that it runs alone: empty when what the system grants
    // now (the heap's free part included, which the file reuses) holds its estimate, else why not.
    // Only the limits whose excess kills the process count here: beyond a resource limit an
    // allocation fails and so does the file, cleanly, so the file is tried rather than judged by
    // an estimate, which may be larger than what it really takes.
    std::string CheckRoomAlone(std::uint64_t memory) const {
        MemorySources killing = memorySources_;
        killing.AddressSpaceLimit = kUnknownMemory;
        killing.DataLimit = kUnknownMemory;
        const std::uint64_t available = AvailableMemoryBytes(killing);
        if (available == kUnknownMemory) return "";
        const std::uint64_t room = available + std::min(ReusablePictureMemory(), kUnknownMemory - available);
        if (memory <= room) return "";
        constexpr std::uint64_t kMiB = 1u << 20;
        return std::string(kNoMemoryText) + ": " + std::to_string((memory + kMiB - 1) / kMiB) +
               " МБ, доступно " + std::to_string(room / kMiB) + " МБ";
    }

    static TransformStep FailingStep(const std::string& reason) {
        return [reason](const std::string&, StepOutcome&) { throw std::runtime_error(reason); };
    }

    const std::vector<std::string>& files_;
    const std::string& targetMode_;
    const TargetTexts& targets_;
    const TransformStep& step_;
    const std::function<std::uint64_t(const std::string&)> estimate_;
    const int jobs_;
    const int window_;  // files started and not yet shown: those running and those at the disk
    const std::uint64_t memoryBudget_;
    const MemorySources& memorySources_;
    OutputClaims& claims_;  // under mutex_
    ResultFileOps& ops_;
    const std::function<bool()>& stopRequested_;  // thread-safe: asked before each file starts

    std::mutex mutex_;
    // Which thread to wake: one waiting for a file to take once a row frees a place, the one whose
    // file is next to start once a job or memory is freed (the files waiting to start lie within
    // one window, so their indices modulo the window tell them apart), the calling thread once
    // its file is done; everyone at a stop.
    std::condition_variable slotFree_;
    std::vector<std::condition_variable> admitTurn_;
    std::condition_variable done_;       // a file is done (for files with the same output)
    std::condition_variable ready_;      // the awaited file is done (for the calling thread)
    int nextFile_ = 0;
    int nextAdmitted_ = 0;
    int running_ = 0;  // files holding a job
    std::uint64_t memoryInUse_ = 0;
    int rowsShown_ = 0;
    int awaited_ = -1;
    int doneWaiters_ = 0;
    bool isLeaving_ = false;
    bool isStopped_ = false;
    int startedAtStop_ = 0;
    std::vector<std::optional<FileOutcome>> outcomes_;
    std::vector<bool> isDone_;

    std::vector<std::thread> workers_;  // last: joined before the state above goes
};

// What the files running at once may take: the given budget, or what the system grants now less
// the worker threads' stacks, which count against an address-space limit.
std::uint64_t BatchBudget(const BatchInputs& inputs, int count) {
    if (inputs.MemoryBudget > 0) return inputs.MemoryBudget;
    const std::uint64_t available = AvailableMemoryBytes(inputs.Memory);
    if (available == kUnknownMemory) return available;
    constexpr std::uint64_t kThreadStack = 8u << 20;
    const std::uint64_t threads = static_cast<std::uint64_t>(std::max(1, std::min(inputs.Jobs, count)));
    return available > threads * kThreadStack ? available - threads * kThreadStack : 0;
}

}  // namespace

// A flush takes a few milliseconds on a quiet disk and tens on a busy one, and concurrent ones
// share the disk's cache flush, so it takes this many to keep a disk wait behind every job's file;
// the bound keeps the open files and threads of a machine with many cores modest.
int FilesWaitingForTheDisk(int jobs) { return std::min(8 * std::max(1, jobs) + 8, 64); }

FileOutcome ProcessOneFile(const std::string& sourcePath, const std::string& targetMode,
                           const TargetTexts& targets, const TransformStep& step) {
    ResultFileOps& ops = SystemResultFileOps();
    PreparedFile prepared =
        PrepareFile(sourcePath, targetMode, targets, step, ops, [](const std::string& output) {
            return OutputPathSurvey().LookAt(output).State == PathAtPlanning::Present;
        });
    FileOutcome outcome = FinishFile(prepared, ops);
    if (outcome.Row.ImageIndex == kReportImageOk) SyncResultFolders({outcome.Row.OutputPath});
    return outcome;
}

BatchSummary RunBatch(JobState& job, const BatchInputs& inputs, const BatchOperation& operation,
                      BatchView& view) {
    BatchSummary summary;
    // The inputs are taken now: a dialog's nested event loop may let the user touch the job state,
    // and this batch must go on with what was confirmed.
    const std::vector<std::string> listed = job.SourceFiles;
    const std::size_t first = std::min(inputs.ProcessFirst, listed.size());
    const std::size_t last = std::clamp(inputs.ProcessLast, first, listed.size());
    const std::vector<std::string> files(listed.begin() + static_cast<std::ptrdiff_t>(first),
                                         listed.begin() + static_cast<std::ptrdiff_t>(last));
    const std::string targetMode = job.TargetMode;
    const TargetTexts targets = inputs.Targets;
    const int count = static_cast<int>(files.size());
    ResultFileOps& ops = inputs.FileOps != nullptr ? *inputs.FileOps : SystemResultFileOps();
    // The caller's stop (the command's signals) or the view's (the windows' stop button).
    const std::function<bool()> isStopRequested = [&] {
        return (inputs.StopRequested && inputs.StopRequested()) || view.StopRequested();
    };

    if (view.AsksQuestion()) {
        const std::string question =
            BuildConfirmationText(operation.Texts, job.SourceKind, inputs.SourceFolder, count,
                                  operation.OperationPhrase, targetMode, targets);
        if (!view.AskQuestion(question)) return summary;
    }
    summary.Confirmed = true;
    summary.Total = count;

    // Every file would fail on it, one by one: said once, before anything is shown or written,
    // and the parameters window stays for another try.
    if (targetMode == keyword::kFolder && !CanTakeFiles(targets.Folder)) {
        summary.PrepareFailed = true;
        summary.Failed = count;
        summary.FinalMessage = kCannotSaveToFolderText + targets.Folder;
        view.ShowNotice(summary.FinalMessage);
        return summary;
    }

    view.HideParamsWindow();
    view.ClearReportRows();
    view.ClearReportColumns();
    view.ShowReport();
    for (const ReportColumn& column : ReportColumns(operation.Texts)) {
        view.AddReportColumn(column);
    }
    view.ReportProgress(0, count);
    view.ProcessPendingEvents();

    std::string prepareError;
    try {
        if (operation.Prepare) operation.Prepare();
    } catch (const std::exception& e) {
        prepareError = e.what();
        if (prepareError.empty()) prepareError = kUnknownErrorText;
    } catch (...) {
        prepareError = kUnknownErrorText;
    }

    std::vector<std::string> written;
    // A folder that cannot be made fails every file of it alike: one message per folder, so a
    // read-only card of hundreds of photos is not hundreds of dialogs. The message names it.
    std::set<std::string> foldersSaid;
    const auto showFile = [&](int i, const FileOutcome& outcome) {
        if (!outcome.FolderMessage.empty() && foldersSaid.insert(outcome.FolderMessage).second) {
            view.ShowInformation(outcome.FolderMessage);
        }
        if (outcome.Row.ImageIndex != kReportImageOk) ++summary.Failed;
        if (outcome.Row.ImageIndex == kReportImageOk) written.push_back(outcome.Row.OutputPath);
        view.AddReportRow(outcome.Row);
        view.RepaintReport();
        view.ReportProgress(i + 1, count);
        summary.Done = i + 1;
    };

    if (!prepareError.empty()) {
        // Nothing was processed: every file counts as failed, and the one message says why.
        summary.Failed = count;
        summary.PrepareFailed = true;
    } else if (count > 0) {
        // The workers start after Prepare and are joined before CleanUp, so what Prepare made is
        // complete before any step reads it and no step still reads it when it goes.
        OutputClaims claims(listed, first, targetMode, targets);
        ParallelFiles parallel(files, targetMode, targets, operation, inputs.Jobs,
                               BatchBudget(inputs, count), inputs.Memory, claims, ops,
                               isStopRequested);
        if (parallel.Start()) {
            for (int i = 0; i < count; ++i) {
                if (isStopRequested()) parallel.Stop();
                std::optional<FileOutcome> outcome = parallel.Take(i, view, isStopRequested);
                if (!outcome) {
                    summary.Stopped = true;
                    break;
                }
                showFile(i, *outcome);
                parallel.RowShown(i);
            }
        } else {
            for (int i = 0; i < count; ++i) {
                if (isStopRequested()) {
                    summary.Stopped = true;
                    break;
                }
                PreparedFile prepared = PrepareFile(files[i], targetMode, targets, operation.Step,
                                                    ops, [&](const std::string&) {
                                                        return claims.CheckSave(i);
                                                    });
                FileOutcome outcome = FinishFile(prepared, ops);
                claims.Done(i, outcome.Row.ImageIndex == kReportImageOk);
                showFile(i, outcome);
            }
        }
    }
    SyncResultFolders(written);

    // A clean-up that fails only loses memory it held; the files are written and the user is
    // owed the final message all the same.
    try {
        if (operation.CleanUp) operation.CleanUp();
    } catch (...) {
    }

    view.PicturesReleased();

    if (!prepareError.empty()) {
        summary.FinalMessage = prepareError;
    } else if (summary.Stopped) {
        summary.FinalMessage = StoppedMessage(summary.Done, count);
    } else {
        summary.FinalMessage = FinalMessage(operation.Texts, summary.Failed, count);
    }
    view.ShowInformation(summary.FinalMessage);
    job.SourceFiles.clear();
    return summary;
}

}  // namespace stampwise
