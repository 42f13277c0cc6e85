// A run's start, as both front ends take it: a file with a mistake touches nothing, a bench
// that cannot be set up is put back as it was, an instrument out of calibration is said (or,
// where the bench settings refuse it, the bench is put back), and a run that may start holds
// the bench.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fakes/fake_byte_stream.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_timer.h"
#include "instruments/bench_station.h"
#include "procedure/bench_binding.h"

namespace qs::procedure {
namespace {

constexpr char kMeter[] = "TCPIP::10.0.0.7::5025::SOCKET";
constexpr char kSettingsMeter[] = "TCPIP::10.0.0.9::5025::SOCKET";

constexpr char kToday[] = "2026-12-07";

struct StartCase {
    const char* name;
    const char* benchSection;  // after [bench]
    const char* profileText;   // written to shop.profile when not null
    bool fileMistake;
    bool benchProblem;
    // The power meter's calibration in the bench settings, what a run does about it, and the
    // warning said before the run (empty: none).
    const char* due = "2027-03-31";
    instruments::CalibrationPolicy policy = instruments::CalibrationPolicy::Warn;
    const char* warning = "";
};

constexpr char kRuns[] = "power_meter = \"TCPIP::10.0.0.7::5025::SOCKET\"\n";
constexpr auto kRefuse = instruments::CalibrationPolicy::Refuse;

const StartCase kCases[] = {
    {"runs", kRuns, nullptr, false, false},
    {"bad address", "power_meter = \"TCPIP::\"\n", nullptr, true, false},
    {"missing profile", "power_meter = \"TCPIP::10.0.0.7::5025::SOCKET\"\nprofile = \"none.profile\"\n",
     nullptr, true, false},
    {"broken profile", "power_meter = \"TCPIP::10.0.0.7::5025::SOCKET\"\nprofile = \"shop.profile\"\n",
     "name = shop\ntimeout_ms = fast\n", true, false},
    {"due today", kRuns, nullptr, false, false, kToday, kRefuse},
    {"overdue", kRuns, nullptr, false, false, "2026-12-06", instruments::CalibrationPolicy::Warn,
     "power meter calibration overdue: due 2026-12-06 (TCPIP::10.0.0.7::5025::SOCKET)"},
    {"no date", kRuns, nullptr, false, false, "", instruments::CalibrationPolicy::Warn,
     "power meter calibration date not given: the bench settings give no "
     "power_meter_calibration_due (TCPIP::10.0.0.7::5025::SOCKET)"},
    {"unreadable", kRuns, nullptr, false, false, "6.12.2026", instruments::CalibrationPolicy::Warn,
     "power meter calibration date unreadable: the bench settings' power_meter_calibration_due "
     "is not a day YYYY-MM-DD: '6.12.2026' (TCPIP::10.0.0.7::5025::SOCKET)"},
    {"overdue refused", kRuns, nullptr, false, false, "2026-12-06", kRefuse,
     "power meter calibration overdue: due 2026-12-06 (TCPIP::10.0.0.7::5025::SOCKET)"},
};

TEST(RunStartTest, FileMistakesTouchNothingAndARunThatStartsHoldsTheBench) {
    for (const StartCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path folder =
            std::filesystem::temp_directory_path() /
            ("run-start-" + std::to_string(::getpid()) + "-" + std::string(c.name).substr(0, 3));
        std::filesystem::create_directories(folder);
        if (c.profileText) std::ofstream(folder / "shop.profile") << c.profileText;
        const std::string file = (folder / "procedure.toml").string();
        std::ofstream(file) << "title = \"Start\"\n[bench]\n" << c.benchSection
                            << "[[step]]\nkind = \"measure\"\nquantity = \"power\"\nmin = 0\n";

        FakeClock clock;
        FakeTimer timer;
        FakeStreams streams;
        instruments::Bench bench{streams, timer, clock};
        instruments::BenchStation station{bench};
        ASSERT_TRUE(station.Bind(instruments::Role::PowerMeter, {kSettingsMeter, ""}).ok());
        instruments::BenchSetup settings;
        settings.calibration[static_cast<std::size_t>(instruments::Role::PowerMeter)].written = c.due;
        settings.calibrationPolicy = c.policy;
        station.UseCalibrationOf(settings);

        const RunStart start = PrepareRun(file, station, kToday);
        EXPECT_EQ(!start.checked.ok(), c.fileMistake);
        EXPECT_EQ(!start.benchProblems.empty(), c.benchProblem);
        const bool refused = c.policy == kRefuse && *c.warning != '\0';
        EXPECT_EQ(start.calibrationRefused, refused);
        EXPECT_EQ(start.ok(), !c.fileMistake && !c.benchProblem && !refused);
        if (start.checked.ok() && start.benchProblems.empty()) {
            EXPECT_EQ(start.calibrationWarnings,
                      *c.warning ? std::vector<std::string>{c.warning} : std::vector<std::string>{});
        }
        if (start.ok()) {
            EXPECT_EQ(bench.Address(instruments::Role::PowerMeter), kMeter);
            EXPECT_EQ(station.heldBy(), "used by the procedure run 'Start' until it ends");
            EXPECT_FALSE(station.Bind(instruments::Role::PowerMeter, {kSettingsMeter, ""}).ok());
            station.Release();
        } else {
            EXPECT_TRUE(station.heldBy().empty());
        }
        // Released or never taken: the settings' own instrument again.
        EXPECT_EQ(bench.Address(instruments::Role::PowerMeter), kSettingsMeter);
        EXPECT_TRUE(station.heldBy().empty());
        std::filesystem::remove_all(folder);
    }
}

}  // namespace
}  // namespace qs::procedure
