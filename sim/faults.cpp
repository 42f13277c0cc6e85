#include "faults.h"

#include <charconv>

namespace qtsim {

namespace {

enum class Argument { None, Count, Byte, Level };

struct FaultName {
    const char* name;
    Argument argument;
    int defaultValue;
    const char* help;
};

constexpr FaultName kFaultNames[] = {
    {"no-echo", Argument::None, 0, "the cable returns nothing: no echo, no answer"},
    {"no-answer", Argument::None, 0, "the echo comes back but the radio never answers"},
    {"silent-after", Argument::Count, 10, "=N: a clone read stops after N blocks (default 10)"},
    {"other-model", Argument::None, 0, "the radio identifies as model code 3018"},
    {"refused-sub", Argument::None, 0, "the radio identifies with sub code 0200"},
    {"bad-format", Argument::Byte, kDefaultBadFormatByte,
     "=HH: identification format byte HH instead of 01 (default 02)"},
    {"bad-checksum", Argument::Count, 5, "=K: block K has a wrong checksum (default 5)"},
    {"block-outside", Argument::None, 0, "one block more, at 7D70, outside the memory image"},
    {"end-count", Argument::None, 0, "the end frame counts one block too many"},
    {"noise", Argument::None, 0, "random bytes (never FE or FD) between the radio's frames"},
    {"drop-byte", Argument::Count, 5, "=K: one character of block K is lost (default 5)"},
    {"reading-length", Argument::None, 0, "reading answers have three digits instead of two"},
    {"reading-identity", Argument::None, 0, "reading answers carry model code 3018"},
    {"reading-digits", Argument::None, 0, "reading answers carry non-hexadecimal digits"},
    {"hang-up", Argument::Count, 100,
     "=K: the line goes dead after block K until the port is reopened (default 100)"},
    {"monitor-mute-at", Argument::Level, -111,
     "=DBM: the service monitor answers nothing from its generator set to DBM on (default -111)"},
};

bool parseArgument(const std::string& text, Argument kind, int* value) {
    const int base = kind == Argument::Byte ? 16 : 10;
    const char* first = text.data();
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(first, last, *value, base);
    if (result.ec != std::errc() || result.ptr != last) return false;
    if (kind == Argument::Byte) return *value >= 0 && *value <= 255;
    if (kind == Argument::Level) return *value >= -140 && *value <= 13;
    return *value >= 0 && *value <= 1000000;
}

void setFault(const std::string& name, int value, Faults& faults) {
    if (name == "no-echo") faults.noEcho = true;
    if (name == "no-answer") faults.noAnswer = true;
    if (name == "silent-after") faults.silentAfterBlocks = value;
    if (name == "other-model") faults.otherModel = true;
    if (name == "refused-sub") faults.refusedSubCode = true;
    if (name == "bad-format") faults.formatByte = value;
    if (name == "bad-checksum") faults.badChecksumBlock = value;
    if (name == "block-outside") faults.blockOutside = true;
    if (name == "end-count") faults.endCountOff = true;
    if (name == "noise") faults.noise = true;
    if (name == "drop-byte") faults.dropByteBlock = value;
    if (name == "reading-length") faults.readingLength = true;
    if (name == "reading-identity") faults.readingIdentity = true;
    if (name == "reading-digits") faults.readingDigits = true;
    if (name == "hang-up") faults.hangUpAfterBlocks = value;
    if (name == "monitor-mute-at") faults.monitorMuteAtDbm = value;
}

}  // namespace

bool Faults::any() const {
    return noEcho || noAnswer || silentAfterBlocks >= 0 || otherModel || refusedSubCode ||
           formatByte != 0x01 || badChecksumBlock >= 0 || blockOutside || endCountOff || noise ||
           dropByteBlock >= 0 || readingLength || readingIdentity || readingDigits ||
           hangUpAfterBlocks >= 0 || monitorMuteAtDbm != kNoMuteLevel;
}

bool applyFault(const std::string& text, Faults& faults, std::string* error) {
    const auto equals = text.find('=');
    const std::string name = text.substr(0, equals);
    for (const FaultName& fault : kFaultNames) {
        if (name != fault.name) continue;
        int value = fault.defaultValue;
        if (equals != std::string::npos) {
            if (fault.argument == Argument::None) {
                if (error) *error = "fault '" + name + "' takes no value";
                return false;
            }
            if (!parseArgument(text.substr(equals + 1), fault.argument, &value)) {
                if (error) *error = "bad value in fault '" + text + "'";
                return false;
            }
        }
        setFault(name, value, faults);
        return true;
    }
    if (error) *error = "unknown fault '" + name + "' (see --help for the list)";
    return false;
}

std::vector<std::string> faultHelpLines() {
    std::vector<std::string> lines;
    for (const FaultName& fault : kFaultNames) {
        std::string line = fault.name;
        line.append(line.size() < 18 ? 18 - line.size() : 1, ' ');
        lines.push_back(line + fault.help);
    }
    return lines;
}

}  // namespace qtsim
