#pragma once

#include <QWidget>
#include <string>

class TFormSet;
class QPushButton;
class TSelectFolderForm : public QWidget {
    Q_OBJECT
public:
    explicit TSelectFolderForm(TFormSet& forms);
    QPushButton* btnNext = nullptr;
    // The full path of the folder selected in the tree, or empty.
    std::string SelectedFolder() const { return selectedFolder_; }
    void SetSelectedFolder(const std::string& path) { selectedFolder_ = path; }
    void btnNextClick();

private:
    TFormSet& forms_;
    std::string selectedFolder_;
};
