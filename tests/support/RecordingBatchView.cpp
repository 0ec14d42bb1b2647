#include "support/RecordingBatchView.h"

namespace stampwise::testing {

bool RecordingBatchView::AskQuestion(const std::string& text) {
    Events.push_back("question");
    Questions.push_back(text);
    return Answer;
}

void RecordingBatchView::ShowInformation(const std::string& text) {
    Events.push_back("information: " + text);
    Informations.push_back(text);
}

void RecordingBatchView::HideParamsWindow() { Events.push_back("hide params"); }

void RecordingBatchView::ClearReportRows() {
    Events.push_back("clear rows");
    Rows.clear();
}

void RecordingBatchView::ClearReportColumns() {
    Events.push_back("clear columns");
    Columns.clear();
}

void RecordingBatchView::AddReportColumn(const ReportColumn& column) {
    Events.push_back("column: " + column.Caption);
    Columns.push_back(column);
}

void RecordingBatchView::AddReportRow(const ReportRow& row) {
    Events.push_back("row: " + row.Caption);
    Rows.push_back(row);
}

void RecordingBatchView::RepaintReport() { Events.push_back("repaint"); }

void RecordingBatchView::ShowReport() { Events.push_back("show report"); }

void RecordingBatchView::ProcessPendingEvents() { Events.push_back("process events"); }

void RecordingBatchView::ReportProgress(int done, int total) { Progress.emplace_back(done, total); }

}  // namespace stampwise::testing
