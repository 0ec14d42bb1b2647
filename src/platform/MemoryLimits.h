// How much memory the process may still take before something ends it or refuses it.
//
// AvailableMemoryBytes asks every limit that can end the process for lack of memory: the machine's
// available memory, the memory control groups the process is in (its own and every parent, in
// either version of the interface) and its resource limits. What a picture's work costs is
// imaging/PictureCost's; the batch admits files while their costs fit in this.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace stampwise {

inline constexpr std::uint64_t kUnknownMemory = UINT64_MAX;

// Where AvailableMemoryBytes looks. The defaults are this process on this machine; tests put a
// made-up /proc and /sys/fs/cgroup under Root and give the limits themselves.
struct MemorySources {
    std::string Root = "/";  // holds proc/meminfo, proc/self/cgroup, proc/self/status, sys/fs/cgroup
    // RLIMIT_AS and RLIMIT_DATA in bytes (kUnknownMemory: none); unset: the process's own.
    std::optional<std::uint64_t> AddressSpaceLimit;
    std::optional<std::uint64_t> DataLimit;
    // What the process is about to map on top of its present size (the stacks of threads it will
    // start): counted against the address-space and data limits, which count a mapping whole, and
    // not against the others, which count only the pages touched.
    std::uint64_t ToBeMappedBytes = 0;
};

// The least room of: MemAvailable; for every memory control group from the process's own up to
// the top, its limit less its use (memory.max and memory.current, or memory.limit_in_bytes and
// memory.usage_in_bytes, the page cache it may drop not counted as use); the address-space limit
// less the process's virtual size, and the data limit less its data size, each also less
// ToBeMappedBytes. kUnknownMemory when none of them says anything.
std::uint64_t AvailableMemoryBytes(const MemorySources& sources);
std::uint64_t AvailableMemoryBytes();

}  // namespace stampwise
