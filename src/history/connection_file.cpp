#include "history/connection_file.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "history/connection_uid.h"
#include "record/untrusted_text.h"

namespace qs {
namespace {

constexpr const char* kFormatLine = "Format: 1";
// Far more than a day's connection keeps; a larger file is not ours.
constexpr std::size_t kMaxFileBytes = 16u * 1024u * 1024u;

// A field never holds the separator, a line end or another control character: they are made
// spaces, so that what is written always reads back.
std::string Field(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return out;
}

std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t at = 0;
    for (;;) {
        const std::size_t tab = line.find('\t', at);
        fields.push_back(line.substr(at, tab == std::string::npos ? std::string::npos : tab - at));
        if (tab == std::string::npos) return fields;
        at = tab + 1;
    }
}

bool WholeNumber(const std::string& text, std::int64_t& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const long long parsed = std::strtoll(text.c_str(), &end, 10);
    // The whole field, a NUL inside it included, must be the number.
    if (errno != 0 || end != text.c_str() + text.size()) return false;
    value = parsed;
    return true;
}

bool RealNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size();
}

}  // namespace

std::string ConnectionFilePathFor(const std::string& backupPath) {
    const std::string extension = ".qsbak";
    std::string stem = backupPath;
    if (stem.size() > extension.size() &&
        stem.compare(stem.size() - extension.size(), extension.size(), extension) == 0) {
        stem.resize(stem.size() - extension.size());
    }
    return stem + kConnectionFileExtension;
}

std::vector<std::string> ConnectionFileHeading(const std::string& uid, const std::string& bench,
                                               const std::string& programVersion) {
    return {kConnectionFileHeading, kFormatLine, "uid\t" + Field(uid), "bench\t" + Field(bench),
            "program\t" + Field(programVersion)};
}

std::string RunStartLine(std::int64_t runStartMs) {
    return "run\t" + std::to_string(runStartMs);
}

std::string InstrumentLine(const InstrumentEvent& e) {
    // As many digits as bring the same double back.
    char amount[32];
    std::snprintf(amount, sizeof amount, "%.17g", e.amount);
    return "instrument\t" + std::to_string(e.timeMs) + "\t" + Field(e.role) + "\t" +
           Field(e.resource) + "\t" + Field(e.kind) + "\t" + Field(e.quantity) + "\t" + amount +
           "\t" + Field(e.unit);
}

std::string EndLine(std::time_t endedAt) {
    return "ended\t" + std::to_string(static_cast<std::int64_t>(endedAt));
}

namespace {

// One line of the file read into `facts`; the reason when it cannot be.
class LineReader {
public:
    explicit LineReader(ConnectionFacts& facts) : facts_(facts) {}

    std::string Take(const std::vector<std::string>& f) {
        const std::string& key = f[0];
        if (f.size() == 2 && (key == "uid" || key == "bench" || key == "program"))
            return TakeName(key, f[1]);
        std::int64_t whole = 0;
        if (key == "run" && f.size() == 2) {
            if (!WholeNumber(f[1], whole) || whole < 0 || whole > kMaxMs)
                return "a run's start that is no time";
            facts_.runStartsMs.push_back(whole);
            return {};
        }
        if (key == "ended" && f.size() == 2) {
            if (facts_.endedAt) return "a second end";
            if (!WholeNumber(f[1], whole) || whole < 0 || whole > kMaxEpochSeconds)
                return "an end that is no time";
            facts_.endedAt = static_cast<std::time_t>(whole);
            return {};
        }
        if (key == "instrument" && f.size() == 8) return TakeInstrument(f);
        return "a line this program does not know";
    }

private:
    // Later than any clock will show while these files are kept; far beyond a connection.
    static constexpr std::int64_t kMaxEpochSeconds = 253402300799;  // 9999-12-31
    static constexpr std::int64_t kMaxMs = std::int64_t{1} << 40;   // about 35 years

    std::string TakeName(const std::string& key, const std::string& value) {
        std::string& field = key == "uid"     ? facts_.uid
                             : key == "bench" ? facts_.bench
                                              : facts_.programVersion;
        bool& seen = key == "uid" ? uidSeen_ : key == "bench" ? benchSeen_ : programSeen_;
        if (seen) return "a second " + key + " line";
        seen = true;
        if (key == "uid" && !IsConnectionUuid(value)) return "a connection ID that is no UUID";
        if (const std::string fault = UntrustedTextFault(value); !fault.empty()) return fault;
        field = value;
        return {};
    }

    std::string TakeInstrument(const std::vector<std::string>& f) {
        InstrumentEvent e;
        if (!WholeNumber(f[1], e.timeMs) || e.timeMs < 0 || e.timeMs > kMaxMs)
            return "an instrument line without its time";
        if (!RealNumber(f[6], e.amount) || !std::isfinite(e.amount))
            return "an instrument line without its amount";
        for (std::size_t i : {2u, 3u, 4u, 5u, 7u}) {
            if (const std::string fault = UntrustedTextFault(f[i]); !fault.empty()) return fault;
        }
        e.role = f[2];
        e.resource = f[3];
        e.kind = f[4];
        e.quantity = f[5];
        e.unit = f[7];
        facts_.instruments.push_back(std::move(e));
        return {};
    }

    ConnectionFacts& facts_;
    bool uidSeen_ = false;
    bool benchSeen_ = false;
    bool programSeen_ = false;
};

// Enough to find each kind of damage in a file; the rest are counted.
constexpr std::size_t kMaxNamedLines = 20;

}  // namespace

bool ParseConnectionFile(const std::string& text, const std::string& path,
                         ConnectionFileReading& reading, std::string& error) {
    reading = ConnectionFileReading{};
    LineReader reader(reading.facts);
    std::size_t unnamed = 0;
    std::size_t at = 0;
    int number = 0;
    while (at < text.size()) {
        const std::size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = path + ":" + std::to_string(number) + ": ";
        if (number == 1 && line != kConnectionFileHeading) {
            error = where + "not a connection record";
            return false;
        }
        if (number == 2 && line != kFormatLine) {
            error = where + "a format this program cannot read";
            return false;
        }
        if (number <= 2 || line.empty()) continue;
        // Every line is written whole with its line end; one without it was cut short.
        std::string why = end == std::string::npos
                              ? "cut short"
                              : reader.Take(Split(line));
        if (why.empty()) continue;
        if (reading.skipped.size() < kMaxNamedLines) {
            reading.skipped.push_back(where + why + "; skipped");
        } else {
            ++unnamed;
        }
    }
    if (number < 2) {
        error = path + ":" + std::to_string(number) + ": not a connection record";
        return false;
    }
    if (unnamed > 0)
        reading.skipped.push_back(path + ": " + std::to_string(unnamed) + " more lines skipped");
    return true;
}

bool ReadConnectionFile(const std::string& path, ConnectionFileReading& reading,
                        std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = path + ": cannot be read";
        return false;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxFileBytes) {
            error = path + ": too large to be a connection record";
            return false;
        }
    }
    return ParseConnectionFile(text, path, reading, error);
}

}  // namespace qs
