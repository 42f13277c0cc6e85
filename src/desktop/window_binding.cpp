#include "desktop/window_binding.h"

#include "desktop/main_window.h"
#include "record/run_summary.h"
#include "shell/main_window.h"
#include "station/radio_station.h"

namespace qs::qt {

void BindMainWindow(MainWindow& window, frmMain& logic) {
    MainWindowEvents events;
    events.resize = [&logic] { logic.Form_Resize(); };
    events.keyDown = [&logic](std::int16_t& keyCode, std::int16_t shift) {
        if (logic.OnWindowKeyDown(keyCode, shift)) keyCode = 0;
    };
    events.consoleKeyDown = [&logic](std::int16_t& keyCode, std::int16_t shift) {
        if (logic.OnConsoleKeyDown(keyCode, shift)) keyCode = 0;
    };
    events.consoleGotFocus = [&logic] { logic.OnConsoleGotFocus(); };
    events.buttonClick = [&logic](int index) {
        logic.OnCommandClick(static_cast<std::int16_t>(index));
    };
    events.buttonKeyPress = [&logic](int, std::int16_t& keyAscii) {
        logic.OnCommandKeyPress(static_cast<char>(keyAscii));
    };
    events.comPortMenu = [&logic](int index) {
        logic.OnMenuComPort(static_cast<std::int16_t>(index));
    };
    events.autoReleaseMenu = [&logic](int index) {
        logic.OnMenuAutoRelease(static_cast<std::int16_t>(index));
    };
    events.queryUnload = [&logic] { logic.Form_QueryUnload(); };
    window.setEvents(std::move(events));
    logic.setCloseWindow([&window] { window.close(); });
}

void BindRunStatus(MainWindow& window, frmMain& logic, RadioStation& station) {
    logic.setInputHeldChanged([&window](const std::string& reason) {
        window.HoldDriving(!reason.empty());
        if (!reason.empty()) {
            window.ShowRunStatus(QStringLiteral("The console is read-only: %1.")
                                     .arg(QString::fromStdString(reason)));
        }
    });
    station.Watch([&window, &station](const procedure::RunNotice& notice) {
        const auto run = station.run();
        if (notice.kind != procedure::RunNotice::Kind::Phase || !run || !run->finished()) return;
        window.ShowRunStatus(QString::fromStdString(RunEndText(run->record())));
    });
}

}  // namespace qs::qt
