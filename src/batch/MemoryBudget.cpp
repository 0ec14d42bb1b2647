// The memory budget of a batch: what the system grants (AvailableMemoryBytes) and what one file
// costs (EstimatePictureMemory, EstimateFileMemory).
//
// The limits are read from the files the kernel shows, under a root that tests replace:
// /proc/meminfo, /proc/self/cgroup (the process's control group in each hierarchy, as a container
// or a systemd scope places it), the control groups' files under /sys/fs/cgroup, and
// /proc/self/status for the process's own size against its resource limits. In a container the
// path in /proc/self/cgroup may name a group that its mount does not show; the groups that do not
// exist are passed over and the mount's top group, which is then the container's own, still counts.
//
// The estimate's figures were measured with `/usr/bin/time -v` on one file per run (see
// bench/README.md): the pixels alive at once and the library's buffers are exact; the encoded
// result is judged from the source's bytes per pixel, and the allocator's margin covers the rest.
#include "batch/MemoryBudget.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "imaging/ExifOrientation.h"
#include "imaging/PictureFileIo.h"

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
        room = std::min(room, RoomUnder(addressLimit, ReadKeyed(status, "VmSize:").value_or(0) * 1024));
    }
    const std::uint64_t dataLimit = ProcessLimit(sources.DataLimit, RLIMIT_DATA);
    if (dataLimit != kUnknownMemory) {
        room = std::min(room, RoomUnder(dataLimit, ReadKeyed(status, "VmData:").value_or(0) * 1024));
    }
    return room;
}

std::uint64_t AvailableMemoryBytes() { return AvailableMemoryBytes(MemorySources{}); }

namespace {

// What the allocator adds to what is asked of it: rounding, and holes in a heap shared by files
// that come and go in any order.
constexpr double kAllocatorMargin = 1.1;
constexpr std::uint64_t kFixedCost = 4u << 20;  // per file: stacks, tables, small buffers
// The library's buffers besides a progressive file's coefficients: a few rows of blocks for each
// component, in the library's own sample formats, per pixel of width.
constexpr std::uint64_t kLibraryBytesPerColumn = 256;
// The encoder's buffer grows by half when full, so while it grows the old and the new one are
// both alive: two and a half times the bytes it held.
constexpr double kGrowingBuffer = 2.5;

// A result's encoded bytes: the source's bytes per pixel twice over (sampled or re-encoded pixels
// compress worse than the source), within what quality 90 gives for flat and for noisy pictures.
double EncodedBytesPerPixel(std::uint64_t fileBytes, std::uint64_t pixels) {
    const double source = pixels == 0 ? 0.0 : static_cast<double>(fileBytes) / static_cast<double>(pixels);
    return std::clamp(2 * source, 0.5, 3.0);
}

}  // namespace

std::uint64_t EstimatePictureMemory(std::uint64_t fileBytes, const JpegHeader& header,
                                    const MemoryUse& use) {
    const int width = header.Width;
    const int height = header.Height;
    // A file that is no picture is still read whole before it is refused.
    if (width <= 0 || height <= 0) return fileBytes + kFixedCost;
    const double w = width;
    const double pixels = w * height;
    const double picture = pixels * 3;  // an RGB picture of the source's size
    const double file = static_cast<double>(fileBytes);
    // A progressive file keeps every coefficient (two bytes) of every block until its last scan.
    double library = w * kLibraryBytesPerColumn;
    if (header.Progressive) library += static_cast<double>(header.Blocks) * 64 * 2;
    const double bytesPerPixel = EncodedBytesPerPixel(fileBytes, static_cast<std::uint64_t>(pixels));
    const double turned = use.IsOnItsSide ? 2 : 1;  // a picture stored on its side is turned into a copy

    // The work goes in steps, each freeing what the next no longer needs: the library's buffers
    // are gone once the pixels are in, the source's pixels once the result is made.
    double peak = 0;
    switch (use.Work) {
        case MemoryUse::Kind::Decode:
            peak = file + library + turned * picture;
            break;
        case MemoryUse::Kind::Resize: {
            const double newPixels = static_cast<double>(std::max(use.NewWidth, 0)) * std::max(use.NewHeight, 0);
            const double result = newPixels * 3;
            // A reduction decodes only the rows it samples (from the whole picture when it is stored
            // on its side); anything else decodes the whole.
            const bool isReduction = use.NewHeight < height;
            const double sampled = w * std::max(use.NewHeight, 0) * 3;
            const double decoding = isReduction ? sampled + (use.IsOnItsSide ? picture : 0) : turned * picture;
            const double decoded = isReduction ? sampled : picture;
            // An enlargement repeats each source pixel, which costs few bytes more than the source.
            const double encoded = bytesPerPixel * std::min(newPixels, 1.5 * pixels);
            peak = std::max({file + library + decoding, file + decoded + result,
                             result + kGrowingBuffer * encoded});
            break;
        }
        case MemoryUse::Kind::StampStreamed:
            // The encoder's buffer starts at the source's size; a result half as large again (a
            // source of a lower quality) makes it grow once.
            peak = file + library + w * 16 * 3 + kGrowingBuffer * file;
            break;
        case MemoryUse::Kind::StampWhole:
            peak = std::max(file + library + 2 * picture, file + picture + kGrowingBuffer * bytesPerPixel * pixels);
            break;
    }
    return static_cast<std::uint64_t>(peak * kAllocatorMargin) + kFixedCost;
}

std::uint64_t EstimateFileMemory(const std::string& path,
                                 const std::function<MemoryUse(const JpegHeader&)>& useOf) {
    // The header is nearly always in the first few kilobytes; only metadata larger than this
    // (an Exif thumbnail, APP segments of up to 64 KiB each) makes more of the file worth reading.
    constexpr std::size_t kHeaderBytes = 16 * 1024;
    constexpr std::size_t kLongestHeaderBytes = 1u << 20;
    try {
        const FileHead head = ReadFileHead(path, kHeaderBytes);
        JpegHeader header;
        try {
            header = ReadJpegHeader(head.Bytes.data(), head.Bytes.size());
        } catch (const std::exception&) {
            // No JPEG: read, then refused.
            if (head.Bytes.size() == head.FileBytes) return EstimatePictureMemory(head.FileBytes, {}, {});
            const FileHead longer = ReadFileHead(path, kLongestHeaderBytes);
            try {
                header = ReadJpegHeader(longer.Bytes.data(), longer.Bytes.size());
            } catch (const std::exception&) {
                return EstimatePictureMemory(head.FileBytes, {}, {});
            }
        }
        const MemoryUse use = useOf ? useOf(header) : MemoryUse{};
        return EstimatePictureMemory(head.FileBytes, header, use);
    } catch (...) {
        return 0;  // a file that cannot be opened, or is no regular file, fails before it holds anything
    }
}

}  // namespace stampwise
