#include "wizard/SelectFolderUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"
#include "wizard/SelectFilesUnit.h"

using stampwise::FormId;

TSelectFolderForm::TSelectFolderForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::SelectFolderForm, 400, 460);
    btnNext = new QPushButton(QStringLiteral("Дальше"), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setGeometry(300, 420, 88, 28);
    connect(btnNext, &QPushButton::clicked, this, &TSelectFolderForm::btnNextClick);
}

void TSelectFolderForm::btnNextClick() {
    forms_.Flow().FolderNextClicked(SelectedFolder(), forms_.SelectFilesForm->Entries());
}
