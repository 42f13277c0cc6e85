#include "procedure/procedure.h"

#include <limits>

#include "procedure/message_text.h"

namespace qs::procedure {
namespace {

// In BenchRole order.
constexpr std::array<std::string_view, kBenchRoles.size()> kRoleWords{
    "a generator", "a power meter", "a modulation meter", "a frequency counter"};

template <class... Fs>
struct Overloaded : Fs... {
    using Fs::operator()...;
};
template <class... Fs>
Overloaded(Fs...) -> Overloaded<Fs...>;

std::string NominalText(const Nominal& nominal, std::string_view unit) {
    switch (nominal.source) {
        case Nominal::Source::ChannelRx:
            return "rx";
        case Nominal::Source::ChannelTx:
            return "tx";
        case Nominal::Source::Given:
            break;
    }
    return NumberText(nominal.value) + " " + std::string(unit);
}

std::string LimitsText(const Acceptance& limits, std::string_view unitView) {
    const std::string unit(unitView);
    if (limits.target) {
        return NominalText(*limits.target, unit) + " ± " + NumberText(limits.tolerance) + " " +
               unit;
    }
    if (limits.min && limits.max) {
        return NumberText(*limits.min) + " to " + NumberText(*limits.max) + " " + unit;
    }
    if (limits.min) return "at least " + NumberText(*limits.min) + " " + unit;
    return "at most " + NumberText(limits.max.value_or(0.0)) + " " + unit;
}

std::string Describe(const StepAction& action) {
    const std::string kind(KindName(action));
    return std::visit(
        Overloaded{
            [&](const PromptStep& s) { return kind + ": " + s.text; },
            [&](const ConfirmStep& s) { return kind + ": " + s.text; },
            [&](const WaitStep& s) {
                return kind + " " + NumberText(static_cast<double>(s.duration.count()) / 1000.0) +
                       " s";
            },
            [&](const GeneratorStep& s) {
                std::string text = kind;
                std::string sep = " ";
                if (s.frequencyHz) {
                    text += sep + NominalText(*s.frequencyHz, "Hz");
                    sep = ", ";
                }
                if (s.levelDbm) {
                    text += sep + NumberText(*s.levelDbm) + " dBm";
                    sep = ", ";
                }
                if (s.rfOn) text += sep + (*s.rfOn ? "RF on" : "RF off");
                return text;
            },
            [&](const SetStep& s) {
                std::string text = kind;
                std::string sep = " ";
                for (const ItemSetting& setting : s.settings) {
                    text += sep + setting.item.title + "=" + std::to_string(setting.value);
                    sep = ", ";
                }
                return text;
            },
            [&](const SweepStep& s) { return kind + " " + std::string(FilterName(s.filter)); },
            [&](const LevelStep& s) {
                std::string text = kind + (s.side == LevelSide::Rx ? " rx" : " tx");
                if (s.target) text += ", target " + std::to_string(*s.target);
                return text;
            },
            [&](const RssiStep& s) {
                if (s.byHand) return kind + ", levels fed by hand";
                return kind + " S3 " + NumberText(s.s3Dbm) + " dBm, S1 " + NumberText(s.s1Dbm) +
                       " dBm";
            },
            [&](const AdjustStep& s) {
                Acceptance limits;
                limits.target = s.target;
                limits.tolerance = s.tolerance;
                return kind + " " + s.item.title + ": " + std::string(QuantityName(s.quantity)) +
                       " " + LimitsText(limits, QuantityUnit(s.quantity));
            },
            [&](const CheckStep& s) {
                return kind + " " + s.reading.label + " " + LimitsText(s.limits, s.reading.unit);
            },
            [&](const MeasureStep& s) {
                return kind + " " + std::string(QuantityName(s.quantity)) + " " +
                       LimitsText(s.limits, QuantityUnit(s.quantity));
            },
        },
        action);
}

}  // namespace

std::string_view RoleKey(BenchRole role) {
    return instruments::RoleName(role);
}

std::string_view RoleWords(BenchRole role) {
    return kRoleWords[static_cast<std::size_t>(role)];
}

std::string_view QuantityName(Quantity quantity) {
    return instruments::FactsOf(quantity).name;
}

std::string_view QuantityUnit(Quantity quantity) {
    return instruments::FactsOf(quantity).unit;
}

BenchRole MeterFor(Quantity quantity) {
    return instruments::FactsOf(quantity).role;
}

double Resolve(const Nominal& nominal, const ChannelFrequencies& channel) {
    switch (nominal.source) {
        case Nominal::Source::ChannelRx:
            return channel.rxHz;
        case Nominal::Source::ChannelTx:
            return channel.txHz;
        case Nominal::Source::Given:
            break;
    }
    return nominal.value;
}

Bounds Resolve(const Acceptance& acceptance, const ChannelFrequencies& channel) {
    if (acceptance.target) {
        const double target = Resolve(*acceptance.target, channel);
        return {target - acceptance.tolerance, target + acceptance.tolerance};
    }
    constexpr double kOpen = std::numeric_limits<double>::infinity();
    return {acceptance.min.value_or(-kOpen), acceptance.max.value_or(kOpen)};
}

std::string_view KindName(const StepAction& action) {
    return std::visit(Overloaded{
                          [](const PromptStep&) { return "prompt"; },
                          [](const ConfirmStep&) { return "confirm"; },
                          [](const WaitStep&) { return "wait"; },
                          [](const GeneratorStep&) { return "generator"; },
                          [](const SetStep&) { return "set"; },
                          [](const SweepStep&) { return "sweep"; },
                          [](const LevelStep&) { return "level"; },
                          [](const RssiStep&) { return "rssi"; },
                          [](const AdjustStep&) { return "adjust"; },
                          [](const CheckStep&) { return "check"; },
                          [](const MeasureStep&) { return "measure"; },
                      },
                      action);
}

std::string StepTitle(const Step& step) {
    return step.name.empty() ? Describe(step.action) : step.name;
}

std::optional<BenchRole> RoleNeeded(const StepAction& action) {
    if (std::holds_alternative<GeneratorStep>(action)) return BenchRole::Generator;
    if (const auto* adjust = std::get_if<AdjustStep>(&action)) return MeterFor(adjust->quantity);
    if (const auto* measure = std::get_if<MeasureStep>(&action)) {
        return MeterFor(measure->quantity);
    }
    return std::nullopt;
}

std::vector<BenchRole> RolesNeeded(const Procedure& procedure) {
    std::array<bool, kBenchRoles.size()> needed{};
    for (const Step& step : procedure.steps) {
        if (const auto role = RoleNeeded(step.action)) {
            needed[static_cast<std::size_t>(*role)] = true;
        }
    }
    std::vector<BenchRole> roles;
    for (BenchRole role : kBenchRoles) {
        if (needed[static_cast<std::size_t>(role)]) roles.push_back(role);
    }
    return roles;
}

}  // namespace qs::procedure
