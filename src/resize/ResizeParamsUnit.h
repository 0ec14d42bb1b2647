// The resize window: one of the three size rules with its value, a summary of the whole job, and
// "Дальше", which runs the batch. The summary is rebuilt only when the window is shown and when a
// rule is chosen, not while a value is typed; the batch always takes the values as they stand.
#pragma once

#include <QWidget>
#include <string>

#include "resize/ResizeRule.h"

namespace stampwise {
class WizardHost;
}
class TSizeRuleGroup;
class TSpinEdit;
class QFrame;
class QLabel;
class QPushButton;
class QRadioButton;

class TResizeParamsForm : public QWidget {
    Q_OBJECT
public:
    explicit TResizeParamsForm(stampwise::WizardHost& forms);

    TSizeRuleGroup* GroupBox1 = nullptr;
    QRadioButton* rbWidth = nullptr;
    QRadioButton* rbHeight = nullptr;
    QRadioButton* rbPercents = nullptr;
    TSpinEdit* seWidth = nullptr;
    TSpinEdit* seHeight = nullptr;
    TSpinEdit* sePercents = nullptr;
    QFrame* Bevel2 = nullptr;
    QLabel* lblHint = nullptr;
    QPushButton* btnNext = nullptr;

    // The checked rule and the spin edit that holds its value.
    stampwise::ResizeMode CheckedMode() const;
    TSpinEdit* CheckedSpinEdit() const;

    void FormShow();
    void rbWidthClick();
    void btnNextClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    stampwise::WizardHost& forms_;
};
