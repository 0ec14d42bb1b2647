// The pace at which a batch reaches the windows. Files may finish faster than a person reads and
// far faster than painting them is worth: a row painted on its own costs the windows' thread a
// layout and a trip to the display, time the files' threads lose on a machine with few cores. So
// rows and progress collect here and go on to the windows' view in runs, at most once per
// interval, with one WaitTick after each run for the view to lay out and paint what it got. The
// runner's other ticks still reach the view, so that it hears a stop or a moved window as soon
// as they come; with nothing new to paint they cost it next to nothing. What the view gets, and
// in which order, is what it would get one by one.
//
// The interval is measured by an injected clock, so tests need no waiting; nothing here waits on
// its own: it acts only when the runner calls it.
#pragma once

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "batch/BatchRunner.h"

namespace stampwise {

// Five runs a second: the report still moves as the files go, and on two cores the windows and
// the display take a few per cent of the batch's time instead of a tenth (bench/README.md).
inline constexpr std::chrono::milliseconds kReportPace{200};

class PacedBatchView final : public BatchView {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // shown is the view that paints; clock tells the time now (unset: the steady clock).
    explicit PacedBatchView(BatchView& shown, Clock clock = {},
                            std::chrono::milliseconds interval = kReportPace);

    // Held back until the progress after it finds the next run due; a folder message is a box
    // before its row, so it goes at once, after every row held back before it.
    void AddRow(const ReportRow& row, const std::string& folderMessage) override;
    void ShowProgress(int done, int total) override;
    // The runner waits for a file: the next run when it is due, else only the view's tick.
    void WaitTick() override;
    // Everything held back, now: at the end of the batch, before its final message.
    void Flush();

private:
    bool IsDue() const;
    void FlushIfDue();

    BatchView& shown_;
    Clock clock_;
    std::chrono::milliseconds interval_;
    std::optional<std::chrono::steady_clock::time_point> lastRun_;  // none before the first run
    std::vector<ReportRow> rows_;
    std::optional<std::pair<int, int>> progress_;
};

}  // namespace stampwise
