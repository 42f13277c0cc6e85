#include "record/step_summary.h"

#include <algorithm>
#include <vector>

#include "model/reading_text.h"

namespace qs {
namespace {

// Up to this many things set are named one by one; beyond, they are counted.
constexpr std::size_t kMaxNamedSettings = 3;

// A reading has a number in a unit and was not set by the run: an instrument's setting
// ("generator level") and an item's value are things set, and a word is shown as it is.
bool IsReading(const SeenValue& value) {
    return value.number && !value.unit.empty() && value.name.rfind("generator ", 0) != 0;
}

// An item of the radio: a number without a unit.
bool IsItem(const SeenValue& value) {
    return value.unit.empty() && value.number.has_value();
}

}  // namespace

std::string Counted(int count, const std::string& noun, ZeroAs zero) {
    const std::string number = count == 0 && zero == ZeroAs::No ? "no" : std::to_string(count);
    return number + " " + noun + (count == 1 ? "" : "s");
}

std::string StepSummary(const StepRecord& step) {
    struct Setting {
        std::string name;
        std::string first;
        std::string last;
        int count = 0;
        bool item = false;
    };
    std::vector<Setting> settings;
    // An adjust step records its item's value before it sets anything.
    bool startNext = step.kind == "adjust";
    int set = 0;
    int readings = 0;
    for (const SeenValue& value : step.values) {
        if (IsReading(value)) {
            ++readings;
            continue;
        }
        if (!startNext) ++set;
        startNext = false;
        auto it = std::find_if(settings.begin(), settings.end(),
                               [&](const Setting& s) { return s.name == value.name; });
        if (it == settings.end()) {
            settings.push_back({value.name, value.text, value.text, 1, IsItem(value)});
        } else {
            it->last = value.text;
            ++it->count;
        }
    }
    // The judged value is in the values too; it is shown in its own column.
    if (step.measured && IsReading(*step.measured)) readings = std::max(0, readings - 1);

    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!text.empty()) text += ", ";
        text += part;
    };
    const bool stepped = std::any_of(settings.begin(), settings.end(),
                                     [](const Setting& s) { return s.count > 1; });
    const bool few = settings.size() <= kMaxNamedSettings;
    if (step.kind == "adjust" && set == 0 && !settings.empty()) {
        add("no change needed");
    } else if (stepped || !few) {
        add(Counted(set, "setting"));
    }
    // What was stepped, and the radio's items, are named whatever their number.
    for (const Setting& s : settings) {
        if (s.count > 1) {
            add(s.name + " " + s.first + " \u2192 " + s.last);
        } else if (few || s.item) {
            add(s.name + " " + s.last);
        }
    }
    if (readings > 0) add(Counted(readings, "reading"));
    return text;
}

std::string StepWhatItDid(const StepRecord& step) {
    std::string text = step.outcome == StepOutcome::Pass ? StepSummary(step) : std::string();
    if (text.empty()) text = step.message;
    return SpacedUnits(text);
}

}  // namespace qs
