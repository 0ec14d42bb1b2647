// How a batch puts one result on the disk, in two halves: WriteTemporaryResult writes the bytes to
// a hidden file beside the result (the work of a core), PutResultInPlace flushes that file and
// renames it to the result's name (mostly a wait for the disk), so the runner can hand the second
// half to a thread that waits while the cores go on with the next file.
//
// A result whose name was free when the batch planned its outputs is put in place without
// replacing anything: another run, or a case-insensitive disk's other spelling of the name, may
// have put a file there meanwhile, and that file is not the batch's to replace. Only the file that
// held exactly that name at planning (an earlier run's result) is replaced, and only if it is
// still that file when the result lands: two runs that both planned to replace one earlier result
// would otherwise each replace it, and the first one's result would be lost.
//
// Where one system call cannot land a result safely (replacing: always; a free name: on a file
// system without no-replace renames and hard links, as exFAT), the run holds the name's lock file
// around the check and the rename (ResultNameLock), so that every run takes its turn.
//
// Every file operation goes through ResultFileOps, so tests can record their order or make one
// fail. The folder's flush after the last rename is the runner's (SyncFolder, once per folder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <optional>
#include <unordered_set>

#include "platform/FileOperations.h"
#include "platform/PathSpellings.h"

namespace stampwise {

// The error of a file whose result name is held by a file that the batch did not plan to replace
// (the path follows): it appeared after planning, or it is the same name in another letter case
// on a disk that does not tell them apart.
inline constexpr const char* kOccupiedOutputErrorText =
    "Результат не записан: под этим именем уже есть другой файл ";

// The error of a file whose result name stayed locked by another run that still runs, for as long
// as a run waits (the lock file's path follows).
inline constexpr const char* kLockedOutputErrorText =
    "Результат не записан: это имя занято другим запуском (файл блокировки ";

// The file operations of a save. Each returns 0 or the system's error number.
class ResultFileOps {
public:
    virtual ~ResultFileOps() = default;
    // A new file (never an existing one), open for writing; its descriptor in fd.
    virtual int CreateNew(const std::string& path, int& fd) = 0;
    // All of the bytes.
    virtual int Write(int fd, const std::uint8_t* data, std::size_t size) = 0;
    // The file's data and size on the disk (fsync).
    virtual int Flush(int fd) = 0;
    virtual int Close(int fd) = 0;
    // Replaces whatever is at to.
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    // EEXIST when something is at to; EINVAL (or ENOSYS, EOPNOTSUPP) where the file system
    // cannot tell.
    virtual int RenameNoReplace(const std::string& from, const std::string& to) = 0;
    // A hard link; EEXIST when something is at to.
    virtual int Link(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;
    // Swaps the files of two names; EINVAL (or ENOSYS, EOPNOTSUPP) where the file system cannot.
    virtual int Exchange(const std::string& first, const std::string& second) = 0;
    virtual int Stamp(const std::string& path, FileStamp& stamp) = 0;
    // The first bytes of a lock file: its owner.
    virtual int ReadOwner(const std::string& path, std::string& text) = 0;
    // Waits before attempt (1, 2, ...) to take a lock that another run holds.
    virtual void Pause(int attempt) = 0;
};

// The system's calls.
ResultFileOps& SystemResultFileOps();

// A result written but not yet in place.
struct PendingResult {
    std::string Target;
    std::string Temporary;
    int Fd = -1;
    std::optional<FileStamp> Replaces;  // the file at Target it may replace, if any
    FileStamp Landed;                   // what is at Target once the result is in place
};

// A new hidden file's path (".stampwise-<16 hex digits>.tmp") in folder.
std::string NewTemporaryPath(const std::string& folder);

// Writes the bytes to a new hidden file (NewTemporaryPath) in target's folder. When replaces is
// set and a file is at target, the new one takes its permission bits. Throws EFCreateError naming
// target, with nothing left behind.
PendingResult WriteTemporaryResult(ResultFileOps& ops, const std::string& target,
                                   const std::uint8_t* data, std::size_t size,
                                   const std::optional<FileStamp>& replaces);

// Flushes the temporary file, closes it and puts it at the target. With Replaces, the file there
// is replaced only while it is that file: under the name's lock, exchanged with the result and
// checked (or, where the file system cannot exchange, checked and replaced); a target that is gone
// is landed on as a free name. Without, only where nothing is (RENAME_NOREPLACE; where the file
// system cannot do that, a hard link, and where it has none either, a check and a rename under the
// name's lock). Throws on failure (kOccupiedOutputErrorText + target when another file holds the
// name, kLockedOutputErrorText when another run kept the lock, else EFCreateError), with the
// temporary file removed and anything at the target untouched.
void PutResultInPlace(ResultFileOps& ops, PendingResult& result);

// Closes and removes a temporary file that will not be put in place.
void DiscardResult(ResultFileOps& ops, PendingResult& result);

// What was at a result's path when the batch planned it.
enum class PathAtPlanning {
    Missing,        // nothing: the result must not replace anything
    Present,        // a file of exactly that name: replaced as a re-run's result
    OtherSpelling,  // a file found under the name, but listed in the folder under another
                    // spelling (a case-insensitive disk): another file, never replaced
};

// The planning's look at the output paths, with each folder's listing cached once a name in it is
// found; the paths' keys come from spellings, which caches what is shared between paths. Not
// thread-safe.
class OutputPathSurvey {
public:
    explicit OutputPathSurvey(PathSpellings& spellings) : spellings_(spellings) {}

    struct Look {
        std::string Key;      // as FileIdentity gives it
        std::string PathKey;  // the path's spelling key, whether or not a file is there
        PathAtPlanning State = PathAtPlanning::Missing;
        FileStamp Stamp;      // of the file there, when Present
    };
    Look LookAt(const std::string& path);

private:
    bool IsListedExactly(const std::string& folder, const std::string& name);

    PathSpellings& spellings_;
    std::unordered_map<std::string, std::unordered_set<std::string>> listings_;
};

}  // namespace stampwise
