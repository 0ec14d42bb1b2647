// What the work on one picture costs in memory at its peak, from its file's size and its header.
//
// PictureCost gives the pieces (the file's bytes, the decoder's buffers, decoded pixels, an
// encoded result and the encoder's growing buffer) and the total with the allocator's margin;
// each operation adds the pieces up for the steps of its own work (resize/, watermark/), since
// only it knows which of them are alive at once. DecodedWholeMemory is the cost of the plainest
// work, a picture decoded whole and kept, and EstimateFileMemory reads a file's header to price it.
// What the system grants is platform/MemoryLimits'.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "imaging/JpegDecoder.h"

namespace stampwise {

class PictureCost {
public:
    // A header without a size (a file that is no picture) costs the file's bytes alone.
    PictureCost(std::uint64_t fileBytes, const JpegHeader& header);

    bool HasPicture() const { return width_ > 0 && height_ > 0; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    double File() const { return file_; }
    // The decoder's own buffers: a few rows of blocks per column, and all of a progressive file's
    // coefficients until its last scan.
    double Library() const { return library_; }
    // An RGB picture of the source's size.
    double Picture() const { return picture_; }
    // So many RGB rows of the source's width.
    double Rows(int rows) const;
    // A result's encoded bytes per pixel, judged from the source's.
    double EncodedBytesPerPixel() const { return encodedBytesPerPixel_; }
    // The encoder's buffer while it grows to hold so many bytes.
    static double GrowingBuffer(double encodedBytes);
    // The peak of the bytes alive at once, with the allocator's margin and a file's fixed cost.
    std::uint64_t Total(double peak) const;

private:
    std::uint64_t fileBytes_;
    int width_;
    int height_;
    double file_;
    double library_;
    double picture_;
    double encodedBytesPerPixel_;
};

// Decoded whole and kept (a logo, a preview); a picture stored turned by a quarter is turned into
// a copy.
std::uint64_t DecodedWholeMemory(std::uint64_t fileBytes, const JpegHeader& header, bool isOnItsSide);

// What a file's picture costs, given its file's size and header.
using PictureMemoryEstimate =
    std::function<std::uint64_t(std::uint64_t fileBytes, const JpegHeader& header)>;

// A file's header as it was read from the file's first bytes for its estimate, kept for the work
// that reads the whole file later, so that the header is parsed once. The file may be replaced in
// between, so the header holds only for bytes that still start with the bytes it was read from.
class HeaderReadBefore {
public:
    HeaderReadBefore(JpegHeader header, std::vector<std::uint8_t> head)
        : header_(std::move(header)), head_(std::move(head)) {}
    // The header, when data starts with the bytes it was read from; else null.
    const JpegHeader* For(const std::uint8_t* data, std::size_t size) const;
    const JpegHeader* For(const std::vector<std::uint8_t>& data) const { return For(data.data(), data.size()); }

private:
    JpegHeader header_;
    std::vector<std::uint8_t> head_;
};

// What a file costs, and its header when that was read (null for a file that is no JPEG, cannot
// be read, or whose header lies beyond the first bytes read). It reads as its bytes, so a cost
// computes and compares as a number.
struct FileEstimate {
    FileEstimate(std::uint64_t bytes = 0, std::shared_ptr<const HeaderReadBefore> header = {})
        : Bytes(bytes), Header(std::move(header)) {}
    operator std::uint64_t() const { return Bytes; }

    std::uint64_t Bytes;
    std::shared_ptr<const HeaderReadBefore> Header;
};

// The cost of a file, from its size and its header (estimate; unset: decoded whole, as stored). A
// file that is no JPEG costs its bytes (it is read whole before it fails); one that cannot be read
// costs nothing. Reads no more than the header from a regular file, and nothing from any other
// kind of file.
FileEstimate EstimateFileMemory(const std::string& path, const PictureMemoryEstimate& estimate = {});

}  // namespace stampwise
