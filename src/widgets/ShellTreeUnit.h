// TShellFolderTree: the folder tree of the source windows, a QTreeView over its own
// QFileSystemModel. It shows folders only, starts at the file system's root, opens at the user's
// home folder with nothing selected, and reports the selected folder's full path. It follows
// folders made, renamed or removed while it is shown; F5 reads every open folder again besides.
//
// It holds no copy of the selection: the selection model is the one truth, so a window reads the
// path when it needs it.
#pragma once

#include <QDeadlineTimer>
#include <QFileIconProvider>
#include <QPersistentModelIndex>
#include <QTreeView>
#include <string>

class QFileSystemModel;

class TShellFolderTree : public QTreeView {
    Q_OBJECT
public:
    explicit TShellFolderTree(QWidget* parent);

    // The selected folder's full path ("/" for the root), or empty when nothing is selected.
    std::string SelectedPath() const;
    // Selects the folder at path and shows it; clears the selection when path names no folder.
    void SelectPath(const std::string& path);
    // Reads the folders again from the disk, keeping the open folders open and the selection.
    // Afterwards FileModel() is a new model.
    void Refresh();
    QFileSystemModel* FileModel() const { return model_; }

    // As QTreeView's, but sideways it keeps the start of the folder's name in sight.
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    // Another folder is selected (or none).
    void SelectedPathChanged();
    // F5 or Refresh() read the folders again; the selection is the same folder as before.
    void Refreshed();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    static constexpr int kScrollSettleMs = 3000;

    // Puts a new model under the view (at start and on Refresh); the old one goes.
    void UseNewModel();
    void OpenAt(const QString& path);
    // Shows index now and again as the rows around it arrive, for a few seconds or until the user
    // clicks, scrolls or types.
    void ScrollToWhenListed(const QModelIndex& index);
    void KeepScrollTarget();
    void NoteSelection();

    QFileIconProvider iconProvider_;  // before model_, which uses it
    QFileSystemModel* model_ = nullptr;
    QPersistentModelIndex scrollTarget_;
    QDeadlineTimer scrollDeadline_;
    std::string reportedPath_;  // the path SelectedPathChanged last told of
};
