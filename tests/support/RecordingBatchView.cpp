#include "support/RecordingBatchView.h"

namespace stampwise::testing {

void RecordingBatchView::AddRow(const ReportRow& row, const std::string& folderMessage) {
    if (!folderMessage.empty()) {
        Events.push_back("information: " + folderMessage);
        Informations.push_back(folderMessage);
    }
    Events.push_back("row: " + row.Caption);
    Rows.push_back(row);
}

}  // namespace stampwise::testing
