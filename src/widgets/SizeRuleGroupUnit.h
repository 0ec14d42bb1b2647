// TSizeRuleGroup: a blue-captioned group of three size rules (by width, by height, in percent),
// each a radio button whose caption reads as a sentence with its spin edit lying in a run of
// spaces: text, field, unit. Only the chosen rule's field is enabled. The group knows no
// operation: the resize window and the watermark window read the chosen line and its field and
// decide what they mean. The gap helpers serve any caption that carries a field the same way
// (the watermark's margin line).
#pragma once

#include <QGroupBox>
#include <QRect>
#include <QString>
#include <array>
#include <span>

class QRadioButton;
class TSpinEdit;

// A caption with a run of gapSpaces spaces that a spin edit covers.
QString GapCaption(const char* before, int gapSpaces, const char* after);
// The run of spaces of a caption that starts textLeft pixels from captioned's left edge, one space
// in from either end, on the line at top, in the coordinates of captioned's parent.
QRect GapRect(const QWidget* captioned, int textLeft, const char* before, int gapSpaces, int top);
struct SpinInGap {
    TSpinEdit* spin;
    QRect gap;  // in the coordinates of spin's parent
};
// Gives the spin edits of one window one width, the narrowest gap's but never less than
// minWidthPx, and centres each in its own gap. The runs of spaces were counted for one font; in
// another the gaps differ, and fields of one window that followed them would differ too.
void PlaceInGaps(std::span<const SpinInGap> spins, int minWidthPx);
TSpinEdit* MakeSpinEdit(QWidget* parent, const char* name, int step, int value);

class TSizeRuleGroup : public QGroupBox {
    Q_OBJECT
public:
    struct Line {
        const char* radioName;
        const char* spinName;
        const char* before;
        int gapSpaces;
        const char* after;
        int value;
    };
    using Lines = std::array<Line, 3>;
    struct Look {
        int radioWidthPx;
        int spinStep;
        int minSpinWidthPx;
    };

    // Measured with window's font and style, the ones the radios are drawn with.
    static int WidestCaptionPx(const QWidget* window, const Lines& lines);

    // The first rule starts chosen and the third's field disabled; the second's field follows the
    // choice from the first ApplyEnabling on, as the windows have always shown it.
    TSizeRuleGroup(QWidget* window, const char* name, const char* caption, const Lines& lines,
                   const Look& look);

    QRadioButton* Radio(int line) const { return radios_[line]; }
    TSpinEdit* Spin(int line) const { return spins_[line]; }
    // The chosen line, 0 to 2.
    int CheckedLine() const;
    TSpinEdit* CheckedSpinEdit() const { return spins_[CheckedLine()]; }
    // The three fields with their gaps, for a window that gives them and fields of its own one
    // width (PlaceInGaps).
    const std::array<SpinInGap, 3>& SpinsInGaps() const { return spinsInGaps_; }
    void ApplyEnabling();

signals:
    // A rule was chosen; the fields' enabling already follows it.
    void RuleChosen();

private:
    std::array<QRadioButton*, 3> radios_{};
    std::array<TSpinEdit*, 3> spins_{};
    std::array<SpinInGap, 3> spinsInGaps_{};
};
