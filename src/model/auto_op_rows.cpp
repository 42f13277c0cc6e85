#include "model/auto_op_rows.h"

#include "model/rig_k52t_op.h"

namespace qs {

std::string_view FilterName(BandPassFilter filter) {
    constexpr std::array<std::string_view, kBandPassFilters.size()> kNames{"bpf-all", "bpf-t1",
                                                                          "bpf-t2"};
    return kNames[static_cast<std::size_t>(filter)];
}

std::optional<BandPassFilter> FilterNamed(std::string_view name) {
    for (const BandPassFilter filter : kBandPassFilters)
        if (FilterName(filter) == name) return filter;
    return std::nullopt;
}

std::string_view SweepRowTitle(BandPassFilter filter) {
    constexpr std::array<std::string_view, kBandPassFilters.size()> kTitles{"BPF ALL", "BPF T1",
                                                                           "BPF T2"};
    return kTitles[static_cast<std::size_t>(filter)];
}

std::vector<std::int16_t> SweptItems(const clsIndOp_RigK52T& model, BandPassFilter filter) {
    const std::int16_t t1 = model.bpfItem();
    std::vector<std::int16_t> items;
    if (filter != BandPassFilter::T2) items.push_back(t1);
    if (filter != BandPassFilter::T1) items.push_back(static_cast<std::int16_t>(t1 + 1));
    return items;
}

LevelRows LevelRowsOf(const clsIndOp_RigK52T& model, LevelItem side) {
    const bool rx = side == LevelItem::Rx;
    return {static_cast<std::int16_t>(model.lvaItem() + (rx ? 0 : 1)),
            rx ? model.lvTargetItem() : model.lvTargetItemTx()};
}

std::string LevelFailedText(std::int16_t targetLevel, std::string_view item, std::int16_t value) {
    return "Auto Adjust Failed: the target level " + std::to_string(targetLevel) +
           " is out of reach; " + std::string(item) + " is back at " + std::to_string(value);
}

}  // namespace qs
