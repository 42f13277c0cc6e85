#pragma once

namespace qs::qt {

// True while one of the program's modal boxes is open. The heartbeat and the receive
// notification hold off meanwhile: a tick that ran inside the box's own event loop would
// find the same error again and stack box upon box.
bool ModalDialogOpen();

// Marks the time a modal box is open (nesting allowed).
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

}  // namespace qs::qt
