// Reading BMP files and bitmap resources (the same bytes without the 14-byte file header) into a
// TBitmap. Every layout is widened to 8 bits per channel: palette entries become their colours,
// 16- and 32-bit pixels are unpacked through their channel masks, RLE4 and RLE8 are expanded.
//
// A BMP header is hostile until checked: every size, count, offset, mask and run is validated before
// it is used, so a broken file fails with "Bitmap image is not valid" (a layout that makes no sense)
// or "Stream read error" (a file shorter than its headers, colour table or pixels need), and nothing
// is ever read or written outside a buffer. Pixels an RLE stream skips stay black.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

#include "imaging/Bitmap.h"
#include "imaging/ImageErrors.h"
#include "imaging/PictureFileIo.h"

namespace stampwise {

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;
// From the V2 header on, the three masks are part of the header instead of following it.
constexpr std::uint32_t kHeaderWithMasksBytes = 52;

std::uint16_t U16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[3]} << 24);
}

// One colour channel of a packed pixel, scaled to 8 bits.
class Channel {
public:
    explicit Channel(std::uint32_t mask)
        : mask_(mask), shift_(mask ? std::countr_zero(mask) : 0), bits_(std::popcount(mask)) {}

    // A channel mask must be one run of bits; anything else has no meaning as a channel.
    bool IsValid() const { return mask_ == 0 || std::has_single_bit((mask_ >> shift_) + 1ull); }

    std::uint8_t Of(std::uint32_t pixel) const {
        if (bits_ == 0) return 0;
        const std::uint32_t v = (pixel & mask_) >> shift_;
        if (bits_ >= 8) return static_cast<std::uint8_t>(v >> (bits_ - 8));
        const std::uint32_t top = (1u << bits_) - 1;
        return static_cast<std::uint8_t>((v * 255 + top / 2) / top);
    }

private:
    std::uint32_t mask_;
    int shift_;
    int bits_;
};

struct DibLayout {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool isTopDown = false;
    int bitCount = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t imageBytes = 0;  // 0: unknown (allowed for uncompressed data)
    std::array<std::uint8_t, 256 * 3> palette{};  // R, G, B; entries the file lacks stay black
    std::uint32_t masks[3] = {0, 0, 0};       // red, green, blue
};

