#include "widgets/ShellTreeUnit.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QStringList>
#include <QScrollBar>
#include <algorithm>
#include <QTimer>

TShellFolderTree::TShellFolderTree(QWidget* parent) : QTreeView(parent) {
    // One column of names; size, type and date mean little for a folder tree. It is as wide as
    // its longest shown name, so no name is cut: a narrow tree scrolls sideways instead.
    header()->setStretchLastSection(false);
    header()->hide();
    // The root "/" is the single top item; it carries no expander of its own.
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHeaderHidden(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);

    UseNewModel();
    OpenAt(QDir::homePath());
}

void TShellFolderTree::UseNewModel() {
    QFileSystemModel* old = model_;
    model_ = new QFileSystemModel(this);
    // A folder's rows are read once, when it is first opened, and then only followed by watching
    // it: without watching, a folder made meanwhile would never show, not even after collapsing
    // and opening its parent again.
    model_->setOption(QFileSystemModel::DontWatchForChanges, false);
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    // The desktop's folder icons, or the style's where the desktop has no icon theme.
    model_->setIconProvider(&iconProvider_);
    model_->setRootPath(QStringLiteral("/"));
    QItemSelectionModel* oldSelection = selectionModel();
    setModel(model_);
    // The view deletes neither the old model nor the selection model it made for it.
    delete oldSelection;
    if (old != nullptr) old->deleteLater();

    for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    connect(model_, &QFileSystemModel::layoutChanged, this, &TShellFolderTree::KeepScrollTarget);
    connect(model_, &QFileSystemModel::rowsInserted, this, &TShellFolderTree::KeepScrollTarget);
    connect(model_, &QFileSystemModel::directoryLoaded, this, &TShellFolderTree::KeepScrollTarget);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &TShellFolderTree::NoteSelection);
}

void TShellFolderTree::NoteSelection() {
    // The selection model also reports rows moved by sorting or by folders made and removed
    // beside the selected one; only another folder is a change.
    const std::string path = SelectedPath();
    if (path == reportedPath_) return;
    reportedPath_ = path;
    emit SelectedPathChanged();
}

void TShellFolderTree::Refresh() {
    // The open folders, top down, so each is opened after its parent.
    QStringList open;
    for (QModelIndex row = model_->index(0, 0); row.isValid(); row = indexBelow(row)) {
        if (isExpanded(row)) open.append(model_->filePath(row));
    }
    const std::string selected = SelectedPath();
    UseNewModel();
    for (const QString& path : open) expand(model_->index(path));
    if (!selected.empty()) SelectPath(selected);
    NoteSelection();
    emit Refreshed();
}

void TShellFolderTree::scrollTo(const QModelIndex& index, ScrollHint hint) {
    QTreeView::scrollTo(index, hint);
    if (!index.isValid()) return;
    // The one column is as wide as the widest name shown, often wider than the tree; centred, as
    // Qt centres a row, it would show the middle of every name. The start of this folder's name
    // stays in sight instead, one level of its parents to its left.
    QScrollBar* across = horizontalScrollBar();
    const int nameStart = visualRect(index).left() + across->value();
    across->setValue(std::max(0, nameStart - indentation()));
}

void TShellFolderTree::OpenAt(const QString& path) {
    const QModelIndex target = model_->index(path);
    for (QModelIndex index = target; index.isValid(); index = index.parent()) expand(index);
    ScrollToWhenListed(target);
}

void TShellFolderTree::ScrollToWhenListed(const QModelIndex& index) {
    scrollTarget_ = QPersistentModelIndex(index);
    scrollDeadline_.setRemainingTime(kScrollSettleMs);
    scrollTo(index, PositionAtCenter);
}

void TShellFolderTree::KeepScrollTarget() {
    // The rows of a folder arrive from the model's own thread, in batches, and are sorted after
    // the last; until they have settled, each change may push the chosen folder out of sight.
    if (!scrollTarget_.isValid() || scrollDeadline_.hasExpired()) return;
    QTimer::singleShot(0, this, [this] {
        if (scrollTarget_.isValid() && !scrollDeadline_.hasExpired()) {
            scrollTo(scrollTarget_, PositionAtCenter);
        }
    });
}

void TShellFolderTree::mousePressEvent(QMouseEvent* event) {
    scrollTarget_ = QPersistentModelIndex();  // the user takes over
    QTreeView::mousePressEvent(event);
}

void TShellFolderTree::wheelEvent(QWheelEvent* event) {
    scrollTarget_ = QPersistentModelIndex();
    QTreeView::wheelEvent(event);
}

void TShellFolderTree::keyPressEvent(QKeyEvent* event) {
    scrollTarget_ = QPersistentModelIndex();
    if (event->matches(QKeySequence::Refresh) || event->key() == Qt::Key_F5) {
        Refresh();
        return;
    }
    QTreeView::keyPressEvent(event);
}

std::string TShellFolderTree::SelectedPath() const {
    const QModelIndexList rows = selectionModel()->selectedRows(0);
    if (rows.isEmpty()) return std::string();
    return model_->filePath(rows.first()).toStdString();
}

void TShellFolderTree::SelectPath(const std::string& path) {
    const QModelIndex index = model_->index(QString::fromStdString(path));
    if (!index.isValid() || !model_->isDir(index)) {
        selectionModel()->clearSelection();
        return;
    }
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) {
        expand(parent);
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    ScrollToWhenListed(index);
}
