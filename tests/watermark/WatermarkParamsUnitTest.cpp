#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

#include "batch/BatchRunner.h"
#include "support/TempFolder.h"
#include "support/TestBmpFiles.h"
#include "support/TestJpegFiles.h"
#include "uisupport/FormsFixture.h"
#include "watermark/StampReference.h"
#include "watermark/WatermarkParamsUnit.h"
#include "watermark/WatermarkPreview.h"
#include "wizard/SelectFolderUnit.h"
#include "widgets/SpinEditUnit.h"

namespace stampwise::testing {
namespace {

constexpr FormId kForm = FormId::WatermarkParamsForm;
constexpr ColorValue kLogoColor = RGBColor(20, 170, 20);

void ClickOn(QWidget* widget) {
    const QPointF centre(widget->width() / 2.0, widget->height() / 2.0);
    const QPointF global = widget->mapToGlobal(centre);
    QMouseEvent press(QEvent::MouseButtonPress, centre, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

ColorValue Blended(ColorValue picture, ColorValue logo, int opacity) {
    return RGBColor(BlendChannel(RedOf(picture), RedOf(logo), opacity),
                    BlendChannel(GreenOf(picture), GreenOf(logo), opacity),
                    BlendChannel(BlueOf(picture), BlueOf(logo), opacity));
}

class WatermarkWindow : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        form = forms->Window<TWatermarkParamsForm>(stampwise::FormId::WatermarkParamsForm);
        realDialog = form->OpenPictureDialog;
        form->OpenPictureDialog = [this](QWidget*, const std::string& startFolder) {
            ++dialogOpened;
            openedIn = startFolder;
            return nextChoice;
        };
        forms->ShowForm(kForm);
        QApplication::processEvents();
    }

    // Writes a logo file: a drawing of one colour, in a white frame of framePx on every side.
    std::string WriteLogo(const std::string& name, int width, int height, ColorValue color,
                          int framePx = 0) {
        TBitmap logo = FilledPicture(width, height, kColorWhite);
        for (int y = framePx; y < height - framePx; ++y)
            for (int x = framePx; x < width - framePx; ++x) logo.SetPixelAt(x, y, color);
        const std::string path = folder / name;
        WriteTestBmp(path, logo);
        return path;
    }

    // Chooses path in the (scripted) picture-open dialog by clicking the preview box.
    void ChooseLogo(const std::string& path) {
        nextChoice = path;
        ClickOn(form->ImagePreview);
    }

    // What the preview is drawn on: the main window's sample picture, or the two-colour sample
    // standing in for it when the program has none.
    TBitmap PaintedBackground() {
        const TBitmap* sample = form->SamplePicture();
        return sample != nullptr && !sample->Empty() ? *sample : MakeTwoColourSample();
    }

    TempFolder folder;
    TWatermarkParamsForm* form = nullptr;
    std::function<std::optional<std::string>(QWidget*, const std::string&)> realDialog;
    std::optional<std::string> nextChoice;
    int dialogOpened = 0;
    std::string openedIn;
};

TEST_F(WatermarkWindow, StartsWithItsDefaultsAndNoLogo) {
    EXPECT_EQ(form->windowTitle().toStdString(), "Наложение логотипа");
    EXPECT_EQ(form->sbAlpha->orientation(), Qt::Horizontal);
    EXPECT_EQ(form->sbAlpha->minimum(), 50);
    EXPECT_EQ(form->sbAlpha->maximum(), 254);
    EXPECT_EQ(form->sbAlpha->value(), 100);
    EXPECT_EQ(form->sbNoiseLevel->minimum(), 0);
    EXPECT_EQ(form->sbNoiseLevel->maximum(), 255);
    EXPECT_EQ(form->sbNoiseLevel->value(), 10);
    EXPECT_TRUE(form->sbAlpha->toolTip().isEmpty());
    EXPECT_TRUE(form->sbNoiseLevel->toolTip().isEmpty());

    EXPECT_TRUE(form->btnPaintedBackground->isChecked());
    EXPECT_FALSE(form->btnBlankBackground->isChecked());
    EXPECT_TRUE(form->btnZoomOutPreview->isChecked());
    EXPECT_FALSE(form->btnZoomInPreview->isChecked());

    EXPECT_TRUE(form->lblWarning->isVisible());
    EXPECT_EQ(form->lblWarning->text().toStdString(), "Щелкните здесь, чтобы загрузить логотип");
    EXPECT_TRUE(form->ImagePreview->toolTip().isEmpty());
    EXPECT_TRUE(form->ImagePreview->Surface().Empty());
    EXPECT_TRUE(form->lblLogoPath->text().isEmpty());
    EXPECT_TRUE(form->lblLogoSize->text().isEmpty());
    EXPECT_TRUE(form->CurrentLogo().Empty());

    EXPECT_TRUE(form->rbWidth->isChecked());
    EXPECT_EQ(form->seWidth->Text(), "100");
    EXPECT_EQ(form->seHeight->Text(), "100");
    EXPECT_EQ(form->sePercents->Text(), "100");
    EXPECT_EQ(form->seMargin->Text(), "10");
    EXPECT_EQ(form->seWidth->Increment(), 10);
    EXPECT_EQ(form->seMargin->Increment(), 1);
    EXPECT_TRUE(form->seWidth->isEnabled());
    EXPECT_FALSE(form->seHeight->isEnabled());
    EXPECT_FALSE(form->sePercents->isEnabled());
    EXPECT_TRUE(form->CheckedPlacements().empty());

    // Every control the other windows and the tests reach by name.
    for (const char* name : {"gbPreview", "gbSize", "gbPosition", "gbTransparent", "gbNoise"})
        Control<QWidget>(kForm, name);
    for (const char* name : {"cbTopLeft", "cbTopCenter", "cbTopRight", "cbMiddle", "cbBottomLeft",
                             "cbBottomCenter", "cbBottomRight"})
        EXPECT_FALSE(Control<QCheckBox>(kForm, name)->isChecked()) << name;
    EXPECT_EQ(Control<QLabel>(kForm, "lblMinAlfa")->text().toStdString(), "Прозрачное");
    EXPECT_EQ(Control<QLabel>(kForm, "lblMaxAlfa")->text().toStdString(), "Сплошное");
    EXPECT_EQ(Control<QLabel>(kForm, "lblLow")->text().toStdString(), "Слабая");
    EXPECT_EQ(Control<QLabel>(kForm, "Label2")->text().toStdString(), "Сильная");
    EXPECT_EQ(Control<QPushButton>(kForm, "btnNext")->text().toStdString(), "Дальше");
    EXPECT_EQ(Control<QRadioButton>(kForm, "rbPercents")->text().toStdString(),
              "Задать масштаб                   (%)");
    EXPECT_EQ(Control<QLabel>(kForm, "lblMargin")->text().toStdString(),
              "Отступ от края                   пикс.");
    Control<TPreviewBox>(kForm, "ImagePreview");
    Control<QWidget>(kForm, "seMargin");
}

TEST_F(WatermarkWindow, EachGroupOfToggleButtonsKeepsExactlyOneDown) {
    form->btnBlankBackground->click();
    EXPECT_TRUE(form->btnBlankBackground->isChecked());
    EXPECT_FALSE(form->btnPaintedBackground->isChecked());
    form->btnBlankBackground->click();  // pressing the one that is down keeps it down
    EXPECT_TRUE(form->btnBlankBackground->isChecked());
    EXPECT_FALSE(form->btnPaintedBackground->isChecked());

    form->btnZoomInPreview->click();
    EXPECT_TRUE(form->btnZoomInPreview->isChecked());
    EXPECT_FALSE(form->btnZoomOutPreview->isChecked());
    EXPECT_TRUE(form->btnBlankBackground->isChecked());  // the other group is left alone
    form->btnZoomOutPreview->click();
    EXPECT_TRUE(form->btnZoomOutPreview->isChecked());
    EXPECT_FALSE(form->btnZoomInPreview->isChecked());
}

TEST_F(WatermarkWindow, EachToggleButtonShowsItsOwnGlyphFromTheArtwork) {
    const auto glyph = [](const QToolButton* b) { return b->icon().pixmap(20, 20).toImage(); };
    const QImage blank = glyph(form->btnBlankBackground);
    const QImage painted = glyph(form->btnPaintedBackground);
    const QImage fullSize = glyph(form->btnZoomInPreview);
    const QImage reduced = glyph(form->btnZoomOutPreview);
    for (const QImage& image : {blank, painted, fullSize, reduced}) ASSERT_FALSE(image.isNull());
    // White above the diagonal, black below it; the plus has the upright bar the minus lacks.
    EXPECT_EQ(blank.pixelColor(4, 4), QColor(Qt::white));
    EXPECT_EQ(blank.pixelColor(15, 15), QColor(Qt::black));
    EXPECT_NE(painted, blank);
    EXPECT_EQ(fullSize.pixelColor(8, 5), QColor(0, 0, 160));
    EXPECT_NE(reduced.pixelColor(8, 5), QColor(0, 0, 160));
}

TEST_F(WatermarkWindow, OnlyTheCheckedSizeRulesSpinEditIsEnabledAlsoAfterShowingAgain) {
    form->rbPercents->click();
    EXPECT_FALSE(form->seWidth->isEnabled());
    EXPECT_FALSE(form->seHeight->isEnabled());
    EXPECT_TRUE(form->sePercents->isEnabled());
    form->hide();
    forms->ShowForm(kForm);
    EXPECT_TRUE(form->rbPercents->isChecked());
    EXPECT_FALSE(form->seWidth->isEnabled());
    EXPECT_TRUE(form->sePercents->isEnabled());
    form->rbHeight->click();
    EXPECT_TRUE(form->seHeight->isEnabled());
    EXPECT_FALSE(form->sePercents->isEnabled());
}

// Each field lies in a run of spaces of its caption, and those runs differ in width from line to
// line; the fields must not.
TEST_F(WatermarkWindow, TheSizeAndMarginSpinEditsAreOneWidth) {
    const int widthPx = form->seWidth->width();
    EXPECT_EQ(form->seHeight->width(), widthPx);
    EXPECT_EQ(form->sePercents->width(), widthPx);
    EXPECT_EQ(form->seMargin->width(), widthPx);
}

TEST_F(WatermarkWindow, LoadingAFramedLogoShowsItsTrimmedSizeAndSetsTheSpinEdits) {
    form->sePercents->SetText("70");
    const std::string path = WriteLogo("logo.bmp", 300, 200, kLogoColor, 10);
    ChooseLogo(path);

    EXPECT_EQ(dialogOpened, 1);
    EXPECT_EQ(form->lblLogoSize->text().toStdString(), "Размер изображения 280x180 пикс.");
    EXPECT_EQ(form->seWidth->Text(), "280");
    EXPECT_EQ(form->seHeight->Text(), "180");
    EXPECT_EQ(form->sePercents->Text(), "70");
    EXPECT_EQ(form->lblLogoPath->text().toStdString(), path);
    EXPECT_EQ(form->CurrentLogo().Width(), 280);
    EXPECT_EQ(form->CurrentLogo().Height(), 180);
    EXPECT_FALSE(form->lblWarning->isVisible());
    EXPECT_EQ(form->ImagePreview->toolTip().toStdString(), "Щелкните здесь, чтобы сменить логотип");
    EXPECT_EQ(form->sbAlpha->toolTip().toStdString(), "Прозрачно на 61%");
    EXPECT_FALSE(form->ImagePreview->Surface().Empty());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WatermarkWindow, TheInvitationOpensTheSameDialogAndCancellingChangesNothing) {
    nextChoice = std::nullopt;
    ClickOn(form->lblWarning);
    EXPECT_EQ(dialogOpened, 1);
    ClickOn(form->ImagePreview);
    EXPECT_EQ(dialogOpened, 2);
    EXPECT_TRUE(form->lblWarning->isVisible());
    EXPECT_TRUE(form->lblLogoPath->text().isEmpty());
    EXPECT_TRUE(form->ImagePreview->Surface().Empty());

    ChooseLogo(WriteLogo("a.bmp", 30, 20, kLogoColor));
    nextChoice = std::nullopt;
    ClickOn(form->ImagePreview);
    EXPECT_EQ(form->lblLogoSize->text().toStdString(), "Размер изображения 30x20 пикс.");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WatermarkWindow, TheOpenDialogStartsInTheCurrentLogosFolder) {
    nextChoice = std::nullopt;
    ClickOn(form->ImagePreview);
    EXPECT_EQ(openedIn, "");
    folder.MakeFolder("logos");
    ChooseLogo(WriteLogo("logos/a.bmp", 30, 20, kLogoColor));
    nextChoice = std::nullopt;
    ClickOn(form->ImagePreview);
    EXPECT_EQ(openedIn, folder / "logos");
}

TEST_F(WatermarkWindow, ALowerCaseJpgIsAccepted) {
    const std::string path = folder / "photo.jpg";
    WriteTestJpeg(path, 41, 23);
    ChooseLogo(path);
    EXPECT_EQ(form->lblLogoPath->text().toStdString(), path);
    EXPECT_EQ(form->lblLogoSize->text().toStdString(), "Размер изображения 41x23 пикс.");
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WatermarkWindow, TheOpenDialogOffersOnlyFilesTheLoaderReads) {
    QStringList filters;
    QString shownFolder;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        filters = dialog->nameFilters();
        shownFolder = dialog->directory().absolutePath();
        dialog->reject();
    });
    EXPECT_FALSE(realDialog(form, folder.String()).has_value());
    EXPECT_EQ(shownFolder.toStdString(), folder.String());
    ASSERT_FALSE(filters.isEmpty());
    int patterns = 0;
    const QRegularExpression pattern(QStringLiteral("\\*(\\.\\w+)"));
    for (const QString& filter : filters) {
        for (auto match = pattern.globalMatch(filter); match.hasNext(); ++patterns) {
            const std::string name = folder / ("logo" + match.next().captured(1).toStdString());
            EXPECT_NE(LoadLogoFile(name).Result, LogoLoad::Outcome::UnsupportedFormat)
                << filter.toStdString();
        }
    }
    EXPECT_GE(patterns, 2);
}

