// Reading the orientation and credit tags from an Exif segment, and turning pixels as it says.
//
// The parser reads only IFD0 and only those tags; it never follows a pointer it has not checked
// against the segment's length, and gives up (as stored, no credit) at the first thing it cannot
// read. It does not look at thumbnails, sub-IFDs or any other tag.
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

// IFD0 of an Exif payload: where its entries start and how many there are, all of them inside
// the TIFF bytes; count 0 for a payload that is not Exif or whose directory does not fit (such a
// directory is not trusted at all, even in the entries that do).
struct Ifd0 {
    TiffBytes tiff{nullptr, 0, false};
    std::size_t firstEntry = 0;
    std::size_t entryCount = 0;
};

Ifd0 FindIfd0(const std::uint8_t* segment, std::size_t size) {
    constexpr std::size_t kSignatureBytes = sizeof kExifSignature;
    Ifd0 none;
    if (segment == nullptr || size < kSignatureBytes + 8) return none;
    if (std::memcmp(segment, kExifSignature, kSignatureBytes) != 0) return none;

    TiffBytes tiff{segment + kSignatureBytes, size - kSignatureBytes, false};
    if (tiff.data[0] == 'M' && tiff.data[1] == 'M') {
        tiff.isBigEndian = true;
    } else if (!(tiff.data[0] == 'I' && tiff.data[1] == 'I')) {
        return none;
    }
    if (tiff.U16(2) != 42) return none;

    // Offsets are 32-bit and the segment at most 64 KiB, so these sums cannot overflow size_t.
    const std::size_t ifd = tiff.U32(4);
    if (ifd > tiff.size || tiff.size - ifd < 2) return none;
    const std::size_t entryCount = tiff.U16(ifd);
    const std::size_t firstEntry = ifd + 2;
    if ((tiff.size - firstEntry) / kEntryBytes < entryCount) return none;
    return Ifd0{tiff, firstEntry, entryCount};
}

constexpr std::uint16_t kArtistTag = 0x013B;
constexpr std::uint16_t kCopyrightTag = 0x8298;
constexpr std::uint16_t kTypeAscii = 2;
constexpr std::uint16_t kTypeUtf8 = 129;  // Exif 3.0

// The text of the entry at entry: its bytes up to the count, where the count says they are,
// without the terminating NULs; empty when any of that cannot be read.
std::string ReadText(const TiffBytes& tiff, std::size_t entry) {
    const std::uint16_t type = tiff.U16(entry + 2);
    if (type != kTypeAscii && type != kTypeUtf8) return std::string();
    const std::size_t count = tiff.U32(entry + 4);
    // Four bytes or fewer sit in the value field itself; more are at the offset it holds.
    std::size_t at = entry + 8;
    if (count > 4) {
        at = tiff.U32(entry + 8);
        if (at > tiff.size || tiff.size - at < count) return std::string();
    }
    std::string text(reinterpret_cast<const char*>(tiff.data + at), count);
    while (!text.empty() && text.back() == '\0') text.pop_back();
    return text;
}

}  // namespace

ExifCredit ReadExifCredit(const std::uint8_t* segment, std::size_t size) noexcept {
    ExifCredit credit;
    try {
        const Ifd0 ifd = FindIfd0(segment, size);
        bool hasArtist = false;
        bool hasCopyright = false;
        for (std::size_t i = 0; i < ifd.entryCount; ++i) {
            const std::size_t entry = ifd.firstEntry + i * kEntryBytes;
            const std::uint16_t tag = ifd.tiff.U16(entry);
            // The first of a tag given twice counts, as for the orientation.
            if (tag == kArtistTag && !std::exchange(hasArtist, true)) {
                credit.Artist = ReadText(ifd.tiff, entry);
            } else if (tag == kCopyrightTag && !std::exchange(hasCopyright, true)) {
                credit.Copyright = ReadText(ifd.tiff, entry);
            }
        }
    } catch (...) {
        return ExifCredit{};  // no memory for a text of at most 64 KiB: no credit, no failure
    }
    return credit;
}

int ReadExifOrientation(const std::uint8_t* segment, std::size_t size) noexcept {
    const Ifd0 ifd = FindIfd0(segment, size);
    const TiffBytes& tiff = ifd.tiff;
    for (std::size_t i = 0; i < ifd.entryCount; ++i) {
        const std::size_t entry = ifd.firstEntry + i * kEntryBytes;
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
