#pragma once

// The rows of the automatic operations, named once for every driver of the core: a procedure's
// steps and the command line's commands start them and read their results the same way.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "model/task_state.h"

namespace qs {

class clsIndOp_RigK52T;

enum class BandPassFilter { All, T1, T2 };
inline constexpr std::array<BandPassFilter, 3> kBandPassFilters{
    BandPassFilter::All, BandPassFilter::T1, BandPassFilter::T2};

// As a procedure file and the command line write it: "bpf-all", "bpf-t1", "bpf-t2".
std::string_view FilterName(BandPassFilter filter);
std::optional<BandPassFilter> FilterNamed(std::string_view name);
// The row whose Enter starts the sweep.
std::string_view SweepRowTitle(BandPassFilter filter);
// The band-pass items the sweep leaves a value in, T1 before T2.
std::vector<std::int16_t> SweptItems(const clsIndOp_RigK52T& model, BandPassFilter filter);

// The level adjustment's row (RX LVA, TX LVA), whose Enter starts it, and its target level's.
struct LevelRows {
    std::int16_t item = 0;
    std::int16_t target = 0;
};
LevelRows LevelRowsOf(const clsIndOp_RigK52T& model, LevelItem side);
// What a level adjustment that could not reach its target level says.
std::string LevelFailedText(std::int16_t targetLevel, std::string_view item, std::int16_t value);

}  // namespace qs
