#include "app/MainUnit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>
#include <QWindow>
#include <vector>

#include "app/BitmapFormsUnit.h"
#include "app/FormSetUnit.h"
#include "app/WindowShape.h"
#include "imaging/ImageErrors.h"
#include "job/WizardFlow.h"

// Outside any namespace, as Qt's resource registration requires. The pictures are compiled into
// the program by the build (tools/artwork), so they are only registered, never loaded from disk;
// the call also keeps the linker from dropping them from the static library.
static void RegisterArtworkResources() {
    static const bool isRegistered = [] {
        Q_INIT_RESOURCE(resources);
        return true;
    }();
    (void)isRegistered;
}

namespace {

constexpr int kClientWidth = 400;
constexpr int kClientHeight = 500;

QByteArray ReadResource(const QString& name) {
    QFile file(name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

QFont ButtonFont() {
    QFont font;
    font.setBold(true);
    font.setPixelSize(13);
    return font;
}

QPushButton* MakeTextButton(QWidget* parent, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setFont(ButtonFont());
    button->setCursor(Qt::PointingHandCursor);
    button->setGeometry(geometry);
    return button;
}

}  // namespace

TMainForm::TMainForm(TFormSet& forms, PulseTicks ticks)
    : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), forms_(forms),
      mainBitmap_(std::make_unique<stampwise::TBitmap>()) {
    setObjectName(QStringLiteral("MainForm"));
    setFixedSize(kClientWidth, kClientHeight);
    // The artwork covers the whole shape; the button face shows only if the artwork is missing.
    QPalette background = palette();
    background.setColor(QPalette::Window, background.color(QPalette::Button));
    setPalette(background);

    lblClose = new QLabel(QStringLiteral("Х"), this);
    lblClose->setObjectName(QStringLiteral("lblClose"));
    QFont closeFont(QStringLiteral("Arial"));
    closeFont.setPixelSize(19);
    lblClose->setFont(closeFont);
    lblClose->setAlignment(Qt::AlignCenter);
    lblClose->setCursor(Qt::PointingHandCursor);
    lblClose->setToolTip(QStringLiteral("Закрыть"));
    lblClose->setGeometry(360, 72, 13, 22);
    lblClose->installEventFilter(this);

    btnResize = MakeTextButton(this, "btnResize", QStringLiteral("Изменение размеров картинок"), {80, 296, 241, 22});
    btnWatermark = MakeTextButton(this, "btnWatermark", QStringLiteral("Наложение логотипов"), {104, 336, 193, 22});
    btnAbout = MakeTextButton(this, "btnAbout", QStringLiteral("О программе"), {128, 376, 145, 22});
    // Ink on the stamp's paper, turning to the warm red of a postmark under the mouse.
    setStyleSheet(QStringLiteral(
        "QLabel#lblClose { color: #1b4252; background: transparent; }"
        "QLabel#lblClose:hover { color: #b3402a; }"
        "QPushButton { color: #1b4252; background: transparent; border: none; }"
        "QPushButton:hover { color: #b3402a; }"
        "QPushButton:pressed { color: #7c2a1a; }"));

    connect(btnResize, &QPushButton::clicked, this, &TMainForm::btnResizeClick);
    connect(btnWatermark, &QPushButton::clicked, this, &TMainForm::btnWatermarkClick);
    connect(btnAbout, &QPushButton::clicked, this, &TMainForm::btnAboutClick);

    Timer = new QTimer(this);
    Timer->setObjectName(QStringLiteral("Timer"));
    Timer->setInterval(stampwise::kPulseIntervalMs);
    connect(Timer, &QTimer::timeout, this, &TMainForm::TimerTimer);

    FormCreate();
    // The window has no caption of its own, but a task bar names the program by the title its
    // main window gives the window system: that is the application title.
    winId();
    windowHandle()->setTitle(QString::fromUtf8(stampwise::kApplicationTitle));
    if (ticks == PulseTicks::FromTimer) Timer->start();
}

TMainForm::~TMainForm() { FormDestroy(); }

void TMainForm::FormCreate() {
    RegisterArtworkResources();

    // A missing or unreadable picture leaves the program usable: the window stays a plain
    // rectangle, and the watermark window finds no sample picture.
    const QByteArray artwork = ReadResource(QStringLiteral(":/mainform.dib"));
    try {
        mainBitmap_->ReadBmpResource(reinterpret_cast<const std::uint8_t*>(artwork.constData()),
                                     static_cast<std::size_t>(artwork.size()));
    } catch (const stampwise::EImageError&) {
        *mainBitmap_ = stampwise::TBitmap();
    }
    mainBitmap_->SetTransparent(true);
    mainBitmap_->SetTransparentColor(stampwise::kColorWhite);
    ShapeFormFromBitmap(this, *mainBitmap_);

    const QByteArray preview = ReadResource(QStringLiteral(":/preview.jpg"));
    if (!preview.isEmpty()) {
        auto picture = std::make_unique<stampwise::TJPEGImage>();
        try {
            picture->ReadFromBytes(std::vector<std::uint8_t>(preview.begin(), preview.end()));
            previewPicture_ = std::move(picture);
        } catch (const stampwise::EImageError&) {
            previewPicture_.reset();
        }
    }

    pulseCounter_ = 0;
}

void TMainForm::FormDestroy() {
    mainBitmap_.reset();
    previewPicture_.reset();
}

void TMainForm::btnResizeClick() { forms_.Flow().ResizeClicked(); }
void TMainForm::btnWatermarkClick() { forms_.Flow().WatermarkClicked(); }
void TMainForm::btnAboutClick() { forms_.Flow().AboutClicked(); }

void TMainForm::lblCloseClick() {
    if (forms_.Flow().CloseClicked()) close();
}

void TMainForm::TimerTimer() {
    // The pulse repeats every period, so counting within one period gives the same values as an
    // ever-growing counter and never overflows.
    pulseCounter_ = pulseCounter_ % stampwise::kPulseTicksPerPeriod + 1;
    setWindowOpacity(stampwise::PulseAlpha(pulseCounter_) / 255.0);
    // Under X11 the new opacity is only queued for the server; Qt sends its queue when a window is
    // drawn or an event comes in, and with the pointer still nothing else would send it: the pulse
    // would stand still. The redraw sends it now.
    update();
}

bool TMainForm::DragZoneHitTest(const QPoint& globalPos) const {
    const QPoint local = mapFromGlobal(globalPos);
    if (!rect().contains(local)) return false;
    if (!mask().isEmpty() && !mask().contains(local)) return false;
    const QPoint origin = mapToGlobal(QPoint(0, 0));
    return stampwise::IsInDragZone(globalPos.x(), globalPos.y(), origin.x(), origin.y());
}

void TMainForm::paintEvent(QPaintEvent*) {
    if (mainBitmap_ == nullptr || mainBitmap_->Empty()) return;
    const stampwise::TBitmap& bitmap = *mainBitmap_;
    // A view of the bitmap's own rows, without a copy; the shape leaves out its white pixels.
    const QImage view(bitmap.ScanLine(0), bitmap.Width(), bitmap.Height(),
                      static_cast<qsizetype>(bitmap.RowBytes()), QImage::Format_RGB888);
    QPainter painter(this);
    if (!mask().isEmpty()) painter.setClipRegion(mask());
    painter.drawImage(0, 0, view);
}

void TMainForm::mousePressEvent(QMouseEvent* event) {
    const QPoint global = event->globalPosition().toPoint();
    if (event->button() != Qt::LeftButton || !DragZoneHitTest(global)) {
        QWidget::mousePressEvent(event);
        return;
    }
    event->accept();
    if (windowHandle() != nullptr && windowHandle()->startSystemMove()) return;
    isFollowingMouse_ = true;
    grabOffset_ = global - frameGeometry().topLeft();
}

void TMainForm::mouseMoveEvent(QMouseEvent* event) {
    if (!isFollowingMouse_) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    move(event->globalPosition().toPoint() - grabOffset_);
    event->accept();
}

void TMainForm::mouseReleaseEvent(QMouseEvent* event) {
    isFollowingMouse_ = false;
    QWidget::mouseReleaseEvent(event);
}

bool TMainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lblClose && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        // A click is a release over the label, as with a button.
        if (mouse->button() == Qt::LeftButton && lblClose->rect().contains(mouse->position().toPoint())) {
            lblCloseClick();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TMainForm::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the program, whatever other windows are open.
    event->accept();
    QApplication::quit();
}
