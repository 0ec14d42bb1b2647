// Where a result goes: the output path of a source file for each target mode, and the subfolder
// that the "subfolder" mode makes beside the source.
#pragma once

#include <string>

#include "batch/BatchRunner.h"

namespace stampwise {

inline constexpr const char* kCannotCreateFolderText = "Невозможно создать каталог ";
// The error of a file whose result would have replaced the file itself.
inline constexpr const char* kSameFileErrorText =
    "Результат заменил бы исходный файл: выберите другую папку, подкаталог, префикс или суффикс";

// The output path of source for targetMode ("folder", "subfolder", "prefix", "suffix"), with "/"
// as the separator. In the "subfolder" mode the subfolder is made when missing (one level); when
// that fails, *folderError receives "Невозможно создать каталог " + D (the save will then fail).
std::string BuildOutputPath(const std::string& source, const std::string& targetMode,
                            const TargetTexts& targets, std::string* folderError);

// The path BuildOutputPath gives, without making any folder: for planning a batch before it runs.
std::string PlannedOutputPath(const std::string& source, const std::string& targetMode,
                              const TargetTexts& targets);

// One spelling per file: links, "." and ".." resolved as far as the path exists. Two files of a
// batch whose keys are equal are the same file to the runner. (Hard links are not seen; they would
// need the file to exist, and a result usually does not yet.)
std::string FileKey(const std::string& path);

// True when output names the same file as source: the same file when both exist, else the same
// normalised absolute path. A result must never replace its own source.
bool IsSameFile(const std::string& source, const std::string& output);

}  // namespace stampwise