TEST_F(WatermarkWindow, RefusedFilesKeepTheEarlierLogoItsLabelsAndThePreview) {
    const std::string first = WriteLogo("first.bmp", 60, 40, kLogoColor);
    ChooseLogo(first);
    const TBitmap shownBefore = form->ImagePreview->Surface();
    const std::string sizeBefore = form->lblLogoSize->text().toStdString();

    const std::string jpeg = folder / "photo.jpeg";
    WriteTestJpeg(jpeg, 16, 16);
    const std::string missing = folder / "missing.bmp";
    const struct {
        std::string path;
        std::string message;
    } refusals[] = {
        {jpeg, "Работа с файлами этого формата не поддерживается!"},
        {WriteLogo("white.bmp", 50, 50, kColorWhite), "В картинке логотипа нет ни одной точки, кроме белых!"},
        {missing, "Ошибка при открытии файла \n\r" + missing +
                      "\n\rНе удалось прочитать файл: нет такого файла или папки (Cannot open file \"" +
                      missing + "\". No such file or directory)"},
    };
    for (const auto& refusal : refusals) {
        boxes.shown.clear();
        ChooseLogo(refusal.path);
        ASSERT_EQ(boxes.shown.size(), 1u) << refusal.path;
        EXPECT_EQ(boxes.shown[0].kind, ShownBox::Kind::Notice);
        EXPECT_EQ(boxes.shown[0].text, refusal.message);
        EXPECT_EQ(form->lblLogoPath->text().toStdString(), first);
        EXPECT_EQ(form->lblLogoSize->text().toStdString(), sizeBefore);
        EXPECT_EQ(form->CurrentLogo().Width(), 60);
        EXPECT_EQ(form->seWidth->Text(), "60");
        EXPECT_TRUE(SamePixels(form->ImagePreview->Surface(), shownBefore));
    }
}

