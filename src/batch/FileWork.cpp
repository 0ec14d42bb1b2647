#include "batch/FileWork.h"

#include <exception>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "batch/FailureReasons.h"
#include "batch/OutputNaming.h"
#include "imaging/ImageErrors.h"
#include "platform/FileOperations.h"

namespace stampwise {

void MarkFailed(ReportRow& row, const std::string& text) {
    row.ImageIndex = kReportImageError;
    row.Result = kReportError;
    row.ErrorText = text.empty() ? kUnknownErrorText : text;
}

PreparedFile PrepareFile(const SourceFile& source, const std::string& outputPath,
                         const std::string& targetMode, const TransformStep& step,
                         ResultFileOps& ops, const SaveTurn& awaitSaveTurn,
                         PathSpellings& spellings, bool keepTimes) {
    PreparedFile prepared;
    ReportRow& row = prepared.Outcome.Row;
    const std::string& sourcePath = source.Path;
    row.Caption = sourcePath;
    // Fresh working values for every file, so a failed row never shows another file's sizes.
    PictureSize sourceSize;
    PictureSize newSize;
    std::string shownOutput;
    try {
        StepOutcome outcome;
        try {
            if (!step) throw std::logic_error("Операция не задана");
            step(source, outcome);
        } catch (...) {
            sourceSize = outcome.SourceSize;
            newSize = outcome.NewSize;
            throw;
        }
        sourceSize = outcome.SourceSize;
        newSize = outcome.NewSize;

        shownOutput = outputPath;
        std::string& folderMessage = prepared.Outcome.FolderMessage;
        folderMessage = MakeOutputFolder(outputPath, targetMode);
        if (!folderMessage.empty()) throw std::runtime_error(folderMessage);
        if (outputPath.empty()) {
            throw std::runtime_error("Неизвестный способ сохранения результатов: " + targetMode);
        }
        const std::optional<FileStamp> replaces = awaitSaveTurn();
        // A result that may not replace anything cannot replace its source either; only a path
        // that held a file at planning is worth asking again (a walk over every level of it).
        if (replaces && IsSameFile(sourcePath, outputPath, spellings)) {
            throw std::runtime_error(kSameFileErrorText);
        }
        // A zero-length result would read back as no picture at all; refuse it as a failed save.
        if (outcome.Bytes.empty()) throw EFCreateError(outputPath, "The picture is empty");
        prepared.Pending = WriteTemporaryResult(ops, outputPath, outcome.Bytes.data(),
                                                outcome.Bytes.size(), replaces);
        if (keepTimes) {
            if (const int error = TakeModificationTime(prepared.Pending->Fd, sourcePath); error != 0) {
                DiscardResult(ops, *prepared.Pending);
                prepared.Pending.reset();
                throw EFCreateError(outputPath, error);
            }
        }
    } catch (const std::exception& e) {
        MarkFailed(row, FailureReason(e));
    } catch (...) {
        MarkFailed(row, kUnknownErrorText);
    }
    row.SourceSize = FormatSize(sourceSize);
    row.OutputPath = shownOutput;
    row.NewSize = FormatSize(newSize);
    return prepared;
}

FileOutcome FinishFile(PreparedFile& prepared, ResultFileOps& ops) {
    ReportRow& row = prepared.Outcome.Row;
    if (prepared.Pending) {
        try {
            PutResultInPlace(ops, *prepared.Pending);
            prepared.Outcome.Written = prepared.Pending->Landed;
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

void SyncResultFolders(const std::vector<std::string>& writtenPaths) {
    std::set<std::string> folders;
    for (const std::string& path : writtenPaths) {
        const std::filesystem::path parent = std::filesystem::path(path).parent_path();
        folders.insert(parent.empty() ? std::string(".") : parent.string());
    }
    for (const std::string& folder : folders) SyncFolder(folder);
}

}  // namespace stampwise
