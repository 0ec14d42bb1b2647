// How a batch puts one result on the disk, in two halves: WriteTemporaryResult writes the bytes to
// a hidden file beside the result (the work of a core), PutResultInPlace flushes that file and
// renames it to the result's name (mostly a wait for the disk), so the runner can hand the second
// half to a thread that waits while the cores go on with the next file.
//
// A result whose name was free when the batch planned its outputs is put in place without
// replacing anything: another run, or a case-insensitive disk's other spelling of the name, may
// have put a file there meanwhile, and that file is not the batch's to replace. Only a name that
// held a file of exactly that spelling at planning (an earlier run's result) is replaced.
//
// Every file operation goes through ResultFileOps, so tests can record their order or make one
// fail. The folder's flush after the last rename is the runner's (SyncFolder, once per folder).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

namespace stampwise {

// The error of a file whose result name is held by a file that the batch did not plan to replace
// (the path follows): it appeared after planning, or it is the same name in another letter case
// on a disk that does not tell them apart.
inline constexpr const char* kOccupiedOutputErrorText =
    "Результат не записан: под этим именем уже есть другой файл ";

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
};

// The system's calls.
ResultFileOps& SystemResultFileOps();

// A result written but not yet in place.
struct PendingResult {
    std::string Target;
    std::string Temporary;
    int Fd = -1;
    bool MayReplace = false;  // a file at Target may be replaced
};

// Writes the bytes to a new hidden file (".stampwise-<16 hex digits>.tmp") in target's folder.
// When mayReplace and a file is at target, the new one takes its permission bits. Throws
// EFCreateError naming target, with nothing left behind.
PendingResult WriteTemporaryResult(ResultFileOps& ops, const std::string& target,
                                   const std::uint8_t* data, std::size_t size, bool mayReplace);

// Flushes the temporary file, closes it and renames it to the target: over an existing file only
// when MayReplace, else only where nothing is (RENAME_NOREPLACE; where the file system cannot do
// that, a hard link, and where it has none either, a name made exclusively and then replaced).
// Throws on failure (kOccupiedOutputErrorText + target when the name is taken, else
// EFCreateError), with the temporary file removed and anything at the target untouched.
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

// The planning's look at the output paths, with what is shared between paths cached: each
// folder's normalised key and, once a name in it is found, its listing. Not thread-safe.
class OutputPathSurvey {
public:
    struct Look {
        std::string Key;      // as FileIdentity gives it
        std::string PathKey;  // the normalised absolute path, whether or not a file is there
        PathAtPlanning State = PathAtPlanning::Missing;
    };
    Look LookAt(const std::string& path);

private:
    const std::string& FolderKey(const std::string& folder);
    bool IsListedExactly(const std::string& folder, const std::string& name);

    std::unordered_map<std::string, std::string> folderKeys_;
    std::unordered_map<std::string, std::unordered_set<std::string>> listings_;
};

}  // namespace stampwise
