// Small in-memory pictures for the tests, and the comparison of two pictures pixel by pixel.
#pragma once

#include "imaging/Bitmap.h"

namespace stampwise::testing {

inline TBitmap FilledPicture(int width, int height, ColorValue color) {
    TBitmap picture;
    picture.ChangeSize(width, height);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) picture.SetPixelAt(x, y, color);
    return picture;
}

inline bool SamePixels(const TBitmap& a, const TBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (a.PixelAt(x, y) != b.PixelAt(x, y)) return false;
    return true;
}

}  // namespace stampwise::testing
