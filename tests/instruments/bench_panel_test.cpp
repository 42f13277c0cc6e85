// The Bench window's logic without a widget: live polls only while shown and switched on, one
// meter at a time and never before the last one answered; the generator set in the safe order;
// errors on the line they belong to; what others do on the bench shown too.
#include <gtest/gtest.h>

#include "bench_rig.h"
#include "fakes/memory_profile_store.h"
#include "instruments/bench_panel.h"

namespace qs::instruments::testing {
namespace {

struct PanelRig : BenchRig {
    MemoryProfileStore store;
    BenchStation station{bench};
    FakeTimer panelTimer;
    BenchPanel panel{station, panelTimer};
    int changes = 0;
    std::vector<BenchEvent> events;

    PanelRig() {
        instrument.answers = {{"MEAS:POW?", "4.92"}, {"MEAS:FM:DEV?", "4500"},
                              {"MEAS:FREQ?", "146519780.2"}};
        station.UseSettings(store, "/opt/qs71dr/RW5120A.rs");
        panel.setChanged([this] { ++changes; });
        station.Watch([this](const BenchEvent& e) { events.push_back(e); });
    }
    void BindAll() {
        for (Role role : kRoles) EXPECT_TRUE(panel.SetRole(role, {kAddress, ""}).ok());
    }
    // The queries written so far, in order.
    std::vector<std::string> Queries() const {
        std::vector<std::string> queries;
        std::string all;
        for (std::size_t i = 0; i < streams.created(); ++i) all += streams.written(i);
        std::size_t start = 0;
        for (std::size_t end; (end = all.find('\n', start)) != std::string::npos; start = end + 1) {
            const std::string line = all.substr(start, end - start);
            if (line.rfind("MEAS:", 0) == 0) queries.push_back(line);
        }
        return queries;
    }
};

TEST(BenchPanelTest, LivePollsOneMeterAtATimeOnlyWhileShownAndOn) {
    PanelRig rig;
    rig.BindAll();
    rig.panel.SetLive(true);
    EXPECT_FALSE(rig.panel.polling()) << "not shown yet";
    // The power meter is slow: nothing else is asked until it has answered (here: until its
    // answer time has run out).
    rig.instrument.answers.erase("MEAS:POW?");
    rig.panel.SetShown(true);
    EXPECT_TRUE(rig.panel.polling());
    rig.RunUntil([] { return false; }, 30);
    EXPECT_EQ(rig.Queries(), std::vector<std::string>{"MEAS:POW?"});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.panel.reading(Quantity::Frequency).text != ""; }));
    EXPECT_EQ(rig.Queries(),
              (std::vector<std::string>{"MEAS:POW?", "MEAS:FM:DEV?", "MEAS:FREQ?"}));
    EXPECT_TRUE(rig.panel.reading(Quantity::Power).failed);
    EXPECT_NE(rig.panel.reading(Quantity::Power).text.find("no answer to MEAS:POW? within 2 s"),
              std::string::npos);
    EXPECT_EQ(rig.panel.reading(Quantity::Deviation).text, "4500 Hz");
    EXPECT_EQ(rig.panel.reading(Quantity::Frequency).text, "146519780.2 Hz");
    EXPECT_EQ(rig.panel.identity(Role::PowerMeter), "Bench Works,SM-1,0001,1.0");
    for (const BenchEvent& e : rig.events) EXPECT_EQ(e.purpose, Purpose::Watch);

    // The next round waits for the panel's own timer; nothing is asked meanwhile.
    rig.RunUntil([] { return false; }, 20);
    EXPECT_EQ(rig.Queries().size(), 3u);
    EXPECT_EQ(rig.panelTimer.interval(), BenchPanel::kLivePeriod.count());
    rig.instrument.answers["MEAS:POW?"] = "4.92";
    rig.panelTimer.fire();
    rig.RunUntil([] { return false; }, 20);
    EXPECT_EQ(rig.Queries().size(), 6u);
    EXPECT_EQ(rig.panel.reading(Quantity::Power).text, "4.92 W");

    // Hidden: the timer stops, and a round under way ends after its present meter.
    rig.panelTimer.fire();
    rig.Turn();
    rig.panel.SetShown(false);
    EXPECT_FALSE(rig.panel.polling());
    rig.RunUntil([] { return false; }, 20);
    EXPECT_EQ(rig.Queries().size(), 7u);

    // Measure takes one reading for the record, live or not.
    rig.events.clear();
    rig.panel.Measure(Quantity::Deviation);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.events.empty(); }));
    EXPECT_EQ(rig.events[0].purpose, Purpose::Record);
}

