// The steps that wait for the technician or for time alone.
#include "procedure/step_run.h"

namespace qs::procedure {
namespace {

constexpr char kAutomatic[] = "answered automatically (--yes)";

class PromptRun final : public StepRun {
public:
    explicit PromptRun(const PromptStep& step) : step_(step) {}
    void Start(StepHost& host) override {
        host.Ask(Question::Kind::Prompt, step_.text, [&host](Answer) {
            host.End(StepOutcome::Pass, host.answeredBy() == AnsweredBy::Automatically
                                            ? kAutomatic
                                            : "confirmed by the technician");
        });
    }

private:
    const PromptStep& step_;
};

class ConfirmRun final : public StepRun {
public:
    explicit ConfirmRun(const ConfirmStep& step) : step_(step) {}
    void Start(StepHost& host) override {
        host.Ask(Question::Kind::Confirm, step_.text, [&host](Answer answer) {
            const bool yes = answer != Answer::No;
            const bool automatic = host.answeredBy() == AnsweredBy::Automatically;
            host.AddValue({"answer", yes ? "yes" : "no", std::nullopt, ""});
            host.End(yes ? StepOutcome::Pass : StepOutcome::Fail,
                     automatic ? std::string(kAutomatic) + ": " + (yes ? "yes" : "no")
                     : yes     ? "the technician answered yes"
                               : "the technician answered no");
        });
    }

private:
    const ConfirmStep& step_;
};

class WaitRun final : public StepRun {
public:
    explicit WaitRun(const WaitStep& step) : step_(step) {}
    void Start(StepHost& host) override {
        host.AwaitDelay(static_cast<std::int32_t>(step_.duration.count()),
                        [&host] { host.End(StepOutcome::Pass, ""); });
    }

private:
    const WaitStep& step_;
};

}  // namespace

std::unique_ptr<StepRun> MakeRun(const PromptStep& step) {
    return std::make_unique<PromptRun>(step);
}
std::unique_ptr<StepRun> MakeRun(const ConfirmStep& step) {
    return std::make_unique<ConfirmRun>(step);
}
std::unique_ptr<StepRun> MakeRun(const WaitStep& step) {
    return std::make_unique<WaitRun>(step);
}

}  // namespace qs::procedure
