#pragma once

#include <string>
#include <vector>

#include "console/console.h"
#include "fakes/fake_alerts.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_controls.h"
#include "fakes/fake_timer.h"
#include "fakes/memory_cable.h"
#include "link/clone_sequence.h"
#include "link/radio.h"
#include "link/serial_service.h"
#include "shell/fake_rig_ops.h"
#include "shell/main_window.h"

namespace qs::testing {

// The main window's logic with the real link behind it, a fake model and fake controls.
// `log` records, in order, what the fake model was asked and every message shown.
struct WindowRig {
    WindowRig()
        : com(cable, timer, clock),
          sequence(com, radio, clock),
          model(&log),
          main(ui.controls(), com, sequence, console, model, box) {
        box.onShow = [this] { log.push_back("ShowMessage"); };
    }

    std::vector<std::string> log;
    FakeMainWindow ui;
    MemoryCable cable;
    FakeTimer timer;
    FakeClock clock;
    clsCmcRadio radio;
    frmCom com;
    clsCmcKel3Sequence sequence;
    clsConsole console;
    FakeRigOps model;
    FakeMessageBox box;
    frmMain main;
};

}  // namespace qs::testing
