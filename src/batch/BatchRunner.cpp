// RunBatch and its texts: the confirmation question, the report columns, the final message, and
// the work of one file (ProcessOneFile).
//
// The runner shows nothing itself; every question, dialog and row goes through the BatchView. It
// knows no operation either: what differs between resize and watermark arrives in BatchOperation.
// Output names live in OutputNaming.cpp.
#include "batch/BatchRunner.h"

#include <exception>
#include <stdexcept>
#include <utility>

#include "batch/OutputNaming.h"

namespace stampwise {

std::string FormatSize(const PictureSize& size) {
    return std::to_string(size.Width) + "x" + std::to_string(size.Height);
}

namespace {

// The question's line break: line feed, then carriage return.
constexpr const char* kBreak = "\n\r";

std::string SourcePhrase(const std::string& operation, const std::string& sourceKind,
                         const std::string& folder, int fileCount) {
    const std::string n = std::to_string(fileCount);
    std::string phrase;
    if (operation == keyword::kResize && sourceKind == keyword::kFolder) {
        phrase = "Вы действительно хотите преобразовать картинки \n\rв папке [" + folder +
                 "] с расширением jpg (всего " + n + ")," + kBreak;
    }
    if (operation == keyword::kResize && sourceKind == keyword::kFiles) {
        phrase = "Вы действительно хотите преобразовать выбранные " + n + " файла(ов)," + kBreak;
    }
    if (operation == keyword::kWatermark && sourceKind == keyword::kFolder) {
        phrase = "Вы действительно хотите поместить логотип на \n\rкартинки в папке [" + folder +
                 "] с расширением jpg (всего " + n + ")" + kBreak;
    }
    if (operation == keyword::kWatermark && sourceKind == keyword::kFiles) {
        phrase = "Вы действительно хотите поместить логотип на \n\rвыбранные картинки (всего " + n +
                 " файла(ов))" + kBreak;
    }
    return phrase;
}

// The resize texts begin with a space, the watermark texts do not: the resize operation phrase
// ends in "," or "%" and needs the gap, the watermark one is empty and follows a line break.
std::string TargetPhrase(const std::string& operation, const std::string& targetMode,
                         const TargetTexts& t) {
    std::string phrase;
    if (operation == keyword::kResize) {
        if (targetMode == keyword::kFolder) phrase = " и сохранить в папку [" + t.Folder + "]?";
        if (targetMode == keyword::kSubfolder) {
            phrase = " и сохранить в подкаталог [" + t.Subfolder + "]?";
        }
        if (targetMode == keyword::kPrefix) {
            phrase = " и сохранить в ту же папку с префиксом " + t.Prefix + "?";
        }
        if (targetMode == keyword::kSuffix) {
            phrase = " и сохранить в ту же папку с суффиксом " + t.Suffix + "?";
        }
    }
    if (operation == keyword::kWatermark) {
        if (targetMode == keyword::kFolder) {
            phrase = "и сохранить результаты в папку \n\r[" + t.Folder + "]?";
        }
        if (targetMode == keyword::kSubfolder) {
            phrase = "и сохранить результаты в подкаталог [" + t.Subfolder + "]?";
        }
        if (targetMode == keyword::kPrefix) {
            phrase = "и сохранить результаты в ту же папку \n\rс добавлением к названиям файлов "
                     "спереди слова " + t.Prefix + "?";
        }
        if (targetMode == keyword::kSuffix) {
            phrase = "и сохранить результаты в ту же папку \n\rс добавлением к названиям файлов "
                     "сзади слова " + t.Suffix + "?";
        }
    }
    return phrase;
}

}  // namespace

std::string BuildConfirmationText(const std::string& operation, const std::string& sourceKind,
                                  const std::string& sourceFolder, int fileCount,
                                  const std::string& operationPhrase,
                                  const std::string& targetMode, const TargetTexts& targets) {
    return SourcePhrase(operation, sourceKind, sourceFolder, fileCount) + operationPhrase +
           TargetPhrase(operation, targetMode, targets);
}

std::vector<ReportColumn> ReportColumns(const std::string& operation) {
    std::string resultCaption;
    if (operation == keyword::kResize) resultCaption = "Преобразованный файл";
    if (operation == keyword::kWatermark) resultCaption = "Обработанный файл";
    return {
        {"Исходный файл", 180}, {"Размер", 60}, {resultCaption, 180}, {"Размер", 60},
        {"Результат", 70},
    };
}

std::string FinalMessage(const std::string& operation, int failed, int total) {
    std::string text;
    if (failed == 0) {
        if (operation == keyword::kResize) text = kResizeDoneText;
        if (operation == keyword::kWatermark) text = kWatermarkDoneText;
        return text;
    }
    // A batch with failures must not claim success.
    const std::string counts =
        "ошибок " + std::to_string(failed) + " из " + std::to_string(total) + ".";
    if (operation == keyword::kResize) text = "Размеры изменены не у всех картинок: " + counts;
    if (operation == keyword::kWatermark) text = "Логотипы нанесены не на все картинки: " + counts;
    return text;
}

FileOutcome ProcessOneFile(const std::string& sourcePath, const std::string& targetMode,
                           const TargetTexts& targets, const TransformStep& step) {
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
        if (IsSameFile(sourcePath, outputPath)) throw std::runtime_error(kSameFileErrorText);
        // WriteToFile replaces an existing file only once the new one is complete, so a failed
        // save leaves an earlier result where it was.
        outcome.Picture.WriteToFile(outputPath);
        row.ImageIndex = kReportImageOk;
        row.Result = kReportOk;
    } catch (const std::exception& e) {
        row.ImageIndex = kReportImageError;
        row.Result = kReportError;
        row.ErrorText = e.what();
    } catch (...) {
        row.ImageIndex = kReportImageError;
        row.Result = kReportError;
        row.ErrorText = "Неизвестная ошибка";
    }
    row.SourceSize = FormatSize(sourceSize);
    row.OutputPath = outputPath;
    row.NewSize = FormatSize(newSize);
    return result;
}

