// Whole procedure files: the issue's example read into the typed procedure with every field,
// the example that ships with the program, several mistakes at once, and the file itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <ostream>
#include <set>

#include "procedure/bench_binding.h"
#include "procedure/procedure_check.h"

namespace qs::procedure {

// Failures name the step by its line and title rather than by its bytes.
void PrintTo(const Step& step, std::ostream* out) {
    *out << "line " << step.place.line << ": " << StepTitle(step);
    if (const auto* set = std::get_if<SetStep>(&step.action)) {
        for (const ItemSetting& s : set->settings) {
            *out << " [" << s.item.index << " " << s.place.line << ":" << s.place.column << "]";
        }
    }
}

namespace {

namespace fs = std::filesystem;

constexpr const char* kIssueExample = R"toml(title = "Receiver and transmitter alignment"

[bench]                      # optional; roles as in the Bench window
generator   = "TCPIP::127.0.0.1::5025::SOCKET"
power_meter = "TCPIP::127.0.0.1::5025::SOCKET"
profile     = "generic"      # or a profile file, relative to this file

[[step]]
kind = "prompt"              # waits for OK / Enter
text = "Connect the generator to the antenna socket."

[[step]]
kind = "generator"
frequency = "rx"             # the test channel's receive frequency, or a number in Hz
level_dbm = -47.0
rf = true

[[step]]
kind = "set"
items = { "CH No." = 2, "BAL" = 120 }

[[step]]
kind = "sweep"               # bpf-all | bpf-t1 | bpf-t2
which = "bpf-all"

[[step]]
kind = "level"               # the level adjustment
side = "rx"                  # rx | tx
target = 120                 # optional: sets the target item first

[[step]]
kind = "rssi"                # with a generator: sets s3_dbm, captures, s1_dbm, captures; without: prompts
s3_dbm = -93.0
s1_dbm = -117.0

[[step]]
kind = "adjust"              # steps ITEM until the measurement is within target ± tolerance
item = "Power(Hi)"
measure = "power"
target = 5.0
tolerance = 0.1
max_steps = 40               # optional

[[step]]
kind = "check"               # a live reading within limits, by its row label, in its display unit
reading = "LVIN"
min = 2.3
max = 2.6

[[step]]
kind = "measure"             # an instrument reading within limits
quantity = "deviation"
min = 2800
max = 3200
)toml";

constexpr const char* kAddress = "TCPIP::127.0.0.1::5025::SOCKET";

CheckOptions Simulated() {
    CheckOptions options;
    options.binding = BenchBinding::Simulated;
    return options;
}

std::vector<std::string> Texts(const CheckedProcedure& checked) {
    std::vector<std::string> texts;
    for (const Diagnostic& d : checked.diagnostics) texts.push_back(DiagnosticText(d));
    return texts;
}

Step MakeStep(int line, StepAction action) {
    Step step;
    step.place = {line, 1};
    step.action = std::move(action);
    return step;
}

TEST(ProcedureFile, IssueExampleReadsIntoTheTypedProcedure) {
    const CheckedProcedure checked = CheckProcedureText(kIssueExample, "align.toml", Simulated());
    ASSERT_TRUE(checked.ok()) << testing::PrintToString(Texts(checked));
    const Procedure& p = *checked.procedure;
    EXPECT_EQ(p.file, "align.toml");
    EXPECT_EQ(p.title, "Receiver and transmitter alignment");
    EXPECT_EQ(p.revision, "");
    const Bench bench{{kAddress, kAddress, "", ""}, "generic", "", std::chrono::seconds(2)};
    EXPECT_EQ(p.bench, bench);

    Acceptance lvin;
    lvin.min = 2.3;
    lvin.max = 2.6;
    Acceptance deviation;
    deviation.min = 2800;
    deviation.max = 3200;
    const std::vector<Step> expected{
        MakeStep(8, PromptStep{"Connect the generator to the antenna socket."}),
        MakeStep(12, GeneratorStep{Nominal{Nominal::Source::ChannelRx, 0.0}, -47.0, true}),
        // In the file's order, not the table's sorted one.
        MakeStep(18, SetStep{{{{0, "CH No."}, 2, {20, 11}}, {{4, "BAL"}, 120, {20, 25}}}}),
        MakeStep(22, SweepStep{BandPassFilter::All}),
        MakeStep(26, LevelStep{LevelSide::Rx, 120}),
        MakeStep(31, RssiStep{-93.0, -117.0}),
        MakeStep(36, AdjustStep{{1, "Power(Hi)"}, Quantity::Power, {Nominal::Source::Given, 5.0},
                                0.1, 40}),
        MakeStep(44, CheckStep{{ReadingGroup::Ad, 2, "LVIN", "V"}, lvin}),
        MakeStep(50, MeasureStep{Quantity::Deviation, deviation}),
    };
    ASSERT_EQ(p.steps.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(p.steps[i], expected[i]);
    EXPECT_EQ(RolesNeeded(p), (std::vector<BenchRole>{BenchRole::Generator, BenchRole::PowerMeter,
                                                      BenchRole::ModulationMeter}));
}

// The example's own bench names no modulation meter for its deviation measurement: only the
// virtual monitor, which takes every role, lets it run.
TEST(ProcedureFile, IssueExampleOnARealBenchLacksTheModulationMeter) {
    const CheckedProcedure checked = CheckProcedureText(kIssueExample, "align.toml", {});
    EXPECT_EQ(Texts(checked),
              std::vector<std::string>{"align.toml:50:1: this measure step needs a modulation "
                                       "meter, and [bench] names no 'modulation_meter'"});
}

TEST(ProcedureFile, ShippedExampleForTheVirtualBenchPasses) {
    const CheckedProcedure checked =
        CheckProcedureFile(QS_PROCEDURES_DIR "/virtual-bench.toml", CheckOptions{});
    ASSERT_TRUE(checked.ok()) << testing::PrintToString(Texts(checked));
    const Procedure& p = *checked.procedure;
    EXPECT_EQ(RolesNeeded(p), (std::vector<BenchRole>(kBenchRoles.begin(), kBenchRoles.end())));
    // Every kind a shop's alignment of this radio uses is shown.
    std::set<std::string> kinds;
    for (const Step& step : p.steps) kinds.insert(std::string(KindName(step.action)));
    for (const char* kind : {"prompt", "wait", "generator", "set", "sweep", "level", "rssi",
                             "adjust", "check", "measure"}) {
        EXPECT_TRUE(kinds.count(kind)) << kind;
    }
}

TEST(ProcedureFile, MistakesAreReportedTogetherInFileOrder) {
    // Keys of one table come from the parser sorted by name; the report follows the file.
    const char* text =
        "[[step]]\nkind = \"adjust\"\nitem = \"Powr(Hi)\"\nmeasure = \"watts\"\ntarget = 5\n"
        "tolerance = -1\n"
        "[[step]]\nkind = \"wait\"\nsecnds = 3\n"
        "[[step]]\nkind = \"check\"\nreading = \"VIN\"\nmin = 9\nmax = 8\n";
    EXPECT_EQ(Texts(CheckProcedureText(text, "f.toml", {})),
              (std::vector<std::string>{
                  "f.toml:3:8: no item is called 'Powr(Hi)'; did you mean 'Power(Hi)'?",
                  "f.toml:4:11: 'measure' must be 'power', 'deviation' or 'frequency', not 'watts'",
                  "f.toml:6:13: tolerance must be above 0, not -1",
                  "f.toml:7:1: this wait step needs 'seconds'",
                  "f.toml:9:1: unknown key 'secnds' in this wait step; did you mean 'seconds'?",
                  "f.toml:13:7: min 9 is above max 8",
              }));
}

TEST(ProcedureFile, ManyMistakesAreCut) {
    std::string text;
    for (int i = 0; i < 25; ++i) text += "[[step]]\nkind = \"nothing\"\n";
    const std::vector<std::string> texts = Texts(CheckProcedureText(text, "f.toml", {}));
    ASSERT_EQ(texts.size(), kMaxDiagnostics + 1);
    EXPECT_EQ(texts.front().substr(0, 42), "f.toml:2:8: unknown step kind 'nothing' (t");
    EXPECT_EQ(texts.back(), "f.toml: 5 more mistakes not shown; correct these first");
}

TEST(ProcedureFile, InstrumentAddressesAreCheckedByTheInstrumentCore) {
    CheckOptions options = Simulated();
    options.addressMistake = [](const std::string& address) {
        return address.rfind("TCPIP::", 0) == 0 ? std::string() : "no such kind of address";
    };
    const char* text =
        "[bench]\ngenerator = \"GPIB0::19::INSTR\"\npower_meter = \"TCPIP::10.0.0.9::SOCKET\"\n"
        "[[step]]\nkind = \"wait\"\nseconds = 1\n";
    EXPECT_EQ(Texts(CheckProcedureText(text, "f.toml", options)),
              std::vector<std::string>{
                  "f.toml:2:13: generator 'GPIB0::19::INSTR': no such kind of address"});
}

TEST(ProcedureFile, SimulatedBenchTakesEveryRole) {
    const char* text = "[[step]]\nkind = \"measure\"\nquantity = \"frequency\"\ntarget = \"tx\"\n"
                       "tolerance = 150\n";
    EXPECT_FALSE(CheckProcedureText(text, "f.toml", {}).ok());
    const CheckedProcedure checked = CheckProcedureText(text, "f.toml", Simulated());
    ASSERT_TRUE(checked.ok());
    const auto& measure = std::get<MeasureStep>(checked.procedure->steps[0].action);
    const Bounds bounds = Resolve(measure.limits, {146.52e6, 146.34e6});
    EXPECT_DOUBLE_EQ(bounds.min, 146.34e6 - 150);
    EXPECT_DOUBLE_EQ(bounds.max, 146.34e6 + 150);
    // No [bench]: the built-in profile and the usual time-out.
    EXPECT_EQ(checked.procedure->bench, Bench{});
}

class ProcedureFolder : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/qs-procedure-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder_ = pattern;
        fs::create_directories(folder_ / "procedures");
        fs::create_directories(folder_ / "profiles");
    }
    void TearDown() override { fs::remove_all(folder_); }

