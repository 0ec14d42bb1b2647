// ReadSourceFiles: rebuilds the job's list of source pictures from the wizard's choice.
#pragma once

#include <string>
#include <system_error>
#include <vector>

#include "job/JobState.h"

namespace stampwise {

inline constexpr const char* kNoJpgInFolderText = "В каталоге нет файлов с расширением jpg!";
inline constexpr const char* kNoFilesChosenText = "Не выбраны файлы для преобразования!";

struct SourceFilesResult {
    bool Ok = false;
    std::string Notice;  // the notice to show when not Ok
};

// With SourceKind "folder": the picture files of folder matching "*.jpg" in any letter case
// (hidden files included, folders never), each as folder + "/" + name, sorted as a file manager
// shows them. With SourceKind "files": the list entries unchanged, duplicates included.
// On success SourceFilesKind and SourceFilesFolder say which source the list came from; on
// failure SourceFiles and they are left exactly as they were. Which branch runs depends on
// SourceKind alone.
SourceFilesResult ReadSourceFiles(JobState& job, const std::string& folder,
                                  const std::vector<std::string>& listEntries);

// The picture files of one folder as ReadSourceFiles finds them (empty when there are none, the
// folder cannot be read or no folder is given). When error is given, it receives the system's
// error of a folder that could not be read whole (and is cleared otherwise).
std::vector<std::string> FindFolderPictures(const std::string& folder,
                                            std::error_code* error = nullptr);

// Orders names as a file manager does: letters without regard to case, runs of digits by their
// value (img2 before img10), ties by byte order.
bool NaturalNameLess(const std::string& a, const std::string& b);

}  // namespace stampwise