// Everything the header promises, checked against the bytes that are really there. dib points at
// the information header; pixelOffset (from dib) is the file header's word, or 0 for a resource.
DibLayout ParseLayout(const std::uint8_t* dib, std::size_t size, std::int64_t& pixelOffset) {
    if (size < 4) throw EReadError();
    const std::uint32_t headerBytes = U32(dib);
    DibLayout layout;
    std::int64_t colorsUsed = 0;
    std::int64_t entryBytes = 4;
    int planes = 0;
    if (headerBytes == kCoreHeaderBytes) {
        if (size < kCoreHeaderBytes) throw EReadError();
        layout.width = U16(dib + 4);
        layout.height = U16(dib + 6);
        planes = U16(dib + 8);
        layout.bitCount = U16(dib + 10);
        entryBytes = 3;
    } else if (headerBytes >= kInfoHeaderBytes) {
        if (size < headerBytes) throw EReadError();
        layout.width = static_cast<std::int32_t>(U32(dib + 4));
        layout.height = static_cast<std::int32_t>(U32(dib + 8));
        planes = U16(dib + 12);
        layout.bitCount = U16(dib + 14);
        layout.compression = U32(dib + 16);
        layout.imageBytes = U32(dib + 20);
        colorsUsed = U32(dib + 32);
    } else {
        throw EInvalidGraphic();
    }
    if (planes != 1) throw EInvalidGraphic();
    if (layout.height < 0) {
        layout.isTopDown = true;
        layout.height = -layout.height;
    }
    if (layout.width <= 0 || layout.height == 0) throw EInvalidGraphic();

    const int bits = layout.bitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) throw EInvalidGraphic();
    const std::uint32_t c = layout.compression;
    const bool isKnown = c == kRgb || (c == kRle8 && bits == 8) || (c == kRle4 && bits == 4) ||
                         (c == kBitFields && (bits == 16 || bits == 32));
    if (!isKnown) throw EInvalidGraphic();
    // Run-length data is always stored bottom-up.
    if ((c == kRle8 || c == kRle4) && layout.isTopDown) throw EInvalidGraphic();

    std::int64_t tableStart = headerBytes;
    if (c == kBitFields) {
        std::int64_t maskStart = kInfoHeaderBytes;
        if (headerBytes < kHeaderWithMasksBytes) {
            maskStart = headerBytes;
            tableStart = std::int64_t{headerBytes} + 12;
        }
        if (maskStart + 12 > static_cast<std::int64_t>(size)) throw EReadError();
        for (int i = 0; i < 3; ++i) layout.masks[i] = U32(dib + maskStart + 4 * i);
        const std::uint32_t all = layout.masks[0] | layout.masks[1] | layout.masks[2];
        const bool isOverlapping = (layout.masks[0] & layout.masks[1]) || (layout.masks[0] & layout.masks[2]) ||
                                   (layout.masks[1] & layout.masks[2]);
        if (isOverlapping || (bits == 16 && all > 0xFFFF)) throw EInvalidGraphic();
        for (std::uint32_t m : layout.masks) {
            if (!Channel(m).IsValid()) throw EInvalidGraphic();
        }
    } else if (bits == 16) {
        layout.masks[0] = 0x7C00;
        layout.masks[1] = 0x03E0;
        layout.masks[2] = 0x001F;
    } else if (bits == 32) {
        layout.masks[0] = 0x00FF0000;
        layout.masks[1] = 0x0000FF00;
        layout.masks[2] = 0x000000FF;
    }

    std::int64_t entries = colorsUsed;
    if (entries == 0 && bits <= 8) entries = std::int64_t{1} << bits;
    const std::int64_t tableEnd = tableStart + entries * entryBytes;  // entries < 2^32: no overflow
    if (tableEnd > static_cast<std::int64_t>(size)) throw EReadError();
    const std::int64_t usable = std::min<std::int64_t>(entries, bits <= 8 ? std::int64_t{1} << bits : 0);
    for (std::int64_t i = 0; i < usable; ++i) {
        const std::uint8_t* e = dib + tableStart + i * entryBytes;  // stored B, G, R
        layout.palette[3 * i + 0] = e[2];
        layout.palette[3 * i + 1] = e[1];
        layout.palette[3 * i + 2] = e[0];
    }

    if (pixelOffset == 0) pixelOffset = tableEnd;
    // Pixels that start inside the headers would be the headers read as pixels.
    if (pixelOffset < tableStart) throw EInvalidGraphic();
    if (pixelOffset > static_cast<std::int64_t>(size)) throw EReadError();
    return layout;
}

void PutIndex(std::uint8_t* out, const DibLayout& layout, unsigned index) {
    std::memcpy(out, &layout.palette[3 * index], 3);
}

// Rows are padded to 4 bytes. The width is at most 2^28 once CheckPictureSize passed: no overflow.
std::int64_t StrideBytes(const DibLayout& layout) { return ((layout.width * layout.bitCount + 31) / 32) * 4; }

