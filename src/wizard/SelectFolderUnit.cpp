#include "wizard/SelectFolderUnit.h"

#include <QDir>
#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QStandardPaths>

#include "batch/WizardHost.h"
#include "widgets/PathLabelUnit.h"
#include "widgets/ShellTreeUnit.h"
#include "widgets/WizardLookUnit.h"
#include "wizard/StartFolder.h"

using stampwise::FormId;

namespace {

// The desktop's Pictures folder (from the user's folder settings, so a localised name is found),
// or the home folder when there is none.
std::string DesktopStartFolder() {
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return stampwise::ChooseStartFolder(pictures.toStdString(), QDir::homePath().toStdString());
}

}  // namespace

TSelectFolderForm::TSelectFolderForm(stampwise::WizardHost& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::SelectFolderForm, 400, 460);

    lblSourceFolder = MakeLabel(this, "lblSourceFolder", "Выбирите каталог с картинками");
    MakeBlue(lblSourceFolder);
    lblSourceFolder->setGeometry(12, 8, 376, 20);

    stvSourceFolder = new TShellFolderTree(this);
    stvSourceFolder->setObjectName(QStringLiteral("stvSourceFolder"));
    stvSourceFolder->setGeometry(12, 32, 376, 348);

    lblSelectedSourceFolder = new TPathLabel(this);
    lblSelectedSourceFolder->setObjectName(QStringLiteral("lblSelectedSourceFolder"));
    QFont bold = lblSelectedSourceFolder->font();
    bold.setBold(true);
    lblSelectedSourceFolder->setFont(bold);
    lblSelectedSourceFolder->setGeometry(12, 386, 376, 24);

    btnNext = MakeNextButton(this);
    btnNext->setGeometry(288, 420, 100, 28);

    connect(stvSourceFolder, &TShellFolderTree::SelectedPathChanged, this,
            &TSelectFolderForm::stvSourceFolderChange);
    connect(btnNext, &QPushButton::clicked, this, &TSelectFolderForm::btnNextClick);
    InstallWizardKeys(this, btnNext);

    // Opened with a folder already chosen, so "Дальше" never starts from nothing by accident.
    SetSelectedFolder(DesktopStartFolder());
}

std::string TSelectFolderForm::SelectedFolder() const { return stvSourceFolder->SelectedPath(); }

void TSelectFolderForm::SetSelectedFolder(const std::string& path) {
    stvSourceFolder->SelectPath(path);
}

void TSelectFolderForm::stvSourceFolderChange() {
    lblSelectedSourceFolder->SetPath(QString::fromStdString(SelectedFolder()));
}

void TSelectFolderForm::btnNextClick() {
    forms_.Flow().FolderNextClicked(SelectedFolder(), forms_.FileListEntries());
}
