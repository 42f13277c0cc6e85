// The steps that work the radio through the core: items set as the console sets them, Enter
// on a row for the model's automatic operations, a live reading taken as Reload takes it.
#include "console/console.h"
#include "model/auto_op_rows.h"
#include "model/rig_k52t_item_list.h"
#include "procedure/procedure_runner.h"
#include "procedure/shown_value.h"
#include "shell/application.h"

namespace qs::procedure {
void ProcedureRunner::SendReload() {
    parts_.app.main().OnCommandClick(kReloadButton);
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
    if (radioLost_) {
        then();
        return;
    }
    AwaitSettled(std::move(then));
}

void ProcedureRunner::RunSet(const SetStep& step) {
    const clsConsole& console = parts_.app.console();
    // The channel item's upper limit is this radio's own channel count, known only now;
    // nothing is sent when any setting is out of reach.
    for (const ItemSetting& setting : step.settings) {
        const std::int16_t max = console.Max(setting.item.index);
        if (setting.value <= max) continue;
        EndStep(StepOutcome::Fail, setting.item.title + " = " + std::to_string(setting.value) +
                                       " is beyond this radio's limit " + std::to_string(max) +
                                       "; nothing was set");
        return;
    }
    SetNext(step, 0);
}

void ProcedureRunner::SetNext(const SetStep& step, std::size_t next) {
    if (next == step.settings.size()) {
        // As after an adjustment: the settings await no answer, the reading after them does.
        SendReload();
        AwaitSettled([this] { EndStep(StepOutcome::Pass, ""); });
        return;
    }
    // One at a time in the file's order, each with the console's wait after its command.
    const std::int16_t item = step.settings[next].item.index;
    parts_.app.console().setValue(item, step.settings[next].value);
    AwaitSettled([this, &step, next, item] {
        AddItemValue(item);
        SetNext(step, next + 1);
    });
}

void ProcedureRunner::RunSweep(const SweepStep& step) {
    const std::vector<std::int16_t> swept = SweptItems(parts_.app.model(), step.filter);
    const auto values = [this, swept] {
        for (const std::int16_t item : swept) AddItemValue(item);
    };
    teardown_ = [this, values](std::function<void(std::string)> done) {
        StopOperationThen([values, done] {
            values();
            done("the sweep was stopped");
        });
    };
    PressEnterAndAwaitEnd(FindRigK52TItem(SweepRowTitle(step.filter)), [this, values] {
        values();
        EndStep(StepOutcome::Pass, "");
    });
}

void ProcedureRunner::RunLevel(const LevelStep& step) {
    const LevelRows rows = LevelRowsOf(parts_.app.model(), step.side);
    const std::int16_t item = rows.item;
    const std::int16_t targetItem = rows.target;
    const LevelItem level = step.side;
    teardown_ = [this, item](std::function<void(std::string)> done) {
        StopOperationThen([this, item, done] {
            AddItemValue(item);
            done("the level adjustment was stopped where it stood");
        });
    };
    const auto adjust = [this, item, targetItem, level] {
        PressEnterAndAwaitEnd(item, [this, item, targetItem, level] {
            AddItemValue(item);
            if (!parts_.app.model().LevelAdjustFailed(level)) {
                EndStep(StepOutcome::Pass, "");
                return;
            }
            const clsConsole& console = parts_.app.console();
            EndStep(StepOutcome::Fail, LevelFailedText(console.Value(targetItem), ItemName(item),
                                                       console.Value(item)));
        });
    };
    if (!step.target) {
        AddItemValue(targetItem);
        adjust();
        return;
    }
    parts_.app.console().setValue(targetItem, *step.target);
    AwaitSettled([this, targetItem, adjust] {
        AddItemValue(targetItem);
        adjust();
    });
}

void ProcedureRunner::RunCheck(const CheckStep& step) {
    // As Reload takes them: every row of both lists, read afresh.
    SendReload();
    AwaitSettled([this, &step] {
        const std::int16_t raw =
            parts_.app.model().lastReading(step.reading.group, step.reading.index);
        const std::optional<ReadingValue> reading =
            raw < 0 ? std::nullopt : ReadingValueOf(step.reading.group, step.reading.index, raw);
        if (!reading) {
            Error("no reading of " + step.reading.label + " came");
            return;
        }
        Judge(ReadingStepValue(*reading), MakeLimits(step.limits, step.reading.unit, {}));
    });
}

}  // namespace qs::procedure
