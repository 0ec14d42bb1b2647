#include "batch/ReportProgress.h"

namespace stampwise {

std::string ReportProgressText(int done, int total) {
    return "Обработано " + std::to_string(done) + " из " + std::to_string(total);
}

}  // namespace stampwise
