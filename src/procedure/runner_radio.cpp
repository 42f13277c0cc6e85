// What a step asks of the radio through the core: a reading as Reload takes it, Enter on a
// row, a running automatic operation stopped.
#include "model/auto_op_rows.h"
#include "procedure/procedure_runner.h"
#include "shell/application.h"

namespace qs::procedure {
void ProcedureRunner::SendReload() {
    parts_.app.main().Reload();
}

void ProcedureRunner::AwaitConfirmed(Then then) {
    // The reading goes after whatever the core still has to send (a Reload in the middle of an
    // operation would stop it), and its answer proves it.
    AwaitSettled([this, then = std::move(then)]() mutable {
        SendReload();
        AwaitSettled(std::move(then));
    });
}

void ProcedureRunner::PressEnterAndAwaitEnd(std::int16_t item, Then then) {
    parts_.app.main().PressEnterOn(item);
    // Settled: the Enter has been taken and the operation it started has ended.
    AwaitSettled(std::move(then));
}

void ProcedureRunner::StopOperationThen(Then then) {
    clsIndOp_RigK52T& model = parts_.app.model();
    if (!model.OperationRunning()) {
        then();
        return;
    }
    // Stopping is the model's own; with the radio gone there is nothing to wait for.
    model.StopOperation();
    if (link_.lost) {
        then();
        return;
    }
    AwaitSettled(std::move(then));
}

}  // namespace qs::procedure
