// The main window's shape and pulse, computed apart from the toolkit: the row runs of a bitmap's
// non-white pixels, the drag zone, and the alpha value of each timer tick. BitmapFormsUnit turns the
// runs into the window's mask and MainUnit applies the alpha; neither decides anything here.
#pragma once

#include <vector>

#include "imaging/Bitmap.h"
#include "imaging/Raster.h"

namespace stampwise {

// One rectangle per run of horizontally adjacent pixels that are not exactly white (0xFFFFFF), each
// one pixel high, in row order and left to right within a row. Runs never overlap, so their union
// is the shape. Any other colour, however light, is inside. A bitmap one pixel wide gives no runs:
// a row is scanned only while the column is before the last one.
std::vector<Rect> ShapeRowRuns(const TBitmap& bitmap);

// The drag zone is the window's top-left kDragZoneWidth × kDragZoneHeight pixels: a point there
// moves the window like a title bar would. Screen coordinates, compared signed, so a window partly
// off the screen's left or top edge keeps its zone.
inline constexpr int kDragZoneWidth = 300;
inline constexpr int kDragZoneHeight = 100;
bool IsInDragZone(int screenX, int screenY, int windowLeft, int windowTop);

// The window's alpha value after tick n of the pulse timer (n = 1 for the first tick):
// 200 + round-half-even(50 · cos(2π n / 100)), always within 150..250. A period is 100 ticks.
inline constexpr int kPulseTicksPerPeriod = 100;
inline constexpr int kPulseIntervalMs = 100;
int PulseAlpha(int tick);

}  // namespace stampwise
