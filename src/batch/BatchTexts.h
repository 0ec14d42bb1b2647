// What a batch says, whatever the operation: a picture's size as the report writes it, the words
// of a report row, the confirmation question, the report's columns and the final messages. The
// operation's own phrases come in as OperationTexts; why a single file failed is FailureReasons'.
#pragma once

#include <string>
#include <vector>

#include "batch/OperationTexts.h"

namespace stampwise {

struct PictureSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const PictureSize&, const PictureSize&) = default;
};
// "1600x1200"
std::string FormatSize(const PictureSize& size);

inline constexpr const char* kReportOk = "Успешно";
inline constexpr const char* kReportError = "Ошибка!";
// The reason of a failure that says nothing of itself.
inline constexpr const char* kUnknownErrorText = "Неизвестная ошибка";
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
