#include "wizard/SelectFilesUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"
#include "wizard/SelectFolderUnit.h"

using stampwise::FormId;

TSelectFilesForm::TSelectFilesForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::SelectFilesForm, 640, 480);
    FilesList = new QListWidget(this);
    FilesList->setObjectName(QStringLiteral("FilesList"));
    FilesList->setGeometry(16, 240, 608, 180);
    btnNext = new QPushButton(QStringLiteral("Дальше"), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setGeometry(536, 440, 88, 28);
    connect(btnNext, &QPushButton::clicked, this, &TSelectFilesForm::btnNextClick);
}

std::vector<std::string> TSelectFilesForm::Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < FilesList->count(); ++i) entries.push_back(FilesList->item(i)->text().toStdString());
    return entries;
}

void TSelectFilesForm::ClearFilesList() { FilesList->clear(); }

void TSelectFilesForm::btnNextClick() {
    forms_.Flow().FilesNextClicked(forms_.SelectFolderForm->SelectedFolder(), Entries());
}
