#include "qtcore/qt_timer.h"

#include <algorithm>
#include <chrono>

#include "qtcore/modal_scope.h"

namespace qs::qt {

QtTimer::QtTimer() {
    timer_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer_, &QTimer::timeout, [this] { OnTimeout(); });
}

void QtTimer::setInterval(std::int32_t milliseconds) {
    timer_.setInterval(std::max<std::int32_t>(0, milliseconds));
}

void QtTimer::setEnabled(bool enabled) {
    if (enabled == timer_.isActive()) return;
    if (enabled) {
        timer_.start();
    } else {
        timer_.stop();
    }
}

void QtTimer::OnTimeout() {
    if (HeartbeatHeldByDialog() || !handler_) return;
    handler_();
}

std::int32_t SystemTickSource::GetTickCount() const {
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    // Two's-complement wrap: the counter runs up to the largest positive value, then negative.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

}  // namespace qs::qt
