// TBitmap's own operations: storage with copy-on-write, size changes, pixel access and pen lines.
// Drawing one picture onto another is in Raster.cpp; the readers live beside the codecs.
#include "imaging/Bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "imaging/ImageErrors.h"

namespace stampwise {

void CheckPictureSize(std::int64_t width, std::int64_t height) {
    if (width < 0 || height < 0) throw EOutOfResources();
    // Both sides are at most 2^31, so the product cannot overflow 64 bits.
    if (width * height > kMaxPicturePixels) throw EOutOfResources();
}

std::shared_ptr<TBitmap::Storage> TBitmap::MakeStorage(std::size_t size) {
    try {
        auto storage = std::make_shared<Storage>();
        storage->bytes = std::make_unique_for_overwrite<std::uint8_t[]>(size);
        storage->size = size;
        return storage;
    } catch (const std::bad_alloc&) {
        throw EOutOfResources();
    }
}

// Called before every change: a picture that shares its storage takes a private copy first, so the
// pictures it was assigned from or to never see the change.
void TBitmap::Detach() {
    if (pixels_ == nullptr || pixels_.use_count() == 1) return;
    auto copy = MakeStorage(pixels_->size);
    std::memcpy(copy->data(), pixels_->data(), pixels_->size);
    pixels_ = std::move(copy);
}

void TBitmap::ResetTransparency() {
    transparent_ = false;
    transparentFixed_ = false;
    transparentColor_ = kColorWhite;
}

void TBitmap::Allocate(int width, int height) {
    CheckPictureSize(width, height);
    monochrome_ = false;
    if (width == 0 || height == 0) {
        pixels_.reset();
    } else {
        pixels_ = MakeStorage(static_cast<std::size_t>(width) * height * kBytesPerPixel);
    }
    width_ = width;
    height_ = height;
}

void TBitmap::ChangeSize(int width, int height) {
    CheckPictureSize(width, height);
    if (width == width_ && height == height_) return;
    if (width == 0 || height == 0) {
        pixels_.reset();
        width_ = width;
        height_ = height;
        return;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * kBytesPerPixel;
    auto fresh = MakeStorage(rowBytes * height);
    std::memset(fresh->data(), 0xFF, fresh->size);
    if (!Empty()) {
        const int keptRows = std::min(height, height_);
        const std::size_t keptBytes = std::min(rowBytes, RowBytes());
        for (int y = 0; y < keptRows; ++y) {
            std::memcpy(fresh->data() + y * rowBytes, ScanLine(y), keptBytes);
        }
    }
    pixels_ = std::move(fresh);
    width_ = width;
    height_ = height;
}

ColorValue TBitmap::PixelAt(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_ == nullptr) return InvalidColor;
    const std::uint8_t* p = ScanLine(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
    return RGBColor(p[0], p[1], p[2]);
}

void TBitmap::SetPixelAt(int x, int y, ColorValue color) {
    if (x < 0 || y < 0 || x >= width_ || y >= height_ || pixels_ == nullptr) return;
    std::uint8_t* p = MutableScanLine(y) + static_cast<std::size_t>(x) * kBytesPerPixel;
    p[0] = static_cast<std::uint8_t>(RedOf(color));
    p[1] = static_cast<std::uint8_t>(GreenOf(color));
    p[2] = static_cast<std::uint8_t>(BlueOf(color));
}

ColorValue TBitmap::EffectiveTransparentColor() const {
    if (transparentFixed_) return transparentColor_ & 0x00FFFFFF;
    if (monochrome_) return kColorWhite;
    return PixelAt(0, height_ - 1);
}

void TBitmap::MovePen(int x, int y) {
    penX_ = x;
    penY_ = y;
}

namespace {

// a / b rounded to the nearest integer, halves away from zero; b > 0.
std::int64_t RoundedDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (2 * a + b) / (2 * b) : -((-2 * a + b) / (2 * b));
}

}  // namespace

// Steps along the longer axis from the pen to the end point, leaving the end point out, so that lines
// drawn end to end never paint their shared point twice. Only the steps whose position on the longer
// axis lies inside the picture are visited, so far-away coordinates cost nothing.
void TBitmap::DrawLineTo(int x, int y) {
    const std::int64_t x0 = penX_, y0 = penY_;
    const std::int64_t dx = std::int64_t{x} - x0, dy = std::int64_t{y} - y0;
    penX_ = x;
    penY_ = y;
    const bool alongX = std::llabs(dx) >= std::llabs(dy);
    const std::int64_t steps = alongX ? std::llabs(dx) : std::llabs(dy);
    if (steps == 0 || Empty()) return;

    const std::int64_t start = alongX ? x0 : y0;
    const std::int64_t sign = (alongX ? dx : dy) > 0 ? 1 : -1;
    const std::int64_t size = alongX ? width_ : height_;
    // Positions start + i·sign for i in [0, steps) that fall in [0, size).
    std::int64_t first = 0, last = steps;  // i in [first, last)
    if (sign > 0) {
        first = std::max<std::int64_t>(first, -start);
        last = std::min<std::int64_t>(last, size - start);
    } else {
        first = std::max<std::int64_t>(first, start - (size - 1));
        last = std::min<std::int64_t>(last, start + 1);
    }
    for (std::int64_t i = first; i < last; ++i) {
        const std::int64_t px = alongX ? x0 + i * sign : x0 + RoundedDiv(i * dx, steps);
        const std::int64_t py = alongX ? y0 + RoundedDiv(i * dy, steps) : y0 + i * sign;
        if (py >= 0 && py < height_ && px >= 0 && px < width_) {
            SetPixelAt(static_cast<int>(px), static_cast<int>(py), penColor_);
        }
    }
}

}  // namespace stampwise
