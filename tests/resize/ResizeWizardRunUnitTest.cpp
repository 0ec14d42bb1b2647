// Whole resize jobs driven through the real windows by their control names, as a user would with
// the mouse, with the message boxes answered by the test.
#include <QFileSystemModel>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "support/TestJpegFiles.h"
#include "uisupport/FormsFixture.h"
#include "uisupport/WizardMouse.h"
#include "widgets/ShellListUnit.h"
#include "widgets/ShellTreeUnit.h"
#include "widgets/SpinEditUnit.h"

namespace stampwise::testing {
namespace {

class ResizeRun : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        big = folder.String() + "/big.jpg";
        WriteTestJpeg(big, 1600, 1200);
        small = folder.String() + "/small.JPG";
        WriteTestJpeg(small, 640, 480);
        tall = folder.String() + "/tall.jpg";
        WriteTestJpeg(tall, 1000, 1999);
    }

    void Click(FormId form, const char* name) {
        QAbstractButton* button = Control<QAbstractButton>(form, name);
        ASSERT_NE(button, nullptr);
        ASSERT_TRUE(button->isVisible()) << FormInstanceName(form) << "." << name;
        button->click();
    }
    bool IsShown(FormId form) { return forms->Form(form)->isVisible(); }
    std::string TargetText(const char* field) {
        return Control<QLineEdit>(FormId::SelectTargetForm, field)->text().toStdString();
    }
    std::vector<std::vector<std::string>> ReportRows() {
        auto* list = Control<QTreeWidget>(FormId::ReportForm, "lvReport");
        std::vector<std::vector<std::string>> rows;
        for (int r = 0; r < list->topLevelItemCount(); ++r) {
            std::vector<std::string> row;
            for (int c = 0; c < list->columnCount(); ++c) {
                row.push_back(list->topLevelItem(r)->text(c).toStdString());
            }
            rows.push_back(row);
        }
        return rows;
    }

    // A resize run over folder, from the main window to the target window.
    void FolderRunToTheTargetWindow(const std::string& sourceFolder) {
        Click(FormId::MainForm, "btnResize");
        Click(FormId::FilesSelectQueryForm, "btnSelectFolder");
        SelectFolderInTree(sourceFolder);
        Click(FormId::SelectFolderForm, "btnNext");
        ASSERT_TRUE(IsShown(FormId::SelectTargetForm));
    }
    void SelectFolderInTree(const std::string& path) {
        Control<TShellFolderTree>(FormId::SelectFolderForm, "stvSourceFolder")->SelectPath(path);
    }
    void SetTargetText(const char* field, const std::string& text) {
        Control<QLineEdit>(FormId::SelectTargetForm, field)->setText(QString::fromStdString(text));
    }

    TempFolder folder;
    std::string big, small, tall;
};

