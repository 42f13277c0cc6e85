#include "safety_rig.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "link/hex_text.h"
#include "shell/main_window.h"

namespace qs::safety_test {

TempFolder::TempFolder() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "qs-safety-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary folder");
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempFolder::Files() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(path_, ec))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

SafetyRig::SafetyRig(std::string backupFolder, Trace trace, qtsim::MemoryImage image)
    : radio_(qtsim::RadioConfig{}, std::move(image)) {
    win.window.setClientSize(9405, 7710);
    radio_.setFrameLog([this](const std::string& line) { radioLog.push_back(line); });
    sim_ = std::make_unique<SimCable>(cable, clock, radio_);
    ISerialPort* port = &cable;
    if (trace == Trace::On) {
        tracer_ = std::make_unique<TracingSerialPort>(cable, clock, traceLines);
        port = tracer_.get();
    }
    app_ = std::make_unique<Application>(*port, timer, clock, store, box, beeper, lock,
                                         win.controls());
    if (!app_->Start()) throw std::runtime_error("the program refused to start");
    net_ = std::make_unique<SafetyNet>(*app_, box, wall, std::move(backupFolder));
}

SafetyRig::~SafetyRig() {
    net_.reset();
    app_.reset();
    sim_.reset();
}

void SafetyRig::Tick() {
    clock.advance(frmCom::kHeartbeatMs);
    sim_->pump();
    timer.fire();
}

bool SafetyRig::RunUntil(const std::function<bool()>& done, int maxTicks) {
    for (int i = 0; i < maxTicks; ++i) {
        if (done()) return true;
        Tick();
    }
    return done();
}

void SafetyRig::RunFor(int ticks) {
    for (int i = 0; i < ticks; ++i)
        Tick();
}

bool SafetyRig::Connect() {
    app_->main().OnCommandClick(0);
    return RunUntil(
        [this] { return app_->model().taskState() == 28 && !app_->sequence().OpRunning(); });
}

void SafetyRig::Step(int row, int steps) {
    win.lboConsole.setListIndex(row);
    const std::int16_t key = steps > 0 ? kKeyRight : kKeyLeft;
    for (int i = 0; i < std::abs(steps); ++i) {
        if (!app_->main().OnWindowKeyDown(key, 0)) app_->main().OnConsoleKeyDown(key, 0);
    }
}

std::vector<std::string> SafetyRig::SettingCommands() const {
    // FE FE EE EF E8 model(2) sub(2) command value(2 ASCII) FD
    std::vector<std::string> out;
    for (const Bytes& w : cable.writes()) {
        if (w.size() != 13 || w[4] != 0xE8 || w[9] == 0x03) continue;
        out.push_back(BytesToHexText(Bytes(w.begin() + 9, w.begin() + 12)));
    }
    return out;
}

}  // namespace qs::safety_test
