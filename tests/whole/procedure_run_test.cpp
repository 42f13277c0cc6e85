// Whole procedures on the whole bench, on the fake clock: the example procedure against the
// virtual radio and its service monitor ends in PASS with the values the monitor's documented
// curves give; limits the radio cannot meet, a stop in the middle, an instrument that goes
// quiet and a backup that cannot be written each end the way a technician expects.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <string>

#include "builtin_image.h"
#include "procedure/procedure_runner.h"
#include "procedure_rig.h"
#include "record/curves_file.h"
#include "record/run_record_file.h"

namespace qs::whole {
namespace {

using procedure::Answer;
using procedure::ProcedureRunner;

constexpr char kExample[] = QS_PROCEDURES_DIR "/virtual-bench.toml";

// A procedure of `steps` after a heading that binds every role to the monitor.
std::string Procedure(const std::string& steps) {
    return "title = \"test\"\n[bench]\ngenerator = \"" + std::string(kMonitorAddress) +
           "\"\npower_meter = \"" + kMonitorAddress + "\"\nmodulation_meter = \"" +
           kMonitorAddress + "\"\nfrequency_counter = \"" + kMonitorAddress + "\"\n" + steps;
}

// The last value the program sent for an adjustment command, -1 when none.
int LastSent(WholeProgram& program, int command) {
    int value = -1;
    for (const WholeProgram::Adjustment& a : program.Settings()) {
        if (a.command == command) value = a.value;
    }
    return value;
}

TEST(ProcedureRunTest, TheExampleProcedurePassesWithWhatTheCurvesGive) {
    ProcedureRig rig;
    ASSERT_TRUE(rig.Run(rig.CheckFile(kExample)));
    const RunRecord& record = rig.record();
    for (const StepRecord& step : record.steps) {
        EXPECT_EQ(step.outcome, StepOutcome::Pass) << step.number << " " << step.title << ": "
                                                   << step.message;
    }
    EXPECT_EQ(record.verdict, RunVerdict::Pass);
    EXPECT_TRUE(record.complete);
    EXPECT_EQ(record.technician, "A. Technician");
    EXPECT_EQ(record.modelCode, "3017");

    // What each judged step measured, and where the items ended, by the monitor's curves:
    //   REF      146.52 MHz * (1 + 0.1 ppm * (REF - 143)): 143 is exact
    //   power    8 W * (item / 255)^2: Hi 212 5.53 W, L2 141 2.45 W, L1 91 1.02 W
    //   MOD      30 Hz * MOD: 97 gives 2910 Hz
    //   LVA      the level curve meets 150 at TX LVA 166 and 120 at RX LVA 128 (2.35 V)
    //   BPF      the plateaus' middles 64 and 74; RSSI 10 + 2 * (dBm + 125): 74 and 26
    struct Judged {
        const char* step;
        const char* measured;
    };
    const Judged judged[] = {
        {"Supply voltage", "7.49V"},  // 191 of 255 on the 10 V scale
        {"Radio at room temperature", "25.21'C"},
        {"Reference frequency", "146520000.0 Hz"},
        {"High power", "5.53 W"},
        {"Low power 2", "2.45 W"},
        {"Low power 1", "1.02 W"},
        {"Modulation", "2910 Hz"},
        {"Deviation within limits", "2910 Hz"},
        {"Transmit frequency within limits", "146520000.0 Hz"},
        {"Level-adjust input", "2.35V"},
    };
    for (const Judged& row : judged) {
        SCOPED_TRACE(row.step);
        const StepRecord& step = rig.Step(row.step);
        ASSERT_TRUE(step.measured.has_value());
        EXPECT_EQ(step.measured->text, row.measured);
        EXPECT_TRUE(step.limits.has_value());
    }
    struct Final {
        const char* item;
        int value;
    };
    const Final finals[] = {{"REF", 143},    {"Power(Hi)", 212}, {"Power(L2)", 141},
                            {"Power(L1)", 91}, {"MOD", 97},      {"TX LVA", 166},
                            {"BPF T1", 64},  {"BPF T2", 74},     {"RX LVA", 128}};
    for (const Final& row : finals) EXPECT_EQ(rig.Item(row.item), row.value) << row.item;
    const clsCmcEeprom& image = rig.program.image();
    EXPECT_EQ(image.ReadByte(clsIndOp_RigK52T::kRssiS3Address), 74);
    EXPECT_EQ(image.ReadByte(clsIndOp_RigK52T::kRssiS1Address), 26);

    // The generator is left off, and the run is kept beside the connection's backup.
    EXPECT_FALSE(rig.monitor.generator().rfOn);
    ASSERT_FALSE(record.backupPath.empty());
    std::vector<RunRecord> kept;
    std::string error;
    ASSERT_TRUE(ReadRunsFile(RunsPathFor(record.backupPath), kept, error)) << error;
    ASSERT_EQ(kept.size(), 1u);
    EXPECT_EQ(kept[0], record);
    EXPECT_TRUE(rig.program.box.shown.empty());
}

TEST(ProcedureRunTest, AFailingStepEndsTheRunUnlessItMayFail) {
    struct Row {
        const char* name;
        std::string steps;
        const char* failing;        // the title of the step that fails
        StepOutcome outcome;
        const char* message;        // part of its message
        int stepsRun;               // steps that ran, the failing one included
    };
    const Row rows[] = {
        {"an adjustment the radio cannot reach",
         "[[step]]\nname = \"hi\"\nkind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\n"
         "target = 9.0\ntolerance = 0.1\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
         "hi", StepOutcome::Fail, "reached its limit", 1},
        {"a limit the transmitter cannot meet",
         "[[step]]\nname = \"dev\"\nkind = \"measure\"\nquantity = \"deviation\"\nmin = 100\n"
         "max = 200\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
         "dev", StepOutcome::Fail, "4500 Hz is above 200 Hz", 1},
        {"a failure that may happen",
         "[[step]]\nname = \"dev\"\nkind = \"measure\"\nquantity = \"deviation\"\nmax = 200\n"
         "continue_on_fail = true\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
         "dev", StepOutcome::Fail, "above", 2},
        {"a channel this radio does not have",
         "[[step]]\nname = \"ch\"\nkind = \"set\"\nitems = { \"CH No.\" = 30, \"MOD\" = 10 }\n",
         "ch", StepOutcome::Fail, "beyond this radio's limit 14", 1},
        {"a receive frequency the test channel inhibits",
         "[[step]]\nkind = \"set\"\nitems = { \"CH No.\" = 7 }\n"
         "[[step]]\nname = \"gen\"\nkind = \"generator\"\nfrequency = \"rx\"\nrf = true\n",
         "gen", StepOutcome::Fail, "no receive frequency", 2},
        {"a no from the technician",
         "[[step]]\nname = \"ask\"\nkind = \"confirm\"\ntext = \"Is the lamp on?\"\n"
         "[[step]]\nkind = \"wait\"\nseconds = 1\n",
         "ask", StepOutcome::Fail, "answered no", 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProcedureRig rig;
        rig.technician.answers = {Answer::No};
        ASSERT_TRUE(rig.Run(rig.Check(Procedure(row.steps))));
        const RunRecord& record = rig.record();
        EXPECT_EQ(record.verdict, RunVerdict::Fail);
        const StepRecord& failing = rig.Step(row.failing);
        EXPECT_EQ(failing.outcome, row.outcome);
        EXPECT_NE(failing.message.find(row.message), std::string::npos) << failing.message;
        const auto ran = std::count_if(record.steps.begin(), record.steps.end(),
                                       [](const StepRecord& s) { return s.startMs >= 0; });
        EXPECT_EQ(ran, row.stepsRun);
        for (const StepRecord& step : record.steps) {
            if (step.startMs < 0) {
                EXPECT_EQ(step.outcome, StepOutcome::Skipped);
            }
        }
    }
}

// The item goes back to its value at the step's start, in the console and in the radio.
TEST(ProcedureRunTest, AnAdjustmentThatFailsPutsTheItemBack) {
    ProcedureRig rig;
    ASSERT_TRUE(rig.Run(rig.Check(Procedure(
        "[[step]]\nname = \"hi\"\nkind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\n"
        "target = 9.0\ntolerance = 0.1\n"))));
    const StepRecord& step = rig.Step("hi");
    EXPECT_EQ(step.outcome, StepOutcome::Fail);
    // 8 W at the item's limit 255 is the nearest to 9 W the transmitter comes.
    ASSERT_TRUE(step.measured.has_value());
    EXPECT_EQ(step.measured->text, "8.00 W");
    EXPECT_NE(step.message.find("back at 200"), std::string::npos) << step.message;
    EXPECT_EQ(rig.Item("Power(Hi)"), qtsim::builtin::kPowerHi);
    EXPECT_EQ(LastSent(rig.program, 9), qtsim::builtin::kPowerHi);
    EXPECT_EQ(rig.program.image().ReadByte(168), qtsim::builtin::kPowerHi);
}

// With the generator's RF off the detector reads its floor over the whole sweep: the step
// fails instead of centring the filters on nothing, and puts them back where they were, in
// the console and in the radio (the last BPF T1 and T2 commands, 19 and 20).
TEST(ProcedureRunTest, ASweepThatSeesNoSignalFailsAndPutsTheFiltersBack) {
    ProcedureRig rig;
    ASSERT_TRUE(rig.Run(rig.Check(Procedure(
        "[[step]]\nname = \"gen\"\nkind = \"generator\"\nfrequency = \"rx\"\nrf = false\n"
        "[[step]]\nname = \"bpf\"\nkind = \"sweep\"\nwhich = \"bpf-all\"\n"))));
    EXPECT_EQ(rig.record().verdict, RunVerdict::Fail);
    const StepRecord& step = rig.Step("bpf");
    EXPECT_EQ(step.outcome, StepOutcome::Fail);
    EXPECT_EQ(step.message,
              "no signal seen: the detector stayed within 4 counts (BPF T1 read 10 to 10 over 0 "
              "to 128; BPF T2 read 10 to 10 over 0 to 128); BPF T1 is back at 60; BPF T2 is "
              "back at 80");
    EXPECT_EQ(rig.Item("BPF T1"), qtsim::builtin::kBpfT1);
    EXPECT_EQ(rig.Item("BPF T2"), qtsim::builtin::kBpfT2);
    EXPECT_EQ(LastSent(rig.program, 19), qtsim::builtin::kBpfT1);
    EXPECT_EQ(LastSent(rig.program, 20), qtsim::builtin::kBpfT2);
}

TEST(ProcedureRunTest, StopEndsAtTheNextSafePoint) {
    const std::string steps =
        "[[step]]\nname = \"gen\"\nkind = \"generator\"\nfrequency = \"rx\"\nlevel_dbm = -47\n"
        "rf = true\n"
        "[[step]]\nname = \"hi\"\nkind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\n"
        "target = 5.5\ntolerance = 0.01\ncontinue_on_fail = true\n"
        "[[step]]\nname = \"ok\"\nkind = \"prompt\"\ntext = \"Press OK.\"\n"
        "[[step]]\nname = \"rx\"\nkind = \"level\"\nside = \"rx\"\n"
        "[[step]]\nname = \"after\"\nkind = \"wait\"\nseconds = 1\n";
    struct Row {
        const char* name;
        const char* stopIn;  // the step running when Stop comes
        const char* message;
    };
    const Row rows[] = {
        {"in an adjustment", "hi", "stopped by the technician"},
        {"at a prompt", "ok", "stopped by the technician"},
        {"in the level adjustment", "rx", "stopped where it stood"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ProcedureRig rig;
        rig.technician.holdAnswers = std::string(row.stopIn) == "ok";
        const procedure::Procedure procedure = rig.Check(Procedure(steps));
        rig.Start(procedure);
        const auto index = std::find_if(procedure.steps.begin(), procedure.steps.end(),
                                        [&](const procedure::Step& s) { return s.name == row.stopIn; }) -
                           procedure.steps.begin();
        // Well inside the step: a setting sent, a question open, an operation running.
        ASSERT_TRUE(rig.RunUntil([&] {
            if (rig.runner().currentStep() != index) return false;
            if (rig.technician.holdAnswers) return rig.technician.open != nullptr;
            if (std::string(row.stopIn) == "rx") return rig.program.model().OperationRunning();
            return rig.Item("Power(Hi)") != qtsim::builtin::kPowerHi;
        }));
        rig.runner().Stop();
        ASSERT_TRUE(rig.RunUntil([&] { return rig.runner().finished(); }, 20000));
        const RunRecord& record = rig.record();
        EXPECT_EQ(record.verdict, RunVerdict::Aborted);
        EXPECT_FALSE(record.complete);
        EXPECT_EQ(record.endReason, "stopped by the technician at step " + std::to_string(index + 1));
        const StepRecord& stopped = rig.Step(row.stopIn);
        EXPECT_EQ(stopped.outcome, StepOutcome::Aborted);
        EXPECT_NE(stopped.message.find(row.message), std::string::npos) << stopped.message;
        EXPECT_EQ(rig.Step("after").startMs, -1);
        EXPECT_FALSE(rig.program.model().OperationRunning());
        EXPECT_TRUE(rig.program.model().Settled());
        // A level adjustment stopped did not fail, and its row does not say so.
        EXPECT_EQ(rig.program.win.lboConsole.List(kRxLvaRow).find("Failed"), std::string::npos);
        // An adjustment puts its item back; RF is switched off whatever ended the run.
        EXPECT_EQ(rig.Item("Power(Hi)"), qtsim::builtin::kPowerHi);
        EXPECT_FALSE(rig.monitor.generator().rfOn);
        ASSERT_FALSE(record.notes.empty());
        EXPECT_EQ(record.notes.back(), "Generator RF switched off at the end.");
        if (rig.technician.holdAnswers) {
            EXPECT_EQ(rig.technician.withdrawn, 1);
        }
    }
}

// Nothing goes to the radio on the strength of a reading that did not come: the adjustment
// ends in an error and only its item's return is sent.
TEST(ProcedureRunTest, AMeterThatGoesQuietEndsTheAdjustmentInAnError) {
    ProcedureRig rig;
    rig.Start(rig.Check(Procedure(
        "[[step]]\nname = \"hi\"\nkind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\n"
        "target = 5.5\ntolerance = 0.01\n")));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Item("Power(Hi)") == 205; }));
    rig.monitorSilent = true;
    const std::size_t sentBefore = rig.program.Settings().size();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.runner().finished(); }, 60000));
    const StepRecord& step = rig.Step("hi");
    EXPECT_EQ(step.outcome, StepOutcome::Error);
    EXPECT_NE(step.message.find(kMonitorAddress), std::string::npos) << step.message;
    const std::vector<WholeProgram::Adjustment> sent = rig.program.Settings();
    ASSERT_EQ(sent.size(), sentBefore + 1);
    EXPECT_EQ(sent.back().command, 9);
    EXPECT_EQ(sent.back().value, qtsim::builtin::kPowerHi);
    EXPECT_EQ(rig.record().verdict, RunVerdict::Error);
}

