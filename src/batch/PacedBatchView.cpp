#include "batch/PacedBatchView.h"

namespace stampwise {

PacedBatchView::PacedBatchView(BatchView& shown, Clock clock, std::chrono::milliseconds interval)
    : shown_(shown),
      clock_(clock ? std::move(clock) : Clock([] { return std::chrono::steady_clock::now(); })),
      interval_(interval) {}

void PacedBatchView::AddRow(const ReportRow& row, const std::string& folderMessage) {
    // The runner's progress follows every row; a run is cut there, so a row and its count show
    // together.
    if (folderMessage.empty()) {
        rows_.push_back(row);
        return;
    }
    for (const ReportRow& held : rows_) shown_.AddRow(held, "");
    rows_.clear();
    shown_.AddRow(row, folderMessage);
}

void PacedBatchView::ShowProgress(int done, int total) {
    progress_ = {done, total};
    FlushIfDue();
}

void PacedBatchView::WaitTick() {
    if (IsDue()) {
        Flush();
    } else {
        shown_.WaitTick();
    }
}

bool PacedBatchView::IsDue() const { return !lastRun_ || clock_() - *lastRun_ >= interval_; }

void PacedBatchView::FlushIfDue() {
    if (IsDue()) Flush();
}

void PacedBatchView::Flush() {
    for (const ReportRow& row : rows_) shown_.AddRow(row, "");
    rows_.clear();
    if (progress_) shown_.ShowProgress(progress_->first, progress_->second);
    progress_.reset();
    shown_.WaitTick();
    lastRun_ = clock_();
}

}  // namespace stampwise
