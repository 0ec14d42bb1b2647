#include "app/BitmapFormsUnit.h"

#include <QRect>
#include <QWidget>
#include <vector>

#include "app/WindowShape.h"

QRegion RegionFromBitmap(const stampwise::TBitmap& bitmap) {
    const std::vector<stampwise::Rect> runs = stampwise::ShapeRowRuns(bitmap);
    // The runs never overlap, so setRects builds their union in one pass instead of merging one
    // rectangle at a time.
    std::vector<QRect> rects;
    rects.reserve(runs.size());
    for (const stampwise::Rect& run : runs) rects.emplace_back(run.left, run.top, run.Width(), run.Height());
    QRegion region;
    region.setRects(rects.data(), static_cast<int>(rects.size()));
    return region;
}

void ShapeFormFromBitmap(QWidget* form, const stampwise::TBitmap& bitmap) {
    // The native window must exist for the shape to reach the window system.
    form->winId();
    const QRegion region = RegionFromBitmap(bitmap);
    if (region.isEmpty()) {
        form->clearMask();
    } else {
        form->setMask(region);
    }
    form->repaint();
}
