#include "record/curves_file.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <limits>
#include <sstream>
#include <vector>

#include "model/reading_text.h"
#include "safety/backup_file.h"
#include "safety/journal_file.h"

namespace qs {
namespace {

constexpr int kMaxRaw = 255;
constexpr std::size_t kMaxLineBytes = 256;

std::vector<std::string> Fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : line) {
        if (c == ' ') {
            fields.push_back(field);
            field.clear();
        } else {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

// A decimal number in [low, high], nothing else in the field.
bool Number(const std::string& text, int low, int high, int& value) {
    if (text.empty() || text.size() > 10) return false;
    int parsed = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed);
    if (ec != std::errc() || end != text.data() + text.size()) return false;
    if (parsed < low || parsed > high) return false;
    value = parsed;
    return true;
}

std::string Join(std::initializer_list<std::string> parts) {
    std::string line;
    for (const std::string& part : parts) {
        if (!line.empty()) line += ' ';
        line += part;
    }
    return line;
}

std::string N(int value) {
    return std::to_string(value);
}

const char* KindWord(AutoOpKind kind) {
    switch (kind) {
        case AutoOpKind::RssiThreshold:
            return "RSSI";
        case AutoOpKind::BandPassSweep:
            return "BPF";
        case AutoOpKind::LevelAdjust:
            return "LVA";
    }
    return "BPF";
}

// One point line into `log`; false with `why` when it is not one.
bool ParsePointLine(const std::string& line, CurveLog& log, std::string& why) {
    const std::vector<std::string> f = Fields(line);
    const std::string& kind = f[0];
    int time = 0;
    if (f.size() < 2 || !Number(f[1], 0, std::numeric_limits<int>::max(), time)) {
        why = "no time in milliseconds after the kind";
        return false;
    }
    auto expect = [&](std::size_t count) {
        if (f.size() == count) return true;
        why = "'" + kind + "' needs " + std::to_string(count) + " fields, found " +
              std::to_string(f.size());
        return false;
    };
    if (kind == "reading") {
        if (!expect(5)) return false;
        TimedReading r{time, {}};
        int index = 0;
        int raw = 0;
        if (f[2] != "AD" && f[2] != "DA") {
            why = "the list is not AD or DA";
            return false;
        }
        r.point.group = f[2] == "AD" ? ReadingGroup::Ad : ReadingGroup::Da;
        const int rows = r.point.group == ReadingGroup::Ad ? kAdRowCount : kDaRowCount;
        if (!Number(f[3], 0, rows - 1, index) || !Number(f[4], 0, kMaxRaw, raw)) {
            why = "row index or value out of range";
            return false;
        }
        r.point.index = index;
        r.point.raw = raw;
        log.readings.push_back(r);
        return true;
    }
    if (kind == "sweep") {
        if (!expect(5)) return false;
        TimedSweep s{time, {}};
        if (!Number(f[2], 0, 1, s.point.filter) || !Number(f[3], 0, kMaxRaw, s.point.value) ||
            !Number(f[4], 0, kMaxRaw, s.point.level)) {
            why = "filter, value or level out of range";
            return false;
        }
        log.sweeps.push_back(s);
        return true;
    }
    if (kind == "bisection") {
        if (!expect(6)) return false;
        TimedBisection b{time, {}};
        if (!Number(f[2], 0, 1, b.point.item) || !Number(f[3], 0, kMaxRaw, b.point.value) ||
            !Number(f[4], 0, kMaxRaw, b.point.level) ||
            !Number(f[5], 0, kMaxRaw, b.point.target)) {
            why = "item, value, level or target out of range";
            return false;
        }
        log.bisections.push_back(b);
        return true;
    }
    if (kind != "result") {
        why = "unknown kind '" + kind.substr(0, 20) + "'";
        return false;
    }
    if (f.size() < 3) {
        why = "no operation after the time";
        return false;
    }
    TimedResult r{time, {}};
    AutoOpResult& res = r.result;
    bool ok = false;
    if (f[2] == "BPF") {
        res.kind = AutoOpKind::BandPassSweep;
        ok = expect(7) && Number(f[3], 0, 1, res.item) && Number(f[4], 0, kMaxRaw, res.value) &&
             Number(f[5], 0, kMaxRaw, res.first) && Number(f[6], 0, kMaxRaw, res.last);
    } else if (f[2] == "LVA") {
        res.kind = AutoOpKind::LevelAdjust;
        ok = expect(7) && Number(f[3], 0, 1, res.item) && (f[4] == "OK" || f[4] == "FAILED") &&
             Number(f[5], 0, kMaxRaw, res.value) && Number(f[6], 0, kMaxRaw, res.first);
        res.ok = f.size() == 7 && f[4] == "OK";
        res.last = res.first;
    } else if (f[2] == "RSSI") {
        res.kind = AutoOpKind::RssiThreshold;
        ok = expect(5) && Number(f[3], 0, 1, res.item) && Number(f[4], 0, kMaxRaw, res.value);
        res.first = res.last = res.value;
    } else {
        why = "unknown operation '" + f[2].substr(0, 20) + "'";
        return false;
    }
    if (!ok) {
        if (why.empty()) why = "a field of the result is out of range";
        return false;
    }
    log.results.push_back(r);
    return true;
}

}  // namespace

std::string CurveLine(const TimedReading& r) {
    return Join({"reading", N(r.timeMs), r.point.group == ReadingGroup::Ad ? "AD" : "DA",
                 N(r.point.index), N(r.point.raw)});
}

std::string CurveLine(const TimedSweep& s) {
    return Join({"sweep", N(s.timeMs), N(s.point.filter), N(s.point.value), N(s.point.level)});
}

std::string CurveLine(const TimedBisection& b) {
    return Join({"bisection", N(b.timeMs), N(b.point.item), N(b.point.value), N(b.point.level),
                 N(b.point.target)});
}

std::string CurveLine(const TimedResult& r) {
    const AutoOpResult& res = r.result;
    switch (res.kind) {
        case AutoOpKind::BandPassSweep:
            return Join({"result", N(r.timeMs), KindWord(res.kind), N(res.item), N(res.value),
                         N(res.first), N(res.last)});
        case AutoOpKind::LevelAdjust:
            return Join({"result", N(r.timeMs), KindWord(res.kind), N(res.item),
                         res.ok ? "OK" : "FAILED", N(res.value), N(res.first)});
        case AutoOpKind::RssiThreshold:
            break;
    }
    return Join({"result", N(r.timeMs), KindWord(res.kind), N(res.item), N(res.value)});
}

std::string CurvesText(const CurveLog& log) {
    // Lines in time order, as the recorder writes them.
    struct Line {
        std::int32_t timeMs;
        std::string text;
    };
    std::vector<Line> lines;
    for (const auto& r : log.readings) lines.push_back({r.timeMs, CurveLine(r)});
    for (const auto& s : log.sweeps) lines.push_back({s.timeMs, CurveLine(s)});
    for (const auto& b : log.bisections) lines.push_back({b.timeMs, CurveLine(b)});
    for (const auto& r : log.results) lines.push_back({r.timeMs, CurveLine(r)});
    std::stable_sort(lines.begin(), lines.end(),
                     [](const Line& a, const Line& b) { return a.timeMs < b.timeMs; });
    std::string text = std::string(kCurvesHeading) + "\n" + kCurvesFormatLine + "\n";
    for (const Line& line : lines) text += line.text + "\n";
    return text;
}

bool ParseCurves(const std::string& text, CurveLog& log, std::string& error) {
    log.Clear();
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string where = "Curves file line " + std::to_string(number) + ": ";
        if (number == 1 && line != kCurvesHeading) {
            error = where + "not a curves file (the first line must be \"" + kCurvesHeading +
                    "\").";
            return false;
        }
        if (number == 2 && line != kCurvesFormatLine) {
            error = where + "unknown format (\"" + kCurvesFormatLine + "\" expected).";
            return false;
        }
        if (number <= 2) continue;
        // A line cut short by a pulled plug is the last one; it alone may be dropped.
        if (line.empty()) continue;
        std::string why;
        if (line.size() > kMaxLineBytes) {
            why = "the line is too long";
        } else if (ParsePointLine(line, log, why)) {
            continue;
        }
        if (in.peek() == std::char_traits<char>::eof() && text.back() != '\n') continue;
        error = where + why + ".";
        return false;
    }
    if (number < 2) {
        error = "Curves file: not a curves file (no heading).";
        return false;
    }
    return true;
}

bool ReadCurvesFile(const std::string& path, CurveLog& log, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "The curves file " + path + " cannot be read.";
        return false;
    }
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (text.size() > kMaxCurvesFileBytes) {
            error = "The curves file " + path + " is too large to be one.";
            return false;
        }
    }
    if (!ParseCurves(text, log, error)) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

namespace {

std::string WithoutSuffix(const std::string& path, const std::string& suffix) {
    if (path.size() >= suffix.size() &&
        path.compare(path.size() - suffix.size(), suffix.size(), suffix) == 0) {
        return path.substr(0, path.size() - suffix.size());
    }
    return path;
}

std::string Stem(const std::string& path) {
    return WithoutSuffix(WithoutSuffix(path, kBackupExtension), kJournalExtension);
}

}  // namespace

std::string CurvesPathFor(const std::string& path) {
    return Stem(path) + kCurvesExtension;
}

std::string JournalPathFor(const std::string& backupPath) {
    return Stem(backupPath) + kJournalExtension;
}

std::string RunsPathFor(const std::string& path) {
    return Stem(path) + kRunsExtension;
}

}  // namespace qs
