// Whether the folders a batch writes into can take its results, asked before any file is read: a
// folder that cannot take files fails every one of its files alike, each only after its picture
// was decoded. The answer is one notice per such folder, with why, in words that the windows and
// the command can show alike. Nothing here writes or makes a folder; a folder that changes during
// the batch is still the save's to report (FileWork).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "batch/OperationTexts.h"

namespace stampwise {

// The notice of a target folder that cannot take files, followed by the folder and why.
inline constexpr const char* kCannotSaveToFolderText = "Нельзя сохранить файлы в каталог ";

// Why a folder cannot take files, for FolderWriteAccess's answer: "нет такого каталога",
// "нет прав на запись" and the like; the system's words for a rare cause.
std::string FolderRefusalReason(int errorNumber);

// FolderWriteAccess's answer for a folder; tests put in their own.
using FolderAccessProbe = std::function<int(const std::string& folder)>;

// One notice per folder that cannot take the results of targetMode, in the order of the sources;
// empty when every one can:
// - "folder": the target folder, as typed ("~" is no home folder here): kCannotSaveToFolderText +
//   folder + ": " + why;
// - "prefix", "suffix": each source's own folder, said the same way;
// - "subfolder": each subfolder that is there already, said the same way, and where it is not, the
//   source's folder that is to hold it: kCannotCreateFolderText + subfolder + ": " + why.
std::vector<std::string> TargetRefusals(const std::string& targetMode, const TargetTexts& targets,
                                        const std::vector<std::string>& sources,
                                        const FolderAccessProbe& probe = {});

// The "folder" mode's part of it, which needs no sources: empty when the target folder can take
// files, else its notice.
std::string TargetRefusal(const std::string& targetMode, const TargetTexts& targets);

}  // namespace stampwise
