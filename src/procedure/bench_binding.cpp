#include "procedure/bench_binding.h"

#include "instruments/bench_station.h"
#include "instruments/calibration.h"
#include "instruments/profile_file.h"
#include "instruments/resource.h"

namespace qs::procedure {

namespace {

// Every run ends with the generator's RF off, whatever ended it: a generator whose profile
// cannot say that would be left feeding the radio.
std::string RfOffMistake(const instruments::Profile& profile) {
    if (profile.Offers(instruments::Operation::RfOff)) return {};
    return "no rf_off: a run switches the generator's RF off at its end, so the generator's "
           "profile must say how (e.g. rf_off = OUTP OFF)";
}

}  // namespace

CheckOptions ProgramCheckOptions(BenchBinding binding) {
    CheckOptions options;
    options.binding = binding;
    options.builtInProfiles = {instruments::GenericProfile().name};
    options.addressMistake = [](const std::string& address) -> std::string {
        const auto resource = instruments::ParseResource(address);
        return resource ? std::string() : resource.error().message;
    };
    options.profileMistake = [](const std::string& path, bool forGenerator) -> std::string {
        const auto profile = instruments::LoadProfile(path);
        if (profile) return forGenerator ? RfOffMistake(profile.value()) : std::string();
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
        if (role == BenchRole::Generator) {
            if (const std::string mistake = RfOffMistake(options.profile); !mistake.empty()) {
                problems.push_back("the generator " + address + ": profile '" +
                                   options.profile.name + "': " + mistake);
                continue;
            }
        }
        const instruments::Status status = station.BindForRun(role, address, options);
        if (!status) problems.push_back(status.error().message);
    }
    return problems;
}

std::vector<std::string> CalibrationWarnings(const Procedure& procedure,
                                             const instruments::BenchStation& station,
                                             const std::string& today) {
    std::vector<std::string> warnings;
    const instruments::BenchSetup& setup = station.setup();
    if (!setup.calibrationPolicyProblem.empty()) warnings.push_back(setup.calibrationPolicyProblem);
    // The roles the run's record names: those its steps use, with an instrument bound.
    const instruments::Bench& bench = station.bench();
    for (const BenchRole role : RolesNeeded(procedure)) {
        const std::string address = bench.Address(role);
        if (address.empty()) continue;
        const std::string due = bench.CalibrationDue(role);
        const std::string warning = instruments::CalibrationWarning(
            role, address, due, instruments::CalibrationStateOn(due, today));
        if (!warning.empty()) warnings.push_back(warning);
    }
    return warnings;
}

RunStart PrepareRun(const std::string& file, instruments::BenchStation& station,
                    const std::string& today) {
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
    start.calibrationWarnings = CalibrationWarnings(*start.checked.procedure, station, today);
    start.calibrationRefused =
        station.setup().calibrationPolicy == instruments::CalibrationPolicy::Refuse &&
        !start.calibrationWarnings.empty();
    if (start.calibrationRefused) {
        station.Restore();
        return start;
    }
    station.Hold(BenchHeldReason(*start.checked.procedure));
    return start;
}

}  // namespace qs::procedure
