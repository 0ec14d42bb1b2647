#include "resize/ResizeTexts.h"

#include <string>

#include "job/JobState.h"

namespace stampwise {
namespace {

std::string SourcePhrase(const std::string& sourceKind, const std::string& folder, int fileCount) {
    const std::string n = std::to_string(fileCount);
    std::string phrase;
    if (sourceKind == keyword::kFolder) {
        phrase = "Вы действительно хотите преобразовать картинки \n\rв папке [" + folder +
                 "] с расширением jpg (всего " + n + ")," + kQuestionBreak;
    }
    if (sourceKind == keyword::kFiles) {
        phrase = "Вы действительно хотите преобразовать выбранные " + n + " файла(ов)," + kQuestionBreak;
    }
    return phrase;
}

// Each begins with a space: the operation phrase before it ends in "," or "%" and needs the gap.
std::string TargetPhrase(const std::string& targetMode, const TargetTexts& t) {
    std::string phrase;
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
    return phrase;
}

}  // namespace

const OperationTexts& ResizeTexts() {
    static const OperationTexts texts{
        keyword::kResize,
        SourcePhrase,
        TargetPhrase,
        "Преобразованный файл",
        kResizeDoneText,
        "Размеры изменены не у всех картинок: ",
        NameDefaults{"resized_", "_resized", "Resized"},
    };
    return texts;
}

}  // namespace stampwise