    std::string Write(const fs::path& name, const std::string& text) {
        std::ofstream(folder_ / name, std::ios::binary) << text;
        return (folder_ / name).string();
    }

    fs::path folder_;
};

TEST_F(ProcedureFolder, ProfileFileIsFoundFromTheProcedure) {
    Write("profiles/monitor.profile", "FREQ {hz}\n");
    const std::string file = Write(
        "procedures/align.toml",
        "[bench]\nprofile = \"../profiles/monitor.profile\"\ntimeout_seconds = 5\n"
        "[[step]]\nkind = \"wait\"\nseconds = 0.25\n");
    const CheckedProcedure checked = CheckProcedureFile(file, {});
    ASSERT_TRUE(checked.ok()) << testing::PrintToString(Texts(checked));
    const Procedure& p = *checked.procedure;
    EXPECT_EQ(p.bench.profileName, "");
    EXPECT_EQ(p.bench.profileFile, (folder_ / "profiles/monitor.profile").string());
    EXPECT_EQ(p.bench.queryTimeout, std::chrono::seconds(5));
    EXPECT_EQ(std::get<WaitStep>(p.steps[0].action).duration, std::chrono::milliseconds(250));

    // A folder of that name is no profile.
    const std::string other = Write("procedures/other.toml",
                                    "[bench]\nprofile = \"../profiles\"\n[[step]]\nkind = "
                                    "\"wait\"\nseconds = 1\n");
    EXPECT_EQ(Texts(CheckProcedureFile(other, {})),
              std::vector<std::string>{
                  other + ":2:11: profile '../profiles' is neither a built-in profile "
                          "('generic') nor a file: '" + (folder_ / "profiles").string() +
                  "' is not a file"});
}

