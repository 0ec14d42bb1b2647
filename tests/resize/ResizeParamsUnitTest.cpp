#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"
#include "uisupport/FormsFixture.h"
#include "widgets/SpinEditUnit.h"
#include "wizard/SelectFolderUnit.h"
#include "wizard/SelectTargetUnit.h"

namespace stampwise::testing {
namespace {

const std::string kWidthPart100 =
    " Ширина обработанных картинок будет 100 пикс. Если в каталоге есть картинки ширина которых "
    "меньше 100 пикс., то их размер изменяться не будет.";

class ResizeWindow : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        JobState& job = forms->Job();
        job.Operation = "resize";
        job.SourceKind = "folder";
        job.TargetMode = "subfolder";
        job.SourceFiles.assign(12, folder.String() + "/a.jpg");
        job.SourceFilesKind = "folder";
        job.SourceFilesFolder = folder.String();
        // What the target window holds, where this window reads it.
        auto* target = forms->Window<TSelectTargetForm>(FormId::SelectTargetForm);
        target->edTargetFolder->setText(QStringLiteral("/out"));
        target->edSubfolder->setText(QStringLiteral("Resized"));
        target->edPrefix->setText(QStringLiteral("resized_"));
        target->edSuffix->setText(QStringLiteral("_resized"));
        sourcePart = "Все картинки в папке [" + folder.String() + "] с расширением jpg (всего 12) преобразуются";
    }

    void ShowAgain() {
        forms->Form(FormId::ResizeParamsForm)->hide();
        forms->ShowForm(FormId::ResizeParamsForm);
    }
    std::string Hint() { return Control<QLabel>(FormId::ResizeParamsForm, "lblHint")->text().toStdString(); }
    QRadioButton* Radio(const char* name) { return Control<QRadioButton>(FormId::ResizeParamsForm, name); }
    TSpinEdit* Spin(const char* name) { return Control<TSpinEdit>(FormId::ResizeParamsForm, name); }

    TempFolder folder;
    std::string sourcePart;
};

TEST_F(ResizeWindow, FirstShowingHasTheWidthRuleWith100) {
    forms->ShowForm(FormId::ResizeParamsForm);
    EXPECT_TRUE(Radio("rbWidth")->isChecked());
    EXPECT_TRUE(Spin("seWidth")->isEnabled());
    EXPECT_FALSE(Spin("seHeight")->isEnabled());
    EXPECT_FALSE(Spin("sePercents")->isEnabled());
    EXPECT_EQ(Spin("seWidth")->Text(), "100");
    EXPECT_EQ(Spin("seHeight")->Text(), "100");
    EXPECT_EQ(Spin("sePercents")->Text(), "50");
    EXPECT_EQ(Hint(), sourcePart + " и сохранятся в подкаталог [Resized]." + kWidthPart100);
    EXPECT_EQ(forms->Form(FormId::ResizeParamsForm)->toolTip().toStdString(), "Детализация");
}

TEST_F(ResizeWindow, EachRuleEnablesOnlyItsSpinEdit) {
    forms->ShowForm(FormId::ResizeParamsForm);
    for (const char* rule : {"rbHeight", "rbPercents", "rbWidth"}) {
        Radio(rule)->click();
        EXPECT_EQ(Spin("seWidth")->isEnabled(), std::string(rule) == "rbWidth") << rule;
        EXPECT_EQ(Spin("seHeight")->isEnabled(), std::string(rule) == "rbHeight") << rule;
        EXPECT_EQ(Spin("sePercents")->isEnabled(), std::string(rule) == "rbPercents") << rule;
    }
}

TEST_F(ResizeWindow, SummaryForEveryTargetModeAndRule) {
    struct Target {
        const char* mode;
        std::string part;
    };
    const Target targets[] = {
        {"folder", " и сохранятся в папку [/out]."},
        {"subfolder", " и сохранятся в подкаталог [Resized]."},
        {"prefix", " и сохранятся в ту же папку, к названиям файлов спереди будет добавлено слово resized_."},
        {"suffix", " и сохранятся в ту же папку, к названиям файлов сзади будет добавлено слово _resized."},
    };
    struct Rule {
        const char* radio;
        std::string part;
    };
    const Rule rules[] = {
        {"rbWidth", kWidthPart100},
        {"rbHeight", " Высота обработанных картинок будет 100 пикс. Если в каталоге есть картинки высота "
                     "которых меньше 100 пикс., то их размер изменяться не будет."},
        // No space before it: it follows the target part's full stop directly.
        {"rbPercents", "Размер картинок будет изменен в масштабе 50%."},
    };
    for (const Target& target : targets) {
        forms->Job().TargetMode = target.mode;
        ShowAgain();
        for (const Rule& rule : rules) {
            Radio(rule.radio)->click();
            EXPECT_EQ(Hint(), sourcePart + target.part + rule.part) << target.mode << " " << rule.radio;
        }
    }
}

TEST_F(ResizeWindow, AFileListCountsTheSelectedFiles) {
    forms->Job().SourceFilesKind = "files";
    forms->Job().SourceFiles = {"/a.jpg", "/b.jpg", "/c.jpg"};
    forms->Job().TargetMode = "folder";
    forms->ShowForm(FormId::ResizeParamsForm);
    EXPECT_EQ(Hint(), "Выбранные 3 файла(ов) с картинками преобразуются и сохранятся в папку [/out]." +
                          kWidthPart100);
}

