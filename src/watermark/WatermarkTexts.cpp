#include "watermark/WatermarkTexts.h"

#include <string>

#include "job/JobState.h"

namespace stampwise {
namespace {

std::string SourcePhrase(const std::string& sourceKind, const std::string& folder, int fileCount) {
    const std::string n = std::to_string(fileCount);
    std::string phrase;
    if (sourceKind == keyword::kFolder) {
        phrase = "Вы действительно хотите поместить логотип на \n\rкартинки в папке [" + folder +
                 "] с расширением jpg (всего " + n + ")" + kQuestionBreak;
    }
    if (sourceKind == keyword::kFiles) {
        phrase = "Вы действительно хотите поместить логотип на \n\rвыбранные картинки (всего " + n +
                 " файла(ов))" + kQuestionBreak;
    }
    return phrase;
}

// No leading space: the source phrase before it ends in a line break.
std::string TargetPhrase(const std::string& targetMode, const TargetTexts& t) {
    std::string phrase;
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
    return phrase;
}

}  // namespace

const OperationTexts& WatermarkTexts() {
    static const OperationTexts texts{
        keyword::kWatermark,
        SourcePhrase,
        TargetPhrase,
        "Обработанный файл",
        kWatermarkDoneText,
        "Логотипы нанесены не на все картинки: ",
        NameDefaults{"marked_", "_marked", "Marked"},
    };
    return texts;
}

}  // namespace stampwise
