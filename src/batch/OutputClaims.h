// The plan of a batch's outputs, made over the whole list before the first file starts, so that any
// number of jobs decides exactly as one does: each file's output path (worked out here once), a
// result never replaces a source of the batch (its own or another's), and of several sources whose
// results share one path the first in list order that writes it keeps it. A source listed twice
// may write its result twice: it is the same one. A result replaces only the file that was at its
// path, under exactly its name, at planning (told by its stamp), or the batch's own earlier result.
// Paths are one file when FileIdentity says so: in a folder that does not tell letter case apart,
// when their stored spellings are one (PathSpellings).
//
// The plan covers the whole list; the files processed are [first, last) of it, and the methods
// take their indices within that range. An earlier file outside it keeps its output path, since
// whether its own run writes it is not known here. The plan makes no folder and writes nothing
// (but PathSpellings' moment's probe file in a folder without a name to probe by); the scheduler
// calls it under its lock.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "batch/OperationTexts.h"
#include "platform/FileOperations.h"
#include "platform/PathSpellings.h"

namespace stampwise {

class OutputClaims {
public:
    // spellings are the run's, kept by the caller for as long as the plan.
    OutputClaims(const std::vector<std::string>& files, std::size_t first,
                 const std::string& targetMode, const TargetTexts& targets,
                 PathSpellings& spellings);

    // The output path of processed file i; empty for a target mode that names none.
    const std::string& OutputPath(int i) const { return plans_[first_ + i].OutputPath; }

    // The earlier processed file that must be done before file i may write (the latest earlier
    // one with the same output; it waited for those before it in turn), or -1.
    int SaveAfter(int i) const { return Processed(plans_[first_ + i].SaveAfter); }
    // The same for the output's path in any letter case.
    int SpellingAfter(int i) const { return Processed(plans_[first_ + i].SpellingAfter); }

    // Throws when file i must not write its result; else the file at its path that the result
    // may replace, if any. Called once SaveAfter(i) is done, and by one file at a time for any one
    // path.
    std::optional<FileStamp> CheckSave(int i) const;

    // File i is done; written is its result's stamp on the disk, when it is there.
    void Done(int i, const std::optional<FileStamp>& written);

    // The keys of paths, with what the plan found out about its folders: for later checks of the
    // same run.
    PathSpellings& Spellings() { return spellings_; }

private:
    struct FilePlan {
        std::string OutputPath;
        std::string SourceKey;
        bool IsOwnSource = false;
        std::optional<FileStamp> AtPlanning;  // a file of exactly the output's name, at planning
        int ReplacedSource = -1;  // a file of the batch whose source is this file's output
        int Group = -1;           // the first file of the batch with the same output
        int SaveAfter = -1;
        int SpellingAfter = -1;
    };

    // An index of the whole list as an index of the processed range, or -1 outside it.
    int Processed(int index) const { return index < first_ ? -1 : index - first_; }

    const std::vector<std::string>& files_;  // the whole list
    const int first_;                        // the first file processed
    PathSpellings& spellings_;
    std::vector<FilePlan> plans_;
    std::vector<int> holders_;  // by group: the file whose result is written there, or -1
    std::vector<FileStamp> written_;  // by group: the stamp of the holder's result
};

}  // namespace stampwise
