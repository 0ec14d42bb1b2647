// The figures were measured with `/usr/bin/time -v` on one file per run (see bench/README.md):
// the pixels alive at once and the library's buffers are exact; the encoded result is judged from
// the source's bytes per pixel, and the allocator's margin covers the rest.
#include "imaging/PictureCost.h"

#include <algorithm>
#include <cstddef>
#include <exception>

#include "imaging/PictureFileIo.h"

namespace stampwise {

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
double JudgeEncodedBytesPerPixel(std::uint64_t fileBytes, std::uint64_t pixels) {
    const double source =
        pixels == 0 ? 0.0 : static_cast<double>(fileBytes) / static_cast<double>(pixels);
    return std::clamp(2 * source, 0.5, 3.0);
}

}  // namespace

PictureCost::PictureCost(std::uint64_t fileBytes, const JpegHeader& header)
    : fileBytes_(fileBytes),
      width_(header.Width),
      height_(header.Height),
      file_(static_cast<double>(fileBytes)),
      library_(0),
      picture_(0),
      encodedBytesPerPixel_(0) {
    if (!HasPicture()) return;
    const double w = width_;
    const double pixels = w * height_;
    picture_ = pixels * 3;
    library_ = w * kLibraryBytesPerColumn;
    if (header.Progressive) library_ += static_cast<double>(header.Blocks) * 64 * 2;
    encodedBytesPerPixel_ = JudgeEncodedBytesPerPixel(fileBytes, static_cast<std::uint64_t>(pixels));
}

double PictureCost::Rows(int rows) const { return static_cast<double>(width_) * rows * 3; }

double PictureCost::GrowingBuffer(double encodedBytes) { return kGrowingBuffer * encodedBytes; }

std::uint64_t PictureCost::Total(double peak) const {
    // A file that is no picture is still read whole before it is refused.
    if (!HasPicture()) return fileBytes_ + kFixedCost;
    return static_cast<std::uint64_t>(peak * kAllocatorMargin) + kFixedCost;
}

std::uint64_t DecodedWholeMemory(std::uint64_t fileBytes, const JpegHeader& header, bool isOnItsSide) {
    const PictureCost cost(fileBytes, header);
    const double turned = isOnItsSide ? 2 : 1;
    return cost.Total(cost.File() + cost.Library() + turned * cost.Picture());
}

const JpegHeader* HeaderReadBefore::For(const std::uint8_t* data, std::size_t size) const {
    if (size < head_.size() || !std::equal(head_.begin(), head_.end(), data)) return nullptr;
    return &header_;
}

FileEstimate EstimateFileMemory(const std::string& path, const PictureMemoryEstimate& estimate) {
    // The header is nearly always in the first few kilobytes; only metadata larger than this
    // (an Exif thumbnail, APP segments of up to 64 KiB each) makes more of the file worth reading.
    constexpr std::size_t kHeaderBytes = 16 * 1024;
    constexpr std::size_t kLongestHeaderBytes = 1u << 20;
    try {
        FileHead head = ReadFileHead(path, kHeaderBytes);
        const std::uint64_t noPicture = PictureCost(head.FileBytes, {}).Total(0);
        JpegHeader header;
        // Only a header found in the first read is kept for the file's work: the bytes it is
        // checked against stay small, and larger headers are rare.
        bool isKept = true;
        try {
            header = ReadJpegHeader(head.Bytes.data(), head.Bytes.size());
        } catch (const std::exception&) {
            // No JPEG: read, then refused.
            if (head.Bytes.size() == head.FileBytes) return noPicture;
            const FileHead longer = ReadFileHead(path, kLongestHeaderBytes);
            try {
                header = ReadJpegHeader(longer.Bytes.data(), longer.Bytes.size());
            } catch (const std::exception&) {
                return noPicture;
            }
            isKept = false;
        }
        const std::uint64_t bytes =
            estimate ? estimate(head.FileBytes, header) : DecodedWholeMemory(head.FileBytes, header, false);
        if (!isKept) return bytes;
        return {bytes, std::make_shared<const HeaderReadBefore>(std::move(header), std::move(head.Bytes))};
    } catch (...) {
        return 0;  // a file that cannot be opened, or is no regular file, fails before it holds anything
    }
}

}  // namespace stampwise