BatchSummary RunBatch(JobState& job, const BatchInputs& inputs, const BatchOperation& operation,
                      BatchView& view) {
    BatchSummary summary;
    // The inputs are taken now: a dialog's nested event loop may let the user touch the job state,
    // and this batch must go on with what was confirmed.
    const std::vector<std::string> files = job.SourceFiles;
    const std::string targetMode = job.TargetMode;
    const int count = static_cast<int>(files.size());

    if (view.AsksQuestion()) {
        const std::string question =
            BuildConfirmationText(operation.Operation, job.SourceKind, inputs.SourceFolder, count,
                                  operation.OperationPhrase, targetMode, inputs.Targets);
        if (!view.AskQuestion(question)) return summary;
    }
    summary.Confirmed = true;
    summary.Total = count;

    view.HideParamsWindow();
    view.ClearReportRows();
    view.ClearReportColumns();
    view.ShowReport();
    for (const ReportColumn& column : ReportColumns(operation.Operation)) {
        view.AddReportColumn(column);
    }
    view.ReportProgress(0, count);
    view.ProcessPendingEvents();

    std::string prepareError;
    try {
        if (operation.Prepare) operation.Prepare();
    } catch (const std::exception& e) {
        prepareError = e.what();
        if (prepareError.empty()) prepareError = "Неизвестная ошибка";
    } catch (...) {
        prepareError = "Неизвестная ошибка";
    }

    if (prepareError.empty()) {
        for (int i = 0; i < count; ++i) {
            const FileOutcome outcome =
                ProcessOneFile(files[i], targetMode, inputs.Targets, operation.Step);
            if (!outcome.FolderMessage.empty()) view.ShowInformation(outcome.FolderMessage);
            if (outcome.Row.ImageIndex != kReportImageOk) ++summary.Failed;
            view.AddReportRow(outcome.Row);
            view.RepaintReport();
            view.ReportProgress(i + 1, count);
        }
    } else {
        // Nothing was processed: every file counts as failed, and the one message says why.
        summary.Failed = count;
    }

    // A clean-up that fails only loses memory it held; the files are written and the user is
    // owed the final message all the same.
    try {
        if (operation.CleanUp) operation.CleanUp();
    } catch (...) {
    }

    summary.FinalMessage =
        prepareError.empty() ? FinalMessage(operation.Operation, summary.Failed, count) : prepareError;
    view.ShowInformation(summary.FinalMessage);
    job.SourceFiles.clear();
    return summary;
}

}  // namespace stampwise
