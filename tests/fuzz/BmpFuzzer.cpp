// libFuzzer target for the BMP path: every input is read as a BMP file (through a file, as the
// program reads one) and, without its 14-byte file header, as a bitmap resource. Either reader
// must give a picture or one of its own errors; nothing is touched outside a buffer, and reading
// takes no more memory than the batch's estimate for a logo of the announced size.
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzMemory.h"
#include "imaging/Bitmap.h"
#include "imaging/JpegDecoder.h"
#include "imaging/PictureCost.h"
#include "imaging/ImageErrors.h"

using namespace stampwise;
using namespace stampwise::fuzz;

namespace {

// As in the JPEG target: a tiny RLE file may announce 2^28 pixels, legal but slow to fill; inputs
// that announce more than this are passed over (the limit itself has its tests).
constexpr std::int64_t kMaxFuzzPixels = std::int64_t{1} << 21;

std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

// The pixel count the information header at dib announces, as the reader would take it; 0 when
// the header is too short to say.
std::int64_t AnnouncedPixels(const std::uint8_t* dib, std::size_t size) {
    if (size < 12) return 0;
    if (U32(dib) == 12) return std::int64_t{dib[4] | (dib[5] << 8)} * (dib[6] | (dib[7] << 8));
    if (U32(dib) < 40) return 0;
    const std::int64_t width = static_cast<std::int32_t>(U32(dib + 4));
    const std::int64_t height = static_cast<std::int32_t>(U32(dib + 8));
    return std::llabs(width) * std::llabs(height);
}

// One in-memory file for the whole run, read through its /proc path like any other file.
int MemoryFile() {
    static const int fd = memfd_create("bmp-fuzz", 0);
    if (fd < 0) std::abort();
    return fd;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallMemoryCount();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kFileHeaderBytes = 14;
    if (size >= kFileHeaderBytes && AnnouncedPixels(data + kFileHeaderBytes, size - kFileHeaderBytes) > kMaxFuzzPixels) {
        return 0;
    }

    const int fd = MemoryFile();
    if (ftruncate(fd, 0) != 0) std::abort();
    if (size > 0 && pwrite(fd, data, size, 0) != static_cast<ssize_t>(size)) std::abort();
    std::int64_t width = 0;
    std::int64_t height = 0;
    ReadBmpHeaderSize(data, size, width, height);
    JpegHeader announced;  // the size is all the estimate needs
    announced.Width = static_cast<int>(std::min<std::int64_t>(width, 1 << 30));
    announced.Height = static_cast<int>(std::min<std::int64_t>(height, 1 << 30));
    const std::uint64_t estimate = DecodedWholeMemory(size, announced, false);
    const std::string path = "/proc/self/fd/" + std::to_string(fd);
    TBitmap file;
    {
        const MemoryWatch watch;
        try {
            file.ReadBmpFile(path);
        } catch (const EImageError&) {
        }
        CheckWithin(watch, estimate);
    }

    if (size >= kFileHeaderBytes) {
        TBitmap resource;
        try {
            resource.ReadBmpResource(data + kFileHeaderBytes, size - kFileHeaderBytes);
        } catch (const EImageError&) {
        }
    }
    return 0;
}
