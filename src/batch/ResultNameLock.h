// The lock file a run holds while it checks a result's name and renames the result to it, where no
// one system call can do both: every run of the batch takes the same lock for the same name, so of
// two runs landing on one name the second sees what the first left.
//
// The lock is a hidden file beside the result, made exclusively and holding its owner ("<pid>
// <machine>"). A kill at any moment leaves at most that file and the result's temporary file, never
// anything under the result's name. A run that finds the lock retries with short pauses for about
// two seconds (a holder keeps it for a check and a rename), then fails the file naming the lock: a
// wait is bounded, and no result is written unchecked. A lock whose owner ran on this machine and
// is gone, or that stayed empty through the pauses (its owner was killed before it wrote itself
// in), is stale: it is moved aside, checked to be the one judged stale and removed, and the run
// takes the lock. An owner on another machine cannot be asked, so its lock is never taken over.
#pragma once

#include <string>

#include "batch/ResultFiles.h"

namespace stampwise {

// ".stampwise-<16 hex digits>.lock" in target's folder. The digits hash the name case-folded as a
// case-insensitive disk folds it (CaseFolding, Cyrillic and Greek too), so the spellings such a
// disk takes for one name share a lock (elsewhere, two names that differ only in case merely take
// turns); the lock's name is short whatever the result's.
std::string ResultLockPath(const std::string& target);

// Take's answer when another run kept the lock through every attempt.
inline constexpr int kLockKeptByAnotherRun = -1;

class ResultNameLock {
public:
    ResultNameLock(ResultFileOps& ops, const std::string& target);
    ~ResultNameLock();  // removes the lock file when it holds it
    ResultNameLock(const ResultNameLock&) = delete;
    ResultNameLock& operator=(const ResultNameLock&) = delete;

    // 0 once held; kLockKeptByAnotherRun; or the system's error number.
    int Take();
    const std::string& Path() const { return path_; }

private:
    bool IsStale(const std::string& owner, const FileStamp& stamp);
    bool TakeOver(const std::string& owner, const FileStamp& stamp);

    ResultFileOps& ops_;
    std::string path_;
    bool isHeld_ = false;
    FileStamp lastEmpty_;   // the empty lock seen last
    int emptySightings_ = 0;
};

}  // namespace stampwise
