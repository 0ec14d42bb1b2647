#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"
#include "uisupport/FormsFixture.h"
#include "uisupport/WizardMouse.h"
#include "wizard/SelectFolderUnit.h"
#include "widgets/ShellTreeUnit.h"

namespace stampwise::testing {
namespace {

class FolderWindow : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        Control<QPushButton>(FormId::MainForm, "btnResize")->click();
        Control<QPushButton>(FormId::FilesSelectQueryForm, "btnSelectFolder")->click();
        tree = Control<TShellFolderTree>(FormId::SelectFolderForm, "stvSourceFolder");
    }
    std::string SelectedLabel() {
        return Control<QLabel>(FormId::SelectFolderForm, "lblSelectedSourceFolder")->text().toStdString();
    }

    TShellFolderTree* tree = nullptr;
    TempFolder folder;
};

TEST_F(FolderWindow, TheTreeShowsFoldersFromTheRootOpenedAtHomeWithNothingSelected) {
    EXPECT_TRUE(forms->Form(FormId::SelectFolderForm)->isVisible());
    QFileSystemModel* model = tree->FileModel();
    EXPECT_EQ(model->rootPath().toStdString(), "/");
    EXPECT_FALSE(model->filter() & QDir::Files);
    EXPECT_TRUE(model->filter() & QDir::AllDirs);
    const QModelIndex home = model->index(QDir::homePath());
    ASSERT_TRUE(home.isValid());
    for (QModelIndex i = home.parent(); i.isValid(); i = i.parent()) {
        EXPECT_TRUE(tree->isExpanded(i)) << model->filePath(i).toStdString();
    }
    EXPECT_EQ(forms->SelectFolderForm->SelectedFolder(), "");
    EXPECT_EQ(SelectedLabel(), "");
}

TEST_F(FolderWindow, AFileInTheFolderIsNotListedInTheTree) {
    folder.MakeFolder("inner");
    folder.WriteFile("note.txt", "x");
    QFileSystemModel* model = tree->FileModel();
    const QModelIndex parent = model->index(QString::fromStdString(folder.String()));
    model->fetchMore(parent);
    ASSERT_TRUE(WaitUntil([&] { return model->rowCount(parent) >= 1; }));
    QApplication::processEvents();
    std::vector<std::string> names;
    for (int r = 0; r < model->rowCount(parent); ++r) {
        names.push_back(model->index(r, 0, parent).data().toString().toStdString());
    }
    EXPECT_EQ(names, std::vector<std::string>{"inner"});
}

TEST_F(FolderWindow, ClickingAFolderShowsItsFullPathBelowTheTree) {
    const std::string inner = folder.MakeFolder("Фото");
    forms->SelectFolderForm->SetSelectedFolder(folder.String());
    QFileSystemModel* model = tree->FileModel();
    const QModelIndex parent = model->index(QString::fromStdString(folder.String()));
    tree->expand(parent);
    ASSERT_TRUE(WaitUntil([&] { return model->rowCount(parent) == 1; }));
    const QModelIndex index = model->index(QString::fromStdString(inner));
    ASSERT_TRUE(WaitUntil([&] {
        tree->scrollTo(index);
        return tree->visualRect(index).isValid();
    }));
    ClickItem(tree, index);
    EXPECT_EQ(forms->SelectFolderForm->SelectedFolder(), inner);
    EXPECT_EQ(SelectedLabel(), inner);

    tree->clearSelection();
    EXPECT_EQ(SelectedLabel(), "");
    // A right click selects too. The model may still be laying out rows it is loading in the
    // background, so the click is aimed again at where the folder stands now until it lands.
    EXPECT_TRUE(WaitUntil([&] {
        tree->scrollTo(index);
        ClickAt(tree->viewport(), tree->visualRect(index).center(), Qt::RightButton);
        return SelectedLabel() == inner;
    }));
}

TEST_F(FolderWindow, NextWithoutPicturesShowsTheNoticeAndStays) {
    folder.WriteFile("note.txt", "x");
    forms->SelectFolderForm->SetSelectedFolder(folder.String());
    Control<QPushButton>(FormId::SelectFolderForm, "btnNext")->click();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"В каталоге нет файлов с расширением jpg!"});
    EXPECT_TRUE(forms->Form(FormId::SelectFolderForm)->isVisible());
    EXPECT_FALSE(forms->Form(FormId::SelectTargetForm)->isVisible());
}

TEST_F(FolderWindow, NextWithPicturesListsThemAndShowsTheTargetWindow) {
    WriteTestJpeg(folder.String() + "/a.jpg", 8, 6);
    WriteTestJpeg(folder.String() + "/B.JPG", 8, 6);
    forms->SelectFolderForm->SetSelectedFolder(folder.String());
    Control<QPushButton>(FormId::SelectFolderForm, "btnNext")->click();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(forms->Job().SourceFiles.size(), 2u);
    EXPECT_FALSE(forms->Form(FormId::SelectFolderForm)->isVisible());
    EXPECT_TRUE(forms->Form(FormId::SelectTargetForm)->isVisible());
}

}  // namespace
}  // namespace stampwise::testing
