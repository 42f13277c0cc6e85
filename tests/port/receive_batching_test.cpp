// The receive batching rule on a fake clock: a port, a 50 ms heartbeat and the arrival
// patterns of real cables, simulated millisecond by millisecond.
#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <string>
#include <vector>

#include "fakes/fake_clock.h"
#include "port/receive_batching.h"

namespace qs::port_test {
namespace {

using Plan = ReceiveBatching::Plan;

struct Arrival {
    int atMs;
    int bytes;
};

// `count` bytes from `startMs` on, as the cable delivers them.
enum class Pattern { ByteByByte, Chunks, Bursts };

std::vector<Arrival> Deliver(Pattern pattern, int startMs, int count) {
    std::vector<Arrival> out;
    // 9600 bit/s: about a byte a millisecond on the line.
    const int size = pattern == Pattern::ByteByByte ? 1 : pattern == Pattern::Chunks ? 16 : 256;
    const int gapMs = pattern == Pattern::ByteByByte ? 1 : pattern == Pattern::Chunks ? 16 : 267;
    for (int sent = 0, at = startMs; sent < count; sent += size, at += gapMs) {
        out.push_back({at, std::min(size, count - sent)});
    }
    return out;
}

std::string Name(Pattern pattern) {
    return pattern == Pattern::ByteByByte ? "byte by byte"
           : pattern == Pattern::Chunks   ? "16 bytes every 16 ms"
                                          : "256-byte bursts";
}

// A port that follows the rule, a program that looks every 50 ms, and what it cost.
class Line {
public:
    static constexpr int kHeartbeatMs = 50;

    explicit Line(bool heartbeat = true) : heartbeat_(heartbeat) { Apply(rule_.Opened()); }

    void Run(const std::vector<Arrival>& arrivals, int untilMs, std::vector<int> sends = {}) {
        std::deque<Arrival> due(arrivals.begin(), arrivals.end());
        for (; now_ <= untilMs; ++now_) {
            clock_.set(now_);
            if (!sends.empty() && sends.front() == now_) {
                sends.erase(sends.begin());
                Apply(rule_.Sent());
            }
            bool arrived = false;
            while (!due.empty() && due.front().atMs == now_) {
                waiting_.insert(waiting_.end(), static_cast<std::size_t>(due.front().bytes), now_);
                due.pop_front();
                arrived = true;
            }
            if (arrived && rule_.watching()) {
                ++wakeUps;
                Apply(rule_.Arrived());
            }
            if (lookAt_ >= 0 && now_ >= lookAt_) {
                ++wakeUps;
                lookAt_ = -1;
                Apply(rule_.LookDue(!waiting_.empty()));
            }
            if (heartbeat_ && now_ % kHeartbeatMs == 0 && !waiting_.empty()) {
                Take();
                Apply(rule_.Taken());
            }
        }
    }

    int wakeUps = 0;
    int reports = 0;
    int taken = 0;
    int firstLatencyMs = -1;
    int maxLatencyMs = 0;
    int lastLatencyMs = 0;

private:
    void Apply(const Plan& plan) {
        if (plan.report) {
            ++reports;
            Take();
        }
        lookAt_ = plan.lookInMs < 0 ? -1 : now_ + plan.lookInMs;
        EXPECT_EQ(plan.watch, plan.lookInMs < 0) << "a look is due exactly while unwatched";
        EXPECT_EQ(plan.watch, rule_.watching());
    }
    void Take() {
        for (int at : waiting_) {
            const int latency = now_ - at;
            if (firstLatencyMs < 0) firstLatencyMs = latency;
            maxLatencyMs = std::max(maxLatencyMs, latency);
            lastLatencyMs = latency;
        }
        taken += static_cast<int>(waiting_.size());
        waiting_.clear();
    }

