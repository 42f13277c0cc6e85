#include "service_monitor.h"

#include <cmath>
#include <cstdio>
#include <functional>

#include "channel_facts.h"
#include "scpi_units.h"

namespace qtsim {

namespace {

// Event status register bits (IEEE 488.2).
constexpr int kOperationComplete = 0x01;
constexpr int kQueryError = 0x04;
constexpr int kDeviceError = 0x08;
constexpr int kExecutionError = 0x10;
constexpr int kCommandError = 0x20;
// Status byte bits.
constexpr int kErrorQueueNotEmpty = 0x04;
constexpr int kEventSummary = 0x20;

constexpr double kMinFrequencyHz = 100e3;
constexpr double kMaxFrequencyHz = 3e9;
constexpr double kMinLevelDbm = -140.0;
constexpr double kMaxLevelDbm = 13.0;
constexpr double kScpiNan = 9.91e37;
constexpr double kScpiNegativeInfinity = -9.9e37;

const std::vector<Suffix> kFrequencySuffixes = {
    {"HZ", 1.0}, {"KHZ", 1e3}, {"MHZ", 1e6}, {"MAHZ", 1e6}, {"GHZ", 1e9}};
const std::vector<Suffix> kLevelSuffixes = {{"DBM", 1.0}};

std::string nr3(double value) {
    char text[40];
    std::snprintf(text, sizeof(text), "%+.9E", value);
    return text;
}

const char* standardText(int code) {
    switch (code) {
        case -104: return "Data type error";
        case -108: return "Parameter not allowed";
        case -109: return "Missing parameter";
        case -113: return "Undefined header";
        case -131: return "Invalid suffix";
        case -222: return "Data out of range";
        case -223: return "Too much data";
        case -224: return "Illegal parameter value";
        case -230: return "Data corrupt or stale";
        default: return "Error";
    }
}

}  // namespace

// Every command the monitor knows, by header pattern and form.
struct MonitorCommands {
    using Answer = std::optional<std::string>;
    enum class Form { Set, Query };
    struct Command {
        const char* pattern;
        Form form;
        bool takesParameter;
        std::function<Answer(ServiceMonitor&, const std::string&)> run;
    };

    static Answer none() { return std::nullopt; }
    static Answer fail(ServiceMonitor& m, int code) {
        m.queueError(code, standardText(code));
        return std::nullopt;
    }
    // Sets a number in [low, high] given with one of `suffixes`.
    static Answer setNumber(ServiceMonitor& m, const std::string& text,
                            const std::vector<Suffix>& suffixes, double low, double high,
                            double& target) {
        int code = 0;
        const auto value = parseNumeric(text, suffixes, &code);
        if (!value) return fail(m, code);
        if (*value < low || *value > high) return fail(m, -222);
        target = *value;
        return none();
    }

    static const std::vector<Command>& table() {
        using M = ServiceMonitor;
        using P = const std::string&;
        static const std::vector<Command> kCommands = {
            {"*IDN", Form::Query, false, [](M& m, P) -> Answer { return m.identity(); }},
            {"*RST", Form::Set, false,
             [](M& m, P) {
                 m.generator_ = GeneratorOutput{};
                 m.powerInDbm_ = false;
                 return none();
             }},
            {"*CLS", Form::Set, false,
             [](M& m, P) {
                 m.errors_.clear();
                 m.eventStatus_ = 0;
                 return none();
             }},
            {"*OPC", Form::Set, false,
             [](M& m, P) {
                 m.eventStatus_ |= kOperationComplete;
                 return none();
             }},
            {"*OPC", Form::Query, false, [](M&, P) -> Answer { return "1"; }},
            {"*WAI", Form::Set, false, [](M&, P) { return none(); }},
            {"*TST", Form::Query, false, [](M&, P) -> Answer { return "0"; }},
            {"*ESR", Form::Query, false,
             [](M& m, P) -> Answer {
                 const int value = m.eventStatus_;
                 m.eventStatus_ = 0;
                 return std::to_string(value);
             }},
            {"*ESE", Form::Set, true,
             [](M& m, P text) {
                 double mask = 0;
                 const Answer answer = setNumber(m, text, {}, 0, 255, mask);
                 m.eventEnable_ = static_cast<int>(mask);
                 return answer;
             }},
            {"*ESE", Form::Query, false,
             [](M& m, P) -> Answer { return std::to_string(m.eventEnable_); }},
            {"*STB", Form::Query, false,
             [](M& m, P) -> Answer {
                 int status = m.errors_.empty() ? 0 : kErrorQueueNotEmpty;
                 if ((m.eventStatus_ & m.eventEnable_) != 0) status |= kEventSummary;
                 return std::to_string(status);
             }},
            {"SYSTem:ERRor[:NEXT]", Form::Query, false,
             [](M& m, P) -> Answer {
                 if (m.errors_.empty()) return "0,\"No error\"";
                 std::string entry = m.errors_.front();
                 m.errors_.pop_front();
                 return entry;
             }},
            {"[SOURce:]FREQuency[:CW]", Form::Set, true,
             [](M& m, P text) {
                 return setNumber(m, text, kFrequencySuffixes, kMinFrequencyHz, kMaxFrequencyHz,
                                  m.generator_.frequencyHz);
             }},
            {"[SOURce:]FREQuency[:CW]", Form::Query, false,
             [](M& m, P) -> Answer { return nr3(m.generator_.frequencyHz); }},
            {"[SOURce:]POWer[:LEVel][:IMMediate][:AMPLitude]", Form::Set, true,
             [](M& m, P text) {
                 return setNumber(m, text, kLevelSuffixes, kMinLevelDbm, kMaxLevelDbm,
                                  m.generator_.levelDbm);
             }},
            {"[SOURce:]POWer[:LEVel][:IMMediate][:AMPLitude]", Form::Query, false,
             [](M& m, P) -> Answer { return nr3(m.generator_.levelDbm); }},
            {"OUTPut[:STATe]", Form::Set, true,
             [](M& m, P text) {
                 const auto on = parseBoolean(text);
                 if (!on) return fail(m, -224);
                 m.generator_.rfOn = *on;
                 return none();
             }},
            {"OUTPut[:STATe]", Form::Query, false,
             [](M& m, P) -> Answer { return m.generator_.rfOn ? "1" : "0"; }},
            {"UNIT:POWer", Form::Set, true,
             [](M& m, P text) {
                 if (headerMatches("W", text) || headerMatches("DBM", text)) {
                     m.powerInDbm_ = headerMatches("DBM", text);
                     return none();
                 }
                 return fail(m, -224);
             }},
            {"UNIT:POWer", Form::Query, false,
             [](M& m, P) -> Answer { return m.powerInDbm_ ? "DBM" : "W"; }},
            {"MEASure:POWer", Form::Query, false, [](M& m, P) { return m.measure("power"); }},
            {"MEASure:FM:DEViation", Form::Query, false,
             [](M& m, P) { return m.measure("deviation"); }},
            {"MEASure:FREQuency", Form::Query, false,
             [](M& m, P) { return m.measure("frequency"); }},
        };
        return kCommands;
    }

