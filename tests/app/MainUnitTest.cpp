#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include "app/MainUnit.h"
#include "app/WindowShape.h"
#include "uisupport/FormsFixture.h"

namespace stampwise::testing {
namespace {

void ClickLabel(QLabel* label) {
    const QPointF local(label->width() / 2.0, label->height() / 2.0);
    const QPointF global = label->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(label, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(label, &release);
}

// Runs the event loop with the action queued first; true when the loop ended by itself, false when
// it still ran after a while and had to be stopped.
bool ActionEndsEventLoop(const std::function<void()>& action) {
    QTimer start;
    start.setSingleShot(true);
    QObject::connect(&start, &QTimer::timeout, action);
    bool stillRunning = false;
    QTimer stop;
    stop.setSingleShot(true);
    QObject::connect(&stop, &QTimer::timeout, [&] {
        stillRunning = true;
        QApplication::exit(1);
    });
    start.start(0);
    stop.start(500);
    const int code = QApplication::exec();
    return !stillRunning && code == 0;
}

class MainWindow : public FormsFixture {
protected:
    TMainForm* Main() { return forms->Window<TMainForm>(stampwise::FormId::MainForm); }
};

TEST_F(MainWindow, IsAFramelessWindowOfTheArtworksSize) {
    EXPECT_TRUE(Main()->windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(Main()->size(), QSize(400, 500));
    ASSERT_FALSE(Main()->MainBitmap().Empty());
    EXPECT_EQ(Main()->MainBitmap().Width(), 400);
    EXPECT_EQ(Main()->MainBitmap().Height(), 500);
    EXPECT_TRUE(Main()->MainBitmap().Transparent());
    EXPECT_EQ(Main()->MainBitmap().EffectiveTransparentColor(), kColorWhite);
}

TEST_F(MainWindow, MaskIsExactlyTheArtworksNonWhitePixels) {
    const TBitmap& art = Main()->MainBitmap();
    ASSERT_EQ(art.Width(), 400);
    QImage covered(art.Width(), art.Height(), QImage::Format_RGB32);
    covered.fill(Qt::black);
    {
        QPainter painter(&covered);
        painter.setClipRegion(Main()->mask());
        painter.fillRect(covered.rect(), Qt::white);
    }
    int inside = 0;
    int mismatches = 0;
    for (int y = 0; y < art.Height(); ++y) {
        for (int x = 0; x < art.Width(); ++x) {
            const bool isArt = art.PixelAt(x, y) != kColorWhite;
            const bool isMasked = covered.pixel(x, y) == qRgb(255, 255, 255);
            inside += isArt;
            if (isArt != isMasked && ++mismatches <= 5) ADD_FAILURE() << "pixel " << x << "," << y;
        }
    }
    EXPECT_EQ(mismatches, 0);
    // A real shape: neither the whole rectangle nor nothing.
    EXPECT_GT(inside, 400 * 500 / 2);
    EXPECT_LT(inside, 400 * 500);
}

TEST_F(MainWindow, EveryControlLiesWhollyOnTheShape) {
    const QRegion shape = Main()->mask();
    ASSERT_FALSE(shape.isEmpty());
    const QWidget* controls[] = {Main()->lblClose, Main()->btnResize, Main()->btnWatermark, Main()->btnAbout};
    for (const QWidget* control : controls) {
        EXPECT_EQ(shape.intersected(control->geometry()), QRegion(control->geometry()))
            << control->objectName().toStdString() << " is cut by the window's edge";
    }
}

TEST_F(MainWindow, TheShapesEdgeIsDarkerThanThePaperSoNoPaleHaloShows) {
    // A pale pixel on the edge of a shaped window shows as a light fringe on a dark desktop; the
    // artwork's edge is darker than its paper (about 247 in every channel).
    const TBitmap& art = Main()->MainBitmap();
    int edgePixels = 0;
    for (int y = 1; y + 1 < art.Height(); ++y) {
        for (int x = 1; x + 1 < art.Width(); ++x) {
            const ColorValue c = art.PixelAt(x, y);
            if (c == kColorWhite) continue;
            const bool isEdge = art.PixelAt(x - 1, y) == kColorWhite || art.PixelAt(x + 1, y) == kColorWhite ||
                                art.PixelAt(x, y - 1) == kColorWhite || art.PixelAt(x, y + 1) == kColorWhite;
            if (!isEdge) continue;
            ++edgePixels;
            ASSERT_LT(std::max({RedOf(c), GreenOf(c), BlueOf(c)}), 230) << x << "," << y;
        }
    }
    EXPECT_GT(edgePixels, 1000);
}

TEST_F(MainWindow, PaintsTheArtworkUnderItsControls) {
    const TBitmap& art = Main()->MainBitmap();
    const QImage shown = Main()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shown.size(), QSize(400, 500));
    // Above the buttons and left of the close mark no control covers the artwork.
    int compared = 0;
    for (int y = 0; y < 290; ++y) {
        for (int x = 0; x < 350; ++x) {
            const ColorValue c = art.PixelAt(x, y);
            if (c == kColorWhite) continue;
            ASSERT_EQ(shown.pixel(x, y), qRgb(RedOf(c), GreenOf(c), BlueOf(c))) << x << "," << y;
            ++compared;
        }
    }
    EXPECT_GT(compared, 50000);
}

TEST_F(MainWindow, ControlsStandWhereTheLayoutPutsThem) {
    struct Expected {
        const char* name;
        QRect geometry;
        const char* caption;
    };
    const Expected buttons[] = {
        {"btnResize", {80, 296, 241, 22}, "Изменение размеров картинок"},
        {"btnWatermark", {104, 336, 193, 22}, "Наложение логотипов"},
        {"btnAbout", {128, 376, 145, 22}, "О программе"},
    };
    for (const Expected& e : buttons) {
        auto* button = Control<QPushButton>(FormId::MainForm, e.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry(), e.geometry) << e.name;
        EXPECT_EQ(button->text().toStdString(), e.caption) << e.name;
        EXPECT_TRUE(button->isFlat()) << e.name;
        EXPECT_TRUE(button->font().bold()) << e.name;
        EXPECT_EQ(button->font().pixelSize(), 13) << e.name;
    }
    auto* close = Control<QLabel>(FormId::MainForm, "lblClose");
    ASSERT_NE(close, nullptr);
    EXPECT_EQ(close->geometry(), QRect(360, 72, 13, 22));
    EXPECT_EQ(close->text().toStdString(), "Х");  // the Cyrillic letter
    EXPECT_EQ(close->font().family().toStdString(), "Arial");
    EXPECT_EQ(close->font().pixelSize(), 19);
    EXPECT_EQ(close->toolTip().toStdString(), "Закрыть");
    EXPECT_EQ(close->cursor().shape(), Qt::PointingHandCursor);
}

TEST_F(MainWindow, DragZoneIsTheTopLeftCornerWhereTheShapeCoversIt) {
    auto global = [&](int x, int y) { return Main()->mapToGlobal(QPoint(x, y)); };
    ASSERT_TRUE(Main()->mask().contains(QPoint(299, 99)));
    EXPECT_TRUE(Main()->DragZoneHitTest(global(299, 99)));
    EXPECT_TRUE(Main()->DragZoneHitTest(global(150, 99)));
    EXPECT_FALSE(Main()->DragZoneHitTest(global(300, 50)));
    EXPECT_FALSE(Main()->DragZoneHitTest(global(150, 100)));
    // In the zone but outside the stamp: the desktop under it, not the window.
    ASSERT_FALSE(Main()->mask().contains(QPoint(2, 2)));
    EXPECT_FALSE(Main()->DragZoneHitTest(global(2, 2)));
}

// Presses at a client point, moves the mouse by (dx, dy) and releases; returns how far the window
// moved. The offscreen platform cannot move windows itself, so this goes through the window's own
// following of the mouse, which is what a desktop without that support gets.
QPoint DragBy(QWidget* window, QPoint pressAt, QPoint by) {
    const QPoint before = window->pos();
    const QPointF local(pressAt);
    const QPointF global = window->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &press);
    const QPointF to = global + QPointF(by);
    QMouseEvent move(QEvent::MouseMove, window->mapFromGlobal(to), to, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(window, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, window->mapFromGlobal(to), to, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(window, &release);
    return window->pos() - before;
}

TEST_F(MainWindow, DraggingInTheZoneMovesTheWindowAndElsewhereNot) {
    EXPECT_EQ(DragBy(Main(), {299, 99}, {30, 20}), QPoint(30, 20));
    EXPECT_EQ(DragBy(Main(), {150, 100}, {30, 20}), QPoint(0, 0));
    EXPECT_EQ(DragBy(Main(), {300, 50}, {-10, 5}), QPoint(0, 0));
    // After a release the mouse moves freely again.
    const QPoint before = Main()->pos();
    QMouseEvent hover(QEvent::MouseMove, QPointF(200, 50), Main()->mapToGlobal(QPointF(260, 80)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Main(), &hover);
    EXPECT_EQ(Main()->pos(), before);
}

TEST_F(MainWindow, PulsesFromOpaqueThroughACosineOf100Ticks) {
    EXPECT_EQ(Main()->PulseCounter(), 0);
    EXPECT_DOUBLE_EQ(Main()->windowOpacity(), 1.0);
    auto alpha = [&] { return static_cast<int>(std::lround(Main()->windowOpacity() * 255)); };
    Main()->TimerTimer();
    EXPECT_EQ(alpha(), 250);
    for (int n = 2; n <= 50; ++n) Main()->TimerTimer();
    EXPECT_EQ(alpha(), 150);
    for (int n = 51; n <= 101; ++n) Main()->TimerTimer();
    EXPECT_EQ(alpha(), PulseAlpha(101));
}

TEST(MainWindowTimer, TicksEvery100MsFromCreation) {
    ScriptedMessageBoxes boxes;
    TFormSet program(boxes);
    const QTimer* timer = program.Window<TMainForm>(FormId::MainForm)->Timer;
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 100);
}

TEST_F(MainWindow, HoldsTheSamplePictureForTheWatermarkPreview) {
    TJPEGImage* preview = Main()->PreviewPicture();
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(preview->Width(), 200);
    EXPECT_EQ(preview->Height(), 150);
    const TBitmap& decoded = preview->DecodedBitmap();
    EXPECT_EQ(decoded.Width(), 200);
    EXPECT_EQ(decoded.Height(), 150);
}

TEST_F(MainWindow, AnsweringNoToTheCloseQuestionKeepsTheProgramRunning) {
    boxes.AnswerNext(false);
    EXPECT_FALSE(ActionEndsEventLoop([&] { ClickLabel(Main()->lblClose); }));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Закрыть программу?"});
    EXPECT_TRUE(Main()->isVisible());
}

TEST_F(MainWindow, AnsweringYesEndsTheProgramEvenWithWizardWindowsOpen) {
    forms->ShowForm(FormId::AboutForm);
    forms->ShowForm(FormId::FilesSelectQueryForm);
    boxes.AnswerNext(true);
    EXPECT_TRUE(ActionEndsEventLoop([&] { ClickLabel(Main()->lblClose); }));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Закрыть программу?"});
    EXPECT_FALSE(Main()->isVisible());
}

TEST_F(MainWindow, ButtonsStartTheirRunsAndOpenTheAboutWindow) {
    Main()->btnWatermark->click();
    EXPECT_EQ(forms->Job().Operation, "watermark");
    EXPECT_TRUE(forms->Form(FormId::FilesSelectQueryForm)->isVisible());
    Main()->btnResize->click();
    EXPECT_EQ(forms->Job().Operation, "resize");
    EXPECT_FALSE(forms->Form(FormId::AboutForm)->isVisible());
    Main()->btnAbout->click();
    EXPECT_TRUE(forms->Form(FormId::AboutForm)->isVisible());
    EXPECT_TRUE(Main()->isVisible());
}

}  // namespace
}  // namespace stampwise::testing
