#pragma once

#include <functional>
#include <memory>

namespace qs {
class IMessageBox;
class ProgramRoot;
}  // namespace qs

namespace qs::qt {

class MainWindow;

// What a test build of the desktop program adds to it; the shipped program passes none.
struct DesktopTestHooks {
    // Message boxes of its own in place of the real ones (null: the real ones).
    std::function<std::unique_ptr<IMessageBox>(MainWindow&)> messageBox;
    // Called once the window is shown, before the event loop runs.
    std::function<void(MainWindow&, ProgramRoot&)> shown;
};

// The whole of qs71dr-adj: the command line, then the program built by the composition root
// with the Qt window, its menus and message boxes. Returns the exit status.
int RunDesktopProgram(int argc, char** argv, const DesktopTestHooks& hooks = {});

}  // namespace qs::qt