TEST_F(ResizeWindow, TypingDoesNotRebuildTheSummaryButARuleClickAndShowingDo) {
    forms->ShowForm(FormId::ResizeParamsForm);
    Spin("seWidth")->SetText("0800");
    EXPECT_NE(Hint().find("будет 100 пикс."), std::string::npos);
    Radio("rbHeight")->click();
    Radio("rbWidth")->click();
    EXPECT_NE(Hint().find("Ширина обработанных картинок будет 0800 пикс."), std::string::npos) << Hint();
    Spin("seWidth")->SetText("640");
    ShowAgain();
    EXPECT_NE(Hint().find("меньше 640 пикс."), std::string::npos) << Hint();
}

TEST_F(ResizeWindow, TheRuleAndTheValuesStayForTheNextJob) {
    forms->ShowForm(FormId::ResizeParamsForm);
    Radio("rbHeight")->click();
    Spin("seHeight")->SetText("480");
    Spin("seWidth")->SetText("1024");
    ShowAgain();
    EXPECT_TRUE(Radio("rbHeight")->isChecked());
    EXPECT_TRUE(Spin("seHeight")->isEnabled());
    EXPECT_EQ(Spin("seHeight")->Text(), "480");
    EXPECT_EQ(Spin("seWidth")->Text(), "1024");
    EXPECT_NE(Hint().find("Высота обработанных картинок будет 480 пикс."), std::string::npos) << Hint();
}

TEST_F(ResizeWindow, TextThatIsNotANumberShowsAsTypedAndTheBatchUsesZero) {
    const std::string picture = folder.String() + "/a.jpg";
    WriteTestJpeg(picture, 40, 30);
    forms->Job().SourceFiles = {picture};
    forms->ShowForm(FormId::ResizeParamsForm);
    Spin("sePercents")->SetText("abc");
    Radio("rbPercents")->click();
    EXPECT_EQ(Hint(), "Все картинки в папке [" + folder.String() +
                          "] с расширением jpg (всего 1) преобразуются и сохранятся в подкаталог "
                          "[Resized].Размер картинок будет изменен в масштабе abc%.");

    boxes.AnswerNext(true);
    Control<QPushButton>(FormId::ResizeParamsForm, "btnNext")->click();
    ASSERT_FALSE(boxes.shown.empty());
    EXPECT_NE(boxes.shown[0].text.find("в масштабе abc% и сохранить в подкаталог [Resized]?"),
              std::string::npos)
        << boxes.shown[0].text;
    auto* list = Control<QTreeWidget>(FormId::ReportForm, "lvReport");
    ASSERT_EQ(list->topLevelItemCount(), 1);
    // Zero percent of 40 × 30 is no picture: the file fails and nothing is written.
    EXPECT_EQ(list->topLevelItem(0)->text(3).toStdString(), "0x0");
    EXPECT_EQ(list->topLevelItem(0)->text(4).toStdString(), "Ошибка!");
    EXPECT_FALSE(FileExists(folder.String() + "/Resized/a.jpg"));
}

TEST_F(ResizeWindow, DecliningTheQuestionLeavesTheWindowOpenAndNothingDone) {
    const std::string picture = folder.String() + "/a.jpg";
    WriteTestJpeg(picture, 40, 30);
    forms->Job().SourceFiles = {picture};
    forms->ShowForm(FormId::ResizeParamsForm);
    boxes.AnswerNext(false);
    Control<QPushButton>(FormId::ResizeParamsForm, "btnNext")->click();
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, ShownBox::Kind::Question);
    EXPECT_TRUE(forms->Form(FormId::ResizeParamsForm)->isVisible());
    EXPECT_FALSE(forms->Form(FormId::ReportForm)->isVisible());
    EXPECT_EQ(forms->Job().SourceFiles, std::vector<std::string>{picture});
    EXPECT_FALSE(FileExists(folder.String() + "/Resized"));
}

TEST_F(ResizeWindow, EachRuleReadsAsASentenceWithItsFieldInTheGap) {
    EXPECT_EQ(Radio("rbWidth")->text().toStdString(),
              "Задать фиксированную ширину изображения" + std::string(19, ' ') + "пикс.");
    EXPECT_EQ(Radio("rbHeight")->text().toStdString(),
              "Задать фиксированную высоту изображения" + std::string(19, ' ') + "пикс.");
    EXPECT_EQ(Radio("rbPercents")->text().toStdString(),
              "Масштабирование в процентах" + std::string(43, ' ') + "(%)");
    const struct {
        const char* radio;
        const char* spin;
    } lines[] = {{"rbWidth", "seWidth"}, {"rbHeight", "seHeight"}, {"rbPercents", "sePercents"}};
    for (const auto& line : lines) {
        const QRect radio = Radio(line.radio)->geometry();
        const QRect spin = Spin(line.spin)->geometry();
        EXPECT_TRUE(radio.contains(spin.center())) << line.spin;
        EXPECT_GT(spin.left(), radio.left() + radio.width() / 3) << line.spin;
    }
}

}  // namespace
}  // namespace stampwise::testing
