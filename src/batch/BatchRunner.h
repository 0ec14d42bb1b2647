// RunBatch: one job of either operation, from the check of its target to its final message. It only
// joins the rooms of batch/: the plan of the outputs (OutputClaims), the schedule (FileScheduler),
// one file's work (FileWork) and the words (BatchTexts, FailureReasons). Everything that differs
// between the operations comes in as a BatchOperation; what the batch shows while it runs goes
// through a BatchView, made of rows, progress and a tick to keep painting.
//
// What comes before and after belongs to the caller: the windows ask the question, set up the
// report and show the final message (TReportForm::RunBatch); the command prints it. Every BatchView
// call is made on the thread that called RunBatch, and what the view sees (rows, messages) and the
// files left behind are exactly what one file at a time gives.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <stop_token>
#include <string>

#include "job/JobState.h"
#include "batch/BatchTexts.h"
#include "batch/FileScheduler.h"
#include "batch/FileWork.h"
#include "platform/MemoryLimits.h"
#include "platform/PathSpellings.h"
#include "batch/OperationTexts.h"
#include "batch/TargetCheck.h"

namespace stampwise {

class BatchView {
public:
    virtual ~BatchView() = default;
    // A file's row, in list order, as soon as the file and every earlier one are done.
    // folderMessage, when not empty, says that a subfolder could not be made: it comes with the
    // first row of that folder's files only, to be shown before the row.
    virtual void AddRow(const ReportRow& row, const std::string& folderMessage) = 0;
    // The number of files done and the total: once with 0 before any file, then after each row.
    virtual void ShowProgress(int done, int total) { (void)done; (void)total; }
    // Called about every kWaitTickMs while the batch waits for the next file to finish: the place
    // to keep the windows painting (their report, their progress, the pulsing main window) and to
    // hear a stop.
    virtual void WaitTick() {}
};

// What an operation puts into the runner.
struct BatchOperation {
    OperationTexts Texts;          // what the question, the report and the messages say
    std::string OperationPhrase;   // the question's middle phrase; empty when it has none
    TransformStep Step;
    // Before the first file. A throw ends the batch before any file, with the error's text as
    // the final message; nothing is written.
    std::function<void()> Prepare;
    // After the last file, before the final message (also when Prepare threw).
    std::function<void()> CleanUp;
    // The memory the step takes at most for a source file (EstimateFileMemory with the step's
    // work); unset: as a picture decoded whole.
    std::function<FileEstimate(const std::string& sourcePath)> EstimateMemory;
};

struct BatchInputs {
    TargetTexts Targets;
    int Jobs = DefaultJobCount();  // files processed at once; below 1 counts as 1
    // Bytes the pictures of the files running at once may take, by the operation's estimate; 0
    // means the memory available when the batch starts (AvailableMemoryBytes).
    std::uint64_t MemoryBudget = 0;
    // The one way to stop the batch: once stop is requested, no further file starts; the files
    // started finish and get their rows, and the batch ends with StoppedMessage. The windows' stop
    // button and the programs' signals all request it on the one source behind this token.
    std::stop_token Stop;
    // The file operations of the saves; the system's when null (tests record or refuse them).
    ResultFileOps* FileOps = nullptr;
    // What the caller already found out about the folders of the paths (PathSpellings), so no
    // folder is probed twice in one run; the batch's own when null.
    PathSpellings* Spellings = nullptr;
    // Where the memory available is read, also when a file too large for the budget gets its turn
    // alone: it fails unread when its estimate exceeds what is available then.
    MemorySources Memory;
    // The entries of job.SourceFiles this run processes and reports, [ProcessFirst, ProcessLast)
    // (clamped to the list), e.g. one shard of a list that several runs share. The other entries
    // are planned with them all the same: no result replaces any listed source, and an output
    // path shared with an earlier entry outside the range is left to that entry.
    std::size_t ProcessFirst = 0;
    std::size_t ProcessLast = std::numeric_limits<std::size_t>::max();
    // Each result gets its source's modification time, as cp -p gives it.
    bool KeepTimes = false;
};

struct BatchSummary {
    int Total = 0;
    int Failed = 0;
    // No file was processed: the operation could not be prepared, or the target folder cannot
    // take files.
    bool PrepareFailed = false;
    bool Stopped = false;  // stopped on request before every file had started
    int Done = 0;          // files with a row (the first ones of the list)
    std::string FinalMessage;
};

// In the "folder" mode a target folder that cannot take files ends the batch at once, before any
// view call: PrepareFailed, FinalMessage TargetRefusal's notice, job.SourceFiles kept.
// Otherwise shows progress 0, prepares the operation, adds one row per file of job.SourceFiles in
// inputs' range, cleans up, and returns the final message with job.SourceFiles emptied. A
// subfolder that cannot be made is said once per folder, with the first row of its files.
//
// A stop lets the files under way finish; the files not started get no row, and the final message
// says how many of all were processed.
//
// Up to inputs.Jobs files are processed at once, nor more than the memory budget holds by their
// estimates, so memory stays bounded by the files' pictures; once a file's result is written, it
// waits for the disk (the flush, then the rename) without holding a job, and never more files are
// started beyond the next row to add than the jobs and those waiting for the disk. A file whose
// estimate exceeds the budget runs alone, and fails unread (with kNoMemoryText) when it exceeds
// what is available even then, without counting resource limits (beyond those an allocation fails
// cleanly, so the file is tried). Every result is on the disk before its rename, and each result
// folder is flushed once after its last rename.
//
// No result is written over a file that is a source of this batch (the file's own or another
// one's: that file's photo would be lost); such a file fails naming the source. Of several
// sources with one output path the first in SourceFiles order whose result is written keeps it,
// and a later one from a different source fails naming it; a source listed twice writes the same
// result again. Files with one output path take their turns in list order, so any number of jobs
// decides exactly as one does. An earlier file outside the range keeps its output path whether or
// not its own run writes it, so runs sharing a list decide alike in any order. A result replaces
// nothing at a path that held no file of exactly its name when the batch planned its outputs; a
// file that is there by then fails naming the path (kOccupiedOutputErrorText).
BatchSummary RunBatch(JobState& job, const BatchInputs& inputs, const BatchOperation& operation,
                      BatchView& view);

}  // namespace stampwise
