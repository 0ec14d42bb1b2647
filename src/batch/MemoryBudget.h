// How much memory a batch may use, and what one file of it costs.
//
// AvailableMemoryBytes asks every limit that can end the process for lack of memory: the machine's
// available memory, the memory control groups the process is in (its own and every parent, in
// either version of the interface) and its resource limits. EstimatePictureMemory and
// EstimateFileMemory say what a file costs at its peak, from its size and its JPEG header, for the
// work an operation does with it (MemoryUse); the runner admits files while their estimates fit.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "imaging/JpegDecoder.h"

namespace stampwise {

inline constexpr std::uint64_t kUnknownMemory = UINT64_MAX;

// Where AvailableMemoryBytes looks. The defaults are this process on this machine; tests put a
// made-up /proc and /sys/fs/cgroup under Root and give the limits themselves.
struct MemorySources {
    std::string Root = "/";  // holds proc/meminfo, proc/self/cgroup, proc/self/status, sys/fs/cgroup
    // RLIMIT_AS and RLIMIT_DATA in bytes (kUnknownMemory: none); unset: the process's own.
    std::optional<std::uint64_t> AddressSpaceLimit;
    std::optional<std::uint64_t> DataLimit;
};

// The least room of: MemAvailable; for every memory control group from the process's own up to
// the top, its limit less its use (memory.max and memory.current, or memory.limit_in_bytes and
// memory.usage_in_bytes, the page cache it may drop not counted as use); the address-space limit
// less the process's virtual size, and the data limit less its data size. kUnknownMemory when none
// of them says anything.
std::uint64_t AvailableMemoryBytes(const MemorySources& sources);
std::uint64_t AvailableMemoryBytes();

// What an operation does with a file's picture.
struct MemoryUse {
    enum class Kind {
        Decode,          // decoded whole and kept (a logo, a preview)
        Resize,          // decoded (for a reduction only the rows sampled), scaled and encoded
        StampStreamed,   // decoded, stamped and encoded a band of rows at a time
        StampWhole,      // decoded whole, stamped and encoded (a file turned out of row order)
    };
    Kind Work = Kind::Decode;
    bool IsOnItsSide = false;  // stored turned by a quarter (the orientation swaps the sides)
    int NewWidth = 0;  // Resize: the result's size
    int NewHeight = 0;
};

// What one picture costs at its peak, from its file's size and what its header says (a BMP file's
// as a JPEG header of its size): the file's bytes, the library's own buffers (all of a progressive
// file's coefficients), the pixels alive at once and the encoded result, with a margin for the
// allocator.
std::uint64_t EstimatePictureMemory(std::uint64_t fileBytes, const JpegHeader& header,
                                    const MemoryUse& use);

// The same for a file, from its size and its header; useOf says what the operation does with the
// picture the header describes (upright size, orientation). A file that is no JPEG costs its bytes
// (it is read whole before it fails); one that cannot be read costs nothing. Reads no more than
// the header from a regular file, and nothing from any other kind of file.
std::uint64_t EstimateFileMemory(const std::string& path,
                                 const std::function<MemoryUse(const JpegHeader&)>& useOf = {});

}  // namespace stampwise
