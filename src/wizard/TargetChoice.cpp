#include "wizard/TargetChoice.h"

#include "job/JobState.h"
#include "resize/ResizeTexts.h"
#include "watermark/WatermarkTexts.h"

namespace stampwise {

std::optional<NameDefaults> DefaultNamesFor(const std::string& operation) {
    // The wizard's operations; a new one adds its texts here.
    for (const OperationTexts* texts : {&ResizeTexts(), &WatermarkTexts()}) {
        if (texts->Keyword == operation) return texts->Names;
    }
    return std::nullopt;
}

TargetFieldStates FieldStatesFor(const std::string& targetMode) {
    TargetFieldStates states;
    states.TargetFolder = targetMode == keyword::kFolder;
    states.Subfolder = targetMode == keyword::kSubfolder;
    states.Prefix = targetMode == keyword::kPrefix;
    states.Suffix = targetMode == keyword::kSuffix;
    return states;
}

std::string SelectedTargetMode(bool folder, bool subfolder, bool prefix, bool suffix) {
    if (folder) return keyword::kFolder;
    if (subfolder) return keyword::kSubfolder;
    if (prefix) return keyword::kPrefix;
    if (suffix) return keyword::kSuffix;
    return std::string();
}

bool IsSourceFolderChosen(const std::string& sourceKind, const std::string& sourceFolder,
                          const std::string& chosenFolder) {
    return sourceKind == keyword::kFolder && sourceFolder == chosenFolder;
}

}  // namespace stampwise
