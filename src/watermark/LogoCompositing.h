// The raster logic of the watermark: trim a logo's white margins, size it, clean its light pixels,
// place it and blend it into a picture with white as the see-through colour. Plain functions of
// pictures and numbers; they keep no state and report no errors of their own (a picture that cannot
// be made still throws from TBitmap).
//
// Colours are compared as packed ColorValue numbers, so blue decides first: that is the rule, not a
// brightness test. Nothing here clamps a stamp to the picture; BlendLogo clips it.
#pragma once

#include <set>

#include "imaging/Bitmap.h"
#include "imaging/Raster.h"
#include "job/SizeMode.h"

namespace stampwise {

using LogoSizeMode = SizeMode;

// In the fixed stamping order.
enum class LogoPlacement { TopLeft, TopCenter, TopRight, Middle, BottomLeft, BottomCenter, BottomRight };
inline constexpr LogoPlacement kAllPlacements[] = {
    LogoPlacement::TopLeft,    LogoPlacement::TopCenter,    LogoPlacement::TopRight,
    LogoPlacement::Middle,     LogoPlacement::BottomLeft,   LogoPlacement::BottomCenter,
    LogoPlacement::BottomRight,
};
using PlacementSet = std::set<LogoPlacement>;

struct LogoSize {
    int Width = 0;
    int Height = 0;
    friend bool operator==(const LogoSize&, const LogoSize&) = default;
};

// Logo pixels whose packed value is at least this (blue 255, green 255, red 205 or more) are not
// blended.
inline constexpr ColorValue kSeeThroughFrom = 0x00FFFFCD;

// The smallest block holding every pixel that is not exactly white. A logo without a white margin
// comes back unchanged (sharing its storage); an all-white or empty logo gives an empty picture.
TBitmap TrimLogo(const TBitmap& logo);

// The stamp size: Width keeps value as the width, Height as the height, Percent is of the logo's
// own size. Quotients are exact (64-bit integers) and rounded to nearest, halves to even. Negative
// sides become 0, sides beyond int stop at INT_MAX (making such a stamp then fails), and an empty
// logo gives 0 × 0.
LogoSize ComputeLogoSize(int logoWidth, int logoHeight, LogoSizeMode mode, int value);

// A new width × height picture with the whole logo scaled into it (nearest neighbour), after
// FilterLogoNoise. A side of 0 or less gives an empty picture.
TBitmap PrepareLogo(const TBitmap& logo, int width, int height, int noiseLevel);

// Every pixel whose packed value is at least (255 − level) × 65793, the grey of 255 − level, becomes
// white. Level 0 changes nothing, level 255 whitens everything. Pass the picture by std::move to
// filter it in place.
TBitmap FilterLogoNoise(TBitmap picture, int noiseLevel);

// Where a stamp goes. The rectangle is not clamped: it may reach outside the picture.
Rect LogoRect(LogoPlacement placement, int pictureWidth, int pictureHeight, int stampWidth,
              int stampHeight, int marginPx);

// result becomes background (a value copy; result may be background itself), then the logo, placed
// with its top-left corner at rect's, is blended over the part of rect that lies in both the picture
// and the logo: per channel floor(((255 − opacity) · P + opacity · L) / 255). Logo pixels from
// kSeeThroughFrom up leave the picture as it is. opacity is held to 0..255.
void BlendLogo(const TBitmap& background, const TBitmap& logo, const Rect& rect, int opacity,
               TBitmap& result);

// The picture with a stamp at every chosen placement, each blended over the earlier ones in the
// fixed order. Taken by value: a caller's picture is never changed, and one passed with std::move
// is stamped in its own storage without a copy. An empty logo or no placement stamps nothing.
TBitmap StampLogo(TBitmap picture, const TBitmap& preparedLogo, const PlacementSet& placements,
                  int marginPx, int opacity);

}  // namespace stampwise
