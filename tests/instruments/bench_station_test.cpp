// The bench as the program sets it up: role addresses and profile files kept in the settings
// beside the window's options, the virtual monitor under --simulate taking every role whatever
// the settings or a procedure say, and requests that a new binding cuts short ending with an
// error instead of never.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>

#include "bench_rig.h"
#include "fakes/memory_profile_store.h"
#include "instruments/bench_station.h"

namespace qs::instruments::testing {
namespace {

constexpr char kFile[] = "/opt/qs71dr/RW5120A.rs";
constexpr char kOther[] = "TCPIP::10.0.0.6::5025::SOCKET";
constexpr char kMonitor[] = "TCPIP::127.0.0.1::40581::SOCKET";

// A profile file of its own, removed afterwards.
class ProfileFile {
public:
    explicit ProfileFile(const std::string& text) {
        path_ = (std::filesystem::temp_directory_path() /
                 ("bench-station-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                  "-" + std::to_string(++count_) + ".profile"))
                    .string();
        std::ofstream(path_) << text;
    }
    ~ProfileFile() { std::filesystem::remove(path_); }
    const std::string& path() const { return path_; }

private:
    static inline int count_ = 0;
    std::string path_;
};

struct StationRig : BenchRig {
    MemoryProfileStore store;
    BenchStation station{bench};
};

TEST(BenchStationTest, ChoicesAreKeptInTheBenchSectionBesideTheWindowsOptions) {
    StationRig rig;
    rig.store.setRaw(kFile, "OPTION", "ComPort", "2");
    rig.store.setRaw(kFile, "BENCH", "answer_timeout_ms", "99");  // below 100: none
    rig.station.UseSettings(rig.store, kFile);
    EXPECT_EQ(rig.station.setup(), BenchSetup{});

    const ProfileFile profile("name = sm-2\nmeasure_power = READ:POW?\n");
    ASSERT_TRUE(rig.station.Bind(Role::Generator, {"tcpip::10.0.0.5::socket", ""}).ok());
    ASSERT_TRUE(rig.station.Bind(Role::PowerMeter, {kOther, profile.path()}).ok());
    ASSERT_TRUE(rig.station.SetAnswerTimeout(std::chrono::milliseconds(5000)).ok());
    EXPECT_EQ(rig.store.value(kFile, "BENCH", "generator"), "tcpip::10.0.0.5::socket");
    EXPECT_EQ(rig.store.value(kFile, "BENCH", "power_meter_profile"), profile.path());
    EXPECT_EQ(rig.store.value(kFile, "BENCH", "answer_timeout_ms"), "5000");
    EXPECT_EQ(rig.store.value(kFile, "OPTION", "ComPort"), "2");
    EXPECT_EQ(rig.bench.Address(Role::Generator), kAddress);

    // The next run reads them back and binds them.
    StationRig next;
    next.store = rig.store;
    next.station.UseSettings(next.store, kFile);
    EXPECT_EQ(next.station.setup(), rig.station.setup());
    EXPECT_EQ(next.bench.Address(Role::PowerMeter), kOther);
    EXPECT_EQ(next.bench.Address(Role::FrequencyCounter), "");

    // An empty address lets the role go.
    const int writes = rig.store.writes;
    ASSERT_TRUE(rig.station.Bind(Role::Generator, {}).ok());
    EXPECT_EQ(rig.bench.Address(Role::Generator), "");
    EXPECT_EQ(rig.store.value(kFile, "BENCH", "generator"), "");
    EXPECT_EQ(rig.store.writes, writes + 1) << "only the key that changed is written";
}

// A calibration day from the settings goes with its role's instrument into the bench, where
// a run records it, as written (an unreadable one too, so that the report can say so); the
// virtual monitor is judged by the same dates. Another program's settings give only their
// dates and rule, never their addresses.
TEST(BenchStationTest, CalibrationDaysGoIntoTheBenchForTheRunsRecord) {
    StationRig rig;
    rig.store.setRaw(kFile, "BENCH", "power_meter", kOther);
    rig.store.setRaw(kFile, "BENCH", "power_meter_calibration_due", "2027-03-01");
    rig.store.setRaw(kFile, "BENCH", "generator_calibration_due", "1.3.2027");
    rig.station.UseSettings(rig.store, kFile);
    EXPECT_EQ(rig.bench.CalibrationDue(Role::PowerMeter), "2027-03-01");
    EXPECT_EQ(rig.bench.CalibrationDue(Role::Generator), "1.3.2027");
    ASSERT_TRUE(rig.station.Simulate(kMonitor).ok());
    EXPECT_EQ(rig.bench.CalibrationDue(Role::PowerMeter), "2027-03-01");

    StationRig other;
    other.store.setRaw(kFile, "BENCH", "calibration_check", "Refuse");
    other.station.UseCalibrationOf(LoadBenchSettings(rig.store, kFile));
    EXPECT_EQ(other.bench.CalibrationDue(Role::PowerMeter), "2027-03-01");
    EXPECT_EQ(other.bench.Address(Role::PowerMeter), "");
    EXPECT_EQ(other.station.setup().calibrationPolicy, CalibrationPolicy::Warn);
    other.station.UseCalibrationOf(LoadBenchSettings(other.store, kFile));
    EXPECT_EQ(other.station.setup().calibrationPolicy, CalibrationPolicy::Refuse);
}

// Calibration dates are read, never written: a day YYYY-MM-DD is taken, anything else is the
// role's settings problem, and binding the role leaves the date as the file has it.
TEST(BenchStationTest, CalibrationDatesAreDaysOrAProblem) {
    const struct {
        const char* value;
        const char* date;
        bool problem;
    } cases[] = {
        {"", "", false},
        {"2027-03-31", "2027-03-31", false},
        {" 2028-02-29 ", "2028-02-29", false},
        {"2000-02-29", "2000-02-29", false},
        {"2027-02-29", "", true},
        {"2100-02-29", "", true},
        {"2027-04-31", "", true},
        {"2027-13-01", "", true},
        {"2027-3-1", "", true},
        {"31.03.2027", "", true},
        {"2027-03-31T00:00", "", true},
        {"soon", "", true},
    };
    for (const auto& c : cases) {
        StationRig rig;
        rig.store.setRaw(kFile, "BENCH", "power_meter_calibration_due", c.value);
        rig.station.UseSettings(rig.store, kFile);
        const CalibrationDue& due = rig.station.setup().calibrationDue(Role::PowerMeter);
        EXPECT_EQ(due.date, c.date) << c.value;
        EXPECT_EQ(due.problem.empty(), !c.problem) << c.value;
        if (c.problem) {
            EXPECT_EQ(due.problem, std::string("the settings' power_meter_calibration_due is not a "
                                               "date YYYY-MM-DD: '") + c.value + "'");
        }
        EXPECT_EQ(rig.station.setup().calibrationDue(Role::Generator), CalibrationDue{});
    }
    StationRig rig;
    rig.store.setRaw(kFile, "BENCH", "generator_calibration_due", "2027-03-31");
    rig.station.UseSettings(rig.store, kFile);
    ASSERT_TRUE(rig.station.Bind(Role::Generator, {kOther, ""}).ok());
    EXPECT_EQ(rig.station.setup().calibrationDue(Role::Generator).date, "2027-03-31");
    EXPECT_EQ(rig.store.value(kFile, "BENCH", "generator_calibration_due"), "2027-03-31");
}

TEST(BenchStationTest, MistakesAreRefusedWithTheirReasonAndNothingIsKept) {
    const ProfileFile broken("set_level = POW\n");
    const ProfileFile other("name = other\nmeasure_power = MEAS:POW?\n");
    const struct {
        const char* name;
        Role role;
        RoleSetup choice;
        Fault fault;
        std::string message;
    } rows[] = {
        {"address", Role::Generator, {"TCPIP::10.0.0.5::INSTR", ""}, Fault::BadAddress, "INSTR"},
        {"profile file", Role::Generator, {kAddress, broken.path()}, Fault::BadProfile,
         broken.path() + ":1: set_level must carry the value as {dbm}"},
        {"no file", Role::Generator, {kAddress, "/no/such.profile"}, Fault::BadProfile,
         "profile /no/such.profile: No such file or directory"},
        {"two profiles", Role::PowerMeter, {kAddress, other.path()}, Fault::BadProfile,
         "already the generator with profile 'generic'"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        StationRig rig;
        rig.station.UseSettings(rig.store, kFile);
        ASSERT_TRUE(rig.station.Bind(Role::Generator, {kAddress, ""}).ok());
        const BenchSetup before = rig.station.setup();
        const int writes = rig.store.writes;
        const Status refused = rig.station.Bind(row.role, row.choice);
        ASSERT_FALSE(refused.ok());
        EXPECT_EQ(refused.error().fault, row.fault);
        EXPECT_NE(refused.error().message.find(row.message), std::string::npos)
            << refused.error().message;
        EXPECT_EQ(rig.station.setup(), before);
        EXPECT_EQ(rig.store.writes, writes);
    }

    // A profile file that went away since: the role is left unbound, and says why.
    StationRig rig;
    rig.store.setRaw(kFile, "BENCH", "power_meter", kAddress);
    rig.store.setRaw(kFile, "BENCH", "power_meter_profile", "/no/such.profile");
    rig.station.UseSettings(rig.store, kFile);
    EXPECT_EQ(rig.bench.Address(Role::PowerMeter), "");
    EXPECT_EQ(rig.station.problem(Role::PowerMeter),
              "profile /no/such.profile: No such file or directory");
    EXPECT_EQ(rig.station.setup().role(Role::PowerMeter).address, kAddress);
}

TEST(BenchStationTest, UnderSimulateEveryRoleIsTheMonitorWhateverIsAsked) {
    StationRig rig;
    rig.store.setRaw(kFile, "BENCH", "generator", kOther);
    rig.station.UseSettings(rig.store, kFile);
    ASSERT_TRUE(rig.station.Simulate("TCPIP::127.0.0.1::40581::SOCKET").ok());
    for (Role role : kRoles) EXPECT_EQ(rig.bench.Address(role), kMonitor) << RoleName(role);

    const int writes = rig.store.writes;
    EXPECT_TRUE(rig.station.Bind(Role::Generator, {kAddress, ""}).ok());
    EXPECT_TRUE(rig.station.BindForRun(Role::PowerMeter, kAddress, {}).ok());
    rig.station.Restore();
    for (Role role : kRoles) EXPECT_EQ(rig.bench.Address(role), kMonitor) << RoleName(role);
    EXPECT_EQ(rig.store.writes, writes);
    EXPECT_EQ(rig.station.setup().role(Role::Generator).address, kOther);
    // Still checked: a procedure with a bad address is found out under --simulate too.
    EXPECT_EQ(rig.station.BindForRun(Role::PowerMeter, "GPIB::7::INSTR", {}).error().fault,
              Fault::BadAddress);
}

TEST(BenchStationTest, ARequestCutShortByANewBindingEndsWithItsReason) {
    StationRig rig;
    rig.station.UseSettings(rig.store, kFile);
    ASSERT_TRUE(rig.station.Bind(Role::PowerMeter, {kAddress, ""}).ok());
    std::vector<BenchEvent> events;
    const int id = rig.station.Watch([&](const BenchEvent& e) { events.push_back(e); });
    // The meter never answers; the technician moves the role meanwhile.
    std::optional<Result<Measurement>> got;
    rig.bench.Measure(Quantity::Power, [&](const Result<Measurement>& r) { got = r; });
    rig.Turn();
    ASSERT_TRUE(rig.station.Bind(Role::PowerMeter, {kOther, ""}).ok());
    ASSERT_TRUE(rig.RunUntil([&] { return got.has_value(); }, 3));
    EXPECT_EQ(got->error().fault, Fault::ConnectionLost);
    EXPECT_EQ(got->error().message, std::string(kAddress) +
                                        ": closed, as no role uses this instrument any more");
    ASSERT_EQ(events.size(), 1u);
    EXPECT_TRUE(events[0].failure.has_value());

    // A watcher that leaves while it is told is not told again; the others still are.
    int told = 0;
    int self = 0;
    self = rig.station.Watch([&](const BenchEvent&) { rig.station.Unwatch(self); });
    rig.station.Watch([&](const BenchEvent&) { ++told; });
    rig.station.Unwatch(id);
    ASSERT_TRUE(rig.station.Bind(Role::Generator, {kOther, ""}).ok());
    for (int i = 0; i < 2; ++i) {
        bool done = false;
        rig.bench.SetRf(RfOutput::Off, [&](const Status&) { done = true; });
        ASSERT_TRUE(rig.RunUntil([&] { return done; }));
    }
    EXPECT_EQ(told, 2);
    EXPECT_EQ(events.size(), 1u);
}

// Process locks of which another program's run may hold some.
struct FakeLocks : IProcessLocks {
    std::map<std::string, std::string> others;  // key: its holder
    std::set<std::string> held;
    Outcome TryLock(const std::string& key, std::string& holder) override {
        const auto other = others.find(key);
        if (other != others.end()) {
            holder = other->second;
            return Outcome::Held;
        }
        held.insert(key);
        return Outcome::Taken;
    }
    void UnlockAll() override { held.clear(); }
};

TEST(BenchStationTest, ARunHoldsItsInstrumentsAcrossProgramsUntilTheBenchIsLetGo) {
    StationRig rig;
    FakeLocks locks;
    rig.station.setLocks(&locks);
    rig.station.UseSettings(rig.store, kFile);
    locks.others[kOther] = "qs71dr-cli (process 4121)";
    // Two spellings of one instrument are one lock.
    EXPECT_TRUE(rig.station.BindForRun(Role::Generator, "tcpip::10.0.0.5::socket", {}).ok());
    EXPECT_TRUE(rig.station.Reserve(kAddress).ok());
    EXPECT_EQ(locks.held, std::set<std::string>{kAddress});
    const Status refused = rig.station.BindForRun(Role::PowerMeter, kOther, {});
    EXPECT_EQ(refused.error().fault, Fault::Held);
    EXPECT_EQ(refused.error().message,
              std::string(kOther) + " is in use by a run of qs71dr-cli (process 4121)");
    EXPECT_EQ(rig.bench.Address(Role::PowerMeter), "");
    rig.station.Release();
    EXPECT_TRUE(locks.held.empty());
    // Under --simulate a run holds the monitor that stands in for what the file names.
    ASSERT_TRUE(rig.station.Simulate(kMonitor).ok());
    EXPECT_TRUE(rig.station.Reserve(kOther).ok());
    EXPECT_EQ(locks.held, std::set<std::string>{kMonitor});
}

}  // namespace
}  // namespace qs::instruments::testing
