// The source question window: a whole folder, or a hand-made list of files. It stays above the
// program's other windows so that it is not lost behind the main window.
#pragma once

#include <QWidget>

namespace stampwise {
class WizardHost;
}
class QPushButton;

class TFilesSelectQueryForm : public QWidget {
    Q_OBJECT
public:
    explicit TFilesSelectQueryForm(stampwise::WizardHost& forms);

    QPushButton* btnSelectFolder = nullptr;
    QPushButton* btnSelectFiles = nullptr;

    void btnSelectFolderClick();
    void btnSelectFilesClick();

private:
    stampwise::WizardHost& forms_;
};
