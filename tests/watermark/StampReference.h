// An independent, deliberately slow statement of the stamp rules, pixel by pixel through PixelAt and
// SetPixelAt, to check the row-pointer code against whole pictures; and small picture helpers.
#pragma once

#include <cstdint>

#include "imaging/Bitmap.h"
#include "support/TestPictures.h"
#include "watermark/LogoCompositing.h"

namespace stampwise::testing {

// A picture in which nearly every pixel differs from its neighbours and none is see-through.
inline TBitmap PatternPicture(int width, int height, int seed = 0) {
    TBitmap picture;
    picture.ChangeSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            picture.SetPixelAt(x, y, RGBColor((x * 37 + seed) % 256, (y * 59 + seed * 3) % 256,
                                              (x * 11 + y * 7 + seed * 5) % 200));
    return picture;
}

inline int BlendChannel(int picture, int logo, int opacity) {
    return ((255 - opacity) * picture + opacity * logo) / 255;
}

// The blend as the rules state it: walk the rectangle, stop at the picture's right and bottom
// edges, read nothing left of or above it, skip logo pixels packed at 0xFFFFCD or more.
inline void ReferenceBlend(TBitmap& picture, const TBitmap& logo, const Rect& r, int opacity) {
    for (std::int64_t y = r.top; y < r.bottom && y < picture.Height(); ++y) {
        for (std::int64_t x = r.left; x < r.right && x < picture.Width(); ++x) {
            if (x < 0 || y < 0) continue;
            const ColorValue l = logo.PixelAt(static_cast<int>(x - r.left), static_cast<int>(y - r.top));
            if (l >= 0xFFFFCD) continue;
            const ColorValue p = picture.PixelAt(static_cast<int>(x), static_cast<int>(y));
            picture.SetPixelAt(static_cast<int>(x), static_cast<int>(y),
                               RGBColor(BlendChannel(RedOf(p), RedOf(l), opacity),
                                        BlendChannel(GreenOf(p), GreenOf(l), opacity),
                                        BlendChannel(BlueOf(p), BlueOf(l), opacity)));
        }
    }
}

// The stamp rectangles as the placement table states them, with "half" truncating toward zero.
inline Rect ReferenceRect(LogoPlacement placement, int W, int H, int w, int h, int m) {
    const int centreLeft = (W - w) / 2;
    const int centreTop = (H - h) / 2;
    int left = 0;
    int top = 0;
    switch (placement) {
        case LogoPlacement::TopLeft: left = m; top = m; break;
        case LogoPlacement::TopCenter: left = centreLeft; top = m; break;
        case LogoPlacement::TopRight: left = W - w - m; top = m; break;
        case LogoPlacement::Middle: left = centreLeft; top = centreTop; break;
        case LogoPlacement::BottomLeft: left = m; top = H - h - m; break;
        case LogoPlacement::BottomCenter: left = centreLeft; top = H - h - m; break;
        case LogoPlacement::BottomRight: left = W - w - m; top = H - h - m; break;
    }
    return Rect{left, top, left + w, top + h};
}

// A private copy of picture with every chosen stamp blended in, in the fixed order.
inline TBitmap ReferenceStamp(const TBitmap& picture, const TBitmap& stamp,
                              const PlacementSet& placements, int marginPx, int opacity) {
    TBitmap result = picture;
    const LogoPlacement order[] = {LogoPlacement::TopLeft,    LogoPlacement::TopCenter,
                                   LogoPlacement::TopRight,   LogoPlacement::Middle,
                                   LogoPlacement::BottomLeft, LogoPlacement::BottomCenter,
                                   LogoPlacement::BottomRight};
    for (LogoPlacement placement : order) {
        if (placements.count(placement) == 0) continue;
        ReferenceBlend(result,
                       stamp,
                       ReferenceRect(placement, picture.Width(), picture.Height(), stamp.Width(),
                                     stamp.Height(), marginPx),
                       opacity);
    }
    return result;
}

inline const PlacementSet kEveryPlacement = {
    LogoPlacement::TopLeft,    LogoPlacement::TopCenter,    LogoPlacement::TopRight,
    LogoPlacement::Middle,     LogoPlacement::BottomLeft,   LogoPlacement::BottomCenter,
    LogoPlacement::BottomRight};

}  // namespace stampwise::testing
