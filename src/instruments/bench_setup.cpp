#include "instruments/bench_setup.h"

#include <charconv>

#include "instruments/profile_file.h"

namespace qs::instruments {

namespace {

constexpr std::size_t kValueBufferChars = 4096;
constexpr const char* kProfileSuffix = "_profile";
constexpr const char* kAnswerTimeoutKey = "answer_timeout_ms";

std::string Read(IProfileStore& store, const std::string& file, const std::string& key) {
    std::string out;
    const std::size_t copied = store.GetPrivateProfileString(kBenchSettingsSection, key, "", out,
                                                             kValueBufferChars, file);
    out.resize(std::min(copied, out.size()));
    const auto first = out.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return out.substr(first, out.find_last_not_of(" \t") - first + 1);
}

std::optional<std::chrono::milliseconds> TimeoutFrom(const std::string& text) {
    long ms = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, ms);
    if (text.empty() || ec != std::errc() || ptr != end) return std::nullopt;
    if (ms < kMinAnswerTimeout.count() || ms > kMaxAnswerTimeout.count()) return std::nullopt;
    return std::chrono::milliseconds(ms);
}

int Digits(const std::string& text, std::size_t at, std::size_t count) {
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

CalibrationDue CalibrationFrom(const std::string& key, const std::string& text) {
    if (text.empty()) return {};
    if (!IsIsoDay(text)) {
        return {"", "the settings' " + key + " is not a date YYYY-MM-DD: '" + text + "'", text};
    }
    return {text, "", text};
}

std::string Lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// An unknown word warns: a mistyped "refuse" must not stop every run without saying why, nor
// let an instrument out of calibration pass unsaid.
void PolicyFrom(const std::string& text, BenchSetup& setup) {
    const std::string word = Lower(text);
    if (word.empty() || word == "warn") return;
    if (word == "refuse") {
        setup.calibrationPolicy = CalibrationPolicy::Refuse;
        return;
    }
    setup.calibrationPolicyProblem = std::string("the settings' ") + kCalibrationCheckKey +
                                     " is warn or refuse, not '" + text + "'; warn is used";
}

}  // namespace

bool IsIsoDay(const std::string& text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') return false;
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 5, 2);
    const int day = Digits(text, 8, 2);
    if (year < 1 || month < 1 || month > 12 || day < 1) return false;
    constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

Result<InstrumentOptions> OptionsFor(const RoleSetup& role,
                                     std::optional<std::chrono::milliseconds> answerTimeout) {
    InstrumentOptions options;
    options.answerTimeout = answerTimeout;
    if (role.profileFile.empty()) return options;
    Result<Profile> profile = LoadProfile(role.profileFile);
    if (!profile) return profile.error();
    options.profile = profile.value();
    return options;
}

BenchSetup LoadBenchSettings(IProfileStore& store, const std::string& file) {
    BenchSetup setup;
    for (Role role : kRoles) {
        const std::string name = RoleName(role);
        setup.role(role).address = Read(store, file, name);
        setup.role(role).profileFile = Read(store, file, name + kProfileSuffix);
        const std::string calibrationKey = name + kCalibrationDueSuffix;
        setup.calibration[static_cast<std::size_t>(role)] =
            CalibrationFrom(calibrationKey, Read(store, file, calibrationKey));
    }
    setup.answerTimeout = TimeoutFrom(Read(store, file, kAnswerTimeoutKey));
    PolicyFrom(Read(store, file, kCalibrationCheckKey), setup);
    return setup;
}

bool SaveBenchSettings(IProfileStore& store, const std::string& file, const BenchSetup& setup,
                       const std::optional<BenchSetup>& before) {
    bool written = true;
    // Each key is a rewrite of the whole file: only those that changed are written.
    auto write = [&](const std::string& key, const std::string& value, const std::string& was) {
        if (before && value == was) return;
        written = store.WritePrivateProfileString(kBenchSettingsSection, key, value, file) &&
                  written;
    };
    const BenchSetup old = before.value_or(BenchSetup{});
    for (Role role : kRoles) {
        const std::string name = RoleName(role);
        write(name, setup.role(role).address, old.role(role).address);
        write(name + kProfileSuffix, setup.role(role).profileFile, old.role(role).profileFile);
    }
    auto timeoutText = [](const BenchSetup& s) {
        return s.answerTimeout ? std::to_string(s.answerTimeout->count()) : std::string();
    };
    write(kAnswerTimeoutKey, timeoutText(setup), timeoutText(old));
    return written;
}

}  // namespace qs::instruments
