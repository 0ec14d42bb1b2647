#pragma once

#include <QWidget>

class TFormSet;
class QPushButton;
class TAboutForm : public QWidget {
    Q_OBJECT
public:
    explicit TAboutForm(TFormSet& forms);
    QPushButton* btnClose = nullptr;

private:
    TFormSet& forms_;
};
