#include "sim_options.h"

#include <charconv>
#include <functional>

#include "monitor_curves.h"

namespace qtsim {

namespace {

bool parseInt(const std::string& text, int low, int high, int* value) {
    const char* last = text.data() + text.size();
    const auto result = std::from_chars(text.data(), last, *value);
    return result.ec == std::errc() && result.ptr == last && !text.empty() && *value >= low &&
           *value <= high;
}

struct NumberOption {
    const char* name;
    int low;
    int high;
    std::function<int*(SimOptions&)> target;
};

const std::vector<NumberOption>& numberOptions() {
    static const std::vector<NumberOption> kOptions = {
        {"--baud", 0, 4000000, [](SimOptions& o) { return &o.radio.bitsPerSecond; }},
        {"--block-size", 1, kMaxBlockBytes, [](SimOptions& o) { return &o.radio.blockSize; }},
        {"--vin", 0, 255, [](SimOptions& o) { return &o.radio.curves.vin; }},
        {"--temp", 0, 255, [](SimOptions& o) { return &o.radio.curves.temp; }},
        {"--wobble", 0, 255, [](SimOptions& o) { return &o.radio.curves.wobble; }},
        {"--bpf1-peak", 0, 255, [](SimOptions& o) { return &o.radio.curves.bpfPeak[0]; }},
        {"--bpf1-width", 0, 255, [](SimOptions& o) { return &o.radio.curves.bpfWidth[0]; }},
        {"--bpf2-peak", 0, 255, [](SimOptions& o) { return &o.radio.curves.bpfPeak[1]; }},
        {"--bpf2-width", 0, 255, [](SimOptions& o) { return &o.radio.curves.bpfWidth[1]; }},
        {"--sd-peak", 0, 255, [](SimOptions& o) { return &o.radio.curves.sdPeak; }},
        {"--sd-floor", 0, 255, [](SimOptions& o) { return &o.radio.curves.sdFloor; }},
        {"--sd-fall", 0, 255, [](SimOptions& o) { return &o.radio.curves.sdFallPerStep; }},
        {"--lvin-low", 0, 255, [](SimOptions& o) { return &o.radio.curves.lvinLow; }},
        {"--lvin-high", 0, 255, [](SimOptions& o) { return &o.radio.curves.lvinHigh; }},
        {"--monitor", 0, 65535, [](SimOptions& o) { return &o.monitorPort; }},
    };
    return kOptions;
}

std::string* textOption(const std::string& name, SimOptions& options) {
    if (name == "--image") return &options.imagePath;
    if (name == "--save-image") return &options.saveImagePath;
    if (name == "--link") return &options.linkPath;
    return nullptr;
}

}  // namespace

ParseOutcome parseOptions(const std::vector<std::string>& args, SimOptions& options,
                          std::string* error) {
    auto fail = [error](const std::string& text) {
        if (error) *error = text;
        return ParseOutcome::Error;
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        if (name == "--help" || name == "-h") return ParseOutcome::Help;
        if (name == "--version") return ParseOutcome::Version;
        if (name == "--verbose" || name == "-v") {
            options.verbose = true;
            continue;
        }
        if (name == "--log-monotonic") {
            options.logMonotonic = true;
            continue;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (name == "--fault") {
            if (!takeValue()) return fail("--fault needs a fault name");
            std::string why;
            if (!applyFault(value, options.radio.faults, &why)) return fail(why);
            continue;
        }
        if (name == "--arrival") {
            if (!takeValue()) return fail("--arrival needs a pattern");
            std::string why;
            if (!parseArrival(value, options.arrival, &why)) return fail(why);
            continue;
        }
        if (std::string* text = textOption(name, options)) {
            if (!takeValue() || value.empty()) return fail(name + " needs a path");
            *text = value;
            continue;
        }
        bool known = false;
        for (const NumberOption& option : numberOptions()) {
            if (name != option.name) continue;
            known = true;
            int number = 0;
            if (!takeValue()) return fail(name + " needs a number");
            if (!parseInt(value, option.low, option.high, &number)) {
                return fail(name + " must be a whole number from " + std::to_string(option.low) +
                            " to " + std::to_string(option.high) + ", not '" + value + "'");
            }
            *option.target(options) = number;
        }
        if (!known) return fail("unknown option '" + args[i] + "' (try --help)");
    }
    return ParseOutcome::Run;
}

std::string usageText() {
    std::string text =
        "Usage: qt71dr-sim [options]\n"
        "A virtual QT-71DR radio with its cloning cable, served on a pseudo-terminal.\n"
        "The first line of output is the device path; serves until SIGINT or SIGTERM.\n"
        "\n"
        "  --baud N          line speed in bit/s, 0 = as fast as possible (default 9600)\n"
        "  --block-size N    data bytes per clone block, 1 to 122 (default 16)\n"
        "  --image FILE      start with this 32112-byte image instead of the built-in one\n"
        "  --save-image FILE  write the image, with every adjustment, here when stopped\n"
        "  --link PATH       also make PATH a symbolic link to the device\n"
        "  --monitor PORT    also serve a virtual service monitor (signal generator, power,\n"
        "                    modulation and frequency meters) in SCPI over TCP on 127.0.0.1\n"
        "                    PORT, 0 for a free one; the second line of output is then\n"
        "                    'monitor TCPIP::127.0.0.1::PORT::SOCKET'. Without it the\n"
        "                    radio reads as below.\n"
        "  --arrival P       how the radio's bytes reach the program (default byte):\n"
        "                    byte: each byte as it leaves the line (a plain serial port);\n"
        "                    chunks[=N/M]: a USB adapter: packets of N bytes, and what it\n"
        "                    holds at every tick of its M ms latency timer (default 16/16:\n"
        "                    about 16 bytes every 16 ms at 9600 bit/s);\n"
        "                    bursts[=N/M]: a packing bridge (network serial server,\n"
        "                    Bluetooth serial link): what it holds when it holds N bytes or\n"
        "                    the line has been idle for M ms (default 256/20)\n"
        "  --fault NAME[=N]  show a fault; repeatable; names below\n"
        "  --verbose, -v     log every frame in both directions on stderr\n"
        "  --log-monotonic   log times as seconds of the monotonic clock (CLOCK_MONOTONIC,\n"
        "                    to the microsecond) instead of seconds since start, so that\n"
        "                    another process can match its own times against the log\n"
        "  --help, -h        this text\n"
        "  --version         the version\n"
        "\n"
        "Reading curves (raw values 0 to 255):\n"
        "  --vin N           supply voltage reading (default 191)\n"
        "  --temp N          temperature reading (default 174, about 25 C)\n"
        "  --wobble N        VIN and TEMPS drift by up to N between readings (default 1)\n"
        "  --bpf1-peak N     BPF T1 setting at the middle of the detector plateau (default 64)\n"
        "  --bpf1-width N    settings within N of the peak read the full peak (default 4)\n"
        "  --bpf2-peak N     the same for BPF T2 (default 74)\n"
        "  --bpf2-width N    (default 4)\n"
        "  --sd-peak N       detector reading on the plateau (default 200)\n"
        "  --sd-fall N       detector drop per setting off the plateau (default 2)\n"
        "  --sd-floor N      lowest detector reading (default 10)\n"
        "  --lvin-low N      LVIN reading at level-adjust setting 0 (default 20)\n"
        "  --lvin-high N     LVIN reading at level-adjust setting 255 (default 220);\n"
        "                    set it below a level target to make the target unreachable\n"
        "\n"
        "Service monitor (--monitor): IEEE 488.2 *IDN? *RST *CLS *OPC *OPC? *ESR? *ESE *STB?\n"
        "*TST? *WAI; SYST:ERR? (-113,\"Undefined header\" for an unknown command, -104, -108,\n"
        "-109, -131, -222, -224, -230, -350 as SCPI has them); FREQ <Hz>, POW <dBm>,\n"
        "OUTP ON|OFF (each also as a query); UNIT:POW W|DBM; MEAS:POW?, MEAS:FM:DEV?,\n"
        "MEAS:FREQ?. Several clients at once share its one state.\n";
    for (const std::string& line : monitorHelpLines())
        text += line + "\n";
    text +=
        "\n"
        "Faults (--fault NAME, blocks counted from 1):\n";
    for (const std::string& line : faultHelpLines())
        text += "  " + line + "\n";
    return text;
}

std::string versionText() {
    return std::string("qt71dr-sim ") + QT71DR_SIM_VERSION + "\n";
}

}  // namespace qtsim
