#include "widgets/SpinEditUnit.h"

#include <QLineEdit>

#include "widgets/SpinValue.h"

TSpinEdit::TSpinEdit(QWidget* parent) : QAbstractSpinBox(parent) {
    setButtonSymbols(QAbstractSpinBox::UpDownArrows);
    SetText("0");
}

std::string TSpinEdit::Text() const { return lineEdit()->text().toStdString(); }

void TSpinEdit::SetText(const std::string& text) {
    lineEdit()->setText(QString::fromStdString(text));
}

int TSpinEdit::Value() const { return stampwise::SpinValueOf(Text()); }

void TSpinEdit::SetValue(int value) { SetText(std::to_string(value)); }

void TSpinEdit::stepBy(int steps) {
    SetText(stampwise::SpinArrowText(Text(), increment_, steps));
    lineEdit()->selectAll();
}

QValidator::State TSpinEdit::validate(QString& input, int& pos) const {
    (void)input;
    (void)pos;
    return QValidator::Acceptable;
}

void TSpinEdit::fixup(QString& input) const { (void)input; }

QAbstractSpinBox::StepEnabled TSpinEdit::stepEnabled() const {
    if (isReadOnly()) return StepNone;
    return StepUpEnabled | StepDownEnabled;
}
