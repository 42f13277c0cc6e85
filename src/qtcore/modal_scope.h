#pragma once

// The dialog rules live in the core (a procedure run lifts them); the Qt side only says how
// to tell that a dialog is open.
#include "shell/dialog_hold.h"

namespace qs::qt {

using qs::HeartbeatHeldByDialog;
using qs::ModalDialogOpen;
using qs::ModalScope;
using qs::SetDialogsHoldHeartbeat;
using qs::SetModalDialogProbe;

}  // namespace qs::qt
