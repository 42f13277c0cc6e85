// The steps that work the radio through the core: items set as the console sets them, Enter
// on a row for the model's automatic operations, a live reading taken as Reload takes it.
#include "console/console.h"
#include "model/auto_op_rows.h"
#include "model/reading_text.h"
#include "model/rig_k52t_item_list.h"
#include "procedure/shown_value.h"
#include "procedure/step_run.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

class SetRun final : public StepRun {
public:
    explicit SetRun(const SetStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        const clsConsole& console = host.app().console();
        // The channel item's upper limit is this radio's own channel count, known only now;
        // nothing is sent when any setting is out of reach.
        for (const ItemSetting& setting : step_.settings) {
            const std::int16_t max = console.Max(setting.item.index);
            if (setting.value <= max) continue;
            host.End(StepOutcome::Fail, setting.item.title + " = " +
                                            std::to_string(setting.value) +
                                            " is beyond this radio's limit " +
                                            std::to_string(max) + "; nothing was set");
            return;
        }
        SetNext(host, 0);
    }

    // A step ended part-way leaves no half-set radio: the items it set go back, last first.
    void Teardown(StepHost& host, std::function<void(std::string)> done) override {
        PutBack(host, std::move(done), false);
    }

private:
    void SetNext(StepHost& host, std::size_t next) {
        if (next == step_.settings.size()) {
            // As after an adjustment: the settings await no answer, the reading after them does.
            host.AwaitConfirmed([&host] { host.End(StepOutcome::Pass, ""); });
            return;
        }
        // One at a time in the file's order, each with the console's wait after its command.
        const std::int16_t item = step_.settings[next].item.index;
        clsConsole& console = host.app().console();
        before_.push_back({item, console.Value(item)});
        console.setValue(item, step_.settings[next].value);
        host.AwaitSettled([this, &host, next, item] {
            host.AddItemValue(item);
            SetNext(host, next + 1);
        });
    }

    // With the radio gone nothing is sent: the executor says what it holds.
    void PutBack(StepHost& host, std::function<void(std::string)> done, bool sent) {
        clsConsole& console = host.app().console();
        while (!before_.empty() && !host.radioLost()) {
            const std::int16_t item = before_.back().first;
            const std::int16_t value = before_.back().second;
            before_.pop_back();
            if (console.Value(item) == value) continue;
            console.setValue(item, value);
            host.AwaitSettled([this, &host, done, item] {
                host.AddItemValue(item);
                PutBack(host, done, true);
            });
            return;
        }
        if (!sent || host.radioLost()) {
            done("");
            return;
        }
        // "Is back" only once the radio has answered after the last of them.
        host.AwaitConfirmed([done] { done(""); });
    }

    const SetStep& step_;
    // The items set so far, each with the value it had before.
    std::vector<std::pair<std::int16_t, std::int16_t>> before_;
};

class SweepRun final : public StepRun {
public:
    explicit SweepRun(const SweepStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        swept_ = SweptItems(host.app().model(), step_.filter);
        host.PressEnterAndAwaitEnd(FindRigK52TItem(SweepRowTitle(step_.filter)), [this, &host] {
            Values(host);
            host.End(StepOutcome::Pass, "");
        });
    }
    void Teardown(StepHost& host, std::function<void(std::string)> done) override {
        host.StopOperationThen([this, &host, done] {
            Values(host);
            // Where it stands, as the radio confirms it when it still answers.
            if (host.radioLost()) {
                done("the sweep was stopped");
                return;
            }
            host.AwaitConfirmed([done] { done("the sweep was stopped"); });
        });
    }

private:
    void Values(StepHost& host) const {
        for (const std::int16_t item : swept_) host.AddItemValue(item);
    }

    const SweepStep& step_;
    std::vector<std::int16_t> swept_;
};

class LevelRun final : public StepRun {
public:
    explicit LevelRun(const LevelStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        rows_ = LevelRowsOf(host.app().model(), step_.side);
        if (!step_.target) {
            host.AddItemValue(rows_.target);
            Adjust(host);
            return;
        }
        host.app().console().setValue(rows_.target, *step_.target);
        host.AwaitSettled([this, &host] {
            host.AddItemValue(rows_.target);
            Adjust(host);
        });
    }
    void Teardown(StepHost& host, std::function<void(std::string)> done) override {
        host.StopOperationThen([this, &host, done] {
            host.AddItemValue(rows_.item);
            const std::string note = "the level adjustment was stopped where it stood";
            if (host.radioLost()) {
                done(note);
                return;
            }
            host.AwaitConfirmed([done, note] { done(note); });
        });
    }

private:
    void Adjust(StepHost& host) {
        host.PressEnterAndAwaitEnd(rows_.item, [this, &host] {
            host.AddItemValue(rows_.item);
            if (!host.app().model().LevelAdjustFailed(step_.side)) {
                host.End(StepOutcome::Pass, "");
                return;
            }
            const clsConsole& console = host.app().console();
            host.End(StepOutcome::Fail,
                     LevelFailedText(console.Value(rows_.target), host.ItemName(rows_.item),
                                     console.Value(rows_.item)));
        });
    }

    const LevelStep& step_;
    LevelRows rows_;
};

class CheckRun final : public StepRun {
public:
    explicit CheckRun(const CheckStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        // As Reload takes them: every row of both lists, read afresh.
        host.SendReload();
        host.AwaitSettled([this, &host] {
            const ReadingRef& ref = step_.reading;
            const std::int16_t raw = host.app().model().lastReading(ref.group, ref.index);
            const std::optional<ReadingValue> reading =
                raw < 0 ? std::nullopt : ReadingValueOf(ref.group, ref.index, raw);
            if (!reading) {
                host.End(StepOutcome::Error, "no reading of " + ref.label + " came");
                return;
            }
            host.Judge(ReadingStepValue(*reading), MakeLimits(step_.limits, ref.unit, {}));
        });
    }

private:
    const CheckStep& step_;
};

}  // namespace

std::unique_ptr<StepRun> MakeRun(const SetStep& step) {
    return std::make_unique<SetRun>(step);
}
std::unique_ptr<StepRun> MakeRun(const SweepStep& step) {
    return std::make_unique<SweepRun>(step);
}
std::unique_ptr<StepRun> MakeRun(const LevelStep& step) {
    return std::make_unique<LevelRun>(step);
}
std::unique_ptr<StepRun> MakeRun(const CheckStep& step) {
    return std::make_unique<CheckRun>(step);
}

}  // namespace qs::procedure
