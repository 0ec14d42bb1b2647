#include "wizard/FilesSelectQueryUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"

using stampwise::FormId;

TFilesSelectQueryForm::TFilesSelectQueryForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::FilesSelectQueryForm, 360, 120);
    btnSelectFolder = new QPushButton(QStringLiteral("Выбрать папку для обработки"), this);
    btnSelectFolder->setObjectName(QStringLiteral("btnSelectFolder"));
    btnSelectFolder->setGeometry(16, 16, 328, 40);
    btnSelectFiles = new QPushButton(QStringLiteral("Сформировать список файлов для обработки"), this);
    btnSelectFiles->setObjectName(QStringLiteral("btnSelectFiles"));
    btnSelectFiles->setGeometry(16, 64, 328, 40);
    connect(btnSelectFolder, &QPushButton::clicked, this, [this] { forms_.Flow().SelectFolderClicked(); });
    connect(btnSelectFiles, &QPushButton::clicked, this, [this] { forms_.Flow().SelectFilesClicked(); });
}
