// The limits are read from the files the kernel shows, under a root that tests replace:
// /proc/meminfo, /proc/self/cgroup (the process's control group in each hierarchy, as a container
// or a systemd scope places it), the control groups' files under /sys/fs/cgroup, and
// /proc/self/status for the process's own size against its resource limits. In a container the
// path in /proc/self/cgroup may name a group that its mount does not show; the groups that do not
// exist are passed over and the mount's top group, which is then the container's own, still counts.
#include "platform/MemoryLimits.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

namespace stampwise {

namespace {

namespace fs = std::filesystem;

// The first whitespace-separated number of a file, or nothing (also for "max", no limit).
std::optional<std::uint64_t> ReadNumber(const fs::path& path) {
    std::ifstream in(path);
    std::uint64_t value = 0;
    if (in >> value) return value;
    return std::nullopt;
}

// The value after "key" in a file of "key value" lines (memory.stat, meminfo, status), in the
// file's own unit.
std::optional<std::uint64_t> ReadKeyed(const fs::path& path, const std::string& key) {
    std::ifstream in(path);
    for (std::string name; in >> name;) {
        if (name == key) {
            std::uint64_t value = 0;
            if (in >> value) return value;
            return std::nullopt;
        }
        in.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    return std::nullopt;
}

std::uint64_t RoomUnder(std::uint64_t limit, std::uint64_t used) {
    return limit > used ? limit - used : 0;
}

// The group at path and every parent up to the hierarchy's top, deepest first.
std::vector<fs::path> GroupChain(const fs::path& mount, const std::string& groupPath) {
    std::vector<fs::path> chain;
    fs::path relative = fs::path(groupPath).relative_path();
    for (;;) {
        chain.push_back(mount / relative);
        if (relative.empty()) break;
        relative = relative.parent_path();
    }
    return chain;
}

// The least room under the memory limits of the groups of one hierarchy. The page cache that the
// kernel drops before it would refuse memory is not counted as use.
std::uint64_t GroupRoom(const std::vector<fs::path>& chain, const char* limitFile,
                        const char* usageFile, const char* inactiveFileKey) {
    std::uint64_t room = kUnknownMemory;
    std::error_code error;
    for (const fs::path& group : chain) {
        if (!fs::is_directory(group, error)) continue;
        const std::optional<std::uint64_t> limit = ReadNumber(group / limitFile);
        const std::optional<std::uint64_t> usage = ReadNumber(group / usageFile);
        if (!limit || !usage) continue;
        const std::uint64_t dropped = ReadKeyed(group / "memory.stat", inactiveFileKey).value_or(0);
        room = std::min(room, RoomUnder(*limit, *usage - std::min(*usage, dropped)));
    }
    return room;
}

std::uint64_t ControlGroupRoom(const fs::path& root) {
    std::uint64_t room = kUnknownMemory;
    std::ifstream groups(root / "proc/self/cgroup");
    // "hierarchy:controllers:path"; the version 2 hierarchy is "0::path".
    for (std::string line; std::getline(groups, line);) {
        const std::size_t first = line.find(':');
        const std::size_t second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string controllers = line.substr(first + 1, second - first - 1);
        const std::string path = line.substr(second + 1);
        if (controllers.empty()) {
            const fs::path mount = root / "sys/fs/cgroup";
            room = std::min(room, GroupRoom(GroupChain(mount, path), "memory.max", "memory.current",
                                            "inactive_file"));
            continue;
        }
        std::stringstream list(controllers);
        for (std::string controller; std::getline(list, controller, ',');) {
            if (controller != "memory") continue;
            const fs::path mount = root / "sys/fs/cgroup/memory";
            room = std::min(room, GroupRoom(GroupChain(mount, path), "memory.limit_in_bytes",
                                            "memory.usage_in_bytes", "total_inactive_file"));
        }
    }
    return room;
}

std::uint64_t ProcessLimit(const std::optional<std::uint64_t>& given, int resource) {
    if (given) return *given;
    rlimit limit{};
    if (::getrlimit(resource, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) return kUnknownMemory;
    return static_cast<std::uint64_t>(limit.rlim_cur);
}

}  // namespace

std::uint64_t AvailableMemoryBytes(const MemorySources& sources) {
    const fs::path root(sources.Root);
    std::uint64_t room = kUnknownMemory;
    if (const auto kib = ReadKeyed(root / "proc/meminfo", "MemAvailable:")) room = *kib * 1024;
    room = std::min(room, ControlGroupRoom(root));

    const fs::path status = root / "proc/self/status";
    const std::uint64_t addressLimit = ProcessLimit(sources.AddressSpaceLimit, RLIMIT_AS);
    if (addressLimit != kUnknownMemory) {
        room = std::min(room, RoomUnder(addressLimit, ReadKeyed(status, "VmSize:").value_or(0) * 1024 +
                                                          sources.ToBeMappedBytes));
    }
    const std::uint64_t dataLimit = ProcessLimit(sources.DataLimit, RLIMIT_DATA);
    if (dataLimit != kUnknownMemory) {
        room = std::min(room, RoomUnder(dataLimit, ReadKeyed(status, "VmData:").value_or(0) * 1024 +
                                                       sources.ToBeMappedBytes));
    }
    return room;
}

std::uint64_t AvailableMemoryBytes() { return AvailableMemoryBytes(MemorySources{}); }

}  // namespace stampwise
