#include "procedure/bench_binding.h"

#include <algorithm>

#include "instruments/bench_station.h"
#include "instruments/profile_file.h"
#include "instruments/resource.h"

namespace qs::procedure {

CheckOptions ProgramCheckOptions(BenchBinding binding) {
    CheckOptions options;
    options.binding = binding;
    options.builtInProfiles = {instruments::GenericProfile().name};
    options.addressMistake = [](const std::string& address) -> std::string {
        const auto resource = instruments::ParseResource(address);
        return resource ? std::string() : resource.error().message;
    };
    options.profileMistake = [](const std::string& path) -> std::string {
        const auto profile = instruments::LoadProfile(path);
        if (profile) return {};
        // "profile PATH: PATH:LINE: why": the file is named once, with its line.
        std::string message = profile.error().message;
        const std::string prefix = "profile " + path + ": ";
        if (message.rfind(prefix, 0) == 0) message.erase(0, prefix.size());
        return message;
    };
    return options;
}

std::string BenchHeldReason(const Procedure& procedure) {
    const std::string& name = procedure.title.empty() ? procedure.file : procedure.title;
    return "used by the procedure run '" + name + "' until it ends";
}

std::vector<std::string> BindBench(const Bench& procedureBench,
                                   instruments::BenchStation& station) {
    instruments::InstrumentOptions options;
    if (!procedureBench.profileFile.empty()) {
        const auto profile = instruments::LoadProfile(procedureBench.profileFile);
        if (!profile) return {profile.error().message};
        options.profile = profile.value();
    }
    // The file's answer time where it gives one; otherwise the profile's own.
    if (procedureBench.queryTimeout != kDefaultQueryTimeout) {
        options.answerTimeout = procedureBench.queryTimeout;
    }
    std::vector<std::string> problems;
    for (const BenchRole role : kBenchRoles) {
        const std::string& address = procedureBench.address(role);
        if (address.empty()) continue;
        const instruments::Status status = station.BindForRun(role, address, options);
        if (!status) problems.push_back(status.error().message);
    }
    return problems;
}

std::vector<std::string> ReserveBench(const Bench& procedureBench,
                                      instruments::BenchStation& station) {
    std::vector<std::string> problems;
    for (const BenchRole role : kBenchRoles) {
        const instruments::Status held = station.Reserve(procedureBench.address(role));
        // One instrument in several roles is said once.
        if (!held &&
            std::find(problems.begin(), problems.end(), held.error().message) == problems.end()) {
            problems.push_back(held.error().message);
        }
    }
    return problems;
}

RunStart PrepareRun(const std::string& file, instruments::BenchStation& station) {
    RunStart start;
    start.checked = CheckProcedureFile(
        file, ProgramCheckOptions(station.simulated() ? BenchBinding::Simulated
                                                      : BenchBinding::AsWritten));
    if (!start.checked.ok()) return start;
    start.benchProblems = BindBench(start.checked.procedure->bench, station);
    if (!start.benchProblems.empty()) {
        station.Restore();
        return start;
    }
    station.Hold(BenchHeldReason(*start.checked.procedure));
    return start;
}

}  // namespace qs::procedure
