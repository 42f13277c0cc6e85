#include "record/step_summary.h"

#include <algorithm>
#include <vector>

namespace qs {
namespace {

// Names with more values than this are summed up by count alone.
constexpr std::size_t kMaxNamedSettings = 3;

bool IsSetting(const SeenValue& value) {
    return value.unit.empty() && value.number.has_value();
}

}  // namespace

std::string StepSummary(const StepRecord& step) {
    struct Item {
        std::string name;
        std::string first;
        std::string last;
        int count = 0;
    };
    std::vector<Item> items;
    int settings = 0;
    int readings = 0;
    for (const SeenValue& value : step.values) {
        if (!IsSetting(value)) {
            ++readings;
            continue;
        }
        ++settings;
        auto it = std::find_if(items.begin(), items.end(),
                               [&](const Item& item) { return item.name == value.name; });
        if (it == items.end()) {
            items.push_back({value.name, value.text, value.text, 1});
        } else {
            it->last = value.text;
            ++it->count;
        }
    }
    // The judged value is in the values too; it is shown in its own column.
    if (step.measured) readings = std::max(0, readings - 1);

    std::string text;
    const auto add = [&text](const std::string& part) {
        if (!text.empty()) text += ", ";
        text += part;
    };
    const bool stepped = std::any_of(items.begin(), items.end(),
                                     [](const Item& item) { return item.count > 1; });
    if (stepped) {
        add(std::to_string(settings) + (settings == 1 ? " setting" : " settings"));
        for (const Item& item : items) {
            if (item.count > 1) add(item.name + " " + item.first + " \u2192 " + item.last);
        }
    } else if (items.size() <= kMaxNamedSettings) {
        for (const Item& item : items) add(item.name + " " + item.last);
    } else {
        add(std::to_string(settings) + " settings");
    }
    if (readings > 0) add(std::to_string(readings) + (readings == 1 ? " reading" : " readings"));
    return text;
}

StepCounts CountSteps(const RunRecord& run) {
    StepCounts counts;
    for (const StepRecord& step : run.steps) {
        switch (step.outcome) {
            case StepOutcome::Pass:
                ++counts.passed;
                break;
            case StepOutcome::Fail:
                ++counts.failed;
                break;
            case StepOutcome::Error:
                ++counts.error;
                break;
            case StepOutcome::Aborted:
                ++counts.aborted;
                break;
            case StepOutcome::Skipped:
                ++counts.notRun;
                break;
        }
    }
    return counts;
}

}  // namespace qs
