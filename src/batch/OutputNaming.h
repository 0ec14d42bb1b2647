// Where a result goes: the output path of a source file for each target mode, and the subfolder
// that the "subfolder" mode makes beside the source.
#pragma once

#include <string>

#include "batch/OperationTexts.h"
#include "platform/PathSpellings.h"

namespace stampwise {

inline constexpr const char* kCannotCreateFolderText = "Невозможно создать каталог ";
// The error of a file whose result would have replaced the file itself.
inline constexpr const char* kSameFileErrorText =
    "Результат заменил бы исходный файл: выберите другую папку, подкаталог, префикс или суффикс";
// The error of a file whose result would have replaced another source file of the batch (whose
// path follows), which would then be lost or read as a result.
inline constexpr const char* kOtherSourceErrorText =
    "Результат заменил бы другой исходный файл этого пакета: ";
// The error of a file whose result has the path of a result already written in this batch for
// another source file (whose path follows): the first file in the list keeps it.
inline constexpr const char* kTakenOutputErrorText =
    "Под этим именем уже записан результат файла ";
// The error of a file whose result has the path of the result of an earlier listed source file
// that another run processes (whose path follows): the first file in the list keeps it.
inline constexpr const char* kEarlierOutputErrorText =
    "Это имя оставлено за результатом файла, который стоит в списке раньше: ";

// The output path of source for targetMode ("folder", "subfolder", "prefix", "suffix"), with "/"
// as the separator; empty for any other mode. Makes no folder: the plan of a batch works it out
// once for each file before the first one starts.
std::string PlannedOutputPath(const std::string& source, const std::string& targetMode,
                              const TargetTexts& targets);

// In the "subfolder" mode, makes the folder of outputPath (a planned path) when it is missing, one
// level only; empty when it is there now, else "Невозможно создать каталог " + the folder (the save
// will then fail). Other modes make nothing.
std::string MakeOutputFolder(const std::string& outputPath, const std::string& targetMode);

// True when output names the same file as source: the same file when both exist (on a disk that
// does not tell letter case apart, the same stored spelling), else the same normalised absolute
// path. A result must never replace its own source.
bool IsSameFile(const std::string& source, const std::string& output, PathSpellings& spellings);

// The same decision as a key, for comparing one path with many: two paths name the same file
// exactly when their keys are equal. The file system's identity (device and inode) of a file that
// exists, else its spelling key (PathSpellings); also for a file that exists where some folder on
// the way does not tell case apart, since the disk's inode numbers may then differ per spelling.
// Taken now: a file made later changes its key.
std::string FileIdentity(const std::string& path, PathSpellings& spellings);

}  // namespace stampwise
