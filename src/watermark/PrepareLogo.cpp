// The stamp of a batch: its size from the logo's own size, the logo scaled to it, and the noise
// filter that turns the logo's light pixels into see-through white. Made once per batch (and by the
// preview on its own copy); placing and blending the stamp is in BlendLogo.cpp.
#include <climits>
#include <cstdint>
#include <cstring>
#include <optional>

#include "imaging/IntegerMath.h"
#include "watermark/LogoCompositing.h"

namespace stampwise {
namespace {

// A stamp side: a negative size is no stamp at all, and a size beyond int cannot be made anyway
// (PrepareLogo then fails on it instead of wrapping round to some small stamp).
int StampSide(std::int64_t side) {
    if (side < 0) return 0;
    if (side > INT_MAX) return INT_MAX;
    return static_cast<int>(side);
}

}  // namespace

LogoSize ComputeLogoSize(int logoWidth, int logoHeight, LogoSizeMode mode, int value) {
    if (logoWidth <= 0 || logoHeight <= 0) return LogoSize{};
    // Both products fit easily: sides and value are ints, so |product| < 2^62.
    const std::int64_t lw = logoWidth;
    const std::int64_t lh = logoHeight;
    const std::int64_t v = value;
    switch (mode) {
        case LogoSizeMode::Width:
            return LogoSize{StampSide(v), StampSide(DivideRoundHalfEven(lh * v, lw))};
        case LogoSizeMode::Height:
            return LogoSize{StampSide(DivideRoundHalfEven(lw * v, lh)), StampSide(v)};
        case LogoSizeMode::Percent:
            return LogoSize{StampSide(DivideRoundHalfEven(lw * v, 100)),
                            StampSide(DivideRoundHalfEven(lh * v, 100))};
    }
    return LogoSize{};
}

// The scaled copy is made here rather than by StretchCopy, whose table of source columns costs
// eight bytes per stamp column: a logo declaring 2^28 × 1 pixels (a few bytes of RLE data) would
// need 2 GiB for it on top of the two pictures. Each pixel is the one StretchCopy would take.
TBitmap PrepareLogo(const TBitmap& logo, int width, int height, int noiseLevel) {
    if (width <= 0 || height <= 0 || logo.Empty()) return TBitmap();
    // Same size: the stamp is the logo itself, copied by the filter's first write.
    if (width == logo.Width() && height == logo.Height() && !logo.Transparent()) {
        return FilterLogoNoise(logo, noiseLevel);
    }
    // A transparent logo leaves its see-through pixels white, so only then does the stamp need
    // to start white; otherwise every pixel is written below.
    TBitmap stamp;
    std::optional<ColorValue> skip;
    if (logo.Transparent()) {
        skip = logo.EffectiveTransparentColor() & kColorWhite;
        stamp.ChangeSize(width, height);
    } else {
        stamp.Allocate(width, height);
    }
    constexpr int bpp = TBitmap::kBytesPerPixel;
    // Column x reads source column floor((2x + 1) · S / 2W), kept as quotient and remainder so
    // that each step is an addition.
    const std::int64_t sourceWidth = logo.Width();
    const std::int64_t twiceWidth = 2 * std::int64_t{width};
    const std::int64_t stepQuotient = (2 * sourceWidth) / twiceWidth;
    const std::int64_t stepRemainder = (2 * sourceWidth) % twiceWidth;
    int previousSourceRow = -1;
    for (int y = 0; y < height; ++y) {
        const int sy = NearestSourceIndex(y, height, logo.Height());
        std::uint8_t* out = stamp.MutableScanLine(y);
        // Enlarging repeats source rows: the row just written is already the answer.
        if (sy == previousSourceRow && !skip) {
            std::memcpy(out, stamp.ScanLine(y - 1), stamp.RowBytes());
            continue;
        }
        previousSourceRow = sy;
        const std::uint8_t* in = logo.ScanLine(sy);
        std::int64_t sx = sourceWidth / twiceWidth;
        std::int64_t remainder = sourceWidth % twiceWidth;
        for (int x = 0; x < width; ++x, out += bpp) {
            const std::uint8_t* p = in + sx * bpp;
            if (!skip || RGBColor(p[0], p[1], p[2]) != *skip) {
                out[0] = p[0];
                out[1] = p[1];
                out[2] = p[2];
            }
            sx += stepQuotient;
            remainder += stepRemainder;
            if (remainder >= twiceWidth) {
                remainder -= twiceWidth;
                ++sx;
            }
        }
    }
    return FilterLogoNoise(std::move(stamp), noiseLevel);
}

TBitmap FilterLogoNoise(TBitmap picture, int noiseLevel) {
    // The threshold is the packed grey (t, t, t) = t × 65793. Above white nothing can reach it.
    const std::int64_t t = 255 - static_cast<std::int64_t>(noiseLevel);
    const std::int64_t threshold = t * 65793;
    if (picture.Empty() || threshold > static_cast<std::int64_t>(kColorWhite)) return picture;

    const int width = picture.Width();
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t* p = picture.MutableScanLine(y);
        for (int x = 0; x < width; ++x, p += TBitmap::kBytesPerPixel) {
            const std::int64_t packed = p[0] | (p[1] << 8) | (p[2] << 16);
            if (packed >= threshold) {
                p[0] = 0xFF;
                p[1] = 0xFF;
                p[2] = 0xFF;
            }
        }
    }
    return picture;
}

}  // namespace stampwise
