// TSpinEdit: the program's spin edit. Unlike QSpinBox it never rewrites what the user typed (a typed
// 0800 stays 0800 and a word stays a word), has no bounds, and its arrows write value ± step as a
// new text. The value is read from the text on demand (SpinValue.h), so a text that is not an
// integer simply has the value 0.
#pragma once

#include <QAbstractSpinBox>
#include <string>

class TSpinEdit : public QAbstractSpinBox {
    Q_OBJECT
public:
    explicit TSpinEdit(QWidget* parent = nullptr);

    // The text exactly as it stands in the field.
    std::string Text() const;
    void SetText(const std::string& text);
    // The integer the text holds, or 0.
    int Value() const;
    void SetValue(int value);

    int Increment() const { return increment_; }
    void SetIncrement(int step) { increment_ = step; }

    void stepBy(int steps) override;
    // Every text is acceptable and nothing is corrected, when typing, on Enter or on leaving the
    // field.
    QValidator::State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;
    // Both arrows always work (unless the field is read-only): there is no bound to reach.
    StepEnabled stepEnabled() const override;

private:
    int increment_ = 1;
};
