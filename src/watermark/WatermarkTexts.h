// What a watermark batch says: its question phrases, report caption, final messages and default
// names. Its question has no operation phrase in the middle.
#pragma once

#include "batch/OperationTexts.h"

namespace stampwise {

inline constexpr const char* kWatermarkDoneText = "Логотипы удачно нанесены на картинки!";

const OperationTexts& WatermarkTexts();

}  // namespace stampwise
