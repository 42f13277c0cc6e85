#include "station/held_messages.h"

namespace qs {

namespace {
// A run that keeps failing leaves at most this many messages for after its end.
constexpr std::size_t kMaxHeld = 20;
}  // namespace

int HeldMessages::ShowStop(const std::string& caption, const std::string& text) {
    if (!holding_) return box_.ShowStop(caption, text);
    if (held_.size() < kMaxHeld) held_.push_back({caption, text});
    return 1;
}

bool HeldMessages::AskYesNo(const std::string& caption, const std::string& text) {
    if (!holding_) return box_.AskYesNo(caption, text);
    if (held_.size() < kMaxHeld) {
        held_.push_back({caption, text + "\r\n\r\n(Asked while a procedure run used the radio: "
                                         "answered No.)"});
    }
    return false;
}

std::vector<HeldMessages::Held> HeldMessages::Take() {
    std::vector<Held> held;
    held.swap(held_);
    return held;
}

void HeldMessages::ShowHeld() {
    if (holding_) return;
    for (const Held& held : Take()) box_.ShowStop(held.caption, held.text);
}

}  // namespace qs
