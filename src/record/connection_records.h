#pragma once

#include <string>

#include "platform/alerts.h"
#include "platform/tick_source.h"
#include "record/bench_journal.h"
#include "record/curve_recorder.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"

namespace qs {

class Application;

// What a front end keeps of each connection of a started Application: the safety net
// (backup, journal), the curves of readings and automatic operations beside the journal, and
// the bench's settings and readings in the journal.
// Attaches itself to the model on construction and detaches on destruction.
class ConnectionRecords {
public:
    ConnectionRecords(Application& app, IMessageBox& messageBox, const IWallClock& wallClock,
                      const ITickSource& clock, std::string backupFolder);
    ~ConnectionRecords();
    ConnectionRecords(const ConnectionRecords&) = delete;
    ConnectionRecords& operator=(const ConnectionRecords&) = delete;

    SafetyNet& safety() { return safety_; }
    const SafetyNet& safety() const { return safety_; }
    CurveRecorder& curves() { return curves_; }
    // The bench's settings and readings go into the journal of the connection.
    BenchJournal& bench() { return bench_; }

private:
    Application& app_;
    SafetyNet safety_;
    CurveRecorder curves_;
    BenchJournal bench_;
};

}  // namespace qs
