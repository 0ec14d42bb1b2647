#include "batch/ReportToolTip.h"

namespace stampwise {

std::string ReportRowToolTip(const ReportRow& row, const std::string& sourceCaption,
                             const std::string& outputCaption) {
    std::string tip = sourceCaption + ": " + row.Caption;
    if (!row.OutputPath.empty()) tip += "\n" + outputCaption + ": " + row.OutputPath;
    if (!row.ErrorText.empty()) tip += "\n" + row.ErrorText;
    return tip;
}

}  // namespace stampwise
