#include "batch/ResultNameLock.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <sstream>

#include "platform/CaseFolding.h"
#include "platform/Processes.h"

namespace stampwise {

namespace {

// About two seconds of pauses in all (ResultFileOps::Pause); an empty lock is stale after about
// half a second of them.
constexpr int kAttempts = 40;
constexpr int kEmptySightingsWhenStale = 16;

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string OwnerText() {
    return std::to_string(CurrentProcessId()) + " " + MachineName() + "\n";
}

}  // namespace

std::string ResultLockPath(const std::string& target) {
    const std::size_t slash = target.rfind('/');
    const std::string name = slash == std::string::npos ? target : target.substr(slash + 1);
    std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
    for (const char c : FoldCase(name)) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    char lockName[40];
    std::snprintf(lockName, sizeof lockName, ".stampwise-%016llx.lock",
                  static_cast<unsigned long long>(hash));
    return FolderOf(target) + "/" + lockName;
}

ResultNameLock::ResultNameLock(ResultFileOps& ops, const std::string& target)
    : ops_(ops), path_(ResultLockPath(target)) {}

ResultNameLock::~ResultNameLock() {
    if (isHeld_) ops_.Remove(path_);
}

int ResultNameLock::Take() {
    const std::string owner = OwnerText();
    bool isFreed = false;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        // A lock just removed (stale, or by its owner) leaves the name free: no reason to wait.
        if (attempt > 0 && !isFreed) ops_.Pause(attempt);
        int fd = -1;
        int error = ops_.CreateNew(path_, fd);
        if (error == 0) {
            isHeld_ = true;
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(owner.data());
            error = ops_.Write(fd, bytes, owner.size());
            const int closeError = ops_.Close(fd);
            if (error == 0) error = closeError;
            if (error != 0) {
                ops_.Remove(path_);
                isHeld_ = false;
            }
            return error;
        }
        if (error != EEXIST) return error;
        std::string found;
        FileStamp stamp;
        const int lookError = ops_.Stamp(path_, stamp);
        isFreed = lookError == ENOENT;
        if (lookError != 0 || ops_.ReadOwner(path_, found) != 0) continue;
        isFreed = IsStale(found, stamp) && TakeOver(found, stamp);
    }
    return kLockKeptByAnotherRun;
}

bool ResultNameLock::IsStale(const std::string& owner, const FileStamp& stamp) {
    if (owner.empty()) {
        // Its owner writes itself in right after making it; one that never does was killed.
        emptySightings_ = stamp == lastEmpty_ ? emptySightings_ + 1 : 1;
        lastEmpty_ = stamp;
        return emptySightings_ >= kEmptySightingsWhenStale;
    }
    std::istringstream words(owner);
    int pid = 0;
    std::string machine;
    if (!(words >> pid)) return false;
    words >> machine;
    return machine == MachineName() && IsProcessGone(pid);
}

// Two runs may judge one lock stale at once: each moves it aside under a name of its own before
// removing it, so only one of them gets it, and checks that what it moved is the lock it judged,
// since the other may have removed that one and taken the lock afresh meanwhile. A fresh lock
// moved by mistake goes back at once.
bool ResultNameLock::TakeOver(const std::string& owner, const FileStamp& stamp) {
    const std::string aside = NewTemporaryPath(FolderOf(path_));
    if (ops_.Rename(path_, aside) != 0) return false;
    std::string moved;
    FileStamp movedStamp;
    if (ops_.Stamp(aside, movedStamp) == 0 && ops_.ReadOwner(aside, moved) == 0 &&
        moved == owner && movedStamp == stamp) {
        ops_.Remove(aside);
        emptySightings_ = 0;
        return true;
    }
    ops_.Rename(aside, path_);
    return false;
}

}  // namespace stampwise
