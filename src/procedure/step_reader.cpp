#include "procedure/step_reader.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "procedure/message_text.h"
#include "procedure/step_kinds.h"

namespace qs::procedure {
namespace {

using KindReader = std::optional<StepAction> (*)(TableReader&);

struct Kind {
    const char* name;
    KindReader read;
};

constexpr std::array<Kind, 11> kKinds{{
    {"prompt", ReadPrompt},
    {"confirm", ReadConfirm},
    {"wait", ReadWait},
    {"generator", ReadGenerator},
    {"set", ReadSet},
    {"sweep", ReadSweep},
    {"level", ReadLevel},
    {"rssi", ReadRssi},
    {"adjust", ReadAdjust},
    {"check", ReadCheck},
    {"measure", ReadMeasure},
}};

// A warm-up of a cold radio is the longest wait a procedure has.
const Span kWaitSeconds{0.001, 3600.0, "s", "a wait", ""};

std::vector<std::string> KindNames() {
    std::vector<std::string> names;
    for (const Kind& kind : kKinds) names.emplace_back(kind.name);
    return names;
}

std::optional<std::string> ShownText(TableReader& r) {
    const auto text = r.Text("text", Need::Required);
    if (!text) return std::nullopt;
    if (text->find_first_not_of(" \t\r\n") == std::string::npos) {
        r.Mistake("text", "'text' is empty: say what the technician is to do");
        return std::nullopt;
    }
    return text;
}

}  // namespace

const Span kGeneratorLevel{-150.0, 0.0, "dBm", "a generator level",
                           "; more than 0 dBm can harm a receiver (a minus sign missing?)"};

std::optional<double> InSpan(TableReader& r, std::string_view key, double value,
                             const Span& span) {
    if (value >= span.low && value <= span.high) return value;
    r.Mistake(key, std::string(key) + " " + NumberText(value) + " " + span.unit + " is outside " +
                       span.name + "'s range, " + NumberText(span.low) + " to " +
                       NumberText(span.high) + " " + span.unit + span.hint);
    return std::nullopt;
}

std::optional<double> NumberInSpan(TableReader& r, std::string_view key, Need need,
                                   const Span& span) {
    const auto value = r.Number(key, need);
    if (!value) return std::nullopt;
    return InSpan(r, key, *value, span);
}

std::optional<std::size_t> Choice(TableReader& r, std::string_view key,
                                  const std::vector<std::string>& words) {
    const auto text = r.Text(key, Need::Required);
    if (!text) return std::nullopt;
    const auto it = std::find(words.begin(), words.end(), Lowered(*text));
    if (it != words.end()) return static_cast<std::size_t>(it - words.begin());
    r.Mistake(key, Quoted(key) + " must be " + OneOf(words) + ", not " + Quoted(*text) +
                       DidYouMean(*text, words));
    return std::nullopt;
}

std::optional<StepAction> ReadPrompt(TableReader& r) {
    const auto text = ShownText(r);
    if (!text) return std::nullopt;
    return PromptStep{*text};
}

std::optional<StepAction> ReadConfirm(TableReader& r) {
    const auto text = ShownText(r);
    if (!text) return std::nullopt;
    return ConfirmStep{*text};
}

std::optional<StepAction> ReadWait(TableReader& r) {
    const auto seconds = NumberInSpan(r, "seconds", Need::Required, kWaitSeconds);
    if (!seconds) return std::nullopt;
    return WaitStep{std::chrono::milliseconds(std::llround(std::ceil(*seconds * 1000.0)))};
}

std::optional<Step> ReadStep(const toml::table& table, Mistakes& mistakes) {
    const std::size_t before = mistakes.count();
    TableReader r(table, "this step", mistakes);
    const auto kindName = r.Text("kind", Need::Required);
    const Kind* kind = nullptr;
    if (kindName) {
        for (const Kind& k : kKinds) {
            if (Lowered(*kindName) == k.name) kind = &k;
        }
        if (kind == nullptr) {
            std::string hint = DidYouMean(*kindName, KindNames());
            if (hint.empty()) hint = " (the kinds: " + OneOf(KindNames()) + ")";
            r.Mistake("kind", "unknown step kind " + Quoted(*kindName) + hint);
        } else {
            r.setWhat("this " + std::string(kind->name) + " step");
        }
    }

    Step step;
    step.place = r.place();
    step.name = r.Text("name", Need::Optional).value_or("");
    step.continueOnFail = r.Flag("continue_on_fail", Need::Optional).value_or(false);
    if (kind == nullptr) return std::nullopt;

    std::optional<StepAction> action = kind->read(r);
    r.RefuseUnknownKeys();
    if (!action || mistakes.count() != before) return std::nullopt;
    step.action = std::move(*action);
    return step;
}

}  // namespace qs::procedure
