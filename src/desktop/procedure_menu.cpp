#include "desktop/procedure_menu.h"

#include <QAction>
#include <QEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>

#include "desktop/main_window.h"
#include "desktop/run_info_dialog.h"
#include "procedure/bench_binding.h"
#include "procedure/procedure_check.h"
#include "procedure/run_info_settings.h"
#include "shell/application.h"
#include "shell/show_message.h"
#include "station/radio_station.h"

namespace qs::qt {

ProcedureMenu::ProcedureMenu(MainWindow& window, Application& app, RadioStation& station,
                             IProfileStore& settings, IMessageBox& messageBox)
    : main_(window),
      app_(app),
      station_(station),
      settings_(settings),
      messageBox_(messageBox) {
    QAction* exitAction = window.exitAction();
    auto* fileMenu = qobject_cast<QMenu*>(exitAction->parent());
    if (fileMenu == nullptr) return;
    run_ = new QAction(QString::fromLatin1(kRunCaption), fileMenu);
    fileMenu->insertAction(exitAction, run_);
    fileMenu->insertSeparator(exitAction);
    QObject::connect(run_, &QAction::triggered, fileMenu, [this] { ChooseAndRun(); });
    main_.installEventFilter(this);
}

bool ProcedureMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &main_ || event->type() != QEvent::Close) return false;
    if (window_.isNull() || !station_.runUnderWay()) return false;
    // The run is not left halfway: it stops first, then the program closes.
    closeMainWhenFinished_ = true;
    window_->Stop();
    event->ignore();
    return true;
}

void ProcedureMenu::ChooseAndRun() {
    if (!window_.isNull() && station_.runUnderWay()) {
        window_->show();
        window_->raise();
        return;
    }
    const QString file = QFileDialog::getOpenFileName(
        &main_, QStringLiteral("Run procedure"), QString(),
        QStringLiteral("Procedure files (*.toml);;All files (*)"));
    if (file.isEmpty()) return;
    procedure::RunInfo info = procedure::LoadRunInfo(settings_, app_.profMain().FullPath());
    if (!AskRunInfo(info)) return;
    Run(file.toStdString(), info);
}

bool ProcedureMenu::AskRunInfo(procedure::RunInfo& info) {
    RunInfoDialog dialog(info, &main_);
    if (dialog.exec() != QDialog::Accepted) return false;
    info = dialog.info();
    return true;
}

ProcedureWindow* ProcedureMenu::Run(const std::string& file, const procedure::RunInfo& info) {
    if (station_.runUnderWay()) return nullptr;
    const procedure::RunStart start = station_.Prepare(file);
    if (!start.checked.ok()) {
        std::string text = "The procedure file has mistakes; nothing was started.\r\n";
        for (const procedure::Diagnostic& d : start.checked.diagnostics)
            text += "\r\n" + procedure::DiagnosticText(d);
        ShowMessage(messageBox_, text);
        return nullptr;
    }
    if (!start.benchProblems.empty()) {
        std::string text = "The bench could not be set up for the procedure; nothing was started.\r\n";
        for (const std::string& p : start.benchProblems) text += "\r\n" + p;
        ShowMessage(messageBox_, text);
        return nullptr;
    }
    if (start.calibrationRefused) {
        std::string text =
            "The bench settings refuse instruments whose calibration is not current "
            "(calibration_check=refuse); nothing was started.\r\n";
        for (const std::string& w : start.calibrationWarnings) text += "\r\n" + w;
        ShowMessage(messageBox_, text);
        return nullptr;
    }
    const procedure::Procedure& toRun = *start.checked.procedure;
    procedure::SaveRunInfo(settings_, app_.profMain().FullPath(), info);
    if (!window_.isNull()) window_->close();
    procedure::RunInfo recorded = info;
    recorded.bench = benchName_;
    window_ = new ProcedureWindow(station_, toRun, recorded, &main_);
    window_->setAttribute(Qt::WA_DeleteOnClose);
    window_->setCalibrationWarnings(start.calibrationWarnings);
    if (!columnWidths_.isEmpty()) window_->setColumnWidths(columnWidths_);
    window_->setColumnsResized([this](const QList<int>& widths) { columnWidths_ = widths; });
    window_->setRunAgain([this, file, info] { Run(file, info); });
    if (reportOpener_) {
        window_->setOpenReport([this, window = window_] {
            if (!window.isNull()) reportOpener_(window->runner().record().backupPath);
        });
    }
    window_->setFinished([this] {
        if (closeMainWhenFinished_) main_.close();
    });
    window_->show();
    if (!window_->Start()) {
        window_->close();
        return nullptr;
    }
    return window_.data();
}

}  // namespace qs::qt
