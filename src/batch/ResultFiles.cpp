// The two halves of a result's save and the planning's look at output paths. The save's system
// calls are platform/FileOperations'; the planning lists folders itself.
#include "batch/ResultFiles.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <random>
#include <stdexcept>
#include <thread>

#include "batch/OutputNaming.h"
#include "batch/ResultNameLock.h"
#include "imaging/ImageErrors.h"
#include "platform/FileOperations.h"

namespace stampwise {

namespace {

class SystemOps final : public ResultFileOps {
public:
    int CreateNew(const std::string& path, int& fd) override { return CreateFileExclusively(path, fd); }
    int Write(int fd, const std::uint8_t* data, std::size_t size) override {
        return WriteAll(fd, data, size);
    }
    int Flush(int fd) override { return FlushFile(fd); }
    int Close(int fd) override { return CloseFile(fd); }
    int Rename(const std::string& from, const std::string& to) override {
        return RenameReplacing(from, to);
    }
    int RenameNoReplace(const std::string& from, const std::string& to) override {
        return stampwise::RenameNoReplace(from, to);
    }
    int Link(const std::string& from, const std::string& to) override { return LinkFile(from, to); }
    int Remove(const std::string& path) override { return RemoveFile(path); }
    int Exchange(const std::string& first, const std::string& second) override {
        return ExchangeFiles(first, second);
    }
    int Stamp(const std::string& path, FileStamp& stamp) override {
        return ReadFileStamp(path, stamp);
    }
    int ReadOwner(const std::string& path, std::string& text) override {
        return ReadSmallFile(path, text, 256);
    }
    void Pause(int attempt) override {
        // Doubling from 1 ms up to 64 ms: a holder keeps the lock for a check and a rename.
        std::this_thread::sleep_for(std::chrono::milliseconds(1 << std::min(attempt - 1, 6)));
    }
};

bool IsUnsupported(int error) {
    return error == EINVAL || error == ENOSYS || error == EOPNOTSUPP;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

[[noreturn]] void ThrowOccupied(const std::string& target) {
    throw std::runtime_error(kOccupiedOutputErrorText + target);
}

// MoveWithoutReplacing's answer where the file system has no means to.
constexpr int kNoMeans = -2;

// Puts from at to where nothing is, in one system call that cannot replace anything. 0, EEXIST
// when something is, kNoMeans, or another error.
int MoveWithoutReplacing(ResultFileOps& ops, const std::string& from, const std::string& to) {
    int error = ops.RenameNoReplace(from, to);
    if (!IsUnsupported(error)) return error;
    // FUSE and some network file systems refuse the flag; a hard link never replaces either.
    error = ops.Link(from, to);
    if (error == 0) {
        ops.Remove(from);
        return 0;
    }
    if (error != EPERM && !IsUnsupported(error) && error != EMLINK) return error;
    return kNoMeans;
}

// A check and a rename, for a caller that holds to's lock.
int RenameIfFree(ResultFileOps& ops, const std::string& from, const std::string& to) {
    FileStamp there;
    const int error = ops.Stamp(to, there);
    if (error == 0) return EEXIST;
    if (error != ENOENT) return error;
    return ops.Rename(from, to);
}

// Puts from at to while nothing is there, for a caller that holds to's lock. Where the file
// system has the means, without replacing, since a run landing on a free name takes no lock there.
int MoveIntoFreeName(ResultFileOps& ops, const std::string& from, const std::string& to) {
    const int moved = MoveWithoutReplacing(ops, from, to);
    return moved != kNoMeans ? moved : RenameIfFree(ops, from, to);
}

// Puts from at to where nothing is. 0, EEXIST when something is, or another error.
int MoveWhereNothingIs(ResultFileOps& ops, const std::string& from, const std::string& to) {
    const int moved = MoveWithoutReplacing(ops, from, to);
    if (moved != kNoMeans) return moved;
    // No hard links (FAT, exFAT): a check and a rename, under the name's lock so that no other run
    // lands between them. Nothing is ever made under the name itself, so a kill leaves only the
    // temporary file and the lock.
    ResultNameLock lock(ops, to);
    const int error = lock.Take();
    if (error != 0) return error;
    return RenameIfFree(ops, from, to);
}

// Puts from at to in place of the file stamped planned, and only of that one, under to's lock:
// runs that exchange and check in turns never trade each other's files. (Without the lock, a
// third run's exchange between one run's exchange and its exchange back leaves each temporary
// name holding another run's file.)
int ReplacePlannedFile(ResultFileOps& ops, std::string& from, const std::string& to,
                       const FileStamp& planned) {
    ResultNameLock lock(ops, to);
    int error = lock.Take();
    if (error != 0) return error;
    error = ops.Exchange(from, to);
    if (error == 0) {
        // from now holds what held the name: one step, so even a writer that takes no lock
        // loses nothing to it.
        FileStamp back;
        if (ops.Stamp(from, back) == 0 && back == planned) {
            ops.Remove(from);
            from.clear();
            return 0;
        }
        error = ops.Exchange(from, to);
        // Should the way back fail, from holds another's file: it must not be removed as ours.
        if (error != 0) from.clear();
        return error != 0 ? error : EEXIST;
    }
    if (error == ENOENT) return MoveIntoFreeName(ops, from, to);  // the planned file is gone
    if (!IsUnsupported(error)) return error;
    FileStamp there;
    error = ops.Stamp(to, there);
    if (error == ENOENT) return MoveIntoFreeName(ops, from, to);
    if (error != 0) return error;
    if (!(there == planned)) return EEXIST;
    return ops.Rename(from, to);
}

}  // namespace

ResultFileOps& SystemResultFileOps() {
    static SystemOps ops;  // stateless
    return ops;
}

std::string NewTemporaryPath(const std::string& folder) {
    thread_local std::mt19937_64 random(std::random_device{}());
    char name[40];
    std::snprintf(name, sizeof name, ".stampwise-%016llx.tmp",
                  static_cast<unsigned long long>(random()));
    return folder + "/" + name;
}

PendingResult WriteTemporaryResult(ResultFileOps& ops, const std::string& target,
                                   const std::uint8_t* data, std::size_t size,
                                   const std::optional<FileStamp>& replaces) {
    if (target.empty() || target.back() == '/') throw EFCreateError(target, EISDIR);
    const std::string folder = FolderOf(target);
    PendingResult result;
    result.Target = target;
    result.Replaces = replaces;

    // A name of our own in the target's folder, so the rename stays on one file system. Its length
    // does not depend on the target's, which may itself be as long as a name can be. An exclusive
    // create makes a clash with any other file a retry, never an overwrite.
    int error = EEXIST;
    for (int attempt = 0; attempt < 100 && error == EEXIST; ++attempt) {
        result.Temporary = NewTemporaryPath(folder);
        error = ops.CreateNew(result.Temporary, result.Fd);
    }
    if (error != 0) throw EFCreateError(target, error);

    const auto fail = [&](int errorNumber) {
        DiscardResult(ops, result);
        throw EFCreateError(target, errorNumber);
    };
    if (replaces) {
        error = TakePermissionBits(result.Fd, target);
        if (error != 0) fail(error);
    }
    error = ops.Write(result.Fd, data, size);
    if (error != 0) fail(error);
    return result;
}

void PutResultInPlace(ResultFileOps& ops, PendingResult& result) {
    const auto fail = [&](int errorNumber) {
        DiscardResult(ops, result);
        if (errorNumber == EEXIST) ThrowOccupied(result.Target);
        if (errorNumber == kLockKeptByAnotherRun) {
            throw std::runtime_error(kLockedOutputErrorText + ResultLockPath(result.Target) + ")");
        }
        throw EFCreateError(result.Target, errorNumber);
    };
    // Without the flush, a power cut soon after the rename can leave a zero-length file where the
    // earlier good one was: the rename may reach the disk before the data does.
    int error = ops.Flush(result.Fd);
    if (error != 0) fail(error);
    error = ops.Close(result.Fd);
    result.Fd = -1;
    if (error != 0) fail(error);
    error = result.Replaces
                ? ReplacePlannedFile(ops, result.Temporary, result.Target, *result.Replaces)
                : MoveWhereNothingIs(ops, result.Temporary, result.Target);
    if (error != 0) fail(error);
    result.Temporary.clear();
    // What a later file of the batch with the same output may replace in turn: no other run
    // replaces it, since none planned to.
    ops.Stamp(result.Target, result.Landed);
}

void DiscardResult(ResultFileOps& ops, PendingResult& result) {
    if (result.Fd >= 0) ops.Close(result.Fd);
    result.Fd = -1;
    if (!result.Temporary.empty()) ops.Remove(result.Temporary);
    result.Temporary.clear();
}

OutputPathSurvey::Look OutputPathSurvey::LookAt(const std::string& path) {
    Look look;
    const std::size_t slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string folder = FolderOf(path);
    look.PathKey = spellings_.Spell(path).Key;
    look.Key = FileIdentity(path, spellings_);
    struct stat info {};
    if (::stat(path.c_str(), &info) == 0) {
        look.State = IsListedExactly(folder, name) ? PathAtPlanning::Present
                                                   : PathAtPlanning::OtherSpelling;
        ReadFileStamp(path, look.Stamp);
    } else {
        look.State = PathAtPlanning::Missing;
    }
    return look;
}

bool OutputPathSurvey::IsListedExactly(const std::string& folder, const std::string& name) {
    auto found = listings_.find(folder);
    if (found == listings_.end()) {
        std::unordered_set<std::string> names;
        if (DIR* dir = ::opendir(folder.c_str())) {
            while (const dirent* entry = ::readdir(dir)) names.insert(entry->d_name);
            ::closedir(dir);
        } else {
            // A folder that cannot be listed cannot tell spellings apart: take the name as found,
            // as the batch did before it looked.
            return true;
        }
        found = listings_.emplace(folder, std::move(names)).first;
    }
    return found->second.count(name) > 0;
}

}  // namespace stampwise
