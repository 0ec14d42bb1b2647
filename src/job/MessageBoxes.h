// The three kinds of box the program shows. The windows hold a MessageBoxes and the core receives
// one; the Qt implementation is MessageBoxUnit, tests use a scripted double.
#pragma once

#include <string>

namespace stampwise {

class MessageBoxes {
public:
    virtual ~MessageBoxes() = default;
    // Caption "Stampwise", no icon, OK.
    virtual void Notice(const std::string& text) = 0;
    // Caption "Stampwise", no icon, Yes and No. True only for Yes.
    virtual bool Question(const std::string& text) = 0;
    // A notice shown with Yes and No whose answer nobody looks at (the watermark window's checks).
    virtual void NoticeYesNo(const std::string& text) { Question(text); }
    // Caption "Information", information icon, OK and Cancel, modal; the answer is ignored.
    virtual void Information(const std::string& text) = 0;
};

}  // namespace stampwise
