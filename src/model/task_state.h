#pragma once

#include <cstdint>

namespace qs {

// The model task loop's states by what they do, for the front ends; the loop itself numbers
// them 0 to 29.
enum class TaskState {
    Idle,           // 0: nothing until Connect (and after every failure)
    Reading,        // 1, 2: identification and the clone read
    Loading,        // 3 to 9: first readings, start command, first sending
    Cycle,          // 10 to 27: readings, sending, Enter, the automatic operation's step
    CycleEnd,       // 28: one adjustment cycle done
    ParameterPage,  // 29: the parameter page is shown
};

inline constexpr std::int16_t kTaskStateIdle = 0;
inline constexpr std::int16_t kTaskStateCycleStart = 10;
inline constexpr std::int16_t kTaskStateCycleEnd = 28;
inline constexpr std::int16_t kTaskStateParameterPage = 29;

constexpr TaskState TaskStateOf(std::int16_t number) {
    if (number <= kTaskStateIdle) return TaskState::Idle;
    if (number <= 2) return TaskState::Reading;
    if (number < kTaskStateCycleStart) return TaskState::Loading;
    if (number < kTaskStateCycleEnd) return TaskState::Cycle;
    if (number == kTaskStateCycleEnd) return TaskState::CycleEnd;
    return TaskState::ParameterPage;
}

// Which threshold the RSSI capture is reading for, while it waits for Enter.
enum class RssiCapture { None, S3, S1 };

// The two level-adjust items of the automatic level adjustment.
enum class LevelItem { Rx = 0, Tx = 1 };

}  // namespace qs
