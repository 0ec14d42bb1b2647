// Photographs the program's windows as a user sees them: the nine windows are created as at
// start-up, one window is brought on screen as the table below says, and the screen area around it
// is saved as <outdir>/<name>.png. Taking the picture from the screen, not from the widget, shows
// the main window's shape (and, under a compositing manager, its translucency) over a desktop.
//
//   stampwise-screenshots <outdir> [name...]     (script/screenshots runs it on a virtual display)
//
// To add a window, add one entry to kShots: a name and a function that brings the window up (by the
// user's own buttons where that is simple) and returns it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QCheckBox>
#include <QEventLoop>
#include <QFont>
#include <QImage>
#include <QLibraryInfo>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <QTranslator>
#include <QWidget>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>

#include "app/FormSetUnit.h"
#include "app/MainUnit.h"
#include "app/MessageBoxUnit.h"
#include "batch/BatchRunner.h"
#include "batch/ReportUnit.h"
#include "resize/ResizeParamsUnit.h"
#include "wizard/FilesSelectQueryUnit.h"
#include "wizard/SelectFilesUnit.h"
#include "wizard/SelectFolderUnit.h"
#include "wizard/SelectTargetUnit.h"
#include "widgets/ShellListUnit.h"
#include "widgets/ShellTreeUnit.h"
#include "watermark/WatermarkParamsUnit.h"

