#pragma once

#include <string>

namespace qs {

// Modal message box with the stop icon and a single OK button.
class IMessageBox {
public:
    virtual ~IMessageBox() = default;
    // Shows `text` (lines separated by CR LF) under `caption`; returns the button pressed (OK = 1).
    virtual int ShowStop(const std::string& caption, const std::string& text) = 0;
    // Modal question with Yes and No buttons (No the default); true for Yes. A front end
    // that cannot ask answers No, so nothing that asks first ever runs unasked.
    virtual bool AskYesNo(const std::string& caption, const std::string& text) {
        (void)caption;
        (void)text;
        return false;
    }
};

// The short system beep.
class IBeeper {
public:
    virtual ~IBeeper() = default;
    virtual void Beep() = 0;
};

}  // namespace qs
