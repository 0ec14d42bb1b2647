// The rules of the program's spin edits: a spin edit keeps its text exactly as typed, its value is
// read from that text, and its arrows write a new text. There are no bounds, so 0 and negative
// values are as good as any other; the windows that read a value decide what it means.
//
// The widget itself is SpinEditUnit; this file holds only the arithmetic, so it can be tested
// without a window.
#pragma once

#include <string>

namespace stampwise {

// The integer the text holds, in decimal with an optional leading "+" or "-" and nothing else
// (no spaces, no other base); 0 for any other text, and for an integer beyond the int range,
// which no field of this program can use.
int SpinValueOf(const std::string& text);

// The text an arrow press writes: the text's value plus (direction > 0) or minus (direction < 0)
// step times |direction|, in plain decimal. It saturates at the int range rather than wrapping, so
// pressing "up" never turns a huge number into a negative one.
std::string SpinArrowText(const std::string& text, int step, int direction);

}  // namespace stampwise
