// What a step puts in the record: the values it sets and sees, the value it judges.
#include "console/console.h"
#include "console/item_title.h"
#include "procedure/procedure_runner.h"
#include "procedure/shown_value.h"
#include "model/rig_k52t_op.h"
#include "shell/application.h"

namespace qs::procedure {

StepRecord& ProcedureRunner::Current() {
    return book_.Row(current_);
}

void ProcedureRunner::AddValue(SeenValue value) {
    if (current_ < 0) return;
    Current().values.push_back(std::move(value));
    Notify(RunNotice::Kind::SeenValue, current_);
}

void ProcedureRunner::Judge(SeenValue measured, const StepLimits& limits) {
    StepRecord& row = Current();
    row.limits = limits;
    row.measured = measured;
    AddValue(measured);
    const std::optional<std::string> outside = OutsideLimits(measured, limits);
    EndStep(outside ? StepOutcome::Fail : StepOutcome::Pass, outside.value_or(""));
}

std::string ProcedureRunner::ItemName(std::int16_t item) const {
    return ItemTitleWithoutBlanks(parts_.app.console().Title(item));
}

void ProcedureRunner::AddItemValue(std::int16_t item) {
    const std::int16_t value = parts_.app.console().Value(item);
    SeenValue seen = ItemStepValue(ItemName(item), value);
    // The procedure's channel number beside the console's name and frequency for it.
    if (item == parts_.app.model().chItem()) {
        seen.text += ": " + parts_.app.model().ChannelValueText(value);
    }
    AddValue(std::move(seen));
}

}  // namespace qs::procedure