// While a run goes on its runs file holds what it would be left as if the program ended then
// (ERROR at the step under way, never the FAIL of no limit); a generator that cannot be
// switched off at the end makes a run whose steps all passed an ERROR.
TEST(ProcedureRunTest, ARunUnderWayIsKeptAsErrorAndRfLeftOnIsNoPass) {
    ProcedureRig rig;
    rig.Start(rig.Check(Procedure("[[step]]\nkind = \"generator\"\nlevel_dbm = -60\nrf = true\n")));
    std::vector<RunRecord> underWay;
    rig.runner().setChanged([&](const procedure::RunNotice& notice) {
        if (notice.kind == procedure::RunNotice::Kind::StepEnded) rig.monitorSilent = true;
        if (notice.kind != procedure::RunNotice::Kind::StepStarted) return;
        std::string error;
        EXPECT_TRUE(ReadRunsFile(rig.runner().runsFile(), underWay, error)) << error;
    });
    ASSERT_TRUE(rig.RunUntil([&] { return rig.runner().finished(); }, 60000));
    ASSERT_EQ(underWay.size(), 1u);
    EXPECT_TRUE(underWay[0].inProgress);
    EXPECT_EQ(underWay[0].verdict, RunVerdict::Error);
    EXPECT_EQ(underWay[0].endReason, "the program ended during the run (at step 1)");
    EXPECT_EQ(rig.record().steps[0].outcome, StepOutcome::Pass);
    EXPECT_EQ(rig.record().verdict, RunVerdict::Error);
    EXPECT_EQ(rig.record().endReason, "the generator's RF could not be switched off");
    std::vector<RunRecord> ended;
    std::string error;
    ASSERT_TRUE(ReadRunsFile(rig.runner().runsFile(), ended, error)) << error;
    EXPECT_EQ(ended, std::vector<RunRecord>{rig.record()});
}

