#include "wizard/SelectTargetUnit.h"

#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>

#include "app/FormSetUnit.h"

using stampwise::FormId;

TSelectTargetForm::TSelectTargetForm(TFormSet& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::SelectTargetForm, 420, 300);
    auto makeRadio = [this](const char* name, const char* caption, int top) {
        auto* radio = new QRadioButton(QString::fromUtf8(caption), this);
        radio->setObjectName(QString::fromLatin1(name));
        radio->setGeometry(16, top, 388, 22);
        return radio;
    };
    rbFolder = makeRadio("rbFolder", "В отдельный каталог", 16);
    rbPrefix = makeRadio("rbPrefix", "В тот же каталог с добавлением рефикса", 76);
    rbSuffix = makeRadio("rbSuffix", "В тот же каталог с добавлением суффикса", 136);
    rbCreateSubFolder = makeRadio("rbCreateSubFolder", "Создать отдельный каталог в исходном каталоге", 196);
    rbCreateSubFolder->setChecked(true);
    btnNext = new QPushButton(QStringLiteral("Дальше"), this);
    btnNext->setObjectName(QStringLiteral("btnNext"));
    btnNext->setGeometry(316, 260, 88, 28);
    connect(btnNext, &QPushButton::clicked, this, &TSelectTargetForm::btnNextClick);
}

void TSelectTargetForm::btnNextClick() {
    std::string mode;
    if (rbFolder->isChecked()) mode = stampwise::keyword::kFolder;
    if (rbCreateSubFolder->isChecked()) mode = stampwise::keyword::kSubfolder;
    if (rbPrefix->isChecked()) mode = stampwise::keyword::kPrefix;
    if (rbSuffix->isChecked()) mode = stampwise::keyword::kSuffix;
    forms_.Flow().TargetNextClicked(mode);
}
