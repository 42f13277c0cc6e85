#pragma once

namespace qs {
class frmMain;
}

namespace qs::qt {

class MainWindow;

// Forwards the window's events to the window logic's handlers, and lets the logic close the
// window.
void BindMainWindow(MainWindow& window, frmMain& logic);

}  // namespace qs::qt
