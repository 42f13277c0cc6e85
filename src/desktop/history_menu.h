#pragma once

#include <QMessageBox>
#include <QPointer>
#include <string>

#include "desktop/history_window.h"

class QAction;
class QMenu;

namespace qs {
class ProgramRoot;
}

namespace qs::qt {

class MainWindow;

// "View > History": the history window, created on first use and gone when closed, never
// modal. Also says what the service records have to tell (the first import's count, a
// damaged file set aside, records that cannot be written) in a message that does not stop
// the work: one box at a time, later notices added to it.
class HistoryMenu {
public:
    static constexpr const char* kHistoryCaption = "&History";

    HistoryMenu(MainWindow& window, QMenu& viewMenu, ProgramRoot& root);
    HistoryMenu(const HistoryMenu&) = delete;
    HistoryMenu& operator=(const HistoryMenu&) = delete;

    QAction* historyAction() const { return history_; }
    HistoryWindow* ShowHistory();
    HistoryWindow* historyWindow() const { return historyWindow_.data(); }

    // On the program's thread.
    void ShowNotice(const std::string& text);
    QMessageBox* noticeBox() const { return notice_.data(); }

private:
    MainWindow& window_;
    ProgramRoot& root_;
    QAction* history_ = nullptr;
    QPointer<HistoryWindow> historyWindow_;
    QPointer<QMessageBox> notice_;
};

}  // namespace qs::qt
