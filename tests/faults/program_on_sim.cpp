#include "faults/program_on_sim.h"

#include "model/rig_k52t_op.h"
#include "shell/main_window.h"

namespace qs {

qtsim::RadioConfig UnpacedRadio(qtsim::Faults faults) {
    qtsim::RadioConfig config;
    config.bitsPerSecond = 0;
    config.faults = faults;
    return config;
}

ProgramOnSim::ProgramOnSim(qtsim::RadioConfig radio)
    : radio_(std::make_unique<qtsim::VirtualRadio>(std::move(radio))),
      sim_(std::make_unique<SimCable>(cable_, clock_, *radio_)),
      app_(std::make_unique<Application>(cable_, timer_, clock_, store_, box_, beeper_, lock_,
                                         ui_.controls())) {
    app_->Start();
}

ProgramOnSim::~ProgramOnSim() {
    app_->Close();
    app_.reset();
    sim_.reset();
}

void ProgramOnSim::SwapRadio(qtsim::RadioConfig radio) {
    sim_.reset();
    radio_ = std::make_unique<qtsim::VirtualRadio>(std::move(radio));
    sim_ = std::make_unique<SimCable>(cable_, clock_, *radio_);
}

void ProgramOnSim::Beat() {
    clock_.advance(kHeartbeatMs);
    sim_->pump(MemoryCable::RaiseEvent::No);
    timer_.fire();
}

bool ProgramOnSim::ConnectAndWait(int maxBeats) {
    const std::size_t shownBefore = box_.shown.size();
    app_->main().OnCommandClick(kConnectButton);
    for (int i = 0; i < maxBeats; ++i) {
        Beat();
        if (box_.shown.size() != shownBefore) return false;
        if (EditEnabled()) return true;
    }
    return false;
}

bool ProgramOnSim::WaitForMessage(int maxBeats) {
    const std::size_t shownBefore = box_.shown.size();
    for (int i = 0; i < maxBeats; ++i) {
        if (box_.shown.size() != shownBefore) return true;
        Beat();
    }
    return box_.shown.size() != shownBefore;
}

void ProgramOnSim::Run(std::int32_t milliseconds) {
    for (std::int32_t t = 0; t < milliseconds; t += kHeartbeatMs)
        Beat();
}

void ProgramOnSim::Step(std::int16_t row, std::int16_t keyCode) {
    ui_.lboConsole.setListIndex(row);
    app_->main().OnConsoleKeyDown(keyCode, 0);
}

void ProgramOnSim::ForgetRecords() {
    cable_.clearWrites();
    ui_.lboConsole.clearListWrites();
    for (FakeListBox& list : ui_.lbo01)
        list.clearListWrites();
    box_.shown.clear();
}

bool ProgramOnSim::Idle() {
    return app_->model().taskState() == 0 && !app_->sequence().OpRunning() &&
           !app_->com().kel3D().Running();
}

bool ProgramOnSim::EditEnabled() {
    return app_->model().RigK52TProp_EditEnabled();
}

std::string ProgramOnSim::LastMessage() const {
    return box_.shown.empty() ? std::string() : box_.shown.back().text;
}

}  // namespace qs
