// The steps that wait for the technician or for time alone.
#include "procedure/procedure_runner.h"
#include "platform/tick_source.h"

namespace qs::procedure {

void ProcedureRunner::Ask(Question::Kind kind, const std::string& text,
                          std::function<void(Answer)> then) {
    await_ = Await{};
    await_.kind = Await::Kind::Technician;
    await_.id = ++lastAwaitId_;
    await_.startTick = parts_.clock.GetTickCount();
    const std::uint64_t id = await_.id;
    // The answer may come inside Ask: it is posted, so it runs once this has returned.
    parts_.technician.Ask(Question{kind, current_ + 1, text},
                          [self = self_, id, then = std::move(then)](Answer answer) {
                              ProcedureRunner* runner = *self;
                              if (runner == nullptr) return;
                              runner->Post([runner, id, then, answer] {
                                  if (id != runner->await_.id) return;
                                  runner->record_.pace.technicianMs +=
                                      runner->parts_.clock.GetTickCount() -
                                      runner->await_.startTick;
                                  runner->Resume(id, [then, answer] { then(answer); });
                              });
                          });
}

namespace {

constexpr char kAutomatic[] = "answered automatically (--yes)";

}  // namespace

void ProcedureRunner::RunPrompt(const PromptStep& step) {
    Ask(Question::Kind::Prompt, step.text, [this](Answer) {
        EndStep(StepOutcome::Pass, parts_.technician.answeredBy() == AnsweredBy::Automatically
                                       ? kAutomatic
                                       : "confirmed by the technician");
    });
}

void ProcedureRunner::RunConfirm(const ConfirmStep& step) {
    Ask(Question::Kind::Confirm, step.text, [this](Answer answer) {
        const bool yes = answer != Answer::No;
        const bool automatic = parts_.technician.answeredBy() == AnsweredBy::Automatically;
        AddValue({"answer", yes ? "yes" : "no", std::nullopt, ""});
        EndStep(yes ? StepOutcome::Pass : StepOutcome::Fail,
                automatic ? std::string(kAutomatic) + ": " + (yes ? "yes" : "no")
                : yes     ? "the technician answered yes"
                          : "the technician answered no");
    });
}

void ProcedureRunner::RunWait(const WaitStep& step) {
    AwaitDelay(static_cast<std::int32_t>(step.duration.count()),
               [this] { EndStep(StepOutcome::Pass, ""); });
}

}  // namespace qs::procedure