// With the program's own check a profile file is read too: a mistake in it is found before any
// port opens, with the profile's line.
TEST_F(ProcedureFolder, AProfileFileWithAMistakeIsAMistake) {
    const std::string profile = Write("profiles/shop.profile", "name = shop\ntimeout_ms = fast\n");
    const std::string file = Write("procedures/align.toml",
                                   "[bench]\nprofile = \"../profiles/shop.profile\"\n[[step]]\n"
                                   "kind = \"wait\"\nseconds = 1\n");
    EXPECT_EQ(Texts(CheckProcedureFile(file, ProgramCheckOptions(BenchBinding::AsWritten))),
              std::vector<std::string>{
                  file + ":2:11: profile '../profiles/shop.profile': " +
                  fs::path(profile).lexically_normal().string() +
                  ":2: timeout_ms must be a whole number of milliseconds from 1 to 60000, not "
                  "'fast'"});
}

TEST_F(ProcedureFolder, FilesThatCannotBeProcedures) {
    const std::string missing = (folder_ / "missing.toml").string();
    EXPECT_EQ(Texts(CheckProcedureFile(missing, {})),
              std::vector<std::string>{missing + ": cannot be read: No such file or directory"});
    const std::string folder = (folder_ / "procedures").string();
    EXPECT_EQ(Texts(CheckProcedureFile(folder, {})),
              std::vector<std::string>{folder + ": is not a file"});
    const std::string large =
        Write("large.toml", "# " + std::string(kMaxProcedureFileBytes, 'x') + "\n");
    EXPECT_EQ(Texts(CheckProcedureFile(large, {})),
              std::vector<std::string>{large + ": too large to be a procedure (more than 1024 KiB)"});
    const std::string binary = Write("binary.toml", std::string("a = 1\n\xff\xfe\x00", 9));
    const std::vector<std::string> texts = Texts(CheckProcedureFile(binary, {}));
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0].rfind(binary + ":", 0), 0u);
}

