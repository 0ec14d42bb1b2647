// The job state that the wizard fills in step by step. Plain fields, compared as exact keywords:
// every reader tests each keyword on its own, never as an exclusive chain, so an unexpected value
// simply matches nothing.
#pragma once

#include <string>
#include <vector>

namespace stampwise {

namespace keyword {
inline constexpr const char* kResize = "resize";
inline constexpr const char* kWatermark = "watermark";
inline constexpr const char* kFolder = "folder";
inline constexpr const char* kFiles = "files";
inline constexpr const char* kSubfolder = "subfolder";
inline constexpr const char* kPrefix = "prefix";
inline constexpr const char* kSuffix = "suffix";
}  // namespace keyword

// All start empty. Operation, SourceKind and TargetMode are never reset; SourceFiles is
// rebuilt by ReadSourceFiles and emptied at the end of every confirmed batch.
struct JobState {
    std::string Operation;    // "resize" or "watermark"
    std::string SourceKind;   // "folder" or "files"
    std::string TargetMode;   // "folder", "subfolder", "prefix" or "suffix"
    std::vector<std::string> SourceFiles;  // full paths, in processing order
    // The source as the user last confirmed it with "Дальше", set together with SourceFiles by
    // ReadSourceFiles: the SourceKind it went by and the folder it listed (empty for a file list).
    // The question and the summaries name these, so they speak of the files the batch takes,
    // whatever a source window left open shows or SourceKind says by now.
    std::string SourceFilesKind;
    std::string SourceFilesFolder;
};

}  // namespace stampwise
