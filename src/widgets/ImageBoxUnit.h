// TImageBox: a picture area that centres its picture and scales a larger one down to fit, keeping
// its proportions; a smaller one is shown at its own size (ImageBoxRect). It keeps only the picture
// as shown, never the whole decoded file, so previewing a large photograph costs one scaled copy.
#pragma once

#include <QImage>
#include <QRect>
#include <QWidget>

namespace stampwise {
class TBitmap;
}

class TImageBox : public QWidget {
    Q_OBJECT
public:
    explicit TImageBox(QWidget* parent);

    // Shows picture in the box as it is sized now.
    void SetPicture(const stampwise::TBitmap& picture);
    // The box then shows nothing.
    void Clear();

    bool HasPicture() const { return !shown_.isNull(); }
    // The size of the picture last set (0 × 0 when empty) and where it is drawn.
    QSize PictureSize() const { return pictureSize_; }
    QRect ShownRect() const { return shownRect_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QImage shown_;
    QSize pictureSize_;
    QRect shownRect_;
};
