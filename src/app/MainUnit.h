// The main window: the program's first and last window. A borderless window in the shape of its
// artwork, whose opacity pulses slowly; its three text buttons start a resize run, start a watermark
// run or open the About window, and its close mark ends the program after a question.
//
// It owns the artwork MainBitmap and the sample photograph PreviewPicture for the whole run; the
// watermark window reads PreviewPicture. The shape's rows and the pulse's values are computed in
// WindowShape.h; the wizard's transitions are WizardFlow's.
#pragma once

#include <QPoint>
#include <QWidget>
#include <memory>

#include "imaging/Bitmap.h"
#include "imaging/JpegImage.h"

class QLabel;
class QPushButton;
class QTimer;
class TFormSet;

// Where the pulse's ticks come from: the window's own Timer, every 100 ms, or whoever calls
// TimerTimer (the tests, which must not depend on the clock).
enum class PulseTicks { FromTimer, Injected };

class TMainForm : public QWidget {
    Q_OBJECT
public:
    TMainForm(TFormSet& forms, PulseTicks ticks);
    ~TMainForm() override;

    QLabel* lblClose = nullptr;
    QPushButton* btnResize = nullptr;
    QPushButton* btnWatermark = nullptr;
    QPushButton* btnAbout = nullptr;
    QTimer* Timer = nullptr;

    // The window's artwork: empty when the embedded picture could not be read, and then the window
    // keeps its plain rectangle.
    const stampwise::TBitmap& MainBitmap() const { return *mainBitmap_; }
    // The sample photograph for the watermark preview; null when it could not be read.
    stampwise::TJPEGImage* PreviewPicture() const { return previewPicture_.get(); }
    // The tick of the pulse within its period (0 before the first tick, then 1 to 100).
    int PulseCounter() const { return pulseCounter_; }

    void btnResizeClick();
    void btnWatermarkClick();
    void btnAboutClick();
    void lblCloseClick();
    void TimerTimer();

    // True when pressing the mouse at this screen point moves the window: the point is on the
    // window's shape and within its drag zone.
    bool DragZoneHitTest(const QPoint& globalPos) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();

    TFormSet& forms_;
    std::unique_ptr<stampwise::TBitmap> mainBitmap_;
    std::unique_ptr<stampwise::TJPEGImage> previewPicture_;
    int pulseCounter_ = 0;
    // Where the window system cannot move the window itself, the window follows the mouse.
    bool isFollowingMouse_ = false;
    QPoint grabOffset_;
};
