#include "widgets/ImageBoxUnit.h"

#include <QPainter>
#include <cstring>

#include "imaging/Bitmap.h"
#include "imaging/Raster.h"

TImageBox::TImageBox(QWidget* parent) : QWidget(parent) {}

void TImageBox::SetPicture(const stampwise::TBitmap& picture) {
    if (picture.Empty()) {
        Clear();
        return;
    }
    const stampwise::Rect place = stampwise::ImageBoxRect(picture.Width(), picture.Height(), width(),
                                                          height(), /*stretch=*/false,
                                                          /*proportional=*/true, /*center=*/true);
    QImage shown;
    if (!place.IsEmpty()) {
        // Scaled by the program's own nearest-neighbour copy, as the results are, and only to
        // the box's size: the decoded file itself is not kept.
        stampwise::TBitmap scaled;
        scaled.Allocate(place.Width(), place.Height());
        stampwise::StretchCopy(scaled, stampwise::Rect{0, 0, place.Width(), place.Height()},
                               picture);
        shown = QImage(scaled.Width(), scaled.Height(), QImage::Format_RGB888);
        for (int y = 0; y < scaled.Height(); ++y) {
            std::memcpy(shown.scanLine(y), scaled.ScanLine(y), scaled.RowBytes());
        }
    }
    shown_ = shown;
    pictureSize_ = QSize(picture.Width(), picture.Height());
    shownRect_ = QRect(place.left, place.top, place.Width(), place.Height());
    update();
}

void TImageBox::Clear() {
    shown_ = QImage();
    pictureSize_ = QSize();
    shownRect_ = QRect();
    update();
}

void TImageBox::paintEvent(QPaintEvent* event) {
    (void)event;
    if (shown_.isNull()) return;
    QPainter painter(this);
    painter.drawImage(shownRect_.topLeft(), shown_);
}
