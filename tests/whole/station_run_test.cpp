// A run on the station as the desktop program has it, on the fake clock: the core's message box
// held while the run goes on, the timers and the port holding still for a dialog unless a run
// is under way. Whatever is open when the bench goes wrong, the run ends, RF goes off, and its
// record says what the radio (the virtual one's own image) holds. A step's clean-up is not
// cut short by Stop; the console is the run's alone while it goes.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "builtin_image.h"
#include "model/rig_k52t_item_list.h"
#include "procedure_rig.h"
#include "shell/dialog_hold.h"
#include "support/held_statement.h"

namespace qs::whole {
namespace {

enum class Fault { RadioHungUp, RadioSilent, InstrumentSilent, JournalUnwritable };
enum class Open { Nothing, MessageBox, FileDialog };

constexpr int kBoxLeftOpenMs = 15000;

std::string Bench() {
    return "[bench]\ngenerator = \"" + std::string(kMonitorAddress) + "\"\npower_meter = \"" +
           kMonitorAddress + "\"\n";
}

// RF on, a setting, a prompt the fault comes at, then a reading of the meter and a setting
// that need the instrument and the journal.
std::string AtAPrompt() {
    return Bench() +
           "[[step]]\nname = \"gen\"\nkind = \"generator\"\nfrequency = \"rx\"\nlevel_dbm = -47\n"
           "rf = true\n"
           "[[step]]\nname = \"hi\"\nkind = \"set\"\nitems = { \"Power(Hi)\" = 150 }\n"
           "[[step]]\nname = \"ok\"\nkind = \"prompt\"\ntext = \"Press OK.\"\n"
           "[[step]]\nname = \"power\"\nkind = \"measure\"\nquantity = \"power\"\nmin = 0\n"
           "[[step]]\nname = \"mod\"\nkind = \"set\"\nitems = { MOD = 50 }\n"
           "[[step]]\nname = \"after\"\nkind = \"wait\"\nseconds = 10\n";
}

// Undoes a dialog left open by a row, whatever the row's end.
struct DialogClosed {
    ~DialogClosed() { SetModalDialogProbe(nullptr); }
};

TEST(StationRunTest, NoDialogHoldsARunUpWhenTheBenchGoesWrong) {
    struct Row {
        Fault fault;
        Open open;
    };
    std::vector<Row> rows;
    for (Fault fault : {Fault::RadioHungUp, Fault::RadioSilent, Fault::InstrumentSilent,
                        Fault::JournalUnwritable}) {
        for (Open open : {Open::Nothing, Open::MessageBox, Open::FileDialog}) rows.push_back({fault, open});
    }
    for (const Row& row : rows) {
        SCOPED_TRACE("fault " + std::to_string(static_cast<int>(row.fault)) + ", open " +
                     std::to_string(static_cast<int>(row.open)));
        DialogClosed closed;
        ProcedureRig rig;
        rig.technician.holdAnswers = true;
        // The program's box, as a technician away from the bench leaves it: open for 15 s.
        if (row.open == Open::MessageBox) {
            rig.program.box.onShow = [&rig] {
                ModalScope modal;
                for (int ms = 0; ms < kBoxLeftOpenMs; ++ms) rig.Millisecond();
            };
        }
        rig.Start(rig.Check(AtAPrompt()));
        ASSERT_TRUE(rig.RunUntil([&] { return rig.technician.open != nullptr; }, 200000));
        ASSERT_TRUE(rig.monitor.generator().rfOn);
        // A file dialog opened meanwhile stays open from here on.
        if (row.open == Open::FileDialog) SetModalDialogProbe([] { return true; });
        const bool radio = row.fault == Fault::RadioHungUp || row.fault == Fault::RadioSilent;
        switch (row.fault) {
            case Fault::RadioHungUp:
                rig.program.SilenceRadio();
                rig.program.cable.setEcho(false);
                break;
            case Fault::RadioSilent:
                rig.program.SilenceRadio();
                break;
            case Fault::InstrumentSilent:
                rig.monitorSilent = true;
                break;
            case Fault::JournalUnwritable:
                rig.FillJournal();
                break;
        }
        // A radio gone is noticed with the prompt still open; the others once it is answered.
        const std::int32_t faultAt = rig.program.clock.GetTickCount();
        if (!radio) {
            rig.RunUntil([] { return false; }, 1000);
            ASSERT_NE(rig.technician.open, nullptr);
            rig.technician.open(procedure::Answer::Ok);
        }
        std::int32_t rfOffAt = -1;
        const bool ended = rig.RunUntil(
            [&] {
                if (rfOffAt < 0 && !rig.monitor.generator().rfOn) {
                    rfOffAt = rig.program.clock.GetTickCount();
                }
                return rig.runner().finished();
            },
            row.fault == Fault::InstrumentSilent ? 20000 : 6000);
        ASSERT_TRUE(ended) << "still at step " << rig.runner().currentStep() + 1;
        const RunRecord& record = rig.record();
        EXPECT_EQ(record.verdict, RunVerdict::Error) << record.endReason;
        if (row.fault == Fault::InstrumentSilent) {
            EXPECT_NE(record.radioHolds.find("generator RF may still be on"), std::string::npos)
                << record.radioHolds;
        } else {
            ASSERT_GE(rfOffAt, 0);
            EXPECT_LE(rfOffAt - faultAt, radio ? 5000 : 6000);
            EXPECT_NE(record.radioHolds.find("generator RF off"), std::string::npos)
                << record.radioHolds;
        }
        // What the record says the radio holds is what it holds; MOD never went out when the
        // journal could not have it.
        for (const auto& [name, address, start] :
             {std::tuple{"Power(Hi)", 168, int(qtsim::builtin::kPowerHi)},
              std::tuple{"MOD", 105, int(qtsim::builtin::kMod)}}) {
            const int truth = rig.program.radio().image().read(address);
            EXPECT_TRUE(testing::StatementFits(record.radioHolds, {name}, truth, start))
                << name << " holds " << truth << "; " << record.radioHolds;
        }
        EXPECT_EQ(rig.program.radio().image().read(105), qtsim::builtin::kMod);

        // The core's messages waited for the run's end, and come now.
        const std::size_t before = rig.program.box.shown.size();
        EXPECT_EQ(before, 0u) << rig.program.box.shown.front().text;
        rig.program.messages.ShowHeld();
        if (row.fault != Fault::InstrumentSilent) {
            EXPECT_GT(rig.program.box.shown.size(), before);
        }
    }
}

// Stop during the clean-up of a step that failed leaves the failure as it was; pressed again,
// it leaves the clean-up unfinished. An RSSI capture whose levels the radio did not hear puts
// both thresholds back.
TEST(StationRunTest, AStepsCleanUpIsNotCutShortByStop) {
    struct Row {
        const char* step;
        int stops;  // during the clean-up
        StepOutcome outcome;
        RunVerdict verdict;
        const char* words;
    };
    const char* unreachable =
        "kind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\ntarget = 9.5\n"
        "tolerance = 0.01\nmax_steps = 3\n";
    // Both levels below what the receiver hears: both thresholds read the detector's floor.
    const char* unheard = "kind = \"rssi\"\ns3_dbm = -130\ns1_dbm = -131\n";
    const Row rows[] = {
        {unreachable, 1, StepOutcome::Fail, RunVerdict::Fail,
         "Stop was pressed during the clean-up, which went on to its end"},
        {unreachable, 2, StepOutcome::Aborted, RunVerdict::Aborted,
         "stopped by the technician during the clean-up, which was left unfinished"},
        {unheard, 0, StepOutcome::Fail, RunVerdict::Fail, "is not below the S3 threshold"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.step) + " stopped " + std::to_string(row.stops) + " times");
        ProcedureRig rig;
        // The generator off: the radio hears no level at all.
        rig.Start(rig.Check(Bench() +
                            "[[step]]\nname = \"gen\"\nkind = \"generator\"\nfrequency = \"rx\"\n"
                            "level_dbm = -47\nrf = false\n"
                            "[[step]]\nname = \"x\"\n" + row.step));
        ASSERT_TRUE(rig.RunUntil([&] { return rig.runner().cleaningUp() || rig.runner().finished(); },
                                 200000));
        for (int i = 0; i < row.stops; ++i) rig.runner().Stop();
        ASSERT_TRUE(rig.RunUntil([&] { return rig.runner().finished(); }, 30000));
        const StepRecord& step = rig.Step("x");
        EXPECT_EQ(step.outcome, row.outcome) << step.message;
        EXPECT_EQ(rig.record().verdict, row.verdict) << rig.record().endReason;
        EXPECT_NE(step.message.find(row.words), std::string::npos) << step.message;
        const qtsim::MemoryImage& radio = rig.program.radio().image();
        if (row.stops < 2) {
            EXPECT_EQ(radio.read(168), qtsim::builtin::kPowerHi);
            EXPECT_EQ(radio.read(clsIndOp_RigK52T::kRssiS3Address), qtsim::builtin::kRssiS3);
            EXPECT_EQ(radio.read(clsIndOp_RigK52T::kRssiS1Address), qtsim::builtin::kRssiS1);
        }
        EXPECT_TRUE(testing::StatementFits(step.message, {"Power(Hi)"}, radio.read(168),
                                           qtsim::builtin::kPowerHi))
            << step.message;
    }
}

// While a run drives the radio the technician's keys and buttons are refused with the reason;
// once it has ended they work again.
TEST(StationRunTest, TheConsoleIsTheRunsAloneWhileItGoes) {
    ProcedureRig rig;
    rig.technician.holdAnswers = true;
    rig.Start(rig.Check("[[step]]\nkind = \"prompt\"\ntext = \"Press OK.\"\n"));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.technician.open != nullptr; }, 200000));
    frmMain& main = rig.program.app.main();
    EXPECT_EQ(main.inputHeld(), RadioStation::kHeldReason);
    const std::size_t sent = rig.program.Settings().size();
    rig.program.SelectRow(FindRigK52TItem("Power(Hi)"));
    EXPECT_TRUE(main.OnConsoleKeyDown(kKeyRight, 0));
    EXPECT_TRUE(main.OnWindowKeyDown(kKeyF5, 0));
    main.OnMenuComPort(2);
    rig.RunUntil([] { return false; }, 1000);
    EXPECT_EQ(rig.program.Settings().size(), sent);
    EXPECT_EQ(main.ComPortNo(), 1);
    EXPECT_EQ(rig.Item("Power(Hi)"), qtsim::builtin::kPowerHi);

    rig.technician.open(procedure::Answer::Ok);
    ASSERT_TRUE(rig.RunUntil([&] { return rig.runner().finished(); }, 5000));
    EXPECT_EQ(main.inputHeld(), "");
    EXPECT_TRUE(main.OnConsoleKeyDown(kKeyRight, 0));
    ASSERT_TRUE(rig.RunUntil([&] { return rig.Item("Power(Hi)") != qtsim::builtin::kPowerHi; }, 1000));
}

}  // namespace
}  // namespace qs::whole
