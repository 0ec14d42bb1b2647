// The file list window: the user walks the folder tree, previews pictures by clicking them in the
// shell list and adds them one by one to FilesList, which becomes the job's source files.
//
// The rules for a click and for adding are in FileListRules.h; this window loads the preview and
// keeps the two buttons' enabled states, which deliberately follow different events (the remove
// button is not refreshed by a removal).
#pragma once

#include <QWidget>
#include <string>
#include <vector>

namespace stampwise {
class WizardHost;
}
class TImageBox;
class TShellFileList;
class TShellFolderTree;
class QGroupBox;
class QLabel;
class QListWidget;
class QListWidgetItem;
class QPushButton;

class TSelectFilesForm : public QWidget {
    Q_OBJECT
public:
    explicit TSelectFilesForm(stampwise::WizardHost& forms);

    QGroupBox* gbFiles = nullptr;
    TShellFolderTree* stvFilesSource = nullptr;
    TShellFileList* slvFiles = nullptr;
    QGroupBox* gbImage = nullptr;
    TImageBox* ImagePreview = nullptr;
    QLabel* lblWarning = nullptr;
    QPushButton* btnAddToList = nullptr;
    QPushButton* btnRemoveFromList = nullptr;
    QGroupBox* gbFilesList = nullptr;
    QListWidget* FilesList = nullptr;
    QPushButton* btnNext = nullptr;

    // The entries of FilesList, in list order.
    std::vector<std::string> Entries() const;
    void ClearFilesList();

    void FormShow();
    void slvFilesClick();
    void SpeedButton1Click();
    void SpeedButton2Click();
    void FilesListClick();
    void btnNextClick();

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Loads path into the preview; on failure shows the error dialog and keeps the old picture.
    bool LoadPreview(const std::string& path);
    void RefreshRemoveButton();
    // Whether the entry's text is too long for its row and shown cut.
    bool IsCut(const QListWidgetItem* item) const;

    stampwise::WizardHost& forms_;
    // Set while the program itself changes FilesList, whose selection signals are then no clicks.
    bool isChangingList_ = false;
    // Whether the current mouse press in FilesList already changed the selection (and previewed).
    bool hasPressChangedSelection_ = false;
};
