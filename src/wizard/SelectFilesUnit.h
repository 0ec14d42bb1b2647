#pragma once

#include <QWidget>
#include <string>
#include <vector>

class TFormSet;
class QPushButton;
class QListWidget;
class TSelectFilesForm : public QWidget {
    Q_OBJECT
public:
    explicit TSelectFilesForm(TFormSet& forms);
    QListWidget* FilesList = nullptr;
    QPushButton* btnNext = nullptr;
    // The entries of FilesList, in list order.
    std::vector<std::string> Entries() const;
    void ClearFilesList();
    void btnNextClick();

private:
    TFormSet& forms_;
};