namespace {

using stampwise::FormId;

// Runs the event loop for a while, so that windows draw and folder listings arrive.
void Settle(int milliseconds);

struct Shot {
    const char* name;
    // Brings the window up and returns it; the main window is already shown.
    std::function<QWidget*(TFormSet&)> show;
    // The desktop behind the window: a dark one shows a pale halo, a light one a dark fringe.
    bool isLightDesktop = false;
    // The function opens a modal box and returns only once it is closed: the box is photographed
    // while it is open, then closed as with Escape, and the function should return nullptr.
    bool opensModalBox = false;
};

QWidget* ShowMain(TFormSet& forms) { return forms.Form(FormId::MainForm); }

// A folder of sample photographs for the wizard's windows (the preview picture under three names,
// and a file that is no picture), kept until the program ends.
const QTemporaryDir& SampleFolder() {
    static QTemporaryDir folder;
    static const bool isFilled = [] {
        for (const char* name : {"IMG_0412.jpg", "IMG_0413.JPG", "IMG_0415.jpg"}) {
            QFile::copy(QStringLiteral(":/preview.jpg"), folder.filePath(QString::fromLatin1(name)));
        }
        QFile notes(folder.filePath(QStringLiteral("notes.txt")));
        return notes.open(QIODevice::WriteOnly);
    }();
    (void)isFilled;
    return folder;
}
std::string SamplePath(const char* name) {
    return SampleFolder().filePath(QString::fromLatin1(name)).toStdString();
}

// Waits until the file list shows the sample folder's four entries.
void WaitForSampleListing(TShellFileList* list) {
    for (int i = 0; i < 100 && list->model()->rowCount(list->rootIndex()) < 4; ++i) {
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// A home folder as a new user's might look, so the folder window's start is the same in every
// picture whoever takes them: the desktop's usual folders, Pictures among them.
void UseSampleHome() {
    static QTemporaryDir home;
    for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"}) {
        QDir(home.path()).mkpath(QString::fromLatin1(name));
    }
    qputenv("HOME", home.path().toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", (home.path() + QStringLiteral("/.config")).toLocal8Bit());
}

// The job of a resize run over the sample folder, as the windows before the target window leave it.
void SetUpResizeJob(TFormSet& forms) {
    forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnResize->click();
    forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFolder->click();
    forms.Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(SampleFolder().path().toStdString());
    forms.Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->btnNext->click();
}

// The watermark window as a watermark run reaches it, with a logo drawn here (a blue seal with a
// word, on white that the trim cuts away) chosen as if in the picture-open dialog.
QWidget* ShowWatermarkWithLogo(TFormSet& forms, bool isTwoColour) {
    forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnWatermark->click();
    forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFolder->click();
    forms.Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(SampleFolder().path().toStdString());
    forms.Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->btnNext->click();
    forms.Window<TSelectTargetForm>(stampwise::FormId::SelectTargetForm)->btnNext->click();

    QImage logo(160, 90, QImage::Format_RGB888);
    logo.fill(Qt::white);
    {
        QPainter painter(&logo);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(20, 60, 170), 5));
        painter.drawEllipse(QRectF(8, 8, 74, 74));
        painter.setBrush(QColor(200, 30, 40));
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(QRectF(28, 28, 34, 34));
        QFont font = painter.font();
        font.setBold(true);
        font.setPixelSize(22);
        painter.setFont(font);
        painter.setPen(QColor(20, 60, 170));
        painter.drawText(QRectF(84, 24, 76, 44), Qt::AlignCenter, QStringLiteral("VM"));
    }
    const QString path = SampleFolder().filePath(QStringLiteral("logo.bmp"));
    logo.save(path, "BMP");

    TWatermarkParamsForm* window = forms.Window<TWatermarkParamsForm>(stampwise::FormId::WatermarkParamsForm);
    window->OpenPictureDialog = [path](QWidget*, const std::string&) {
        return std::optional<std::string>(path.toStdString());
    };
    window->ImagePreviewClick();
    window->cbBottomRight->setChecked(true);
    window->cbTopLeft->setChecked(true);
    if (isTwoColour) window->btnBlankBackground->click();
    return static_cast<QWidget*>(window);
}

const Shot kShots[] = {
    {"main", ShowMain},
    {"main-light", ShowMain, true},
    // The pulse's faintest moment, tick 50 of 100 (visible where a compositing manager runs).
    {"main-faint", [](TFormSet& forms) {
         for (int tick = 1; tick <= 50; ++tick) forms.Window<TMainForm>(stampwise::FormId::MainForm)->TimerTimer();
         return forms.Form(FormId::MainForm);
     }},
    {"about", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnAbout->click();
         return forms.Form(FormId::AboutForm);
     }},
    {"close-question", [](TFormSet& forms) -> QWidget* {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->lblCloseClick();
         return nullptr;
     }, false, true},
    {"files-select-query", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnResize->click();
         return forms.Form(FormId::FilesSelectQueryForm);
     }},
    // As a new user first sees it: nothing chosen yet by hand.
    {"select-folder-start", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnResize->click();
         forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFolder->click();
         return forms.Form(FormId::SelectFolderForm);
     }},
    {"select-folder", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnResize->click();
         forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFolder->click();
         forms.Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(SampleFolder().path().toStdString());
         return forms.Form(FormId::SelectFolderForm);
     }},
    {"select-files", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnResize->click();
         forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFiles->click();
         TSelectFilesForm* window = forms.Window<TSelectFilesForm>(stampwise::FormId::SelectFilesForm);
         window->stvFilesSource->SelectPath(SampleFolder().path().toStdString());
         WaitForSampleListing(window->slvFiles);
         for (const char* name : {"IMG_0412.jpg", "IMG_0415.jpg", "IMG_0413.JPG"}) {
             window->slvFiles->SelectPath(SamplePath(name));
             window->slvFilesClick();
             window->btnAddToList->click();
         }
         return static_cast<QWidget*>(window);
     }},
    {"select-files-warning", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnResize->click();
         forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFiles->click();
         TSelectFilesForm* window = forms.Window<TSelectFilesForm>(stampwise::FormId::SelectFilesForm);
         window->stvFilesSource->SelectPath(SampleFolder().path().toStdString());
         WaitForSampleListing(window->slvFiles);
         window->slvFiles->clearSelection();
         window->slvFilesClick();
         return static_cast<QWidget*>(window);
     }},
    {"select-target", [](TFormSet& forms) {
         SetUpResizeJob(forms);
         return forms.Form(FormId::SelectTargetForm);
     }},
    {"resize-params", [](TFormSet& forms) {
         SetUpResizeJob(forms);
         forms.Window<TSelectTargetForm>(stampwise::FormId::SelectTargetForm)->btnNext->click();
         return forms.Form(FormId::ResizeParamsForm);
     }},
    {"report", [](TFormSet& forms) {
         // The rows a batch of camera photographs in a deep folder leaves, one of which failed,
         // without asking the question; the failed row's tooltip is shown as the mouse would.
         TReportForm* report = forms.Window<TReportForm>(stampwise::FormId::ReportForm);
         report->ClearRows();
         report->ClearColumns();
         for (const stampwise::ReportColumn& column : stampwise::ReportColumns(stampwise::ResizeTexts())) {
             report->AddColumn(column);
         }
         const std::string in = "/home/user/Фото/2026-07 Отпуск на море/Камера/";
         const std::string out = in + "Resized/";
         report->AddRow({stampwise::kReportImageOk, in + "IMG_20260708_101512.jpg", "6000x4000",
                         out + "IMG_20260708_101512.jpg", "800x533", stampwise::kReportOk, ""});
         report->AddRow({stampwise::kReportImageError, in + "DSC01533.JPG", "0x0", "",
                         "0x0", stampwise::kReportError, "Файл не является картинкой JPEG"});
         report->AddRow({stampwise::kReportImageOk, in + "IMG_20260708_101547.jpg", "4000x6000",
                         out + "IMG_20260708_101547.jpg", "800x1200", stampwise::kReportOk, ""});
         report->ShowProgress(3, 3);
         report->ShowReport();
         Settle(300);
         QTreeWidgetItem* failed = report->lvReport->topLevelItem(1);
         const QRect row = report->lvReport->visualItemRect(failed);
         QToolTip::showText(report->lvReport->viewport()->mapToGlobal(row.bottomLeft() + QPoint(24, 4)),
                            failed->toolTip(0), report->lvReport);
         return forms.Form(FormId::ReportForm);
     }},
    // The question of a watermark run, whose texts break their lines most often.
    {"question", [](TFormSet& forms) -> QWidget* {
         ShowWatermarkWithLogo(forms, false);
         forms.Window<TWatermarkParamsForm>(stampwise::FormId::WatermarkParamsForm)->btnNext->click();
         return nullptr;
     }, false, true},
    {"watermark-params-no-logo", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnWatermark->click();
         forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFolder->click();
         forms.Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(SampleFolder().path().toStdString());
         forms.Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->btnNext->click();
         forms.Window<TSelectTargetForm>(stampwise::FormId::SelectTargetForm)->btnNext->click();
         return forms.Form(FormId::WatermarkParamsForm);
     }},
    {"watermark-params", [](TFormSet& forms) { return ShowWatermarkWithLogo(forms, false); }},
    {"watermark-params-two-colour", [](TFormSet& forms) { return ShowWatermarkWithLogo(forms, true); }},
};

