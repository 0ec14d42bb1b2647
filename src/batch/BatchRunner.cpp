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
#include <exception>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <unordered_map>
#include <utility>

#include "batch/OutputNaming.h"

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

namespace {

constexpr const char* kUnknownErrorText = "Неизвестная ошибка";

// The work of one file; awaitSaveTurn, when given, is called once the output path is known and
// before anything is written there, and may throw to fail the file.
FileOutcome ProcessFile(const std::string& sourcePath, const std::string& targetMode,
                        const TargetTexts& targets, const TransformStep& step,
                        const std::function<void()>& awaitSaveTurn) {
    FileOutcome result;
    ReportRow& row = result.Row;
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

        outputPath = BuildOutputPath(sourcePath, targetMode, targets, &result.FolderMessage);
        if (!result.FolderMessage.empty()) throw std::runtime_error(result.FolderMessage);
        if (outputPath.empty()) {
            throw std::runtime_error("Неизвестный способ сохранения результатов: " + targetMode);
        }
        if (awaitSaveTurn) awaitSaveTurn();
        if (IsSameFile(sourcePath, outputPath)) throw std::runtime_error(kSameFileErrorText);
        // WriteToFile replaces an existing file only once the new one is complete, so a failed
        // save leaves an earlier result where it was. The folder is flushed by the caller, once
        // after its last result (SyncResultFolders).
        outcome.Picture.WriteToFile(outputPath, FolderSync::Later);
        row.ImageIndex = kReportImageOk;
        row.Result = kReportOk;
    } catch (const std::exception& e) {
        row.ImageIndex = kReportImageError;
        row.Result = kReportError;
        row.ErrorText = e.what();
    } catch (...) {
        row.ImageIndex = kReportImageError;
        row.Result = kReportError;
        row.ErrorText = kUnknownErrorText;
    }
    row.SourceSize = FormatSize(sourceSize);
    row.OutputPath = outputPath;
    row.NewSize = FormatSize(newSize);
    return result;
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

// Which earlier files a file must wait for so that, running beside others, it reads and writes
// exactly what it would one file at a time.
struct FileTurn {
    // Its source is the result of this earlier file (the latest such), which must be done before
    // the source is read; -1 when there is none.
    int StartAfter = -1;
    // Earlier files that must be done before its result is written: the latest earlier file with
    // the same result (which in turn waited for the ones before it), and the files since then
    // whose source is that result.
    std::vector<int> SaveAfter;
};

std::vector<FileTurn> PlanFileTurns(const std::vector<std::string>& files,
                                    const std::string& targetMode, const TargetTexts& targets) {
    std::vector<FileTurn> turns(files.size());
    std::unordered_map<std::string, int> lastWriter;
    std::unordered_map<std::string, std::vector<int>> readersSinceWriter;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const int index = static_cast<int>(i);
        const std::string sourceKey = FileKey(files[i]);
        const std::string planned = PlannedOutputPath(files[i], targetMode, targets);
        const std::string outputKey = planned.empty() ? std::string() : FileKey(planned);

        if (const auto w = lastWriter.find(sourceKey); w != lastWriter.end()) {
            turns[i].StartAfter = w->second;
        }
        if (!outputKey.empty()) {
            if (const auto w = lastWriter.find(outputKey); w != lastWriter.end()) {
                turns[i].SaveAfter.push_back(w->second);
            }
            if (const auto r = readersSinceWriter.find(outputKey); r != readersSinceWriter.end()) {
                turns[i].SaveAfter.insert(turns[i].SaveAfter.end(), r->second.begin(), r->second.end());
            }
        }

        readersSinceWriter[sourceKey].push_back(index);
        // A result over its own source is refused before it is written, so it is no writer.
        if (!outputKey.empty() && outputKey != sourceKey) {
            lastWriter[outputKey] = index;
            readersSinceWriter.erase(outputKey);
        }
    }
    return turns;
}

// The files of one batch on worker threads, handed back to the calling thread in SourceFiles
// order. Everything the threads share is here, under one mutex.
class ParallelFiles {
public:
    ParallelFiles(const std::vector<std::string>& files, const std::string& targetMode,
                  const TargetTexts& targets, const TransformStep& step, int jobs)
        : files_(files),
          targetMode_(targetMode),
          targets_(targets),
          step_(step),
          jobs_(std::max(1, jobs)),
          turns_(PlanFileTurns(files, targetMode, targets)),
          outcomes_(files.size()),
          isDone_(files.size(), false) {}

    ParallelFiles(const ParallelFiles&) = delete;
    ParallelFiles& operator=(const ParallelFiles&) = delete;

    // Stops handing out files and waits for the files under way: also when the view threw.
    ~ParallelFiles() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            isStopping_ = true;
        }
        changed_.notify_all();
        for (std::thread& worker : workers_) worker.join();
    }

    // Starts the workers; false when not even one thread could be had.
    bool Start() {
        const int wanted = std::min<int>(jobs_, static_cast<int>(files_.size()));
        for (int i = 0; i < wanted; ++i) {
            try {
                workers_.emplace_back([this] { Work(); });
            } catch (const std::system_error&) {
                break;  // fewer threads only make the batch slower
            }
        }
        return !workers_.empty();
    }

    // The outcome of file index, waiting for it with view.WaitTick() about every tick.
    FileOutcome Take(int index, BatchView& view) {
        std::unique_lock<std::mutex> lock(mutex_);
        const auto isReady = [&] { return outcomes_[index].has_value(); };
        while (!changed_.wait_for(lock, std::chrono::milliseconds(kWaitTickMs), isReady)) {
            lock.unlock();
            view.WaitTick();
            lock.lock();
        }
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
        changed_.notify_all();
    }

