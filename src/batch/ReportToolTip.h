// What the report shows when the mouse rests on a row: the whole paths, which the list's columns
// elide in the middle to fit, and for a failed file why it failed.
#pragma once

#include <string>

#include "batch/BatchRunner.h"

namespace stampwise {

// One line per item, each path after its column's caption ("Исходный файл: /photos/a.jpg"), the
// output path only when one was worked out, then the reason of a failed row as it stands.
std::string ReportRowToolTip(const ReportRow& row, const std::string& sourceCaption,
                             const std::string& outputCaption);

}  // namespace stampwise
