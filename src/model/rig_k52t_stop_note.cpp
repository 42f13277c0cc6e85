// What a technician is told when a link failure cuts an automatic operation short: the radio
// keeps the last value each item was sent, which may lie between the start and the result.
#include <vector>

#include "console/console.h"
#include "model/rig_k52t_op.h"

namespace qs {
namespace {

constexpr std::int16_t kFirstRssiState = 6;
constexpr std::int16_t kLastRssiState = 8;
constexpr std::int16_t kFirstSweepState = 12;
constexpr std::int16_t kLastSweepState = 16;
constexpr std::int16_t kFirstLevelState = 17;
constexpr std::int16_t kLastLevelState = 26;
constexpr std::int32_t kRssiS1Adr = 169;
constexpr std::int32_t kRssiS3Adr = 170;

std::string Trimmed(const std::string& title) {
    const std::size_t first = title.find_first_not_of(' ');
    const std::size_t last = title.find_last_not_of(' ');
    return first == std::string::npos ? title : title.substr(first, last - first + 1);
}

std::string Joined(const std::vector<std::string>& parts) {
    std::string text;
    for (std::size_t i = 0; i < parts.size(); ++i) {
        text += (i == 0 ? "" : i + 1 == parts.size() ? " and " : ", ") + parts[i];
    }
    return text;
}

}  // namespace

namespace {

// "150", or for a value stored signed "-3".
int AsItemValue(int byte, bool isSigned) {
    return isSigned && byte >= 128 ? byte - 256 : byte;
}

// "NAME = 150", or "NAME: sent 150, not confirmed; the radio held 200 before".
std::string HeldText(const std::string& name, const RadioHoldings::Held& held, bool isSigned) {
    const std::string before = std::to_string(AsItemValue(held.confirmed, isSigned));
    if (!held.unconfirmed()) return name + " = " + before;
    std::vector<std::string> sent;
    for (const int value : held.sent) sent.push_back(std::to_string(AsItemValue(value, isSigned)));
    return name + ": sent " + Joined(sent) + ", not confirmed; the radio held " + before +
           " before";
}

struct Named {
    std::string name;
    RadioHoldings::Held held;
    bool isSigned = false;
};

// "the radio holds A = 1 and B = 2; C: sent 3, not confirmed; the radio held 4 before".
std::string HeldClause(const std::vector<Named>& values) {
    std::vector<std::string> proved;
    std::vector<std::string> unconfirmed;
    for (const Named& v : values) {
        (v.held.unconfirmed() ? unconfirmed : proved).push_back(HeldText(v.name, v.held, v.isSigned));
    }
    std::string text = proved.empty() ? std::string() : "the radio holds " + Joined(proved);
    for (const std::string& clause : unconfirmed) text += (text.empty() ? "" : "; ") + clause;
    return text;
}

}  // namespace

std::string clsIndOp_RigK52T::HeldValuesText(const std::vector<std::int16_t>& items) const {
    std::vector<Named> values;
    for (const std::int16_t index : items) {
        const std::int32_t address = console_.EeAdr(index);
        RadioHoldings::Held held = holdings_.At(address);
        if (address < 0 || !holdings_.loaded()) held = {console_.Value(index), {}, false};
        values.push_back({Trimmed(console_.Title(index)), held, console_.EeDataSigned(index)});
    }
    return HeldClause(values);
}

std::string clsIndOp_RigK52T::HeldThresholdsText() const {
    return HeldClause({{"RSSI S3", holdings_.At(kRssiS3Adr)}, {"S1", holdings_.At(kRssiS1Adr)}});
}

std::string clsIndOp_RigK52T::HeldChangesText(const RadioHoldings::Mark& mark,
                                              HeldWords words) const {
    std::vector<std::string> back;
    std::vector<std::string> holds;
    std::vector<std::string> unconfirmed;
    for (const RadioHoldings::Change& change : holdings_.ChangesSince(mark)) {
        const std::string name = NameAtAddress(change.address);
        if (name.empty()) continue;
        const bool isSigned = SignedAt(change.address);
        if (change.now.unconfirmed()) {
            unconfirmed.push_back(HeldText(name, change.now, isSigned));
        } else if (change.now.confirmed == change.before) {
            if (words == HeldWords::Step) {
                back.push_back(name + " is back at " +
                               std::to_string(AsItemValue(change.before, isSigned)));
            }
        } else {
            std::string held = name + " = " + std::to_string(AsItemValue(change.now.confirmed, isSigned));
            if (words == HeldWords::Run) {
                held += " (was " + std::to_string(AsItemValue(change.before, isSigned)) + ")";
            }
            holds.push_back(std::move(held));
        }
    }
    std::vector<std::string> clauses = back;
    if (!holds.empty()) clauses.push_back("the radio holds " + Joined(holds));
    clauses.insert(clauses.end(), unconfirmed.begin(), unconfirmed.end());
    std::string text;
    for (const std::string& clause : clauses) text += (text.empty() ? "" : "; ") + clause;
    return text;
}

bool clsIndOp_RigK52T::SignedAt(std::int32_t address) const {
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        if (console_.EeAdr(i) == address) return console_.EeDataSigned(i);
    }
    return false;
}

std::string clsIndOp_RigK52T::NameAtAddress(std::int32_t address) const {
    if (address == kRssiS3Adr) return "RSSI S3";
    if (address == kRssiS1Adr) return "RSSI S1";
    for (std::int16_t i = 0; i < console_.ListCount(); ++i) {
        if (console_.EeAdr(i) == address) return Trimmed(console_.Title(i));
    }
    return {};
}

std::string clsIndOp_RigK52T::StoppedOperationNote() const {
    std::string operation;
    bool thresholds = false;
    std::vector<std::int16_t> items;
    auto item = [&](std::int16_t index) { items.push_back(index); };
    if (opState_ >= kFirstRssiState && opState_ <= kLastRssiState) {
        operation = "The RSSI threshold capture";
        thresholds = true;
    } else if (opState_ >= kFirstSweepState && opState_ <= kLastSweepState) {
        operation = "The band-pass sweep";
        for (int i = 0; i < 2; ++i) {
            if (bpfAll_ || bpfSelect_[static_cast<std::size_t>(i)] ||
                (opState_ == 15 && opWork_.sweepIndex == i)) {
                item(static_cast<std::int16_t>(bpfItem_ + i));
            }
        }
    } else if (opState_ >= kFirstLevelState && opState_ <= kLastLevelState) {
        operation = "The automatic level adjustment";
        for (int i = 0; i < 2; ++i) {
            if (lvaSelect_[static_cast<std::size_t>(i)]) item(static_cast<std::int16_t>(lvaItem_ + i));
        }
    } else {
        return {};
    }
    const std::string text = thresholds ? HeldThresholdsText() : HeldValuesText(items);
    return operation + " stopped before its end; " +
           (text.empty() ? std::string("the radio holds its earlier values") : text) + ".";
}

}  // namespace qs
