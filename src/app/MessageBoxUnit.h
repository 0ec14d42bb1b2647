// The program's message boxes on Qt: notices and questions captioned "Stampwise" without an icon,
// and the information dialog captioned "Information" with the buttons "OK" and "Cancel".
#pragma once

#include "job/MessageBoxes.h"

class TQtMessageBoxes final : public stampwise::MessageBoxes {
public:
    void Notice(const std::string& text) override;
    bool Question(const std::string& text) override;
    void Information(const std::string& text) override;
};
