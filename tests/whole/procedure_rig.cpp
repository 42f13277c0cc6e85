#include "procedure_rig.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include "console/console.h"
#include "model/rig_k52t_item_list.h"
#include "procedure/bench_binding.h"
#include "shell/dialog_hold.h"

namespace qs::whole {

void ClockTimer::setEnabled(bool enabled) {
    enabled_ = enabled;
    if (enabled) due_ = clock_.GetTickCount() + interval_;
}

bool ClockTimer::FireIfDue() {
    bool fired = false;
    // A handler that arms the timer for now runs again: at most a few rounds a millisecond.
    for (int round = 0; round < 100; ++round) {
        if (!enabled_ || !handler_ ||
            static_cast<std::int32_t>(clock_.GetTickCount() - due_) < 0) {
            break;
        }
        enabled_ = false;
        handler_();
        fired = true;
    }
    return fired;
}

void ScriptedTechnician::Ask(const procedure::Question& question,
                             std::function<void(procedure::Answer)> answer) {
    asked.push_back(question);
    if (holdAnswers) {
        open = std::move(answer);
        return;
    }
    procedure::Answer given = question.kind == procedure::Question::Kind::Prompt
                                  ? procedure::Answer::Ok
                                  : procedure::Answer::Yes;
    if (!answers.empty()) {
        given = answers.front();
        answers.pop_front();
    }
    answer(given);  // at once, as a bench wired for no hands does
}

qtsim::BenchCurves ProcedureRig::NoWobble() {
    qtsim::BenchCurves curves;
    curves.wobble = 0;
    return curves;
}

ProcedureRig::ProcedureRig(int bitsPerSecond, qtsim::BenchCurves curves)
    : program([&] {
          qtsim::RadioConfig config;
          config.bitsPerSecond = bitsPerSecond;
          config.curves = curves;
          return config;
      }()) {
    streams.respond = [this](const std::string& line) -> std::optional<std::string> {
        if (monitorSilent) return std::nullopt;
        const std::string answer = monitor.execute(line);
        if (answer.empty()) return std::nullopt;
        return answer;
    };
    for (instruments::Role role : instruments::kRoles) bench.Assign(role, kMonitorAddress);
    folder = std::filesystem::temp_directory_path() /
             ("qs-procedure-" + std::to_string(::getpid()) + "-" +
              std::to_string(reinterpret_cast<std::uintptr_t>(this)));
    std::filesystem::create_directories(folder);
    safety = std::make_unique<SafetyNet>(program.app, program.messages, wallClock, folder.string());
    station = std::make_unique<RadioStation>(StationParts{program.app, *safety, benchStation,
                                                          runnerTimer, program.clock, wallClock,
                                                          &program.messages});
}

ProcedureRig::~ProcedureRig() {
    runner_.reset();
    station.reset();
    safety.reset();
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

procedure::Procedure ProcedureRig::Check(const std::string& text) {
    const procedure::CheckedProcedure checked = procedure::CheckProcedureText(
        text, (folder / "test.toml").string(),
        procedure::ProgramCheckOptions(procedure::BenchBinding::Simulated));
    for (const procedure::Diagnostic& d : checked.diagnostics) {
        ADD_FAILURE() << procedure::DiagnosticText(d);
    }
    if (!checked.ok()) throw std::runtime_error("the procedure has mistakes");
    return *checked.procedure;
}

procedure::Procedure ProcedureRig::CheckFile(const std::string& path) {
    const procedure::CheckedProcedure checked = procedure::CheckProcedureFile(
        path, procedure::ProgramCheckOptions(procedure::BenchBinding::Simulated));
    for (const procedure::Diagnostic& d : checked.diagnostics) {
        ADD_FAILURE() << procedure::DiagnosticText(d);
    }
    if (!checked.ok()) throw std::runtime_error("the procedure has mistakes");
    return *checked.procedure;
}

void ProcedureRig::Start(const procedure::Procedure& procedure) {
    // The rig's technician lives as long as the rig: the station only borrows it.
    runner_ = station->Begin(procedure, procedure::RunInfo{"A. Technician", "SN 0001", "WO-1", "bench-1"},
                             std::shared_ptr<procedure::ITechnician>(std::shared_ptr<void>(), &technician),
                             {});
    if (!runner_) throw std::runtime_error("the station refused the run");
}

bool ProcedureRig::Run(const procedure::Procedure& procedure, int maxMs) {
    Start(procedure);
    return RunUntil([this] { return runner_->finished(); }, maxMs);
}

void ProcedureRig::Millisecond() {
    program.Millisecond();
    streams.pump();
    // The program's timers skip their ticks while a dialog holds them.
    const bool held = HeartbeatHeldByDialog();
    if (++benchMs_ >= instruments::Bench::kTickMs) {
        benchMs_ = 0;
        if (!held) benchTimer.fire();
    }
    if (!held) runnerTimer.FireIfDue();
}

bool ProcedureRig::RunUntil(const std::function<bool()>& done, int maxMs) {
    // What is due now runs first: a runner that armed its timer for now is taken up at once.
    runnerTimer.FireIfDue();
    for (int ms = 0; ms < maxMs; ++ms) {
        if (done()) return true;
        Millisecond();
    }
    return done();
}

const StepRecord& ProcedureRig::Step(const std::string& title) {
    for (const StepRecord& step : record().steps) {
        if (step.title == title) return step;
    }
    throw std::runtime_error("no step is called " + title);
}

void ProcedureRig::FillJournal() {
    const std::string journal = safety->journalPath();
    const int full = ::open("/dev/full", O_WRONLY);
    ASSERT_GE(full, 0);
    bool found = false;
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        std::error_code ec;
        if (std::filesystem::read_symlink(entry.path(), ec) != journal) continue;
        ASSERT_GE(::dup2(full, std::stoi(entry.path().filename().string())), 0);
        found = true;
    }
    ::close(full);
    EXPECT_TRUE(found) << journal;
}

int ProcedureRig::Item(const std::string& title) {
    return program.console().Value(FindRigK52TItem(title));
}

}  // namespace qs::whole
