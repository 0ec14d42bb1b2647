#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <optional>
#include <string>
#include <vector>

#include "support/TempFolder.h"
#include "uisupport/FormsFixture.h"
#include "wizard/SelectFolderUnit.h"
#include "wizard/SelectTargetUnit.h"

namespace stampwise::testing {
namespace {

class TargetWindow : public FormsFixture {
protected:
    void SetUp() override {
        FormsFixture::SetUp();
        target = forms->Window<TSelectTargetForm>(stampwise::FormId::SelectTargetForm);
        target->ChooseFolder = [this](QWidget*, const std::string& startFolder) {
            ++browseCount;
            browsedFrom = startFolder;
            return nextChoice;
        };
    }

    std::string Text(const char* field) {
        return Control<QLineEdit>(FormId::SelectTargetForm, field)->text().toStdString();
    }
    void SetText(const char* field, const char* text) {
        Control<QLineEdit>(FormId::SelectTargetForm, field)->setText(QString::fromUtf8(text));
    }
    bool IsEnabled(const char* name) {
        return Control<QWidget>(FormId::SelectTargetForm, name)->isEnabled();
    }
    void Click(const char* name) { Control<QAbstractButton>(FormId::SelectTargetForm, name)->click(); }
    void ShowFor(const char* operation) {
        forms->Job().Operation = operation;
        forms->ShowForm(FormId::SelectTargetForm);
    }

    TSelectTargetForm* target = nullptr;
    std::optional<std::string> nextChoice;
    int browseCount = 0;
    std::string browsedFrom;
    TempFolder folder;
};

TEST_F(TargetWindow, AtStartTheSubfolderOptionIsSelectedAndOnlyItsFieldEnabled) {
    EXPECT_TRUE(Control<QRadioButton>(FormId::SelectTargetForm, "rbCreateSubFolder")->isChecked());
    EXPECT_EQ(Text("edTargetFolder"), QDir::currentPath().toStdString());
    EXPECT_EQ(Text("edSubfolder"), "Changed");
    EXPECT_EQ(Text("edPrefix"), "changed_");
    EXPECT_EQ(Text("edSuffix"), "_changed");
    EXPECT_TRUE(IsEnabled("edSubfolder"));
    EXPECT_FALSE(IsEnabled("edTargetFolder"));
    EXPECT_FALSE(IsEnabled("btnChooseFolder"));
    EXPECT_FALSE(IsEnabled("edPrefix"));
    EXPECT_FALSE(IsEnabled("edSuffix"));
    EXPECT_TRUE(IsEnabled("lblSubfolderName"));
}

TEST_F(TargetWindow, EachOptionEnablesOnlyItsOwnField) {
    struct Case {
        const char* option;
        const char* field;
    };
    const Case cases[] = {{"rbFolder", "edTargetFolder"},
                          {"rbPrefix", "edPrefix"},
                          {"rbSuffix", "edSuffix"},
                          {"rbCreateSubFolder", "edSubfolder"}};
    for (const Case& c : cases) {
        Click(c.option);
        for (const char* field : {"edTargetFolder", "edSubfolder", "edPrefix", "edSuffix"}) {
            EXPECT_EQ(IsEnabled(field), std::string(field) == c.field) << c.option << " " << field;
        }
        EXPECT_EQ(IsEnabled("btnChooseFolder"), std::string(c.option) == "rbFolder") << c.option;
        EXPECT_TRUE(IsEnabled("lblSubfolderName")) << c.option;
    }
}

TEST_F(TargetWindow, EveryShowingWritesTheNamesOfTheOperation) {
    ShowFor("resize");
    EXPECT_EQ(Text("edPrefix"), "resized_");
    EXPECT_EQ(Text("edSuffix"), "_resized");
    EXPECT_EQ(Text("edSubfolder"), "Resized");

    SetText("edPrefix", "mine_");
    SetText("edSubfolder", "Mine");
    SetText("edTargetFolder", "/somewhere");
    target->hide();
    ShowFor("watermark");
    EXPECT_EQ(Text("edPrefix"), "marked_");
    EXPECT_EQ(Text("edSuffix"), "_marked");
    EXPECT_EQ(Text("edSubfolder"), "Marked");
    // The folder field is the user's: it keeps what was put there.
    EXPECT_EQ(Text("edTargetFolder"), "/somewhere");

    target->hide();
    ShowFor("resize");
    EXPECT_EQ(Text("edSubfolder"), "Resized");
}

TEST_F(TargetWindow, ARestoreFromMinimisedKeepsWhatWasTyped) {
    ShowFor("resize");
    QApplication::processEvents();
    SetText("edSuffix", "_mine");
    // The window system's hide and show, as a minimise and restore bring them.
    target->setWindowState(Qt::WindowMinimized);
    QApplication::processEvents();
    target->setWindowState(Qt::WindowNoState);
    QApplication::processEvents();
    ASSERT_TRUE(target->isVisible());
    EXPECT_EQ(Text("edSuffix"), "_mine");
}

TEST_F(TargetWindow, TheKeyboardGoesFromEachOptionToItsField) {
    const std::vector<std::string> expected = {"rbFolder", "edTargetFolder", "rbPrefix",
                                               "edPrefix", "rbSuffix",       "edSuffix",
                                               "rbCreateSubFolder", "edSubfolder", "btnNext"};
    std::vector<std::string> order;
    QWidget* start = Control<QWidget>(FormId::SelectTargetForm, "rbFolder");
    QWidget* w = start;
    do {
        if ((w->focusPolicy() & Qt::TabFocus) && !w->objectName().isEmpty() &&
            w->window() == target) {
            order.push_back(w->objectName().toStdString());
        }
        w = w->nextInFocusChain();
    } while (w != start && order.size() < 20);
    EXPECT_EQ(order, expected);
}

TEST_F(TargetWindow, BrowsingPutsTheChosenFolderIntoTheField) {
    Click("rbFolder");
    nextChoice = folder.String();
    Click("btnChooseFolder");
    EXPECT_EQ(browseCount, 1);
    EXPECT_EQ(Text("edTargetFolder"), folder.String());
    EXPECT_TRUE(boxes.shown.empty());
}

TEST_F(TargetWindow, BrowsingStartsInTheFieldsFolderWhenItExists) {
    Click("rbFolder");
    SetText("edTargetFolder", folder.String().c_str());
    Click("btnChooseFolder");
    EXPECT_EQ(browsedFrom, folder.String());
    SetText("edTargetFolder", (folder / "missing").c_str());
    Click("btnChooseFolder");
    EXPECT_EQ(browsedFrom, "/");
}

TEST_F(TargetWindow, CancellingTheBrowseChangesNothing) {
    Click("rbFolder");
    SetText("edTargetFolder", "/kept");
    nextChoice.reset();
    Click("btnChooseFolder");
    EXPECT_EQ(browseCount, 1);
    EXPECT_EQ(Text("edTargetFolder"), "/kept");
}

TEST_F(TargetWindow, BrowsingToTheFolderSourceIsRefused) {
    forms->Job().SourceFilesKind = "folder";
    forms->Job().SourceFilesFolder = folder.String();
    Click("rbFolder");
    nextChoice = folder.String();
    Click("btnChooseFolder");
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{
                                 "Нельзя сохранять обработанные файлы в тот же каталог с теми же именами!"});
    EXPECT_EQ(Text("edTargetFolder"), QDir::currentPath().toStdString());
    EXPECT_TRUE(Control<QRadioButton>(FormId::SelectTargetForm, "rbFolder")->isChecked());
}

TEST_F(TargetWindow, TheSameFolderCheckComparesTheTextExactly) {
    forms->Job().SourceFilesKind = "folder";
    forms->Job().SourceFilesFolder = folder.String();
    Click("rbFolder");
    nextChoice = folder.String() + "/";
    Click("btnChooseFolder");
    const std::string upper = folder.Path().parent_path().string() + "/" +
                              QString::fromStdString(folder.Path().filename().string()).toUpper().toStdString();
    nextChoice = upper;
    Click("btnChooseFolder");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Text("edTargetFolder"), upper);
}

