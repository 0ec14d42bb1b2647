// The work of one file, from its source to its result on the disk: the operation's step, the
// output folder, the refusal of a result that would replace its own source, and the save in two
// halves (PrepareFile writes the bytes to a temporary file, FinishFile flushes and renames it), so
// the scheduler can let a file wait for the disk without holding a core. Every failure ends up in
// the file's row, never in an exception. Touches nothing but the file system, so several files
// may run at once. Which file runs when is FileScheduler's; where each result goes, OutputClaims'.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "batch/BatchTexts.h"
#include "batch/ResultFiles.h"
#include "imaging/PictureCost.h"

namespace stampwise {

// What a TransformStep hands back. It fills SourceSize and NewSize as soon as it knows them, so
// that a step that throws leaves what it had worked out for the report row; Bytes is the result's
// JPEG file.
struct StepOutcome {
    PictureSize SourceSize;
    PictureSize NewSize;
    std::vector<std::uint8_t> Bytes;
};
// A source file as a step gets it: its full path, and its header when the memory estimate read it
// (HeaderReadBefore; null otherwise). It reads as its path, so a step may take just the path.
struct SourceFile {
    SourceFile(std::string path, std::shared_ptr<const HeaderReadBefore> header = {})
        : Path(std::move(path)), Header(std::move(header)) {}
    operator const std::string&() const { return Path; }

    std::string Path;
    std::shared_ptr<const HeaderReadBefore> Header;
};

// Throws on failure (any std::exception).
using TransformStep = std::function<void(const SourceFile& source, StepOutcome& outcome)>;

// What one file's work gives: its report row, and the subfolder message to show before that row
// (empty when there is none; the batch shows each folder's message once).
struct FileOutcome {
    ReportRow Row;
    std::string FolderMessage;
    std::optional<FileStamp> Written;  // the result's stamp, once it is in place
};

// A file whose step and encoding are done: its row so far, and its result written beside the
// output path but not yet in place (none when the file failed).
struct PreparedFile {
    FileOutcome Outcome;
    std::optional<PendingResult> Pending;
};

// Decides, once the file's step is done and before anything is written at its output path,
// which file there the result may replace, if any; throws to fail the file.
using SaveTurn = std::function<std::optional<FileStamp>()>;

// The work of one file up to its save's wait for the disk: step, output folder, the refusal of a
// result that would replace its own source, and the bytes in a temporary file. outputPath is the
// plan's; empty for a target mode that names none, which fails the file. spellings are the run's
// (the plan's), so the folders they probed are not probed again. With keepTimes the temporary
// file gets the source's modification time once its bytes are written, so the result lands with
// it; a source whose time cannot be had then fails the file.
PreparedFile PrepareFile(const SourceFile& source, const std::string& outputPath,
                         const std::string& targetMode, const TransformStep& step,
                         ResultFileOps& ops, const SaveTurn& awaitSaveTurn,
                         PathSpellings& spellings, bool keepTimes = false);

// The rest of the save: the flush and the rename. The folder is flushed once after its last
// result (SyncResultFolders).
FileOutcome FinishFile(PreparedFile& prepared, ResultFileOps& ops);

// A row that failed with text (kUnknownErrorText when empty).
void MarkFailed(ReportRow& row, const std::string& text);

// The folder of every result written, each flushed once: its renames are then on the disk too.
void SyncResultFolders(const std::vector<std::string>& writtenPaths);

}  // namespace stampwise