TEST_F(ResizeRun, AFolderToAFixedWidthIntoTheSubfolder) {
    Click(FormId::MainForm, "btnResize");
    EXPECT_EQ(Control<QAbstractButton>(FormId::FilesSelectQueryForm, "btnSelectFolder")->text().toStdString(),
              "Выбрать папку для обработки");
    Click(FormId::FilesSelectQueryForm, "btnSelectFolder");
    ASSERT_TRUE(IsShown(FormId::SelectFolderForm));
    Control<TShellFolderTree>(FormId::SelectFolderForm, "stvSourceFolder")->SelectPath(folder.String());
    Click(FormId::SelectFolderForm, "btnNext");

    ASSERT_TRUE(IsShown(FormId::SelectTargetForm));
    EXPECT_EQ(TargetText("edPrefix"), "resized_");
    EXPECT_EQ(TargetText("edSuffix"), "_resized");
    EXPECT_EQ(TargetText("edSubfolder"), "Resized");
    EXPECT_TRUE(Control<QRadioButton>(FormId::SelectTargetForm, "rbCreateSubFolder")->isChecked());
    Click(FormId::SelectTargetForm, "btnNext");

    ASSERT_TRUE(IsShown(FormId::ResizeParamsForm));
    EXPECT_FALSE(IsShown(FormId::SelectTargetForm));
    Control<TSpinEdit>(FormId::ResizeParamsForm, "seWidth")->SetText("800");
    boxes.AnswerNext(true);
    Click(FormId::ResizeParamsForm, "btnNext");

    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].kind, ShownBox::Kind::Question);
    EXPECT_EQ(boxes.shown[0].text,
              "Вы действительно хотите преобразовать картинки \n\rв папке [" + folder.String() +
                  "] с расширением jpg (всего 3),\n\rчтобы их ширина стала 800 пикс., и сохранить в "
                  "подкаталог [Resized]?");
    EXPECT_EQ(boxes.shown[1], (ShownBox{ShownBox::Kind::Information, "Размеры картинок удачно изменены!"}));

    EXPECT_FALSE(IsShown(FormId::ResizeParamsForm));
    EXPECT_TRUE(IsShown(FormId::ReportForm));
    const std::string out = folder.String() + "/Resized/";
    EXPECT_EQ(ReportRows(), (std::vector<std::vector<std::string>>{
                                {big, "1600x1200", out + "big.jpg", "800x600", "Успешно"},
                                {small, "640x480", out + "small.JPG", "640x480", "Успешно"},
                                {tall, "1000x1999", out + "tall.jpg", "800x1599", "Успешно"},
                            }));
    EXPECT_EQ(JpegFileSize(out + "big.jpg"), (PictureSize{800, 600}));
    EXPECT_EQ(JpegFileSize(out + "small.JPG"), (PictureSize{640, 480}));
    EXPECT_EQ(JpegFileSize(out + "tall.jpg"), (PictureSize{800, 1599}));
    EXPECT_EQ(JpegFileSize(big), (PictureSize{1600, 1200}));
    EXPECT_TRUE(forms->Job().SourceFiles.empty());

    Click(FormId::ReportForm, "btnFinished");
    EXPECT_FALSE(IsShown(FormId::ReportForm));
    EXPECT_TRUE(IsShown(FormId::MainForm));
}

TEST_F(ResizeRun, AHandMadeListByPercentWithASuffix) {
    Click(FormId::MainForm, "btnResize");
    Click(FormId::FilesSelectQueryForm, "btnSelectFiles");
    ASSERT_TRUE(IsShown(FormId::SelectFilesForm));
    Control<TShellFolderTree>(FormId::SelectFilesForm, "stvFilesSource")->SelectPath(folder.String());
    auto* shellList = Control<TShellFileList>(FormId::SelectFilesForm, "slvFiles");
    QFileSystemModel* model = shellList->FileModel();
    ASSERT_TRUE(WaitUntil([&] { return model->rowCount(shellList->rootIndex()) == 3; }));
    auto clickShellItem = [&](const std::string& path) {
        const QModelIndex index = model->index(QString::fromStdString(path));
        ASSERT_TRUE(WaitUntil([&] { return shellList->visualRect(index).isValid(); }));
        ClickItem(shellList, index);
    };
    auto* filesList = Control<QListWidget>(FormId::SelectFilesForm, "FilesList");

    clickShellItem(big);
    Click(FormId::SelectFilesForm, "btnAddToList");
    Click(FormId::SelectFilesForm, "btnAddToList");  // the same file twice
    clickShellItem(small);
    Click(FormId::SelectFilesForm, "btnAddToList");
    ClickItem(filesList, filesList->model()->index(1, 0));
    Click(FormId::SelectFilesForm, "btnRemoveFromList");
    ASSERT_EQ(filesList->count(), 2);
    Click(FormId::SelectFilesForm, "btnNext");

    ASSERT_TRUE(IsShown(FormId::SelectTargetForm));
    EXPECT_EQ(forms->Job().SourceKind, "files");
    Click(FormId::SelectTargetForm, "rbSuffix");
    Click(FormId::SelectTargetForm, "btnNext");

    ASSERT_TRUE(IsShown(FormId::ResizeParamsForm));
    Click(FormId::ResizeParamsForm, "rbPercents");
    boxes.AnswerNext(true);
    Click(FormId::ResizeParamsForm, "btnNext");

    ASSERT_EQ(boxes.shown.size(), 2u);
    EXPECT_EQ(boxes.shown[0].text,
              "Вы действительно хотите преобразовать выбранные 2 файла(ов),\n\rв масштабе 50% и "
              "сохранить в ту же папку с суффиксом _resized?");
    EXPECT_EQ(boxes.shown[1].text, "Размеры картинок удачно изменены!");
    const std::string bigOut = folder.String() + "/big_resized.jpg";
    const std::string smallOut = folder.String() + "/small_resized.JPG";
    EXPECT_EQ(ReportRows(), (std::vector<std::vector<std::string>>{
                                {big, "1600x1200", bigOut, "800x600", "Успешно"},
                                {small, "640x480", smallOut, "320x240", "Успешно"},
                            }));
    EXPECT_EQ(JpegFileSize(bigOut), (PictureSize{800, 600}));
    EXPECT_EQ(JpegFileSize(smallOut), (PictureSize{320, 240}));
    EXPECT_TRUE(forms->Job().SourceFiles.empty());
}

