#include "desktop/key_codes.h"

namespace qs::qt {

namespace {

struct KeyPair {
    int qtKey;
    std::int16_t code;
};

constexpr KeyPair kNamedKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},     {Qt::Key_Backtab, 9},  {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},  {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},    {Qt::Key_Escape, 27}, {Qt::Key_Space, 32},   {Qt::Key_PageUp, 33},
    {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},    {Qt::Key_Home, 36},    {Qt::Key_Left, 37},
    {Qt::Key_Up, 38},       {Qt::Key_Right, 39},  {Qt::Key_Down, 40},    {Qt::Key_Insert, 45},
    {Qt::Key_Delete, 46},
};

constexpr std::int16_t kCodeDigit0 = 48;
constexpr std::int16_t kCodeLetterA = 65;
constexpr std::int16_t kCodeKeypad0 = 96;
constexpr std::int16_t kCodeKeypadMultiply = 106;
constexpr std::int16_t kCodeKeypadAdd = 107;
constexpr std::int16_t kCodeKeypadSubtract = 109;
constexpr std::int16_t kCodeKeypadDecimal = 110;
constexpr std::int16_t kCodeKeypadDivide = 111;
constexpr std::int16_t kCodeF1 = 112;
constexpr int kFunctionKeyCount = 24;

}  // namespace

std::int16_t VirtualKeyCode(int qtKey, Qt::KeyboardModifiers modifiers) {
    const bool keypad = modifiers.testFlag(Qt::KeypadModifier);
    if (keypad) {
        if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
            return static_cast<std::int16_t>(kCodeKeypad0 + (qtKey - Qt::Key_0));
        }
        switch (qtKey) {
            case Qt::Key_Asterisk:
                return kCodeKeypadMultiply;
            case Qt::Key_Plus:
                return kCodeKeypadAdd;
            case Qt::Key_Minus:
                return kCodeKeypadSubtract;
            case Qt::Key_Period:
            case Qt::Key_Comma:
                return kCodeKeypadDecimal;
            case Qt::Key_Slash:
                return kCodeKeypadDivide;
            default:
                break;
        }
    }
    for (const KeyPair& pair : kNamedKeys) {
        if (pair.qtKey == qtKey) return pair.code;
    }
    if (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9) {
        return static_cast<std::int16_t>(kCodeDigit0 + (qtKey - Qt::Key_0));
    }
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) {
        return static_cast<std::int16_t>(kCodeLetterA + (qtKey - Qt::Key_A));
    }
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeyCount) {
        return static_cast<std::int16_t>(kCodeF1 + (qtKey - Qt::Key_F1));
    }
    return 0;
}

std::int16_t ShiftMask(Qt::KeyboardModifiers modifiers) {
    std::int16_t mask = 0;
    if (modifiers.testFlag(Qt::ShiftModifier)) mask |= kShiftMaskShift;
    if (modifiers.testFlag(Qt::ControlModifier)) mask |= kShiftMaskCtrl;
    if (modifiers.testFlag(Qt::AltModifier)) mask |= kShiftMaskAlt;
    return mask;
}

}  // namespace qs::qt
