#include "widgets/ShellListUnit.h"

#include <QDir>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPalette>
#include <iterator>

namespace {

// The file system model with the list's own column captions: Qt's read "Name", "Size", "Type"
// unless its translations happen to be installed, and the program speaks Russian either way. A
// name's tooltip is the item's whole path, since a long name is cut in its middle.
class TRussianFileSystemModel final : public QFileSystemModel {
public:
    using QFileSystemModel::QFileSystemModel;

    QVariant data(const QModelIndex& index, int role) const override {
        if (role == Qt::ToolTipRole && index.column() == 0) return filePath(index);
        return QFileSystemModel::data(index, role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        static const char* const kCaptions[] = {"Имя", "Размер", "Тип", "Изменён"};
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 &&
            section < static_cast<int>(std::size(kCaptions))) {
            return QString::fromUtf8(kCaptions[section]);
        }
        return QFileSystemModel::headerData(section, orientation, role);
    }
};

}  // namespace

TShellFileList::TShellFileList(QWidget* parent) : QTableView(parent) {
    UseNewModel();

    setShowGrid(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::EditKeyPressed);
    setSortingEnabled(false);
    setWordWrap(false);
    // Names that differ only at their ends ("Настоящее фото 1.jpg", "Настоящее фото 2.jpg") stay
    // told apart.
    setTextElideMode(Qt::ElideMiddle);
    verticalHeader()->hide();
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);

    // The selected row stays marked in the active colours when the focus goes to a button.
    QPalette colours = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        colours.setColor(QPalette::Inactive, role, colours.color(QPalette::Active, role));
    }
    setPalette(colours);
    setStyleSheet(QStringLiteral(
        "QTableView::item:hover { background-color: #dcebfc; }"
        "QTableView::item:selected { background-color: palette(highlight);"
        " color: palette(highlighted-text); }"));

    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid() && model_->isDir(index)) emit FolderOpened(model_->filePath(index).toStdString());
    });
}

void TShellFileList::UseNewModel() {
    QFileSystemModel* old = model_;
    model_ = new TRussianFileSystemModel(this);
    // The list is read when a folder is chosen, not followed by watching it.
    model_->setOption(QFileSystemModel::DontWatchForChanges, true);
    model_->setFilter(QDir::AllEntries | QDir::AllDirs | QDir::NoDotAndDotDot);
    // Names may be edited in place (F2), as in the desktop's own file lists.
    model_->setReadOnly(false);
    // The desktop's icons, or the style's where the desktop has no icon theme.
    model_->setIconProvider(&iconProvider_);

    // The model sorts only what it holds when asked; the folder's entries arrive later, from the
    // model's own thread, so the list is sorted again once they are all in.
    connect(model_, &QFileSystemModel::directoryLoaded, this, [this](const QString& path) {
        if (path == QString::fromStdString(folder_)) model_->sort(0, Qt::AscendingOrder);
    });
    // The view may still show the old one until the caller puts the new one in its place.
    if (old != nullptr) old->deleteLater();
}

void TShellFileList::ShowFolder(const std::string& path) {
    folder_ = path;
    if (path.empty()) {
        SetViewModel(nullptr);
        return;
    }
    const QString folder = QString::fromStdString(path);
    if (model() != model_) {
        SetViewModel(model_);
        horizontalHeader()->resizeSection(0, 150);
    }
    model_->setRootPath(folder);
    model_->sort(0, Qt::AscendingOrder);
    setRootIndex(model_->index(folder));
    selectionModel()->clearSelection();
    scrollToTop();
}

void TShellFileList::Refresh() {
    // The model reads a folder once and keeps its rows: only a new model reads it anew.
    if (model() == nullptr) return;
    UseNewModel();
    ShowFolder(folder_);
}

void TShellFileList::SetViewModel(QFileSystemModel* model) {
    QItemSelectionModel* oldSelection = selectionModel();
    setModel(model);
    delete oldSelection;  // the view does not delete the selection model it made for the old one
}

void TShellFileList::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F5 || event->matches(QKeySequence::Refresh)) {
        Refresh();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool TShellFileList::HasSelection() const {
    return selectionModel() != nullptr && !selectionModel()->selectedRows(0).isEmpty();
}

std::string TShellFileList::SelectedPath() const {
    if (!HasSelection()) return std::string();
    return model_->filePath(selectionModel()->selectedRows(0).first()).toStdString();
}

void TShellFileList::SelectPath(const std::string& path) {
    if (selectionModel() == nullptr) return;
    const QModelIndex index = model_->index(QString::fromStdString(path));
    if (!index.isValid() || index.parent() != rootIndex()) {
        selectionModel()->clearSelection();
        return;
    }
    selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect |
                                                 QItemSelectionModel::Rows);
    scrollTo(index);
}

bool TShellFileList::viewportEvent(QEvent* event) {
    auto* mouse = event->type() == QEvent::MouseButtonPress ||
                          event->type() == QEvent::MouseButtonRelease
                      ? static_cast<QMouseEvent*>(event)
                      : nullptr;
    // A single-selection view keeps its selection when the click misses every item; the desktop's
    // lists drop it, and the window relies on seeing "nothing selected".
    if (mouse && event->type() == QEvent::MouseButtonPress &&
        !indexAt(mouse->position().toPoint()).isValid() && selectionModel() != nullptr) {
        selectionModel()->clearSelection();
    }
    const bool handled = QTableView::viewportEvent(event);
    if (mouse && event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
        emit Clicked();
    }
    return handled;
}