TEST_F(WatermarkWindow, ARefusalBeforeAnyLogoLeavesTheWindowWithoutOne) {
    ChooseLogo(WriteLogo("white.bmp", 50, 50, kColorWhite));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kEmptyLogoText});
    EXPECT_TRUE(form->lblWarning->isVisible());
    EXPECT_TRUE(form->lblLogoPath->text().isEmpty());
    EXPECT_TRUE(form->CurrentLogo().Empty());
    EXPECT_TRUE(form->ImagePreview->Surface().Empty());

    boxes.shown.clear();
    form->cbMiddle->setChecked(true);
    form->btnNext->click();
    EXPECT_EQ(boxes.shown, (std::vector<ShownBox>{{ShownBox::Kind::NoticeYesNo, kNoLogoText}}));
    EXPECT_TRUE(form->isVisible());
}

TEST_F(WatermarkWindow, TheTwoColourSampleIsBlackUnderTheDiagonal) {
    ChooseLogo(WriteLogo("dot.bmp", 4, 3, kLogoColor));
    form->btnBlankBackground->click();
    const TBitmap& shown = form->ImagePreview->Surface();
    ASSERT_EQ(shown.Width(), 200);
    ASSERT_EQ(shown.Height(), 150);
    for (int y = 0; y < 150; ++y) {
        const int firstBlack = static_cast<int>(std::nearbyint((150 - y) * 200.0 / 150.0));
        for (int x = 0; x < 200; ++x) {
            if (x < 4 && y < 3) continue;  // the logo
            ASSERT_EQ(shown.PixelAt(x, y), x < firstBlack ? kColorWhite : kColorBlack)
                << "at " << x << "," << y;
        }
    }
    EXPECT_EQ(shown.PixelAt(0, 0), Blended(kColorWhite, kLogoColor, 100));
}

