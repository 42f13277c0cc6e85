// Every way a step can be ended early, in every kind of step, on the whole bench and the fake
// clock: the step's outcome and reason, the run's, what the radio holds afterwards, the
// generator's RF and the silence of the line once the run has ended (after a journal that
// fails, from the failure on).
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "builtin_image.h"
#include "procedure/procedure_runner.h"
#include "procedure_rig.h"
#include "support/held_statement.h"

namespace qs::whole {
namespace {

using procedure::StopCause;

enum class Fault {
    RadioSilent,
    RadioHungUp,
    InstrumentSilent,
    InstrumentError,
    JournalUnwritable,
    Stop,
    Signal,
    TimeOut,
};
enum class Kind { Prompt, Confirm, Wait, Set, Adjust, Sweep, Level, Rssi, Generator, Measure, Check };

const char* FaultName(Fault fault) {
    constexpr const char* kNames[] = {"radio silent",     "radio hung up",      "instrument silent",
                                      "instrument error", "journal unwritable", "Stop",
                                      "signal",           "time-out"};
    return kNames[static_cast<int>(fault)];
}

bool RadioFault(Fault fault) {
    return fault == Fault::RadioSilent || fault == Fault::RadioHungUp;
}

bool InstrumentFault(Fault fault) {
    return fault == Fault::InstrumentSilent || fault == Fault::InstrumentError;
}

// The step under test ("x") comes after the generator is switched on and before a wait that
// gives a fault noticed late its time.
struct KindCase {
    Kind kind;
    const char* step;
    // True once the step is well under way: a question open, a setting sent, an operation
    // running, S3 captured and S1 not yet. None: as the step starts, before its first request
    // to the bench (an instrument answers at once).
    bool (*inside)(ProcedureRig& rig, Fault fault);
};

bool Started(ProcedureRig& rig, Fault = Fault::Stop) {
    return rig.runner().currentStep() == 1;
}

const KindCase kKinds[] = {
    {Kind::Prompt, "kind = \"prompt\"\ntext = \"Press OK.\"\n",
     [](ProcedureRig& rig, Fault) { return Started(rig) && rig.technician.open != nullptr; }},
    {Kind::Confirm, "kind = \"confirm\"\ntext = \"Is the lamp on?\"\n",
     [](ProcedureRig& rig, Fault) { return Started(rig) && rig.technician.open != nullptr; }},
    {Kind::Wait, "kind = \"wait\"\nseconds = 8\n", Started},
    {Kind::Set, "kind = \"set\"\nitems = { \"Power(Hi)\" = 150, \"Power(L2)\" = 100, MOD = 50 }\n",
     [](ProcedureRig& rig, Fault) { return Started(rig) && rig.Item("Power(Hi)") == 150; }},
    {Kind::Adjust,
     "kind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\ntarget = 5.5\n"
     "tolerance = 0.01\n",
     [](ProcedureRig& rig, Fault) {
         return Started(rig) && rig.Item("Power(Hi)") != qtsim::builtin::kPowerHi;
     }},
    {Kind::Sweep, "kind = \"sweep\"\nwhich = \"bpf-all\"\n",
     [](ProcedureRig& rig, Fault) { return Started(rig) && rig.program.model().OperationRunning(); }},
    {Kind::Level, "kind = \"level\"\nside = \"rx\"\n",
     [](ProcedureRig& rig, Fault) { return Started(rig) && rig.program.model().OperationRunning(); }},
    {Kind::Rssi, "kind = \"rssi\"\ns3_dbm = -47\ns1_dbm = -111\n",
     [](ProcedureRig& rig, Fault fault) {
         // The generator's S3 level is set by then: an instrument fails as S1's is set.
         if (InstrumentFault(fault)) {
             return Started(rig) && rig.program.model().rssiCapture() == RssiCapture::S3;
         }
         return Started(rig) && rig.program.image().ReadByte(
                                    clsIndOp_RigK52T::kRssiS3Address) != qtsim::builtin::kRssiS3;
     }},
    {Kind::Generator, "kind = \"generator\"\nlevel_dbm = -60\n", nullptr},
    {Kind::Measure, "kind = \"measure\"\nquantity = \"power\"\nmin = 0\n", nullptr},
    {Kind::Check, "kind = \"check\"\nreading = \"VIN\"\nmin = 7.0\nmax = 8.0\n", Started},
};

const KindCase& CaseOf(Kind kind) {
    return kKinds[static_cast<int>(kind)];
}

std::string Procedure(const KindCase& under) {
    return "title = \"faults\"\n[bench]\ngenerator = \"" + std::string(kMonitorAddress) +
           "\"\npower_meter = \"" + kMonitorAddress + "\"\nmodulation_meter = \"" +
           kMonitorAddress + "\"\nfrequency_counter = \"" + kMonitorAddress + "\"\n" +
           "[[step]]\nname = \"gen\"\nkind = \"generator\"\nfrequency = \"rx\"\n"
           "level_dbm = -47\nrf = true\n"
           "[[step]]\nname = \"x\"\n" + under.step +
           "[[step]]\nname = \"after\"\nkind = \"wait\"\nseconds = 10\n";
}

// A value of the radio a step changes, with its name in the record and its value before.
struct Watched {
    const char* name;
    int address;
    int start;
    bool putBack;  // a stop's teardown puts it back
};

std::vector<Watched> WatchedBy(Kind kind) {
    using namespace qtsim::builtin;
    switch (kind) {
        case Kind::Set:
            return {{"Power(Hi)", 168, kPowerHi, true}, {"MOD", 105, kMod, true}};
        case Kind::Adjust:
            return {{"Power(Hi)", 168, kPowerHi, true}};
        case Kind::Sweep:
            return {{"BPF T1", 84, kBpfT1, false}, {"BPF T2", 85, kBpfT2, false}};
        case Kind::Level:
            return {{"RX LVA", 92, kRxLva, false}};
        case Kind::Rssi:
            return {{"RSSI S3", clsIndOp_RigK52T::kRssiS3Address, kRssiS3, true},
                    {"RSSI S1", clsIndOp_RigK52T::kRssiS1Address, kRssiS1, true}};
        default:
            return {};
    }
}

void Inject(ProcedureRig& rig, Fault fault) {
    switch (fault) {
        case Fault::RadioSilent:
            rig.program.SilenceRadio();
            break;
        case Fault::RadioHungUp:
            // The cable is gone: not even its echo comes back.
            rig.program.SilenceRadio();
            rig.program.cable.setEcho(false);
            break;
        case Fault::InstrumentSilent:
            rig.monitorSilent = true;
            break;
        case Fault::InstrumentError:
            rig.streams.refuseReason = "connection refused";
            for (FakeByteStream* stream : rig.streams.streams) stream->Fail("connection reset");
            break;
        case Fault::JournalUnwritable:
            rig.FillJournal();
            break;
        case Fault::Stop:
            rig.runner().Stop();
            break;
        case Fault::Signal:
            rig.runner().Stop(StopCause::Signal);
            break;
        case Fault::TimeOut:
            rig.runner().Stop(StopCause::TimeOut);
            break;
    }
}

std::string StopWords(Fault fault) {
    if (fault == Fault::Signal) return "stopped by a signal";
    if (fault == Fault::TimeOut) return "stopped by the time-out";
    return "stopped by the technician";
}

TEST(ProcedureFaultTest, EveryEndIsKnownAndLeavesTheRadioAsFound) {
    struct Row {
        Fault fault;
        Kind kind;
        StepOutcome outcome;  // of the step under test
        RunVerdict verdict;
    };
    constexpr StepOutcome kPass = StepOutcome::Pass;
    constexpr StepOutcome kError = StepOutcome::Error;
    constexpr StepOutcome kAborted = StepOutcome::Aborted;
    constexpr RunVerdict kRunError = RunVerdict::Error;
    constexpr RunVerdict kRunAborted = RunVerdict::Aborted;
    // A step that talks only to the bench finishes before the watch's next reading: the step
    // after it notices the radio.
    const Row rows[] = {
        {Fault::RadioSilent, Kind::Prompt, kError, kRunError},
        {Fault::RadioSilent, Kind::Confirm, kError, kRunError},
        {Fault::RadioSilent, Kind::Wait, kError, kRunError},
        {Fault::RadioSilent, Kind::Set, kError, kRunError},
        {Fault::RadioSilent, Kind::Adjust, kError, kRunError},
        {Fault::RadioSilent, Kind::Sweep, kError, kRunError},
        {Fault::RadioSilent, Kind::Level, kError, kRunError},
        {Fault::RadioSilent, Kind::Rssi, kError, kRunError},
        {Fault::RadioSilent, Kind::Generator, kPass, kRunError},
        {Fault::RadioSilent, Kind::Measure, kPass, kRunError},
        {Fault::RadioSilent, Kind::Check, kError, kRunError},
        {Fault::RadioHungUp, Kind::Prompt, kError, kRunError},
        {Fault::RadioHungUp, Kind::Wait, kError, kRunError},
        {Fault::RadioHungUp, Kind::Set, kError, kRunError},
        {Fault::RadioHungUp, Kind::Adjust, kError, kRunError},
        {Fault::RadioHungUp, Kind::Level, kError, kRunError},
        {Fault::RadioHungUp, Kind::Rssi, kError, kRunError},
        {Fault::RadioHungUp, Kind::Check, kError, kRunError},
        {Fault::InstrumentSilent, Kind::Adjust, kError, kRunError},
        {Fault::InstrumentSilent, Kind::Rssi, kError, kRunError},
        {Fault::InstrumentSilent, Kind::Generator, kError, kRunError},
        {Fault::InstrumentSilent, Kind::Measure, kError, kRunError},
        {Fault::InstrumentError, Kind::Adjust, kError, kRunError},
        {Fault::InstrumentError, Kind::Rssi, kError, kRunError},
        {Fault::InstrumentError, Kind::Generator, kError, kRunError},
        {Fault::InstrumentError, Kind::Measure, kError, kRunError},
        {Fault::JournalUnwritable, Kind::Set, kError, kRunError},
        {Fault::JournalUnwritable, Kind::Adjust, kError, kRunError},
        {Fault::JournalUnwritable, Kind::Sweep, kError, kRunError},
        {Fault::JournalUnwritable, Kind::Level, kError, kRunError},
        {Fault::JournalUnwritable, Kind::Rssi, kError, kRunError},
        {Fault::Stop, Kind::Prompt, kAborted, kRunAborted},
        {Fault::Stop, Kind::Confirm, kAborted, kRunAborted},
        {Fault::Stop, Kind::Wait, kAborted, kRunAborted},
        {Fault::Stop, Kind::Set, kAborted, kRunAborted},
        {Fault::Stop, Kind::Adjust, kAborted, kRunAborted},
        {Fault::Stop, Kind::Sweep, kAborted, kRunAborted},
        {Fault::Stop, Kind::Level, kAborted, kRunAborted},
        {Fault::Stop, Kind::Rssi, kAborted, kRunAborted},
        {Fault::Stop, Kind::Generator, kAborted, kRunAborted},
        {Fault::Stop, Kind::Measure, kAborted, kRunAborted},
        {Fault::Stop, Kind::Check, kAborted, kRunAborted},
        {Fault::Signal, Kind::Prompt, kAborted, kRunAborted},
        {Fault::Signal, Kind::Adjust, kAborted, kRunAborted},
        {Fault::Signal, Kind::Rssi, kAborted, kRunAborted},
        {Fault::TimeOut, Kind::Wait, kAborted, kRunAborted},
        {Fault::TimeOut, Kind::Sweep, kAborted, kRunAborted},
        {Fault::TimeOut, Kind::Rssi, kAborted, kRunAborted},
    };
    for (const Row& row : rows) {
        const KindCase& under = CaseOf(row.kind);
        SCOPED_TRACE(std::string(FaultName(row.fault)) + " in " + under.step);
        ProcedureRig rig;
        rig.technician.holdAnswers = row.kind == Kind::Prompt || row.kind == Kind::Confirm;
        rig.Start(rig.Check(Procedure(under)));
        bool injected = false;
        std::size_t settingsAtFault = 0;
        if (under.inside == nullptr) {
            rig.runner().setChanged([&](const procedure::RunNotice& notice) {
                if (notice.kind != procedure::RunNotice::Kind::StepStarted || notice.step != 1) return;
                settingsAtFault = rig.program.Settings().size();
                Inject(rig, row.fault);
                injected = true;
            });
            ASSERT_TRUE(rig.RunUntil([&] { return injected; }, 120000));
        } else {
            ASSERT_TRUE(rig.RunUntil([&] { return under.inside(rig, row.fault); }, 120000));
            settingsAtFault = rig.program.Settings().size();
            Inject(rig, row.fault);
        }
        // A radio that does not answer ends the run within 5 s; anything else may take an
        // instrument's time-outs (each request, and RF off at the end).
        ASSERT_TRUE(rig.RunUntil([&] { return rig.runner().finished(); },
                                 RadioFault(row.fault) ? 5000 : 90000))
            << "still at step " << rig.runner().currentStep() + 1;
        const RunRecord& record = rig.record();
        const StepRecord& step = rig.Step("x");
        EXPECT_EQ(step.outcome, row.outcome) << step.message;
        EXPECT_EQ(record.verdict, row.verdict) << record.endReason;
        // A step that passed despite the fault leaves it to the next to notice.
        const StepRecord& after = rig.Step("after");
        if (row.outcome == kPass) {
            EXPECT_EQ(after.outcome, StepOutcome::Error) << after.message;
        } else {
            EXPECT_EQ(after.startMs, -1);
        }

        // The reason, in words.
        if (RadioFault(row.fault)) {
            EXPECT_EQ(record.endReason.rfind("the radio link failed: ", 0), 0u) << record.endReason;
            if (row.outcome != kPass) {
                EXPECT_EQ(step.message.rfind("the radio link failed: ", 0), 0u) << step.message;
            }
        } else if (row.fault == Fault::JournalUnwritable) {
            const std::string words =
                "the journal could not be written (" + rig.safety->journalPath() + ": ";
            EXPECT_EQ(record.endReason.rfind(words, 0), 0u) << record.endReason;
            EXPECT_EQ(step.message.rfind(words, 0), 0u) << step.message;
            EXPECT_NE(step.message.find("nothing more was sent"), std::string::npos);
            // Written ahead: the command whose line failed never left, nor anything after it.
            EXPECT_EQ(rig.program.Settings().size(), settingsAtFault);
            if (row.kind == Kind::Set) {
                EXPECT_NE(rig.Item("MOD"), 50);
            }
        } else if (InstrumentFault(row.fault)) {
            EXPECT_EQ(record.endReason, "step 2 could not be judged");
            EXPECT_NE(step.message.find(row.fault == Fault::InstrumentSilent ? kMonitorAddress
                                                                             : "connection"),
                      std::string::npos)
                << step.message;
        } else {
            EXPECT_EQ(record.endReason, StopWords(row.fault) + " at step 2");
            EXPECT_EQ(step.message.rfind(StopWords(row.fault), 0), 0u) << step.message;
        }

        // What the radio holds, as the step's record says it, is what the virtual radio itself
        // holds: a value said to be held or back is the radio's; a value sent and not
        // confirmed is one of those sent or the one held before. An item the record does not
        // name was never changed. A stop puts back what a set, an adjustment or a capture
        // changed; a sweep or a level adjustment stops where it stands.
        const bool putBack = !RadioFault(row.fault) && row.fault != Fault::JournalUnwritable;
        for (const Watched& watched : WatchedBy(row.kind)) {
            const int truth = rig.program.radio().image().read(watched.address);
            SCOPED_TRACE(std::string(watched.name) + " holds " + std::to_string(truth));
            std::vector<std::string> names = {watched.name};
            // Said together, the thresholds are "RSSI S3 = 90 and S1 = 20".
            if (std::string(watched.name) == "RSSI S1") names.push_back("S1");
            EXPECT_TRUE(testing::StatementFits(step.message, names, truth, watched.start))
                << step.message;
            if (putBack && watched.putBack) {
                EXPECT_EQ(truth, watched.start) << step.message;
            }
        }
        if (row.kind == Kind::Rssi) {
            EXPECT_FALSE(rig.program.model().OperationRunning());
        }

        // RF off, or the record says it could not be switched off (the generator is gone).
        ASSERT_FALSE(record.notes.empty());
        if (InstrumentFault(row.fault)) {
            EXPECT_EQ(record.notes.back().rfind("Generator RF could not be switched off", 0), 0u)
                << record.notes.back();
        } else {
            EXPECT_FALSE(rig.monitor.generator().rfOn);
            EXPECT_EQ(record.notes.back(), "Generator RF switched off at the end.");
        }

        // Once ended, nothing more goes to the radio: no frame, no detector poll.
        const std::size_t written = rig.program.cable.writes().size();
        rig.RunUntil([] { return false; }, 3000);
        EXPECT_EQ(rig.program.cable.writes().size(), written);
    }
}

}  // namespace
}  // namespace qs::whole
