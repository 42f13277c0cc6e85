// The steps that set the generator or judge a value: a live reading of the radio or a
// measurement of an instrument.
#include <algorithm>
#include <cmath>

#include "model/reading_text.h"
#include "model/rig_k52t_item_list.h"
#include "procedure/message_text.h"
#include "procedure/step_kinds.h"

namespace qs::procedure {
namespace {

// Without max_steps an adjustment tries this many settings at most, which is enough to move
// an item a long way from a fresh board's value and keeps a hopeless one short.
constexpr int kDefaultMaxSteps = 40;
constexpr int kRawReadings = 256;

// What a meter can read at all: a limit outside these can never be met, and most likely is
// written in the wrong unit.
constexpr const char* kInHz = "; frequencies are in Hz (146520000 for 146.52 MHz)";
const Span kTransmitPower{0.0, 1000.0, "W", "transmit power", ""};
const Span kDeviation{10.0, 100000.0, "Hz", "deviation", "; deviation is in Hz (3000 for 3 kHz)"};
const Span kTransmitFrequency{1e6, 1e10, "Hz", "a transmit frequency", kInHz};
const Span kGeneratorFrequency{1e6, 1e10, "Hz", "a generator frequency", kInHz};

const Span& SpanOf(Quantity quantity) {
    switch (quantity) {
        case Quantity::Deviation:
            return kDeviation;
        case Quantity::Frequency:
            return kTransmitFrequency;
        case Quantity::Power:
            break;
    }
    return kTransmitPower;
}

// The words `measure` and `quantity` take, in Quantity order.
std::vector<std::string> QuantityWords() {
    std::vector<std::string> words;
    for (const Quantity quantity : kQuantities) words.emplace_back(QuantityName(quantity));
    return words;
}

std::string LabelKey(std::string_view label) {
    const std::size_t first = label.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::string();
    return Lowered(label.substr(first, label.find_last_not_of(' ') - first + 1));
}

// As the row shows it, to two decimals.
double Shown(double value) {
    return std::round(value * 100.0) / 100.0;
}

struct Reading {
    ReadingRef ref;
    Span span;
};

// Every row of the live readings that has a label, with the range its values can show.
std::vector<Reading> MakeReadings() {
    std::vector<Reading> readings;
    for (const ReadingGroup group : {ReadingGroup::Ad, ReadingGroup::Da}) {
        const int rows = group == ReadingGroup::Ad ? kAdRowCount : kDaRowCount;
        for (int index = 0; index < rows; ++index) {
            // Any raw value names the row; only [A/D] row 4 has no label at all.
            const auto row = ReadingValueOf(group, index, 0);
            if (!row) continue;
            Reading reading{{group, index, row->name, row->unit},
                            {HUGE_VAL, -HUGE_VAL, row->unit, row->name, ""}};
            for (int raw = 0; raw < kRawReadings; ++raw) {
                const auto value = ReadingValueOf(group, index, raw);
                if (!value || !value->value) continue;
                reading.span.low = std::min(reading.span.low, Shown(*value->value));
                reading.span.high = std::max(reading.span.high, Shown(*value->value));
            }
            readings.push_back(reading);
        }
    }
    return readings;
}

std::optional<double> Tolerance(TableReader& r, Need need) {
    const auto tolerance = r.Number("tolerance", need);
    if (!tolerance || *tolerance > 0.0) return tolerance;
    r.Mistake("tolerance", "tolerance must be above 0, not " + NumberText(*tolerance));
    return std::nullopt;
}

// A number within the span, or the word naming one of the test channel's frequencies.
std::optional<Nominal> ReadNominal(TableReader& r, std::string_view key, Need need,
                                   const Span& span, std::optional<Nominal::Source> word) {
    const toml::node* node = r.Get(key, need);
    if (node == nullptr) return std::nullopt;
    if (const auto* text = node->as_string()) {
        if (!word) {
            r.WrongType(key, *node, "a number");
            return std::nullopt;
        }
        const std::string wordText = *word == Nominal::Source::ChannelRx ? "rx" : "tx";
        if (Lowered(text->get()) == wordText) return Nominal{*word, 0.0};
        r.Mistake(key, Quoted(key) + " must be a number in Hz or '" + wordText +
                           "' (the test channel's frequency), not " + Quoted(text->get()));
        return std::nullopt;
    }
    const auto value = r.Number(key, need);
    if (!value || !InSpan(r, key, *value, span)) return std::nullopt;
    return Nominal{Nominal::Source::Given, *value};
}

// Lets the keys of limits pass as known when what they would be checked against is unknown.
void SkipLimits(TableReader& r) {
    for (const char* key : {"min", "max", "target", "tolerance"}) r.Get(key, Need::Optional);
}

std::optional<Acceptance> ReadAcceptance(TableReader& r, const Span& span,
                                         std::optional<Nominal::Source> word) {
    const std::size_t before = r.mistakeCount();
    Acceptance a;
    a.min = r.Number("min", Need::Optional);
    a.max = r.Number("max", Need::Optional);
    a.target = ReadNominal(r, "target", Need::Optional, span, word);
    const auto tolerance = Tolerance(r, Need::Optional);
    if (r.mistakeCount() != before) return std::nullopt;

    if (a.target) {
        if (a.min || a.max) {
            r.Mistake(a.min ? "min" : "max",
                      "give 'min' and 'max' or 'target' and 'tolerance', not both");
            return std::nullopt;
        }
        if (!tolerance) {
            r.Mistake("target", "'target' needs a 'tolerance'");
            return std::nullopt;
        }
        a.tolerance = *tolerance;
        return a;
    }
    if (tolerance) {
        r.Mistake("tolerance", "'tolerance' needs a 'target'");
        return std::nullopt;
    }
    if (!a.min && !a.max) {
        r.Mistake(r.place(), r.what() + " needs 'min', 'max' or both, or 'target' and 'tolerance'");
        return std::nullopt;
    }
    if (a.min && a.max && *a.min > *a.max) {
        r.Mistake("min", "min " + NumberText(*a.min) + " is above max " + NumberText(*a.max));
        return std::nullopt;
    }
    if (a.min && *a.min > span.high) {
        r.Mistake("min", "min " + NumberText(*a.min) + " " + span.unit + " can never be met: " +
                             span.name + "'s range ends at " + NumberText(span.high) + " " +
                             span.unit + span.hint);
        return std::nullopt;
    }
    if (a.max && *a.max < span.low) {
        r.Mistake("max", "max " + NumberText(*a.max) + " " + span.unit + " can never be met: " +
                             span.name + "'s range begins at " + NumberText(span.low) + " " +
                             span.unit + span.hint);
        return std::nullopt;
    }
    return a;
}

std::optional<Nominal::Source> ChannelWord(Quantity quantity) {
    if (quantity == Quantity::Frequency) return Nominal::Source::ChannelTx;
    return std::nullopt;
}

}  // namespace

std::optional<StepAction> ReadGenerator(TableReader& r) {
    const std::size_t before = r.mistakeCount();
    GeneratorStep step;
    step.frequencyHz = ReadNominal(r, "frequency", Need::Optional, kGeneratorFrequency,
                                   Nominal::Source::ChannelRx);
    step.levelDbm = NumberInSpan(r, "level_dbm", Need::Optional, kGeneratorLevel);
    step.rfOn = r.Flag("rf", Need::Optional);
    if (r.mistakeCount() != before) return std::nullopt;
    if (!step.frequencyHz && !step.levelDbm && !step.rfOn) {
        r.Mistake(r.place(),
                  "this generator step sets nothing: give 'frequency', 'level_dbm' or 'rf'");
        return std::nullopt;
    }
    return step;
}

std::optional<StepAction> ReadAdjust(TableReader& r) {
    const std::size_t before = r.mistakeCount();
    AdjustStep step;
    std::optional<RigK52TItemInfo> info;
    if (const auto title = r.Text("item", Need::Required)) {
        if (const auto item = FindItem(r, r.PlaceOf("item"), *title)) {
            info = RigK52TItemList()[static_cast<std::size_t>(item->index)];
            step.item = *item;
            if (info->channel) {
                r.Mistake("item", info->title + " selects the test channel; it cannot be adjusted");
            } else if (!info->sentToRadio) {
                r.Mistake("item", info->title +
                                      " is not a value sent to the radio; it cannot be adjusted");
            }
        }
    }
    const auto quantity = Choice(r, "measure", QuantityWords());
    std::optional<Nominal> target;
    if (quantity) {
        step.quantity = kQuantities[*quantity];
        target = ReadNominal(r, "target", Need::Required, SpanOf(step.quantity),
                             ChannelWord(step.quantity));
    } else {
        r.Get("target", Need::Optional);
    }
    const auto tolerance = Tolerance(r, Need::Required);
    const auto maxSteps = r.Whole("max_steps", Need::Optional);
    if (r.mistakeCount() != before || !info || !target || !tolerance) return std::nullopt;

    step.target = *target;
    step.tolerance = *tolerance;
    const int values = info->max - info->min + 1;
    step.maxSteps = std::min(kDefaultMaxSteps, values);
    if (maxSteps) {
        if (*maxSteps < 1 || *maxSteps > values) {
            r.Mistake("max_steps", "max_steps " + std::to_string(*maxSteps) + " is outside 1 to " +
                                       std::to_string(values) + ": " + info->title + " has " +
                                       std::to_string(values) + " values");
            return std::nullopt;
        }
        step.maxSteps = static_cast<int>(*maxSteps);
    }
    return step;
}

std::optional<StepAction> ReadCheck(TableReader& r) {
    const auto label = r.Text("reading", Need::Required);
    if (!label) {
        SkipLimits(r);
        return std::nullopt;
    }
    static const std::vector<Reading> readings = MakeReadings();
    const auto it = std::find_if(readings.begin(), readings.end(), [&](const Reading& reading) {
        return LabelKey(reading.ref.label) == LabelKey(*label);
    });
    if (it == readings.end()) {
        std::vector<std::string> labels;
        for (const Reading& reading : readings) labels.push_back(reading.ref.label);
        std::string hint = DidYouMean(*label, labels);
        if (hint.empty()) hint = " (the readings: " + OneOf(labels) + ")";
        r.Mistake("reading", "no live reading is labelled " + Quoted(*label) + hint);
        SkipLimits(r);
        return std::nullopt;
    }
    const auto limits = ReadAcceptance(r, it->span, std::nullopt);
    if (!limits) return std::nullopt;
    return CheckStep{it->ref, *limits};
}

std::optional<StepAction> ReadMeasure(TableReader& r) {
    const auto quantity = Choice(r, "quantity", QuantityWords());
    if (!quantity) {
        SkipLimits(r);
        return std::nullopt;
    }
    const Quantity q = kQuantities[*quantity];
    const auto limits = ReadAcceptance(r, SpanOf(q), ChannelWord(q));
    if (!limits) return std::nullopt;
    return MeasureStep{q, *limits};
}

}  // namespace qs::procedure
