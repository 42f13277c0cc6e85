#pragma once

#include <string>

namespace qs {

// Modal message box with the stop icon and a single OK button.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Shows `text` (lines separated by CR LF) under `caption`; returns the button pressed (OK = 1).
    virtual int ShowStop(const std::string& caption, const std::string& text) = 0;
};

// The short system beep.
class IBeeper {
public:
    virtual ~IBeeper() = default;
    virtual void Beep() = 0;
};

}  // namespace qs
