#pragma once

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "history/connection_uid.h"
#include "instruments/bench.h"
#include "instruments/bench_station.h"
#include "platform/alerts.h"
#include "platform/main_window_controls.h"
#include "platform/profile_store.h"
#include "procedure/procedure_runner.h"
#include "qtcore/port_bindings.h"
#include "qtcore/program_serial_port.h"
#include "qtcore/qt_instance_lock.h"
#include "qtcore/qt_instrument_streams.h"
#include "qtcore/qt_process_locks.h"
#include "qtcore/qt_timer.h"
#include "qtcore/simulator_process.h"
#include "qtsql/qt_sql_connector.h"
#include "safety/line_file.h"
#include "safety/wall_clock.h"

namespace qs {

class Application;
class ConnectionRecords;
class ProgramPort;
class SafetyNet;
class HeldMessages;
class RadioStation;
class ServiceRecords;

// The serial port both programs reach the radio through (the POSIX port, or QtSerialPort on
// Windows); the one place the root names it.
using ProgramSerialPort = qt::ProgramSerialPort;

// The port --simulate binds the virtual radio to.
inline constexpr std::int16_t kSimulatorPort = 1;

// What only the front end has: its settings store, its message box and beeper, and the main
// window's controls (widgets, or headless ones that keep what the core sets).
struct FrontEnd {
    IProfileStore& settings;
    IMessageBox& messageBox;
    IBeeper& beeper;
    MainWindowControls controls;
    // The message box waits for the technician (the desktop's does): while a procedure run is
    // under way its messages are held, and shown once the run has ended.
    bool messagesWait = false;
};

// Where the service records go and who hears of them. A value given here wins over the
// settings' [RECORDS] section (the command line's --records; the command line also hands on
// the desktop program's settings, as its own settings store reads nothing).
struct RecordsOptions {
    std::optional<std::string> url;        // "" the bench's file, "none" off, or a server
    std::optional<std::string> benchName;  // "" the host name
    // False: the records stay in the bench's file and a shop's server is not even asked (a
    // command that only reads the radio never waits on it); the next program that sends takes
    // them along.
    bool sendToServer = true;
    // Called on the program's thread with what the technician should know; none: said on
    // standard error at once.
    std::function<void(const std::string&)> notice;
};

// The composition root of both programs: port bindings, the serial port with its check and
// trace (and its device's lock while open), timer, clock, single-instance lock (the desktop
// program's; the command line runs in as many copies as there are cables), the Application
// with its connection records (backup, journal, curves) and service records (the database of
// every connection), the bench of instruments with the locks of the instruments a run holds,
// and the virtual radio of --simulate, built and wired here once, so that the window and the
// command line run the same program.
//
//   ProgramRoot root;                              // nothing starts yet
//   if (!root.OpenTrace(file, name, error)) ...    // a bad name stops before anything runs
//   if (!root.Start(frontEnd)) return kExitFailure;  // another copy runs: refused, shown
//   if (!root.StartSimulator(args, error)) ...     // with --simulate, bound to COM 1 and
//                                                  // every bench role to its monitor
//   root.bench().Measure(Quantity::Power, ...);    // the instruments, by role
//   ... the event loop ...
//   root.Close();                                  // port closed, settings saved
//
// The bench: one per program, made on first use (so the command line's bench commands have
// it without starting the radio's side at all). Its roles are bound to the instruments the
// settings name (the desktop program's; the command line reads none), or, under --simulate,
// all to the virtual service monitor whatever the settings say. Every setting, identification
// and reading taken for the record goes into the journal of the connection under way (none
// before Connect). To see them as well, watch benchStation(); the bench's own event sink is
// the station's.
class ProgramRoot {
public:
    // How many copies of the program may run at once: one (the desktop program), or any
    // number, each kept off the others' radios and instruments by their locks alone.
    enum class Copies { One, Many };

    // Nothing of Qt is made here, so the root may come before the Qt application (to open the
    // trace before anything starts). `lockFilePath` empty: the lock of the running program.
    explicit ProgramRoot(const QString& lockFilePath = QString(), Copies copies = Copies::One);
    ~ProgramRoot();
    ProgramRoot(const ProgramRoot&) = delete;
    ProgramRoot& operator=(const ProgramRoot&) = delete;

    qt::PortBindings& bindings() { return bindings_; }
    // Start takes it; the desktop program takes it first, so a refused second copy leaves its
    // settings folder alone. Made on first use, as its default path needs the running
    // program's Qt application. With Copies::Many it always succeeds.
    IInstanceLock& lock();

