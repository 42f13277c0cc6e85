#include "model/radio_holdings.h"

#include <algorithm>

#include "link/eeprom.h"

namespace qs {

namespace {
// Sends kept for SentSince: far more than any step or run sends (a level bisection sends a
// few dozen), so a long session cannot grow it without bound.
constexpr std::size_t kLogLimit = 100000;
constexpr std::size_t kPendingShown = 4;
}  // namespace

void RadioHoldings::Loaded(const clsCmcEeprom& image) {
    confirmed_.resize(static_cast<std::size_t>(image.eeSize()));
    for (std::int32_t a = 0; a < image.eeSize(); ++a) {
        confirmed_[static_cast<std::size_t>(a)] = image.ReadByte(a);
    }
    pending_.clear();
}

void RadioHoldings::Sent(std::int32_t address, std::uint8_t value) {
    if (address < 0 || static_cast<std::size_t>(address) >= confirmed_.size()) return;
    std::vector<std::uint8_t>& values = pending_[address];
    if (values.empty() || values.back() != value) values.push_back(value);
    // The first and the last few tell the story; a search's every step would not.
    if (values.size() > kPendingShown) values.erase(values.begin() + 1);
    if (log_.size() >= kLogLimit) log_.erase(log_.begin(), log_.begin() + kLogLimit / 2);
    log_.push_back(address);
    ++sends_;
}

void RadioHoldings::Answered() {
    for (const auto& [address, values] : pending_) {
        confirmed_[static_cast<std::size_t>(address)] = values.back();
    }
    pending_.clear();
}

RadioHoldings::Held RadioHoldings::At(std::int32_t address) const {
    Held held;
    if (address < 0 || static_cast<std::size_t>(address) >= confirmed_.size()) return held;
    held.known = true;
    held.confirmed = confirmed_[static_cast<std::size_t>(address)];
    const auto pending = pending_.find(address);
    if (pending == pending_.end()) return held;
    const std::vector<std::uint8_t>& values = pending->second;
    const bool differs = std::any_of(values.begin(), values.end(),
                                     [&held](std::uint8_t v) { return v != held.confirmed; });
    if (differs) held.sent.assign(values.begin(), values.end());
    return held;
}

std::vector<RadioHoldings::Change> RadioHoldings::ChangesSince(const Mark& mark) const {
    std::vector<Change> changes;
    const std::uint64_t count =
        std::min<std::uint64_t>(sends_ - std::min(mark.sends, sends_), log_.size());
    for (std::size_t i = log_.size() - count; i < log_.size(); ++i) {
        const std::int32_t address = log_[i];
        const bool seen = std::any_of(changes.begin(), changes.end(),
                                      [address](const Change& c) { return c.address == address; });
        if (seen) continue;
        const auto at = static_cast<std::size_t>(address);
        // A mark taken before the first clone read knew nothing: the read's value stands.
        const int before = at < mark.confirmed.size() ? mark.confirmed[at] : At(address).confirmed;
        changes.push_back({address, before, At(address)});
    }
    return changes;
}

}  // namespace qs
