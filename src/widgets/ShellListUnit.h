// TShellFileList: the list of one folder's subfolders and files beside the file list window's
// folder tree. Sorted by name (folders first), with grid lines and a selection that stays visible
// when the list loses the focus; a click on an empty part clears the selection, so the window can
// tell "nothing clicked" from a click on an item. Long names are cut in the middle, the whole path
// in their tooltip. The folder is read when it is chosen or on F5, not watched.
#pragma once

#include <QFileIconProvider>
#include <QTableView>
#include <string>

class QFileSystemModel;

class TShellFileList : public QTableView {
    Q_OBJECT
public:
    explicit TShellFileList(QWidget* parent);

    // Lists the folder at path; an empty path lists nothing.
    void ShowFolder(const std::string& path);
    std::string Folder() const { return folder_; }
    // Reads the listed folder again (F5 does too). Afterwards FileModel() is a new model.
    void Refresh();

    bool HasSelection() const;
    // The selected item's full path, or empty.
    std::string SelectedPath() const;
    // Selects the item at path when it is in the listed folder (for the keyboard-less callers:
    // tests and the screenshots); clears the selection otherwise.
    void SelectPath(const std::string& path);
    QFileSystemModel* FileModel() const { return model_; }

signals:
    // A left mouse click in the list, on an item or not, after the selection has followed it.
    void Clicked();
    // A double click on a folder of the list: the user opens that folder.
    void FolderOpened(const std::string& path);

protected:
    bool viewportEvent(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    // Makes a new model for the next folder shown (its rows are not read yet).
    void UseNewModel();
    void SetViewModel(QFileSystemModel* model);

    QFileIconProvider iconProvider_;  // before model_, which uses it
    QFileSystemModel* model_ = nullptr;
    std::string folder_;
};
