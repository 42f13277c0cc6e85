#include "program/program_root.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QStringList>
#include <QSysInfo>
#include <algorithm>
#include <cstdio>

#include "history/interrupted_runs.h"
#include "history/records_settings.h"
#include "history/run_steps.h"
#include "history/service_records.h"
#include "port/program_port.h"
#include "record/connection_records.h"
#include "safety/data_folder.h"
#include "qtcore/thread_post.h"
#include "shell/application.h"
#include "station/held_messages.h"
#include "station/radio_station.h"

namespace qs {

ProgramRoot::ProgramRoot(const QString& lockFilePath, Copies copies)
    : lockFilePath_(lockFilePath), copies_(copies) {}

IInstanceLock& ProgramRoot::lock() {
    if (copies_ == Copies::Many) return anyCopy_;
    if (!lock_) lock_ = std::make_unique<qt::QtInstanceLock>(lockFilePath_);
    return *lock_;
}

ProgramRoot::~ProgramRoot() {
    // The close sequence is the front end's to run (it saves the settings); here the port
    // is only let go, as on any early return.
    postContext_.reset();
    station_.reset();
    runTimer_.reset();
    benchStation_.reset();
    bench_.reset();
    if (simulator_) simulator_->Stop();
    StopServiceRecords();
    records_.reset();
    app_.reset();
    heldMessages_.reset();
    programPort_.reset();
    timer_.reset();
    port_.reset();
}

bool ProgramRoot::OpenTrace(const std::string& path, const std::string& programName,
                            std::string& error) {
    if (path.empty()) return true;
    return OpenTraceFile(traceFile_, path, programName, wallClock_, error);
}

bool ProgramRoot::Start(const FrontEnd& frontEnd) {
    port_ = std::make_unique<ProgramSerialPort>(bindings_);
    timer_ = std::make_unique<qt::QtTimer>();
    programPort_ = std::make_unique<ProgramPort>(
        *port_, [this](std::int16_t n) { return bindings_.DeviceFor(n); }, clock_, traceFile_);
    heldMessages_ = std::make_unique<HeldMessages>(frontEnd.messageBox);
    messagesWait_ = frontEnd.messagesWait;
    IMessageBox& messages =
        frontEnd.messagesWait ? static_cast<IMessageBox&>(*heldMessages_) : frontEnd.messageBox;
    app_ = std::make_unique<Application>(programPort_->port(), *timer_, clock_, frontEnd.settings,
                                         messages, frontEnd.beeper, lock(), frontEnd.controls);
    if (!app_->Start()) return false;
    records_ = std::make_unique<ConnectionRecords>(*app_, messages, wallClock_, clock_,
                                                   DefaultBackupFolder());
    // A run still marked in progress is one a program ended during, unless another program
    // is carrying it out on another cable right now: that run's lock is held.
    const auto runningElsewhere = [](const std::string& backupPath) {
        qt::QtProcessLocks probe("run");
        std::string holder;
        return probe.TryLock(backupPath, holder) == IProcessLocks::Outcome::Held;
    };
    const std::vector<RepairedRun> repaired =
        RepairInterruptedRuns(DefaultBackupFolder(), wallClock_, runningElsewhere);
    std::vector<std::string> recordAgain;
    for (const RepairedRun& run : repaired) {
        if (std::find(recordAgain.begin(), recordAgain.end(), run.backupPath) == recordAgain.end())
            recordAgain.push_back(run.backupPath);
    }
    StartServiceRecords(frontEnd, std::move(recordAgain));
    for (const RepairedRun& run : repaired) RecordsNotice(run.notice);
    // The bench's addresses live beside the window's options, in their own section.
    benchStation().UseSettings(frontEnd.settings, app_->profMain().FullPath());
    StartStation();
    return true;
}

void ProgramRoot::StartStation() {
    runTimer_ = std::make_unique<qt::QtTimer>();
    postContext_ = std::make_unique<QObject>();
    station_ = std::make_unique<RadioStation>(
        StationParts{*app_, records_->safety(), benchStation(), *runTimer_, clock_, wallClock_,
                     messagesWait_ ? heldMessages_.get() : nullptr, &runLocks_});
    station_->setRecorder([this] { return RunRecorder(); });
    station_->Watch([this](const procedure::RunNotice& notice) {
        using Phase = procedure::ProcedureRunner::Phase;
        if (notice.kind != procedure::RunNotice::Kind::Phase) return;
        const auto run = station_->run();
        if (!run) return;
        // What the core said during the run comes now, after the run's last notice.
        if (run->phase() != Phase::Finished || QCoreApplication::instance() == nullptr) return;
        // Shown after the run's last notice has returned, never inside it.
        QMetaObject::invokeMethod(
            postContext_.get(), [held = heldMessages_.get()] { held->ShowHeld(); },
            Qt::QueuedConnection);
    });
}

void ProgramRoot::RecordsNotice(const std::string& text) {
    const auto notice = recordsOptions_.notice;
    if (!notice || QCoreApplication::instance() == nullptr) {
        // Said at once from whichever thread: a short-lived command may end before a queued
        // notice would have been taken.
        std::string line = text;
        for (std::size_t at = line.find("\r\n"); at != std::string::npos; at = line.find("\r\n"))
            line.replace(at, 2, "\n");
        std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toUtf8().constData(),
                     line.c_str());
        return;
    }
    qt::PostFromThread(QCoreApplication::instance(), [notice, text] { notice(text); });
}

