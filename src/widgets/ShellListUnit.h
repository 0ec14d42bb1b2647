// TShellFileList: the list of one folder's subfolders and files beside the file list window's
// folder tree. Sorted by name (folders first), with grid lines and a selection that stays visible
// when the list loses the focus; a click on an empty part clears the selection, so the window can
// tell "nothing clicked" from a click on an item.
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

protected:
    bool viewportEvent(QEvent* event) override;

private:
    QFileIconProvider iconProvider_;  // before model_, which uses it
    QFileSystemModel* model_ = nullptr;
    std::string folder_;
};
