// Everything the runner and the windows say that differs between operations: the question's
// source and target phrases, the report's result caption, the final messages and the default
// names of the target window and the command. Each operation fills one in its own folder; the
// runner only joins what it is given, so it branches on no operation.
#pragma once

#include <string>

namespace stampwise {

// The line break of the question's texts: line feed, then carriage return.
inline constexpr const char* kQuestionBreak = "\n\r";

// The four texts of the target window, used exactly as typed.
struct TargetTexts {
    std::string Folder;
    std::string Subfolder;
    std::string Prefix;
    std::string Suffix;
};

struct NameDefaults {
    std::string Prefix;
    std::string Suffix;
    std::string Subfolder;
    friend bool operator==(const NameDefaults&, const NameDefaults&) = default;
};

struct OperationTexts {
    std::string Keyword;  // the job's Operation, as the main window's buttons set it
    // The question's first phrase, by source kind ("folder" or "files"; "" for anything else).
    std::string (*SourcePhrase)(const std::string& sourceKind, const std::string& folder,
                                int fileCount) = nullptr;
    // The question's last phrase, by target mode ("" for an unknown mode).
    std::string (*TargetPhrase)(const std::string& targetMode, const TargetTexts& targets) = nullptr;
    std::string ResultCaption;  // the report's third column
    std::string DoneText;       // the final message when no file failed
    std::string PartlyDoneText; // the final message's start when some failed, before the counts
    NameDefaults Names;         // the target window's defaults and the command's subfolder
};

}  // namespace stampwise
