#include <QApplication>
#include <QDir>
#include <QFileSystemModel>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolTip>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"
#include "uisupport/FormsFixture.h"
#include "uisupport/WizardMouse.h"
#include "widgets/ImageBoxUnit.h"
#include "wizard/SelectFilesUnit.h"
#include "widgets/ShellListUnit.h"
#include "widgets/ShellTreeUnit.h"

namespace stampwise::testing {
namespace {

class FileListWindow : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        // 426 × 448 is twice the preview area, so it is shown at exactly half its size.
        photo = folder.String() + "/photo.JPG";
        WriteTestJpeg(photo, 426, 448);
        small = folder.String() + "/small.jpg";
        WriteTestJpeg(small, 40, 30);
        png = folder.WriteFile("photo.png", "not really a png");
        broken = folder.WriteFile("broken.jpg", "no jpeg at all");
        fakeFolder = folder.MakeFolder("x.jpg");

        Control<QPushButton>(FormId::MainForm, "btnResize")->click();
        Control<QPushButton>(FormId::FilesSelectQueryForm, "btnSelectFiles")->click();
        form = forms->Window<TSelectFilesForm>(stampwise::FormId::SelectFilesForm);
        shellList = Control<TShellFileList>(FormId::SelectFilesForm, "slvFiles");
        preview = Control<TImageBox>(FormId::SelectFilesForm, "ImagePreview");
        warning = Control<QLabel>(FormId::SelectFilesForm, "lblWarning");
        add = Control<QPushButton>(FormId::SelectFilesForm, "btnAddToList");
        remove = Control<QPushButton>(FormId::SelectFilesForm, "btnRemoveFromList");
        list = Control<QListWidget>(FormId::SelectFilesForm, "FilesList");

        Control<TShellFolderTree>(FormId::SelectFilesForm, "stvFilesSource")->SelectPath(folder.String());
        ASSERT_EQ(shellList->Folder(), folder.String());
        QFileSystemModel* model = shellList->FileModel();
        ASSERT_TRUE(WaitUntil([&] { return model->rowCount(shellList->rootIndex()) == 5; }));
    }

    // A mouse click on the shell list's item at path.
    void ClickShellItem(const std::string& path) {
        // Persistent: the rows are sorted once all are in, which may move this one meanwhile.
        const QPersistentModelIndex index = shellList->FileModel()->index(QString::fromStdString(path));
        ASSERT_TRUE(index.isValid()) << path;
        ASSERT_TRUE(WaitUntil([&] { return shellList->visualRect(index).isValid(); }));
        ClickItem(shellList, index);
        ASSERT_EQ(shellList->SelectedPath(), path);
    }
    void ClickEmptyShellPart() {
        ClickEmptyPart(shellList);
        ASSERT_FALSE(shellList->HasSelection());
    }
    std::vector<std::string> Entries() { return form->Entries(); }
    void PressKey(QWidget* target, int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(target, &press);
        QApplication::processEvents();
    }

    TempFolder folder;
    std::string photo, small, png, broken, fakeFolder;
    TSelectFilesForm* form = nullptr;
    TShellFileList* shellList = nullptr;
    TImageBox* preview = nullptr;
    QLabel* warning = nullptr;
    QPushButton* add = nullptr;
    QPushButton* remove = nullptr;
    QListWidget* list = nullptr;
};

using FileListWindowAtStart = FormsFixture;

TEST_F(FileListWindowAtStart, HasTheHomeFolderChosenAndListedWithFolderIcons) {
    auto* tree = Control<TShellFolderTree>(FormId::SelectFilesForm, "stvFilesSource");
    auto* shell = Control<TShellFileList>(FormId::SelectFilesForm, "slvFiles");
    const QString home = QDir::homePath();
    EXPECT_EQ(tree->SelectedPath(), home.toStdString());
    EXPECT_EQ(shell->Folder(), home.toStdString());
    const QModelIndex homeItem = tree->FileModel()->index(home);
    EXPECT_TRUE(WaitUntil([&] { return !homeItem.data(Qt::DecorationRole).value<QIcon>().isNull(); }));
}

