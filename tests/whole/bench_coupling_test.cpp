// The whole bench on the fake clock: the real program sweeps a band-pass filter of the virtual
// radio while the real instrument client sets the virtual service monitor's generator. With RF
// off the detector never rises off its floor; with RF on at the test channel's receive
// frequency at a procedure's level the sweep ends where it ends without a monitor.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "builtin_image.h"
#include "fakes/fake_byte_stream.h"
#include "instruments/bench.h"
#include "model/operation_observer.h"
#include "service_monitor.h"
#include "shell/main_window.h"
#include "whole_program.h"

namespace qs::whole {
namespace {

using instruments::Bench;
using instruments::RfOutput;
using instruments::Role;
using instruments::Status;

constexpr char kMonitor[] = "TCPIP::127.0.0.1::5025::SOCKET";

class SweepLog : public IOperationObserver {
public:
    void OnConnectionLoaded() override {}
    void OnReading(const ReadingPoint&) override {}
    void OnSweepStep(const SweepPoint& point) override { levels.push_back(point.level); }
    void OnBisectionStep(const BisectionPoint&) override {}
    void OnAutoOpEnd(const AutoOpResult& result) override { results.push_back(result); }
    std::vector<int> levels;
    std::vector<AutoOpResult> results;
};

// The program, the radio with its monitor, and the bench that speaks to the monitor.
struct CoupledBench {
    WholeProgram program;
    qtsim::ServiceMonitor monitor{program.radio()};
    FakeStreams streams;
    FakeTimer benchTimer;
    Bench bench{streams, benchTimer, program.clock};

    CoupledBench() {
        streams.respond = [this](const std::string& line) -> std::optional<std::string> {
            const std::string answer = monitor.execute(line);
            if (answer.empty()) return std::nullopt;
            return answer;
        };
        for (Role role : instruments::kRoles)
            bench.Assign(role, kMonitor);
    }
    // One turn for everybody: the monitor answers, the program and the bench tick.
    void Turn() {
        streams.pump();
        program.Tick();
        benchTimer.fire();
    }
    // Runs a generator setting to its end; its message, or "ok".
    std::string Set(const std::function<void(Bench::StatusDone)>& start) {
        std::optional<Status> status;
        start([&status](const Status& s) { status = s; });
        for (int i = 0; i < 100 && !status; ++i)
            Turn();
        if (!status) return "no result";
        return status->ok() ? "ok" : status->error().message;
    }
};

TEST(BenchCouplingTest, SweepFollowsTheGeneratorAtTheTestChannel) {
    struct Row {
        const char* name;
        bool rfOn;
        double frequencyHz;
        double levelDbm;
        int peakLevel;   // highest detector reading of the sweep
        int centre;      // where the sweep leaves BPF T1
    };
    const Row rows[] = {
        // Channel slot 0 receives on 146.52 MHz; T1's plateau is 60..68, so the centre is 64.
        // The peak is the level's less 4: T2 stays at 80, two steps off its own plateau.
        {"RF on at -60 dBm", true, 146.52e6, -60, 136, 64},
        {"RF on at -100 dBm", true, 146.52e6, -100, 56, 64},
        {"RF off", false, 146.52e6, -60, 10, -1},
        {"RF on, another channel", true, 147.00e6, -60, 10, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        CoupledBench rig;
        ASSERT_TRUE(rig.program.Connect());
        EXPECT_EQ(rig.Set([&](auto done) { rig.bench.SetFrequency(row.frequencyHz, done); }), "ok");
        EXPECT_EQ(rig.Set([&](auto done) { rig.bench.SetLevel(row.levelDbm, done); }), "ok");
        EXPECT_EQ(rig.Set([&](auto done) {
                      rig.bench.SetRf(row.rfOn ? RfOutput::On : RfOutput::Off, done);
                  }),
                  "ok");
        SweepLog log;
        rig.program.model().setOperationObserver(&log);
        rig.program.SelectRow(kBpfT1Row);
        rig.program.Key(kKeyEnter);
        ASSERT_TRUE(rig.program.RunOperation());
        rig.program.model().setOperationObserver(nullptr);
        ASSERT_FALSE(log.levels.empty());
        EXPECT_EQ(*std::max_element(log.levels.begin(), log.levels.end()), row.peakLevel);
        if (row.centre >= 0) {
            EXPECT_EQ(rig.program.console().Value(kBpfT1Row), row.centre);
        } else {
            // Nothing to find: every reading is the floor and the plateau is the whole range.
            EXPECT_EQ(*std::min_element(log.levels.begin(), log.levels.end()), 10);
            ASSERT_EQ(log.results.size(), 1u);
            EXPECT_EQ(log.results[0].first, 0);
            EXPECT_EQ(rig.program.console().Value(kBpfT1Row),
                      (log.results[0].first + log.results[0].last) / 2);
        }
        EXPECT_TRUE(rig.program.box.shown.empty());
    }
}

// The receive level adjustment meets its target at a procedure's level as it does without a
// monitor, and cannot with RF off (the receiver hears nothing).
TEST(BenchCouplingTest, ReceiveLevelAdjustmentNeedsTheSignal) {
    for (const bool rfOn : {true, false}) {
        SCOPED_TRACE(rfOn ? "RF on" : "RF off");
        CoupledBench rig;
        ASSERT_TRUE(rig.program.Connect());
        EXPECT_EQ(rig.Set([&](auto done) { rig.bench.SetFrequency(146.52e6, done); }), "ok");
        EXPECT_EQ(rig.Set([&](auto done) { rig.bench.SetLevel(-60, done); }), "ok");
        EXPECT_EQ(rig.Set([&](auto done) {
                      rig.bench.SetRf(rfOn ? RfOutput::On : RfOutput::Off, done);
                  }),
                  "ok");
        rig.program.SelectRow(kRxLvaRow);
        rig.program.Key(kKeyEnter);
        ASSERT_TRUE(rig.program.RunOperation());
        if (rfOn) {
            EXPECT_EQ(rig.program.console().Value(kRxLvaRow), qtsim::builtin::kRxLvaAtTarget);
        } else {
            EXPECT_EQ(rig.program.console().Value(kRxLvaRow), qtsim::builtin::kRxLva);
            EXPECT_NE(rig.program.win.lboConsole.List(kRxLvaRow).find("(Auto Adjust Failed)"),
                      std::string::npos);
        }
    }
}

}  // namespace
}  // namespace qs::whole
