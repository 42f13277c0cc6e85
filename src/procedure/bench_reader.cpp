#include "procedure/bench_reader.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "procedure/message_text.h"
#include "procedure/step_kinds.h"
#include "procedure/table_reader.h"

namespace qs::procedure {
namespace {

// A power meter that averages may take several seconds; a minute is no longer an answer.
const Span kQueryTimeout{0.1, 60.0, "s", "an instrument time-out", ""};

void ReadProfile(TableReader& r, const std::string& procedureFile, const CheckOptions& options,
                 bool forGenerator, Bench& bench) {
    const auto profile = r.Text("profile", Need::Optional);
    if (!profile) return;
    const auto builtIn = std::find(options.builtInProfiles.begin(), options.builtInProfiles.end(),
                                   *profile);
    if (builtIn != options.builtInProfiles.end()) {
        bench.profileName = *profile;
        return;
    }
    if (profile->empty()) {
        r.Mistake("profile", "'profile' is empty: name a built-in profile (" +
                                 OneOf(options.builtInProfiles) + ") or a profile file");
        return;
    }
    // A shop's own profile lies beside its procedures, so a relative path starts there.
    const std::filesystem::path path =
        (std::filesystem::path(procedureFile).parent_path() / *profile).lexically_normal();
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) {
        r.Mistake("profile", "profile " + Quoted(*profile) +
                                 " is neither a built-in profile (" +
                                 OneOf(options.builtInProfiles) + ") nor a file: " +
                                 Quoted(path.string()) + " " +
                                 (std::filesystem::exists(path, error) ? "is not a file"
                                                                       : "does not exist"));
        return;
    }
    if (options.profileMistake) {
        const std::string mistake = options.profileMistake(path.string(), forGenerator);
        if (!mistake.empty()) {
            r.Mistake("profile", "profile " + Quoted(*profile) + ": " + Printable(mistake, 300));
            return;
        }
    }
    bench.profileName.clear();
    bench.profileFile = path.string();
}

}  // namespace

BenchRead ReadBench(const toml::table& table, const std::string& procedureFile,
                    const CheckOptions& options, Mistakes& mistakes) {
    TableReader r(table, "[bench]", mistakes);
    BenchRead read;
    for (BenchRole role : kBenchRoles) {
        const std::string key(RoleKey(role));
        const auto address = r.Text(key, Need::Optional);
        if (!address) continue;
        read.named[static_cast<std::size_t>(role)] = true;
        if (address->find_first_not_of(" \t") == std::string::npos) {
            r.Mistake(key, Quoted(key) +
                               " is empty: give the instrument's address, e.g. "
                               "TCPIP::192.168.1.20::5025::SOCKET, or leave the key out");
            continue;
        }
        if (options.addressMistake) {
            const std::string mistake = options.addressMistake(*address);
            if (!mistake.empty()) {
                r.Mistake(key, key + " " + Quoted(*address) + ": " + Printable(mistake, 200));
                continue;
            }
        }
        read.bench.addresses[static_cast<std::size_t>(role)] = *address;
    }
    ReadProfile(r, procedureFile, options,
                read.named[static_cast<std::size_t>(BenchRole::Generator)], read.bench);
    if (const auto seconds = NumberInSpan(r, "timeout_seconds", Need::Optional, kQueryTimeout)) {
        read.bench.queryTimeout = std::chrono::milliseconds(std::llround(*seconds * 1000.0));
    }
    r.RefuseUnknownKeys();
    return read;
}

}  // namespace qs::procedure
