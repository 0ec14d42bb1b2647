#include "widgets/SizeRuleGroupUnit.h"

#include <QRadioButton>
#include <QStyle>
#include <algorithm>

#include "widgets/SpinEditUnit.h"
#include "widgets/WizardLookUnit.h"

namespace {

constexpr int kRadioLeftPx = 10;
constexpr int kFirstTopPx = 20;
constexpr int kLinePitchPx = 26;
constexpr int kLineHeightPx = 22;

// Where a radio's caption starts: past its indicator and the spacing after it.
int IndicatorPx(const QWidget* window) {
    return window->style()->pixelMetric(QStyle::PM_ExclusiveIndicatorWidth) +
           window->style()->pixelMetric(QStyle::PM_RadioButtonLabelSpacing);
}

}  // namespace

QString GapCaption(const char* before, int gapSpaces, const char* after) {
    return QString::fromUtf8(before) + QString(gapSpaces, QLatin1Char(' ')) +
           QString::fromUtf8(after);
}

QRect GapRect(const QWidget* captioned, int textLeft, const char* before, int gapSpaces, int top) {
    const QFontMetrics metrics = captioned->fontMetrics();
    const int gapLeft = captioned->x() + textLeft +
                        metrics.horizontalAdvance(QString::fromUtf8(before) + QLatin1Char(' '));
    const int gapWidth = metrics.horizontalAdvance(QString(gapSpaces - 2, QLatin1Char(' ')));
    return {gapLeft, top, gapWidth, kLineHeightPx};
}

void PlaceInGaps(std::span<const SpinInGap> spins, int minWidthPx) {
    if (spins.empty()) return;
    int widthPx = spins.front().gap.width();
    for (const SpinInGap& placed : spins) widthPx = std::min(widthPx, placed.gap.width());
    widthPx = std::max(widthPx, minWidthPx);
    for (const SpinInGap& placed : spins) {
        const QRect& gap = placed.gap;
        placed.spin->setGeometry(gap.left() + (gap.width() - widthPx) / 2, gap.top(), widthPx,
                                 gap.height());
    }
}

TSpinEdit* MakeSpinEdit(QWidget* parent, const char* name, int step, int value) {
    auto* spin = new TSpinEdit(parent);
    spin->setObjectName(QString::fromLatin1(name));
    spin->SetIncrement(step);
    spin->SetValue(value);
    return spin;
}

int TSizeRuleGroup::WidestCaptionPx(const QWidget* window, const Lines& lines) {
    const QFontMetrics metrics = window->fontMetrics();
    int widest = 0;
    for (const Line& line : lines) {
        const QString caption = GapCaption(line.before, line.gapSpaces, line.after);
        widest = std::max(widest, IndicatorPx(window) + metrics.horizontalAdvance(caption));
    }
    return widest;
}

TSizeRuleGroup::TSizeRuleGroup(QWidget* window, const char* name, const char* caption,
                               const Lines& lines, const Look& look)
    : QGroupBox(QString::fromUtf8(caption), window) {
    setObjectName(QString::fromLatin1(name));
    MakeBlue(this);
    const int indicatorPx = IndicatorPx(window);
    for (int i = 0; i < 3; ++i) {
        const Line& line = lines[i];
        const int top = kFirstTopPx + i * kLinePitchPx;
        auto* radio = new QRadioButton(GapCaption(line.before, line.gapSpaces, line.after), this);
        radio->setObjectName(QString::fromLatin1(line.radioName));
        radio->setGeometry(kRadioLeftPx, top, look.radioWidthPx, kLineHeightPx);
        TSpinEdit* spin = MakeSpinEdit(this, line.spinName, look.spinStep, line.value);
        radios_[i] = radio;
        spins_[i] = spin;
        spinsInGaps_[i] = {spin, GapRect(radio, indicatorPx, line.before, line.gapSpaces, top)};
    }
    PlaceInGaps(spinsInGaps_, look.minSpinWidthPx);
    radios_[0]->setChecked(true);
    spins_[2]->setEnabled(false);
    // Wired only now, so the first choice above reports nothing to a window still being built.
    for (QRadioButton* radio : radios_) {
        connect(radio, &QRadioButton::toggled, this, [this](bool isChecked) {
            if (!isChecked) return;
            ApplyEnabling();
            emit RuleChosen();
        });
    }
}

int TSizeRuleGroup::CheckedLine() const {
    if (radios_[1]->isChecked()) return 1;
    if (radios_[2]->isChecked()) return 2;
    return 0;
}

void TSizeRuleGroup::ApplyEnabling() {
    for (int i = 0; i < 3; ++i) spins_[i]->setEnabled(radios_[i]->isChecked());
}