TEST(ProcedureRunTest, NothingIsSentWithoutABackup) {
    ProcedureRig rig;
    // A file where the backup folder should be: no backup can be written.
    std::filesystem::remove_all(rig.folder);
    { std::ofstream(rig.folder.string()) << "not a folder"; }
    ASSERT_TRUE(rig.Run(rig.Check(Procedure(
        "[[step]]\nkind = \"set\"\nitems = { \"Power(Hi)\" = 150 }\n"))));
    EXPECT_NE(rig.record().endReason.find("nothing was sent to the radio"), std::string::npos)
        << rig.record().endReason;
    EXPECT_TRUE(rig.program.Settings().empty());
    EXPECT_EQ(rig.record().steps[0].outcome, StepOutcome::Skipped);
    std::filesystem::remove(rig.folder);
}

// On the fake clock at the radio's own 9600 bit/s the run takes no longer than its line time,
// the console's waits and the instruments' answers allow: nothing waits for a later heartbeat.
TEST(ProcedureRunTest, TheExampleTakesLittleMoreThanTheLeastItCould) {
    ProcedureRig rig(9600);
    ASSERT_TRUE(rig.Run(rig.CheckFile(kExample), 1200000));
    const RunRecord& record = rig.record();
    EXPECT_EQ(record.verdict, RunVerdict::Pass);
    const double ratio = static_cast<double>(record.durationMs) / record.pace.LeastMs();
    EXPECT_LE(ratio, 1.05) << record.durationMs << " ms against " << record.pace.LeastMs();
    EXPECT_GE(ratio, 0.98);
}

}  // namespace
}  // namespace qs::whole
