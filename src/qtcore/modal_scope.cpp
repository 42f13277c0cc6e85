#include "qtcore/modal_scope.h"

#include <utility>

namespace qs::qt {

namespace {
int modalDepth = 0;

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

}  // namespace qs::qt
