#include "cli/bench_command.h"

#include <QJsonValue>
#include <optional>
#include <vector>

#include "instruments/profile_file.h"
#include "instruments/resource.h"
#include "instruments/scpi_text.h"
#include "program/exit_status.h"

namespace qs::cli {

using namespace instruments;

namespace {

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

const char* ActionName(BenchAction action) {
    switch (action) {
        case BenchAction::Identify:
            return "identify";
        case BenchAction::Measure:
            return "measure";
        case BenchAction::Generator:
            break;
    }
    return "generator";
}

// The profile operations the command needs.
std::vector<Operation> OperationsOf(const BenchArgs& args) {
    switch (args.action) {
        case BenchAction::Identify:
            return {Operation::Identify};
        case BenchAction::Measure:
            return {FactsOf(args.quantity).operation};
        case BenchAction::Generator:
            break;
    }
    std::vector<Operation> operations;
    const GeneratorSettings& g = args.generator;
    if (g.frequencyHz) operations.push_back(Operation::SetFrequency);
    if (g.levelDbm) operations.push_back(Operation::SetLevel);
    if (g.rf) operations.push_back(g.rf == RfOutput::On ? Operation::RfOn : Operation::RfOff);
    return operations;
}

// Mistakes in the command line are the technician's to mend; the rest is the instrument's.
int StatusFor(const InstrumentError& error) {
    switch (error.fault) {
        case Fault::BadAddress:
        case Fault::BadProfile:
        case Fault::NotSupported:
        case Fault::ProfileLacks:
            return kExitUsage;
        default:
            return kExitFailure;
    }
}

InstrumentOptions OptionsOf(const BenchArgs& args) {
    InstrumentOptions options;
    // Checked before anything was opened.
    if (!args.profileFile.empty()) options.profile = LoadProfile(args.profileFile).value();
    return options;
}

}  // namespace

bool BenchCommand::Check(const BenchArgs& args, bool simulate, std::string& error) {
    const std::string name = std::string("bench ") + ActionName(args.action);
    if (args.address.empty() && !simulate) {
        error = name + ": give the instrument's ADDRESS, e.g. TCPIP::192.168.1.20::5025::SOCKET "
                       "(or --simulate for the virtual service monitor)";
        return false;
    }
    if (!args.address.empty()) {
        const Result<Resource> resource = ParseResource(args.address);
        if (!resource) {
            error = name + ": " + resource.error().message;
            return false;
        }
    }
    const Result<Profile> profile =
        args.profileFile.empty() ? Result<Profile>(GenericProfile()) : LoadProfile(args.profileFile);
    if (!profile) {
        error = name + ": " + profile.error().message;
        return false;
    }
    for (Operation operation : OperationsOf(args)) {
        if (profile.value().Offers(operation)) continue;
        error = name + ": the profile '" + profile.value().name + "' has no command for " +
                OperationKey(operation);
        return false;
    }
    return true;
}

CliSession::Outcome BenchCommand::Run(const BenchArgs& args, CommandResult& result,
                                      std::string& error) {
    BenchStation& station = session_.benchStation();
    Bench& bench = station.bench();
    const InstrumentOptions options = OptionsOf(args);
    const std::optional<Role> role =
        args.action == BenchAction::Measure     ? std::optional<Role>(FactsOf(args.quantity).role)
        : args.action == BenchAction::Generator ? std::optional<Role>(Role::Generator)
                                                : std::nullopt;
    result.json.insert(QStringLiteral("action"), QLatin1String(ActionName(args.action)));

    std::optional<InstrumentError> failure;
    auto fail = [&](const InstrumentError& error) {
        failure = error;
        result.status = StatusFor(error);
    };
    if (role) {
        const Status bound = station.BindForRun(*role, args.address, options);
        if (!bound) fail(bound.error());
    }
    const std::string address =
        station.simulated() ? station.monitorAddress()
        : role              ? bench.Address(*role)
                            : ParseResource(args.address).value().canonical;
    result.json.insert(QStringLiteral("address"), Q(address));

    bool finished = failure.has_value();
    auto finish = [&] {
        finished = true;
        session_.Wake();
    };
    if (!finished) {
        switch (args.action) {
            case BenchAction::Identify:
                bench.Identify(address, options, [&](const Result<std::string>& identity) {
                    if (!identity) {
                        fail(identity.error());
                    } else {
                        result.text = identity.value() + "\n";
                        result.json.insert(QStringLiteral("identity"), Q(identity.value()));
                    }
                    finish();
                });
                break;
            case BenchAction::Measure:
                bench.Measure(args.quantity, [&](const Result<Measurement>& reading) {
                    if (!reading) {
                        fail(reading.error());
                    } else {
                        const Measurement& m = reading.value();
                        const std::string text = MeasurementText(m);
                        result.text = std::string(FactsOf(m.quantity).name) + " = " + text + "\n";
                        result.json.insert(QStringLiteral("quantity"),
                                           QLatin1String(FactsOf(m.quantity).name));
                        result.json.insert(QStringLiteral("value"), m.value);
                        result.json.insert(QStringLiteral("unit"), QLatin1String(m.unit));
                        result.json.insert(QStringLiteral("text"), Q(text));
                    }
                    finish();
                });
                break;
            case BenchAction::Generator:
                ApplyGeneratorSettings(bench, args.generator, [&](const Status& status) {
                    if (!status) fail(status.error());
                    finish();
                });
                break;
        }
    }
    const CliSession::Outcome outcome = session_.RunUntil([&finished] { return finished; });
    if (outcome != CliSession::Outcome::Done) {
        // Ends what is under way, so that no callback runs on this frame later.
        bench.Close();
        return outcome;
    }
    if (failure) {
        result.text.clear();
        error = std::string("bench ") + ActionName(args.action) + ": " + failure->message;
        return outcome;
    }
    if (args.action == BenchAction::Generator) {
        const GeneratorSettings& g = args.generator;
        if (g.frequencyHz) {
            result.text += "frequency = " + FormatScpiNumber(*g.frequencyHz) + " Hz\n";
            result.json.insert(QStringLiteral("frequency"), *g.frequencyHz);
        }
        if (g.levelDbm) {
            result.text += "level = " + FormatScpiNumber(*g.levelDbm) + " dBm\n";
            result.json.insert(QStringLiteral("level"), *g.levelDbm);
        }
        if (g.rf) {
            const bool on = *g.rf == RfOutput::On;
            result.text += std::string("RF = ") + (on ? "on" : "off") + "\n";
            result.json.insert(QStringLiteral("rf"), on ? QStringLiteral("on") : QStringLiteral("off"));
        }
    }
    return outcome;
}

}  // namespace qs::cli
