#include "procedure/bench_binding.h"

#include <fstream>
#include <sstream>

#include "instruments/bench.h"
#include "instruments/resource.h"

namespace qs::procedure {
namespace {

// A profile is a few dozen lines.
constexpr std::size_t kMaxProfileBytes = 64 * 1024;

instruments::Result<instruments::Profile> LoadProfile(const Bench& procedureBench) {
    if (procedureBench.profileFile.empty()) return instruments::GenericProfile();
    const std::string& path = procedureBench.profileFile;
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return instruments::InstrumentError{instruments::Fault::BadProfile,
                                            path + ": cannot be read"};
    }
    std::string text(kMaxProfileBytes + 1, '\0');
    in.read(text.data(), static_cast<std::streamsize>(text.size()));
    text.resize(static_cast<std::size_t>(in.gcount()));
    if (text.size() > kMaxProfileBytes) {
        return instruments::InstrumentError{instruments::Fault::BadProfile,
                                            path + ": too large to be a profile"};
    }
    return instruments::ParseProfile(text, path);
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
    return options;
}

std::vector<std::string> BindBench(const Bench& procedureBench, instruments::Bench& bench) {
    const auto profile = LoadProfile(procedureBench);
    if (!profile) return {profile.error().message};
    instruments::InstrumentOptions options;
    options.profile = profile.value();
    // The file's answer time where it gives one; otherwise the profile's own.
    if (procedureBench.queryTimeout != kDefaultQueryTimeout) {
        options.answerTimeout = procedureBench.queryTimeout;
    }
    std::vector<std::string> problems;
    for (const BenchRole role : kBenchRoles) {
        const std::string& address = procedureBench.address(role);
        if (address.empty()) continue;
        const instruments::Status status = bench.Assign(role, address, options);
        if (!status) problems.push_back(status.error().message);
    }
    return problems;
}

}  // namespace qs::procedure
