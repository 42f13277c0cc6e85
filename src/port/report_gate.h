#pragma once

#include <deque>
#include <functional>

#include "platform/serial_port.h"

namespace qs {

// Holds a serial port's reports while a modal dialog is open and hands them on, in order,
// once none is: a report handled inside a dialog's own event loop would run the heartbeat
// there and could stack a message box on the dialog, and a report dropped meanwhile (an
// overflow, say) would never be seen.
class ReportGate {
public:
    using Handler = std::function<void(CommEvent)>;
    using ModalProbe = std::function<bool()>;

    explicit ReportGate(ModalProbe modalOpen) : modalOpen_(std::move(modalOpen)) {}

    void setHandler(Handler handler) { handler_ = std::move(handler); }
    bool hasHandler() const { return static_cast<bool>(handler_); }
    // Hands `event` on now, or keeps it behind what is kept already. True when handed on.
    bool Offer(CommEvent event);
    // Hands on what is kept while no dialog is open. True when nothing is kept any more.
    bool Release();
    bool holding() const { return !kept_.empty(); }
    // Forgets what is kept (the port closed).
    void Clear() { kept_.clear(); }

private:
    bool ModalOpen() const { return modalOpen_ && modalOpen_(); }

    ModalProbe modalOpen_;
    Handler handler_;
    std::deque<CommEvent> kept_;
    bool releasing_ = false;
};

}  // namespace qs