TEST_F(WatermarkWindow, AReducedLogoIsShownAtItsOwnSizeWhenItFits) {
    const TBitmap background = PaintedBackground();
    form->sbAlpha->setValue(254);
    ChooseLogo(WriteLogo("small.bmp", 30, 20, kLogoColor));
    const TBitmap& shown = form->ImagePreview->Surface();
    EXPECT_EQ(shown.PixelAt(0, 0), Blended(background.PixelAt(0, 0), kLogoColor, 254));
    EXPECT_EQ(shown.PixelAt(29, 19), Blended(background.PixelAt(29, 19), kLogoColor, 254));
    EXPECT_EQ(shown.PixelAt(30, 5), background.PixelAt(30, 5));
    EXPECT_EQ(shown.PixelAt(5, 20), background.PixelAt(5, 20));
}

TEST_F(WatermarkWindow, ALogoTwiceAsWideAsTheSamplePictureIsShownAtHalfSize) {
    const TBitmap* sample = form->SamplePicture();
    const int fitWidth = sample != nullptr ? sample->Width() : kPreviewBoxWidth;
    const int fitHeight = sample != nullptr ? sample->Height() : kPreviewBoxHeight;
    ASSERT_GE(fitWidth, 2);
    ASSERT_GE(fitHeight, 2);
    const TBitmap background = PaintedBackground();
    form->sbAlpha->setValue(254);
    ChooseLogo(WriteLogo("wide.bmp", 2 * fitWidth, fitHeight, kLogoColor));

    const int shownHeight = fitHeight / 2;  // round(w · h / 2w) for an even or odd h alike
    const TBitmap& shown = form->ImagePreview->Surface();
    const int lastColumn = std::min(fitWidth, kPreviewBoxWidth) - 1;
    for (int x : {0, lastColumn}) {
        EXPECT_EQ(shown.PixelAt(x, shownHeight - 1),
                  Blended(background.PixelAt(x, shownHeight - 1), kLogoColor, 254)) << x;
        if (shownHeight < kPreviewBoxHeight) {
            EXPECT_EQ(shown.PixelAt(x, shownHeight), background.PixelAt(x, shownHeight)) << x;
        }
    }
    // At full size the same logo covers the whole preview.
    form->btnZoomInPreview->click();
    EXPECT_EQ(shown.PixelAt(lastColumn, std::min(fitHeight, kPreviewBoxHeight) - 1),
              Blended(background.PixelAt(lastColumn, std::min(fitHeight, kPreviewBoxHeight) - 1),
                      kLogoColor, 254));
}

