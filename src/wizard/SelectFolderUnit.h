// The folder window: one folder whose ".jpg" files the job processes. The tree holds the choice;
// the batch, the target window and the parameters windows read it from here when they need it.
#pragma once

#include <QWidget>
#include <string>

namespace stampwise {
class WizardHost;
}
class TPathLabel;
class TShellFolderTree;
class QLabel;
class QPushButton;

class TSelectFolderForm : public QWidget {
    Q_OBJECT
public:
    explicit TSelectFolderForm(stampwise::WizardHost& forms);

    QLabel* lblSourceFolder = nullptr;
    TShellFolderTree* stvSourceFolder = nullptr;
    TPathLabel* lblSelectedSourceFolder = nullptr;
    QPushButton* btnNext = nullptr;

    // The full path of the folder selected in the tree, or empty.
    std::string SelectedFolder() const;
    // Selects path in the tree (nothing when it names no folder).
    void SetSelectedFolder(const std::string& path);

    void stvSourceFolderChange();
    void btnNextClick();

private:
    stampwise::WizardHost& forms_;
};
