#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "console/console.h"

namespace qs {

// Stands in for the radio model behind the console: records every callback with its
// arguments and answers a row text built from them.
class RecordingEvents : public ConsEv {
public:
    struct Call {
        std::string what;
        std::int16_t index;
        std::int16_t evNo;
        std::int16_t val;
    };

    std::string ConsEv_Disp(clsConsole&, std::int16_t Index, std::int16_t evNo,
                            std::int16_t val) override {
        calls.push_back({"Disp", Index, evNo, val});
        return "ev" + std::to_string(evNo) + "=" + std::to_string(val);
    }
    void ConsEv_SendE8(clsConsole&, std::int16_t Index, std::int16_t evNo,
                       std::int16_t val) override {
        calls.push_back({"SendE8", Index, evNo, val});
    }
    void ConsEv_Enter(clsConsole& console, std::int16_t Index, std::int16_t evNo,
                      std::int16_t val) override {
        calls.push_back({"Enter", Index, evNo, val});
        if (clearOnEnter) console.Clear();
    }
    void setWaitE8Required(std::int32_t milliseconds) override { waits.push_back(milliseconds); }

    int count(const std::string& what) const {
        int n = 0;
        for (const Call& c : calls)
            n += c.what == what ? 1 : 0;
        return n;
    }

    std::vector<Call> calls;
    std::vector<std::int32_t> waits;
    bool clearOnEnter = false;
};

}  // namespace qs
