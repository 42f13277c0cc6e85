#include "whole_program.h"

#include "shell/dialog_hold.h"

#include <stdexcept>

#include "link/hex_text.h"
#include "shell/main_window.h"

namespace qs::whole {

WholeProgram::WholeProgram(qtsim::RadioConfig config)
    : radio_(std::make_unique<qtsim::VirtualRadio>(std::move(config))),
      app(cable, timer, clock, store, messages, beeper, lock, win.controls()) {
    win.window.setClientSize(9405, 7710);
    sim_ = std::make_unique<SimCable>(cable, clock, *radio_);
    if (!app.Start()) throw std::runtime_error("the program refused to start");
    NoteWriteTimes();
}

WholeProgram::~WholeProgram() {
    sim_.reset();
}

void WholeProgram::Tick() {
    clock.advance(frmCom::kHeartbeatMs);
    if (sim_) sim_->pump();
    timer.fire();
    NoteWriteTimes();
}

void WholeProgram::Millisecond() {
    clock.advance(1);
    // As the program's port and timer do: while a dialog holds them the bytes wait unreported
    // and the heartbeat skips its tick.
    const bool held = HeartbeatHeldByDialog();
    if (sim_) sim_->pump(held ? MemoryCable::RaiseEvent::No : MemoryCable::RaiseEvent::Yes);
    if (++msSinceBeat_ >= frmCom::kHeartbeatMs) {
        msSinceBeat_ = 0;
        if (!held) timer.fire();
    }
    NoteWriteTimes();
}

void WholeProgram::NoteWriteTimes() {
    while (writeTimesMs_.size() < cable.writes().size())
        writeTimesMs_.push_back(clock.GetTickCount());
}

bool WholeProgram::RunUntil(const std::function<bool()>& done, int maxTicks) {
    for (int i = 0; i < maxTicks; ++i) {
        if (done()) return true;
        Tick();
    }
    return done();
}

void WholeProgram::RunFor(int ticks) {
    for (int i = 0; i < ticks; ++i)
        Tick();
}

void WholeProgram::Key(std::int16_t keyCode, std::int16_t shift) {
    if (!app.main().OnWindowKeyDown(keyCode, shift)) app.main().OnConsoleKeyDown(keyCode, shift);
}

bool WholeProgram::Connect() {
    Click(0);
    return RunUntil([this] { return model().taskState() == 28 && !app.sequence().OpRunning(); });
}

bool WholeProgram::RunOperation(int maxTicks) {
    if (!RunUntil([this] { return model().opState() != 0; }, 20)) return false;
    return RunUntil([this] { return model().opState() == 0; }, maxTicks);
}

void WholeProgram::PlugRadio(qtsim::RadioConfig config, qtsim::MemoryImage image) {
    sim_.reset();
    radio_ = std::make_unique<qtsim::VirtualRadio>(std::move(config), std::move(image));
    sim_ = std::make_unique<SimCable>(cable, clock, *radio_);
}

void WholeProgram::SilenceRadio() {
    sim_.reset();
    cable.setPeer(nullptr);
    cable.setEcho(true);
}

std::vector<WholeProgram::Adjustment> WholeProgram::Adjustments() const {
    // An E8 frame to the radio: FE FE EE EF E8 model(2) sub(2) command value(2 ASCII) FD.
    std::vector<Adjustment> out;
    const auto& writes = cable.writes();
    for (std::size_t i = 0; i < writes.size(); ++i) {
        const Bytes& w = writes[i];
        if (w.size() != 13 || w[4] != 0xE8) continue;
        Bytes digits{w[10], w[11]};
        std::int32_t at = i < writeTimesMs_.size() ? writeTimesMs_[i] : clock.GetTickCount();
        out.push_back({w[9], AsciiHexToInt(digits), at});
    }
    return out;
}

std::vector<WholeProgram::Adjustment> WholeProgram::Settings() const {
    std::vector<Adjustment> out;
    for (const Adjustment& a : Adjustments()) {
        if (a.command != 3) out.push_back(a);
    }
    return out;
}

}  // namespace qs::whole
