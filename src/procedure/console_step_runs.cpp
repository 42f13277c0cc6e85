// The steps that work the radio through the core: items set as the console sets them, Enter
// on a row for the model's automatic operations, a live reading taken as Reload takes it.
#include <algorithm>
#include <array>

#include "console/console.h"
#include "model/auto_op_rows.h"
#include "model/operation_observer.h"
#include "model/reading_text.h"
#include "model/rig_k52t_item_list.h"
#include "model/rig_k52t_op.h"
#include "procedure/shown_value.h"
#include "procedure/step_run.h"
#include "shell/application.h"

namespace qs::procedure {
namespace {

// The items a step changed, each with the value it had before, put back last first as the
// console sets them, then a reading after the last so that the radio confirms them. With the
// radio gone nothing is sent; either way the executor says what the radio holds.
class ItemsBefore {
public:
    void Note(std::int16_t item, std::int16_t value) { before_.push_back({item, value}); }

    void PutBack(StepHost& host, std::function<void(std::string)> done, bool sent = false) {
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
        host.AwaitConfirmed([done] { done(""); });
    }

private:
    std::vector<std::pair<std::int16_t, std::int16_t>> before_;
};

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
        before_.PutBack(host, std::move(done));
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
        before_.Note(item, console.Value(item));
        console.setValue(item, step_.settings[next].value);
        host.AwaitSettled([this, &host, next, item] {
            host.AddItemValue(item);
            SetNext(host, next + 1);
        });
    }

    const SetStep& step_;
    ItemsBefore before_;  // the items set so far
};

// A detector that moves no more than this over a whole sweep heard no signal: noise and the
// floor wander by a count or two, while a signal lifts the plateau tens of counts above the
// floor. The console's own sweep would call such a flat line a plateau and centre on it.
constexpr int kFlatDetectorCounts = 4;

// The detector's lowest and highest reading over each filter's sweep, taken beside whoever
// already watches the model's operations (the charts, the records), who still sees every point.
class SweepWatch final : public IOperationObserver {
public:
    struct Range {
        int low = 0;
        int high = 0;
        int first = 0;  // the filter values swept
        int last = 0;
        bool seen = false;
    };

    ~SweepWatch() override { Detach(); }

    void Attach(clsIndOp_RigK52T& model) {
        model_ = &model;
        next_ = model.operationObserver();
        model.setOperationObserver(this);
    }
    void Detach() {
        if (model_ == nullptr) return;
        if (model_->operationObserver() == this) model_->setOperationObserver(next_);
        model_ = nullptr;
    }
    const Range& range(int filter) const { return ranges_[filter == 0 ? 0 : 1]; }

    void OnConnectionLoaded() override {
        if (next_ != nullptr) next_->OnConnectionLoaded();
    }
    void OnReading(const ReadingPoint& point) override {
        if (next_ != nullptr) next_->OnReading(point);
    }
    void OnSweepStep(const SweepPoint& point) override {
        Range& r = ranges_[point.filter == 0 ? 0 : 1];
        if (!r.seen) r = {point.level, point.level, point.value, point.value, true};
        r.low = std::min(r.low, point.level);
        r.high = std::max(r.high, point.level);
        r.last = point.value;
        if (next_ != nullptr) next_->OnSweepStep(point);
    }
    void OnBisectionStep(const BisectionPoint& point) override {
        if (next_ != nullptr) next_->OnBisectionStep(point);
    }
    void OnAutoOpEnd(const AutoOpResult& result) override {
        if (next_ != nullptr) next_->OnAutoOpEnd(result);
    }

private:
    clsIndOp_RigK52T* model_ = nullptr;
    IOperationObserver* next_ = nullptr;
    std::array<Range, 2> ranges_{};
};

class SweepRun final : public StepRun {
public:
    explicit SweepRun(const SweepStep& step) : step_(step) {}

    void Start(StepHost& host) override {
        clsIndOp_RigK52T& model = host.app().model();
        swept_ = SweptItems(model, step_.filter);
        for (const std::int16_t item : swept_) before_.Note(item, host.app().console().Value(item));
        watch_.Attach(model);
        host.PressEnterAndAwaitEnd(FindRigK52TItem(SweepRowTitle(step_.filter)), [this, &host] {
            watch_.Detach();
            Values(host);
            const std::string flat = FlatText(host);
            if (!flat.empty()) {
                noSignal_ = true;
                host.End(StepOutcome::Fail, "no signal seen: the detector stayed within " +
                                                std::to_string(kFlatDetectorCounts) +
                                                " counts (" + flat + ")");
                return;
            }
            host.End(StepOutcome::Pass, "");
        });
    }
    void Teardown(StepHost& host, std::function<void(std::string)> done) override {
        watch_.Detach();
        // A sweep that found nothing leaves no centre of nothing: the filters go back.
        if (noSignal_) {
            before_.PutBack(host, std::move(done));
            return;
        }
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

    // "BPF T1 read 10 to 11 over 0 to 128" for each filter whose detector stayed flat.
    std::string FlatText(StepHost& host) const {
        const std::int16_t first = host.app().model().bpfItem();
        std::string text;
        for (const std::int16_t item : swept_) {
            const SweepWatch::Range& r = watch_.range(item - first);
            if (!r.seen || r.high - r.low > kFlatDetectorCounts) continue;
            text += (text.empty() ? "" : "; ") + host.ItemName(item) + " read " +
                    std::to_string(r.low) + " to " + std::to_string(r.high) + " over " +
                    std::to_string(r.first) + " to " + std::to_string(r.last);
        }
        return text;
    }

    const SweepStep& step_;
    std::vector<std::int16_t> swept_;
    ItemsBefore before_;
    SweepWatch watch_;
    bool noSignal_ = false;
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
        // Stopped before its end, it did not fail: the console's row does not say it did.
        const bool stopped = !ended_;
        host.StopOperationThen([this, &host, done, stopped] {
            if (stopped) host.app().model().ForgetLevelFailure(step_.side);
            host.AddItemValue(rows_.item);
            const std::string note = stopped ? "the level adjustment was stopped where it stood"
                                             : "the level adjustment ended where it stood";
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
            ended_ = true;
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
    bool ended_ = false;  // the operation came to its own end
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
