#pragma once

#include <QWidget>

class TFormSet;

class TWatermarkParamsForm : public QWidget {
    Q_OBJECT
public:
    explicit TWatermarkParamsForm(TFormSet& forms);

private:
    TFormSet& forms_;
};
