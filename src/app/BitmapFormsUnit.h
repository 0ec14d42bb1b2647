// Gives a window the shape of a bitmap: the window keeps exactly the bitmap's pixels that are not
// white. The runs are computed by ShapeRowRuns (WindowShape.h); this unit only hands them to the
// window system.
#pragma once

#include <QRegion>

#include "imaging/Bitmap.h"

class QWidget;

// The union of the bitmap's row runs of non-white pixels, in the bitmap's pixel coordinates.
QRegion RegionFromBitmap(const stampwise::TBitmap& bitmap);

// Sets the region as the window's mask and repaints it at once. A bitmap without any run (all
// white, one pixel wide, or empty) would give a window nobody can see or close; it leaves the window
// whole instead.
void ShapeFormFromBitmap(QWidget* form, const stampwise::TBitmap& bitmap);
