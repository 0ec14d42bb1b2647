// What the file list window does with a click in the shell list and with its add button, decided
// from the clicked path alone. Loading the picture and the widgets stay in SelectFilesUnit.
#pragma once

#include <string>

#include "batch/FailureReasons.h"  // OpenErrorText: the information dialog of a failed preview

namespace stampwise {

inline constexpr const char* kUnsupportedFormatText =
    "Работа с файлами этого формата не поддерживается!";
inline constexpr const char* kUnsupportedWarningText = "Этот формат файлов не поддерживается!";

enum class ShellClickAction {
    ClearPreview,  // nothing selected: empty the preview, show the warning, disable adding
    Ignore,        // no path, or not a picture: the preview and both states stay as they are
    LoadPreview,   // load the path; adding follows the outcome and the warning goes
};
ShellClickAction ShellListClickAction(bool hasSelection, const std::string& path);

// Whether the add button may put path into the list; otherwise the notice
// kUnsupportedFormatText is shown. Equal entries are allowed: the list is not searched.
bool CanAddToList(const std::string& path);

}  // namespace stampwise
