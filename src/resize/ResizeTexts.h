// What a resize batch says: its question phrases, report caption, final messages and default
// names. The operation phrase in the middle of the question depends on the settings and is
// ResizeOperationPhrase (ResizeRule.h).
#pragma once

#include "batch/OperationTexts.h"

namespace stampwise {

inline constexpr const char* kResizeDoneText = "Размеры картинок удачно изменены!";

const OperationTexts& ResizeTexts();

}  // namespace stampwise
