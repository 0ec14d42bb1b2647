// A BatchView for tests: it records everything the runner shows, both as one ordered list of
// events and as the rows and progress the report would hold.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "batch/BatchRunner.h"

namespace stampwise::testing {

class RecordingBatchView : public BatchView {
public:
    // In order: "information: <folder message>" (before its row), "row: <caption>".
    std::vector<std::string> Events;
    std::vector<std::string> Informations;  // the folder messages
    std::vector<ReportRow> Rows;
    std::vector<std::pair<int, int>> Progress;

    void AddRow(const ReportRow& row, const std::string& folderMessage) override;
    void ShowProgress(int done, int total) override { Progress.emplace_back(done, total); }
};

}  // namespace stampwise::testing