TEST_F(FileListWindow, AtFirstShowingAddIsEnabledRemoveIsNotAndNoWarningShows) {
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(remove->isEnabled());
    EXPECT_FALSE(warning->isVisible());
    EXPECT_FALSE(preview->HasPicture());
    EXPECT_EQ(list->toolTip().toStdString(), "Щелкните на файле для его просмотра");
}

TEST_F(FileListWindow, TheShellListShowsFoldersAndFilesSortedWithGridLines) {
    EXPECT_TRUE(shellList->showGrid());
    auto names = [this] {
        std::vector<std::string> shown;
        const QModelIndex root = shellList->rootIndex();
        for (int r = 0; r < shellList->model()->rowCount(root); ++r) {
            shown.push_back(shellList->model()->index(r, 0, root).data().toString().toStdString());
        }
        return shown;
    };
    const std::vector<std::string> sorted = {"x.jpg", "broken.jpg", "photo.JPG", "photo.png",
                                             "small.jpg"};
    // The entries arrive from the model's thread; once all are in they stand sorted.
    WaitUntil([&] { return names() == sorted; });
    EXPECT_EQ(names(), sorted);
}

TEST_F(FileListWindow, TheShellListsColumnHeadersAreRussianWithoutQtsTranslations) {
    std::vector<std::string> captions;
    for (int column = 0; column < 4; ++column) {
        captions.push_back(
            shellList->model()->headerData(column, Qt::Horizontal).toString().toStdString());
    }
    EXPECT_EQ(captions, (std::vector<std::string>{"Имя", "Размер", "Тип", "Изменён"}));
}

TEST_F(FileListWindow, ClickingAPicturePreviewsItCentredAndScaledDown) {
    ClickShellItem(photo);
    EXPECT_TRUE(preview->HasPicture());
    EXPECT_EQ(preview->PictureSize(), QSize(426, 448));
    EXPECT_EQ(preview->ShownRect(), QRect(0, 0, 213, 224));
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(warning->isVisible());

    ClickShellItem(small);
    EXPECT_EQ(preview->ShownRect(), QRect((213 - 40) / 2, (224 - 30) / 2, 40, 30));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileListWindow, ClickingAnEmptyPartEmptiesThePreviewWarnsAndDisablesAdding) {
    ClickShellItem(photo);
    ClickEmptyShellPart();
    EXPECT_FALSE(preview->HasPicture());
    EXPECT_TRUE(warning->isVisible());
    EXPECT_EQ(warning->text().toStdString(), "Этот формат файлов не поддерживается!");
    EXPECT_FALSE(add->isEnabled());

    ClickShellItem(small);
    EXPECT_FALSE(warning->isVisible());
    EXPECT_TRUE(add->isEnabled());
}

TEST_F(FileListWindow, ClickingANonPictureChangesNothingAndAddingItIsRefused) {
    ClickShellItem(photo);
    ClickShellItem(png);
    EXPECT_EQ(preview->PictureSize(), QSize(426, 448));
    EXPECT_TRUE(add->isEnabled());
    EXPECT_FALSE(warning->isVisible());
    EXPECT_TRUE(boxes.shown.empty());

    add->click();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Работа с файлами этого формата не поддерживается!"});
    EXPECT_TRUE(Entries().empty());
}

TEST_F(FileListWindow, ANonPictureAfterTheWarningKeepsTheWarningAndAddDisabled) {
    ClickEmptyShellPart();
    ClickShellItem(png);
    EXPECT_TRUE(warning->isVisible());
    EXPECT_FALSE(add->isEnabled());
}

