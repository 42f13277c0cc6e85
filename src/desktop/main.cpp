// qs71dr-adj: the service adjustment utility for the QT-71DR radio, on Qt Widgets.
#include <QApplication>
#include <QStringList>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "desktop/automation.h"
#include "desktop/command_line.h"
#include "desktop/main_window.h"
#include "desktop/qt_alerts.h"
#include "desktop/report_menu.h"
#include "desktop/safety_menu.h"
#include "desktop/window_binding.h"
#include "qtcore/close_on_signal.h"
#include "qtcore/port_bindings.h"
#include "qtcore/qt_instance_lock.h"
#include "qtcore/program_serial_port.h"
#include "qtcore/qt_timer.h"
#include "qtcore/serial_port_list.h"
#include "qtcore/simulator_process.h"
#include "record/connection_records.h"
#include "report_pdf/report_command.h"
#include "safety/data_folder.h"
#include "safety/line_file.h"
#include "port/program_port.h"
#include "safety/wall_clock.h"
#include "shell/application.h"
#include "shell/ini_file_store.h"
#include "shell/settings_folder.h"

namespace {

constexpr int kExitOk = 0;
constexpr int kExitNotStarted = 1;
constexpr int kExitBadOptions = 2;
constexpr const char* kProgramName = "qs71dr-adj";
constexpr std::int16_t kSimulatorPort = 1;

// The folder the settings file is kept in; says on the terminal when an old file was
// carried over or could not be.
std::string ChosenSettingsFolder() {
    const qs::SettingsFolder chosen = qs::DefaultSettingsFolder(
        QCoreApplication::applicationDirPath().toStdString(), qs::Application::kSettingsFileName);
    if (!chosen.notice.empty()) {
        std::fprintf(stderr, "%s: %s\n", kProgramName, chosen.notice.c_str());
    }
    return chosen.folder;
}

}  // namespace

int main(int argc, char** argv) {
    // Options are checked before Qt starts, so that --help and mistakes need no display.
    const std::vector<std::string> args(argv + 1, argv + argc);
    const qs::qt::CommandLineResult parsed = qs::qt::ParseCommandLine(args);
    if (!parsed.ok()) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help'.\n", kProgramName, parsed.error.c_str(),
                     kProgramName);
        return kExitBadOptions;
    }
    const qs::qt::CommandLine& options = parsed.options;
    if (options.help) {
        std::fputs(qs::qt::UsageText(kProgramName).c_str(), stdout);
        return kExitOk;
    }
    if (options.version) {
        std::printf("%s %s\n", kProgramName, QS_VERSION_TEXT);
        return kExitOk;
    }
    if (options.report) {
        const qs::ReportCommandResult result =
            qs::RunReportCommand(options.reportBackup, options.reportOut,
                                 options.force ? qs::Overwrite::Yes : qs::Overwrite::No);
        std::fprintf(result.status == kExitOk ? stdout : stderr, "%s%s\n",
                     result.status == kExitOk ? "" : "qs71dr-adj: ", result.message.c_str());
        return result.status;
    }
    if (options.listPorts) {
        std::fputs(qs::qt::SerialPortListText().c_str(), stdout);
        return kExitOk;
    }
    // The trace file is opened before anything else starts, so a bad name stops at once.
    qs::LineFile traceFile;
    if (!options.traceFile.empty()) {
        std::string error;
        if (!qs::OpenTraceFile(traceFile, options.traceFile, kProgramName, qs::SystemWallClock(),
                               error)) {
            std::fprintf(stderr, "%s: --trace %s\n", kProgramName, error.c_str());
            return kExitBadOptions;
        }
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(kProgramName));
    // Lets the desktop match the window to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("example.qs71dr.adj"));

    qs::qt::PortBindings bindings;
    for (const qs::qt::PortBinding& binding : options.ports) {
        bindings.Bind(binding.port, binding.device);
    }

    qs::qt::ProgramSerialPort port(bindings);
    qs::qt::QtTimer timer;
    qs::qt::SystemTickSource clock;
    qs::qt::QtInstanceLock instanceLock;
    // Only the copy that runs looks for the settings (and may carry an old file over): a
    // refused second copy leaves them alone. The store keeps the file in the folder it is given.
    qs::IniFileStore settingsStore(instanceLock.TryAcquire() ? ChosenSettingsFolder() : "");
    qs::qt::QtMessageBox messageBox;
    qs::qt::QtBeeper beeper;
    qs::qt::MainWindow window;
    messageBox.setParent(&window);

    const QStringList automation = qs::qt::Automation::ActionsFromEnvironment();
    messageBox.setAutoAccept(!automation.isEmpty());

    qs::ProgramPort programPort(
        port, [&bindings](std::int16_t n) { return bindings.DeviceFor(n); }, clock, traceFile);

    qs::Application application(programPort.port(), timer, clock, settingsStore, messageBox, beeper,
                                instanceLock, window.controls());
    if (!application.Start()) return kExitNotStarted;

    const qs::SystemWallClock wallClock;
    qs::ConnectionRecords records(application, messageBox, wallClock, clock,
                                  qs::DefaultBackupFolder());
    qs::qt::SafetyMenu safetyMenu(window, records.safety(), messageBox);
    qs::qt::ReportMenu reportMenu(window, records.safety(), records.curves(), messageBox);

    // Started after the single-instance check, so that a refused copy starts nothing.
    qs::qt::SimulatorProcess simulator;
    if (options.simulate) {
        QStringList simulatorArgs;
        for (const std::string& arg : options.simulatorArgs) {
            simulatorArgs << QString::fromStdString(arg);
        }
        std::string error;
        if (!simulator.Start(qs::qt::SimulatorProcess::FindProgram(), simulatorArgs, &error)) {
            std::fprintf(stderr, "%s: --simulate: %s\n", kProgramName, error.c_str());
            application.com().Form_Unload();
            return kExitNotStarted;
        }
        bindings.Bind(kSimulatorPort, simulator.devicePath().toStdString());
    }

    qs::qt::BindMainWindow(window, application.main());
    qs::frmMain& logic = application.main();
    const bool simulated = options.simulate;
    window.setPortToolTip([&port, &bindings, &logic, simulated] {
        const std::int16_t comPortNo = logic.ComPortNo();
        return QString::fromStdString(qs::qt::DescribePort(
            bindings, comPortNo, simulated && comPortNo == kSimulatorPort, port.lostReason()));
    });
    qs::qt::CloseOnSignal closeOnSignal([&window] { window.close(); });

    window.show();
    std::unique_ptr<qs::qt::Automation> driver;
    if (!automation.isEmpty()) {
        driver = std::make_unique<qs::qt::Automation>(window, automation);
        driver->setExtraReport([&application] {
            return QStringList{
                QStringLiteral("hold-ms=%1").arg(application.sequence().comHoldReload())};
        });
        driver->Start();
    }
    const int status = QApplication::exec();
    simulator.Stop();
    return status;
}
