#include "safety/wall_clock.h"

namespace qs {
namespace {

std::string Format(std::time_t when, const char* pattern) {
    std::tm parts{};
    if (localtime_r(&when, &parts) == nullptr) return "0000-00-00 00:00:00";
    char text[32] = {};
    if (std::strftime(text, sizeof text, pattern, &parts) == 0) return "";
    return text;
}

}  // namespace

std::string DateTimeText(std::time_t when) {
    return Format(when, "%Y-%m-%d %H:%M:%S");
}

std::string DateTimeStamp(std::time_t when) {
    return Format(when, "%Y%m%d-%H%M%S");
}

}  // namespace qs
