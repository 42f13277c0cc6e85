#include "model/rig_k52t_eep.h"

#include "model/param_table.h"

namespace qs {
namespace {

constexpr std::int16_t kInhibitBit = 7;
constexpr std::int16_t kPowerHighBit = 1;
constexpr std::int16_t kPowerLowBit = 0;
constexpr std::int16_t kPowerHigh = 0;
constexpr std::int16_t kPowerLow2 = 1;
constexpr std::int16_t kPowerLow1 = 2;

constexpr std::int32_t kBaseFreqAdr = 80;
constexpr std::int32_t kBaseFreqUnitKHz = 100;
constexpr std::int32_t kBaseFreqLimitKHz = 800000;
constexpr std::int32_t kHzPerKHz = 1000;

}  // namespace

clsIndEep_RigK52T::clsIndEep_RigK52T(const clsCmcEeprom& image) : image_(image) {
    for (int i = 0; i <= 40; ++i)
        chNames_[static_cast<std::size_t>(i)].assign(1, ' ');
}

std::string clsIndEep_RigK52T::GetChName(std::int16_t chNo) {
    std::string name = std::to_string(chNo + 1);
    // Only the 42 slots are remembered; a number outside them still gets its name.
    if (chNo >= 0 && chNo < kChNameCount) chNames_[static_cast<std::size_t>(chNo)] = name;
    return name;
}

std::int32_t clsIndEep_RigK52T::RecordAddress(std::int32_t start_address, std::int16_t chNo,
                                              std::int16_t objectNo) const {
    // Formed in 32 bits: an offset past the 16-bit range lands outside the image and reads 0.
    return start_address + static_cast<std::int32_t>(chNo) * ObjSize(image_, objectNo);
}

std::int32_t clsIndEep_RigK52T::GetChFreqTxReal(std::int32_t start_address,
                                                std::int16_t chNo) const {
    return ReadFreqBlock(RecordAddress(start_address, chNo, kObjChannelRecords));
}

std::int32_t clsIndEep_RigK52T::GetChFreqRxReal(std::int32_t start_address,
                                                std::int16_t chNo) const {
    return ReadFreqBlock(RecordAddress(start_address, chNo, kObjChannelRecords));
}

std::int16_t clsIndEep_RigK52T::GetChRFPower(std::int32_t start_address, std::int16_t chNo) const {
    std::int32_t adr = RecordAddress(start_address, chNo, kObjChannelPower);
    if (!image_.ReadBit(adr, kPowerHighBit)) return kPowerLow1;
    return image_.ReadBit(adr, kPowerLowBit) ? kPowerHigh : kPowerLow2;
}

bool clsIndEep_RigK52T::GetChAppear(std::int32_t start_address, std::int16_t chNo) const {
    if (chNo < 0) return false;
    return Check_MRCH(RecordAddress(start_address, chNo, kObjChannelRecords));
}

std::int32_t clsIndEep_RigK52T::ReadFreqBlock(std::int32_t adr) const {
    std::uint32_t v = 0;
    for (std::int32_t i = 0; i < 4; ++i)
        v = v * 256u + image_.ReadByte(adr + i);
    return static_cast<std::int32_t>(v);
}

bool clsIndEep_RigK52T::Check_MRCH(std::int32_t adr) const {
    if (Check_Inh(adr)) return true;
    return ReadFreqBlock(adr) != 0;
}

bool clsIndEep_RigK52T::Check_Inh(std::int32_t adr) const {
    return image_.ReadBit(adr, kInhibitBit);
}

std::int32_t clsIndEep_RigK52T::ReadBaseFreqBlock() const {
    std::int32_t kHz = (image_.ReadByte(kBaseFreqAdr) * 256 + image_.ReadByte(kBaseFreqAdr + 1)) *
                       kBaseFreqUnitKHz;
    if (kHz > kBaseFreqLimitKHz || kHz < 0) kHz = 0;
    return kHz * kHzPerKHz;
}

}  // namespace qs
