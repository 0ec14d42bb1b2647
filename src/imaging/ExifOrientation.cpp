// Turning stored pixels upright as the Exif orientation says. Reading the tag is ExifReader.cpp's.
#include "imaging/ExifOrientation.h"

#include <algorithm>
#include <cstring>
#include <numeric>
#include <utility>
#include <vector>

namespace stampwise {

namespace {

// Where the upright picture's pixels are in the stored one, as byte offsets into its rows (which
// are contiguous): upright (x, y) is at origin + x * xStep + y * yStep.
struct UprightWalk {
    std::ptrdiff_t origin;
    std::ptrdiff_t xStep;
    std::ptrdiff_t yStep;
};

UprightWalk WalkFor(const TBitmap& stored, Orientation orientation) {
    const std::ptrdiff_t px = TBitmap::kBytesPerPixel;
    const std::ptrdiff_t row = static_cast<std::ptrdiff_t>(stored.RowBytes());
    const std::ptrdiff_t lastColumn = px * (stored.Width() - 1);
    const std::ptrdiff_t lastRow = row * (stored.Height() - 1);
    switch (orientation) {
        case Orientation::AsStored: break;
        case Orientation::MirroredLeftRight: return {lastColumn, -px, row};
        case Orientation::Turned180: return {lastRow + lastColumn, -px, -row};
        case Orientation::MirroredTopBottom: return {lastRow, px, -row};
        case Orientation::Transposed: return {0, row, px};
        case Orientation::TurnedClockwise: return {lastRow, -row, px};
        case Orientation::Transversed: return {lastRow + lastColumn, -row, -px};
        case Orientation::TurnedCounterClockwise: return {lastColumn, row, -px};
    }
    return {0, px, row};
}

void SwapRowsTopToBottom(TBitmap& picture) {
    const std::size_t rowBytes = picture.RowBytes();
    for (int top = 0, bottom = picture.Height() - 1; top < bottom; ++top, --bottom) {
        std::uint8_t* a = picture.MutableScanLine(top);
        std::swap_ranges(a, a + rowBytes, picture.MutableScanLine(bottom));
    }
}

}  // namespace

void MirrorRow(std::uint8_t* row, int width) {
    std::uint8_t* left = row;
    std::uint8_t* right = row + TBitmap::kBytesPerPixel * (width - 1);
    for (; left < right; left += 3, right -= 3) std::swap_ranges(left, left + 3, right);
}

void CopyUprightRows(const TBitmap& stored, Orientation orientation, const int* uprightRows, int rowCount,
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

void TurnUpright(TBitmap& picture, Orientation orientation) {
    if (picture.Empty() || orientation == Orientation::AsStored) return;
    if (orientation == Orientation::MirroredLeftRight || orientation == Orientation::Turned180) {
        if (orientation == Orientation::Turned180) SwapRowsTopToBottom(picture);
        for (int y = 0; y < picture.Height(); ++y) MirrorRow(picture.MutableScanLine(y), picture.Width());
        return;
    }
    if (orientation == Orientation::MirroredTopBottom) {
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