void ProgramRoot::StartServiceRecords(const FrontEnd& frontEnd,
                                      std::vector<std::string> recordAgain) {
    // Qt works out the program's own path and its plugin folders once, lazily and without a
    // lock. Done here, before the records' thread loads its database driver, so that thread and
    // this one (looking for the virtual radio beside the program) never both work it out.
    (void)QCoreApplication::libraryPaths();
    const RecordsSettings settings =
        LoadRecordsSettings(frontEnd.settings, app_->profMain().FullPath());
    benchName_ = recordsOptions_.benchName.value_or(settings.benchName);
    if (benchName_.empty()) benchName_ = QSysInfo::machineHostName().toStdString();
    const std::string url = recordsOptions_.url.value_or(settings.url);
    RecordsPlace place;
    std::string error;
    if (!RecordsPlaceFrom(url, place, error)) {
        // Only the settings can hold a bad address here; the command lines refuse theirs.
        RecordsNotice("The records address in the settings cannot be used: " + error +
                      "\r\nThe service records are kept on this bench only.");
        place = RecordsPlace{};
    }
    recordsUrl_ = place.kind == RecordsPlace::Kind::Server ? url : std::string();
    if (place.kind == RecordsPlace::Kind::Off) return;
    ServiceRecordsSetup setup;
    setup.backupFolder = DefaultBackupFolder();
    setup.bench = benchName_;
    setup.programVersion = QS_VERSION_TEXT;
    if (place.kind == RecordsPlace::Kind::Server && recordsOptions_.sendToServer)
        setup.server = place.server;
    setup.ticks = &clock_;
    setup.recordAgain = std::move(recordAgain);
    serviceRecords_ =
        std::make_unique<ServiceRecords>(sqlConnector_, random_, wallClock_, std::move(setup),
                                         [this](const std::string& text) { RecordsNotice(text); });
    records_->safety().setFilesObserver(serviceRecords_.get());
    records_->curves().setObserver(serviceRecords_.get());
}

void ProgramRoot::StopServiceRecords() {
    if (!serviceRecords_) return;
    records_->safety().setFilesObserver(nullptr);
    records_->curves().setObserver(nullptr);
    // Ends the connection and writes what is queued while the Qt application still runs.
    serviceRecords_.reset();
}

bool ProgramRoot::started() const {
    return app_ != nullptr && app_->started();
}

