// The steps that work on the radio's items and its automatic operations.
#include <algorithm>

#include "model/rig_k52t_item_list.h"
#include "procedure/message_text.h"
#include "procedure/step_kinds.h"

namespace qs::procedure {
namespace {

// The items a level step's target sets.
constexpr const char* kRxTargetItem = "LV(RX LVA)";
constexpr const char* kTxTargetItem = "LV(TX LVA)";

std::vector<std::string> ItemTitles(const std::vector<RigK52TItemInfo>& items) {
    std::vector<std::string> titles;
    for (const RigK52TItemInfo& item : items) titles.push_back(item.title);
    return titles;
}

// A table keeps its keys sorted; items are set in the order the file gives them.
std::vector<std::pair<const toml::key*, const toml::node*>> InFileOrder(const toml::table& table) {
    std::vector<std::pair<const toml::key*, const toml::node*>> entries;
    for (const auto& [key, value] : table) entries.emplace_back(&key, &value);
    std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) {
        return StartOf(a.first->source()) < StartOf(b.first->source());
    });
    return entries;
}

std::string LimitsText(const RigK52TItemInfo& item) {
    std::string text = "its limits " + std::to_string(item.min) + " to " + std::to_string(item.max);
    if (item.channel) text += " (the radio's own channel count is checked once it is loaded)";
    return text;
}

// The item's value from the file, within the item's limits.
std::optional<std::int16_t> ItemValue(TableReader& r, const RigK52TItemInfo& item,
                                      const toml::node& node) {
    const FilePlace place = StartOf(node.source());
    const auto* whole = node.as_integer();
    if (whole == nullptr) {
        r.Mistake(place, item.title + " must be set to a whole number, not " + TypeWords(node));
        return std::nullopt;
    }
    const std::int64_t value = whole->get();
    if (value < item.min || value > item.max) {
        r.Mistake(place, item.title + " = " + std::to_string(value) + " is outside " +
                             LimitsText(item));
        return std::nullopt;
    }
    return static_cast<std::int16_t>(value);
}

}  // namespace

std::optional<ItemRef> FindItem(TableReader& r, FilePlace place, std::string_view title) {
    const std::int16_t index = FindRigK52TItem(title);
    if (index >= 0) {
        return ItemRef{index, RigK52TItemList()[static_cast<std::size_t>(index)].title};
    }
    const std::vector<std::string> titles = ItemTitles(RigK52TItemList());
    std::string hint = DidYouMean(title, titles);
    if (hint.empty()) hint = " (the items: " + OneOf(titles) + ")";
    r.Mistake(place, "no item is called " + Quoted(title) + hint);
    return std::nullopt;
}

std::optional<StepAction> ReadSet(TableReader& r) {
    const toml::node* node = r.Get("items", Need::Required);
    if (node == nullptr) return std::nullopt;
    const toml::table* items = node->as_table();
    if (items == nullptr) {
        r.WrongType("items", *node, "a table of item = value, e.g. { \"Power(Hi)\" = 150 }");
        return std::nullopt;
    }
    if (items->empty()) {
        r.Mistake("items", "'items' names no item");
        return std::nullopt;
    }
    const std::vector<RigK52TItemInfo> list = RigK52TItemList();
    const std::size_t before = r.mistakeCount();
    SetStep step;
    std::vector<std::int16_t> named;
    for (const auto& [key, value] : InFileOrder(*items)) {
        const FilePlace place = StartOf(key->source());
        const auto item = FindItem(r, place, key->str());
        if (!item) continue;
        const RigK52TItemInfo& info = list[static_cast<std::size_t>(item->index)];
        if (!info.sentToRadio) {
            r.Mistake(place, info.title +
                                 " is not a value sent to the radio; a sweep, level or rssi "
                                 "step sets it");
            continue;
        }
        if (std::find(named.begin(), named.end(), item->index) != named.end()) {
            r.Mistake(place, "'items' names " + info.title + " twice");
            continue;
        }
        named.push_back(item->index);
        const auto v = ItemValue(r, info, *value);
        if (v) step.settings.push_back({*item, *v, place});
    }
    if (r.mistakeCount() != before) return std::nullopt;
    return step;
}

std::optional<StepAction> ReadSweep(TableReader& r) {
    std::vector<std::string> names;
    for (const BandPassFilter filter : kBandPassFilters) names.emplace_back(FilterName(filter));
    const auto which = Choice(r, "which", names);
    if (!which) return std::nullopt;
    return SweepStep{kBandPassFilters[*which]};
}

std::optional<StepAction> ReadLevel(TableReader& r) {
    const auto side = Choice(r, "side", {"rx", "tx"});
    const auto target = r.Whole("target", Need::Optional);
    if (!side) return std::nullopt;
    LevelStep step;
    step.side = *side == 0 ? LevelSide::Rx : LevelSide::Tx;
    if (!target) return step;

    const std::int16_t index = FindRigK52TItem(*side == 0 ? kRxTargetItem : kTxTargetItem);
    RigK52TItemInfo item{*side == 0 ? kRxTargetItem : kTxTargetItem, -1};
    if (index >= 0) item = RigK52TItemList()[static_cast<std::size_t>(index)];
    if (*target < item.min || *target > item.max) {
        r.Mistake("target", "target " + std::to_string(*target) + " is outside the limits of " +
                                item.title + ", " + std::to_string(item.min) + " to " +
                                std::to_string(item.max));
        return std::nullopt;
    }
    step.target = static_cast<std::int16_t>(*target);
    return step;
}

std::optional<StepAction> ReadRssi(TableReader& r) {
    const auto s3 = NumberInSpan(r, "s3_dbm", Need::Required, kGeneratorLevel);
    const auto s1 = NumberInSpan(r, "s1_dbm", Need::Required, kGeneratorLevel);
    if (!s3 || !s1) return std::nullopt;
    if (*s1 >= *s3) {
        r.Mistake("s1_dbm", "s1_dbm " + NumberText(*s1) + " dBm must be below s3_dbm " +
                                NumberText(*s3) + " dBm: S1 is the weaker signal");
        return std::nullopt;
    }
    return RssiStep{*s3, *s1};
}

}  // namespace qs::procedure
