#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>

#include "platform/tick_source.h"
#include "platform/timer.h"

namespace qs::qt {

// The heartbeat timer on a QTimer, on the program's one thread. A tick that falls while a
// modal message box is open is skipped (see ModalDialogOpen).
class QtTimer : public ITimer {
public:
    QtTimer();
    void setInterval(std::int32_t milliseconds) override;
    void setEnabled(bool enabled) override;
    bool enabled() const override { return timer_.isActive(); }
    void setHandler(std::function<void()> handler) override { handler_ = std::move(handler); }

private:
    void OnTimeout();
    QTimer timer_;
    std::function<void()> handler_;
};

// Milliseconds since system start from the monotonic clock, wrapped to 32 bits.
class SystemTickSource : public ITickSource {
public:
    std::int32_t GetTickCount() const override;
};

}  // namespace qs::qt
