// The batch command's arguments: what they ask for, and the text --help prints about them. Both
// come from one table of options (CommandOptions.cpp), so an option is added in one place.
#pragma once

#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "imaging/ExifWriter.h"
#include "watermark/LogoCompositing.h"

namespace stampwise {

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
    // What of a source's metadata its result keeps: the credit (Artist, Copyright) and the
    // capture date, either alone, or with --metadata none nothing at all.
    ResultMetadata Metadata;
    bool KeepTimes = false;  // results get their sources' modification times
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

}  // namespace stampwise
