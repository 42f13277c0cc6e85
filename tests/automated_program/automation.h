#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>
#include <functional>

namespace qs::qt {

class MainWindow;

// Drives the test build of the program from outside, for the tests and scripts that run the
// built binary: the environment variable QS71DR_ADJ_AUTOMATE holds actions separated by ";",
// carried out one per step after the window is shown:
//   menu:CAPTION   trigger the menu item with exactly that caption ("COM &2", "&3 sec")
//   button:N       click command button N (0..2)
//   report         print the window caption, port label and checked menu items on stdout,
//                  and the windows open beside the main window ("window=Bench - ...")
//   pause          do nothing for one step
//   screenshot:F   save a picture of the window as the PNG file F
//   close          close the window as the technician would
// Unset, the window is left alone.
class Automation : public QObject {
    Q_OBJECT
public:
    static constexpr const char* kEnvironmentVariable = "QS71DR_ADJ_AUTOMATE";
    static constexpr int kStepIntervalMs = 250;

    Automation(MainWindow& window, QStringList actions);
    // Null when the variable is not set.
    static QStringList ActionsFromEnvironment();
    void Start() { timer_.start(); }
    // Further "key=value" lines for "report", from the program's own state.
    void setExtraReport(std::function<QStringList()> extra) { extra_ = std::move(extra); }

    // The state "report" prints, one "key=value" per line.
    static QStringList Report(const MainWindow& window);

private:
    void Step();
    MainWindow& window_;
    QStringList actions_;
    QTimer timer_;
    std::function<QStringList()> extra_;
};

}  // namespace qs::qt