TEST_F(WatermarkWindow, NoiseLevel255MakesTheLogoVanish) {
    ChooseLogo(WriteLogo("logo.bmp", 120, 80, kLogoColor));
    const TBitmap background = PaintedBackground();
    form->sbNoiseLevel->setValue(255);
    const TBitmap& shown = form->ImagePreview->Surface();
    for (int y = 0; y < std::min(background.Height(), 150); ++y)
        for (int x = 0; x < std::min(background.Width(), 200); ++x)
            ASSERT_EQ(shown.PixelAt(x, y), background.PixelAt(x, y)) << "at " << x << "," << y;
}

TEST_F(WatermarkWindow, TheOpacityHintFollowsTheScrollBarOnceALogoIsShown) {
    form->sbAlpha->setValue(60);
    EXPECT_TRUE(form->sbAlpha->toolTip().isEmpty());  // no logo, no redraw, no hint
    ChooseLogo(WriteLogo("logo.bmp", 20, 20, kLogoColor));
    EXPECT_EQ(form->sbAlpha->toolTip().toStdString(), "Прозрачно на 76%");
    form->sbAlpha->setValue(50);
    EXPECT_EQ(form->sbAlpha->toolTip().toStdString(), "Прозрачно на 80%");
    form->sbAlpha->setValue(100);
    EXPECT_EQ(form->sbAlpha->toolTip().toStdString(), "Прозрачно на 61%");
    form->sbAlpha->setValue(254);
    EXPECT_EQ(form->sbAlpha->toolTip().toStdString(), "Прозрачно на 0%");
    EXPECT_EQ(form->ImagePreview->Surface().PixelAt(0, 0),
              Blended(PaintedBackground().PixelAt(0, 0), kLogoColor, 254));
}

