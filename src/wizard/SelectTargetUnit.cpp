#include "wizard/SelectTargetUnit.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>

#include "batch/WizardHost.h"
#include "wizard/TargetChoice.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

namespace {

std::optional<std::string> BrowseForFolder(QWidget* parent, const std::string& startFolder) {
    const QString chosen = QFileDialog::getExistingDirectory(
        parent, QString::fromUtf8(stampwise::kChooseFolderPrompt),
        QString::fromStdString(startFolder), QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

std::string WorkingFolder() { return QDir::currentPath().toStdString(); }

}  // namespace

TSelectTargetForm::TSelectTargetForm(stampwise::WizardHost& forms)
    : QWidget(nullptr), ChooseFolder(BrowseForFolder), forms_(forms) {
    SetUpWizardWindow(this, FormId::SelectTargetForm, 420, 306);

    gbTarget = MakeBlueGroupBox(this, "gbTarget", "Выбирите как сохранить обработанные файлы");
    gbTarget->setGeometry(8, 8, 404, 252);
    auto makeRadio = [this](const char* name, const char* caption, int top) {
        auto* radio = new QRadioButton(QString::fromUtf8(caption), gbTarget);
        radio->setObjectName(QString::fromLatin1(name));
        radio->setGeometry(10, top, 384, 22);
        return radio;
    };
    auto makeEdit = [this](const char* name, int left, int top, int width) {
        auto* edit = new QLineEdit(gbTarget);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setGeometry(left, top, width, 22);
        return edit;
    };
    rbFolder = makeRadio("rbFolder", "В отдельный каталог", 22);
    edTargetFolder = makeEdit("edTargetFolder", 28, 46, 338);
    btnChooseFolder = MakePictureButton(gbTarget, "btnChooseFolder", "", QStyle::SP_DirIcon, 16,
                                        /*flat=*/false);
    btnChooseFolder->setGeometry(370, 46, 24, 22);
    // Not in the keyboard order, which runs from option to field; the folder can be typed.
    btnChooseFolder->setFocusPolicy(Qt::NoFocus);

    rbCreateSubFolder =
        makeRadio("rbCreateSubFolder", "Создать отдельный каталог в исходном каталоге", 80);
    lblSubfolderName = MakeLabel(gbTarget, "lblSubfolderName", "Название отдельного каталога");
    const int labelWidth = lblSubfolderName->sizeHint().width();
    lblSubfolderName->setGeometry(28, 104, labelWidth, 22);
    edSubfolder = makeEdit("edSubfolder", 28 + labelWidth + 6, 104, 394 - (28 + labelWidth + 6));
    edSubfolder->setText(QStringLiteral("Changed"));

    rbPrefix = makeRadio("rbPrefix", "В тот же каталог с добавлением рефикса", 138);
    edPrefix = makeEdit("edPrefix", 28, 162, 366);
    edPrefix->setText(QStringLiteral("changed_"));

    rbSuffix = makeRadio("rbSuffix", "В тот же каталог с добавлением суффикса", 194);
    edSuffix = makeEdit("edSuffix", 28, 218, 366);
    edSuffix->setText(QStringLiteral("_changed"));

    rbCreateSubFolder->setChecked(true);

    btnNext = MakeNextButton(this);
    btnNext->setGeometry(312, 270, 100, 28);

    QWidget::setTabOrder(rbFolder, edTargetFolder);
    QWidget::setTabOrder(edTargetFolder, rbPrefix);
    QWidget::setTabOrder(rbPrefix, edPrefix);
    QWidget::setTabOrder(edPrefix, rbSuffix);
    QWidget::setTabOrder(rbSuffix, edSuffix);
    QWidget::setTabOrder(edSuffix, rbCreateSubFolder);
    QWidget::setTabOrder(rbCreateSubFolder, edSubfolder);
    QWidget::setTabOrder(edSubfolder, btnNext);

    for (QRadioButton* radio : {rbFolder, rbCreateSubFolder, rbPrefix, rbSuffix}) {
        connect(radio, &QRadioButton::toggled, this, &TSelectTargetForm::rbFolderClick);
    }
    connect(btnChooseFolder, &QPushButton::clicked, this, &TSelectTargetForm::btnChooseFolderClick);
    connect(btnNext, &QPushButton::clicked, this, &TSelectTargetForm::btnNextClick);
    InstallWizardKeys(this, btnNext);

    FormCreate();
}

void TSelectTargetForm::FormCreate() {
    edTargetFolder->setText(QString::fromStdString(WorkingFolder()));
    rbFolderClick();
}

void TSelectTargetForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // Only the wizard's showing writes the defaults. The window system's own (a restore from
    // minimised, a switch back to this desktop) arrives as a spontaneous event and must keep what
    // the user has typed meanwhile.
    if (!event->spontaneous()) FormShow();
}

void TSelectTargetForm::FormShow() {
    // Rewritten at every showing: the names of the operation now chosen, whatever was typed in an
    // earlier run.
    if (const auto names = stampwise::DefaultNamesFor(forms_.Job().Operation)) {
        edPrefix->setText(QString::fromStdString(names->Prefix));
        edSuffix->setText(QString::fromStdString(names->Suffix));
        edSubfolder->setText(QString::fromStdString(names->Subfolder));
    }
}

std::string TSelectTargetForm::SelectedMode() const {
    return stampwise::SelectedTargetMode(rbFolder->isChecked(), rbCreateSubFolder->isChecked(),
                                         rbPrefix->isChecked(), rbSuffix->isChecked());
}

void TSelectTargetForm::rbFolderClick() {
    const stampwise::TargetFieldStates states = stampwise::FieldStatesFor(SelectedMode());
    edTargetFolder->setEnabled(states.TargetFolder);
    btnChooseFolder->setEnabled(states.TargetFolder);
    edSubfolder->setEnabled(states.Subfolder);
    edPrefix->setEnabled(states.Prefix);
    edSuffix->setEnabled(states.Suffix);
}

void TSelectTargetForm::btnChooseFolderClick() {
    // The folder typed or chosen last, so a second look starts where the first ended.
    const QString field = edTargetFolder->text();
    const std::string startFolder =
        !field.isEmpty() && QFileInfo(field).isDir() ? field.toStdString() : std::string("/");
    const std::optional<std::string> chosen = ChooseFolder(this, startFolder);
    if (!chosen) return;
    edTargetFolder->setText(QString::fromStdString(*chosen));
    // The folder the job's files were confirmed from, which the batch reads, not what a folder
    // window left open shows now.
    const stampwise::JobState& job = forms_.Job();
    if (stampwise::IsSourceFolderChosen(job.SourceFilesKind, job.SourceFilesFolder, *chosen)) {
        forms_.Boxes().Notice(stampwise::kSameFolderText);
        edTargetFolder->setText(QString::fromStdString(WorkingFolder()));
    }
}

stampwise::TargetTexts TSelectTargetForm::Targets() const {
    return {edTargetFolder->text().toStdString(), edSubfolder->text().toStdString(),
            edPrefix->text().toStdString(), edSuffix->text().toStdString()};
}

void TSelectTargetForm::btnNextClick() {
    forms_.Flow().TargetNextClicked(SelectedMode());
}
