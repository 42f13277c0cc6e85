// What the console asks of the model for the items with an event number: row texts, the
// channel command and the Enter actions that start the automatic operations.
#include <cstdio>

#include "console/console.h"
#include "link/hex_text.h"
#include "model/number_format.h"
#include "model/param_table.h"
#include "model/rig_k52t_op.h"

namespace qs {
namespace {

constexpr std::int16_t kEvChannel = 0;
constexpr std::int16_t kEvBpfAll = 2;
constexpr std::int16_t kEvBpf = 3;
constexpr std::int16_t kEvRssi = 4;
constexpr std::int16_t kEvLva = 6;
constexpr std::int16_t kEvLvTarget = 7;

constexpr std::int16_t kEnterRssi = 1;
constexpr std::int16_t kEnterBpfT1 = 3;
constexpr std::int16_t kEnterBpfT2 = 4;
constexpr std::int16_t kEnterBpfAll = 7;
constexpr std::int16_t kEnterRxLva = 8;
constexpr std::int16_t kEnterTxLva = 9;

constexpr const char* kFreqPattern = "###0.#####0";
constexpr const char* kInhibitText = "Inhibit   ";
constexpr const char* kSameAsRxText = "  <-      ";
constexpr double kHzPerMHz = 1000000.0;

bool InRssi(std::int16_t op) {
    return op >= 6 && op <= 8;
}
bool InSweep(std::int16_t op) {
    return op >= 12 && op <= 16;
}
bool InAdjust(std::int16_t op) {
    return op >= 17 && op <= 26;
}

std::string MHzText(std::int32_t hz) {
    return FormatDigitPattern(hz / kHzPerMHz, kFreqPattern);
}

// Index into a three-entry selection array, or -1 when outside it.
int SelectionIndex(std::int16_t Index, std::int16_t firstItem) {
    int k = Index - firstItem;
    return (k >= 0 && k < 3) ? k : -1;
}

}  // namespace

clsIndOp_RigK52T::TestChannel clsIndOp_RigK52T::ChannelAt(std::int16_t val) const {
    TestChannel channel;
    channel.number = chanList(val);
    const std::int32_t d =
        static_cast<std::int32_t>(channel.number) * RigK52TFunc_Obj_Size(kObjChannelRecords);
    if (!eepObj_.Check_Inh(rxFreqBase_ + d)) {
        channel.rxHz = eepObj_.GetChFreqRxReal(rxFreqBase_, channel.number);
    }
    if (!eepObj_.Check_Inh(txFreqBase_ + d)) {
        channel.txHz = eepObj_.GetChFreqTxReal(txFreqBase_, channel.number);
    }
    return channel;
}

clsIndOp_RigK52T::TestChannel clsIndOp_RigK52T::testChannel() const {
    return ChannelAt(console_.Value(chItem_));
}

std::string clsIndOp_RigK52T::ChannelName(std::int16_t ch) {
    std::string name = eepObj_.GetChName(ch);
    if (ch + 1 < 10) name = "0" + name;  // names are the channel numbers
    return name;
}

std::string clsIndOp_RigK52T::ChannelValueText(std::int16_t val) {
    const TestChannel channel = ChannelAt(val);
    const std::optional<std::int32_t> hz = channel.rxHz ? channel.rxHz : channel.txHz;
    char frequency[32] = "inhibited";
    if (hz) std::snprintf(frequency, sizeof frequency, "%.3f MHz", *hz / 1e6);
    return ChannelName(channel.number) + ", " + frequency;
}

std::string clsIndOp_RigK52T::ChannelRow(std::int16_t Index, std::int16_t val) {
    const TestChannel channel = ChannelAt(val);
    const std::int16_t ch = channel.number;
    const std::string name = ChannelName(ch);

    std::string rx = kInhibitText;
    std::string tx = kInhibitText;
    if (channel.rxHz) rx = MHzText(*channel.rxHz);
    if (channel.txHz) tx = channel.txHz == channel.rxHz ? kSameAsRxText : MHzText(*channel.txHz);

    const char* power = "Low1";
    switch (eepObj_.GetChRFPower(powerTableAddr_, ch)) {
        case 0:
            power = "High";
            break;
        case 1:
            power = "Low2";
            break;
        default:
            break;
    }
    return console_.Title(Index) + ": " + name + " RX = " + rx + ", TX = " + tx +
           "  RF Power: " + power;
}

std::string clsIndOp_RigK52T::ConsEv_Disp(clsConsole& objConsole, std::int16_t Index,
                                          std::int16_t evNo, std::int16_t val) {
    (void)objConsole;
    switch (evNo) {
        case kEvChannel:
            return ChannelRow(Index, val);
        case kEvBpfAll:
            if (InSweep(opState_) && Index == bpfSweepItem_) {
                return console_.Title(Index) + ": Sweeping";
            }
            return console_.Title(Index) + ": [Enter] to Sweep";
        case kEvBpf: {
            std::string row = console_.DefaultString(Index);
            if (!InSweep(opState_)) return row + " [Enter] to Sweep";
            int k = SelectionIndex(Index, bpfItem_);
            if (k >= 0 && bpfSelect_[static_cast<std::size_t>(k)]) row += " Sweeping";
            return row;
        }
        case kEvRssi:
            if (!InRssi(opState_)) return console_.Title(Index) + ": [Enter] to Start";
            return console_.Title(Index) + (rssiS1Pass_ ? ": RSSI S1 Level " : ": RSSI S3 Level ");
        case kEvLva: {
            std::string row = console_.DefaultString(Index);
            int k = SelectionIndex(Index, lvaItem_);
            if (!InAdjust(opState_)) {
                row += " [Enter] to Sweep";
                if ((k == 0 || k == 1) && lvaMark_[static_cast<std::size_t>(k)]) {
                    row += " (Auto Adjust Failed)";
                }
                return row;
            }
            if (k >= 0 && lvaSelect_[static_cast<std::size_t>(k)]) row += " Sweeping";
            return row;
        }
        case kEvLvTarget: {
            std::string volts =
                ": [" + FormatDigitPattern(console_.Value(Index) * 5.0 / 255, "##0.#0V");
            return console_.DefaultString(Index) + volts.substr(volts.size() - 7) + "]";
        }
        default:
            return console_.DefaultString(Index);
    }
}

void clsIndOp_RigK52T::ConsEv_SendE8(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                     std::int16_t val) {
    (void)objConsole;
    if (evNo != kEvChannel) return;
    const std::int16_t ch = chanList(val);
    seq_.easySendE8NoAnswer(ByteToHex2(console_.E8Command(Index)) +
                            ByteToAsciiHexText(static_cast<std::int16_t>(ch + 1)));
}

void clsIndOp_RigK52T::ConsEv_Enter(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                    std::int16_t val) {
    (void)objConsole;
    (void)val;
    switch (evNo) {
        case kEnterRssi:
            if (InRssi(opState_)) {
                rssiEnter_ = true;
                return;
            }
            StopAutoOp();
            rssiS1Pass_ = false;
            GoToOpState(6);
            return;
        case kEnterBpfT1:
        case kEnterBpfT2:
        case kEnterBpfAll:
            if (InSweep(opState_)) return;
            bpfSelect_.fill(false);
            bpfAll_ = false;
            if (evNo == kEnterBpfAll) {
                bpfAll_ = true;
                bpfSelect_[0] = true;
                bpfSelect_[1] = true;
            } else {
                bpfSelect_[static_cast<std::size_t>(evNo - kEnterBpfT1)] = true;
            }
            bpfSweepItem_ = Index;
            StopAutoOp();
            GoToOpState(12);
            return;
        case kEnterRxLva:
        case kEnterTxLva:
            if (InAdjust(opState_)) return;
            lvaSelect_.fill(false);
            lvaSelect_[static_cast<std::size_t>(evNo - kEnterRxLva)] = true;
            StopAutoOp();
            GoToOpState(17);
            return;
        default:
            return;
    }
}

}  // namespace qs
