#include "wizard/FileListRules.h"

#include "wizard/PictureTest.h"

namespace stampwise {

ShellClickAction ShellListClickAction(bool hasSelection, const std::string& path) {
    if (!hasSelection) return ShellClickAction::ClearPreview;
    if (path.empty() || !IsAcceptedPicture(path)) return ShellClickAction::Ignore;
    return ShellClickAction::LoadPreview;
}

bool CanAddToList(const std::string& path) { return !path.empty() && IsAcceptedPicture(path); }

}  // namespace stampwise