void ReadUncompressed(const DibLayout& layout, const std::uint8_t* pixels, TBitmap& bitmap) {
    const std::int64_t stride = StrideBytes(layout);
    const int width = static_cast<int>(layout.width);
    const int height = static_cast<int>(layout.height);
    const Channel red(layout.masks[0]), green(layout.masks[1]), blue(layout.masks[2]);
    for (int row = 0; row < height; ++row) {
        const std::uint8_t* in = pixels + row * stride;
        std::uint8_t* out = bitmap.MutableScanLine(layout.isTopDown ? row : height - 1 - row);
        switch (layout.bitCount) {
            case 1:
            case 4:
            case 8: {
                const int bits = layout.bitCount;
                const int perByte = 8 / bits;
                const unsigned mask = (1u << bits) - 1;
                for (int x = 0; x < width; ++x, out += 3) {
                    const int shift = 8 - bits * (x % perByte + 1);
                    PutIndex(out, layout, (in[x / perByte] >> shift) & mask);
                }
                break;
            }
            case 16:
                for (int x = 0; x < width; ++x, out += 3) {
                    const std::uint32_t p = U16(in + 2 * x);
                    out[0] = red.Of(p);
                    out[1] = green.Of(p);
                    out[2] = blue.Of(p);
                }
                break;
            case 24:
                for (int x = 0; x < width; ++x, out += 3, in += 3) {
                    out[0] = in[2];
                    out[1] = in[1];
                    out[2] = in[0];
                }
                break;
            case 32:
                for (int x = 0; x < width; ++x, out += 3) {
                    const std::uint32_t p = U32(in + 4 * x);
                    out[0] = red.Of(p);
                    out[1] = green.Of(p);
                    out[2] = blue.Of(p);
                }
                break;
        }
    }
}

// RLE4 and RLE8. Every run is checked against the row and every position against the picture
// before a pixel is written; a stream that ends without its end-of-bitmap code keeps what it drew.
// Some writers (ImageMagick among them) encode the row's padding too, so a run may reach to the
// end of the padded stride; what falls beyond the picture's width is dropped.
void ReadRunLength(const DibLayout& layout, const std::uint8_t* data, std::size_t available, TBitmap& bitmap) {
    if (layout.imageBytes != 0) {
        if (layout.imageBytes > available) throw EReadError();
        available = layout.imageBytes;
    }
    const bool isRle4 = layout.compression == kRle4;
    const std::int64_t width = layout.width;
    const std::int64_t height = layout.height;
    const std::int64_t paddedWidth = isRle4 ? 2 * StrideBytes(layout) : StrideBytes(layout);
    for (int y = 0; y < height; ++y) std::memset(bitmap.MutableScanLine(y), 0, bitmap.RowBytes());

    const auto put = [&](std::int64_t x, std::int64_t y, unsigned index) {
        if (x < width) PutIndex(bitmap.MutableScanLine(static_cast<int>(height - 1 - y)) + x * 3, layout, index);
    };
    std::int64_t x = 0, y = 0;
    std::size_t at = 0;
    while (at + 2 <= available) {
        const unsigned count = data[at];
        const unsigned value = data[at + 1];
        at += 2;
        if (count > 0) {
            if (y >= height || x + count > paddedWidth) throw EInvalidGraphic();
            for (unsigned i = 0; i < count; ++i) {
                // RLE4 alternates the two nibbles of the value.
                const unsigned index = isRle4 ? (i % 2 == 0 ? value >> 4 : value & 0x0F) : value;
                put(x + i, y, index);
            }
            x += count;
        } else if (value == 0) {
            x = 0;
            ++y;
        } else if (value == 1) {
            return;
        } else if (value == 2) {
            if (at + 2 > available) throw EReadError();
            x += data[at];
            y += data[at + 1];
            at += 2;
            if (x > paddedWidth || y > height) throw EInvalidGraphic();
        } else {
            // A literal run of `value` pixels, padded to a 16-bit boundary.
            const std::size_t bytes = isRle4 ? (value + 1) / 2 : value;
            const std::size_t padded = (bytes + 1) & ~std::size_t{1};
            if (at + padded > available) throw EReadError();
            if (y >= height || x + value > paddedWidth) throw EInvalidGraphic();
            for (unsigned i = 0; i < value; ++i) {
                const unsigned index = isRle4 ? (i % 2 == 0 ? data[at + i / 2] >> 4 : data[at + i / 2] & 0x0F)
                                              : data[at + i];
                put(x + i, y, index);
            }
            x += value;
            at += padded;
        }
    }
}

