#include "desktop/bench_menu.h"

#include <QAction>
#include <QMenu>

#include "desktop/main_window.h"

namespace qs::qt {

BenchMenu::BenchMenu(MainWindow& window, QMenu& viewMenu, instruments::BenchStation& station)
    : window_(window), station_(station) {
    bench_ = viewMenu.addAction(QString::fromLatin1(kBenchCaption));
    QObject::connect(bench_, &QAction::triggered, &viewMenu, [this] { ShowBench(); });
}

BenchWindow* BenchMenu::ShowBench() {
    if (benchWindow_.isNull()) {
        benchWindow_ = new BenchWindow(station_, &window_);
        benchWindow_->setAttribute(Qt::WA_DeleteOnClose);
    }
    benchWindow_->show();
    benchWindow_->raise();
    benchWindow_->activateWindow();
    return benchWindow_.data();
}

}  // namespace qs::qt
