#pragma once

#include <QWidget>

class TFormSet;
class QPushButton;
class TFilesSelectQueryForm : public QWidget {
    Q_OBJECT
public:
    explicit TFilesSelectQueryForm(TFormSet& forms);
    QPushButton* btnSelectFolder = nullptr;
    QPushButton* btnSelectFiles = nullptr;

private:
    TFormSet& forms_;
};
