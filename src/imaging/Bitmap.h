// TBitmap: the in-memory raster picture, and ColorValue, the packed colour.
//
// Storage is always 8 bits per channel, three bytes per pixel in the order red, green, blue, rows top
// first (palette pictures are widened when read, so a pixel written is stored exactly). Pictures are
// values: copying or AssignFrom shares the storage, and the first change to either side gives it a
// private copy, so a change never shows in the other picture.
//
// The drawing operations between pictures (StretchCopy, DrawAt, CopyArea, ImageBoxRect) are in
// Raster.h; reading files is in JpegImage.h and BmpReader.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace stampwise {

class TJPEGImage;

// Red in bits 0..7, green in 8..15, blue in 16..23, bits 24..31 zero. Comparing two packed values
// orders colours by blue first: callers that compare colours as numbers rely on that.
using ColorValue = std::uint32_t;

inline constexpr ColorValue kColorWhite = 0x00FFFFFF;
inline constexpr ColorValue kColorBlack = 0x00000000;
// What PixelAt returns outside a picture.
inline constexpr ColorValue InvalidColor = 0xFFFFFFFF;

constexpr ColorValue RGBColor(int red, int green, int blue) {
    return static_cast<ColorValue>(red & 0xFF) | (static_cast<ColorValue>(green & 0xFF) << 8) |
           (static_cast<ColorValue>(blue & 0xFF) << 16);
}
constexpr int RedOf(ColorValue c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(ColorValue c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(ColorValue c) { return static_cast<int>((c >> 16) & 0xFF); }

// No picture may hold more pixels than this: a header that announces more is refused before any
// storage is made, so a hostile or broken file cannot exhaust memory (2^28 pixels = 768 MiB).
inline constexpr std::int64_t kMaxPicturePixels = std::int64_t{1} << 28;

// Throws EOutOfResources when width × height exceeds kMaxPicturePixels or a side is negative.
void CheckPictureSize(std::int64_t width, std::int64_t height);

// The width and height the headers of a BMP file announce (the bytes from its start), without
// reading its pixels; 0 × 0 when the headers are too short or not a BMP file's.
void ReadBmpHeaderSize(const std::uint8_t* data, std::size_t size, std::int64_t& width,
                       std::int64_t& height);

class TBitmap {
public:
    static constexpr int kBytesPerPixel = 3;

    TBitmap() = default;

    int Width() const { return width_; }
    int Height() const { return height_; }
    // A picture without pixel storage: new, or of width or height 0.
    bool Empty() const { return width_ == 0 || height_ == 0; }

    // Gives the picture this size. A width or height of 0 empties it. Otherwise the new storage is
    // white and the old pixels are kept unscaled at the top-left, cut off beyond the new size.
    // Throws EOutOfResources for a size beyond kMaxPicturePixels.
    void ChangeSize(int width, int height);

    // Value copy: size, pixels and transparency settings; the storage is shared until either side
    // changes.
    void AssignFrom(const TBitmap& other) { *this = other; }

    // The decoded pixels of a JPEG picture (decoding it if needed), with transparency off.
    void AssignJpeg(TJPEGImage& jpeg);
    // Replaces the content by the BMP file at path (see BmpReader.cpp). Transparency untouched.
    void ReadBmpFile(const std::string& path);
    // The same reader over a bitmap resource: the bytes of a BMP file without its 14-byte header.
    void ReadBmpResource(const std::uint8_t* data, std::size_t size);

    // Rows of width × 3 bytes. ScanLine never copies; MutableScanLine first gives this picture
    // private storage if it is shared. Valid for 0 <= y < Height() of a non-empty picture.
    const std::uint8_t* ScanLine(int y) const {
        return pixels_->data() + static_cast<std::size_t>(y) * RowBytes();
    }
    std::uint8_t* MutableScanLine(int y) {
        Detach();
        return pixels_->data() + static_cast<std::size_t>(y) * RowBytes();
    }
    std::size_t RowBytes() const { return static_cast<std::size_t>(width_) * kBytesPerPixel; }
    // True while another picture shares this one's storage (for tests of copy-on-write).
    bool SharesStorageWith(const TBitmap& other) const {
        return pixels_ != nullptr && pixels_ == other.pixels_;
    }

    // Makes this picture width × height with storage whose contents are undefined, for a reader
    // that is about to write every row. Throws EOutOfResources as ChangeSize does.
    void Allocate(int width, int height);

    // InvalidColor outside the picture.
    ColorValue PixelAt(int x, int y) const;
    // Outside the picture nothing happens. A scheme colour (bit 31 set) is stored as its plain
    // colour; this system only has plain colours, so the top byte is dropped.
    void SetPixelAt(int x, int y, ColorValue color);

    // Pen lines: from the current position up to, not including, the end point, in the pen colour,
    // clipped to the picture. Only horizontal lines are drawn by this system; other lines are drawn
    // with the same end-point rule along the longer axis.
    void MovePen(int x, int y);
    void DrawLineTo(int x, int y);
    void SetPenColor(ColorValue color) { penColor_ = color; }
    ColorValue PenColor() const { return penColor_; }
    int PenX() const { return penX_; }
    int PenY() const { return penY_; }

    // Transparency used when this picture is drawn onto another: the transparent colour is the fixed
    // one once set, else (automatic) the colour of the bottom-left pixel at the time of the draw.
    bool Transparent() const { return transparent_; }
    void SetTransparent(bool on) { transparent_ = on; }
    void SetTransparentColor(ColorValue color) {
        transparentColor_ = color;
        transparentFixed_ = true;
    }
    bool HasFixedTransparentColor() const { return transparentFixed_; }
    // The colour a transparent draw leaves out now (fixed, or the bottom-left pixel; white for a
    // picture read from a 1-bit file, whose usual table makes white its background).
    ColorValue EffectiveTransparentColor() const;

    // Set by the BMP reader for 1-bit files; the pixels themselves are stored widened like any other.
    bool IsMonochrome() const { return monochrome_; }
    void SetMonochrome(bool on) { monochrome_ = on; }

private:
    // Not a std::vector: a reader or a resize overwrites every byte at once, so zero-filling the
    // storage first would be a wasted pass over the whole picture.
    struct Storage {
        std::unique_ptr<std::uint8_t[]> bytes;
        std::size_t size = 0;
        std::uint8_t* data() const { return bytes.get(); }
    };
    static std::shared_ptr<Storage> MakeStorage(std::size_t size);
    void Detach();
    void ResetTransparency();

    int width_ = 0;
    int height_ = 0;
    std::shared_ptr<Storage> pixels_;
    bool transparent_ = false;
    bool transparentFixed_ = false;
    bool monochrome_ = false;
    ColorValue transparentColor_ = kColorWhite;
    ColorValue penColor_ = kColorBlack;
    int penX_ = 0;
    int penY_ = 0;
};

}  // namespace stampwise
