#pragma once

#include <Qt>
#include <cstdint>

namespace qs::qt {

// Key codes and shift state as the window logic expects them: the classic virtual-key
// numbers (Left 37, Right 39, Enter 13, F5 116, ...) and a shift mask (1 Shift, 2 Ctrl, 4 Alt).
inline constexpr std::int16_t kShiftMaskShift = 1;
inline constexpr std::int16_t kShiftMaskCtrl = 2;
inline constexpr std::int16_t kShiftMaskAlt = 4;

// 0 for keys without a virtual-key number.
std::int16_t VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers);
std::int16_t ShiftMask(Qt::KeyboardModifiers modifiers);

}  // namespace qs::qt