// dib: the information header onwards; pixelOffset from dib, or 0 when it follows the colour table.
TBitmap ReadDib(const std::uint8_t* dib, std::size_t size, std::int64_t pixelOffset) {
    const DibLayout layout = ParseLayout(dib, size, pixelOffset);
    // Refused before any storage: a header may announce 2^31 × 2^31 pixels in a few bytes.
    CheckPictureSize(layout.width, layout.height);
    const std::uint8_t* pixels = dib + pixelOffset;
    const std::size_t available = size - static_cast<std::size_t>(pixelOffset);
    const bool isRunLength = layout.compression == kRle4 || layout.compression == kRle8;
    // A short file is refused before its storage is made, not after.
    if (!isRunLength && StrideBytes(layout) * layout.height > static_cast<std::int64_t>(available)) {
        throw EReadError();
    }
    TBitmap bitmap;
    bitmap.Allocate(static_cast<int>(layout.width), static_cast<int>(layout.height));
    if (isRunLength) {
        ReadRunLength(layout, pixels, available, bitmap);
    } else {
        ReadUncompressed(layout, pixels, bitmap);
    }
    bitmap.SetMonochrome(layout.bitCount == 1);
    return bitmap;
}

}  // namespace

void ReadBmpHeaderSize(const std::uint8_t* data, std::size_t size, std::int64_t& width,
                       std::int64_t& height) {
    width = 0;
    height = 0;
    if (size < kFileHeaderBytes + 4 || data[0] != 'B' || data[1] != 'M') return;
    const std::uint8_t* dib = data + kFileHeaderBytes;
    const std::size_t dibBytes = size - kFileHeaderBytes;
    const std::uint32_t headerBytes = U32(dib);
    if (headerBytes == kCoreHeaderBytes && dibBytes >= kCoreHeaderBytes) {
        width = U16(dib + 4);
        height = U16(dib + 6);
    } else if (headerBytes >= kInfoHeaderBytes && dibBytes >= 12) {
        width = static_cast<std::int32_t>(U32(dib + 4));
        height = static_cast<std::int32_t>(U32(dib + 8));
    }
    if (width < 0) width = 0;
    if (height < 0) height = -height;
}

// The new pixels replace the old only once the whole file has been read, so a failed read leaves
// the picture as it was; the transparency settings are never the file's business.
void TBitmap::ReadBmpFile(const std::string& path) {
    const std::vector<std::uint8_t> bytes = ReadWholeFile(path);
    TBitmap read;
    if (!bytes.empty()) {
        if (bytes.size() < kFileHeaderBytes) throw EReadError();
        if (bytes[0] != 'B' || bytes[1] != 'M') throw EInvalidGraphic();
        const std::uint32_t offBits = U32(bytes.data() + 10);
        // 0 is what careless writers put there; the pixels then follow the colour table.
        std::int64_t pixelOffset = 0;
        if (offBits != 0) {
            if (offBits < kFileHeaderBytes) throw EInvalidGraphic();
            pixelOffset = std::int64_t{offBits} - static_cast<std::int64_t>(kFileHeaderBytes);
            if (pixelOffset == 0) throw EInvalidGraphic();
        }
        read = ReadDib(bytes.data() + kFileHeaderBytes, bytes.size() - kFileHeaderBytes, pixelOffset);
    }
    width_ = read.width_;
    height_ = read.height_;
    pixels_ = std::move(read.pixels_);
    monochrome_ = read.monochrome_;
}

void TBitmap::ReadBmpResource(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr) throw EReadError();
    TBitmap read = ReadDib(data, size, 0);
    width_ = read.width_;
    height_ = read.height_;
    pixels_ = std::move(read.pixels_);
    monochrome_ = read.monochrome_;
}

}  // namespace stampwise
