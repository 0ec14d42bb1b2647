#include "resize/ResizeParamsUnit.h"

#include <QFrame>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>

#include "batch/WizardHost.h"
#include "widgets/SizeRuleGroupUnit.h"
#include "widgets/SpinEditUnit.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;
using stampwise::ResizeMode;

namespace {

constexpr int kSpinStep = 10;

const TSizeRuleGroup::Lines kRuleLines = {{
    {"rbWidth", "seWidth", "Задать фиксированную ширину изображения", 19, "пикс.", 100},
    {"rbHeight", "seHeight", "Задать фиксированную высоту изображения", 19, "пикс.", 100},
    {"rbPercents", "sePercents", "Масштабирование в процентах", 43, "(%)", 50},
}};

}  // namespace

TResizeParamsForm::TResizeParamsForm(stampwise::WizardHost& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::ResizeParamsForm, 371, 290);
    // The one tooltip of the window; controls without their own show it too.
    setToolTip(QStringLiteral("Детализация"));

    // The captions were laid out for a small font; with a larger one the window grows so that
    // each line still reads text, field, unit, rather than cutting the unit off.
    const int radioWidth = std::max(340, TSizeRuleGroup::WidestCaptionPx(this, kRuleLines) + 8);
    const int groupWidth = radioWidth + 15;
    const int clientWidth = groupWidth + 16;
    setFixedSize(clientWidth, 290);

    GroupBox1 = new TSizeRuleGroup(this, "GroupBox1", "Параметры масштабирования", kRuleLines,
                                   {radioWidth, kSpinStep, 0});
    GroupBox1->setGeometry(8, 4, groupWidth, 104);
    rbWidth = GroupBox1->Radio(0);
    rbHeight = GroupBox1->Radio(1);
    rbPercents = GroupBox1->Radio(2);
    seWidth = GroupBox1->Spin(0);
    seHeight = GroupBox1->Spin(1);
    sePercents = GroupBox1->Spin(2);

    Bevel2 = new QFrame(this);
    Bevel2->setObjectName(QStringLiteral("Bevel2"));
    Bevel2->setFrameShape(QFrame::Panel);
    Bevel2->setFrameShadow(QFrame::Sunken);
    Bevel2->setGeometry(8, 114, groupWidth, 137);
    lblHint = MakeLabel(Bevel2, "lblHint", "");
    lblHint->setGeometry(9, 4, groupWidth - 18, 129);
    lblHint->setWordWrap(true);
    lblHint->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    QPalette black = lblHint->palette();
    black.setColor(QPalette::WindowText, Qt::black);
    lblHint->setPalette(black);

    btnNext = MakeNextButton(this);
    btnNext->setGeometry(clientWidth - 108, 257, 100, 28);

    QWidget::setTabOrder(rbWidth, seWidth);
    QWidget::setTabOrder(seWidth, rbHeight);
    QWidget::setTabOrder(rbHeight, seHeight);
    QWidget::setTabOrder(seHeight, rbPercents);
    QWidget::setTabOrder(rbPercents, sePercents);
    QWidget::setTabOrder(sePercents, btnNext);

    connect(GroupBox1, &TSizeRuleGroup::RuleChosen, this, &TResizeParamsForm::rbWidthClick);
    connect(btnNext, &QPushButton::clicked, this, &TResizeParamsForm::btnNextClick);
    InstallWizardKeys(this, btnNext);
}

void TResizeParamsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TResizeParamsForm::FormShow() { rbWidthClick(); }

ResizeMode TResizeParamsForm::CheckedMode() const {
    if (rbHeight->isChecked()) return ResizeMode::Height;
    if (rbPercents->isChecked()) return ResizeMode::Percent;
    return ResizeMode::Width;
}

TSpinEdit* TResizeParamsForm::CheckedSpinEdit() const { return GroupBox1->CheckedSpinEdit(); }

void TResizeParamsForm::rbWidthClick() {
    GroupBox1->ApplyEnabling();

    const stampwise::JobState& job = forms_.Job();
    const std::string summary = stampwise::BuildResizeSummary(
        job.SourceFilesKind, job.SourceFilesFolder,
        static_cast<int>(job.SourceFiles.size()), job.TargetMode, forms_.TargetFieldTexts(),
        CheckedMode(), CheckedSpinEdit()->Text());
    lblHint->setText(QString::fromStdString(summary));
}

void TResizeParamsForm::btnNextClick() {
    const TSpinEdit* spin = CheckedSpinEdit();
    forms_.StartBatch(FormId::ResizeParamsForm,
                      stampwise::MakeResizeOperation(CheckedMode(), spin->Value(), spin->Text()));
}
