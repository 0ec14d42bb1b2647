// Drawing between pictures: scaled copy, unscaled draw (with the transparent colour), rectangle copy,
// and the rectangle in which an image box shows a picture. Every operation clips to the destination;
// none reports an error for rectangles outside a picture.
//
// Scaling is nearest-neighbour and never averages: destination column d of a rectangle D pixels
// wide, copied from a source S pixels wide, takes source column floor((2d + 1) · S / (2D)), in
// 64-bit integers; rows likewise. So every colour of a result occurs in its source.
#pragma once

#include "imaging/Bitmap.h"

namespace stampwise {

// Right and bottom exclusive.
struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool IsEmpty() const { return right <= left || bottom <= top; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// The source column (or row) that destination index d of a run D long takes from a run S long.
int NearestSourceIndex(int d, int destLength, int sourceLength);

// Copies the whole source, scaled, into rect of dest. An empty source draws nothing. With the
// source's transparent flag on, its transparent colour leaves dest unchanged.
void StretchCopy(TBitmap& dest, const Rect& rect, const TBitmap& source);
void StretchCopy(TBitmap& dest, const Rect& rect, TJPEGImage& source);

// Draws source at its own size with its top-left corner at (x, y), honouring its transparent flag.
void DrawAt(TBitmap& dest, int x, int y, const TBitmap& source);

// Copies sourceRect of source into destRect of dest, without transparency (scaled when the sizes
// differ).
void CopyArea(TBitmap& dest, const Rect& destRect, const TBitmap& source, const Rect& sourceRect);

// The rectangle in which an image box of clientWidth × clientHeight shows a picture of
// width × height, for the box's stretch, proportional and center options.
Rect ImageBoxRect(int width, int height, int clientWidth, int clientHeight, bool stretch,
                  bool proportional, bool center);

}  // namespace stampwise
