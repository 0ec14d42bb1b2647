#pragma once

#include <QWidget>

class TFormSet;
class QPushButton;
class TReportForm : public QWidget {
    Q_OBJECT
public:
    explicit TReportForm(TFormSet& forms);
    QPushButton* btnFinished = nullptr;

private:
    TFormSet& forms_;
};
