#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/eeprom.h"
#include "platform/controls.h"

namespace qs {

// What the model operation class asks of the memory layout of this radio.
class RigK52TEep {
public:
    virtual ~RigK52TEep() = default;
    virtual std::string GetChName(std::int16_t chNo) = 0;
    virtual std::int32_t GetChFreqTxReal(std::int32_t start_address, std::int16_t chNo) const = 0;
    virtual std::int32_t GetChFreqRxReal(std::int32_t start_address, std::int16_t chNo) const = 0;
    virtual std::int16_t GetChRFPower(std::int32_t start_address, std::int16_t chNo) const = 0;
    virtual bool GetChAppear(std::int32_t start_address, std::int16_t chNo) const = 0;
    virtual void DispPara(ITextBox& textBox) const = 0;
};

// Where this radio keeps its channel data and fixed fields in the memory image, decoded into
// frequencies, flags and codes. Reads only. Channel record addresses come from the parameter
// table of the same image, asked afresh on every call.
class clsIndEep_RigK52T : public RigK52TEep {
public:
    static constexpr int kChNameCount = 42;

    explicit clsIndEep_RigK52T(const clsCmcEeprom& image);

    // The decimal text of chNo + 1; the model keeps no channel names of its own.
    std::string GetChName(std::int16_t chNo) override;
    std::int32_t GetChFreqTxReal(std::int32_t start_address, std::int16_t chNo) const override;
    std::int32_t GetChFreqRxReal(std::int32_t start_address, std::int16_t chNo) const override;
    // 0 High, 1 Low2, 2 Low1.
    std::int16_t GetChRFPower(std::int32_t start_address, std::int16_t chNo) const override;
    // An inhibited channel counts as in use; four zero frequency bytes are an empty slot.
    bool GetChAppear(std::int32_t start_address, std::int16_t chNo) const override;
    // One line per stored adjustment value (parameter_display.cpp).
    void DispPara(ITextBox& textBox) const override;

    // Four bytes big-endian. Callers test Check_Inh first: an inhibited record holds no
    // frequency (its value here is the bytes' 32-bit two's-complement reading).
    std::int32_t ReadFreqBlock(std::int32_t adr) const;
    bool Check_MRCH(std::int32_t adr) const;
    bool Check_Inh(std::int32_t adr) const;
    // Base frequency in Hz; 0 when the stored value lies above 800 MHz.
    std::int32_t ReadBaseFreqBlock() const;

    const std::string& chNames(int index) const {
        return chNames_[static_cast<std::size_t>(index)];
    }

    // The whole parameter page as DispPara writes it.
    std::string ParameterText() const;

private:
    std::int32_t RecordAddress(std::int32_t start_address, std::int16_t chNo,
                               std::int16_t objectNo) const;

    const clsCmcEeprom& image_;
    std::array<std::string, kChNameCount> chNames_;
};

}  // namespace qs
