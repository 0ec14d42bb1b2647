// Drawing one picture onto another: the scaled copy, the unscaled draw, the rectangle copy, and the
// rectangle an image box shows a picture in. All of them go through one nearest-neighbour copy that
// clips to both pictures, so no caller ever needs to check a rectangle first.
//
// Mirrored rectangles (right left of left) are not supported: they draw nothing.
#include "imaging/Raster.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "imaging/JpegImage.h"

namespace stampwise {

int NearestSourceIndex(int d, int destLength, int sourceLength) {
    // The source pixel under the centre of destination pixel d. Exact in 64 bits for every int
    // input, and never past the end: (2d + 1)·S / 2D < S for d < D.
    const std::int64_t numerator = (2 * std::int64_t{d} + 1) * sourceLength;
    return static_cast<int>(numerator / (2 * std::int64_t{destLength}));
}

namespace {

// A rectangle in 64-bit coordinates, so that a point near INT_MAX plus a width cannot overflow.
struct Box {
    std::int64_t left, top, width, height;
};

// For each destination index in [first, last) the source index it reads, or -1 where the source
// rectangle reaches outside the source picture.
std::vector<std::int64_t> SourceIndexTable(std::int64_t first, std::int64_t last, std::int64_t destStart,
                                           std::int64_t destLength, std::int64_t sourceStart,
                                           std::int64_t sourceLength, std::int64_t sourceLimit) {
    std::vector<std::int64_t> table;
    table.reserve(static_cast<std::size_t>(last - first));
    for (std::int64_t d = first; d < last; ++d) {
        const std::int64_t offset = ((2 * (d - destStart) + 1) * sourceLength) / (2 * destLength);
        const std::int64_t s = sourceStart + offset;
        table.push_back(s >= 0 && s < sourceLimit ? s : -1);
    }
    return table;
}

// The one copy behind every draw. Destination pixels outside dest are clipped; destination pixels
// whose source pixel lies outside source stay as they are; with skip set, so do those whose source
// pixel has that colour (the transparent draw).
void Blit(TBitmap& dest, const Box& to, const TBitmap& sourceIn, const Box& from,
          std::optional<ColorValue> skip) {
    if (dest.Empty() || sourceIn.Empty()) return;
    if (to.width <= 0 || to.height <= 0 || from.width <= 0 || from.height <= 0) return;

    // Drawing a picture onto itself reads the pixels as they were before the draw: the snapshot
    // shares the storage, so the first write to dest gives dest a private copy.
    std::optional<TBitmap> snapshot;
    if (&dest == &sourceIn) snapshot.emplace(sourceIn);
    const TBitmap& source = snapshot ? *snapshot : sourceIn;

    const std::int64_t x0 = std::max<std::int64_t>(to.left, 0);
    const std::int64_t x1 = std::min<std::int64_t>(to.left + to.width, dest.Width());
    const std::int64_t y0 = std::max<std::int64_t>(to.top, 0);
    const std::int64_t y1 = std::min<std::int64_t>(to.top + to.height, dest.Height());
    if (x0 >= x1 || y0 >= y1) return;

    const auto columns =
        SourceIndexTable(x0, x1, to.left, to.width, from.left, from.width, source.Width());
    const auto rows = SourceIndexTable(y0, y1, to.top, to.height, from.top, from.height, source.Height());
    constexpr int bpp = TBitmap::kBytesPerPixel;

    // An unscaled copy without transparency is one block per row: the valid columns are contiguous.
    const bool isPlainCopy = to.width == from.width && !skip;
    std::int64_t plainFirst = 0, plainLast = 0;
    if (isPlainCopy) {
        while (plainFirst < static_cast<std::int64_t>(columns.size()) && columns[plainFirst] < 0) ++plainFirst;
        plainLast = plainFirst;
        while (plainLast < static_cast<std::int64_t>(columns.size()) && columns[plainLast] >= 0) ++plainLast;
        if (plainFirst == plainLast) return;
    }

    std::uint8_t skipBytes[3] = {0, 0, 0};
    if (skip) {
        skipBytes[0] = static_cast<std::uint8_t>(RedOf(*skip));
        skipBytes[1] = static_cast<std::uint8_t>(GreenOf(*skip));
        skipBytes[2] = static_cast<std::uint8_t>(BlueOf(*skip));
    }

    const bool isEveryColumnInside =
        std::none_of(columns.begin(), columns.end(), [](std::int64_t sx) { return sx < 0; });
    std::int64_t previousSourceRow = -1;
    const std::uint8_t* previousDestRow = nullptr;
    for (std::int64_t y = y0; y < y1; ++y) {
        const std::int64_t sy = rows[y - y0];
        if (sy < 0) continue;
        std::uint8_t* out = dest.MutableScanLine(static_cast<int>(y)) + x0 * bpp;
        // Enlarging repeats source rows: the row just written is already the answer (unless some of
        // its pixels were left as they were, which differ from row to row).
        if (!skip && isEveryColumnInside && sy == previousSourceRow) {
            std::memcpy(out, previousDestRow, static_cast<std::size_t>(x1 - x0) * bpp);
            previousDestRow = out;
            continue;
        }
        const std::uint8_t* in = source.ScanLine(static_cast<int>(sy));
        if (isPlainCopy) {
            std::memcpy(out + plainFirst * bpp, in + columns[plainFirst] * bpp,
                        static_cast<std::size_t>(plainLast - plainFirst) * bpp);
        } else {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const std::int64_t sx = columns[i];
                if (sx < 0) continue;
                const std::uint8_t* p = in + sx * bpp;
                if (skip && p[0] == skipBytes[0] && p[1] == skipBytes[1] && p[2] == skipBytes[2]) continue;
                std::uint8_t* q = out + i * bpp;
                q[0] = p[0];
                q[1] = p[1];
                q[2] = p[2];
            }
        }
        previousSourceRow = sy;
        previousDestRow = out;
    }
}

std::optional<ColorValue> SkippedColor(const TBitmap& source) {
    if (!source.Transparent()) return std::nullopt;
    return source.EffectiveTransparentColor();
}

Box ToBox(const Rect& r) { return {r.left, r.top, std::int64_t{r.right} - r.left, std::int64_t{r.bottom} - r.top}; }

}  // namespace

