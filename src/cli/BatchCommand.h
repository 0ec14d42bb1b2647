// stampwise-batch: the resize and watermark jobs from a command line, for scripts, servers and a
// file manager's actions. This holds the expansion of the sources into the list of files and the
// run; the options are CommandOptions.h's and the report's lines ReportFormat.h's. batch_main.cpp
// only hands over argv and the streams. The batch itself is RunBatch with the operations the
// windows use: nothing here decides a pixel, a name or a failure.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "cli/CommandOptions.h"
#include "cli/ReportFormat.h"

namespace stampwise {

// Exit statuses of the command.
inline constexpr int kExitAllDone = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;

// A folder source that gave no picture, and why: the system's reason when it could not be read
// (whole), else kNoJpgInFolderText.
struct FolderProblem {
    std::string Folder;  // as given
    std::string Reason;
};

// The files of a batch, in order: a folder gives its pictures as the wizard's folder source finds
// them (sorted), anything else is taken as a file, also when it does not exist (it then gets an
// error row). Folders that gave no picture or could not be read are added to problems, and every
// folder source (without trailing separators) to folders when given.
std::vector<std::string> ExpandSources(const std::vector<std::string>& sources,
                                       std::vector<FolderProblem>* problems,
                                       std::vector<std::string>* folders = nullptr);

// The first of folders that receives a result of one of files (by the file system's identity of
// the result's folder, FileIdentity with spellings), or empty. Runs that each list such a folder
// anew would see each other's results among its pictures.
std::string FolderReceivingResults(const std::vector<std::string>& folders,
                                   const std::vector<std::string>& files,
                                   const std::string& targetMode, const TargetTexts& targets,
                                   PathSpellings& spellings);

// The paths of a list, in order: the pieces between separators ('\n', or '\0' for find -print0),
// exactly as they stand; empty pieces are no paths and are passed over. False when reading failed.
bool ReadPathList(std::istream& in, char separator, std::vector<std::string>& paths);

// Slice index (1 … count) of count slices of a list of total entries, in list order: [first, last).
// Slices differ in length by one at most, and together hold every entry exactly once.
struct ShardRange {
    std::size_t First = 0;
    std::size_t Last = 0;
};
ShardRange ShardOf(std::size_t total, int index, int count);

// Parses, runs and reports; returns the exit status. With a usage error (a list that cannot be
// read included) nothing is written to out and no file is touched. in is standard input, read
// only for --files-from -. showProgress puts "K/N" on err after every file (for a terminal).
// interruptSignal, when given, tells the number of a signal that asks the run to end (0 while
// none did): then no further file starts, the last line says the run was interrupted and the
// status is 128 + that number.
int RunBatchCommand(const std::vector<std::string>& arguments, std::istream& in, std::ostream& out,
                    std::ostream& err, bool showProgress,
                    const std::function<int()>& interruptSignal = {});

}  // namespace stampwise
