#pragma once

#include <cstdint>
#include <string>

namespace qs {

class clsConsole;

// What the console asks of the radio model for the items that carry an event number:
// the row text, the send and the Enter action, and the wait after a default command.
class ConsEv {
public:
    virtual ~ConsEv() = default;
    virtual std::string ConsEv_Disp(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                                    std::int16_t val) = 0;
    virtual void ConsEv_SendE8(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                               std::int16_t val) = 0;
    virtual void ConsEv_Enter(clsConsole& objConsole, std::int16_t Index, std::int16_t evNo,
                              std::int16_t val) = 0;
    // Wait, in milliseconds, that the model starts before its next step.
    virtual void setWaitE8Required(std::int32_t milliseconds) = 0;
};

}  // namespace qs
