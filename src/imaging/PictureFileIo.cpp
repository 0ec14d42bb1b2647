// POSIX calls rather than iostreams: the messages need the system's own reason (errno), and the
// replace must control how the temporary file is created and renamed.
#include "imaging/PictureFileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <new>
#include <random>

#include "imaging/ImageErrors.h"

namespace stampwise {

namespace {

// Closes on every path out of the readers and writers below.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : fd_(other.fd_) { other.fd_ = -1; }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    int Get() const { return fd_; }
    // close() can be the first to report a failed write (on network file systems), so the writer
    // checks it instead of leaving it to the destructor.
    int Close() {
        const int result = ::close(fd_);
        fd_ = -1;
        return result;
    }

private:
    int fd_;
};

}  // namespace

namespace {

// Opens a file for reading without waiting: a FIFO with no writer would otherwise block open() for
// ever. Anything but a regular file is refused before it is read; for a regular file the flag
// changes nothing.
FileDescriptor OpenRegularFile(const std::string& path, struct stat& info) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) throw EFOpenError(path, errno);
    if (::fstat(file.Get(), &info) != 0) throw EFOpenError(path, errno);
    if (S_ISDIR(info.st_mode)) throw EFOpenError(path, EISDIR);
    if (!S_ISREG(info.st_mode)) throw ENotRegularFile(path);
    return file;
}

// Reads until size bytes are in or the file ends; returns how many there were.
std::size_t ReadUpTo(const FileDescriptor& file, std::uint8_t* data, std::size_t size) {
    std::size_t filled = 0;
    while (filled < size) {
        const ssize_t got = ::read(file.Get(), data + filled, size - filled);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw EReadError();
        }
        if (got == 0) break;
        filled += static_cast<std::size_t>(got);
    }
    return filled;
}

}  // namespace

std::vector<std::uint8_t> ReadWholeFile(const std::string& path) {
    struct stat info {};
    const FileDescriptor file = OpenRegularFile(path, info);
    std::vector<std::uint8_t> bytes;
    try {
        // The size is a hint only: the loop reads to the end whatever the file turns out to hold.
        std::size_t filled = 0;
        bytes.resize(static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1);
        for (;;) {
            filled += ReadUpTo(file, bytes.data() + filled, bytes.size() - filled);
            if (filled < bytes.size()) break;  // the file ended
            bytes.resize(bytes.size() * 2);
        }
        bytes.resize(filled);
    } catch (const std::bad_alloc&) {
        throw EOutOfResources();
    }
    return bytes;
}

FileHead ReadFileHead(const std::string& path, std::size_t maxBytes) {
    struct stat info {};
    const FileDescriptor file = OpenRegularFile(path, info);
    FileHead head;
    head.FileBytes = static_cast<std::uint64_t>(std::max<off_t>(info.st_size, 0));
    head.Bytes.resize(static_cast<std::size_t>(std::min<std::uint64_t>(head.FileBytes, maxBytes)));
    head.Bytes.resize(ReadUpTo(file, head.Bytes.data(), head.Bytes.size()));
    return head;
}

int SyncFolder(const std::string& folder) {
    FileDescriptor directory(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (directory.Get() < 0) return errno;
    if (::fsync(directory.Get()) != 0) return errno;
    return 0;
}

void ReplaceFileWith(const std::string& path, const std::uint8_t* data, std::size_t size,
                     FolderSync sync) {
    namespace fs = std::filesystem;
    const fs::path target(path);
    if (target.filename().empty()) throw EFCreateError(path, EISDIR);
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    // A name of our own in the target's folder, so the rename stays on one file system. Its length
    // does not depend on the target's, which may itself be as long as a name can be. O_EXCL makes
    // a clash with any other file a retry, never an overwrite.
    std::random_device seed;
    std::mt19937_64 random(seed());
    std::string temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        char name[40];
        std::snprintf(name, sizeof name, ".stampwise-%016llx.tmp", static_cast<unsigned long long>(random()));
        temporary = (folder / name).string();
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) throw EFCreateError(path, errno);
    FileDescriptor file(fd);

    const auto fail = [&](int errorNumber) {
        if (file.Get() >= 0) file.Close();
        ::unlink(temporary.c_str());
        throw EFCreateError(path, errorNumber);
    };

    struct stat existing {};
    if (::stat(path.c_str(), &existing) == 0) {
        if (S_ISDIR(existing.st_mode)) fail(EISDIR);
        ::fchmod(file.Get(), existing.st_mode & 07777);
    }
    std::size_t written = 0;
    while (written < size) {
        const ssize_t put = ::write(file.Get(), data + written, size - written);
        if (put < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        written += static_cast<std::size_t>(put);
    }
    // Without the flush, a power cut soon after the rename can leave a zero-length file where the
    // earlier good one was: the rename may reach the disk before the data does.
    while (::fsync(file.Get()) != 0) {
        if (errno != EINTR) fail(errno);
    }
    if (file.Close() != 0) fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) fail(errno);
    // The result is complete and in place now; a folder that cannot be flushed only leaves the
    // rename to the system's write-back, which is no reason to call the save failed.
    if (sync == FolderSync::Now) SyncFolder(folder.string());
}

}  // namespace stampwise
