#include "history/connection_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace qs {
namespace {

constexpr const char* kFormatLine = "Format: 1";
constexpr const char* kInProgress = "in progress";
// Far more than a day's connection keeps; a larger file is not ours.
constexpr std::size_t kMaxFileBytes = 16u * 1024u * 1024u;

// A field never holds the separator or a line end: they are made spaces.
std::string Field(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
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
    if (errno != 0 || end == nullptr || *end != '\0') return false;
    value = parsed;
    return true;
}

bool RealNumber(const std::string& text, double& value) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    value = std::strtod(text.c_str(), &end);
    return errno == 0 && end != nullptr && *end == '\0';
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
    return "run\t" + std::to_string(runStartMs) + "\t" + kInProgress;
}

std::string RunEndLine(std::int64_t runStartMs, const std::string& verdict) {
    return "runend\t" + std::to_string(runStartMs) + "\t" + Field(verdict);
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

bool ParseConnectionFile(const std::string& text, const std::string& path, ConnectionFacts& facts,
                         std::string& error) {
    facts = ConnectionFacts{};
    std::istringstream in(text);
    std::string line;
    int number = 0;
    auto fail = [&](const std::string& why) {
        error = path + ":" + std::to_string(number) + ": " + why;
        return false;
    };
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (number == 1 && line != kConnectionFileHeading) return fail("not a connection record");
        if (number == 2 && line != kFormatLine) return fail("a format this program cannot read");
        if (number <= 2 || line.empty()) continue;
        const std::vector<std::string> f = Split(line);
        const std::string& key = f[0];
        std::int64_t whole = 0;
        if (key == "uid" && f.size() == 2) {
            facts.uid = f[1];
        } else if (key == "bench" && f.size() == 2) {
            facts.bench = f[1];
        } else if (key == "program" && f.size() == 2) {
            facts.programVersion = f[1];
        } else if (key == "run" && (f.size() == 2 || (f.size() == 3 && f[2] == kInProgress)) &&
                   WholeNumber(f[1], whole)) {
            facts.runStartsMs.push_back(whole);
            if (f.size() == 3) facts.runsLeftMs.push_back(whole);
        } else if (key == "runend" && f.size() == 3 && WholeNumber(f[1], whole)) {
            std::erase(facts.runsLeftMs, whole);
        } else if (key == "ended" && f.size() == 2 && WholeNumber(f[1], whole)) {
            facts.endedAt = static_cast<std::time_t>(whole);
        } else if (key == "instrument" && f.size() == 8 && WholeNumber(f[1], whole)) {
            InstrumentEvent e;
            e.timeMs = whole;
            e.role = f[2];
            e.resource = f[3];
            e.kind = f[4];
            e.quantity = f[5];
            e.unit = f[7];
            if (!RealNumber(f[6], e.amount)) return fail("an instrument line without its amount");
            facts.instruments.push_back(std::move(e));
        } else {
            return fail("a line this program does not know");
        }
    }
    if (number < 2) return fail("not a connection record");
    if (facts.uid.empty()) return fail("no connection ID");
    return true;
}

bool ReadConnectionFile(const std::string& path, ConnectionFacts& facts, std::string& error) {
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
    return ParseConnectionFile(text, path, facts, error);
}

}  // namespace qs
