#pragma once

#include <functional>

namespace qs::qt {

// True while a modal dialog is open: one of the program's message boxes (ModalScope) or, once
// a front end with widgets has said how to tell (SetModalDialogProbe), any other (file
// dialogs, Qt's own warning boxes). The heartbeat and the serial port's reports hold off
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

}  // namespace qs::qt
