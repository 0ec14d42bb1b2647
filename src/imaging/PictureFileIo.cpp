// POSIX calls rather than iostreams: the messages need the system's own reason (errno), and a
// special file must be refused before a read can block on it.
#include "imaging/PictureFileIo.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

#include "imaging/ImageErrors.h"
#include "platform/FileOperations.h"

namespace stampwise {

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
            throw EReadError(errno);
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

}  // namespace stampwise
