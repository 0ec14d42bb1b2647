#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QPushButton>
#include <QWidget>

#include "app/FormSetUnit.h"
#include "uisupport/FormsFixture.h"

namespace stampwise::testing {
namespace {

class StartUp : public FormsFixture {};

// The window system matches windows to the menu entry by this id; the icon must come at the
// small sizes a task bar draws, as a stamp on a transparent ground, not as a square block.
TEST(DesktopIdentity, WindowsCarryTheEntrysIdAndTheStampIconAtEverySize) {
    SetDesktopIdentity();
    EXPECT_EQ(QGuiApplication::desktopFileName().toStdString(), STAMPWISE_APP_ID);
    const QIcon icon = QApplication::windowIcon();
    for (int size : {16, 24, 32, 48, 64, 128, 256}) {
        const QImage picture = icon.pixmap(QSize(size, size)).toImage();
        ASSERT_EQ(picture.size(), QSize(size, size)) << size;
        EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0) << size;
        EXPECT_EQ(qAlpha(picture.pixel(size / 2, size / 2)), 255) << size;
    }
}

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

TEST_F(StartUp, TheSourceQuestionsTwoPicturesHaveOneSize) {
    for (const char* name : {"btnSelectFolder", "btnSelectFiles"}) {
        auto* button = Control<QPushButton>(FormId::FilesSelectQueryForm, name);
        EXPECT_EQ(button->icon().pixmap(button->iconSize()).deviceIndependentSize().toSize(),
                  QSize(32, 32))
            << name;
    }
}

// A key pressed with the focus on control, which hands on what it does not use itself.
void PressKey(QWidget* control, Qt::Key key) {
    control->setFocus();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(control, &press);
}

TEST_F(StartUp, EnterPressesTheWindowsNextOrOkButton) {
    struct Case {
        FormId form;
        const char* focused;  // a control that has no use for Enter
        const char* button;
    };
    const Case cases[] = {
        {FormId::SelectFolderForm, "stvSourceFolder", "btnNext"},
        {FormId::SelectFilesForm, "FilesList", "btnNext"},
        {FormId::SelectTargetForm, "edTargetFolder", "btnNext"},
        {FormId::ResizeParamsForm, "rbHeight", "btnNext"},
        {FormId::WatermarkParamsForm, "sbAlpha", "btnNext"},
        {FormId::AboutForm, "lblProgName", "btnClose"},
        {FormId::ReportForm, "lvReport", "btnFinished"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(FormInstanceName(c.form));
        forms->ShowForm(c.form);
        int pressed = 0;
        auto* button = Control<QPushButton>(c.form, c.button);
        const auto connection = QObject::connect(button, &QPushButton::clicked, [&] { ++pressed; });
        PressKey(Control<QWidget>(c.form, c.focused), Qt::Key_Return);
        QObject::disconnect(connection);
        EXPECT_EQ(pressed, 1);
        forms->HideForm(c.form);
    }
}

TEST_F(StartUp, EscapeClosesEveryWindowButTheMainOne) {
    for (FormId id : kFormCreationOrder) {
        if (id == FormId::MainForm) continue;
        forms->ShowForm(id);
        PressKey(forms->Form(id), Qt::Key_Escape);
        EXPECT_FALSE(forms->Form(id)->isVisible()) << FormInstanceName(id);
    }
    EXPECT_TRUE(forms->Form(FormId::MainForm)->isVisible());
}

}  // namespace
}  // namespace stampwise::testing
