#include "batch/FileScheduler.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "imaging/PictureMemory.h"

namespace stampwise {

int DefaultJobCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores == 0 ? 1 : static_cast<int>(cores);
}

// A flush takes a few milliseconds on a quiet disk and tens on a busy one, and concurrent ones
// share the disk's cache flush, so it takes this many to keep a disk wait behind every job's file;
// the bound keeps the open files and threads of a machine with many cores modest.
int FilesWaitingForTheDisk(int jobs) { return std::min(8 * std::max(1, jobs) + 8, 64); }

namespace {

// A worker's stack holds the calls of one file's work, whose pictures and buffers are on the
// heap: libjpeg's and Little CMS's frames take a few kilobytes, and every test of a batch passes
// on 128 KiB. AddressSanitizer's frames are several times larger.
#if defined(__SANITIZE_ADDRESS__)
constexpr std::size_t kWorkerStackBytes = 4u << 20;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr std::size_t kWorkerStackBytes = 4u << 20;
#else
constexpr std::size_t kWorkerStackBytes = 1u << 20;
#endif
#else
constexpr std::size_t kWorkerStackBytes = 1u << 20;
#endif

}  // namespace

int WorkerThreadCount(int jobs, int files) {
    const int threads = std::max(1, jobs) + FilesWaitingForTheDisk(jobs);
    return std::max(0, std::min(threads, files));
}

std::uint64_t BatchBudget(std::uint64_t given, const MemorySources& sources, int jobs, int count) {
    if (given > 0) return given;
    MemorySources withStacks = sources;
    withStacks.ToBeMappedBytes += static_cast<std::uint64_t>(WorkerThreadCount(jobs, count)) *
                                  WorkerThreadReservation(kWorkerStackBytes);
    return AvailableMemoryBytes(withStacks);
}

FileScheduler::FileScheduler(Work work, std::stop_token stop)
    : work_(std::move(work)),
      jobs_(std::max(1, work_.Jobs)),
      window_(jobs_ + FilesWaitingForTheDisk(jobs_)),
      admitTurn_(static_cast<std::size_t>(window_)),
      outcomes_(work_.Files->size()),
      isDone_(work_.Files->size(), false),
      stop_(std::move(stop)) {
    onStop_.emplace(stop_, OnStop{this});
}

FileScheduler::~FileScheduler() {
    onStop_.reset();
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        isLeaving_ = true;
    }
    WakeAllWaiters();
    done_.notify_all();
    workers_.clear();  // joins
}

bool FileScheduler::Run(const std::function<void(int, const FileOutcome&)>& onFile,
                        const std::function<void()>& waitTick) {
    const int wanted = WorkerThreadCount(jobs_, Count());
    workers_.reserve(static_cast<std::size_t>(wanted));
    for (int i = 0; i < wanted; ++i) {
        try {
            workers_.emplace_back(kWorkerStackBytes, [this] {
                while (WorkOne()) {
                }
            });
        } catch (const std::system_error&) {
            break;  // fewer threads only make the batch slower; with none, Take works the files
        }
    }
    for (int i = 0; i < Count(); ++i) {
        std::optional<FileOutcome> outcome = Take(i, waitTick);
        if (!outcome) return false;
        onFile(i, *outcome);
        RowShown(i);
    }
    return true;
}

void FileScheduler::Stop() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (isStopped_) return;
        isStopped_ = true;
        startedAtStop_ = nextAdmitted_;
    }
    WakeAllWaiters();
    ready_.notify_one();
}

void FileScheduler::WakeAllWaiters() {
    slotFree_.notify_all();
    for (std::condition_variable& turn : admitTurn_) turn.notify_all();
}

std::optional<FileOutcome> FileScheduler::Take(int index, const std::function<void()>& waitTick) {
    std::unique_lock<std::mutex> lock(mutex_);
    awaited_ = index;
    const auto isSettled = [&] {
        return outcomes_[index].has_value() || (isStopped_ && index >= startedAtStop_);
    };
    while (!isSettled()) {
        if (workers_.empty()) {
            // Not even one thread could be had: this one works the files, in the same turns.
            lock.unlock();
            const bool isMore = WorkOne();
            lock.lock();
            if (!isMore) break;
            continue;
        }
        if (ready_.wait_for(lock, std::chrono::milliseconds(kWaitTickMs), isSettled)) break;
        lock.unlock();
        if (waitTick) waitTick();
        lock.lock();
    }
    if (!outcomes_[index]) return std::nullopt;
    FileOutcome outcome = std::move(*outcomes_[index]);
    outcomes_[index].reset();
    return outcome;
}

void FileScheduler::RowShown(int index) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        rowsShown_ = index + 1;
    }
    slotFree_.notify_one();  // one more file may start
}

