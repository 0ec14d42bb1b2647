// The message texts break lines with a line feed followed by a carriage return, meant as one break.
// A toolkit label takes each of the two as a break of its own and would show an empty line between
// every two lines, so a box shows the text through this. The texts themselves keep both characters.
#pragma once

#include <string>

namespace stampwise {

// text with every "\n\r" turned into a single "\n"; everything else as it stands.
std::string SingleLineBreaks(const std::string& text);

}  // namespace stampwise
