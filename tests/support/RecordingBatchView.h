// A BatchView for tests: it answers the question as told and records everything the runner shows,
// both as one ordered list of events and as the report list's current columns and rows (which the
// clear calls really empty, as the window's list would).
#pragma once

#include <atomic>
#include <string>
#include <utility>
#include <vector>

#include "batch/BatchRunner.h"

namespace stampwise::testing {

class RecordingBatchView : public BatchView {
public:
    bool Answer = true;
    bool Asks = true;
    // Set by a test's step to stop the batch; read from the worker threads.
    std::atomic<bool> Stop{false};

    // In order: "question", "information: <text>", "hide params", "clear rows", "clear columns",
    // "column: <caption>", "row: <caption>", "repaint", "show report", "process events",
    // "pictures released", "notice: <text>".
    std::vector<std::string> Events;
    std::vector<std::string> Questions;
    std::vector<std::string> Informations;
    std::vector<ReportColumn> Columns;
    std::vector<ReportRow> Rows;
    std::vector<std::pair<int, int>> Progress;

    bool AskQuestion(const std::string& text) override;
    void ShowInformation(const std::string& text) override;
    void HideParamsWindow() override;
    void ClearReportRows() override;
    void ClearReportColumns() override;
    void AddReportColumn(const ReportColumn& column) override;
    void AddReportRow(const ReportRow& row) override;
    void RepaintReport() override;
    void ShowReport() override;
    void ProcessPendingEvents() override;
    void ReportProgress(int done, int total) override;
    void PicturesReleased() override { Events.push_back("pictures released"); }
    bool AsksQuestion() const override { return Asks; }
    void ShowNotice(const std::string& text) override { Events.push_back("notice: " + text); }
    bool StopRequested() const override { return Stop; }
};

}  // namespace stampwise::testing
