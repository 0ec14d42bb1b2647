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
#include <QMouseEvent>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <thread>

#include "app/FormSetUnit.h"
#include "app/MainUnit.h"
#include "app/MessageBoxUnit.h"
#include "app/RussianQtTextsUnit.h"
#include "batch/BatchRunner.h"
#include "batch/ReportUnit.h"
#include "job/MessageBoxes.h"
#include "resize/ResizeParamsUnit.h"
#include "resize/ResizeRule.h"
#include "wizard/FilesSelectQueryUnit.h"
#include "wizard/SelectFilesUnit.h"
#include "wizard/SelectFolderUnit.h"
#include "wizard/SelectTargetUnit.h"
#include "widgets/ShellListUnit.h"
#include "widgets/ShellTreeUnit.h"
#include "widgets/WizardLookUnit.h"
#include "watermark/WatermarkParamsUnit.h"

namespace {

using stampwise::FormId;

// Runs the event loop for a while, so that windows draw and folder listings arrive.
void Settle(int milliseconds);
bool SaveScreenArea(QWidget* window, const QString& path);

// Where the shot being taken goes, for a shot that must save its picture itself (in the middle of
// a batch) and then returns nullptr.
QString g_shotPath;

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

// Thirty camera photographs in a deep folder with a Cyrillic name, for a batch to work on.
std::vector<std::string> BatchPhotos() {
    const QString folder = SampleFolder().filePath(QStringLiteral("Фото/2026-07 Отпуск на море/Камера"));
    QDir().mkpath(folder);
    std::vector<std::string> photos;
    for (int i = 1; i <= 30; ++i) {
        const QString path = folder + QStringLiteral("/IMG_20260708_%1.jpg").arg(101500 + i);
        if (!QFile::exists(path)) QFile::copy(QStringLiteral(":/preview.jpg"), path);
        photos.push_back(path.toStdString());
    }
    return photos;
}

// The boxes of a batch that the pictures need without a question: Yes to it, the rest unseen.
class TQuietBoxes final : public stampwise::MessageBoxes {
public:
    void Notice(const std::string&) override {}
    bool Question(const std::string&) override { return true; }
    void Information(const std::string&) override {}
};

// A resize batch of the thirty photographs into the subfolder "Resized", through the report
// window as the program runs it. While the eleventh file is worked on, duringFile runs on the
// window's thread, and the file waits for it to end.
void RunReportBatch(TFormSet& forms, const std::function<void()>& duringFile) {
    static TQuietBoxes boxes;
    stampwise::JobState& job = forms.Job();
    job.Operation = "resize";
    job.SourceKind = "files";
    job.SourceFilesKind = "files";
    job.TargetMode = "subfolder";
    job.SourceFiles = BatchPhotos();
    stampwise::BatchInputs inputs;
    inputs.Targets = {"", "Resized", "", ""};
    inputs.Jobs = 1;
    stampwise::BatchOperation op = stampwise::MakeResizeOperation(stampwise::ResizeMode::Width, 800, "800");
    const stampwise::TransformStep resize = op.Step;
    const std::string eleventh = job.SourceFiles[10];
    op.Step = [&](const std::string& path, stampwise::StepOutcome& outcome) {
        if (path == eleventh) {
            std::atomic<bool> isDone{false};
            QMetaObject::invokeMethod(qApp, [&] {
                duringFile();
                isDone = true;
            }, Qt::QueuedConnection);
            while (!isDone) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        resize(path, outcome);
    };
    TReportForm* report = forms.Window<TReportForm>(FormId::ReportForm);
    report->RunBatch(job, inputs, op, forms.Form(FormId::ResizeParamsForm), boxes);
}

// A click on the stop button as the mouse gives it, through the window system's queue.
void PostClick(QWidget* widget) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(centre);
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, centre, global,
                                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
}

// A home folder as a new user's might look, so the folder window's start is the same in every
// picture whoever takes them: the desktop's usual folders, Pictures among them.
void UseSampleHome() {
    static QTemporaryDir home;
    for (const char* name : {"Desktop", "Documents", "Downloads", "Music", "Pictures", "Videos"}) {
        QDir(home.path()).mkpath(QString::fromLatin1(name));
    }
    // And a folder whose name is longer than the file list window's tree is wide.
    QDir(home.path()).mkpath(QStringLiteral("Фотографии с дачи и из отпуска 2026"));
    for (const char* name : {"scan_0001.jpg", "scan_0002.jpg"}) {
        QFile::copy(QStringLiteral(":/preview.jpg"), home.filePath(QString::fromLatin1(name)));
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
    // As a new user first sees it: the home folder chosen and listed.
    {"select-files-start", [](TFormSet& forms) {
         forms.Window<TMainForm>(stampwise::FormId::MainForm)->btnResize->click();
         forms.Window<TFilesSelectQueryForm>(stampwise::FormId::FilesSelectQueryForm)->btnSelectFiles->click();
         Settle(600);
         return forms.Form(FormId::SelectFilesForm);
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
    // A batch under way, with its stop button, ten files done.
    {"report-running", [](TFormSet& forms) -> QWidget* {
         TReportForm* report = forms.Window<TReportForm>(FormId::ReportForm);
         RunReportBatch(forms, [&] {
             Settle(400);
             SaveScreenArea(report, g_shotPath);
         });
         return nullptr;
     }},
    // The same batch stopped while its eleventh file was worked on.
    {"report-stopped", [](TFormSet& forms) -> QWidget* {
         TReportForm* report = forms.Window<TReportForm>(FormId::ReportForm);
         RunReportBatch(forms, [&] {
             PostClick(report->btnStop);
             Settle(200);  // the click is taken while the file is still under way
         });
         return report;
     }},
    // Made wider by the user: the paths take the room.
    {"report-wide", [](TFormSet& forms) -> QWidget* {
         TReportForm* report = forms.Window<TReportForm>(FormId::ReportForm);
         RunReportBatch(forms, [] {});
         report->resize(980, 480);
         CenterOnScreen(report);
         return report;
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
    QFile::remove(path);
    Desktop desktop(shot.isLightDesktop);
    desktop.show();
    Settle(100);

    TQtMessageBoxes boxes;
    // Without the pulse's ticks: it would make every picture of the main window a little different.
    TFormSet forms(boxes, PulseTicks::Injected);
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
    g_shotPath = path;
    QWidget* window = shot.show(forms);
    if (window == nullptr) return QFile::exists(path);  // saved by the shot itself
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
    InstallRussianQtTexts(qtTranslations);
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
