#include "app/MessageLines.h"

namespace stampwise {

std::string SingleLineBreaks(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        shown.push_back(text[i]);
        if (text[i] == '\n' && i + 1 < text.size() && text[i + 1] == '\r') ++i;
    }
    return shown;
}

}  // namespace stampwise