bool ProgramRoot::StartSimulator(const std::vector<std::string>& simulatorArgs,
                                 std::string& error) {
    QStringList args;
    for (const std::string& arg : simulatorArgs)
        args << QString::fromStdString(arg);
    // The virtual bench comes with the virtual radio, on a free port unless one is chosen.
    if (!qt::SimulatorProcess::AsksForMonitor(args)) args << QStringLiteral("--monitor=0");
    auto simulator = std::make_unique<qt::SimulatorProcess>();
    if (!simulator->Start(qt::SimulatorProcess::FindProgram(), args, &error)) return false;
    const instruments::Status bound =
        benchStation().Simulate(simulator->monitorAddress().toStdString());
    if (!bound) {
        error = "the virtual service monitor: " + bound.error().message;
        return false;
    }
    bindings_.Bind(kSimulatorPort, simulator->devicePath().toStdString());
    simulator_ = std::move(simulator);
    return true;
}

instruments::Bench& ProgramRoot::bench() {
    return benchStation().bench();
}

instruments::BenchStation& ProgramRoot::benchStation() {
    if (benchStation_) return *benchStation_;
    instrumentStreams_ = std::make_unique<qt::QtInstrumentStreams>();
    benchTimer_ = std::make_unique<qt::QtTimer>();
    bench_ = std::make_unique<instruments::Bench>(*instrumentStreams_, *benchTimer_, clock_);
    benchStation_ = std::make_unique<instruments::BenchStation>(*bench_);
    benchStation_->setLocks(&instrumentLocks_);
    benchStation_->Watch([this](const instruments::BenchEvent& event) {
        if (!records_) return;
        // The identity of the instrument the event was about, when the role still holds it.
        const bool same = bench_->Address(event.role) == event.address;
        records_->bench().Record(event, same ? bench_->Identity(event.role) : std::string());
        if (serviceRecords_) serviceRecords_->OnBenchEvent(event);
    });
    return *benchStation_;
}

std::string ProgramRoot::DescribePort(std::int16_t comPortNo) const {
    return qt::DescribePort(bindings_, comPortNo, simulated() && comPortNo == kSimulatorPort,
                            port_ ? port_->lostReason() : std::string());
}

SafetyNet& ProgramRoot::safety() {
    return records_->safety();
}

void ProgramRoot::Close() {
    if (closed_) return;
    closed_ = true;
    if (started()) app_->Close();
    StopServiceRecords();
    if (bench_) bench_->Close();
    if (simulator_) simulator_->Stop();
}

procedure::RunObserver ProgramRoot::RunRecorder() {
    struct Progress {
        bool headed = false;
        std::vector<bool> sent;  // by step index
    };
    auto progress = std::make_shared<Progress>();
    return [this, progress](const RunRecord& record, const procedure::RunNotice& notice) {
        ServiceRecords* records = serviceRecords();
        if (records == nullptr || !records->connectionOpen()) return;
        using Kind = procedure::RunNotice::Kind;
        progress->sent.resize(record.steps.size(), false);
        const auto send = [&](std::size_t index) {
            if (progress->sent[index]) return;
            progress->sent[index] = true;
            const StepRecord& step = record.steps[index];
            records->AddStep(RecordedStep(
                step, StepEndedMs(step, records->runStartMs(), record.durationMs)));
        };
        const bool ended = notice.kind == Kind::Phase && !record.ended.empty();
        // A run that ended before its first step is recorded as well once it reached the
        // radio (its runs file keeps it then), so that every output tells its verdict.
        const bool reached = !record.modelCode.empty();
        if (!progress->headed && (notice.kind != Kind::Phase || (ended && reached))) {
            records->SetProcedure(record.technician, record.serialNumber, record.workOrder,
                                  record.procedureTitle);
            progress->headed = true;
        }
        if (notice.kind == Kind::StepEnded && notice.step >= 0 &&
            static_cast<std::size_t>(notice.step) < record.steps.size()) {
            send(static_cast<std::size_t>(notice.step));
        }
        if (ended && progress->headed) {
            for (std::size_t i = 0; i < record.steps.size(); ++i) send(i);
            records->AddRun(record);
        }
    };
}

}  // namespace qs
