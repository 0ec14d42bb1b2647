#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QInputDevice>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPixmap>
#include <QPointingDevice>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "batch/ReportUnit.h"
#include "resize/ResizeRule.h"
#include "support/TestPictures.h"
#include "watermark/WatermarkStep.h"
#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"
#include "uisupport/FormsFixture.h"

namespace stampwise::testing {
namespace {

// How many opaque pixels of a 16 × 16 icon are clearly green and clearly red.
struct IconColours {
    int green = 0;
    int red = 0;
};
IconColours CountColours(const QIcon& icon) {
    const QImage image = icon.pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
    IconColours counts;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (c.alpha() < 128) continue;
            if (c.green() > c.red() + 60) ++counts.green;
            if (c.red() > c.green() + 60) ++counts.red;
        }
    }
    return counts;
}

class ReportWindow : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        report = forms->Window<TReportForm>(stampwise::FormId::ReportForm);
        list = Control<QTreeWidget>(FormId::ReportForm, "lvReport");
        report->OpenInShell = [this](const std::string& path) { opened.push_back(path); };
        good = folder.String() + "/good.jpg";
        WriteTestJpeg(good, 40, 30);
        missing = folder.String() + "/missing.jpg";
    }

    // A resize batch to half size into the subfolder "Out", answered Yes, through the window's view.
    void RunResize(const std::vector<std::string>& files) {
        forms->Job().Operation = "resize";
        forms->Job().SourceFilesKind = "files";
        forms->Job().TargetMode = "subfolder";
        forms->Job().SourceFiles = files;
        BatchInputs inputs;
        inputs.Targets = {"", "Out", "", ""};
        boxes.AnswerNext(true);
        report->RunBatch(forms->Job(), inputs, MakeResizeOperation(ResizeMode::Percent, 50, "50"),
                         forms->Form(FormId::ResizeParamsForm), boxes);
    }

    TempFolder folder;
    std::string good;
    std::string missing;
    TReportForm* report = nullptr;
    QTreeWidget* list = nullptr;
    std::vector<std::string> opened;
};

TEST_F(ReportWindow, ABatchShowsTheWindowWithFiveColumnsAndOneRowPerFile) {
    forms->ShowForm(FormId::ResizeParamsForm);
    RunResize({good, missing});

    EXPECT_TRUE(report->isVisible());
    EXPECT_FALSE(forms->Form(FormId::ResizeParamsForm)->isVisible());
    ASSERT_EQ(list->columnCount(), 5);
    const char* captions[] = {"Исходный файл", "Размер", "Преобразованный файл", "Размер", "Результат"};
    for (int c = 0; c < 5; ++c) EXPECT_EQ(list->headerItem()->text(c).toStdString(), captions[c]);
    // The size columns as the runner gives them; the path columns share the rest of the list.
    EXPECT_EQ(list->columnWidth(1), 60);
    EXPECT_EQ(list->columnWidth(3), 60);
    EXPECT_EQ(list->columnWidth(4), 70);
    EXPECT_EQ(list->columnWidth(0), list->columnWidth(2));
    EXPECT_EQ(list->header()->length(), list->viewport()->width());
    ASSERT_EQ(list->topLevelItemCount(), 2);
    QTreeWidgetItem* ok = list->topLevelItem(0);
    EXPECT_EQ(ok->text(0).toStdString(), good);
    EXPECT_EQ(ok->text(1).toStdString(), "40x30");
    EXPECT_EQ(ok->text(2).toStdString(), folder.String() + "/Out/good.jpg");
    EXPECT_EQ(ok->text(3).toStdString(), "20x15");
    EXPECT_EQ(ok->text(4).toStdString(), "Успешно");
    QTreeWidgetItem* failed = list->topLevelItem(1);
    EXPECT_EQ(failed->text(0).toStdString(), missing);
    EXPECT_EQ(failed->text(1).toStdString(), "0x0");
    EXPECT_EQ(failed->text(4).toStdString(), "Ошибка!");
    EXPECT_EQ(boxes.shown.back().kind, ShownBox::Kind::Information);
}

