#include "app/WindowShape.h"

#include <cmath>
#include <cstdint>
#include <numbers>

namespace stampwise {

namespace {

bool IsWhiteAt(const std::uint8_t* row, int x) {
    const std::uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * TBitmap::kBytesPerPixel;
    return p[0] == 0xFF && p[1] == 0xFF && p[2] == 0xFF;
}

}  // namespace

std::vector<Rect> ShapeRowRuns(const TBitmap& bitmap) {
    std::vector<Rect> runs;
    if (bitmap.Empty()) return runs;
    const int width = bitmap.Width();
    for (int y = 0; y < bitmap.Height(); ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        int x = 0;
        // The scan starts a run search only before the last column; a run reached from an earlier
        // column still extends to the row's end.
        while (x < width - 1) {
            while (x < width && IsWhiteAt(row, x)) ++x;
            if (x == width) break;
            const int runStart = x;
            while (x < width && !IsWhiteAt(row, x)) ++x;
            runs.push_back(Rect{runStart, y, x, y + 1});
        }
    }
    return runs;
}

bool IsInDragZone(int screenX, int screenY, int windowLeft, int windowTop) {
    return screenX < windowLeft + kDragZoneWidth && screenY < windowTop + kDragZoneHeight;
}

int PulseAlpha(int tick) {
    // Long double and the default rounding mode (to nearest, ties to even) keep n = 25 and n = 75,
    // where the cosine is a hair away from 0, at exactly 200.
    const long double angle = 2.0L * std::numbers::pi_v<long double> * static_cast<long double>(tick) /
                              static_cast<long double>(kPulseTicksPerPeriod);
    const long double swing = std::nearbyint(50.0L * std::cos(angle));
    return 200 + static_cast<int>(swing);
}

}  // namespace stampwise
