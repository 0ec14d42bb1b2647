// Whole-file reading for the picture readers. Reading keeps no file open beyond the call. Writing
// is the batch's (batch/ResultFiles, over platform/FileOperations).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace stampwise {

// What a source or logo path names must be a regular file. Anything else (a FIFO with no writer, a
// device that never ends, a socket) is refused when opened, before a byte is read, and opening
// never waits for a writer: ENotRegularFile (a folder named like a picture: EFOpenError with the
// system's "Is a directory").

// EFOpenError when the file cannot be opened or is no regular file, EReadError when reading it
// fails, EOutOfResources when it does not fit in memory.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// The first bytes of a regular file, at most maxBytes of them, and the file's size: for a look at
// a header without reading the rest. Fails as ReadWholeFile does.
struct FileHead {
    std::vector<std::uint8_t> Bytes;
    std::uint64_t FileBytes = 0;
};
FileHead ReadFileHead(const std::string& path, std::size_t maxBytes);

}  // namespace stampwise
