// Which file of a batch runs when, on how many threads, in how much memory: one scheduler whether
// the batch has one job or many. The files start in list order on worker threads (WorkerThread),
// each once a job is free and the files running leave room for its memory estimate in the budget,
// and their outcomes come back to the calling thread in list order. One std::stop_token is the
// only way to stop it: once stop is requested no file starts, and the files started finish.
//
// A file holds a job and its memory from its start until its result is in a temporary file; the
// flush and the rename that follow are a wait for the disk, during which its thread holds neither
// and the next file takes the job. So there are more threads than jobs: the extra ones are the
// files waiting for the disk. The work of one file is FileWork's; the plan, OutputClaims'.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

#include "batch/FileWork.h"
#include "batch/OutputClaims.h"
#include "imaging/PictureCost.h"
#include "platform/MemoryLimits.h"
#include "platform/WorkerThread.h"

namespace stampwise {

// The number of cores (at least 1): how many files a batch processes at once unless told otherwise.
int DefaultJobCount();

// Besides the jobs' files, how many files may wait for the disk at once (their results written,
// being flushed and renamed): those hold no picture, only an open file each.
int FilesWaitingForTheDisk(int jobs);

// The worker threads a batch of files at jobs starts: one per file running or waiting for the disk.
int WorkerThreadCount(int jobs, int files);

// How often the calling thread is let go while it waits for the next file: the windows paint then.
inline constexpr int kWaitTickMs = 40;

// What the files running at once may take: given (when above 0), or what the system grants now less
// the stacks of every worker thread for jobs files of count, which count against an address-space
// or data limit whole.
std::uint64_t BatchBudget(std::uint64_t given, const MemorySources& sources, int jobs, int count);

class FileScheduler {
public:
    struct Work {
        const std::vector<std::string>* Files = nullptr;  // the files processed, in list order
        OutputClaims* Claims = nullptr;                   // their plan, indexed alike
        std::string TargetMode;
        TransformStep Step;
        // The memory a file takes at most; unset: as a picture decoded whole.
        std::function<FileEstimate(const std::string& sourcePath)> EstimateMemory;
        int Jobs = 1;  // below 1 counts as 1
        std::uint64_t MemoryBudget = kUnknownMemory;
        MemorySources Memory;  // asked when a file larger than the budget gets its turn alone
        ResultFileOps* FileOps = nullptr;
        bool KeepTimes = false;  // results get their sources' modification times (PrepareFile)
    };

    FileScheduler(Work work, std::stop_token stop);
    // Stops handing out files and waits for the files under way: also when the caller threw.
    ~FileScheduler();
    FileScheduler(const FileScheduler&) = delete;
    FileScheduler& operator=(const FileScheduler&) = delete;

    // Hands every file's outcome to onFile on the calling thread, in list order, each as soon as
    // it and every earlier one are done; calls waitTick about every kWaitTickMs while it waits.
    // False when a stop left files unstarted (they get no outcome).
    bool Run(const std::function<void(int index, const FileOutcome& outcome)>& onFile,
             const std::function<void()>& waitTick);

private:
    struct Stopped {};
    struct OnStop {
        FileScheduler* Scheduler;
        void operator()() const { Scheduler->Stop(); }
    };

    void Stop();
    void WakeAllWaiters();
    // One file on the thread that calls it, from its turn to its outcome; false when there is no
    // file to take any more.
    bool WorkOne();
    void Admit(int index, std::uint64_t memory);
    void Release(std::uint64_t memory);
    void Publish(int index, FileOutcome outcome);
    void WaitUntilDone(int earlier);
    std::optional<FileOutcome> Take(int index, const std::function<void()>& waitTick);
    void RowShown(int index);
    std::string CheckRoomAlone(std::uint64_t memory) const;
    int Count() const { return static_cast<int>(work_.Files->size()); }

    const Work work_;
    const int jobs_;
    const int window_;  // files started and not yet shown: those running and those at the disk

    std::mutex mutex_;
    // Which thread to wake: one waiting for a file to take once a row frees a place, the one whose
    // file is next to start once a job or memory is freed (the files waiting to start lie within
    // one window, so their indices modulo the window tell them apart), the calling thread once
    // its file is done; everyone at a stop.
    std::condition_variable slotFree_;
    std::vector<std::condition_variable> admitTurn_;
    std::condition_variable done_;   // a file is done (for files with the same output)
    std::condition_variable ready_;  // the awaited file is done (for the calling thread)
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

    std::stop_token stop_;
    std::optional<std::stop_callback<OnStop>> onStop_;  // set once everything above is
    std::vector<WorkerThread> workers_;                 // last: joined before the state above goes
};

}  // namespace stampwise