TEST_F(TargetWindow, WithAFileListSourceTheFolderOfTheFilesIsAccepted) {
    forms->Job().SourceFilesKind = "files";
    forms->Window<TSelectFolderForm>(stampwise::FormId::SelectFolderForm)->SetSelectedFolder(folder.String());
    Click("rbFolder");
    nextChoice = folder.String();
    Click("btnChooseFolder");
    EXPECT_TRUE(boxes.shown.empty());
    EXPECT_EQ(Text("edTargetFolder"), folder.String());
}

TEST_F(TargetWindow, NextStoresTheModeAndShowsTheWindowOfTheOperation) {
    ShowFor("resize");
    Click("rbPrefix");
    Click("btnNext");
    EXPECT_EQ(forms->Job().TargetMode, "prefix");
    EXPECT_FALSE(target->isVisible());
    EXPECT_TRUE(forms->Form(FormId::ResizeParamsForm)->isVisible());

    ShowFor("watermark");
    Click("rbFolder");
    Click("btnNext");
    EXPECT_EQ(forms->Job().TargetMode, "folder");
    EXPECT_TRUE(forms->Form(FormId::WatermarkParamsForm)->isVisible());
}

TEST_F(TargetWindow, TheFieldsAreReadAsTyped) {
    SetText("edTargetFolder", " /out/ ");
    SetText("edSubfolder", "");
    SetText("edPrefix", "p ");
    SetText("edSuffix", "_s");
    const TargetTexts texts = target->Targets();
    EXPECT_EQ(texts.Folder, " /out/ ");
    EXPECT_EQ(texts.Subfolder, "");
    EXPECT_EQ(texts.Prefix, "p ");
    EXPECT_EQ(texts.Suffix, "_s");
}

}  // namespace
}  // namespace stampwise::testing
