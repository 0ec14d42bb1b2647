// RunBatch: one job of either operation, from the confirmation question to the final message.
// Everything that differs between the operations comes in as a BatchOperation (its texts, its
// per-file TransformStep, its preparation and clean-up); everything the batch shows goes through a
// BatchView, which the report window implements and tests record.
//
// The per-file work (step, output path, save) is a pure function of its inputs, so several files
// run at once on worker threads; what the view sees (rows, messages) and the files left behind are
// exactly what one file at a time gives. Every BatchView call is made on the thread that called
// RunBatch.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "job/JobState.h"
#include "platform/MemoryLimits.h"
#include "batch/OperationTexts.h"
#include "imaging/JpegImage.h"

namespace stampwise {

struct PictureSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};
// "1600x1200"
std::string FormatSize(const PictureSize& size);

// What a TransformStep hands back. It fills SourceSize and NewSize as soon as it knows them, so
// that a step that throws leaves what it had worked out for the report row.
struct StepOutcome {
    PictureSize SourceSize;
    PictureSize NewSize;
    TJPEGImage Picture;
};
// Given a source file's full path; throws on failure (any std::exception).
using TransformStep = std::function<void(const std::string& sourcePath, StepOutcome& outcome)>;

inline constexpr const char* kReportOk = "Успешно";
inline constexpr const char* kReportError = "Ошибка!";
// The reason of a file that cannot fit in the memory available, followed by its figures.
inline constexpr const char* kNoMemoryText = "Не хватает памяти для картинки";
inline constexpr int kReportImageOk = 0;
inline constexpr int kReportImageError = 1;

struct ReportRow {
    int ImageIndex = kReportImageOk;
    std::string Caption;     // the source path
    std::string SourceSize;  // "1600x1200"
    std::string OutputPath;
    std::string NewSize;
    std::string Result;      // "Успешно" or "Ошибка!"
    std::string ErrorText;   // why a failed file failed; empty on success
};

struct ReportColumn {
    std::string Caption;
    int Width = 0;
};

class BatchView {
public:
    virtual ~BatchView() = default;
    virtual bool AskQuestion(const std::string& text) = 0;
    virtual void ShowInformation(const std::string& text) = 0;
    virtual void HideParamsWindow() = 0;
    virtual void ClearReportRows() = 0;
    virtual void ClearReportColumns() = 0;
    virtual void AddReportColumn(const ReportColumn& column) = 0;
    virtual void AddReportRow(const ReportRow& row) = 0;
    virtual void RepaintReport() = 0;
    virtual void ShowReport() = 0;
    virtual void ProcessPendingEvents() = 0;
    // Called about every kWaitTickMs while the batch waits for the next file to finish: the place
    // to keep the windows painting (their report, their progress, the pulsing main window) without
    // taking user input, e.g. QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents).
    virtual void WaitTick() {}
    // Called after each row with the number of files done and the total, for a progress display.
    virtual void ReportProgress(int done, int total) { (void)done; (void)total; }
    // Called once every picture of the batch is gone (after the operation's clean-up, before the
    // final message): the windows give the memory back to the system here, since a program that
    // keeps pictures' memory for reuse would otherwise hold the batch's peak while it waits.
    virtual void PicturesReleased() {}
    // Whether to ask the question at all (the headless command does not ask).
    virtual bool AsksQuestion() const { return true; }
    // A notice about the whole batch before any file (in the windows: caption "Stampwise", OK).
    virtual void ShowNotice(const std::string& text) { ShowInformation(text); }
    // Whether the user asked to stop the batch: the files under way finish and get their rows, no
    // other file starts. Asked before each file starts, from the worker threads too: the one call
    // of a BatchView that must be safe from any thread.
    virtual bool StopRequested() const { return false; }
};

// What an operation puts into the runner.
struct BatchOperation {
    OperationTexts Texts;          // what the question, the report and the messages say
    std::string OperationPhrase;   // resize: by its rule; watermark: empty
    TransformStep Step;
    // Before the first file, after the report is shown. A throw ends the batch before any file,
    // with the error's text in the information dialog; nothing is written.
    std::function<void()> Prepare;
    // After the last file, before the final message (also when Prepare threw).
    std::function<void()> CleanUp;
    // The memory the step takes at most for a source file (EstimateFileMemory with the step's
    // work); unset: as a picture decoded whole.
    std::function<std::uint64_t(const std::string& sourcePath)> EstimateMemory;
};

inline constexpr int kWaitTickMs = 40;

// The number of cores (at least 1): how many files a batch processes at once unless told otherwise.
int DefaultJobCount();

class ResultFileOps;

