// The nine windows created as at start-up, with scripted message boxes, for window tests. The main
// window's pulse ticks only when a test calls it: no test depends on the clock.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QWidget>
#include <memory>

#include "app/FormSetUnit.h"
#include "app/MainUnit.h"
#include "support/ScriptedMessageBoxes.h"

namespace stampwise::testing {

class FormsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        forms = std::make_unique<TFormSet>(boxes, PulseTicks::Injected);
        forms->ShowForm(FormId::MainForm);
        QApplication::processEvents();
    }
    void TearDown() override {
        forms.reset();
        QApplication::processEvents();
    }

    // The child of a window by its objectName; fails the test when it is missing.
    template <typename T>
    T* Control(FormId form, const char* name) {
        T* control = forms->Form(form)->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(control, nullptr) << FormInstanceName(form) << "." << name;
        return control;
    }

    ScriptedMessageBoxes boxes;
    std::unique_ptr<TFormSet> forms;
};

}  // namespace stampwise::testing
