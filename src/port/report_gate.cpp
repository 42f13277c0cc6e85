#include "port/report_gate.h"

namespace qs {

bool ReportGate::Offer(CommEvent event) {
    if (!handler_) return true;
    if (holding() || ModalOpen()) {
        // The same report twice in a row says no more than once.
        if (kept_.empty() || kept_.back() != event) kept_.push_back(event);
        return false;
    }
    handler_(event);
    return true;
}

bool ReportGate::Release() {
    if (releasing_) return !holding();
    releasing_ = true;
    while (!kept_.empty() && !ModalOpen() && handler_) {
        const CommEvent event = kept_.front();
        kept_.pop_front();
        handler_(event);
    }
    releasing_ = false;
    return !holding();
}

}  // namespace qs