// Windows stay open across runs, so a window of an earlier run can be used after a later run has
// changed what the source and target windows hold. Whatever is pressed reads those windows as they
// are at that moment.
using TwoRuns = ResizeRun;

TEST_F(TwoRuns, TheFolderWindowOfAnEarlierRunReadsTheFileListALaterRunEmptied) {
    Click(FormId::MainForm, "btnResize");
    Click(FormId::FilesSelectQueryForm, "btnSelectFiles");
    Control<QListWidget>(FormId::SelectFilesForm, "FilesList")->addItem(QString::fromStdString(big));
    Click(FormId::SelectFilesForm, "btnNext");
    ASSERT_EQ(forms->Job().SourceFiles, std::vector<std::string>{big});
    forms->Form(FormId::SelectTargetForm)->close();

    Click(FormId::MainForm, "btnResize");
    Click(FormId::FilesSelectQueryForm, "btnSelectFolder");  // left open
    Click(FormId::MainForm, "btnResize");
    Click(FormId::FilesSelectQueryForm, "btnSelectFiles");  // empties the list
    boxes.shown.clear();
    Click(FormId::SelectFolderForm, "btnNext");

    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Не выбраны файлы для преобразования!"});
    EXPECT_TRUE(IsShown(FormId::SelectFolderForm));
    EXPECT_FALSE(IsShown(FormId::SelectTargetForm));
}

TEST_F(TwoRuns, TheFileListWindowOfAnEarlierRunReadsTheFolderTreeALaterRunChanged) {
    const std::string other = folder.MakeFolder("other");
    WriteTestJpeg(other + "/o.jpg", 40, 30);
    FolderRunToTheTargetWindow(folder.String());
    forms->Form(FormId::SelectTargetForm)->close();

    Click(FormId::MainForm, "btnResize");
    Click(FormId::FilesSelectQueryForm, "btnSelectFiles");  // left open, its list empty
    Click(FormId::MainForm, "btnResize");
    Click(FormId::FilesSelectQueryForm, "btnSelectFolder");
    SelectFolderInTree(other);  // and left open
    Click(FormId::SelectFilesForm, "btnNext");

    EXPECT_EQ(forms->Job().SourceFiles, std::vector<std::string>{other + "/o.jpg"});
}