void StretchCopy(TBitmap& dest, const Rect& rect, const TBitmap& source) {
    if (source.Empty()) return;
    Blit(dest, ToBox(rect), source, {0, 0, source.Width(), source.Height()}, SkippedColor(source));
}

void StretchCopy(TBitmap& dest, const Rect& rect, TJPEGImage& source) {
    StretchCopy(dest, rect, source.DecodedBitmap());
}

void DrawAt(TBitmap& dest, int x, int y, const TBitmap& source) {
    if (source.Empty()) return;
    const Box whole{0, 0, source.Width(), source.Height()};
    Blit(dest, {x, y, source.Width(), source.Height()}, source, whole, SkippedColor(source));
}

void CopyArea(TBitmap& dest, const Rect& destRect, const TBitmap& source, const Rect& sourceRect) {
    Blit(dest, ToBox(destRect), source, ToBox(sourceRect), std::nullopt);
}

namespace {

// Halves go to the even neighbour, as everywhere sizes are derived from proportions.
int RoundEven(double v) { return static_cast<int>(std::nearbyint(v)); }

}  // namespace

Rect ImageBoxRect(int width, int height, int clientWidth, int clientHeight, bool stretch,
                  bool proportional, bool center) {
    int w = width;
    int h = height;
    const int cw = clientWidth;
    const int ch = clientHeight;
    if (stretch || (proportional && (w > cw || h > ch))) {
        if (proportional && w > 0 && h > 0) {
            const double ratio = static_cast<double>(w) / h;
            if (h < w) {
                h = RoundEven(cw / ratio);
                w = cw;
                if (ch < h) {
                    w = RoundEven(ratio * ch);
                    h = ch;
                }
            } else {
                w = RoundEven(ratio * ch);
                h = ch;
                if (cw < w) {
                    h = RoundEven(cw / ratio);
                    w = cw;
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    Rect r{0, 0, w, h};
    if (center) {
        // Integer division truncates toward zero, also for a picture larger than the box.
        const int dx = (cw - w) / 2;
        const int dy = (ch - h) / 2;
        r = {dx, dy, dx + w, dy + h};
    }
    return r;
}

}  // namespace stampwise