TEST_F(FileListWindow, AFolderNamedLikeAPictureFailsToOpenAndDisablesAdding) {
    ClickShellItem(small);
    ClickShellItem(fakeFolder);
    ASSERT_EQ(boxes.shown.size(), 1u);
    EXPECT_EQ(boxes.shown[0].kind, ShownBox::Kind::Information);
    EXPECT_EQ(boxes.shown[0].text, "Ошибка при открытии файла \n\r" + fakeFolder);
    EXPECT_FALSE(add->isEnabled());
    EXPECT_FALSE(warning->isVisible());
    EXPECT_EQ(preview->PictureSize(), QSize(40, 30));

    // It passes the picture test, so the add button takes it all the same.
    add->setEnabled(true);
    add->click();
    EXPECT_EQ(Entries(), std::vector<std::string>{fakeFolder});
}

TEST_F(FileListWindow, AddingTwiceGivesTwoEntriesAndLeavesTheListSelectionAlone) {
    ClickShellItem(photo);
    add->click();
    EXPECT_TRUE(remove->isEnabled());
    list->setCurrentRow(0);
    add->click();
    EXPECT_EQ(Entries(), (std::vector<std::string>{photo, photo}));
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->selectedItems().size(), 1);
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(FileListWindow, AddingWithNothingSelectedInTheShellListIsRefused) {
    ClickEmptyShellPart();
    add->setEnabled(true);
    add->click();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Работа с файлами этого формата не поддерживается!"});
    EXPECT_TRUE(Entries().empty());
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(FileListWindow, RemovingDeletesTheSelectedEntryAndSelectsNothing) {
    ClickShellItem(photo);
    add->click();
    ClickShellItem(small);
    add->click();
    remove->click();  // nothing selected: nothing goes
    EXPECT_EQ(Entries().size(), 2u);
    ClickItem(list, list->model()->index(0, 0));
    remove->click();
    EXPECT_EQ(Entries(), std::vector<std::string>{small});
    EXPECT_TRUE(list->selectedItems().isEmpty());
}

TEST_F(FileListWindow, RemovingTheLastEntryLeavesRemoveEnabledUntilTheNextShowing) {
    ClickShellItem(photo);
    add->click();
    list->setCurrentRow(0);
    remove->click();
    EXPECT_TRUE(Entries().empty());
    EXPECT_TRUE(remove->isEnabled());
    remove->click();
    EXPECT_TRUE(Entries().empty());

    form->hide();
    forms->ShowForm(FormId::SelectFilesForm);
    EXPECT_FALSE(remove->isEnabled());
}

TEST_F(FileListWindow, ClickingAnEntryPreviewsItAndABrokenOneKeepsThePreview) {
    ClickShellItem(small);
    add->click();
    ClickShellItem(broken);
    add->click();
    ClickShellItem(photo);
    EXPECT_EQ(preview->PictureSize(), QSize(426, 448));

    ClickItem(list, list->model()->index(0, 0));
    EXPECT_EQ(preview->PictureSize(), QSize(40, 30));
    ClickItem(list, list->model()->index(1, 0));
    EXPECT_EQ(preview->PictureSize(), QSize(40, 30));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Ошибка при открытии файла \n\r" + broken});
    // A click on the entry that is selected already shows it again.
    ClickItem(list, list->model()->index(0, 0));
    ClickShellItem(photo);
    ASSERT_EQ(preview->PictureSize(), QSize(426, 448));
    ClickItem(list, list->model()->index(0, 0));
    EXPECT_EQ(preview->PictureSize(), QSize(40, 30));
}

TEST_F(FileListWindow, TheArrowKeysPreviewEachEntryInTurn) {
    ClickShellItem(small);
    add->click();
    ClickShellItem(photo);
    add->click();
    ClickItem(list, list->model()->index(0, 0));
    EXPECT_EQ(preview->PictureSize(), QSize(40, 30));
    list->setFocus();
    PressKey(list, Qt::Key_Down);
    EXPECT_EQ(preview->PictureSize(), QSize(426, 448));
    PressKey(list, Qt::Key_Up);
    EXPECT_EQ(preview->PictureSize(), QSize(40, 30));
}

// Folders made by another program while the window is open: the tree, which has read the folder
// already, shows them as they are, and the list opens one in the tree on a double click.
TEST_F(FileListWindow, AFolderMadeMeanwhileShowsInTheTreeAndOpensFromTheList) {
    auto* tree = Control<TShellFolderTree>(FormId::SelectFilesForm, "stvFilesSource");
    QFileSystemModel* treeModel = tree->FileModel();
    const QModelIndex listed = treeModel->index(QString::fromStdString(folder.String()));
    tree->expand(listed);
    ASSERT_TRUE(WaitUntil([&] { return treeModel->rowCount(listed) == 1; }));  // x.jpg
    const std::string made = folder.MakeFolder("Двойники");
    tree->collapse(listed);
    tree->expand(listed);
    EXPECT_TRUE(WaitUntil([&] { return treeModel->rowCount(listed) == 2; }));

    PressKey(shellList, Qt::Key_F5);
    QFileSystemModel* listModel = shellList->FileModel();
    ASSERT_TRUE(WaitUntil([&] { return listModel->rowCount(shellList->rootIndex()) == 6; }));
    // The rows are sorted once all are in, which moves them.
    const QPersistentModelIndex item = listModel->index(QString::fromStdString(made));
    ASSERT_TRUE(WaitUntil([&] { return shellList->visualRect(item).isValid(); }));
    DoubleClickItem(shellList, item);
    EXPECT_EQ(tree->SelectedPath(), made);
    EXPECT_EQ(shellList->Folder(), made);
}

TEST_F(FileListWindow, F5InTheTreeReadsTheListedFolderAgainAndKeepsItChosen) {
    auto* tree = Control<TShellFolderTree>(FormId::SelectFilesForm, "stvFilesSource");
    folder.WriteFile("late.jpg", "x");
    PressKey(tree, Qt::Key_F5);
    EXPECT_EQ(tree->SelectedPath(), folder.String());
    EXPECT_EQ(shellList->Folder(), folder.String());
    QFileSystemModel* listModel = shellList->FileModel();
    EXPECT_TRUE(WaitUntil([&] { return listModel->rowCount(shellList->rootIndex()) == 6; }));
}

// Names of one folder differ at their ends; cut at the end they could not be told apart.
TEST_F(FileListWindow, LongNamesAreCutInTheMiddleAndShownWholeInTheirTooltips) {
    const std::string stem(120, 'n');
    const std::string longPhoto = folder / (stem + "1.jpg");
    WriteTestJpeg(longPhoto, 8, 6);
    PressKey(shellList, Qt::Key_F5);
    QFileSystemModel* listModel = shellList->FileModel();
    const QModelIndex item = listModel->index(QString::fromStdString(longPhoto));
    ASSERT_TRUE(WaitUntil([&] { return listModel->rowCount(shellList->rootIndex()) == 6; }));
    EXPECT_EQ(item.data(Qt::ToolTipRole).toString().toStdString(), longPhoto);

    ClickShellItem(longPhoto);
    add->click();
    ClickShellItem(small);
    add->click();
    auto tooltipOver = [this](int row) {
        QToolTip::hideText();
        const QPoint at = list->visualItemRect(list->item(row)).center();
        QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
        QApplication::sendEvent(list->viewport(), &help);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : std::string();
    };
    EXPECT_LE(list->visualItemRect(list->item(0)).right(), list->viewport()->width());
    EXPECT_EQ(tooltipOver(0), longPhoto);
    // A path that fits leaves the list's own hint.
    EXPECT_EQ(tooltipOver(1), "Щелкните на файле для его просмотра");
}

TEST_F(FileListWindow, NextWithAnEmptyListShowsTheNoticeAndStays) {
    Control<QPushButton>(FormId::SelectFilesForm, "btnNext")->click();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Не выбраны файлы для преобразования!"});
    EXPECT_TRUE(form->isVisible());
}

TEST_F(FileListWindow, ANewRunEmptiesTheList) {
    ClickShellItem(small);
    add->click();
    Control<QPushButton>(FormId::MainForm, "btnResize")->click();
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace stampwise::testing
