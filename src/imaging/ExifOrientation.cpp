// Reading the orientation tag from an Exif segment and turning pixels as it says.
//
// The parser reads only IFD0 and only the one tag; it never follows a pointer it has not checked
// against the segment's length, and gives up (as stored) at the first thing it cannot read. It does
// not look at thumbnails, sub-IFDs or any other tag.
#include "imaging/ExifOrientation.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>
#include <vector>

namespace stampwise {

namespace {

constexpr std::uint8_t kExifSignature[] = {'E', 'x', 'i', 'f', 0, 0};
constexpr std::uint16_t kOrientationTag = 0x0112;
constexpr std::uint16_t kTypeShort = 3;
constexpr std::size_t kEntryBytes = 12;

// The TIFF structure after the signature, read in its own byte order.
struct TiffBytes {
    const std::uint8_t* data;
    std::size_t size;
    bool isBigEndian;

    // Callers check at + 2 (or + 4) <= size first.
    std::uint16_t U16(std::size_t at) const {
        return isBigEndian ? static_cast<std::uint16_t>(data[at] << 8 | data[at + 1])
                           : static_cast<std::uint16_t>(data[at + 1] << 8 | data[at]);
    }
    std::uint32_t U32(std::size_t at) const {
        const std::uint32_t high = U16(at);
        const std::uint32_t low = U16(at + 2);
        return isBigEndian ? (high << 16 | low) : (low << 16 | high);
    }
};

}  // namespace

int ReadExifOrientation(const std::uint8_t* segment, std::size_t size) noexcept {
    constexpr std::size_t kSignatureBytes = sizeof kExifSignature;
    if (segment == nullptr || size < kSignatureBytes + 8) return kOrientationAsStored;
    if (std::memcmp(segment, kExifSignature, kSignatureBytes) != 0) return kOrientationAsStored;

    TiffBytes tiff{segment + kSignatureBytes, size - kSignatureBytes, false};
    if (tiff.data[0] == 'M' && tiff.data[1] == 'M') {
        tiff.isBigEndian = true;
    } else if (!(tiff.data[0] == 'I' && tiff.data[1] == 'I')) {
        return kOrientationAsStored;
    }
    if (tiff.U16(2) != 42) return kOrientationAsStored;

    // Offsets are 32-bit and the segment at most 64 KiB, so these sums cannot overflow size_t.
    const std::size_t ifd = tiff.U32(4);
    if (ifd > tiff.size || tiff.size - ifd < 2) return kOrientationAsStored;
    const std::size_t entryCount = tiff.U16(ifd);
    const std::size_t firstEntry = ifd + 2;
    // A directory that does not fit is not trusted at all, even in the entries that do.
    if ((tiff.size - firstEntry) / kEntryBytes < entryCount) return kOrientationAsStored;

    for (std::size_t i = 0; i < entryCount; ++i) {
        const std::size_t entry = firstEntry + i * kEntryBytes;
        if (tiff.U16(entry) != kOrientationTag) continue;
        if (tiff.U16(entry + 2) != kTypeShort || tiff.U32(entry + 4) != 1) return kOrientationAsStored;
        // A single SHORT sits in the first two bytes of the value field, in either byte order.
        const int value = tiff.U16(entry + 8);
        return value >= 1 && value <= 8 ? value : kOrientationAsStored;
    }
    return kOrientationAsStored;
}

namespace {

// Where the upright picture's pixels are in the stored one, as byte offsets into its rows (which
// are contiguous): upright (x, y) is at origin + x * xStep + y * yStep.
struct UprightWalk {
    std::ptrdiff_t origin;
    std::ptrdiff_t xStep;
    std::ptrdiff_t yStep;
};

UprightWalk WalkFor(const TBitmap& stored, int orientation) {
    const std::ptrdiff_t px = TBitmap::kBytesPerPixel;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(stored.RowBytes());
    const std::ptrdiff_t lastColumn = px * (stored.Width() - 1);
    const std::ptrdiff_t lastRow = row * (stored.Height() - 1);
    switch (orientation) {
        case 2: return {lastColumn, -px, row};
        case 3: return {lastRow + lastColumn, -px, -row};
        case 4: return {lastRow, px, -row};
        case 5: return {0, row, px};
        case 6: return {lastRow, -row, px};
        case 7: return {lastRow + lastColumn, -row, -px};
        case 8: return {lastColumn, row, -px};
        default: return {0, px, row};
    }
}

void ReverseRow(std::uint8_t* row, int width) {
    std::uint8_t* left = row;
    std::uint8_t* right = row + TBitmap::kBytesPerPixel * (width - 1);
    for (; left < right; left += 3, right -= 3) std::swap_ranges(left, left + 3, right);
}

void SwapRowsTopToBottom(TBitmap& picture) {
    const std::size_t rowBytes = picture.RowBytes();
    for (int top = 0, bottom = picture.Height() - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = picture.MutableScanLine(top);
        std::swap_ranges(a, a + rowBytes, picture.MutableScanLine(bottom));
    }
}

}  // namespace

void CopyUprightRows(const TBitmap& stored, int orientation, const int* uprightRows, int rowCount,
                     TBitmap& out) {
    // Filling a band of rows one column at a time keeps both the reads and the writes within a few
    // cache lines when the sides swap: the band's pixels of one column lie along one stored row,
    // and each band row gets one short run. One whole row at a time would instead walk down a
    // stored column and touch a new cache line for every pixel.
    constexpr int kBandRows = 32;
    const UprightWalk walk = WalkFor(stored, orientation);
    const std::uint8_t* base = stored.ScanLine(0);
    for (int first = 0; first < rowCount; first += kBandRows) {
        const int bandRows = std::min(kBandRows, rowCount - first);
        std::uint8_t* rows[kBandRows];
        std::ptrdiff_t starts[kBandRows];
        for (int i = 0; i < bandRows; ++i) {
            rows[i] = out.MutableScanLine(first + i);
            starts[i] = walk.origin + walk.yStep * uprightRows[first + i];
        }
        for (int x = 0; x < out.Width(); ++x) {
            const std::ptrdiff_t across = walk.xStep * x;
            for (int i = 0; i < bandRows; ++i) std::memcpy(rows[i] + 3 * x, base + starts[i] + across, 3);
        }
    }
}

void TurnUpright(TBitmap& picture, int orientation) {
    if (picture.Empty() || orientation < 2 || orientation > 8) return;
    if (orientation == 2 || orientation == 3) {
        if (orientation == 3) SwapRowsTopToBottom(picture);
        for (int y = 0; y < picture.Height(); ++y) ReverseRow(picture.MutableScanLine(y), picture.Width());
        return;
    }
    if (orientation == 4) {
        SwapRowsTopToBottom(picture);
        return;
    }
    TBitmap turned;
    turned.Allocate(picture.Height(), picture.Width());
    std::vector<int> everyRow(static_cast<std::size_t>(turned.Height()));
    std::iota(everyRow.begin(), everyRow.end(), 0);
    CopyUprightRows(picture, orientation, everyRow.data(), turned.Height(), turned);
    picture = std::move(turned);
}

}  // namespace stampwise