// The question, the summary and the batch speak of the source last confirmed with "Дальше", not
// of what a later run selected in a source window and closed without it.
TEST_F(TwoRuns, TheQuestionSummaryAndBatchNameTheSourceLastConfirmed) {
    const std::string other = folder.MakeFolder("other");
    WriteTestJpeg(other + "/o.jpg", 40, 30);
    struct Route {
        const char* name;
        FormId window;
        std::string sourcePhrase;  // of the question
        std::string summaryPhrase;
        std::vector<std::string> processed;
    };
    const Route routes[] = {
        {"btnSelectFolder", FormId::SelectFolderForm, "в папке [" + folder.String() + "] с расширением jpg (всего 3),",
         "в папке [" + folder.String() + "] с расширением jpg (всего 3)", {big, small, tall}},
        {"btnSelectFiles", FormId::SelectFilesForm, "выбранные 1 файла(ов),", "Выбранные 1 файла(ов)", {tall}},
    };
    for (const Route& route : routes) {
        SCOPED_TRACE(route.name);
        forms = std::make_unique<TFormSet>(boxes, PulseTicks::Injected);
        forms->ShowForm(FormId::MainForm);
        boxes.shown.clear();
        Click(FormId::MainForm, "btnResize");
        Click(FormId::FilesSelectQueryForm, route.name);
        SelectFolderInTree(folder.String());
        Control<QListWidget>(FormId::SelectFilesForm, "FilesList")->addItem(QString::fromStdString(tall));
        Click(route.window, "btnNext");
        ASSERT_TRUE(IsShown(FormId::SelectTargetForm));
        Click(FormId::SelectTargetForm, "rbSuffix");
        Click(FormId::SelectTargetForm, "btnNext");
        ASSERT_TRUE(IsShown(FormId::ResizeParamsForm));

        // A later run selects another folder and leaves without "Дальше".
        Click(FormId::MainForm, "btnResize");
        Click(FormId::FilesSelectQueryForm, "btnSelectFolder");
        SelectFolderInTree(other);
        forms->Form(FormId::SelectFolderForm)->close();

        const std::string summary =
            Control<QLabel>(FormId::ResizeParamsForm, "lblHint")->text().toStdString();
        EXPECT_NE(summary.find(route.summaryPhrase), std::string::npos) << summary;
        boxes.AnswerNext(true);
        Click(FormId::ResizeParamsForm, "btnNext");
        ASSERT_FALSE(boxes.shown.empty());
        EXPECT_NE(boxes.shown[0].text.find(route.sourcePhrase), std::string::npos) << boxes.shown[0].text;
        std::vector<std::string> processed;
        for (const auto& row : ReportRows()) processed.push_back(row[0]);
        EXPECT_EQ(processed, route.processed);
    }
}

TEST_F(TwoRuns, AnOpenSummarySaysALaterRunsConfirmedSourceAtOnce) {
    const std::string other = folder.MakeFolder("other");
    WriteTestJpeg(other + "/o.jpg", 40, 30);
    FolderRunToTheTargetWindow(folder.String());
    Click(FormId::SelectTargetForm, "btnNext");
    ASSERT_TRUE(IsShown(FormId::ResizeParamsForm));

    FolderRunToTheTargetWindow(other);

    const std::string summary = Control<QLabel>(FormId::ResizeParamsForm, "lblHint")->text().toStdString();
    EXPECT_NE(summary.find("[" + other + "] с расширением jpg (всего 1)"), std::string::npos) << summary;
}

