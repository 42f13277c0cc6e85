// Reports held while a modal dialog is open are handed on afterwards, in order, none lost.
#include <gtest/gtest.h>

#include <vector>

#include "port/report_gate.h"

namespace qs::port_test {
namespace {

TEST(ReportGateTest, ReportsWhileADialogIsOpenComeAfterItInOrder) {
    bool dialog = false;
    std::vector<CommEvent> seen;
    ReportGate gate([&dialog] { return dialog; });
    gate.setHandler([&seen](CommEvent e) { seen.push_back(e); });

    EXPECT_TRUE(gate.Offer(CommEvent::Receive));
    dialog = true;
    EXPECT_FALSE(gate.Offer(CommEvent::Receive));
    EXPECT_FALSE(gate.Offer(CommEvent::Receive));
    EXPECT_FALSE(gate.Offer(CommEvent::RxOver));
    EXPECT_FALSE(gate.Release());
    EXPECT_EQ(seen.size(), 1u);
    dialog = false;
    // Kept reports go first: a new one waits behind them.
    EXPECT_FALSE(gate.Offer(CommEvent::TxStalled));
    EXPECT_TRUE(gate.Release());
    EXPECT_EQ(seen, (std::vector<CommEvent>{CommEvent::Receive, CommEvent::Receive,
                                            CommEvent::RxOver, CommEvent::TxStalled}));
    EXPECT_FALSE(gate.holding());
}

TEST(ReportGateTest, ADialogOpenedByAReportHoldsTheRest) {
    bool dialog = true;
    std::vector<CommEvent> seen;
    ReportGate gate([&dialog] { return dialog; });
    gate.setHandler([&](CommEvent e) {
        seen.push_back(e);
        dialog = true;  // the first report's handling opens a message box
    });
    gate.Offer(CommEvent::Receive);
    gate.Offer(CommEvent::RxOver);
    dialog = false;
    EXPECT_FALSE(gate.Release());
    EXPECT_EQ(seen, std::vector<CommEvent>{CommEvent::Receive});
    dialog = false;
    EXPECT_TRUE(gate.Release());
    EXPECT_EQ(seen.back(), CommEvent::RxOver);
}

TEST(ReportGateTest, ClosingForgetsWhatWasKept) {
    ReportGate gate([] { return true; });
    int handled = 0;
    gate.setHandler([&handled](CommEvent) { ++handled; });
    gate.Offer(CommEvent::Receive);
    gate.Clear();
    EXPECT_FALSE(gate.holding());
    EXPECT_EQ(handled, 0);
}

}  // namespace
}  // namespace qs::port_test
