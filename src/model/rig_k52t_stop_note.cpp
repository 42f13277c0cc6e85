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

std::string clsIndOp_RigK52T::HeldValuesText(const std::vector<std::int16_t>& items) const {
    std::vector<std::string> held;
    for (const std::int16_t index : items) {
        // The memory image keeps every value the moment it is sent.
        held.push_back(Trimmed(console_.Title(index)) + " = " +
                       std::to_string(radio_.eepImage().ReadByte(console_.EeAdr(index))));
    }
    return Joined(held);
}

std::string clsIndOp_RigK52T::StoppedOperationNote() const {
    std::string operation;
    std::vector<std::string> held;
    std::vector<std::int16_t> items;
    auto item = [&](std::int16_t index) { items.push_back(index); };
    if (opState_ >= kFirstRssiState && opState_ <= kLastRssiState) {
        operation = "The RSSI threshold capture";
        held.push_back("RSSI S3 = " + std::to_string(radio_.eepImage().ReadByte(kRssiS3Adr)));
        held.push_back("S1 = " + std::to_string(radio_.eepImage().ReadByte(kRssiS1Adr)));
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
    const std::string text = held.empty() ? HeldValuesText(items) : Joined(held);
    return operation + " stopped before its end; the radio holds " +
           (text.empty() ? std::string("its earlier values") : text) + ".";
}

}  // namespace qs
