#pragma once

#include <string>
#include <vector>

#include "platform/alerts.h"

namespace qs {

// The front end's message box, held while a procedure run is under way: the core shows its
// messages from inside its heartbeat, and a box that waits there for OK would hold the run up
// (the generator's RF on, nobody at the bench). Held texts are kept in order, to be shown once
// the run has ended.
class HeldMessages : public IMessageBox {
public:
    explicit HeldMessages(IMessageBox& box) : box_(box) {}

    // Held: kept, and OK as if pressed.
    int ShowStop(const std::string& caption, const std::string& text) override;
    // Held: No, so nothing that asks first goes on unasked; the question is kept as said.
    bool AskYesNo(const std::string& caption, const std::string& text) override;

    void Hold(bool on) { holding_ = on; }
    bool holding() const { return holding_; }

    struct Held {
        std::string caption;
        std::string text;
    };
    // What was held, oldest first; kept no longer.
    std::vector<Held> Take();
    // Shows what was held, one box after the other, once nothing holds them.
    void ShowHeld();

private:
    IMessageBox& box_;
    bool holding_ = false;
    std::vector<Held> held_;
};

}  // namespace qs