bool FileScheduler::WorkOne() {
    int index = 0;
    {
        std::unique_lock<std::mutex> lock(mutex_);
        // Not more files beyond the next row than run or wait for the disk: the rows in between
        // are waiting for a slow file, and running further ahead would only pile up finished work.
        slotFree_.wait(lock, [&] {
            return isLeaving_ || isStopped_ || nextFile_ >= Count() ||
                   nextFile_ < rowsShown_ + window_;
        });
        if (isLeaving_ || isStopped_ || nextFile_ >= Count()) return false;
        index = nextFile_++;
    }
    const std::string& path = (*work_.Files)[index];
    FileOutcome outcome;
    std::uint64_t memory = 0;
    std::string noRoom;  // why a file too large even alone fails unread
    // The header the estimate read goes on to the step, which then does not parse it again.
    SourceFile source(path);
    try {
        // An unknown budget leaves nothing to share and nothing to check.
        if (work_.MemoryBudget != kUnknownMemory) {
            FileEstimate estimate = work_.EstimateMemory ? work_.EstimateMemory(path) : EstimateFileMemory(path);
            memory = estimate.Bytes;
            source.Header = std::move(estimate.Header);
        }
        Admit(index, memory);
        noRoom = memory > work_.MemoryBudget ? CheckRoomAlone(memory) : "";
    } catch (const Stopped&) {
        return false;  // not started: it holds no job and no memory, and gets no row
    }
    bool holdsJob = true;
    try {
        const TransformStep failing = [&noRoom](const SourceFile&, StepOutcome&) {
            throw std::runtime_error(noRoom);
        };
        PreparedFile prepared = PrepareFile(
            source, work_.Claims->OutputPath(index), work_.TargetMode,
            noRoom.empty() ? work_.Step : failing, *work_.FileOps, [&] {
                WaitUntilDone(work_.Claims->SaveAfter(index));
                WaitUntilDone(work_.Claims->SpellingAfter(index));
                const std::lock_guard<std::mutex> lock(mutex_);
                return work_.Claims->CheckSave(index);
            },
            work_.Claims->Spellings(), work_.KeepTimes);
        // The picture is gone, the bytes are with the system: the job and the memory go to the
        // next file while this one waits for the disk.
        holdsJob = false;
        Release(memory);
        outcome = FinishFile(prepared, *work_.FileOps);
    } catch (...) {
        // Only the coordination itself can get here; the file must still get its row, or the
        // calling thread would wait for it for ever.
        outcome = FileOutcome();
        outcome.Row.Caption = path;
        MarkFailed(outcome.Row, kUnknownErrorText);
        outcome.Row.SourceSize = FormatSize({});
        outcome.Row.NewSize = FormatSize({});
    }
    if (holdsJob) Release(memory);
    Publish(index, std::move(outcome));
    return true;
}

// Files start in list order, each once a job is free and the files running leave room for its
// estimate in the budget, or alone when nothing else runs (a file larger than the budget still
// gets its turn). In order, so that a file waiting for room never holds up one it waits for, and
// the files started are always the first ones of the list.
void FileScheduler::Admit(int index, std::uint64_t memory) {
    std::unique_lock<std::mutex> lock(mutex_);
    admitTurn_[index % window_].wait(lock, [&] {
        return isLeaving_ || isStopped_ ||
               (nextAdmitted_ == index && running_ < jobs_ &&
                (running_ == 0 || memoryInUse_ + memory <= work_.MemoryBudget));
    });
    if (isLeaving_ || isStopped_) throw Stopped{};
    ++nextAdmitted_;
    ++running_;
    memoryInUse_ += memory;
    lock.unlock();
    admitTurn_[(index + 1) % window_].notify_one();
}

void FileScheduler::Release(std::uint64_t memory) {
    int next = 0;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        --running_;
        memoryInUse_ -= memory;
        next = nextAdmitted_ % window_;
    }
    admitTurn_[next].notify_one();
}

void FileScheduler::Publish(int index, FileOutcome outcome) {
    bool isAwaited = false;
    bool hasWaiters = false;
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        work_.Claims->Done(index, outcome.Written);
        outcomes_[index] = std::move(outcome);
        isDone_[index] = true;
        isAwaited = awaited_ == index;
        hasWaiters = doneWaiters_ > 0;
    }
    if (isAwaited) ready_.notify_one();
    if (hasWaiters) done_.notify_all();
}

// Every file waited for has a smaller index and was started earlier, so the earliest unfinished
// file never waits and the batch always moves on; a stopped batch still finishes the files it
// started.
void FileScheduler::WaitUntilDone(int earlier) {
    if (earlier < 0) return;
    std::unique_lock<std::mutex> lock(mutex_);
    ++doneWaiters_;
    done_.wait(lock, [&] { return isLeaving_ || isDone_[earlier]; });
    --doneWaiters_;
    // The batch is being left (the caller threw): the file is abandoned unwritten. Before the
    // save, PrepareFile's guard turns this into a row that nobody takes any more.
    if (isLeaving_) throw Stopped{};
}

// For a file larger than the budget, now that it runs alone: empty when what the system grants now
// (the heap's free part included, which the file reuses) holds its estimate, else why not. Only
// the limits whose excess kills the process count here: beyond a resource limit an allocation
// fails and so does the file, cleanly, so the file is tried rather than judged by an estimate,
// which may be larger than what it really takes.
std::string FileScheduler::CheckRoomAlone(std::uint64_t memory) const {
    MemorySources killing = work_.Memory;
    killing.AddressSpaceLimit = kUnknownMemory;
    killing.DataLimit = kUnknownMemory;
    const std::uint64_t available = AvailableMemoryBytes(killing);
    if (available == kUnknownMemory) return "";
    const std::uint64_t room =
        available + std::min(ReusablePictureMemory(), kUnknownMemory - available);
    if (memory <= room) return "";
    constexpr std::uint64_t kMiB = 1u << 20;
    return std::string(kNoMemoryText) + ": " + std::to_string((memory + kMiB - 1) / kMiB) +
           " МБ, доступно " + std::to_string(room / kMiB) + " МБ";
}

}  // namespace stampwise
