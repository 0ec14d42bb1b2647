#include "wizard/SelectFilesUnit.h"

#include <QDir>
#include <QEvent>
#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPalette>
#include <QHelpEvent>
#include <QPushButton>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <exception>

#include "batch/WizardHost.h"
#include "imaging/JpegImage.h"
#include "wizard/FileListRules.h"
#include "widgets/ImageBoxUnit.h"
#include "widgets/ShellListUnit.h"
#include "widgets/ShellTreeUnit.h"
#include "widgets/WizardLookUnit.h"

using stampwise::FormId;

namespace {

// A list box's rows are as wide as their texts and the list scrolls sideways, so nothing would
// be cut; rows that ask for no width are made as wide as the list, and a longer text is cut.
class TFitRowsDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {1, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

}  // namespace

TSelectFilesForm::TSelectFilesForm(stampwise::WizardHost& forms) : QWidget(nullptr), forms_(forms) {
    SetUpWizardWindow(this, FormId::SelectFilesForm, 713, 520);

    gbFiles = MakeBlueGroupBox(this, "gbFiles", "Файлы с картинками");
    gbFiles->setGeometry(8, 8, 460, 300);
    stvFilesSource = new TShellFolderTree(gbFiles);
    stvFilesSource->setObjectName(QStringLiteral("stvFilesSource"));
    stvFilesSource->setGeometry(8, 22, 180, 270);
    slvFiles = new TShellFileList(gbFiles);
    slvFiles->setObjectName(QStringLiteral("slvFiles"));
    slvFiles->setGeometry(194, 22, 258, 270);

    gbImage = MakeBlueGroupBox(this, "gbImage", "Изображение");
    gbImage->setGeometry(476, 8, 229, 250);
    ImagePreview = new TImageBox(gbImage);
    ImagePreview->setObjectName(QStringLiteral("ImagePreview"));
    ImagePreview->setGeometry(8, 20, 213, 224);
    lblWarning = MakeLabel(gbImage, "lblWarning", stampwise::kUnsupportedWarningText);
    QFont bold = lblWarning->font();
    bold.setBold(true);
    lblWarning->setFont(bold);
    QPalette red = lblWarning->palette();
    red.setColor(QPalette::WindowText, Qt::red);
    lblWarning->setPalette(red);
    lblWarning->setAlignment(Qt::AlignCenter);
    lblWarning->setWordWrap(true);
    lblWarning->setGeometry(16, 100, 197, 60);
    lblWarning->hide();

    btnAddToList = MakePictureButton(this, "btnAddToList", "Добавить в список файлов",
                                     QStyle::SP_ArrowDown, 16, /*flat=*/true);
    btnAddToList->setGeometry(476, 262, 229, 22);
    btnRemoveFromList = MakePictureButton(this, "btnRemoveFromList", "Удалить из списка файлов",
                                          QStyle::SP_DialogDiscardButton, 16, /*flat=*/true);
    btnRemoveFromList->setGeometry(476, 286, 229, 22);

    gbFilesList = MakeBlueGroupBox(this, "gbFilesList", "Список выбранных файлов");
    gbFilesList->setGeometry(8, 314, 697, 160);
    FilesList = new QListWidget(gbFilesList);
    FilesList->setObjectName(QStringLiteral("FilesList"));
    FilesList->setGeometry(8, 22, 681, 130);
    FilesList->setSelectionMode(QAbstractItemView::SingleSelection);
    FilesList->setSortingEnabled(false);
    FilesList->setToolTip(QStringLiteral("Щелкните на файле для его просмотра"));
    // Paths of one folder differ at their ends: a long one is cut in its middle, and shown whole
    // in the tooltip in place of the hint.
    FilesList->setTextElideMode(Qt::ElideMiddle);
    FilesList->setItemDelegate(new TFitRowsDelegate(FilesList));
    FilesList->viewport()->installEventFilter(this);

    btnNext = MakeNextButton(this);
    btnNext->setGeometry(605, 482, 100, 28);

    connect(stvFilesSource, &TShellFolderTree::SelectedPathChanged, this,
            [this] { slvFiles->ShowFolder(stvFilesSource->SelectedPath()); });
    connect(stvFilesSource, &TShellFolderTree::Refreshed, slvFiles, &TShellFileList::Refresh);
    connect(slvFiles, &TShellFileList::Clicked, this, &TSelectFilesForm::slvFilesClick);
    connect(slvFiles, &TShellFileList::FolderOpened, this,
            [this](const std::string& folder) { stvFilesSource->SelectPath(folder); });
    connect(btnAddToList, &QPushButton::clicked, this, &TSelectFilesForm::SpeedButton1Click);
    connect(btnRemoveFromList, &QPushButton::clicked, this, &TSelectFilesForm::SpeedButton2Click);
    connect(FilesList, &QListWidget::itemSelectionChanged, this, [this] {
        if (isChangingList_ || FilesList->selectedItems().isEmpty()) return;
        hasPressChangedSelection_ = true;
        FilesListClick();
    });
    // A click on the entry that is already selected changes no selection but is still a request
    // to see that entry again.
    connect(FilesList, &QListWidget::itemPressed, this, [this] {
        if (!hasPressChangedSelection_) FilesListClick();
    });
    connect(btnNext, &QPushButton::clicked, this, &TSelectFilesForm::btnNextClick);
    InstallWizardKeys(this, btnNext);

    // Opened with the home folder chosen and listed, so the first look shows files to pick.
    stvFilesSource->SelectPath(QDir::homePath().toStdString());
}

bool TSelectFilesForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == FilesList->viewport() && event->type() == QEvent::MouseButtonPress) {
        hasPressChangedSelection_ = false;
    }
    if (watched == FilesList->viewport() && event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(event);
        const QListWidgetItem* item = FilesList->itemAt(help->pos());
        if (item != nullptr && IsCut(item)) {
            QToolTip::showText(help->globalPos(), item->text(), FilesList->viewport());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

bool TSelectFilesForm::IsCut(const QListWidgetItem* item) const {
    // The style keeps this margin on either side of an item's text.
    const int margin = FilesList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, FilesList) + 1;
    const int room = FilesList->visualItemRect(item).width() - 2 * margin;
    return FilesList->fontMetrics().horizontalAdvance(item->text()) > room;
}

std::vector<std::string> TSelectFilesForm::Entries() const {
    std::vector<std::string> entries;
    for (int i = 0; i < FilesList->count(); ++i) {
        entries.push_back(FilesList->item(i)->text().toStdString());
    }
    return entries;
}

void TSelectFilesForm::ClearFilesList() {
    isChangingList_ = true;
    FilesList->clear();
    isChangingList_ = false;
}

void TSelectFilesForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TSelectFilesForm::FormShow() { RefreshRemoveButton(); }

void TSelectFilesForm::RefreshRemoveButton() {
    btnRemoveFromList->setEnabled(FilesList->count() > 0);
}

bool TSelectFilesForm::LoadPreview(const std::string& path) {
    try {
        ImagePreview->SetPicture(stampwise::ReadPictureFile(path));
        return true;
    } catch (...) {
        // Whatever the reason (no such file, a folder, not a picture, a broken one), the user is
        // told which file could not be shown; the preview keeps its last picture.
        forms_.Boxes().Information(stampwise::OpenErrorText(path));
        return false;
    }
}

void TSelectFilesForm::slvFilesClick() {
    const std::string path = slvFiles->SelectedPath();
    switch (stampwise::ShellListClickAction(slvFiles->HasSelection(), path)) {
    case stampwise::ShellClickAction::ClearPreview:
        ImagePreview->Clear();
        lblWarning->show();
        btnAddToList->setEnabled(false);
        return;
    case stampwise::ShellClickAction::Ignore:
        return;
    case stampwise::ShellClickAction::LoadPreview:
        btnAddToList->setEnabled(LoadPreview(path));
        lblWarning->hide();
        return;
    }
}

void TSelectFilesForm::SpeedButton1Click() {
    const std::string path = slvFiles->SelectedPath();
    if (stampwise::CanAddToList(path)) {
        isChangingList_ = true;
        FilesList->addItem(QString::fromStdString(path));
        isChangingList_ = false;
    } else {
        forms_.Boxes().Notice(stampwise::kUnsupportedFormatText);
    }
    RefreshRemoveButton();
}

void TSelectFilesForm::SpeedButton2Click() {
    const QList<QListWidgetItem*> selected = FilesList->selectedItems();
    if (selected.isEmpty()) return;
    isChangingList_ = true;
    delete FilesList->takeItem(FilesList->row(selected.first()));
    FilesList->setCurrentRow(-1);
    FilesList->clearSelection();
    isChangingList_ = false;
    // The remove button is left as it is, even when the list is now empty: pressing it again
    // removes nothing, and the next showing, add or click in the list refreshes it.
}

void TSelectFilesForm::FilesListClick() {
    const QList<QListWidgetItem*> selected = FilesList->selectedItems();
    if (!selected.isEmpty()) LoadPreview(selected.first()->text().toStdString());
    RefreshRemoveButton();
}

void TSelectFilesForm::btnNextClick() {
    forms_.Flow().FilesNextClicked(forms_.SelectedSourceFolder(), Entries());
}