TEST_F(ReportWindow, RowsCarryTheGreenCheckOrTheRedExclamationMark) {
    RunResize({good, missing});
    ASSERT_EQ(list->topLevelItemCount(), 2);
    const QIcon okIcon = list->topLevelItem(0)->icon(0);
    const QIcon errorIcon = list->topLevelItem(1)->icon(0);
    EXPECT_EQ(okIcon.cacheKey(), report->RowIcon(kReportImageOk).cacheKey());
    EXPECT_EQ(errorIcon.cacheKey(), report->RowIcon(kReportImageError).cacheKey());
    EXPECT_EQ(list->iconSize(), QSize(16, 16));
    // The program's own artwork is there, not only the marks drawn when it is missing.
    EXPECT_FALSE(QPixmap(QStringLiteral(":/report_ok.bmp")).isNull());
    EXPECT_FALSE(QPixmap(QStringLiteral(":/report_error.bmp")).isNull());

    const IconColours okColours = CountColours(okIcon);
    const IconColours errorColours = CountColours(errorIcon);
    EXPECT_GT(okColours.green, 10);
    EXPECT_EQ(okColours.red, 0);
    EXPECT_GT(errorColours.red, 10);
    EXPECT_EQ(errorColours.green, 0);
}

TEST_F(ReportWindow, EachRowsTooltipHoldsItsWholePathsAndAFailedOnesTheReason) {
    RunResize({good, missing});
    ASSERT_EQ(list->topLevelItemCount(), 2);
    for (int c = 0; c < 5; ++c) {
        const std::string okTip = list->topLevelItem(0)->toolTip(c).toStdString();
        EXPECT_NE(okTip.find(good), std::string::npos) << okTip;
        EXPECT_NE(okTip.find(folder.String() + "/Out/good.jpg"), std::string::npos) << okTip;
        const std::string failedTip = list->topLevelItem(1)->toolTip(c).toStdString();
        EXPECT_NE(failedTip.find(missing), std::string::npos) << failedTip;
        // The reason, beside the path: the file could not be opened.
        EXPECT_NE(failedTip.find("No such file"), std::string::npos) << failedTip;
    }
}

TEST_F(ReportWindow, SizeColumnsWidenToTheirWidestValueAndPathColumnsShareTheRest) {
    for (const ReportColumn& column : ReportColumns(ResizeTexts())) report->AddColumn(column);
    const std::string source = "/home/user/Фото/Отпуск на море 2026/Камера/IMG_20260708_123456.jpg";
    report->AddRow({kReportImageOk, source, "6000x4000",
                    "/home/user/Фото/Отпуск на море 2026/Камера/Resized/IMG_20260708_123456.jpg",
                    "3000x2000", "Успешно", ""});
    report->ScrollToLastRow();  // as after each run of rows, which lays the list out
    const QFontMetrics metrics(list->font());
    EXPECT_GE(list->columnWidth(1), metrics.horizontalAdvance(QStringLiteral("6000x4000")));
    EXPECT_GE(list->columnWidth(3), metrics.horizontalAdvance(QStringLiteral("3000x2000")));
    EXPECT_EQ(list->columnWidth(0), list->columnWidth(2));
    // Every column stays in sight: the path columns make room rather than the list scrolling
    // sideways.
    EXPECT_LE(list->header()->length(), list->viewport()->width());
    // A narrow value never shrinks a column below its designed width.
    report->AddRow({kReportImageOk, source, "1x1", "", "1x1", "Успешно", ""});
    EXPECT_GE(list->columnWidth(1), metrics.horizontalAdvance(QStringLiteral("6000x4000")));
}

TEST(ReportPathColumn, ALongPathLosesTheMiddleOfItsFolderAndKeepsItsFileNameWhole) {
    const QFontMetrics metrics(QApplication::font());
    const QString path = QStringLiteral("/home/user/Фото/2026-07 Отпуск на море/IMG_20260708_1015.jpg");
    const int widthPx = metrics.horizontalAdvance(QStringLiteral("/home/u…/IMG_20260708_1015.jpg"));
    const QString shown = ElidePathKeepingName(path, metrics, widthPx);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/h"))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/IMG_20260708_1015.jpg"))) << shown.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(shown), widthPx);
    EXPECT_EQ(ElidePathKeepingName(path, metrics, metrics.horizontalAdvance(path)), path);
    // Too narrow even for the name: its middle goes, its extension stays.
    const QString nameOnly = ElidePathKeepingName(path, metrics, widthPx / 2);
    EXPECT_TRUE(nameOnly.endsWith(QStringLiteral(".jpg"))) << nameOnly.toStdString();
    EXPECT_LE(metrics.horizontalAdvance(nameOnly), widthPx / 2);
}

TEST_F(ReportWindow, ProgressShowsHowManyFilesAreDone) {
    RunResize({good, missing, good});
    EXPECT_EQ(Control<QLabel>(FormId::ReportForm, "lblProgress")->text().toStdString(),
              "Обработано 3 из 3");
    auto* bar = Control<QProgressBar>(FormId::ReportForm, "pbProgress");
    EXPECT_EQ(bar->maximum(), 3);
    EXPECT_EQ(bar->value(), 3);
}