TEST_F(WatermarkWindow, SizePlacementAndMarginDoNotRedrawThePreview) {
    ChooseLogo(WriteLogo("logo.bmp", 20, 20, kLogoColor));
    form->sbNoiseLevel->setValue(255);  // the logo vanishes on the next redraw...
    form->sbNoiseLevel->blockSignals(true);
    form->sbNoiseLevel->setValue(0);
    form->sbNoiseLevel->blockSignals(false);
    const TBitmap before = form->ImagePreview->Surface();
    form->seWidth->SetValue(5);
    form->rbPercents->click();
    form->cbTopLeft->click();
    form->seMargin->SetValue(-3);
    EXPECT_TRUE(SamePixels(form->ImagePreview->Surface(), before));
    form->btnPaintedBackground->click();  // ...and a toggle button does redraw
    EXPECT_EQ(form->ImagePreview->Surface().PixelAt(0, 0),
              Blended(PaintedBackground().PixelAt(0, 0), kLogoColor, 100));
}

TEST_F(WatermarkWindow, WithoutALogoOrPlacementsOnlyTheLogoMessageAppears) {
    form->btnNext->click();
    EXPECT_EQ(boxes.shown, (std::vector<ShownBox>{{ShownBox::Kind::NoticeYesNo, kNoLogoText}}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_FALSE(forms->Form(FormId::ReportForm)->isVisible());

    boxes.shown.clear();
    ChooseLogo(WriteLogo("logo.bmp", 20, 20, kLogoColor));
    form->btnNext->click();
    EXPECT_EQ(boxes.shown, (std::vector<ShownBox>{{ShownBox::Kind::NoticeYesNo, kNoPlacementText}}));
    EXPECT_TRUE(form->isVisible());
}

// A whole run through the windows, as a user clicks it.
class WatermarkRun : public FormsFixture {
protected:
    TempFolder folder;
};

TEST_F(WatermarkRun, FromTheMainWindowToTheReportWithTwoPlacements) {
    const std::string source = folder.MakeFolder("photos");
    WriteTestJpeg(source + "/first.jpg", 160, 120);
    WriteTestJpeg(source + "/second.jpg", 97, 61);
    TBitmap logo = FilledPicture(40, 20, kLogoColor);
    const std::string logoPath = folder / "logo.bmp";
    WriteTestBmp(logoPath, logo);

    Control<QPushButton>(FormId::MainForm, "btnWatermark")->click();
    Control<QPushButton>(FormId::FilesSelectQueryForm, "btnSelectFolder")->click();
    ASSERT_TRUE(forms->Form(FormId::SelectFolderForm)->isVisible());
    forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(source);
    Control<QPushButton>(FormId::SelectFolderForm, "btnNext")->click();
    ASSERT_TRUE(forms->Form(FormId::SelectTargetForm)->isVisible());
    ASSERT_TRUE(Control<QRadioButton>(FormId::SelectTargetForm, "rbCreateSubFolder")->isChecked());
    Control<QPushButton>(FormId::SelectTargetForm, "btnNext")->click();
    ASSERT_TRUE(forms->Form(kForm)->isVisible());

    auto* form = forms->Window<TWatermarkParamsForm>(stampwise::FormId::WatermarkParamsForm);
    form->OpenPictureDialog = [&](QWidget*, const std::string&) {
        return std::optional<std::string>(logoPath);
    };
    ClickOn(Control<QLabel>(kForm, "lblWarning"));
    ASSERT_EQ(form->lblLogoPath->text().toStdString(), logoPath);
    Control<QCheckBox>(kForm, "cbTopLeft")->click();
    Control<QCheckBox>(kForm, "cbBottomRight")->click();
    Control<QScrollBar>(kForm, "sbAlpha")->setValue(254);
    Control<QRadioButton>(kForm, "rbPercents")->click();
    Control<TSpinEdit>(kForm, "sePercents")->SetText("50");  // a 20 × 10 stamp
    Control<TSpinEdit>(kForm, "seMargin")->SetText("5");

    boxes.AnswerNext(true);
    Control<QPushButton>(kForm, "btnNext")->click();

    ASSERT_GE(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown.front().kind, ShownBox::Kind::Question);
    EXPECT_EQ(boxes.shown.back(), (ShownBox{ShownBox::Kind::Information, kWatermarkDoneText}));
    EXPECT_FALSE(form->isVisible());
    EXPECT_TRUE(forms->Form(FormId::ReportForm)->isVisible());
    auto* report = Control<QTreeWidget>(FormId::ReportForm, "lvReport");
    ASSERT_EQ(report->topLevelItemCount(), 2);
    EXPECT_EQ(report->columnCount(), 5);
    EXPECT_TRUE(forms->Job().SourceFiles.empty());

    for (const auto& [name, width, height] :
         {std::tuple{"first.jpg", 160, 120}, std::tuple{"second.jpg", 97, 61}}) {
        const std::string result = source + "/Marked/" + name;
        ASSERT_TRUE(FileExists(result)) << result;
        const TBitmap stamped = DecodeJpegFile(result);
        ASSERT_EQ(stamped.Width(), width);
        ASSERT_EQ(stamped.Height(), height);
        const ColorValue stampColor = Blended(kTestLeftColor, kLogoColor, 254);
        // Inside the top-left stamp (5..24, 5..14) and the bottom-right one, both nearly solid.
        EXPECT_TRUE(ColorsClose(stamped.PixelAt(14, 9), stampColor)) << name;
        EXPECT_TRUE(ColorsClose(stamped.PixelAt(width - 5 - 10, height - 5 - 5),
                                Blended(kTestRightColor, kLogoColor, 254)))
            << name;
        // Outside them the picture is as it was.
        EXPECT_TRUE(ColorsClose(stamped.PixelAt(2, 30), kTestLeftColor)) << name;
        EXPECT_TRUE(ColorsClose(stamped.PixelAt(width - 10, 8), kTestRightColor)) << name;
        EXPECT_TRUE(ColorsClose(stamped.PixelAt(10, height - 10), kTestLeftColor)) << name;
    }
    for (int row = 0; row < 2; ++row) {
        const QTreeWidgetItem* item = report->topLevelItem(row);
        EXPECT_EQ(item->text(2).toStdString(), source + "/Marked/" + (row == 0 ? "first.jpg" : "second.jpg"));
        EXPECT_EQ(item->text(4).toStdString(), kReportOk) << row;
    }
}

// A later run shows the target window, which writes the default names, and is left there; the
// watermark window of the earlier run names its results by what the fields hold now.
TEST_F(WatermarkRun, AnEarlierRunsBatchReadsTheTargetFieldsALaterRunRewrote) {
    const std::string source = folder.MakeFolder("photos");
    WriteTestJpeg(source + "/a.jpg", 40, 30);
    const std::string logoPath = folder / "logo.bmp";
    WriteTestBmp(logoPath, FilledPicture(8, 8, kLogoColor));
    const auto toTheTargetWindow = [&] {
        Control<QPushButton>(FormId::MainForm, "btnWatermark")->click();
        Control<QPushButton>(FormId::FilesSelectQueryForm, "btnSelectFolder")->click();
        forms->Window<TSelectFolderForm>(FormId::SelectFolderForm)->SetSelectedFolder(source);
        Control<QPushButton>(FormId::SelectFolderForm, "btnNext")->click();
    };
    toTheTargetWindow();
    Control<QRadioButton>(FormId::SelectTargetForm, "rbPrefix")->click();
    Control<QLineEdit>(FormId::SelectTargetForm, "edPrefix")->setText(QStringLiteral("small_"));
    Control<QPushButton>(FormId::SelectTargetForm, "btnNext")->click();
    auto* form = forms->Window<TWatermarkParamsForm>(FormId::WatermarkParamsForm);
    form->OpenPictureDialog = [&](QWidget*, const std::string&) {
        return std::optional<std::string>(logoPath);
    };
    ClickOn(form->ImagePreview);
    form->cbMiddle->click();

    toTheTargetWindow();
    forms->Form(FormId::SelectTargetForm)->close();
    boxes.AnswerNext(true);
    form->btnNext->click();

    EXPECT_TRUE(FileExists(source + "/marked_a.jpg"));
    EXPECT_FALSE(FileExists(source + "/small_a.jpg"));
}

}  // namespace
}  // namespace stampwise::testing
