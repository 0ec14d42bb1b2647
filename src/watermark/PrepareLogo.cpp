// The stamp of a batch: its size from the logo's own size, the logo scaled to it, and the noise
// filter that turns the logo's light pixels into see-through white. Made once per batch (and by the
// preview on its own copy); placing and blending the stamp is in BlendLogo.cpp.
#include <climits>
#include <cstdint>

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

TBitmap PrepareLogo(const TBitmap& logo, int width, int height, int noiseLevel) {
    if (width <= 0 || height <= 0 || logo.Empty()) return TBitmap();
    TBitmap stamp;
    stamp.ChangeSize(width, height);  // white, so a transparent logo leaves see-through white behind
    StretchCopy(stamp, Rect{0, 0, width, height}, logo);
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
