#include "procedure/radio_watch.h"

#include <algorithm>

#include "shell/application.h"

namespace qs::procedure {

void RadioWatch::Begin(std::int32_t now) {
    lastProofTick_ = now;
    lastReadings_ = app_.model().readingsTaken();
}

void RadioWatch::Look(std::int32_t now, bool waitingOffTheRadio) {
    clsIndOp_RigK52T& model = app_.model();
    if (model.readingsTaken() != lastReadings_) {
        lastReadings_ = model.readingsTaken();
        lastProofTick_ = now;
    }
    if (inFlight_ && model.Settled()) {
        Unhide();
        inFlight_ = false;
    }
    if (inFlight_ || !waitingOffTheRadio) return;
    if (static_cast<std::int32_t>(now - lastProofTick_) < kWatchMs) return;
    // A running operation (a capture awaiting the technician) reads on its own, and its
    // readings are the proof; a Reload would stop it.
    if (model.OperationRunning() || !model.Settled()) return;
    inFlight_ = true;
    hidden_ = true;
    startBytes_ = app_.com().bytesReceived();
    lastProofTick_ = now;  // at most one exchange every kWatchMs, answered or not
    app_.main().Reload();
}

std::int32_t RadioWatch::DueInMs(std::int32_t now) const {
    return std::max<std::int32_t>(0, lastProofTick_ + kWatchMs - now);
}

void RadioWatch::Unhide() {
    if (!inFlight_ || !hidden_) return;
    hidden_ = false;
    bytes_ += app_.com().bytesReceived() - startBytes_;
}

}  // namespace qs::procedure
