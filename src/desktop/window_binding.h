#pragma once

namespace qs {
class frmMain;
class RadioStation;
}

namespace qs::qt {

class MainWindow;

// Forwards the window's events to the window logic's handlers, and lets the logic close the
// window.
void BindMainWindow(MainWindow& window, frmMain& logic);

// While a procedure run drives the radio the window's controls are held, with the reason at
// its foot; once it has ended, the foot says how, in the run window's words.
void BindRunStatus(MainWindow& window, frmMain& logic, RadioStation& station);

}  // namespace qs::qt
