#pragma once

#include <memory>
#include <string>

#include "link/eeprom.h"

namespace qs {

// The identity the connected radio must report, and the program's one memory image.
class clsCmcRadio {
public:
    const std::string& radioNameM() const { return radioNameM_; }
    void setRadioNameM(std::string v) { radioNameM_ = std::move(v); }
    const std::string& radionameS() const { return radionameS_; }
    void setRadionameS(std::string v) { radionameS_ = std::move(v); }

    // Created with every byte 0 on first access; lives as long as the identity.
    clsCmcEeprom& eepImage() {
        if (!eepImage_) eepImage_ = std::make_unique<clsCmcEeprom>();
        return *eepImage_;
    }

private:
    std::string radioNameM_ = "0000";
    std::string radionameS_ = "0000";
    std::unique_ptr<clsCmcEeprom> eepImage_;
};

}  // namespace qs
