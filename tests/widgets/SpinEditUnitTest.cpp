#include <gtest/gtest.h>

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWidget>
#include <memory>

#include "widgets/SpinEditUnit.h"

namespace {

class SpinEdit : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        spin = new TSpinEdit(window.get());
        spin->SetIncrement(10);
        other = new QLineEdit(window.get());
        window->show();
        QApplication::processEvents();
        editor = spin->findChild<QLineEdit*>();
        ASSERT_NE(editor, nullptr);
    }

    void Type(const QString& text) {
        spin->setFocus();
        for (const QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(spin, &press);
        }
    }
    void Key(int key) {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(spin, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QApplication::sendEvent(spin, &release);
    }
    // What leaving the field does, whether the platform moves the focus or not.
    void LeaveField() {
        other->setFocus();
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(spin, &out);
        QApplication::processEvents();
    }

    std::unique_ptr<QWidget> window;
    TSpinEdit* spin = nullptr;
    QLineEdit* other = nullptr;
    QLineEdit* editor = nullptr;
};

TEST_F(SpinEdit, KeepsATypedTextExactlyThroughEnterAndLeavingTheField) {
    spin->SetText("");
    Type(QStringLiteral("0800"));
    Key(Qt::Key_Return);
    LeaveField();
    EXPECT_EQ(spin->Text(), "0800");
    EXPECT_EQ(spin->Value(), 800);
}

TEST_F(SpinEdit, TextThatIsNotANumberStaysAndHasTheValueZero) {
    spin->SetText("");
    Type(QStringLiteral("abc"));
    LeaveField();
    EXPECT_EQ(spin->Text(), "abc");
    EXPECT_EQ(spin->Value(), 0);
}

TEST_F(SpinEdit, ArrowsWriteValuePlusOrMinusTheStep) {
    spin->SetText("0800");
    spin->stepUp();
    EXPECT_EQ(spin->Text(), "810");
    spin->SetText("abc");
    spin->stepDown();
    EXPECT_EQ(spin->Text(), "-10");
}

TEST_F(SpinEdit, HasNoBounds) {
    spin->SetValue(5);
    spin->stepDown();
    spin->stepDown();
    EXPECT_EQ(spin->Value(), -15);
    spin->SetValue(2000000);
    spin->stepUp();
    EXPECT_EQ(spin->Value(), 2000010);
    EXPECT_TRUE(spin->stepEnabled() & QAbstractSpinBox::StepUpEnabled);
    EXPECT_TRUE(spin->stepEnabled() & QAbstractSpinBox::StepDownEnabled);
}

TEST_F(SpinEdit, TheArrowKeysStepLikeTheArrowButtons) {
    spin->SetText("100");
    spin->setFocus();
    Key(Qt::Key_Up);
    EXPECT_EQ(spin->Text(), "110");
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);
    EXPECT_EQ(spin->Text(), "90");
}

}  // namespace