struct BatchInputs {
    std::string SourceFolder;  // the folder window's selected folder
    TargetTexts Targets;
    int Jobs = DefaultJobCount();  // files processed at once; below 1 counts as 1
    // Bytes the pictures of the files running at once may take, by the operation's estimate; 0
    // means the memory available when the batch starts (AvailableMemoryBytes).
    std::uint64_t MemoryBudget = 0;
    // Asked on the calling thread after every row and about every kWaitTickMs while the batch
    // waits: once it says yes, no further file starts; the files started finish and get their
    // rows, and the batch ends with StoppedMessage. The windows' stop button and the command's
    // signals both come in here.
    std::function<bool()> StopRequested;
    // The file operations of the saves; the system's when null (tests record or refuse them).
    ResultFileOps* FileOps = nullptr;
    // Where the memory available is read, also when a file too large for the budget gets its turn
    // alone: it fails unread when its estimate exceeds what is available then.
    MemorySources Memory;
    // The entries of job.SourceFiles this run processes and reports, [ProcessFirst, ProcessLast)
    // (clamped to the list), e.g. one shard of a list that several runs share. The other entries
    // are planned with them all the same: no result replaces any listed source, and an output
    // path shared with an earlier entry outside the range is left to that entry.
    std::size_t ProcessFirst = 0;
    std::size_t ProcessLast = std::numeric_limits<std::size_t>::max();
};

// Besides the jobs' files, how many files may wait for the disk at once (their results written,
// being flushed and renamed): those hold no picture, only an open file each.
int FilesWaitingForTheDisk(int jobs);

struct BatchSummary {
    bool Confirmed = false;
    int Total = 0;
    int Failed = 0;
    // No file was processed: the operation could not be prepared, or the target folder cannot
    // take files.
    bool PrepareFailed = false;
    bool Stopped = false;  // stopped on request before every file had started
    int Done = 0;          // files with a row (the first ones of the list)
    std::string FinalMessage;
};

inline constexpr const char* kCannotSaveToFolderText = "Нельзя сохранить файлы в каталог ";

// Whether files can be written into folder: it exists, is a folder, and this process may create
// files in it (the file system not read-only).
bool CanTakeFiles(const std::string& folder);

// What one file's work gives: its report row, and the subfolder message to show before that row
// (empty when there is none; the batch shows each folder's message once).
struct FileOutcome {
    ReportRow Row;
    std::string FolderMessage;
};

// The whole work of one file: step, output path (making the subfolder), the refusal of a result
// that would replace its own source, and the save (flushed to the disk, folder included; a file
// at the output path is replaced only when it has exactly that name). Every
// failure ends up in the row, never in an exception. Touches nothing but the file system, so
// several files may run at once; the pictures made for the file are gone when it returns.
FileOutcome ProcessOneFile(const std::string& sourcePath, const std::string& targetMode,
                           const TargetTexts& targets, const TransformStep& step);

// Asks the question (source + operation + target phrase); on anything but Yes returns with nothing
// changed. In the "folder" mode a target folder that cannot take files is then said once, in a
// notice, and nothing else happens (job.SourceFiles is kept). Otherwise hides the parameters
// window, fills the report one row per file of job.SourceFiles in inputs' range, shows the final
// message and empties job.SourceFiles. A subfolder that cannot be made is said once per folder,
// before the first row of its files.
//
// A stop requested by the view (StopRequested) lets the files under way finish; the files not
// started get no row, and the final message says how many of all were processed.
//
// Up to inputs.Jobs files are processed at once, nor more than the memory budget holds by their
// estimates, so memory stays bounded by the files' pictures; once a file's result is written, it
// waits for the disk (the flush, then the rename) without holding a job, and never more files are
// started beyond the next row to add than the jobs and those waiting for the disk. A file whose
// estimate exceeds the budget runs alone, and fails unread (with kNoMemoryText) when it exceeds
// what is available even then, without counting resource limits (beyond those an allocation fails
// cleanly, so the file is tried). Each row is added as soon as its file and every earlier one are
// done, after the file's subfolder message. Every result is on the disk before its rename, and
// each result folder is flushed once after its last rename.
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

// The question: source phrase + operation phrase + target phrase.
std::string BuildConfirmationText(const OperationTexts& texts, const std::string& sourceKind,
                                  const std::string& sourceFolder, int fileCount,
                                  const std::string& operationPhrase,
                                  const std::string& targetMode, const TargetTexts& targets);

// The five report columns of an operation.
std::vector<ReportColumn> ReportColumns(const OperationTexts& texts);


// The final message: the operation's success text when nothing failed (or there were no files),
// else the count of failures.
std::string FinalMessage(const OperationTexts& texts, int failed, int total);
// The final message of a stopped batch: "Обработка остановлена: обработано K из N."
std::string StoppedMessage(int done, int total);

}  // namespace stampwise
