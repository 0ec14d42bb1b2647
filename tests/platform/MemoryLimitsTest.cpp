// The memory a batch may use, from a made-up /proc and /sys/fs/cgroup: every limit that can end
// the process counts, the tightest one wins.
#include "platform/MemoryLimits.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "support/TempFolder.h"

namespace stampwise {
namespace {

using testing::TempFolder;

constexpr std::uint64_t kMiB = 1u << 20;

std::string Bytes(std::uint64_t mib) { return std::to_string(mib * kMiB); }

// Writes a file of the made-up tree, making its folders.
void Put(const TempFolder& root, const std::string& name, const std::string& contents) {
    std::filesystem::create_directories((root.Path() / name).parent_path());
    root.WriteFile(name, contents);
}

// The machine: 4 GiB available, a process of 100 MiB virtual size and 60 MiB of data.
void WriteMachine(const TempFolder& root, const std::string& cgroupLines) {
    Put(root, "proc/meminfo", "MemTotal: 8388608 kB\nMemFree: 1000 kB\nMemAvailable: 4194304 kB\n");
    Put(root, "proc/self/status", "Name: stampwise\nVmPeak: 102400 kB\nVmSize: 102400 kB\n"
                                       "VmData: 61440 kB\n");
    Put(root, "proc/self/cgroup", cgroupLines);
}

void WriteGroup(const TempFolder& root, const std::string& dir, const std::string& limitFile,
                const std::string& limit, const std::string& usageFile, std::uint64_t usageMib,
                const std::string& statLine) {
    Put(root, dir + "/" + limitFile, limit + "\n");
    Put(root, dir + "/" + usageFile, Bytes(usageMib) + "\n");
    Put(root, dir + "/memory.stat", "anon 1\n" + statLine + "\n");
}

TEST(AvailableMemory, TheTightestLimitOfMachineGroupsAndResourceLimitsWins) {
    const std::uint64_t none = kUnknownMemory;
    struct Case {
        const char* name;
        std::uint64_t addressLimit;
        std::uint64_t dataLimit;
        bool hasV2;
        bool hasV1;
        std::uint64_t expectedMib;
    } cases[] = {
        {"machine alone", none, none, false, false, 4096},
        // Own group 1 GiB with 300 MiB used of which 100 MiB droppable cache; its parent (the
        // scope's slice) 512 MiB with 200 MiB used: the parent leaves less.
        {"version 2 group and parent", none, none, true, false, 312},
        // A version 1 memory group of 260 MiB with 40 MiB used, 10 of them droppable cache.
        {"version 1 group", none, none, false, true, 230},
        {"both", none, none, true, true, 230},
        {"address space", 300 * kMiB, none, true, false, 200},
        {"data", none, 100 * kMiB, true, true, 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempFolder root;
        std::string groups = "12:pids:/user.slice\n";
        if (c.hasV1) groups += "4:cpu,memory:/docker/abc\n";
        if (c.hasV2) groups += "0::/user.slice/run-1.scope\n";
        WriteMachine(root, groups);
        if (c.hasV2) {
            const std::string mount = "sys/fs/cgroup/";
            WriteGroup(root, mount + "user.slice/run-1.scope", "memory.max", Bytes(1024),
                       "memory.current", 300, "inactive_file " + Bytes(100));
            WriteGroup(root, mount + "user.slice", "memory.max", Bytes(512), "memory.current", 200,
                       "inactive_file 0");
            // The top group has no limit files, as the kernel shows it.
            Put(root, mount + "cgroup.controllers", "cpu memory pids\n");
        }
        if (c.hasV1) {
            const std::string mount = "sys/fs/cgroup/memory/";
            WriteGroup(root, mount + "docker/abc", "memory.limit_in_bytes", Bytes(260),
                       "memory.usage_in_bytes", 40, "total_inactive_file " + Bytes(10));
            WriteGroup(root, mount, "memory.limit_in_bytes", "9223372036854771712",
                       "memory.usage_in_bytes", 2048, "total_inactive_file 0");
        }
        MemorySources sources;
        sources.Root = root.String();
        sources.AddressSpaceLimit = c.addressLimit;
        sources.DataLimit = c.dataLimit;
        EXPECT_EQ(AvailableMemoryBytes(sources), c.expectedMib * kMiB);
    }
}

// In a container without its own view of the groups, /proc/self/cgroup names the group by the
// host's path, which its mount does not show: the mount's top group is then the container's own.
TEST(AvailableMemory, GroupPathTheMountDoesNotShowFallsBackToTheMountsTop) {
    TempFolder root;
    WriteMachine(root, "0::/system.slice/docker-1.scope\n");
    WriteGroup(root, "sys/fs/cgroup", "memory.max", Bytes(260), "memory.current", 60, "inactive_file 0");
    MemorySources sources;
    sources.Root = root.String();
    sources.AddressSpaceLimit = kUnknownMemory;
    sources.DataLimit = kUnknownMemory;
    EXPECT_EQ(AvailableMemoryBytes(sources), 200 * kMiB);
}

}  // namespace
}  // namespace stampwise
