// stampwise-batch: the resize and watermark jobs from a command line, for scripts, servers and a
// file manager's actions. This holds the argument parsing, the expansion of the sources into the
// list of files, and the run with its report on standard output; batch_main.cpp only hands over
// argv and the streams. The batch itself is RunBatch with the operations the windows use: nothing
// here decides a pixel, a name or a failure.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "imaging/ExifWriter.h"
#include "watermark/LogoCompositing.h"

namespace stampwise {

// Exit statuses of the command.
inline constexpr int kExitAllDone = 0;
inline constexpr int kExitSomeFailed = 1;
inline constexpr int kExitUsage = 2;

enum class SizeOption { None, Width, Height, Percent };

struct BatchCommandOptions {
    std::string Operation;  // "resize" or "watermark"
    // resize: the size rule (required); watermark: the stamp size (the logo's own when None).
    SizeOption Size = SizeOption::None;
    int SizeValue = 0;
    std::string SizeText;  // the value as typed, for the resize operation's phrase
    // Watermark only.
    std::string LogoPath;
    PlacementSet Placements;
    int MarginPx = 10;
    int Opacity = 100;
    int NoiseLevel = 10;
    // --keep-profile: a tagged RGB source keeps its pixels and passes its profile on to the result
    // instead of being converted to sRGB.
    bool KeepProfile = false;
    // Where results go: "subfolder" Resized (resize) or Marked (watermark) unless told otherwise.
    std::string TargetMode;
    TargetTexts Targets;
    int Jobs = DefaultJobCount();
    std::vector<std::string> Sources;  // folders and files, as given
    // More sources, one per line (or NUL-separated) in this file, "-" for standard input; they
    // follow the ones given as arguments.
    std::string FilesFrom;
    bool IsNullSeparated = false;
    // This run takes slice ShardIndex (1 … ShardCount) of ShardCount equal slices of the files.
    int ShardIndex = 1;
    int ShardCount = 1;
    bool Json = false;  // one JSON object per line instead of the tab-separated report
    // What of a source's Exif its result keeps: the credit (Artist, Copyright), or with
    // --metadata none nothing at all.
    ResultMetadata Metadata = ResultMetadata::Credit;
    bool ShowHelp = false;
    bool ShowVersion = false;
};

struct ParsedBatchCommand {
    bool Ok = false;
    BatchCommandOptions Options;
    std::string Error;  // names the argument at fault when not Ok
};

// arguments are argv without the program name. --help or --version anywhere (the first of them)
// asks for that text and nothing else.
ParsedBatchCommand ParseBatchCommand(const std::vector<std::string>& arguments);

// The text --help prints.
std::string BatchCommandUsage();

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
// the result's folder), or empty. Runs that each list such a folder anew would see each other's
// results among its pictures.
std::string FolderReceivingResults(const std::vector<std::string>& folders,
                                   const std::vector<std::string>& files,
                                   const std::string& targetMode, const TargetTexts& targets);

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

// One line of standard output, without the line end: source, source size, output, new size,
// result, and for a failed file the error's text, separated by tabs. Every field goes through
// EscapeReportField, so a name with a tab or a line break still gives one line of the same fields.
std::string FormatReportLine(const ReportRow& row);

// Backslash, tab, line feed and carriage return as \\, \t, \n and \r; everything else as it is.
std::string EscapeReportField(const std::string& text);

// The --json forms of a row and of the end: one object on one line each, without the line end.
// Strings are UTF-8; a byte of a name that is not UTF-8 is written as \udc80 to \udcff, so
// that the name can still be recovered from the line.
std::string FormatJsonRow(const ReportRow& row);
// done is the number of files with a row (fewer than total when interrupted).
std::string FormatJsonEnd(const std::string& finalMessage, int total, int done, int failed,
                          bool interrupted);

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