struct TitleRow {
    const char* step;
    const char* title;
};

TEST(ProcedureFile, StepsWithoutANameAreTitledByWhatTheyDo) {
    const TitleRow rows[] = {
        {"name = \"High power\"\nkind = \"wait\"\nseconds = 1", "High power"},
        {"kind = \"wait\"\nseconds = 1.5", "wait 1.5 s"},
        {"kind = \"generator\"\nfrequency = 146520000\nrf = false",
         "generator 146520000 Hz, RF off"},
        {"kind = \"set\"\nitems = { \"Power(Hi)\" = 150, sql = 90 }", "set Power(Hi)=150, SQL=90"},
        {"kind = \"level\"\nside = \"tx\"", "level tx"},
        {"kind = \"adjust\"\nitem = \"REF\"\nmeasure = \"frequency\"\ntarget = \"tx\"\n"
         "tolerance = 50",
         "adjust REF: frequency tx ± 50 Hz"},
        {"kind = \"check\"\nreading = \"mod bal\"\nmax = 60", "check MOD BAL at most 60 %"},
        {"kind = \"measure\"\nquantity = \"power\"\nmin = 4.5", "measure power at least 4.5 W"},
    };
    for (const TitleRow& row : rows) {
        const CheckedProcedure checked =
            CheckProcedureText("[[step]]\n" + std::string(row.step) + "\n", "f.toml", Simulated());
        ASSERT_TRUE(checked.ok()) << row.step << testing::PrintToString(Texts(checked));
        EXPECT_EQ(StepTitle(checked.procedure->steps[0]), row.title);
    }
}

}  // namespace
}  // namespace qs::procedure