// A plain desktop under the windows, so that the shaped window's cut-outs show something.
class Desktop : public QWidget {
public:
    explicit Desktop(bool isLight) : QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint), isLight_(isLight) {
        setGeometry(QGuiApplication::primaryScreen()->geometry());
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        QLinearGradient gradient(0, 0, width(), height());
        gradient.setColorAt(0, isLight_ ? QColor(222, 228, 234) : QColor(52, 78, 100));
        gradient.setColorAt(1, isLight_ ? QColor(190, 200, 210) : QColor(22, 34, 46));
        painter.fillRect(rect(), gradient);
    }

private:
    bool isLight_;
};

void Settle(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

bool SaveScreenArea(QWidget* window, const QString& path) {
    constexpr int kMarginPx = 16;
    const QRect area = window->frameGeometry().adjusted(-kMarginPx, -kMarginPx, kMarginPx, kMarginPx);
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
    if (picture.isNull() || !picture.save(path, "PNG")) {
        std::fprintf(stderr, "stampwise-screenshots: cannot save %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

bool TakeShot(const Shot& shot, const QString& outDir) {
    const QString path = QDir(outDir).filePath(QString::fromLatin1(shot.name) + QStringLiteral(".png"));
    Desktop desktop(shot.isLightDesktop);
    desktop.show();
    Settle(100);

    TQtMessageBoxes boxes;
    TFormSet forms(boxes);
    // The pulse would make every picture of the main window a little different.
    forms.Window<TMainForm>(stampwise::FormId::MainForm)->Timer->stop();
    forms.ShowForm(FormId::MainForm);
    Settle(150);

    if (shot.opensModalBox) {
        bool isSaved = false;
        QTimer::singleShot(500, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (box == nullptr) return;
            isSaved = SaveScreenArea(box, path);
            box->close();
        });
        shot.show(forms);
        if (!isSaved) std::fprintf(stderr, "stampwise-screenshots: %s opened no box\n", shot.name);
        return isSaved;
    }
    QWidget* window = shot.show(forms);
    Settle(400);
    return SaveScreenArea(window, path);
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    SetApplicationTitle();
    SetDesktopIdentity();
    UseSampleHome();
    // As the program does at start-up, so the boxes' standard buttons read as a user sees them.
    QTranslator qtTranslations;
    InstallQtTranslations(qtTranslations);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <outdir> [name...]\n", argv[0]);
        return 2;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    QStringList wanted;
    for (int i = 2; i < argc; ++i) wanted << QString::fromLocal8Bit(argv[i]);

    bool isOk = true;
    int taken = 0;
    for (const Shot& shot : kShots) {
        if (!wanted.isEmpty() && !wanted.contains(QString::fromLatin1(shot.name))) continue;
        isOk = TakeShot(shot, outDir) && isOk;
        ++taken;
    }
    if (taken == 0) {
        std::fprintf(stderr, "stampwise-screenshots: no window of that name; known:");
        for (const Shot& shot : kShots) std::fprintf(stderr, " %s", shot.name);
        std::fprintf(stderr, "\n");
        return 2;
    }
    return isOk ? 0 : 1;
}
