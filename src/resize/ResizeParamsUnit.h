#pragma once

#include <QWidget>

class TFormSet;

class TResizeParamsForm : public QWidget {
    Q_OBJECT
public:
    explicit TResizeParamsForm(TFormSet& forms);

private:
    TFormSet& forms_;
};