TEST_F(ReportWindow, AnEmptyBatchShowsColumnsNoRowsAndAFullBar) {
    RunResize({});
    EXPECT_EQ(list->columnCount(), 5);
    EXPECT_EQ(list->topLevelItemCount(), 0);
    EXPECT_EQ(Control<QLabel>(FormId::ReportForm, "lblProgress")->text().toStdString(),
              "Обработано 0 из 0");
    auto* bar = Control<QProgressBar>(FormId::ReportForm, "pbProgress");
    EXPECT_EQ(bar->value(), bar->maximum());
}

TEST_F(ReportWindow, ASecondBatchShowsOnlyItsOwnRowsUnderFiveColumns) {
    RunResize({good, missing});
    RunResize({missing});
    EXPECT_EQ(list->columnCount(), 5);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0).toStdString(), missing);
}

TEST_F(ReportWindow, TheViewButtonsOpenTheSelectedRowsFiles) {
    RunResize({good, missing});
    list->setCurrentItem(list->topLevelItem(0));
    Control<QPushButton>(FormId::ReportForm, "btnViewSource")->click();
    Control<QPushButton>(FormId::ReportForm, "btnViewResult")->click();
    // A failed row's result names nothing; it is handed on all the same and the shell opens nothing.
    list->setCurrentItem(list->topLevelItem(1));
    Control<QPushButton>(FormId::ReportForm, "btnViewResult")->click();
    EXPECT_EQ(opened, (std::vector<std::string>{good, folder.String() + "/Out/good.jpg",
                                                list->topLevelItem(1)->text(2).toStdString()}));
}

TEST_F(ReportWindow, TheViewButtonsDoNothingWithoutASelectedRow) {
    Control<QPushButton>(FormId::ReportForm, "btnViewSource")->click();
    RunResize({good});
    list->clearSelection();
    Control<QPushButton>(FormId::ReportForm, "btnViewSource")->click();
    Control<QPushButton>(FormId::ReportForm, "btnViewResult")->click();
    EXPECT_TRUE(opened.empty());
}

TEST_F(ReportWindow, DecliningTheQuestionLeavesTheReportAsItWas) {
    RunResize({good});
    report->hide();
    forms->ShowForm(FormId::ResizeParamsForm);
    forms->Job().SourceFiles = {missing};
    report->RunBatch(forms->Job(), {}, MakeResizeOperation(ResizeMode::Percent, 50, "50"),
                     forms->Form(FormId::ResizeParamsForm), boxes);
    EXPECT_FALSE(report->isVisible());
    EXPECT_TRUE(forms->Form(FormId::ResizeParamsForm)->isVisible());
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0).toStdString(), good);
}

TEST_F(ReportWindow, AnsweringNoWritesNothingAndTheNextRunAsksAgain) {
    forms->Job().Operation = "watermark";
    forms->Job().SourceFilesKind = "files";
    forms->Job().TargetMode = "subfolder";
    forms->Job().SourceFiles = {good};
    BatchInputs inputs;
    inputs.Targets = {"", "Marked", "", ""};
    WatermarkSettings settings;
    settings.Logo = TrimLogo(FilledPicture(6, 4, RGBColor(200, 20, 20)));
    settings.Placements = {LogoPlacement::Middle};
    const BatchOperation operation = MakeWatermarkOperation(settings);

    boxes.AnswerNext(false);
    report->RunBatch(forms->Job(), inputs, operation, nullptr, boxes);

    EXPECT_EQ(forms->Job().SourceFiles.size(), 1u);
    EXPECT_FALSE(std::filesystem::exists(folder / "Marked"));
    EXPECT_EQ(boxes.shown.size(), 1u);  // the question only

    boxes.AnswerNext(true);
    report->RunBatch(forms->Job(), inputs, operation, nullptr, boxes);
    EXPECT_EQ(boxes.shown.at(1).kind, ShownBox::Kind::Question);
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(4).toStdString(), kReportOk);
    EXPECT_TRUE(FileExists(folder / "Marked/good.jpg"));
}

TEST_F(ReportWindow, AWiderWindowWidensThePathColumnsAndKeepsItsSizeFromBatchToBatch) {
    RunResize({good, missing});
    const int pathWidth = list->columnWidth(0);
    report->resize(report->width() + 300, report->height() + 100);
    QApplication::processEvents();
    EXPECT_GE(list->columnWidth(0), pathWidth + 140);
    EXPECT_EQ(list->columnWidth(0), list->columnWidth(2));
    EXPECT_EQ(list->columnWidth(1), 60);
    EXPECT_EQ(list->header()->length(), list->viewport()->width());
    const QSize chosen = report->size();

    RunResize({good});
    EXPECT_EQ(report->size(), chosen);
    EXPECT_GE(list->columnWidth(0), pathWidth + 140);
}

