#include "desktop/desktop_program.h"

#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/bench_menu.h"
#include "desktop/command_line.h"
#include "desktop/history_menu.h"
#include "desktop/main_window.h"
#include "desktop/procedure_menu.h"
#include "desktop/qt_alerts.h"
#include "desktop/report_menu.h"
#include "desktop/safety_menu.h"
#include "desktop/window_binding.h"
#include "program/exit_status.h"
#include "program/program_root.h"
#include "qtcore/close_on_signal.h"
#include "qtcore/serial_port_list.h"
#include "record/connection_records.h"
#include "report_pdf/report_command.h"
#include "shell/application.h"
#include "shell/ini_file_store.h"
#include "shell/settings_folder.h"

namespace qs::qt {

namespace {

constexpr const char* kProgramName = "qs71dr-adj";

// The folder the settings file is kept in; says on the terminal when an old file was
// carried over or could not be.
std::string ChosenSettingsFolder() {
    const SettingsFolder chosen = DefaultSettingsFolder(
        QCoreApplication::applicationDirPath().toStdString(), Application::kSettingsFileName);
    if (!chosen.notice.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, chosen.notice.c_str());
    }
    return chosen.folder;
}

// What the options ask for that needs no window: help, version, a report, the port list.
// Nothing when the window is to start.
std::optional<int> RunWithoutWindow(const CommandLine& options) {
    if (options.help || options.helpAll) {
        const std::string text =
            options.helpAll ? UsageTextWithQtOptions(kProgramName) : UsageText(kProgramName);
        std::fputs(text.c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("%s %s\n", kProgramName, QS_VERSION_TEXT);
        return kExitOk;
    }
    if (options.report) {
        const ReportCommandResult result =
            RunReportCommand(options.reportBackup, options.reportOut,
                             options.force ? Overwrite::Yes : Overwrite::No,
                             options.full ? ReportDetail::Full : ReportDetail::Summary);
        std::fprintf(result.status == kExitOk ? stdout : stderr, "%s%s\n",
                     result.status == kExitOk ? "" : "qs71dr-adj: ", result.message.c_str());
        return result.status;
    }
    if (options.listPorts) {
        std::fputs(SerialPortListText().c_str(), stdout);
        return kExitOk;
    }
    return std::nullopt;
}

}  // namespace

int RunDesktopProgram(int argc, char** argv, const DesktopTestHooks& hooks) {
    IgnoreBrokenPipes();
    // Options are read before Qt starts, so that --help and mistakes need no display.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const CommandLineResult parsed = ParseCommandLine(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgramName, parsed.error.c_str(),
                     kProgramName);
        return kExitUsage;
    }
    const CommandLine& options = parsed.options;
    if (const std::optional<int> status = RunWithoutWindow(options)) return *status;

    ProgramRoot root;
    // The trace file is opened before anything else starts, so a bad name stops at once.
    std::string error;
    if (!root.OpenTrace(options.traceFile, kProgramName, error)) {
        std::fprintf(stderr, "%s: --trace %s\n", kProgramName, error.c_str());
        return kExitUsage;
    }

    // Takes Qt's own options (-platform ...) out of argv.
    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramName));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.qs71dr.adj"));

    for (const PortBinding& binding : options.ports)
        root.bindings().Bind(binding.port, binding.device);

    // Only the copy that runs looks for the settings (and may carry an old file over): a
    // refused second copy leaves them alone. The store keeps the file in the folder it is given.
    IniFileStore settingsStore(root.lock().TryAcquire() ? ChosenSettingsFolder() : "");
    MainWindow window;
    QtMessageBox windowMessageBox;
    windowMessageBox.setParent(&window);
    std::unique_ptr<IMessageBox> testMessageBox;
    if (hooks.messageBox) testMessageBox = hooks.messageBox(window);
    IMessageBox& messageBox = testMessageBox ? *testMessageBox : windowMessageBox;
    QtBeeper beeper;

    // The records' notices come on the program's thread once the event loop runs, by when
    // the menu that shows them exists; after it, they go to standard error.
    HistoryMenu* historyMenu = nullptr;
    RecordsOptions records;
    records.url = options.records;
    records.notice = [&historyMenu](const std::string& text) {
        if (historyMenu != nullptr) {
            historyMenu->ShowNotice(text);
        } else {
            std::fprintf(stderr, "%s: %s\n", kProgramName, text.c_str());
        }
    };
    root.setRecordsOptions(std::move(records));
    if (!root.Start(FrontEnd{settingsStore, messageBox, beeper, window.controls(), true})) {
        return kExitFailure;
    }
    SafetyMenu safetyMenu(window, root.safety(), messageBox);
    ReportMenu reportMenu(window, root.safety(), root.records().curves(), messageBox);
    BenchMenu benchMenu(window, *reportMenu.viewMenu(), root.benchStation());
    ProcedureMenu procedureMenu(window, root.app(), root.station(), settingsStore, messageBox);
    procedureMenu.setBenchName(root.benchName());
    procedureMenu.setReportOpener(
        [&reportMenu](const std::string& backupPath) { reportMenu.OpenReport(backupPath); });
    HistoryMenu history(window, *reportMenu.viewMenu(), root);
    historyMenu = &history;

    // Started after the single-instance check, so that a refused copy starts nothing.
    if (options.simulate && !root.StartSimulator(options.simulatorArgs, error)) {
        std::fprintf(stderr, "%s: --simulate: %s\n", kProgramName, error.c_str());
        root.app().com().Form_Unload();
        return kExitFailure;
    }

    BindMainWindow(window, root.app().main());
    BindRunStatus(window, root.app().main(), root.station());
    frmMain& logic = root.app().main();
    window.setPortToolTip([&root, &logic] {
        return QString::fromStdString(root.DescribePort(logic.ComPortNo()));
    });
    CloseOnSignal closeOnSignal([&window](int) { window.close(); });

    window.show();
    if (hooks.shown) hooks.shown(window, root);
    const int status = QApplication::exec();
    historyMenu = nullptr;
    root.Close();
    return status;
}

}  // namespace qs::qt
