#include "batch/BatchTexts.h"

namespace stampwise {

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

}  // namespace stampwise
