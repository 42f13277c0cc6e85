#include "shell/dialog_hold.h"

#include <utility>

namespace qs {

namespace {
int modalDepth = 0;
bool dialogsHold = true;

std::function<bool()>& Probe() {
    static std::function<bool()> probe;
    return probe;
}
}  // namespace

bool ModalDialogOpen() {
    return modalDepth > 0 || (Probe() && Probe()());
}

void SetModalDialogProbe(std::function<bool()> probe) {
    Probe() = std::move(probe);
}

ModalScope::ModalScope() {
    ++modalDepth;
}

ModalScope::~ModalScope() {
    --modalDepth;
}

void SetDialogsHoldHeartbeat(bool hold) {
    dialogsHold = hold;
}

bool HeartbeatHeldByDialog() {
    return dialogsHold && ModalDialogOpen();
}

}  // namespace qs
