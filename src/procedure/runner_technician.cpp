// A question to the technician: the one thing the run then waits for.
#include "platform/tick_source.h"
#include "procedure/procedure_runner.h"

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
                                  runner->book_.record().pace.technicianMs +=
                                      runner->parts_.clock.GetTickCount() -
                                      runner->await_.startTick;
                                  runner->Resume(id, [then, answer] { then(answer); });
                              });
                          });
}

}  // namespace qs::procedure
