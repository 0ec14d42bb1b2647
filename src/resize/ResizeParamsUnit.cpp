#include "resize/ResizeParamsUnit.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QPalette>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <algorithm>

#include "batch/WizardHost.h"
#include "batch/BatchRunner.h"
#include "platform/InterruptSignals.h"
#include "widgets/SpinEditUnit.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;
using stampwise::ResizeMode;

namespace {

constexpr int kSpinStep = 10;

// A radio caption with a run of spaces that its spin edit covers, so each line reads as a
// sentence: text, field, unit.
QString GapCaption(const char* before, int gapSpaces, const char* after) {
    return QString::fromUtf8(before) + QString(gapSpaces, QLatin1Char(' ')) +
           QString::fromUtf8(after);
}

}  // namespace

TResizeParamsForm::TResizeParamsForm(stampwise::WizardHost& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::ResizeParamsForm, 371, 290);
    // The one tooltip of the window; controls without their own show it too.
    setToolTip(QStringLiteral("Детализация"));

    struct Line {
        QRadioButton** radio;
        TSpinEdit** spin;
        const char* radioName;
        const char* spinName;
        const char* before;
        int gapSpaces;
        const char* after;
        int value;
        int top;
    };
    const Line lines[] = {
        {&rbWidth, &seWidth, "rbWidth", "seWidth", "Задать фиксированную ширину изображения", 19,
         "пикс.", 100, 20},
        {&rbHeight, &seHeight, "rbHeight", "seHeight", "Задать фиксированную высоту изображения",
         19, "пикс.", 100, 46},
        {&rbPercents, &sePercents, "rbPercents", "sePercents", "Масштабирование в процентах", 43,
         "(%)", 50, 72},
    };
    // The captions were laid out for a small font; with a larger one the window grows so that
    // each line still reads text, field, unit, rather than cutting the unit off.
    const QFontMetrics metrics = fontMetrics();
    const int indicatorPx = style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
                            style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
    int radioWidth = 340;
    for (const Line& line : lines) {
        const QString caption = GapCaption(line.before, line.gapSpaces, line.after);
        radioWidth = std::max(radioWidth, indicatorPx + metrics.horizontalAdvance(caption) + 8);
    }
    const int groupWidth = radioWidth + 15;
    const int clientWidth = groupWidth + 16;
    setFixedSize(clientWidth, 290);

    GroupBox1 = MakeBlueGroupBox(this, "GroupBox1", "Параметры масштабирования");
    GroupBox1->setGeometry(8, 4, groupWidth, 104);
    for (const Line& line : lines) {
        auto* radio = new QRadioButton(GapCaption(line.before, line.gapSpaces, line.after), GroupBox1);
        radio->setObjectName(QString::fromLatin1(line.radioName));
        radio->setGeometry(10, line.top, radioWidth, 22);
        auto* spin = new TSpinEdit(GroupBox1);
        spin->setObjectName(QString::fromLatin1(line.spinName));
        spin->SetIncrement(kSpinStep);
        spin->SetValue(line.value);
        // Over the gap of the caption, one space in from either end.
        const int gapLeft = 10 + indicatorPx +
                            metrics.horizontalAdvance(QString::fromUtf8(line.before) + QLatin1Char(' '));
        const int gapWidth = metrics.horizontalAdvance(QString(line.gapSpaces - 2, QLatin1Char(' ')));
        spin->setGeometry(gapLeft, line.top, gapWidth, 22);
        *line.radio = radio;
        *line.spin = spin;
    }
    rbWidth->setChecked(true);
    sePercents->setEnabled(false);

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

    for (QRadioButton* radio : {rbWidth, rbHeight, rbPercents}) {
        connect(radio, &QRadioButton::toggled, this, [this](bool isChecked) {
            if (isChecked) rbWidthClick();
        });
    }
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

TSpinEdit* TResizeParamsForm::CheckedSpinEdit() const {
    switch (CheckedMode()) {
    case ResizeMode::Width: return seWidth;
    case ResizeMode::Height: return seHeight;
    case ResizeMode::Percent: return sePercents;
    }
    return seWidth;
}

void TResizeParamsForm::rbWidthClick() {
    seWidth->setEnabled(rbWidth->isChecked());
    seHeight->setEnabled(rbHeight->isChecked());
    sePercents->setEnabled(rbPercents->isChecked());

    const stampwise::JobState& job = forms_.Job();
    const std::string summary = stampwise::BuildResizeSummary(
        job.SourceKind, forms_.SelectedSourceFolder(),
        static_cast<int>(job.SourceFiles.size()), job.TargetMode, forms_.TargetFieldTexts(),
        CheckedMode(), CheckedSpinEdit()->Text());
    lblHint->setText(QString::fromStdString(summary));
}

void TResizeParamsForm::btnNextClick() {
    stampwise::BatchInputs inputs;
    inputs.SourceFolder = forms_.SelectedSourceFolder();
    inputs.Targets = forms_.TargetFieldTexts();
    // Ended by a signal: no new file starts, the files started finish (see app/main.cpp).
    inputs.StopRequested = [] { return stampwise::InterruptSignal() != 0; };
    const TSpinEdit* spin = CheckedSpinEdit();
    const auto view = forms_.ReportView(stampwise::FormId::ResizeParamsForm);
    stampwise::RunBatch(forms_.Job(), inputs,
                        stampwise::MakeResizeOperation(CheckedMode(), spin->Value(), spin->Text()),
                        *view);
}
