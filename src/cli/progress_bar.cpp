#include "cli/progress_bar.h"

#include <algorithm>
#include <cstdio>

namespace qs::cli {

namespace {
constexpr int kBarCells = 32;
}

std::string ProgressBarText(std::int64_t done, std::int64_t total) {
    const std::int64_t percent = total <= 0 ? 0 : std::clamp<std::int64_t>(done * 100 / total, 0, 100);
    const auto filled = static_cast<std::size_t>(percent * kBarCells / 100);
    char number[8];
    std::snprintf(number, sizeof number, "%3d%%", static_cast<int>(percent));
    return "Reading the radio [" + std::string(filled, '#') +
           std::string(static_cast<std::size_t>(kBarCells) - filled, '-') + "] " + number;
}

}  // namespace qs::cli
