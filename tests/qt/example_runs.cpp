#include "example_runs.h"

#include <iterator>
#include <string>

namespace qs::qt::testing {
namespace {

// The kinds of step of docs/procedures/virtual-bench.toml, taken in turn for its 23 steps:
// the item a step sets (from, to) and the value it judges with its limits.
struct ExampleStep {
    const char* title;
    const char* kind;
    const char* item;
    int from, to;
    SeenValue judged;
    const char* limits;
};
const ExampleStep kSteps[] = {
    {"Supply voltage", "check", "", 0, 0, {"VIN", "7.49V", 7.49, "V"}, "7 to 8 V"},
    {"Connect the antenna socket to the monitor's T/R port (through the attenuator) and check "
     "that the attenuator is rated for the transmitter's power", "prompt", "", 0, 0, {}, ""},
    {"Test channel: high power", "set", "CH No.", 2, 0, {}, ""},
    {"Reference frequency", "adjust", "REF", 128, 143,
     {"frequency", "146520000 Hz", 146520000, "Hz"}, "146520000 Hz ± 100 Hz"},
    {"High power", "adjust", "Power(Hi)", 212, 212, {"power", "5.53 W", 5.53, "W"}, "5.5 W ± 0.1 W"},
    {"Radio at room temperature", "check", "", 0, 0, {"TEMPS", "24.81'C", 24.81, "°C"}, "15 to 35 °C"},
};
constexpr int kStepCount = 23;

// How each run ended: at which step (0: it passed) and in which words.
struct Ending {
    StepOutcome outcome;
    int step;
    const char* message;
};
constexpr Ending kEndings[] = {
    {StepOutcome::Aborted, 5, "stopped by the technician"},
    {StepOutcome::Fail, 14, "60 settings (max_steps) did not bring the deviation within 2900 Hz ± "
                            "100 Hz; the nearest was 2710 Hz at 120"},
    {StepOutcome::Error, 8, "the power meter did not answer: TCPIP::192.168.100.200::5025::SOCKET: "
                            "no answer to MEAS:POW? within 2 s"},
    {StepOutcome::Fail, 3, "36.02'C is above 35 °C"},
    {StepOutcome::Fail, 20, "2.52V is above 2.4 V"},
    {StepOutcome::Pass, 0, ""},
    {StepOutcome::Pass, 0, ""},
};

StepRecord StepOf(const ExampleStep& s, int number, const Ending& end) {
    StepRecord step;
    step.number = number;
    step.title = s.title;
    step.kind = s.kind;
    if (end.step != 0 && number > end.step) {
        step.message = "not run";
        return step;
    }
    step.startMs = number * 4000;
    step.durationMs = 3900;
    // An adjustment starts where its item stands and takes four settings, each read back.
    const bool adjust = std::string(s.kind) == "adjust";
    const int settings = adjust ? (s.from != s.to ? 4 : 0) : 1;
    for (int i = adjust ? 0 : 1; *s.item != '\0' && i <= settings; ++i) {
        const int value = settings == 0 ? s.from : s.from + (s.to - s.from) * i / settings;
        step.values.push_back({s.item, std::to_string(value), double(value), ""});
        if (!s.judged.name.empty() && i < settings) step.values.push_back(s.judged);
    }
    if (!s.judged.name.empty()) {
        step.measured = s.judged;
        step.values.push_back(s.judged);
        step.limits = StepLimits{std::nullopt, std::nullopt, s.judged.unit, s.limits};
    }
    step.outcome = number == end.step ? end.outcome : StepOutcome::Pass;
    if (number == end.step) step.message = end.message;
    return step;
}

}  // namespace

std::vector<RunRecord> SevenExampleRuns() {
    std::vector<RunRecord> runs;
    for (const Ending& end : kEndings) {
        const std::string hour = "2026-12-07 1" + std::to_string(runs.size() + 1);
        RunRecord run;
        run.procedureTitle = "QT-71DR receiver and transmitter alignment (virtual bench)";
        run.procedureFile = "/home/bench/procedures/qt71dr/virtual-bench.toml";
        run.technician = "Ann Tech";
        run.serialNumber = "SN 4F12";
        run.started = hour + ":00:00";
        run.durationMs = 96000;
        run.notes = {"The generator's RF was switched off at the end of the run."};
        const std::string monitor = "TCPIP::192.168.100.200::5025::SOCKET";
        const std::string identity = "Bench Works,SM-1,SN-000117-2024-A,1.2.3";
        run.instruments = {{"generator", monitor, identity, "2026-06-30"},
                           {"power_meter", monitor, identity, "2027-03-01"}};
        for (int n = 1; n <= kStepCount; ++n) {
            run.steps.push_back(StepOf(kSteps[std::size_t(n - 1) % std::size(kSteps)], n, end));
        }
        run.verdict = VerdictOf(run.steps);
        runs.push_back(run);
    }
    return runs;
}

}  // namespace qs::qt::testing
