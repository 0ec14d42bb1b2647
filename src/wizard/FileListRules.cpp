#include "wizard/FileListRules.h"

#include "wizard/PictureTest.h"

namespace stampwise {

std::string OpenErrorText(const std::string& path) {
    return std::string("Ошибка при открытии файла ") + "\n\r" + path;
}

ShellClickAction ShellListClickAction(bool hasSelection, const std::string& path) {
    if (!hasSelection) return ShellClickAction::ClearPreview;
    if (path.empty() || !IsAcceptedPicture(path)) return ShellClickAction::Ignore;
    return ShellClickAction::LoadPreview;
}

bool CanAddToList(const std::string& path) { return !path.empty() && IsAcceptedPicture(path); }

}  // namespace stampwise
