// TrimLogo: cuts a freshly loaded logo down to the block that holds its drawing, so that the stamp
// size and placements refer to the drawing and not to the white paper around it. Only exact white
// counts as margin here; near-white is left for the noise filter and the blend to deal with.
#include <algorithm>

#include "watermark/LogoCompositing.h"

namespace stampwise {

TBitmap TrimLogo(const TBitmap& logo) {
    if (logo.Empty()) return TBitmap();

    // One pass over the logo. A pixel is white exactly when its three bytes are 0xFF, so the first
    // and last bytes of a row that are not 0xFF lie in its first and last non-white pixels.
    const std::size_t rowBytes = logo.RowBytes();
    int top = -1;
    int bottom = -1;
    int left = logo.Width();
    int right = -1;
    for (int y = 0; y < logo.Height(); ++y) {
        const std::uint8_t* row = logo.ScanLine(y);
        const std::uint8_t* end = row + rowBytes;
        const std::uint8_t* first = std::find_if(row, end, [](std::uint8_t b) { return b != 0xFF; });
        if (first == end) continue;
        const std::uint8_t* last = end - 1;
        while (*last == 0xFF) --last;
        if (top < 0) top = y;
        bottom = y;
        left = std::min(left, static_cast<int>((first - row) / TBitmap::kBytesPerPixel));
        right = std::max(right, static_cast<int>((last - row) / TBitmap::kBytesPerPixel));
    }
    if (top < 0) return TBitmap();  // nothing but white: no drawing to keep

    if (top == 0 && left == 0 && bottom == logo.Height() - 1 && right == logo.Width() - 1) {
        return logo;
    }
    const int width = right - left + 1;
    const int height = bottom - top + 1;
    TBitmap trimmed;
    trimmed.ChangeSize(width, height);
    CopyArea(trimmed, Rect{0, 0, width, height}, logo, Rect{left, top, right + 1, bottom + 1});
    return trimmed;
}

}  // namespace stampwise
