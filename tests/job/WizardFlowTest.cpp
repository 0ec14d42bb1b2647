#include "job/WizardFlow.h"

#include <gtest/gtest.h>

#include <set>

#include "support/ScriptedMessageBoxes.h"
#include "support/TempFolder.h"

namespace stampwise {
namespace {

using testing::ScriptedMessageBoxes;
using testing::TempFolder;

// Records which windows are visible and how often the file list was emptied.
class FakeWindows : public WizardWindows {
public:
    void ShowForm(FormId id) override {
        visible.insert(id);
        log.push_back(std::string("show ") + FormInstanceName(id));
    }
    void HideForm(FormId id) override {
        visible.erase(id);
        log.push_back(std::string("hide ") + FormInstanceName(id));
    }
    void ClearFilesList() override { log.push_back("clear FilesList"); }

    std::set<FormId> visible{FormId::MainForm};
    std::vector<std::string> log;
};

class WizardFlowTest : public ::testing::Test {
protected:
    JobState job;
    FakeWindows windows;
    ScriptedMessageBoxes boxes;
    WizardFlow flow{job, windows, boxes};
};

TEST_F(WizardFlowTest, AFolderRunGoesFromTheMainWindowToTheParametersWindow) {
    TempFolder dir;
    dir.WriteFile("a.jpg", "x");

    flow.ResizeClicked();
    EXPECT_EQ(job.Operation, "resize");
    flow.SelectFolderClicked();
    EXPECT_EQ(job.SourceKind, "folder");
    ASSERT_TRUE(flow.FolderNextClicked(dir.String(), {}));
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{dir.String() + "/a.jpg"});
    flow.TargetNextClicked(keyword::kSubfolder);
    EXPECT_EQ(job.TargetMode, "subfolder");

    EXPECT_EQ(windows.log, (std::vector<std::string>{
                               "show FilesSelectQueryForm", "clear FilesList", "hide FilesSelectQueryForm",
                               "show SelectFolderForm", "hide SelectFolderForm", "show SelectTargetForm",
                               "hide SelectTargetForm", "show ResizeParamsForm"}));
    EXPECT_EQ(windows.visible, (std::set<FormId>{FormId::MainForm, FormId::ResizeParamsForm}));
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(WizardFlowTest, AFileListRunEndsAtTheWatermarkWindow) {
    flow.WatermarkClicked();
    flow.SelectFilesClicked();
    ASSERT_TRUE(flow.FilesNextClicked("", {"/x/1.jpg", "/x/1.jpg"}));
    EXPECT_EQ(job.SourceKind, "files");
    EXPECT_EQ(job.SourceFiles.size(), 2u);
    flow.TargetNextClicked(keyword::kPrefix);
    EXPECT_EQ(windows.visible, (std::set<FormId>{FormId::MainForm, FormId::WatermarkParamsForm}));
}

TEST_F(WizardFlowTest, EveryRunEmptiesTheFileListAfterShowingTheQuestion) {
    flow.ResizeClicked();
    flow.WatermarkClicked();
    EXPECT_EQ(windows.log, (std::vector<std::string>{"show FilesSelectQueryForm", "clear FilesList",
                                                     "show FilesSelectQueryForm", "clear FilesList"}));
}

TEST_F(WizardFlowTest, SourceWindowStaysWhenNothingIsFound) {
    TempFolder empty;
    flow.ResizeClicked();
    flow.SelectFolderClicked();
    job.SourceFiles = {"/earlier.jpg"};
    EXPECT_FALSE(flow.FolderNextClicked(empty.String(), {}));
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"В каталоге нет файлов с расширением jpg!"});
    EXPECT_TRUE(windows.visible.count(FormId::SelectFolderForm));
    EXPECT_FALSE(windows.visible.count(FormId::SelectTargetForm));
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{"/earlier.jpg"});

    flow.SelectFilesClicked();
    EXPECT_FALSE(flow.FilesNextClicked("", {}));
    EXPECT_EQ(boxes.Texts().back(), "Не выбраны файлы для преобразования!");
    EXPECT_TRUE(windows.visible.count(FormId::SelectFilesForm));
}

TEST_F(WizardFlowTest, FolderWindowLeftOpenUsesTheListWhenSourceKindIsFiles) {
    TempFolder dir;
    dir.WriteFile("folder.jpg", "x");
    flow.ResizeClicked();
    flow.SelectFilesClicked();
    ASSERT_TRUE(flow.FolderNextClicked(dir.String(), {"/list/only.jpg"}));
    EXPECT_EQ(job.SourceFiles, std::vector<std::string>{"/list/only.jpg"});
}

TEST_F(WizardFlowTest, OperationSwitchedMidRunDecidesTheParametersWindow) {
    flow.WatermarkClicked();
    flow.SelectFilesClicked();
    ASSERT_TRUE(flow.FilesNextClicked("", {"/x/1.jpg"}));
    flow.ResizeClicked();  // the user starts over from the main window while the target window is open
    EXPECT_EQ(job.Operation, "resize");
    flow.TargetNextClicked(keyword::kSuffix);
    EXPECT_TRUE(windows.visible.count(FormId::ResizeParamsForm));
    EXPECT_FALSE(windows.visible.count(FormId::WatermarkParamsForm));
    EXPECT_EQ(job.SourceKind, "files");  // never reset by a new run
}

TEST_F(WizardFlowTest, CloseAsksAndFollowsTheAnswer) {
    EXPECT_FALSE(flow.CloseClicked());
    boxes.AnswerNext(true);
    EXPECT_TRUE(flow.CloseClicked());
    EXPECT_EQ(boxes.shown, (std::vector<testing::ShownBox>{
                               {testing::ShownBox::Kind::Question, "Закрыть программу?"},
                               {testing::ShownBox::Kind::Question, "Закрыть программу?"}}));
}

TEST_F(WizardFlowTest, UnknownTargetKeywordShowsNoParametersWindow) {
    job.Operation = "Resize";
    flow.TargetNextClicked(keyword::kFolder);
    EXPECT_EQ(windows.visible, std::set<FormId>{FormId::MainForm});
}

TEST(FormTable, NamesAndCaptionsFollowTheCreationOrder) {
    std::vector<std::string> names;
    for (FormId id : kFormCreationOrder) names.push_back(FormInstanceName(id));
    EXPECT_EQ(names, (std::vector<std::string>{"MainForm", "FilesSelectQueryForm", "SelectFolderForm",
                                               "ResizeParamsForm", "SelectTargetForm", "ReportForm",
                                               "WatermarkParamsForm", "AboutForm", "SelectFilesForm"}));
    EXPECT_STREQ(FormCaption(FormId::SelectTargetForm), "Выбор способа сохранения результатов");
    EXPECT_STREQ(FormCaption(FormId::MainForm), "");
}

}  // namespace
}  // namespace stampwise