    FakeClock clock_;
    ReceiveBatching rule_{clock_};
    bool heartbeat_;
    int now_ = 1;
    int lookAt_ = -1;
    std::vector<int> waiting_;  // arrival time of each byte not yet taken
};

class ReceiveBatchingTest : public ::testing::TestWithParam<Pattern> {};

// A 1200-byte stream after a quiet line, with no frame sent: the first data at once, the rest
// by the heartbeat, every byte once.
TEST_P(ReceiveBatchingTest, AStreamIsTakenByTheHeartbeatAfterItsFirstData) {
    Line line;
    line.Run(Deliver(GetParam(), 101, 1200), 3000);
    SCOPED_TRACE(Name(GetParam()));
    EXPECT_EQ(line.taken, 1200);
    EXPECT_EQ(line.firstLatencyMs, 0);
    EXPECT_LE(line.maxLatencyMs, Line::kHeartbeatMs);
    // Bursts come after a quiet line each; a stream wakes the port at its start and end only.
    EXPECT_LE(line.wakeUps, GetParam() == Pattern::Bursts ? 5 : 3);
    EXPECT_LE(line.reports, GetParam() == Pattern::Bursts ? 5 : 1);
}

// The echo and answer of a frame (26 bytes) are reported as they come.
TEST_P(ReceiveBatchingTest, TheReplyToAFrameSentIsReportedPromptly) {
    Line line;
    const int sentAt = 500;
    std::vector<Arrival> reply = Deliver(GetParam(), sentAt + 2, 26);
    line.Run(reply, 1000, {sentAt});
    SCOPED_TRACE(Name(GetParam()));
    EXPECT_EQ(line.taken, 26);
    EXPECT_EQ(line.firstLatencyMs, 0);
    EXPECT_LE(line.maxLatencyMs, ReceiveBatching::kReplyHoldMs);
    EXPECT_LE(line.lastLatencyMs, ReceiveBatching::kReplyHoldMs);
    // At most one wake-up a hold over the reply's 26 ms, and none once it has ended.
    EXPECT_LE(line.wakeUps, 26 / ReceiveBatching::kReplyHoldMs + 2);
}

// A long answer (a clone read) goes over to the heartbeat once the reply window has passed.
TEST_P(ReceiveBatchingTest, ALongAnswerGoesOverToTheHeartbeat) {
    Line line;
    line.Run(Deliver(GetParam(), 502, 4800), 6000, {500});
    SCOPED_TRACE(Name(GetParam()));
    EXPECT_EQ(line.taken, 4800);
    EXPECT_LE(line.maxLatencyMs, Line::kHeartbeatMs);
    const int replyWakeUps = ReceiveBatching::kReplyWindowMs / ReceiveBatching::kReplyHoldMs;
    EXPECT_LE(line.wakeUps, GetParam() == Pattern::Bursts ? 20 : replyWakeUps + 4);
}

// With the heartbeat held (a modal dialog), the port's own looks still take everything.
TEST_P(ReceiveBatchingTest, WithoutTheHeartbeatThePortsOwnLooksTakeEverything) {
    Line line(false);
    line.Run(Deliver(GetParam(), 101, 1200), 3000);
    SCOPED_TRACE(Name(GetParam()));
    EXPECT_EQ(line.taken, 1200);
    EXPECT_LE(line.maxLatencyMs, ReceiveBatching::kStreamLookMs);
}

INSTANTIATE_TEST_SUITE_P(Patterns, ReceiveBatchingTest,
                         ::testing::Values(Pattern::ByteByByte, Pattern::Chunks, Pattern::Bursts));

TEST(ReceiveBatchingRuleTest, QuietMeansLongerThanAUsbAdaptersChunkGap) {
    FakeClock clock(1000);
    ReceiveBatching rule(clock);
    rule.Opened();
    EXPECT_TRUE(rule.Arrived().report);
    clock.advance(16);
    EXPECT_EQ(rule.Arrived(), (Plan{false, false, ReceiveBatching::kStreamLookMs}));
    clock.advance(ReceiveBatching::kStreamLookMs);
    EXPECT_EQ(rule.LookDue(false), Plan{});
    clock.advance(ReceiveBatching::kQuietMs);
    EXPECT_TRUE(rule.Arrived().report);
}

TEST(ReceiveBatchingRuleTest, TheTickCountersWrapDoesNotMatter) {
    FakeClock clock(2147483647 - 10);
    ReceiveBatching rule(clock);
    rule.Opened();
    rule.Sent();
    clock.advance(2);
    EXPECT_TRUE(rule.Arrived().report);
    clock.advance(20);
    EXPECT_TRUE(rule.Arrived().report);  // still within the reply window
    clock.advance(ReceiveBatching::kReplyWindowMs);
    EXPECT_TRUE(rule.Arrived().report);  // after the window, the first data after a quiet line
    clock.advance(1);
    EXPECT_EQ(rule.Arrived(), (Plan{false, false, ReceiveBatching::kStreamLookMs}));
}

}  // namespace
}  // namespace qs::port_test
