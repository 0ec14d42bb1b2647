// A MessageBoxes that records every box and answers questions from a script.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "job/MessageBoxes.h"

namespace stampwise::testing {

struct ShownBox {
    enum class Kind { Notice, Question, NoticeYesNo, Information };
    Kind kind;
    std::string text;
    friend bool operator==(const ShownBox&, const ShownBox&) = default;
};

class ScriptedMessageBoxes : public MessageBoxes {
public:
    // Answers for the next questions, in order; when the script runs out the answer is No.
    void AnswerNext(bool yes) { answers_.push_back(yes); }

    void Notice(const std::string& text) override { shown.push_back({ShownBox::Kind::Notice, text}); }
    bool Question(const std::string& text) override {
        shown.push_back({ShownBox::Kind::Question, text});
        return NextAnswer();
    }
    void NoticeYesNo(const std::string& text) override {
        shown.push_back({ShownBox::Kind::NoticeYesNo, text});
        NextAnswer();
    }
    void Information(const std::string& text) override {
        shown.push_back({ShownBox::Kind::Information, text});
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const ShownBox& box : shown) texts.push_back(box.text);
        return texts;
    }

    std::vector<ShownBox> shown;

private:
    bool NextAnswer() {
        if (answers_.empty()) return false;
        const bool yes = answers_.front();
        answers_.pop_front();
        return yes;
    }
    std::deque<bool> answers_;
};

}  // namespace stampwise::testing
