// Whole-file reading and replacing for the picture readers and writers. Reading keeps no file open
// beyond the call; replacing never harms the file it replaces unless every byte of the new one is
// written and on the disk, so a power cut leaves the old file or the new one, never an empty one.
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

// When the folder's record of a replace (the rename) goes to the disk: at once, or when the caller,
// having replaced several files in one folder, calls SyncFolder once after the last of them.
enum class FolderSync { Now, Later };

// Writes the bytes to a temporary file beside path (a hidden name of fixed length, so any legal
// target name works), flushes it to the disk and renames it over path. On any failure the
// temporary file is removed, an existing file at path is untouched, and EFCreateError carries the
// system's reason. A replaced file keeps its permission bits.
void ReplaceFileWith(const std::string& path, const std::uint8_t* data, std::size_t size,
                     FolderSync sync = FolderSync::Now);

// Flushes the folder's entries to the disk. Returns 0 or the system's error number; the files
// themselves are already in place either way, so callers may treat a failure as the system's
// ordinary write-back (some file systems refuse to flush a folder at all).
int SyncFolder(const std::string& folder);

}  // namespace stampwise
