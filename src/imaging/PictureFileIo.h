// Whole-file reading and replacing for the picture readers and writers. Reading keeps no file open
// beyond the call; replacing never harms the file it replaces unless every byte of the new one is
// written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace stampwise {

// EFOpenError when the file cannot be opened (or is a folder), EReadError when reading it fails,
// EOutOfResources when it does not fit in memory.
std::vector<std::uint8_t> ReadWholeFile(const std::string& path);

// Writes the bytes to a temporary file beside path and renames it over path once complete. On any
// failure the temporary file is removed, an existing file at path is untouched, and EFCreateError
// carries the system's reason. A replaced file keeps its permission bits.
void ReplaceFileWith(const std::string& path, const std::uint8_t* data, std::size_t size);

}  // namespace stampwise