// The user stops a batch of ten files while the fourth is worked on, by each of the three ways,
// and so does a signal to the program.
// The step waits until the stop has been heard, so exactly the fourth file is under way.
TEST_F(ReportWindow, StopInTheMiddleFinishesTheFileUnderWayAndStartsNoOther) {
    std::vector<std::string> files;
    for (int i = 0; i < 10; ++i) {
        files.push_back(folder / ("p" + std::to_string(i) + ".jpg"));
        WriteTestJpeg(files.back(), 40, 30);
    }
    auto* stop = Control<QPushButton>(FormId::ReportForm, "btnStop");
    EXPECT_EQ(stop->text().toStdString(), "Остановить");
    auto* otherButton = Control<QPushButton>(FormId::MainForm, "btnResize");
    // The clicks and keys are made on the step's worker thread; the mouse and keyboard they name
    // must exist before, on this thread, or Qt makes them there as children of the application.
    ASSERT_NE(QPointingDevice::primaryPointingDevice(), nullptr);
    ASSERT_NE(QInputDevice::primaryKeyboard(), nullptr);
    const auto postClick = [](QWidget* widget) {
        const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
        const QPointF global = widget->mapToGlobal(centre);
        QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonPress, centre, global,
                                                            Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(widget, new QMouseEvent(QEvent::MouseButtonRelease, centre, global,
                                                            Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
    };
    struct Way {
        const char* name;
        std::function<void()> press;
    };
    const Way ways[] = {
        {"the button", [&] { postClick(stop); }},
        {"Escape", [&] {
             QCoreApplication::postEvent(list, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
         }},
        {"the close box", [&] { QCoreApplication::postEvent(report, new QCloseEvent); }},
        // As the program's signal notifier calls it, on the windows' thread.
        {"a signal", [&] {
             QMetaObject::invokeMethod(report, [&] { forms->StopBatch(); }, Qt::QueuedConnection);
         }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        std::filesystem::remove_all(folder / "Out");
        boxes.shown.clear();
        EXPECT_FALSE(stop->isEnabled());
        forms->Job().Operation = "resize";
        forms->Job().SourceFilesKind = "files";
        forms->Job().TargetMode = "subfolder";
        forms->Job().SourceFiles = files;
        BatchInputs inputs;
        inputs.Targets = {"", "Out", "", ""};
        inputs.Jobs = 1;
        BatchOperation op = MakeResizeOperation(ResizeMode::Percent, 50, "50");
        const TransformStep resize = op.Step;
        op.Step = [&](const std::string& path, StepOutcome& outcome) {
            if (path == files[3]) {
                postClick(otherButton);  // no other input is taken meanwhile
                way.press();
                // Until the stop is heard (the calling thread's next tick), or a bound that fails
                // the test rather than hanging it.
                std::mutex mutex;
                std::condition_variable_any heard;
                std::unique_lock<std::mutex> lock(mutex);
                heard.wait_for(lock, report->StopToken(), std::chrono::seconds(30), [] { return false; });
            }
            resize(path, outcome);
        };
        boxes.AnswerNext(true);
        report->RunBatch(forms->Job(), inputs, op, forms->Form(FormId::ResizeParamsForm), boxes);

        ASSERT_EQ(list->topLevelItemCount(), 4);
        for (int i = 0; i < 10; ++i) {
            const bool isDone = i < 4;
            EXPECT_EQ(FileExists(folder / ("Out/p" + std::to_string(i) + ".jpg")), isDone) << i;
            if (isDone) {
                EXPECT_EQ(list->topLevelItem(i)->text(4).toStdString(), "Успешно") << i;
            }
        }
        EXPECT_EQ(boxes.shown.back(), (ShownBox{ShownBox::Kind::Information,
                                                "Обработка остановлена: обработано 4 из 10."}));
        EXPECT_TRUE(report->isVisible());
        EXPECT_FALSE(forms->Form(FormId::FilesSelectQueryForm)->isVisible());
        EXPECT_FALSE(stop->isEnabled());
        EXPECT_TRUE(Control<QPushButton>(FormId::ReportForm, "btnFinished")->isEnabled());
    }
}

TEST_F(ReportWindow, CloseHidesTheWindowAndKeepsTheRows) {
    RunResize({good});
    Control<QPushButton>(FormId::ReportForm, "btnFinished")->click();
    EXPECT_FALSE(report->isVisible());
    EXPECT_EQ(list->topLevelItemCount(), 1);
}

}  // namespace
}  // namespace stampwise::testing