    // --trace FILE, opened for appending before anything else starts.
    bool OpenTrace(const std::string& path, const std::string& programName, std::string& error);
    // Before Start: where the service records go (else as the settings say).
    void setRecordsOptions(RecordsOptions options) { recordsOptions_ = std::move(options); }
    // The Application and its connection records, with the service records fed from them;
    // false, with the refusal shown, when another copy runs. Nothing touches the port yet.
    bool Start(const FrontEnd& frontEnd);
    bool started() const;
    // The virtual radio, bound to COM 1, with its service monitor (--monitor 0 unless the
    // arguments choose a port) holding every role of the bench; false with `error` filled.
    bool StartSimulator(const std::vector<std::string>& simulatorArgs, std::string& error);
    bool simulated() const { return simulator_ != nullptr; }

    // The program's bench of instruments and the station that binds its roles (settings or
    // the virtual monitor) and hands its events to the journal and to watchers.
    instruments::Bench& bench();
    instruments::BenchStation& benchStation();
    // What "COM n" stands for, for the port label's tooltip.
    std::string DescribePort(std::int16_t comPortNo) const;

    // Valid after a successful Start.
    Application& app() { return *app_; }
    // The one owner of the radio, its bench and the procedure run; both front ends run
    // procedures (and the command line its one-step commands) through it.
    RadioStation& station() { return *station_; }
    ConnectionRecords& records() { return *records_; }
    SafetyNet& safety();
    // The service records of every connection: null when switched off ("none"). A procedure
    // gives its technician, serial number, work order, steps and verdict here.
    ServiceRecords* serviceRecords() { return serviceRecords_.get(); }
    // Follows one procedure run into the service records: its technician, serial number and
    // work order once it is under way (or at its end, for a run that reached the radio and
    // ended before its first step), each step as it ends (those never reached at its end) and
    // its verdict. Nothing while no records connection is open. One per run.
    // The bench's name as the records and the run records give it: the settings' name, else
    // the host's.
    const std::string& benchName() const { return benchName_; }
    procedure::RunObserver RunRecorder();
    // Where a history is read from: the records address in use ("" the bench's file).
    const std::string& recordsUrl() const { return recordsUrl_; }
    ISqlConnector& sqlConnector() { return sqlConnector_; }

    // The close sequence (port closed, settings saved), the service records' connection
    // ended and written, and the virtual radio stopped; runs once.
    void Close();

private:
    std::string benchName_;
    void StartServiceRecords(const FrontEnd& frontEnd, std::vector<std::string> recordAgain);
    void RecordsNotice(const std::string& text);
    void StopServiceRecords();

    qt::PortBindings bindings_;
    std::unique_ptr<ProgramSerialPort> port_;
    std::unique_ptr<qt::QtTimer> timer_;
    qt::SystemTickSource clock_;
    QString lockFilePath_;
    Copies copies_;
    std::unique_ptr<qt::QtInstanceLock> lock_;
    NoInstanceLock anyCopy_;
    SystemWallClock wallClock_;
    LineFile traceFile_;
    std::unique_ptr<ProgramPort> programPort_;
    std::unique_ptr<Application> app_;
    std::unique_ptr<ConnectionRecords> records_;
    RecordsOptions recordsOptions_;
    QtSqlConnector sqlConnector_;
    SystemRandomSource random_;
    std::string recordsUrl_;
    std::unique_ptr<ServiceRecords> serviceRecords_;
    std::unique_ptr<qt::SimulatorProcess> simulator_;
    qt::QtProcessLocks instrumentLocks_{"instrument"};
    // The runs this program carries out now, by their connection, for other programs' starts.
    qt::QtProcessLocks runLocks_{"run"};
    std::unique_ptr<qt::QtInstrumentStreams> instrumentStreams_;
    std::unique_ptr<qt::QtTimer> benchTimer_;
    std::unique_ptr<instruments::Bench> bench_;
    std::unique_ptr<instruments::BenchStation> benchStation_;
    std::unique_ptr<HeldMessages> heldMessages_;
    bool messagesWait_ = false;
    std::unique_ptr<qt::QtTimer> runTimer_;
    std::unique_ptr<RadioStation> station_;
    // The context of work posted for later (the held messages shown): dropped with the root.
    std::unique_ptr<QObject> postContext_;
    bool closed_ = false;
    void StartStation();
};

}  // namespace qs
