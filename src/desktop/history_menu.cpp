#include "desktop/history_menu.h"

#include <QAction>
#include <QMenu>

#include "desktop/main_window.h"
#include "program/program_root.h"
#include "safety/data_folder.h"
#include "shell/program_texts.h"

namespace qs::qt {

HistoryMenu::HistoryMenu(MainWindow& window, QMenu& viewMenu, ProgramRoot& root)
    : window_(window), root_(root) {
    history_ = viewMenu.addAction(QString::fromLatin1(kHistoryCaption));
    QObject::connect(history_, &QAction::triggered, &viewMenu, [this] { ShowHistory(); });
}

HistoryWindow* HistoryMenu::ShowHistory() {
    if (historyWindow_.isNull()) {
        historyWindow_ = new HistoryWindow(root_.sqlConnector(), root_.recordsUrl(),
                                           DefaultBackupFolder(), &window_);
        historyWindow_->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        historyWindow_->Search();
    }
    historyWindow_->show();
    historyWindow_->raise();
    historyWindow_->activateWindow();
    return historyWindow_.data();
}

void HistoryMenu::ShowNotice(const std::string& text) {
    QString shown = QString::fromStdString(text);
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (!notice_.isNull()) {
        notice_->setText(notice_->text() + QStringLiteral("\n\n") + shown);
        return;
    }
    notice_ = new QMessageBox(QMessageBox::Information, QString::fromLatin1(kProgramTitle), shown,
                              QMessageBox::Ok, &window_);
    notice_->setAttribute(Qt::WA_DeleteOnClose);
    notice_->setWindowModality(Qt::NonModal);
    notice_->show();
}

}  // namespace qs::qt