TEST_F(TwoRuns, TheBatchOfAnEarlierRunNamesItsResultsByTheTargetFieldsAsTheyStandNow) {
    const std::string out = folder.MakeFolder("out");
    const std::string later = folder.MakeFolder("later");
    struct Case {
        const char* option;
        const char* field;
        std::string typed;      // by the user in the first run
        std::string laterText;  // typed in the later run, whose showing writes the default names
        std::string laterResult;  // under the source folder, or a full path
    };
    const Case cases[] = {
        // The folder field keeps its text between showings.
        {"rbFolder", "edTargetFolder", out, later, later + "/a.jpg"},
        {"rbCreateSubFolder", "edSubfolder", "Mine", "", "Resized/a.jpg"},
        {"rbPrefix", "edPrefix", "small_", "", "resized_a.jpg"},
        {"rbSuffix", "edSuffix", "_small", "", "a_resized.jpg"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const std::string source = folder.MakeFolder(c.field);
        WriteTestJpeg(source + "/a.jpg", 40, 30);
        const std::string result = c.laterResult[0] == '/' ? c.laterResult : source + "/" + c.laterResult;
        forms = std::make_unique<TFormSet>(boxes, PulseTicks::Injected);
        forms->ShowForm(FormId::MainForm);
        FolderRunToTheTargetWindow(source);
        Click(FormId::SelectTargetForm, c.option);
        SetTargetText(c.field, c.typed);
        Click(FormId::SelectTargetForm, "btnNext");
        ASSERT_TRUE(IsShown(FormId::ResizeParamsForm));

        FolderRunToTheTargetWindow(source);
        if (!c.laterText.empty()) SetTargetText(c.field, c.laterText);
        forms->Form(FormId::SelectTargetForm)->close();
        boxes.AnswerNext(true);
        Click(FormId::ResizeParamsForm, "btnNext");

        ASSERT_EQ(ReportRows().size(), 1u);
        EXPECT_EQ(ReportRows()[0][2], result);
        EXPECT_EQ(ReportRows()[0][4], "Успешно");
    }
}

// A folder that cannot take the results is said before any file is read, once per folder with
// why, and the parameters window stays for another try.
TEST_F(ResizeRun, TargetFoldersThatCannotTakeFilesAreSaidBeforeAnyFile) {
    folder.WriteFile("Resized", "a file where the subfolder would go");
    const std::string gone = folder / "gone";
    struct Case {
        const char* option;
        const char* field;
        std::string typed;
        std::vector<std::string> files;
        std::vector<std::string> notices;
    };
    const Case cases[] = {
        // Typed text is used as typed: "~" is no home folder.
        {"rbFolder", "edTargetFolder", "~/Результаты", {big},
         {"Нельзя сохранить файлы в каталог ~/Результаты: нет такого каталога"}},
        {"rbCreateSubFolder", "edSubfolder", "Resized", {big},
         {"Нельзя сохранить файлы в каталог " + folder / "Resized" + ": это файл, а не каталог"}},
        // The list's files of two folders that have gone since: one notice for each folder.
        {"rbPrefix", "edPrefix", "s_", {big, gone + "1/a.jpg", gone + "1/b.jpg", gone + "2/c.jpg"},
         {"Нельзя сохранить файлы в каталог " + gone + "1: нет такого каталога",
          "Нельзя сохранить файлы в каталог " + gone + "2: нет такого каталога"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        Click(FormId::MainForm, "btnResize");
        Click(FormId::FilesSelectQueryForm, "btnSelectFiles");
        auto* list = Control<QListWidget>(FormId::SelectFilesForm, "FilesList");
        for (const std::string& path : c.files) list->addItem(QString::fromStdString(path));
        Click(FormId::SelectFilesForm, "btnNext");
        Click(FormId::SelectTargetForm, c.option);
        SetTargetText(c.field, c.typed);
        Click(FormId::SelectTargetForm, "btnNext");
        boxes.shown.clear();
        boxes.AnswerNext(true);
        Click(FormId::ResizeParamsForm, "btnNext");

        ASSERT_EQ(boxes.shown.size(), c.notices.size() + 1);
        EXPECT_EQ(boxes.shown[0].kind, ShownBox::Kind::Question);
        for (std::size_t i = 0; i < c.notices.size(); ++i) {
            EXPECT_EQ(boxes.shown[i + 1], (ShownBox{ShownBox::Kind::Notice, c.notices[i]}));
        }
        EXPECT_TRUE(IsShown(FormId::ResizeParamsForm));
        EXPECT_FALSE(IsShown(FormId::ReportForm));
        EXPECT_FALSE(forms->Job().SourceFiles.empty());
        forms->Form(FormId::ResizeParamsForm)->close();
    }
}

}  // namespace
}  // namespace stampwise::testing
