#include "batch/BatchRunner.h"

#include <algorithm>
#include <exception>
#include <set>
#include <utility>
#include <vector>

#include "batch/OutputClaims.h"

namespace stampwise {

BatchSummary RunBatch(JobState& job, const BatchInputs& inputs, const BatchOperation& operation,
                      BatchView& view) {
    BatchSummary summary;
    // The inputs are taken now: a view's nested event loop may let the user touch the job state,
    // and this batch must go on with what it started with.
    const std::vector<std::string> listed = job.SourceFiles;
    const std::size_t first = std::min(inputs.ProcessFirst, listed.size());
    const std::size_t last = std::clamp(inputs.ProcessLast, first, listed.size());
    const std::vector<std::string> files(listed.begin() + static_cast<std::ptrdiff_t>(first),
                                         listed.begin() + static_cast<std::ptrdiff_t>(last));
    const std::string targetMode = job.TargetMode;
    const TargetTexts targets = inputs.Targets;
    const int count = static_cast<int>(files.size());
    summary.Total = count;

    // Every file would fail on it, one by one: said once, before anything is written, and the job
    // stays for another try.
    if (std::string refusal = TargetRefusal(targetMode, targets); !refusal.empty()) {
        summary.PrepareFailed = true;
        summary.Failed = count;
        summary.FinalMessage = std::move(refusal);
        return summary;
    }

    view.ShowProgress(0, count);
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
    if (!prepareError.empty()) {
        // Nothing was processed: every file counts as failed, and the one message says why.
        summary.Failed = count;
        summary.PrepareFailed = true;
    } else if (count > 0) {
        // A folder that cannot be made fails every file of it alike: one message per folder, so a
        // read-only card of hundreds of photos is not hundreds of dialogs. The message names it.
        std::set<std::string> foldersSaid;
        const auto showFile = [&](int i, const FileOutcome& outcome) {
            const bool isNewFolder = !outcome.FolderMessage.empty() &&
                                     foldersSaid.insert(outcome.FolderMessage).second;
            if (outcome.Row.ImageIndex != kReportImageOk) ++summary.Failed;
            if (outcome.Row.ImageIndex == kReportImageOk) written.push_back(outcome.Row.OutputPath);
            view.AddRow(outcome.Row, isNewFolder ? outcome.FolderMessage : std::string());
            view.ShowProgress(i + 1, count);
            summary.Done = i + 1;
        };
        // The workers start after Prepare and are joined before CleanUp, so what Prepare made is
        // complete before any step reads it and no step still reads it when it goes.
        PathSpellings ownSpellings;
        OutputClaims claims(listed, first, targetMode, targets,
                            inputs.Spellings != nullptr ? *inputs.Spellings : ownSpellings);
        FileScheduler::Work work;
        work.Files = &files;
        work.Claims = &claims;
        work.TargetMode = targetMode;
        work.Step = operation.Step;
        work.EstimateMemory = operation.EstimateMemory;
        work.Jobs = inputs.Jobs;
        work.MemoryBudget = BatchBudget(inputs.MemoryBudget, inputs.Memory, inputs.Jobs, count);
        work.Memory = inputs.Memory;
        work.FileOps = inputs.FileOps != nullptr ? inputs.FileOps : &SystemResultFileOps();
        work.KeepTimes = inputs.KeepTimes;
        FileScheduler scheduler(std::move(work), inputs.Stop);
        summary.Stopped = !scheduler.Run(showFile, [&view] { view.WaitTick(); });
    }
    SyncResultFolders(written);

    // A clean-up that fails only loses memory it held; the files are written and the user is
    // owed the final message all the same.
    try {
        if (operation.CleanUp) operation.CleanUp();
    } catch (...) {
    }

    if (!prepareError.empty()) {
        summary.FinalMessage = prepareError;
    } else if (summary.Stopped) {
        summary.FinalMessage = StoppedMessage(summary.Done, count);
    } else {
        summary.FinalMessage = FinalMessage(operation.Texts, summary.Failed, count);
    }
    job.SourceFiles.clear();
    return summary;
}

}  // namespace stampwise
