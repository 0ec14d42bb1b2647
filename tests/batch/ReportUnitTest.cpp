#include <QApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "batch/BatchRunner.h"
#include "batch/ReportUnit.h"
#include "resize/ResizeRule.h"
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
        forms->Job().SourceKind = "files";
        forms->Job().TargetMode = "subfolder";
        forms->Job().SourceFiles = files;
        BatchInputs inputs;
        inputs.Targets = {"", "Out", "", ""};
        boxes.AnswerNext(true);
        TReportBatchView view(*report, boxes, forms->Form(FormId::ResizeParamsForm));
        RunBatch(forms->Job(), inputs, MakeResizeOperation(ResizeMode::Percent, 50, "50"), view);
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
    const int widths[] = {180, 60, 180, 60, 70};
    for (int c = 0; c < 5; ++c) {
        EXPECT_EQ(list->headerItem()->text(c).toStdString(), captions[c]);
        EXPECT_EQ(list->columnWidth(c), widths[c]);
    }
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

TEST_F(ReportWindow, SizeColumnsWidenToTheirWidestValueAndPathColumnsKeepTheirWidth) {
    for (const ReportColumn& column : ReportColumns(ResizeTexts())) report->AddColumn(column);
    const std::string source = "/home/user/Фото/Отпуск на море 2026/Камера/IMG_20260708_123456.jpg";
    report->AddRow({kReportImageOk, source, "6000x4000",
                    "/home/user/Фото/Отпуск на море 2026/Камера/Resized/IMG_20260708_123456.jpg",
                    "3000x2000", "Успешно", ""});
    const QFontMetrics metrics(list->font());
    EXPECT_GE(list->columnWidth(1), metrics.horizontalAdvance(QStringLiteral("6000x4000")));
    EXPECT_GE(list->columnWidth(3), metrics.horizontalAdvance(QStringLiteral("3000x2000")));
    EXPECT_EQ(list->columnWidth(0), 180);
    EXPECT_EQ(list->columnWidth(2), 180);
    // Every column stays in sight: the list grows rather than scrolling sideways.
    EXPECT_LE(list->header()->length() + 2 * list->frameWidth(), list->width());
    EXPECT_LE(list->geometry().right(), list->parentWidget()->width());
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
    TReportBatchView view(*report, boxes, forms->Form(FormId::ResizeParamsForm));
    RunBatch(forms->Job(), {}, MakeResizeOperation(ResizeMode::Percent, 50, "50"), view);
    EXPECT_FALSE(report->isVisible());
    EXPECT_TRUE(forms->Form(FormId::ResizeParamsForm)->isVisible());
    ASSERT_EQ(list->topLevelItemCount(), 1);
    EXPECT_EQ(list->topLevelItem(0)->text(0).toStdString(), good);
}

TEST_F(ReportWindow, CloseHidesTheWindowAndKeepsTheRows) {
    RunResize({good});
    Control<QPushButton>(FormId::ReportForm, "btnFinished")->click();
    EXPECT_FALSE(report->isVisible());
    EXPECT_EQ(list->topLevelItemCount(), 1);
}

}  // namespace
}  // namespace stampwise::testing