private:
    struct Stopped {};

    void Work() {
        for (;;) {
            int index = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                // Not more than jobs_ files beyond the next row: the rows in between are waiting
                // for a slow file, and running further ahead would only pile up finished work.
                changed_.wait(lock, [&] {
                    return isStopping_ || nextFile_ >= Count() || nextFile_ <= rowsShown_ + jobs_;
                });
                if (isStopping_ || nextFile_ >= Count()) return;
                index = nextFile_++;
            }
            FileOutcome outcome;
            try {
                WaitUntilDone({turns_[index].StartAfter});
                outcome = ProcessFile(files_[index], targetMode_, targets_, step_,
                                      [&] { WaitUntilDone(turns_[index].SaveAfter); });
            } catch (const Stopped&) {
                return;
            } catch (...) {
                // Only the coordination itself can get here; the file must still get its row, or
                // the calling thread would wait for it for ever.
                outcome.Row.Caption = files_[index];
                outcome.Row.ImageIndex = kReportImageError;
                outcome.Row.Result = kReportError;
                outcome.Row.ErrorText = kUnknownErrorText;
                outcome.Row.SourceSize = FormatSize({});
                outcome.Row.NewSize = FormatSize({});
            }
            {
                const std::lock_guard<std::mutex> lock(mutex_);
                outcomes_[index] = std::move(outcome);
                isDone_[index] = true;
            }
            changed_.notify_all();
        }
    }

    // Every file waited for has a smaller index, and files are handed out in index order, so the
    // earliest unfinished file never waits and the batch always moves on.
    void WaitUntilDone(const std::vector<int>& earlier) {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [&] {
            if (isStopping_) return true;
            return std::all_of(earlier.begin(), earlier.end(),
                               [&](int j) { return j < 0 || isDone_[j]; });
        });
        // The batch is being left (the view threw): the file is abandoned unwritten. Before the
        // save, ProcessFile's guard turns this into a row that nobody takes any more.
        if (isStopping_) throw Stopped{};
    }

    int Count() const { return static_cast<int>(files_.size()); }

    const std::vector<std::string>& files_;
    const std::string& targetMode_;
    const TargetTexts& targets_;
    const TransformStep& step_;
    const int jobs_;
    const std::vector<FileTurn> turns_;

    std::mutex mutex_;
    std::condition_variable changed_;  // a file is done, a row is shown, or the batch stops
    int nextFile_ = 0;
    int rowsShown_ = 0;
    bool isStopping_ = false;
    std::vector<std::optional<FileOutcome>> outcomes_;
    std::vector<bool> isDone_;

    std::vector<std::thread> workers_;  // last: joined before the state above goes
};

}  // namespace

FileOutcome ProcessOneFile(const std::string& sourcePath, const std::string& targetMode,
                           const TargetTexts& targets, const TransformStep& step) {
    FileOutcome outcome = ProcessFile(sourcePath, targetMode, targets, step, {});
    if (outcome.Row.ImageIndex == kReportImageOk) SyncResultFolders({outcome.Row.OutputPath});
    return outcome;
}

BatchSummary RunBatch(JobState& job, const BatchInputs& inputs, const BatchOperation& operation,
                      BatchView& view) {
    BatchSummary summary;
    // The inputs are taken now: a dialog's nested event loop may let the user touch the job state,
    // and this batch must go on with what was confirmed.
    const std::vector<std::string> files = job.SourceFiles;
    const std::string targetMode = job.TargetMode;
    const TargetTexts targets = inputs.Targets;
    const int count = static_cast<int>(files.size());

    if (view.AsksQuestion()) {
        const std::string question =
            BuildConfirmationText(operation.Texts, job.SourceKind, inputs.SourceFolder, count,
                                  operation.OperationPhrase, targetMode, targets);
        if (!view.AskQuestion(question)) return summary;
    }
    summary.Confirmed = true;
    summary.Total = count;

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
    const auto showFile = [&](int i, const FileOutcome& outcome) {
        if (!outcome.FolderMessage.empty()) view.ShowInformation(outcome.FolderMessage);
        if (outcome.Row.ImageIndex != kReportImageOk) ++summary.Failed;
        if (outcome.Row.ImageIndex == kReportImageOk) written.push_back(outcome.Row.OutputPath);
        view.AddReportRow(outcome.Row);
        view.RepaintReport();
        view.ReportProgress(i + 1, count);
    };

    if (!prepareError.empty()) {
        // Nothing was processed: every file counts as failed, and the one message says why.
        summary.Failed = count;
        summary.PrepareFailed = true;
    } else if (count > 0) {
        // The workers start after Prepare and are joined before CleanUp, so what Prepare made is
        // complete before any step reads it and no step still reads it when it goes.
        ParallelFiles parallel(files, targetMode, targets, operation.Step, inputs.Jobs);
        if (parallel.Start()) {
            for (int i = 0; i < count; ++i) {
                showFile(i, parallel.Take(i, view));
                parallel.RowShown(i);
            }
        } else {
            for (int i = 0; i < count; ++i) {
                showFile(i, ProcessFile(files[i], targetMode, targets, operation.Step, {}));
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

    summary.FinalMessage =
        prepareError.empty() ? FinalMessage(operation.Texts, summary.Failed, count) : prepareError;
    view.ShowInformation(summary.FinalMessage);
    job.SourceFiles.clear();
    return summary;
}

}  // namespace stampwise
