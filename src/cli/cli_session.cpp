#include "cli/cli_session.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QStringList>
#include <QTimer>
#include <cstdio>

#include "cli/progress_bar.h"
#include "console/console.h"
#include "qtcore/close_on_signal.h"
#include "record/connection_records.h"
#include "safety/data_folder.h"
#include "shell/application.h"
#include "shell/main_window.h"

namespace qs::cli {

namespace {

constexpr std::int16_t kConnectButton = 0;
constexpr std::int16_t kCycleEndState = 28;
constexpr int kMsPerSecond = 1000;
constexpr const char* kDesktopProgram = "qs71dr-adj";

// The desktop program beside this one, whose lock this program shares.
QString DesktopProgramPath() {
    return QDir(QCoreApplication::applicationDirPath())
        .filePath(QString::fromLatin1(kDesktopProgram));
}

}  // namespace

void CliSession::HeartbeatWatch::task() {
    if (inner != nullptr) inner->task();
    if (after) after();
}

CliSession::CliSession(SessionSetup setup)
    : setup_(std::move(setup)),
      port_(bindings_),
      lock_(qt::QtInstanceLock::LockFilePathFor(DesktopProgramPath())) {
    if (!setup_.device.empty()) bindings_.Bind(kPort, setup_.device);
}

CliSession::~CliSession() {
    Close();
    records_.reset();
    app_.reset();
}

SafetyNet& CliSession::safety() {
    return records_->safety();
}

bool CliSession::OpenTrace(std::string& error) {
    if (setup_.traceFile.empty()) return true;
    return OpenTraceFile(traceFile_, setup_.traceFile, "qs71dr-cli", wallClock_, error);
}

bool CliSession::Start() {
    programPort_ = std::make_unique<ProgramPort>(
        port_, [this](std::int16_t n) { return bindings_.DeviceFor(n); }, clock_, traceFile_);
    app_ = std::make_unique<Application>(programPort_->port(), timer_, clock_, settings_,
                                         messageBox_, beeper_, lock_, window_.controls());
    if (!app_->Start()) return false;
    // Backup, journal and curves as the desktop program keeps them, so that a report of a
    // scripted connection has its readings and operations too.
    records_ = std::make_unique<ConnectionRecords>(*app_, messageBox_, wallClock_, clock_,
                                                   DefaultBackupFolder());

    watch_.inner = &app_->main();
    watch_.after = [this] { AfterHeartbeat(); };
    app_->com().setMainTask(&watch_);
    app_->main().setCloseWindow([this] { Close(); });
    closeOnSignal_ = std::make_unique<qt::CloseOnSignal>([this] {
        interrupted_ = true;
        StopWaiting();
    });
    deadline_ = QDeadlineTimer(std::int64_t{setup_.timeoutSeconds} * kMsPerSecond);
    return true;
}

bool CliSession::StartSimulator(std::string& error) {
    if (!setup_.simulate) return true;
    QStringList args;
    for (const std::string& arg : setup_.simulatorArgs)
        args << QString::fromStdString(arg);
    if (!simulator_.Start(qt::SimulatorProcess::FindProgram(), args, &error)) return false;
    bindings_.Bind(kPort, simulator_.devicePath().toStdString());
    return true;
}

void CliSession::ClickConnect() {
    connectClicked_ = true;
    app_->main().OnCommandClick(kConnectButton);
}

CliSession::Outcome CliSession::Connect() {
    ClickConnect();
    return RunUntil([this] { return Idle(); });
}

bool CliSession::Idle() {
    clsIndOp_RigK52T& model = app_->model();
    if (model.taskState() != kCycleEndState || app_->sequence().OpRunning()) return false;
    if (model.opState() != 0 || model.reloadRequest() || model.dispParaRequest()) return false;
    const clsConsole& console = app_->console();
    for (std::int16_t i = 0; i < console.ListCount(); ++i) {
        if (console.flgChanged(i) || console.flgEnterOn(i)) return false;
    }
    return true;
}

void CliSession::PressEnter(std::int16_t item) {
    window_.lboConsole.setListIndex(item);
    app_->main().OnConsoleKeyDown(kKeyEnter, 0);
}

CliSession::Outcome CliSession::RunUntil(const std::function<bool()>& done) {
    if (interrupted_) return Outcome::Interrupted;
    if (closed_) return Outcome::Failed;
    done_ = done;
    outcome_ = Outcome::Done;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    QObject::connect(&timeout, &QTimer::timeout, &loop, [this] {
        outcome_ = Outcome::TimedOut;
        StopWaiting();
    });
    timeout.start(static_cast<int>(std::max<std::int64_t>(0, deadline_.remainingTime())));
    loop_ = &loop;
    AfterHeartbeat();
    if (loop_ != nullptr) loop.exec();
    loop_ = nullptr;
    done_ = nullptr;
    if (progressShown_) {
        std::fputs("\n", stderr);
        progressShown_ = false;
    }
    if (interrupted_) return Outcome::Interrupted;
    return outcome_;
}

void CliSession::AfterHeartbeat() {
    ShowProgress();
    if (tickHook_) tickHook_();
    if (loop_ == nullptr || !done_) return;
    if (interrupted_) {
        StopWaiting();
    } else if (connectClicked_ && app_->model().taskState() == 0) {
        // Every error the core reports ends with the model reset to its idle state.
        outcome_ = Outcome::Failed;
        StopWaiting();
    } else if (done_()) {
        outcome_ = Outcome::Done;
        StopWaiting();
    }
}

void CliSession::StopWaiting() {
    if (loop_ == nullptr) return;
    loop_->quit();
    loop_ = nullptr;
}

void CliSession::ShowProgress() {
    if (!setup_.progressBar || app_ == nullptr) return;
    if (app_->sequence().Operation() != clsCmcKel3Sequence::kOpCloneRead) return;
    const clsCmcKel3Drv& driver = app_->com().kel3D();
    if (driver.workMode() != clsCmcKel3Drv::kModeCloneRead) return;
    const std::string text = ProgressBarText(driver.lastEeAdr(), driver.EndAddress());
    if (progressShown_ && text == lastProgress_) return;
    std::fprintf(stderr, "\r%s", text.c_str());
    std::fflush(stderr);
    lastProgress_ = text;
    progressShown_ = true;
}

void CliSession::Close() {
    if (closed_) return;
    closed_ = true;
    StopWaiting();
    if (app_ != nullptr && app_->started()) app_->Close();
    simulator_.Stop();
}

}  // namespace qs::cli
