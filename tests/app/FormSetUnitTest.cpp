#include <QApplication>
#include <QPushButton>
#include <QWidget>

#include "uisupport/FormsFixture.h"

namespace stampwise::testing {
namespace {

class StartUp : public FormsFixture {};

TEST_F(StartUp, NineWindowsExistWithTheirNamesAndOnlyTheMainWindowIsShown) {
    for (FormId id : kFormCreationOrder) {
        QWidget* window = forms->Form(id);
        ASSERT_NE(window, nullptr);
        EXPECT_EQ(window->objectName().toStdString(), FormInstanceName(id));
        EXPECT_EQ(window->windowTitle().toStdString(), FormCaption(id));
        EXPECT_EQ(window->isVisible(), id == FormId::MainForm) << FormInstanceName(id);
    }
}

TEST_F(StartUp, ClosingAWizardWindowOnlyHidesIt) {
    forms->ShowForm(FormId::AboutForm);
    QWidget* about = forms->Form(FormId::AboutForm);
    ASSERT_TRUE(about->isVisible());
    about->close();
    EXPECT_FALSE(about->isVisible());
    EXPECT_TRUE(forms->Form(FormId::MainForm)->isVisible());
    forms->ShowForm(FormId::AboutForm);
    EXPECT_TRUE(about->isVisible());
}

TEST_F(StartUp, ResizeButtonSetsTheOperationAndShowsTheSourceQuestion) {
    Control<QPushButton>(FormId::MainForm, "btnResize")->click();
    EXPECT_EQ(forms->Job().Operation, "resize");
    EXPECT_TRUE(forms->Form(FormId::FilesSelectQueryForm)->isVisible());
}

}  // namespace
}  // namespace stampwise::testing
