// The line under the report list while a batch runs, so a long batch is visibly alive.
#pragma once

#include <string>

namespace stampwise {

// "Обработано K из N"
std::string ReportProgressText(int done, int total);

}  // namespace stampwise
