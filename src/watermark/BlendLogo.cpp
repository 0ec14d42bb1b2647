// Placing and blending the stamp: LogoRect says where each placement puts it, BlendLogo mixes it
// into a picture at a constant opacity with white as see-through, and StampLogo drives the blend over
// the chosen placements in their fixed order, so that overlapping stamps pile up in that order.
// Sizing and cleaning the stamp is in PrepareLogo.cpp.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>

#include "imaging/IntegerMath.h"
#include "watermark/LogoCompositing.h"

namespace stampwise {
namespace {

// "Half" truncates toward zero (−3 halves to −1), as C++ division does.
std::int64_t Half(std::int64_t v) { return v / 2; }

}  // namespace

Rect LogoRect(LogoPlacement placement, int pictureWidth, int pictureHeight, int stampWidth,
              int stampHeight, int marginPx) {
    const std::int64_t W = pictureWidth;
    const std::int64_t H = pictureHeight;
    const std::int64_t w = stampWidth;
    const std::int64_t h = stampHeight;
    const std::int64_t m = marginPx;
    // The margin is measured from the nearest edge and only on the axes that are not centred.
    const std::int64_t nearLeft = m;
    const std::int64_t centreLeft = Half(W - w);
    const std::int64_t farLeft = W - w - m;
    const std::int64_t nearTop = m;
    const std::int64_t centreTop = Half(H - h);
    const std::int64_t farTop = H - h - m;

    std::int64_t left = 0;
    std::int64_t top = 0;
    switch (placement) {
        case LogoPlacement::TopLeft: left = nearLeft; top = nearTop; break;
        case LogoPlacement::TopCenter: left = centreLeft; top = nearTop; break;
        case LogoPlacement::TopRight: left = farLeft; top = nearTop; break;
        case LogoPlacement::Middle: left = centreLeft; top = centreTop; break;
        case LogoPlacement::BottomLeft: left = nearLeft; top = farTop; break;
        case LogoPlacement::BottomCenter: left = centreLeft; top = farTop; break;
        case LogoPlacement::BottomRight: left = farLeft; top = farTop; break;
    }
    // Picture coordinates never come near int's limits, but a typed margin may: saturating keeps a
    // far outside rectangle far outside instead of wrapping it back into the picture.
    return Rect{SaturateToInt(left), SaturateToInt(top), SaturateToInt(left + w),
                SaturateToInt(top + h)};
}

void BlendLogo(const TBitmap& background, const TBitmap& logo, const Rect& rect, int opacity,
               TBitmap& result) {
    // A value copy shares the background's storage; the first blended row gives the result its own.
    if (&result != &background) result = background;
    if (result.Empty() || logo.Empty()) return;

    // The logo sits with its top-left corner at the rectangle's; keep only what lies in the
    // rectangle, in the picture and in the logo. After this every access below is in bounds.
    const std::int64_t left = rect.left;
    const std::int64_t top = rect.top;
    const int x0 = static_cast<int>(std::max<std::int64_t>(left, 0));
    const int y0 = static_cast<int>(std::max<std::int64_t>(top, 0));
    const int x1 = static_cast<int>(std::min<std::int64_t>(
        {static_cast<std::int64_t>(rect.right), result.Width(), left + logo.Width()}));
    const int y1 = static_cast<int>(std::min<std::int64_t>(
        {static_cast<std::int64_t>(rect.bottom), result.Height(), top + logo.Height()}));
    if (x0 >= x1 || y0 >= y1) return;

    // The logo's weight is a fraction of the whole; the sum is exact in integers and truncated.
    // With both weights in 0..255 it never exceeds 255 × 255, so the quotient never exceeds 255.
    const int a = std::clamp(opacity, 0, 255);
    const int b = 255 - a;
    const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * TBitmap::kBytesPerPixel;
    for (int y = y0; y < y1; ++y) {
        std::uint8_t* p = result.MutableScanLine(y) + static_cast<std::size_t>(x0) * 3;
        const std::uint8_t* l =
            logo.ScanLine(static_cast<int>(y - top)) + static_cast<std::size_t>(x0 - left) * 3;
        const std::uint8_t* end = l + bytes;
        for (; l != end; l += 3, p += 3) {
            // Packed value >= 0xFFFFCD: blue 255, green 255 and red 205 or more.
            if (l[2] == 0xFF && l[1] == 0xFF && l[0] >= (kSeeThroughFrom & 0xFF)) continue;
            p[0] = static_cast<std::uint8_t>((b * p[0] + a * l[0]) / 255);
            p[1] = static_cast<std::uint8_t>((b * p[1] + a * l[1]) / 255);
            p[2] = static_cast<std::uint8_t>((b * p[2] + a * l[2]) / 255);
        }
    }
}

TBitmap StampLogo(TBitmap picture, const TBitmap& preparedLogo, const PlacementSet& placements,
                  int marginPx, int opacity) {
    if (picture.Empty() || preparedLogo.Empty()) return picture;
    const int width = picture.Width();
    const int height = picture.Height();
    // Each stamp is blended into the result of the ones before it, so the fixed order decides which
    // lies on top where two overlap.
    for (LogoPlacement placement : kAllPlacements) {
        if (placements.count(placement) == 0) continue;
        const Rect rect = LogoRect(placement, width, height, preparedLogo.Width(),
                                   preparedLogo.Height(), marginPx);
        BlendLogo(picture, preparedLogo, rect, opacity, picture);
    }
    return picture;
}

}  // namespace stampwise
