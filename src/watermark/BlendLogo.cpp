// Placing and blending the stamp: LogoRect says where each placement puts it, BlendLogo mixes it
// into a picture at a constant opacity with white as see-through, and StampLogo drives the blend over
// the chosen placements in their fixed order, so that overlapping stamps pile up in that order.
// BlendLogoRow is the same blend for one row, for work that streams rows: a row's result depends
// on nothing but that row and the logo, and BlendLogo is made of it.
// Sizing and cleaning the stamp is in PrepareLogo.cpp.
#include <algorithm>
#include <climits>
#include <cstdint>
#include <utility>
#include <vector>

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

namespace {

// The part of a stamp that lies in the rectangle, in a picture of width × height and in the logo,
// with the logo's top-left corner at the rectangle's. Every access within it is in bounds.
struct StampSpan {
    int x0 = 0;
    int x1 = 0;
    int y0 = 0;
    int y1 = 0;
    bool IsEmpty() const { return x0 >= x1 || y0 >= y1; }
};

StampSpan ClipStamp(const Rect& rect, const TBitmap& logo, std::int64_t width, std::int64_t height) {
    const std::int64_t left = rect.left;
    const std::int64_t top = rect.top;
    StampSpan span;
    span.x0 = static_cast<int>(std::max<std::int64_t>(left, 0));
    span.y0 = static_cast<int>(std::max<std::int64_t>(top, 0));
    span.x1 = static_cast<int>(std::min<std::int64_t>(
        {static_cast<std::int64_t>(rect.right), width, left + logo.Width()}));
    span.y1 = static_cast<int>(std::min<std::int64_t>(
        {static_cast<std::int64_t>(rect.bottom), height, top + logo.Height()}));
    return span;
}

// Row y of the picture, within the span's rows. The logo's weight is a fraction of the whole; the
// sum is exact in integers and truncated. With both weights in 0..255 it never exceeds 255 × 255,
// so the quotient never exceeds 255.
void BlendSpanRow(std::uint8_t* row, int y, const StampSpan& span, const TBitmap& logo,
                  const Rect& rect, int opacity) {
    const int a = std::clamp(opacity, 0, 255);
    const int b = 255 - a;
    std::uint8_t* p = row + static_cast<std::size_t>(span.x0) * 3;
    const std::uint8_t* l = logo.ScanLine(static_cast<int>(std::int64_t{y} - rect.top)) +
                            static_cast<std::size_t>(std::int64_t{span.x0} - rect.left) * 3;
    const std::uint8_t* end = l + static_cast<std::size_t>(span.x1 - span.x0) * TBitmap::kBytesPerPixel;
    for (; l != end; l += 3, p += 3) {
        // Packed value >= 0xFFFFCD: blue 255, green 255 and red 205 or more.
        if (l[2] == 0xFF && l[1] == 0xFF && l[0] >= (kSeeThroughFrom & 0xFF)) continue;
        p[0] = static_cast<std::uint8_t>((b * p[0] + a * l[0]) / 255);
        p[1] = static_cast<std::uint8_t>((b * p[1] + a * l[1]) / 255);
        p[2] = static_cast<std::uint8_t>((b * p[2] + a * l[2]) / 255);
    }
}

}  // namespace

void BlendLogo(const TBitmap& background, const TBitmap& logo, const Rect& rect, int opacity,
               TBitmap& result) {
    // A value copy shares the background's storage; the first blended row gives the result its own.
    if (&result != &background) result = background;
    if (result.Empty() || logo.Empty()) return;
    const StampSpan span = ClipStamp(rect, logo, result.Width(), result.Height());
    if (span.IsEmpty()) return;
    for (int y = span.y0; y < span.y1; ++y) {
        BlendSpanRow(result.MutableScanLine(y), y, span, logo, rect, opacity);
    }
}

void BlendLogoRow(std::uint8_t* row, int rowWidth, int y, const TBitmap& logo, const Rect& rect,
                  int opacity) {
    if (logo.Empty() || rowWidth <= 0 || y < 0) return;
    // Any picture height beyond y clips this row alike.
    const StampSpan span = ClipStamp(rect, logo, rowWidth, std::int64_t{y} + 1);
    if (span.IsEmpty() || y < span.y0 || y >= span.y1) return;
    BlendSpanRow(row, y, span, logo, rect, opacity);
}

std::vector<Rect> StampRects(const PlacementSet& placements, int pictureWidth, int pictureHeight,
                             int stampWidth, int stampHeight, int marginPx) {
    std::vector<Rect> rects;
    for (LogoPlacement placement : kAllPlacements) {
        if (placements.count(placement) == 0) continue;
        rects.push_back(
            LogoRect(placement, pictureWidth, pictureHeight, stampWidth, stampHeight, marginPx));
    }
    return rects;
}

TBitmap StampLogo(TBitmap picture, const TBitmap& preparedLogo, const PlacementSet& placements,
                  int marginPx, int opacity) {
    if (picture.Empty() || preparedLogo.Empty()) return picture;
    // Each stamp is blended into the result of the ones before it, so the fixed order decides which
    // lies on top where two overlap.
    for (const Rect& rect : StampRects(placements, picture.Width(), picture.Height(),
                                       preparedLogo.Width(), preparedLogo.Height(), marginPx)) {
        BlendLogo(picture, preparedLogo, rect, opacity, picture);
    }
    return picture;
}

}  // namespace stampwise
