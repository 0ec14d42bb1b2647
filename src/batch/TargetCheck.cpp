#include "batch/TargetCheck.h"

#include <cerrno>
#include <set>
#include <system_error>

#include "batch/OutputNaming.h"
#include "job/JobState.h"
#include "platform/FileOperations.h"

namespace stampwise {

namespace {

// A source path's folder part as the output naming joins it (up to and including its last "/",
// or empty for a bare name), and the folder that names.
struct SourceFolder {
    std::string Part;
    std::string Folder;
};

SourceFolder FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return {"", "."};
    return {path.substr(0, slash + 1), slash == 0 ? "/" : path.substr(0, slash)};
}

}  // namespace

std::string FolderRefusalReason(int errorNumber) {
    switch (errorNumber) {
    case ENOENT: return "нет такого каталога";
    case ENOTDIR: return "это файл, а не каталог";
    case EACCES:
    case EPERM: return "нет прав на запись";
    case EROFS: return "файловая система только для чтения";
    default: return std::generic_category().message(errorNumber);
    }
}

std::vector<std::string> TargetRefusals(const std::string& targetMode, const TargetTexts& targets,
                                        const std::vector<std::string>& sources,
                                        const FolderAccessProbe& probe) {
    const FolderAccessProbe access = probe ? probe : FolderAccessProbe(FolderWriteAccess);
    std::vector<std::string> refusals;
    const auto refuse = [&](const char* head, const std::string& folder, int error) {
        refusals.push_back(head + folder + ": " + FolderRefusalReason(error));
    };
    if (targetMode == keyword::kFolder) {
        if (const int error = access(targets.Folder); error != 0) {
            refuse(kCannotSaveToFolderText, targets.Folder, error);
        }
        return refusals;
    }
    const bool isBeside = targetMode == keyword::kPrefix || targetMode == keyword::kSuffix;
    if (!isBeside && targetMode != keyword::kSubfolder) return refusals;
    std::set<std::string> asked;
    for (const std::string& source : sources) {
        const SourceFolder parts = FolderOf(source);
        const std::string& folder = parts.Folder;
        if (!asked.insert(folder).second) continue;
        const int error = access(folder);
        if (isBeside) {
            if (error != 0) refuse(kCannotSaveToFolderText, folder, error);
            continue;
        }
        // The subfolder as the saves will name it: the source's folder part and the text as typed.
        const std::string subfolder = parts.Part + targets.Subfolder;
        const int subfolderError = access(subfolder);
        if (subfolderError == ENOENT) {
            if (error != 0) refuse(kCannotCreateFolderText, subfolder, error);
        } else if (subfolderError != 0) {
            refuse(kCannotSaveToFolderText, subfolder, subfolderError);
        }
    }
    return refusals;
}

std::string TargetRefusal(const std::string& targetMode, const TargetTexts& targets) {
    if (targetMode != keyword::kFolder) return "";
    const std::vector<std::string> refusals = TargetRefusals(targetMode, targets, {});
    return refusals.empty() ? "" : refusals.front();
}

}  // namespace stampwise
