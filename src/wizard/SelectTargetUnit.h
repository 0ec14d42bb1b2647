// The target window: where and under which names the results go. The four texts stay in its
// fields, where the resize summary, the question and the output naming read them (Targets()); only
// the chosen mode goes into the job state, when "Дальше" is pressed.
#pragma once

#include <QWidget>
#include <functional>
#include <optional>
#include <string>

#include "batch/BatchRunner.h"

namespace stampwise {
class WizardHost;
}
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TSelectTargetForm : public QWidget {
    Q_OBJECT
public:
    explicit TSelectTargetForm(stampwise::WizardHost& forms);

    QGroupBox* gbTarget = nullptr;
    QRadioButton* rbFolder = nullptr;
    QLineEdit* edTargetFolder = nullptr;
    QPushButton* btnChooseFolder = nullptr;
    QRadioButton* rbCreateSubFolder = nullptr;
    QLabel* lblSubfolderName = nullptr;
    QLineEdit* edSubfolder = nullptr;
    QRadioButton* rbPrefix = nullptr;
    QLineEdit* edPrefix = nullptr;
    QRadioButton* rbSuffix = nullptr;
    QLineEdit* edSuffix = nullptr;
    QPushButton* btnNext = nullptr;

    // The folder browse dialog, opened at startFolder (the folder field's folder when it exists,
    // else the top of the file system): the chosen folder's full path, or nothing when cancelled.
    // Tests put their own chooser here instead of the modal dialog.
    std::function<std::optional<std::string>(QWidget* parent, const std::string& startFolder)>
        ChooseFolder;

    // The four field texts exactly as they stand.
    stampwise::TargetTexts Targets() const;
    // The keyword of the selected option.
    std::string SelectedMode() const;

    void FormCreate();
    void FormShow();
    void rbFolderClick();
    void btnChooseFolderClick();
    void btnNextClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    stampwise::WizardHost& forms_;
};