    static Answer execute(ServiceMonitor& m, const ScpiUnit& unit) {
        const Form form = unit.query ? Form::Query : Form::Set;
        for (const Command& command : table()) {
            if (command.form != form || !headerMatches(command.pattern, unit.header)) continue;
            if (command.takesParameter && unit.parameters.empty()) return fail(m, -109);
            if (!command.takesParameter && !unit.parameters.empty()) return fail(m, -108);
            return command.run(m, unit.parameters);
        }
        return fail(m, -113);
    }
};

ServiceMonitor::ServiceMonitor(VirtualRadio& radio) : radio_(radio) {
    radio_.coupleGenerator(&generator_, radio_.monitorCurves());
}

ServiceMonitor::~ServiceMonitor() {
    radio_.coupleGenerator(nullptr, radio_.monitorCurves());
}

std::string ServiceMonitor::identity() const {
    return std::string("qt71dr-sim,Virtual service monitor,0,") + QT71DR_SIM_VERSION;
}

void ServiceMonitor::queueError(int code, const std::string& text) {
    if (errors_.size() >= kErrorQueueEntries) {
        errors_.back() = "-350,\"Queue overflow\"";
    } else {
        errors_.push_back(std::to_string(code) + ",\"" + text + "\"");
    }
    if (code <= -100 && code > -200) eventStatus_ |= kCommandError;
    if (code <= -200 && code > -300) eventStatus_ |= kExecutionError;
    if (code <= -300 && code > -400) eventStatus_ |= kDeviceError;
    if (code <= -400 && code > -500) eventStatus_ |= kQueryError;
}

std::string ServiceMonitor::execute(const std::string& line) {
    if (muted_) return std::string();
    const double levelBefore = generator_.levelDbm;
    std::string answer;
    bool any = false;
    for (const ScpiUnit& unit : splitProgramMessage(line)) {
        if (const auto part = MonitorCommands::execute(*this, unit)) {
            answer += (any ? ";" : "") + *part;
            any = true;
        }
    }
    const int muteAt = radio_.config().faults.monitorMuteAtDbm;
    if (muteAt != kNoMuteLevel && generator_.levelDbm != levelBefore &&
        generator_.levelDbm == muteAt) {
        muted_ = true;
        return std::string();
    }
    return any ? answer + "\n" : std::string();
}

std::optional<std::string> ServiceMonitor::measure(const std::string& what) {
    radio_.keyForMeasurement();
    const MemoryImage& image = radio_.image();
    const auto channel = channelFacts(image, radio_.selectedChannel());
    const bool carrier = channel && channel->txHz.has_value();
    const MonitorCurves& curves = radio_.monitorCurves();
    if (what == "power") {
        const double watts =
            carrier ? transmitPowerW(curves, image.read(powerItemAddress(channel->power))) : 0.0;
        if (!powerInDbm_) return nr3(watts);
        return nr3(watts > 0 ? 10.0 * std::log10(watts * 1000.0) : kScpiNegativeInfinity);
    }
    if (!carrier) {
        queueError(-230, "Data corrupt or stale;no carrier");
        return nr3(kScpiNan);
    }
    if (what == "deviation") return nr3(deviationHz(curves, image.read(105)));
    return nr3(carrierHz(curves, *channel->txHz, image.read(173)));
}

}  // namespace qtsim
