#include "qtcore/modal_scope.h"

namespace qs::qt {

namespace {
int modalDepth = 0;
}  // namespace

bool ModalDialogOpen() {
    return modalDepth > 0;
}

ModalScope::ModalScope() {
    ++modalDepth;
}

ModalScope::~ModalScope() {
    --modalDepth;
}

}  // namespace qs::qt
