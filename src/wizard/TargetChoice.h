// The rules of the target window: the name defaults of each operation, which fields each target
// option enables, the keyword of the selected option and the refusal of the source folder as a
// browsed target folder. The window only turns these into widgets (SelectTargetUnit).
//
// Nothing here checks the texts themselves: an empty or unusable name is passed on as typed, and
// the batch refuses a result that would replace its own source (OutputNaming.h).
#pragma once

#include <optional>
#include <string>

#include "batch/OperationTexts.h"

namespace stampwise {

inline constexpr const char* kChooseFolderPrompt = "Выбирите директорию";
inline constexpr const char* kSameFolderText =
    "Нельзя сохранять обработанные файлы в тот же каталог с теми же именами!";

// "resized_", "_resized", "Resized" for "resize"; "marked_", "_marked", "Marked" for "watermark";
// nothing for any other text (the fields then keep what they hold).
std::optional<NameDefaults> DefaultNamesFor(const std::string& operation);

// Which of the window's fields are enabled: each belongs to one option. The subfolder label is not
// here because it stays enabled whatever is selected.
struct TargetFieldStates {
    bool TargetFolder = false;  // edTargetFolder and its browse button
    bool Subfolder = false;
    bool Prefix = false;
    bool Suffix = false;
    friend bool operator==(const TargetFieldStates&, const TargetFieldStates&) = default;
};
TargetFieldStates FieldStatesFor(const std::string& targetMode);

// The keyword of the selected option, the options tested in the order folder, subfolder, prefix,
// suffix; empty when none is selected.
std::string SelectedTargetMode(bool folder, bool subfolder, bool prefix, bool suffix);

// True when a folder chosen in the browse dialog is the job's source folder: only for a folder
// source, and by exact text (letter case counts, separators are not normalised). A file list may
// hold files of any folder, so it is never compared.
bool IsSourceFolderChosen(const std::string& sourceKind, const std::string& sourceFolder,
                          const std::string& chosenFolder);

}  // namespace stampwise
