// The plan of a batch's outputs, made over the whole list before the first file starts, so that any
// number of jobs decides exactly as one does: each file's output path (worked out here once), a
// result never replaces a source of the batch (its own or another's), and of several sources whose
// results share one path the first in list order that writes it keeps it. A source listed twice
// may write its result twice: it is the same one. A result replaces only a file that was at its
// path, under exactly its name, at planning.
//
// The plan covers the whole list; the files processed are [first, last) of it, and the methods
// take their indices within that range. An earlier file outside it keeps its output path, since
// whether its own run writes it is not known here. The plan makes no folder and writes nothing;
// the scheduler calls it under its lock.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "batch/OperationTexts.h"

namespace stampwise {

class OutputClaims {
public:
    OutputClaims(const std::vector<std::string>& files, std::size_t first,
                 const std::string& targetMode, const TargetTexts& targets);

    // The output path of processed file i; empty for a target mode that names none.
    const std::string& OutputPath(int i) const { return plans_[first_ + i].OutputPath; }

    // The earlier processed file that must be done before file i may write (the latest earlier
    // one with the same output; it waited for those before it in turn), or -1.
    int SaveAfter(int i) const { return Processed(plans_[first_ + i].SaveAfter); }
    // The same for the output's path in any letter case.
    int SpellingAfter(int i) const { return Processed(plans_[first_ + i].SpellingAfter); }

    // Throws when file i must not write its result; else whether the result may replace a file
    // at its path. Called once SaveAfter(i) is done, and by one file at a time for any one path.
    bool CheckSave(int i) const;

    // File i is done; isWritten when its result is on disk.
    void Done(int i, bool isWritten);

private:
    struct FilePlan {
        std::string OutputPath;
        std::string SourceKey;
        bool IsOwnSource = false;
        bool WasPresent = false;  // a file of exactly the output's name was there at planning
        int ReplacedSource = -1;  // a file of the batch whose source is this file's output
        int Group = -1;           // the first file of the batch with the same output
        int SaveAfter = -1;
        int SpellingAfter = -1;
    };

    // An index of the whole list as an index of the processed range, or -1 outside it.
    int Processed(int index) const { return index < first_ ? -1 : index - first_; }

    const std::vector<std::string>& files_;  // the whole list
    const int first_;                        // the first file processed
    std::vector<FilePlan> plans_;
    std::vector<int> holders_;  // by group: the file whose result is written there, or -1
};

}  // namespace stampwise
