#pragma once

#include <QWidget>

class TFormSet;
class QPushButton;
class QRadioButton;
class TSelectTargetForm : public QWidget {
    Q_OBJECT
public:
    explicit TSelectTargetForm(TFormSet& forms);
    QRadioButton* rbFolder = nullptr;
    QRadioButton* rbCreateSubFolder = nullptr;
    QRadioButton* rbPrefix = nullptr;
    QRadioButton* rbSuffix = nullptr;
    QPushButton* btnNext = nullptr;
    void btnNextClick();

private:
    TFormSet& forms_;
};
