#include "example_runs.h"

#include <string>

namespace qs::qt::testing {
namespace {

// The steps of docs/procedures/virtual-bench.toml with what they set and judged.
struct ExampleStep {
    const char* title;
    const char* kind;
    const char* item;  // the item set or adjusted, "" none
    int from;          // its value before, and after
    int to;
    const char* reading;  // the value judged, "" none
    const char* text;
    double number;
    const char* unit;
    const char* limits;
};
constexpr ExampleStep kSteps[] = {
    {"Supply voltage", "check", "", 0, 0, "VIN", "7.49V", 7.49, "V", "7 to 8 V"},
    {"Warm-up", "wait", "", 0, 0, "", "", 0, "", ""},
    {"Radio at room temperature", "check", "", 0, 0, "TEMPS", "24.81'C", 24.81, "\u00b0C",
     "15 to 35 \u00b0C"},
    {"Connect the antenna socket to the monitor's T/R port (through the attenuator) and check "
     "that the attenuator is rated for the transmitter's power",
     "prompt", "", 0, 0, "", "", 0, "", ""},
    {"Generator off while transmitting", "generator", "", 0, 0, "", "", 0, "", ""},
    {"Test channel: high power", "set", "CH No.", 2, 0, "", "", 0, "", ""},
    {"Reference frequency", "adjust", "REF", 128, 143, "frequency", "146520000 Hz", 146520000,
     "Hz", "146520000 Hz \u00b1 100 Hz"},
    {"High power", "adjust", "Power(Hi)", 212, 212, "power", "5.53 W", 5.53, "W",
     "5.5 W \u00b1 0.1 W"},
    {"Test channel: low power 2", "set", "CH No.", 0, 1, "", "", 0, "", ""},
    {"Low power 2", "adjust", "Power(L2)", 130, 141, "power", "2.45 W", 2.45, "W",
     "2.5 W \u00b1 0.2 W"},
    {"Test channel: low power 1", "set", "CH No.", 1, 3, "", "", 0, "", ""},
    {"Low power 1", "adjust", "Power(L1)", 80, 91, "power", "1.02 W", 1.02, "W",
     "1 W \u00b1 0.1 W"},
    {"Back to the high-power test channel", "set", "CH No.", 3, 0, "", "", 0, "", ""},
    {"Modulation", "adjust", "MOD", 60, 97, "deviation", "2910 Hz", 2910, "Hz",
     "2900 Hz \u00b1 100 Hz"},
    {"Deviation within limits", "measure", "", 0, 0, "deviation", "2910 Hz", 2910, "Hz",
     "2700 to 3100 Hz"},
    {"Transmit frequency within limits", "measure", "", 0, 0, "frequency", "146520010 Hz",
     146520010, "Hz", "146520000 Hz \u00b1 200 Hz"},
    {"Transmit level", "level", "TX LVA", 150, 166, "", "", 0, "", ""},
    {"Generator on the receive frequency", "generator", "", 0, 0, "", "", 0, "", ""},
    {"Band-pass filters", "sweep", "BPF T1", 70, 64, "", "", 0, "", ""},
    {"Receive level", "level", "RX LVA", 120, 128, "LVIN", "2.35V", 2.35, "V", "2.3 to 2.4 V"},
    {"Signal-strength thresholds", "rssi", "RSSI S3", 80, 74, "", "", 0, "", ""},
    {"Generator off", "generator", "", 0, 0, "", "", 0, "", ""},
    {"Supply after the alignment", "check", "", 0, 0, "VIN", "7.45V", 7.45, "V", "7 to 8 V"},
};

// How each run ended: at which step (from 1), how, and in which words; step 0 for a pass.
struct Ending {
    RunVerdict verdict;
    int step;
    const char* message;
    const char* reason;
};
constexpr Ending kEndings[] = {
    {RunVerdict::Aborted, 5, "stopped by the technician", "stopped by the technician at step 5"},
    {RunVerdict::Fail, 14,
     "60 settings (max_steps) did not bring the deviation within 2900 Hz \u00b1 100 Hz; the "
     "nearest was 2710 Hz at 120",
     "step 14 failed"},
    {RunVerdict::Error, 8,
     "the power meter did not answer: TCPIP::192.168.100.200::5025::SOCKET: no answer to "
     "MEAS:POW? within 2 s",
     "step 8 could not be judged"},
    {RunVerdict::Fail, 3, "36.02'C is above 35 \u00b0C", "step 3 failed"},
    {RunVerdict::Fail, 20, "2.52V is above 2.4 V", "step 20 failed"},
    {RunVerdict::Pass, 0, "", ""},
    {RunVerdict::Pass, 0, "", ""},
};

StepRecord StepOf(const ExampleStep& s, int number, const std::string& started) {
    StepRecord step;
    step.number = number;
    step.title = s.title;
    step.kind = s.kind;
    step.outcome = StepOutcome::Pass;
    step.started = started;
    step.startMs = number * 4000;
    step.durationMs = 3900;
    const std::string item = s.item;
    const bool judged = *s.reading != '\0';
    if (!item.empty()) {
        // An adjustment in four settings, each read back; a setting once.
        const bool adjust = std::string(s.kind) == "adjust";
        const int settings = adjust ? (s.from != s.to ? 4 : 0) : 1;
        for (int i = 0; i <= settings; ++i) {
            if (i == 0 && !adjust) continue;
            const int value = settings == 0 ? s.from : s.from + (s.to - s.from) * i / settings;
            step.values.push_back({item, std::to_string(value), double(value), ""});
            if (judged && i < settings) {
                step.values.push_back({s.reading, s.text, s.number * 0.97, s.unit});
            }
        }
    }
    if (judged) {
        step.measured = SeenValue{s.reading, s.text, s.number, s.unit};
        step.values.push_back(*step.measured);
        step.limits = StepLimits{std::nullopt, std::nullopt, s.unit, s.limits};
    }
    return step;
}

}  // namespace

std::vector<RunRecord> SevenExampleRuns() {
    std::vector<RunRecord> runs;
    for (const Ending& end : kEndings) {
        const int n = static_cast<int>(runs.size()) + 1;
        RunRecord run;
        run.procedureTitle = "QT-71DR receiver and transmitter alignment (virtual bench)";
        run.procedureRevision = "1";
        run.procedureFile = "/home/bench/procedures/qt71dr/virtual-bench.toml";
        run.procedureChecksum = "5C0FFEE1";
        run.technician = "Ann Tech";
        run.serialNumber = "SN 4F12";
        run.workOrder = "WO-2026-1207-0042";
        run.bench = "bench-1";
        run.modelCode = "3017";
        run.subCode = "0102";
        run.started = "2026-12-07 1" + std::to_string(n) + ":00:00";
        run.ended = "2026-12-07 1" + std::to_string(n) + ":01:36";
        run.durationMs = 96000;
        run.verdict = end.verdict;
        run.complete = end.step == 0;
        run.endReason = end.reason;
        run.notes = {"The generator's RF was switched off at the end of the run."};
        run.instruments = {{"generator", "TCPIP::192.168.100.200::5025::SOCKET",
                            "Bench Works,SM-1,SN-000117-2024-A,1.2.3", "2026-06-30"},
                           {"power_meter", "TCPIP::192.168.100.200::5025::SOCKET",
                            "Bench Works,SM-1,SN-000117-2024-A,1.2.3", "2027-03-01"}};
        int number = 0;
        for (const ExampleStep& s : kSteps) {
            ++number;
            StepRecord step = StepOf(s, number, run.started);
            if (end.step != 0 && number >= end.step) {
                if (number > end.step) {
                    step = StepRecord();
                    step.number = number;
                    step.title = s.title;
                    step.kind = s.kind;
                    step.message = "not run";
                } else {
                    step.outcome = end.verdict == RunVerdict::Fail    ? StepOutcome::Fail
                                   : end.verdict == RunVerdict::Error ? StepOutcome::Error
                                                                      : StepOutcome::Aborted;
                    step.message = end.message;
                }
            }
            run.steps.push_back(step);
        }
        runs.push_back(run);
    }
    return runs;
}

}  // namespace qs::qt::testing
