#include "widgets/ShellTreeUnit.h"

#include <QDir>
#include <QFileIconProvider>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QScrollBar>
#include <algorithm>
#include <QTimer>

TShellFolderTree::TShellFolderTree(QWidget* parent, bool watchChanges) : QTreeView(parent) {
    model_ = new QFileSystemModel(this);
    model_->setOption(QFileSystemModel::DontWatchForChanges, !watchChanges);
    model_->setFilter(QDir::AllDirs | QDir::Drives | QDir::NoDotAndDotDot);
    model_->setReadOnly(true);
    // The desktop's folder icons, or the style's where the desktop has no icon theme.
    model_->setIconProvider(&iconProvider_);
    model_->setRootPath(QStringLiteral("/"));
    setModel(model_);

    // One column of names; size, type and date mean little for a folder tree. It is as wide as
    // its longest shown name, so no name is cut: a narrow tree scrolls sideways instead.
    for (int column = 1; column < model_->columnCount(); ++column) hideColumn(column);
    header()->setStretchLastSection(false);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    header()->hide();
    // The root "/" is the single top item; it carries no expander of its own.
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHeaderHidden(true);

    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    connect(model_, &QFileSystemModel::layoutChanged, this, &TShellFolderTree::KeepScrollTarget);
    connect(model_, &QFileSystemModel::rowsInserted, this, &TShellFolderTree::KeepScrollTarget);
    connect(model_, &QFileSystemModel::directoryLoaded, this, &TShellFolderTree::KeepScrollTarget);
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { emit SelectedPathChanged(); });
    OpenAt(QDir::homePath());
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
