// POSIX calls and Linux's renameat2: plain wrappers that keep errno as the answer.
#include "platform/FileOperations.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace stampwise {

FileDescriptor::~FileDescriptor() {
    if (fd_ >= 0) ::close(fd_);
}

namespace {

int ErrorOf(int result) { return result == 0 ? 0 : errno; }

}  // namespace

int CreateFileExclusively(const std::string& path, int& fd) {
    fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    return fd < 0 ? errno : 0;
}

int TakePermissionBits(int fd, const std::string& path) {
    struct stat existing {};
    if (::stat(path.c_str(), &existing) != 0) return 0;
    if (S_ISDIR(existing.st_mode)) return EISDIR;
    // Bits that cannot be taken leave the new file with the default ones, which is no reason to
    // fail the save.
    ::fchmod(fd, existing.st_mode & 07777);
    return 0;
}

int TakeModificationTime(int fd, const std::string& path) {
    struct stat source {};
    if (::stat(path.c_str(), &source) != 0) return errno;
    // The access time is the file's own: the source's has just been changed by reading it.
    const struct timespec times[2] = {{0, UTIME_OMIT}, source.st_mtim};
    return ::futimens(fd, times) == 0 ? 0 : errno;
}

int WriteAll(int fd, const std::uint8_t* data, std::size_t size) {
    std::size_t written = 0;
    while (written < size) {
        const ssize_t put = ::write(fd, data + written, size - written);
        if (put < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        written += static_cast<std::size_t>(put);
    }
    return 0;
}

int FlushFile(int fd) {
    while (::fsync(fd) != 0) {
        if (errno != EINTR) return errno;
    }
    return 0;
}

int CloseFile(int fd) { return ErrorOf(::close(fd)); }

int RenameReplacing(const std::string& from, const std::string& to) {
    return ErrorOf(::rename(from.c_str(), to.c_str()));
}

int RenameNoReplace(const std::string& from, const std::string& to) {
    return ErrorOf(::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE));
}

int ExchangeFiles(const std::string& first, const std::string& second) {
    return ErrorOf(::renameat2(AT_FDCWD, first.c_str(), AT_FDCWD, second.c_str(), RENAME_EXCHANGE));
}

int LinkFile(const std::string& from, const std::string& to) {
    return ErrorOf(::link(from.c_str(), to.c_str()));
}

int RemoveFile(const std::string& path) { return ErrorOf(::unlink(path.c_str())); }

int ReadFileStamp(const std::string& path, FileStamp& stamp) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0) return errno;
    stamp.Device = static_cast<std::uint64_t>(info.st_dev);
    stamp.Inode = static_cast<std::uint64_t>(info.st_ino);
    stamp.SizeBytes = static_cast<std::int64_t>(info.st_size);
    stamp.ModifiedNs =
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1000000000 + info.st_mtim.tv_nsec;
    return 0;
}

int ReadSmallFile(const std::string& path, std::string& text, std::size_t maxBytes) {
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return errno;
    text.resize(maxBytes);
    std::size_t got = 0;
    int error = 0;
    while (got < maxBytes) {
        const ssize_t n = ::read(fd, text.data() + got, maxBytes - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error = errno;
        if (n <= 0) break;
        got += static_cast<std::size_t>(n);
    }
    ::close(fd);
    text.resize(got);
    return error;
}

int SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return errno;
    const int error = ErrorOf(::fsync(fd));
    ::close(fd);
    return error;
}

int FolderWriteAccess(const std::string& folder) {
    if (folder.empty()) return ENOENT;
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) return errno == ENOTDIR ? ENOENT : errno;
    if (!S_ISDIR(info.st_mode)) return ENOTDIR;
    // The effective ids, as the saves will use them; EROFS comes for a read-only mount whatever
    // the folder's bits say.
    return ::faccessat(AT_FDCWD, folder.c_str(), W_OK | X_OK, AT_EACCESS) == 0 ? 0 : errno;
}

}  // namespace stampwise
