#pragma once

#include <ctime>
#include <string>

namespace qs {

// The calendar time for file names and records (the tick counter only measures intervals).
class IWallClock {
public:
    virtual ~IWallClock() = default;
    // Seconds since 1970-01-01 UTC.
    virtual std::time_t Now() const = 0;
};

class SystemWallClock : public IWallClock {
public:
    std::time_t Now() const override { return std::time(nullptr); }
};

// "2026-12-07 10:46:02" in local time.
std::string DateTimeText(std::time_t when);
// "20261207-104602" in local time, for file names.
std::string DateTimeStamp(std::time_t when);

}  // namespace qs