TEST(BenchPanelTest, GeneratorSettingsGoRfOffFirstAndOnLast) {
    const struct {
        RfOutput rf;
        const char* wire;
    } rows[] = {
        {RfOutput::Off, "*CLS\nOUTP OFF\nSYST:ERR?\n*CLS\nFREQ 146520000\nSYST:ERR?\n"
                        "*CLS\nPOW -47\nSYST:ERR?\n"},
        {RfOutput::On, "*CLS\nFREQ 146520000\nSYST:ERR?\n*CLS\nPOW -47\nSYST:ERR?\n"
                       "*CLS\nOUTP ON\nSYST:ERR?\n"},
    };
    for (const auto& row : rows) {
        PanelRig rig;
        rig.BindAll();
        rig.panel.ApplyGenerator({146520000.0, -47.0, row.rf});
        ASSERT_TRUE(rig.RunUntil([&] { return rig.events.size() == 3; }));
        EXPECT_EQ(rig.Written(), std::string("*IDN?\n") + row.wire);
        EXPECT_EQ(rig.panel.frequencyHz(), 146520000.0);
        EXPECT_EQ(rig.panel.levelDbm(), -47.0);
        EXPECT_EQ(rig.panel.rf(), row.rf);
        EXPECT_FALSE(rig.panel.status(Role::Generator).failed);
        // A window opened afterwards (during or after a run that set them) shows the same.
        FakeTimer laterTimer;
        const BenchPanel later(rig.station, laterTimer);
        EXPECT_EQ(later.frequencyHz(), 146520000.0);
        EXPECT_EQ(later.levelDbm(), -47.0);
        EXPECT_EQ(later.rf(), row.rf);
    }

    // A refused setting stops the rest and shows the instrument's own text.
    PanelRig rig;
    rig.BindAll();
    rig.instrument.refuses = {{"POW -47", "-222,\"Data out of range\""}};
    rig.panel.ApplyGenerator({146520000.0, -47.0, RfOutput::On});
    ASSERT_TRUE(rig.RunUntil([&] { return rig.panel.status(Role::Generator).failed; }));
    rig.RunUntil([] { return false; }, 10);
    EXPECT_EQ(rig.Written().find("OUTP ON"), std::string::npos);
    EXPECT_EQ(rig.panel.status(Role::Generator).text,
              std::string(kAddress) + ": the instrument refused POW -47: -222,\"Data out of range\"");
    // A value no generator takes is refused before anything is sent.
    rig.panel.ApplyGenerator({-1.0, std::nullopt, std::nullopt});
    EXPECT_EQ(rig.panel.status(Role::Generator).text,
              "the frequency must be above 0 and at most 100000000000 Hz");
}

TEST(BenchPanelTest, FailuresStayOnTheirLineAndOthersWorkShows) {
    PanelRig rig;
    EXPECT_EQ(rig.panel.status(Role::Generator).text, "no instrument set up");
    // A refused address: on its line, with the reason.
    EXPECT_FALSE(rig.panel.SetRole(Role::Generator, {"TCPIP::", ""}).ok());
    EXPECT_TRUE(rig.panel.status(Role::Generator).failed);
    EXPECT_EQ(rig.panel.setup(Role::Generator).address, "");

    // An instrument that refuses the connection: its address and reason on the meter's lines.
    rig.streams.refuseReason = "connection refused";
    rig.BindAll();
    rig.panel.Measure(Quantity::Power);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.panel.reading(Quantity::Power).failed; }));
    EXPECT_EQ(rig.panel.reading(Quantity::Power).text,
              std::string(kAddress) + ": cannot connect: connection refused");
    EXPECT_EQ(rig.panel.status(Role::PowerMeter), rig.panel.reading(Quantity::Power));
    EXPECT_FALSE(rig.panel.status(Role::Generator).failed);
    // It answers again: the trouble is gone from the role's line.
    rig.streams.refuseReason.clear();
    rig.panel.Measure(Quantity::Power);
    ASSERT_TRUE(rig.RunUntil([&] { return !rig.panel.reading(Quantity::Power).failed; }));
    EXPECT_FALSE(rig.panel.status(Role::PowerMeter).failed);

    // A setting made by someone else (a procedure) shows here too.
    bool done = false;
    rig.bench.SetLevel(-93.5, [&](const Status&) { done = true; });
    ASSERT_TRUE(rig.RunUntil([&] { return done; }));
    EXPECT_EQ(rig.panel.levelDbm(), -93.5);
    EXPECT_EQ(rig.panel.status(Role::Generator).text, "set: level -93.5 dBm");
    EXPECT_GT(rig.changes, 0);
}

}  // namespace
}  // namespace qs::instruments::testing
