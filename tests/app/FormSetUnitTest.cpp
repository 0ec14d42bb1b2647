#include <QApplication>
#include <QIcon>
#include <QImage>
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

}  // namespace
}  // namespace stampwise::testing
