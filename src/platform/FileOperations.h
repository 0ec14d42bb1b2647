// The system calls that saving a file safely takes, each returning 0 or the system's error number
// (errno) so that the caller words the failure. A save writes a new file exclusively, flushes it,
// and puts it in place by a rename that replaces nothing (or one that does, for a file it may
// replace); SyncFolder then makes the renames themselves durable. Nothing here names a temporary
// file or decides what may be replaced: that is the batch's (batch/ResultFiles).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace stampwise {

// An open descriptor (or -1), closed on every path out of its scope; a reader's, whose close has
// nothing left to report (a writer's goes through CloseFile).
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor();
    int Get() const { return fd_; }

private:
    int fd_;
};

// A new file (never an existing one) open for writing, its descriptor in fd; EEXIST when anything
// is at path.
int CreateFileExclusively(const std::string& path, int& fd);

// Gives the open file fd the permission bits of the file at path, which it is to replace. 0 also
// when nothing is at path; EISDIR when a folder is.
int TakePermissionBits(int fd, const std::string& path);

// All of the bytes, retrying what a signal interrupts.
int WriteAll(int fd, const std::uint8_t* data, std::size_t size);

// The file's data and size on the disk (fsync).
int FlushFile(int fd);

// close() can be the first to report a failed write (on network file systems), so its result
// counts.
int CloseFile(int fd);

// Renames from to to, replacing whatever is at to.
int RenameReplacing(const std::string& from, const std::string& to);

// Renames from to to only where nothing is: EEXIST when something is; EINVAL (or ENOSYS,
// EOPNOTSUPP) where the file system cannot tell.
int RenameNoReplace(const std::string& from, const std::string& to);

// Swaps the two names' files in one step; both must exist. EINVAL (or ENOSYS, EOPNOTSUPP) where
// the file system cannot.
int ExchangeFiles(const std::string& first, const std::string& second);

// Gives the open file fd the modification time of the file at path (a link followed), as cp -p
// does.
int TakeModificationTime(int fd, const std::string& path);

// A hard link; EEXIST when something is at to.
int LinkFile(const std::string& from, const std::string& to);

int RemoveFile(const std::string& path);

// What tells a file from another that took its name since: the same device and inode number,
// and, since a file system may hand a freed inode number to the next file (and FUSE ones make the
// numbers up), the same size and modification time too.
struct FileStamp {
    std::uint64_t Device = 0;
    std::uint64_t Inode = 0;
    std::int64_t SizeBytes = 0;
    std::int64_t ModifiedNs = 0;
    friend bool operator==(const FileStamp&, const FileStamp&) = default;
};

// The stamp of what is at path itself (a link is not followed: a rename replaces the link).
int ReadFileStamp(const std::string& path, FileStamp& stamp);

// Up to maxBytes of the file at path.
int ReadSmallFile(const std::string& path, std::string& text, std::size_t maxBytes);

// Whether this process may make files in folder now: 0, or ENOENT (nothing there, a file where a
// folder of the path should be, or an empty path), ENOTDIR (a file at the path itself), EACCES (no
// right to write or enter it), EROFS (a read-only file system), or another error of the system's.
// Nothing is written.
int FolderWriteAccess(const std::string& folder);

// Flushes the folder's entries (the renames into it) to the disk. The files themselves are in
// place either way, so callers may treat a failure as the system's ordinary write-back (some file
// systems refuse to flush a folder at all).
int SyncFolder(const std::string& folder);

}  // namespace stampwise
