#pragma once

#include <QPointer>

#include "desktop/bench_window.h"

class QAction;
class QMenu;

namespace qs::instruments {
class BenchStation;
}

namespace qs::qt {

class MainWindow;

// "View > Bench": the bench window, created on first use and gone when closed (its live
// polls with it), never modal.
class BenchMenu {
public:
    static constexpr const char* kBenchCaption = "&Bench";

    BenchMenu(MainWindow& window, QMenu& viewMenu, instruments::BenchStation& station);
    BenchMenu(const BenchMenu&) = delete;
    BenchMenu& operator=(const BenchMenu&) = delete;

    QAction* benchAction() const { return bench_; }
    // Shows (creating it when needed) and raises the bench window.
    BenchWindow* ShowBench();
    BenchWindow* benchWindow() const { return benchWindow_.data(); }

private:
    MainWindow& window_;
    instruments::BenchStation& station_;
    QAction* bench_ = nullptr;
    QPointer<BenchWindow> benchWindow_;
};

}  // namespace qs::qt
