#include <QDir>
#include <QFileSystemModel>
#include <QLabel>
#include <QPushButton>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"
#include "uisupport/FormsFixture.h"
#include "uisupport/WizardMouse.h"
#include "wizard/SelectFolderUnit.h"
#include "widgets/PathLabelUnit.h"
#include "widgets/ShellTreeUnit.h"

namespace stampwise::testing {
namespace {

// Sets an environment variable for one test and puts back what was there.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) setenv(name_, old_->c_str(), 1);
        else unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// The desktop's folders are looked up when the window is made, so the test's home stands in for
// the user's before that.
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
    TempFolder home;
    // No user-dirs.dirs there, so the Pictures folder is home's own "Pictures".
    ScopedEnv homeEnv{"HOME", home.String()};
    ScopedEnv configEnv{"XDG_CONFIG_HOME", home / ".config"};
};

TEST_F(FolderWindow, TheTreeShowsFoldersFromTheRoot) {
    EXPECT_TRUE(forms->Form(FormId::SelectFolderForm)->isVisible());
    QFileSystemModel* model = tree->FileModel();
    EXPECT_EQ(model->rootPath().toStdString(), "/");
    EXPECT_FALSE(model->filter() & QDir::Files);
    EXPECT_TRUE(model->filter() & QDir::AllDirs);
}

class FolderWindowWithPictures : public FolderWindow {
protected:
    void SetUp() override {
        pictures = home.MakeFolder("Pictures");
        FolderWindow::SetUp();
    }
    std::string pictures;
};

TEST_F(FolderWindowWithPictures, OpensWithThePicturesFolderSelectedAndInView) {
    EXPECT_EQ(forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SelectedFolder(), pictures);
    EXPECT_EQ(SelectedLabel(), pictures);
    const QModelIndex index = tree->FileModel()->index(QString::fromStdString(pictures));
    // The rows above it arrive in the background and may push it away until they have settled.
    // Its row is in sight, and the start of its name: the column is as wide as the widest name,
    // which may reach beyond the tree's right edge.
    EXPECT_TRUE(WaitUntil([&] {
        const QRect shown = tree->viewport()->rect();
        const QRect row = tree->visualRect(index);
        return row.top() >= shown.top() && row.bottom() <= shown.bottom() &&
               shown.contains(row.topLeft());
    }));
}

TEST_F(FolderWindow, NextWithNoFolderSelectedShowsTheNoticeAndStays) {
    // Pictures in the working directory must not stand in for a folder never chosen.
    const std::filesystem::path workingBefore = std::filesystem::current_path();
    WriteTestJpeg(folder / "here.jpg", 8, 6);
    std::filesystem::current_path(folder.Path());
    tree->clearSelection();
    ASSERT_EQ(forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SelectedFolder(), "");
    Control<QPushButton>(FormId::SelectFolderForm, "btnNext")->click();
    std::filesystem::current_path(workingBefore);
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"В каталоге нет файлов с расширением jpg!"});
    EXPECT_TRUE(forms->Job().SourceFiles.empty());
    EXPECT_TRUE(forms->Form(FormId::SelectFolderForm)->isVisible());
    EXPECT_FALSE(forms->Form(FormId::SelectTargetForm)->isVisible());
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
    forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(folder.String());
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
    EXPECT_EQ(forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SelectedFolder(), inner);
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

TEST_F(FolderWindow, ALongPathIsCutInItsMiddleBelowTheTreeAndShownWholeInTheTooltip) {
    const std::string deep = folder.MakeFolder(std::string(60, 'a') + "/" + std::string(60, 'b') + "/Фото 2");
    forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(deep);
    auto* label = Control<TPathLabel>(FormId::SelectFolderForm, "lblSelectedSourceFolder");
    const QString path = QString::fromStdString(deep);
    EXPECT_EQ(label->text(), path);
    EXPECT_EQ(label->toolTip(), path);
    const QString shown = label->ShownText();
    EXPECT_LE(label->fontMetrics().horizontalAdvance(shown), label->contentsRect().width());
    EXPECT_TRUE(shown.startsWith(path.left(8))) << shown.toStdString();
    EXPECT_TRUE(shown.endsWith(QStringLiteral("/Фото 2"))) << shown.toStdString();
}

TEST_F(FolderWindow, NextWithoutPicturesShowsTheNoticeAndStays) {
    folder.WriteFile("note.txt", "x");
    forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(folder.String());
    Control<QPushButton>(FormId::SelectFolderForm, "btnNext")->click();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"В каталоге нет файлов с расширением jpg!"});
    EXPECT_TRUE(forms->Form(FormId::SelectFolderForm)->isVisible());
    EXPECT_FALSE(forms->Form(FormId::SelectTargetForm)->isVisible());
}

TEST_F(FolderWindow, NextWithPicturesListsThemAndShowsTheTargetWindow) {
    WriteTestJpeg(folder.String() + "/a.jpg", 8, 6);
    WriteTestJpeg(folder.String() + "/B.JPG", 8, 6);
    forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(folder.String());
    Control<QPushButton>(FormId::SelectFolderForm, "btnNext")->click();
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(forms->Job().SourceFiles.size(), 2u);
    EXPECT_FALSE(forms->Form(FormId::SelectFolderForm)->isVisible());
    EXPECT_TRUE(forms->Form(FormId::SelectTargetForm)->isVisible());
}

}  // namespace
}  // namespace stampwise::testing
