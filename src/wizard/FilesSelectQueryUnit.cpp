#include "wizard/FilesSelectQueryUnit.h"

#include <QPushButton>

#include "batch/WizardHost.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

TFilesSelectQueryForm::TFilesSelectQueryForm(stampwise::WizardHost& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::FilesSelectQueryForm, 360, 112);
    setWindowFlag(Qt::WindowStaysOnTopHint, true);

    btnSelectFolder = MakePictureButton(this, "btnSelectFolder", "Выбрать папку для обработки",
                                        QStyle::SP_DirIcon, 32, /*flat=*/true);
    btnSelectFolder->setGeometry(12, 12, 336, 40);
    btnSelectFiles =
        MakePictureButton(this, "btnSelectFiles", "Сформировать список файлов для обработки",
                          QStyle::SP_FileDialogDetailedView, 32, /*flat=*/true);
    btnSelectFiles->setGeometry(12, 60, 336, 40);

    connect(btnSelectFolder, &QPushButton::clicked, this,
            &TFilesSelectQueryForm::btnSelectFolderClick);
    connect(btnSelectFiles, &QPushButton::clicked, this, &TFilesSelectQueryForm::btnSelectFilesClick);
    InstallWizardKeys(this, nullptr);  // two answers and no "Дальше": Escape only
}

void TFilesSelectQueryForm::btnSelectFolderClick() { forms_.Flow().SelectFolderClicked(); }

void TFilesSelectQueryForm::btnSelectFilesClick() { forms_.Flow().SelectFilesClicked(); }
