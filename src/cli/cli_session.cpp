#include "cli/cli_session.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cstdio>

#include "cli/progress_bar.h"
#include "cli/standard_streams.h"
#include "console/console.h"
#include "qtcore/close_on_signal.h"
#include "record/connection_records.h"
#include "shell/application.h"
#include "shell/main_window.h"
#include "station/radio_station.h"

namespace qs::cli {

namespace {

// The settings file is never read, so the port is always COM 1.
constexpr std::int16_t kPort = 1;
constexpr int kMsPerSecond = 1000;

}  // namespace

CliSession::CliSession(SessionSetup setup)
    : setup_(std::move(setup)), root_(QString(), ProgramRoot::Copies::Many) {
    if (!setup_.device.empty()) root_.bindings().Bind(kPort, setup_.device);
}

CliSession::~CliSession() {
    Close();
}

Application& CliSession::app() {
    return root_.app();
}

SafetyNet& CliSession::safety() {
    return root_.safety();
}

std::string CliSession::device() {
    return root_.bindings().DeviceFor(kPort);
}

bool CliSession::OpenTrace(std::string& error) {
    return root_.OpenTrace(setup_.traceFile, "qs71dr-cli", error);
}

bool CliSession::Start() {
    root_.setRecordsOptions(setup_.records);
    if (!root_.Start(FrontEnd{settings_, messageBox_, beeper_, window_.controls()})) return false;
    root_.benchStation().UseCalibrationOf(setup_.calibration);
    // The backup's problems are said on standard error, without the desktop program's promise
    // that the adjustment goes on: here the command decides.
    safety().setProblemReporter([this](const std::string& problem) {
        messageBox_.ShowStop(std::string(), problem);
    });
    app().AddHeartbeatListener([this] { AfterHeartbeat(); });
    app().main().setCloseWindow([this] { Close(); });
    WatchSignals();
    StartCommandClock();
    return true;
}

void CliSession::StartWithoutRadio() {
    WatchSignals();
    StartCommandClock();
}

void CliSession::WatchSignals() {
    if (closeOnSignal_) return;
    closeOnSignal_ = std::make_unique<qt::CloseOnSignal>([this](int signal) {
        if (stopSignal_ == 0) stopSignal_ = signal;
        if (signalHook_) {
            signalHook_();
            return;
        }
        StopWaiting();
    });
}

void CliSession::Wake() {
    if (loop_ == nullptr || !done_ || !done_()) return;
    outcome_ = Outcome::Done;
    StopWaiting();
}

bool CliSession::StartSimulator(std::string& error) {
    if (!setup_.simulate) return true;
    return root_.StartSimulator(setup_.simulatorArgs, error);
}

void CliSession::StartCommandClock() {
    deadline_ = QDeadlineTimer(std::int64_t{setup_.timeoutSeconds} * kMsPerSecond);
}

CliSession::Outcome CliSession::Identify() {
    if (link_ >= Link::Connected) return Outcome::Done;
    const clsCmcKel3Drv& driver = app().com().kel3D();
    connectionWanted_ = true;
    // Read-only, so that nothing could be sent even if the read went on.
    app().model().ConnectReadOnly();
    const Outcome outcome = RunUntil([&driver] {
        return driver.workMode() == clsCmcKel3Drv::kModeIdentify && !driver.Running() &&
               !driver.ansInfo().empty();
    });
    connectionWanted_ = false;
    // Identification only: the clone read that would follow is not started.
    if (outcome == Outcome::Done) {
        app().model().RigOpFunc_ResetAll();
        link_ = Link::Identified;
    }
    return outcome;
}

CliSession::Outcome CliSession::Connect() {
    if (link_ >= Link::Connected) return Outcome::Done;
    connectionWanted_ = true;
    app().model().ConnectReadOnly();
    const Outcome outcome = RunUntil([this] { return Idle(); });
    if (outcome == Outcome::Done) link_ = Link::Connected;
    return outcome;
}

CliSession::Outcome CliSession::BeginAdjustment() {
    if (link_ == Link::Adjusting) return Outcome::Done;
    Outcome outcome = RunUntil([this] { return Idle(); });
    if (outcome != Outcome::Done) return outcome;
    app().model().BeginAdjustment();
    outcome = RunUntil([this] { return Idle(); });
    if (outcome == Outcome::Done) link_ = Link::Adjusting;
    return outcome;
}

bool CliSession::Idle() {
    return station().Settled();
}

void CliSession::ClickButton(std::int16_t index) {
    app().main().OnCommandClick(index);
}

CliSession::Outcome CliSession::RunUntil(const std::function<bool()>& done) {
    if (stopped()) return Outcome::Interrupted;
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
    if (stopped() && !signalHook_) return Outcome::Interrupted;
    return outcome_;
}

CliSession::Outcome CliSession::RunToEnd(const std::function<bool()>& done,
                                         std::function<void()> onSignal) {
    if (stopped()) return Outcome::Interrupted;
    signalHook_ = std::move(onSignal);
    const bool wanted = connectionWanted_;
    connectionWanted_ = false;
    const Outcome outcome = RunUntil(done);
    connectionWanted_ = wanted;
    signalHook_ = nullptr;
    return outcome;
}

void CliSession::AfterHeartbeat() {
    WatchOutput();
    ShowProgress();
    if (loop_ == nullptr || !done_) return;
    if (stopped() && !signalHook_) {
        StopWaiting();
    } else if (connectionWanted_ && app().model().state() == TaskState::Idle) {
        // Every error the core reports ends with the model reset to its idle state.
        outcome_ = Outcome::Failed;
        link_ = Link::None;
        StopWaiting();
    } else if (done_()) {
        outcome_ = Outcome::Done;
        StopWaiting();
    }
}

void CliSession::WatchOutput() {
    if (outputLost_ || (!ReaderGone(stdout) && !ReaderGone(stderr))) return;
    outputLost_ = true;
    // Stopped as a signal stops it: a run at its next safe point, any other wait at once.
    if (signalHook_) {
        signalHook_();
    } else {
        StopWaiting();
    }
}

void CliSession::StopWaiting() {
    if (loop_ == nullptr) return;
    loop_->quit();
    loop_ = nullptr;
}

void CliSession::ShowProgress() {
    if (!setup_.progressBar || !root_.started()) return;
    if (app().sequence().Operation() != clsCmcKel3Sequence::kOpCloneRead) return;
    const clsCmcKel3Drv& driver = app().com().kel3D();
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
    root_.Close();
}

}  // namespace qs::cli
