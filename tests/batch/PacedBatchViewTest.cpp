#include "batch/PacedBatchView.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

namespace stampwise {
namespace {

using namespace std::chrono_literals;

class EventView : public BatchView {
public:
    void AddRow(const ReportRow& row, const std::string& folderMessage) override {
        if (!folderMessage.empty()) Events.push_back("box " + folderMessage);
        Events.push_back("row " + row.Caption);
    }
    void ShowProgress(int done, int total) override {
        Events.push_back("progress " + std::to_string(done) + "/" + std::to_string(total));
    }
    void WaitTick() override { Events.push_back("tick"); }
    std::vector<std::string> Events;
};

ReportRow Row(const char* caption) {
    ReportRow row;
    row.Caption = caption;
    return row;
}

TEST(PacedBatchView, RowsAndProgressReachTheViewInRunsAtMostOncePerInterval) {
    EventView view;
    std::chrono::steady_clock::time_point now;
    PacedBatchView paced(view, [&] { return now; }, 40ms);
    const auto at = [&](std::chrono::milliseconds ms) { now = std::chrono::steady_clock::time_point(ms); };

    at(0ms);
    paced.ShowProgress(0, 5);  // the first is shown at once
    at(10ms);
    paced.AddRow(Row("a"), "");
    paced.ShowProgress(1, 5);
    at(20ms);
    paced.AddRow(Row("b"), "");
    paced.ShowProgress(2, 5);
    paced.WaitTick();
    // Held back, but the view still hears the user.
    EXPECT_EQ(view.Events, (std::vector<std::string>{"progress 0/5", "tick", "tick"}));

    at(40ms);
    paced.AddRow(Row("c"), "");
    paced.ShowProgress(3, 5);
    at(50ms);
    paced.AddRow(Row("d"), "");
    paced.ShowProgress(4, 5);
    // A folder's box comes before its row, after the rows held back.
    paced.AddRow(Row("e"), "no folder");
    paced.ShowProgress(5, 5);
    at(79ms);
    paced.WaitTick();
    paced.Flush();
    EXPECT_EQ(view.Events,
              (std::vector<std::string>{"progress 0/5", "tick", "tick", "row a", "row b",
                                        "row c", "progress 3/5", "tick", "row d",
                                        "box no folder", "row e", "tick", "progress 5/5",
                                        "tick"}));
}

}  // namespace
}  // namespace stampwise
