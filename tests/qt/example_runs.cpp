#include "example_runs.h"

#include <string>

namespace qs::qt::testing {
namespace {

// The steps of docs/procedures/virtual-bench.toml: the item a step sets (from, to) and the
// value it judges with its unit and limits.
struct ExampleStep {
    const char* title;
    const char* kind;
    const char* item;
    int from, to;
    const char* judged;
    const char* text;
    double number;
    const char* unit;
    const char* limits;
};
constexpr ExampleStep kSteps[] = {
    {"Supply voltage", "check", "", 0, 0, "VIN", "7.49V", 7.49, "V", "7 to 8 V"},
    {"Warm-up", "wait", "", 0, 0, "", "", 0, "", ""},
    {"Radio at room temperature", "check", "", 0, 0, "TEMPS", "24.81'C", 24.81, "°C", "15 to 35 °C"},
    {"Connect the antenna socket to the monitor's T/R port (through the attenuator) and check "
     "that the attenuator is rated for the transmitter's power", "prompt", "", 0, 0, "", "", 0, "", ""},
    {"Generator off while transmitting", "generator", "", 0, 0, "", "", 0, "", ""},
    {"Test channel: high power", "set", "CH No.", 2, 0, "", "", 0, "", ""},
    {"Reference frequency", "adjust", "REF", 128, 143, "frequency", "146520000 Hz", 146520000, "Hz",
     "146520000 Hz ± 100 Hz"},
    {"High power", "adjust", "Power(Hi)", 212, 212, "power", "5.53 W", 5.53, "W", "5.5 W ± 0.1 W"},
    {"Test channel: low power 2", "set", "CH No.", 0, 1, "", "", 0, "", ""},
    {"Low power 2", "adjust", "Power(L2)", 130, 141, "power", "2.45 W", 2.45, "W", "2.5 W ± 0.2 W"},
    {"Test channel: low power 1", "set", "CH No.", 1, 3, "", "", 0, "", ""},
    {"Low power 1", "adjust", "Power(L1)", 80, 91, "power", "1.02 W", 1.02, "W", "1 W ± 0.1 W"},
    {"Back to the high-power test channel", "set", "CH No.", 3, 0, "", "", 0, "", ""},
    {"Modulation", "adjust", "MOD", 60, 97, "deviation", "2910 Hz", 2910, "Hz", "2900 Hz ± 100 Hz"},
    {"Deviation within limits", "measure", "", 0, 0, "deviation", "2910 Hz", 2910, "Hz",
     "2700 to 3100 Hz"},
    {"Transmit frequency within limits", "measure", "", 0, 0, "frequency", "146520010 Hz",
     146520010, "Hz", "146520000 Hz ± 200 Hz"},
    {"Transmit level", "level", "TX LVA", 150, 166, "", "", 0, "", ""},
    {"Generator on the receive frequency", "generator", "", 0, 0, "", "", 0, "", ""},
    {"Band-pass filters", "sweep", "BPF T1", 70, 64, "", "", 0, "", ""},
    {"Receive level", "level", "RX LVA", 120, 128, "LVIN", "2.35V", 2.35, "V", "2.3 to 2.4 V"},
    {"Signal-strength thresholds", "rssi", "RSSI S3", 80, 74, "", "", 0, "", ""},
    {"Generator off", "generator", "", 0, 0, "", "", 0, "", ""},
    {"Supply after the alignment", "check", "", 0, 0, "VIN", "7.45V", 7.45, "V", "7 to 8 V"},
};

// How each run ended: at which step (0: passed) and in which words.
struct Ending {
    RunVerdict verdict;
    int step;
    const char* message;
};
constexpr Ending kEndings[] = {
    {RunVerdict::Aborted, 5, "stopped by the technician"},
    {RunVerdict::Fail, 14, "60 settings (max_steps) did not bring the deviation within 2900 Hz ± "
                           "100 Hz; the nearest was 2710 Hz at 120"},
    {RunVerdict::Error, 8, "the power meter did not answer: TCPIP::192.168.100.200::5025::SOCKET: "
                           "no answer to MEAS:POW? within 2 s"},
    {RunVerdict::Fail, 3, "36.02'C is above 35 °C"},
    {RunVerdict::Fail, 20, "2.52V is above 2.4 V"},
    {RunVerdict::Pass, 0, ""},
    {RunVerdict::Pass, 0, ""},
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
    step.started = "2026-12-07 11:00:00";
    step.startMs = number * 4000;
    step.durationMs = 3900;
    // An adjustment starts where its item stands and takes four settings, each read back.
    const bool adjust = std::string(s.kind) == "adjust";
    const int settings = adjust ? (s.from != s.to ? 4 : 0) : 1;
    for (int i = adjust ? 0 : 1; *s.item != '\0' && i <= settings; ++i) {
        const int value = settings == 0 ? s.from : s.from + (s.to - s.from) * i / settings;
        step.values.push_back({s.item, std::to_string(value), double(value), ""});
        if (*s.judged != '\0' && i < settings) step.values.push_back({s.judged, s.text, 0, s.unit});
    }
    if (*s.judged != '\0') {
        step.measured = SeenValue{s.judged, s.text, s.number, s.unit};
        step.values.push_back(*step.measured);
        step.limits = StepLimits{std::nullopt, std::nullopt, s.unit, s.limits};
    }
    const bool ends = number == end.step;
    step.outcome = !ends                            ? StepOutcome::Pass
                   : end.verdict == RunVerdict::Fail  ? StepOutcome::Fail
                   : end.verdict == RunVerdict::Error ? StepOutcome::Error
                                                      : StepOutcome::Aborted;
    if (ends) step.message = end.message;
    return step;
}

}  // namespace

std::vector<RunRecord> SevenExampleRuns() {
    std::vector<RunRecord> runs;
    for (const Ending& end : kEndings) {
        const std::string hour = "2026-12-07 1" + std::to_string(runs.size() + 1);
        RunRecord run;
        run.procedureTitle = "QT-71DR receiver and transmitter alignment (virtual bench)";
        run.procedureRevision = "1";
        run.procedureFile = "/home/bench/procedures/qt71dr/virtual-bench.toml";
        run.technician = "Ann Tech";
        run.serialNumber = "SN 4F12";
        run.workOrder = "WO-2026-1207-0042";
        run.started = hour + ":00:00";
        run.ended = hour + ":01:36";
        run.durationMs = 96000;
        run.verdict = end.verdict;
        if (end.step != 0) run.endReason = "step " + std::to_string(end.step) + " ended the run";
        run.notes = {"The generator's RF was switched off at the end of the run."};
        const std::string monitor = "TCPIP::192.168.100.200::5025::SOCKET";
        const std::string identity = "Bench Works,SM-1,SN-000117-2024-A,1.2.3";
        run.instruments = {{"generator", monitor, identity, "2026-06-30"},
                           {"power_meter", monitor, identity, "2027-03-01"}};
        for (const ExampleStep& s : kSteps) {
            run.steps.push_back(StepOf(s, static_cast<int>(run.steps.size()) + 1, end));
        }
        runs.push_back(run);
    }
    return runs;
}

}  // namespace qs::qt::testing
