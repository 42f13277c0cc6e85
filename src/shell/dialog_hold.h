#pragma once

#include <functional>

namespace qs {

// Whether a modal dialog is open: one of the program's message boxes (ModalScope) or, once a
// front end with widgets has said how to tell (SetModalDialogProbe), any other (file dialogs,
// Qt's own warning boxes). The heartbeat, the serial port's reports and the timers hold off
// meanwhile: a tick that ran inside a dialog's own event loop could find an error and stack a
// message box on the dialog. What the port would have reported is kept and comes after.
bool ModalDialogOpen();

// How to tell that some modal dialog is open; null (the command line) counts ModalScope only.
void SetModalDialogProbe(std::function<bool()> probe);

// Marks the time a modal box is open (nesting allowed).
class ModalScope {
public:
    ModalScope();
    ~ModalScope();
    ModalScope(const ModalScope&) = delete;
    ModalScope& operator=(const ModalScope&) = delete;
};

// Whether an open modal dialog holds the heartbeat, the port's reports and the timers (the
// default). While a procedure run is under way it does not: the run must end safe whatever
// dialog is open, and the core's own messages wait for its end instead of opening a box.
void SetDialogsHoldHeartbeat(bool hold);
// ModalDialogOpen(), unless dialogs hold nothing now: what the timers and the ports look at.
bool HeartbeatHeldByDialog();

}  // namespace qs
