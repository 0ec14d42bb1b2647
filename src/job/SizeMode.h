// The three ways a size is given, for a resized picture and for a stamp alike: a width or a height
// in pixels (the other side keeps the proportions), or a percentage of both sides.
#pragma once

namespace stampwise {

enum class SizeMode { Width, Height, Percent };

}  // namespace stampwise
