// The runs file beside a connection's backup: a run written and read back is the same run,
// whatever its texts hold; a file that is not ours is refused, never overwritten.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "record/run_record_file.h"

namespace qs {
namespace {

RunRecord SampleRun() {
    RunRecord run;
    run.procedureTitle = "Alignment \"quoted\" ± 5 %";
    run.procedureFile = "/shop/procedures/align.toml";
    run.technician = "Zoë O'Brien";
    run.serialNumber = "SN\t12\n34";  // control characters from a label reader
    run.workOrder = "WO-77";
    run.bench = "bench \"2\"";
    run.procedureChecksum = "0A1B2C3D";
    run.instruments = {{"generator", "TCPIP::127.0.0.1::5025::SOCKET", "Maker,SG-1,7,1.0",
                        "2027-03-01"},
                       {"power_meter", "ASRL/dev/ttyUSB0::INSTR", "", ""}};
    run.modelCode = "3017";
    run.subCode = "0102";
    run.backupPath = "/b/x.qsbak";
    run.started = "2026-12-07 10:46:02";
    run.ended = "2026-12-07 10:48:30";
    run.durationMs = 148000;
    run.verdict = RunVerdict::Fail;
    run.endReason = "step 2 failed";
    run.notes = {"Generator RF switched off at the end."};
    StepRecord check;
    check.number = 1;
    check.title = "Supply voltage";
    check.kind = "check";
    check.outcome = StepOutcome::Pass;
    check.limits = StepLimits{7.0, 8.0, "V", "7 to 8 V"};
    check.measured = SeenValue{"VIN", "7.49V", 7.49, "V"};
    check.values = {*check.measured};
    check.started = run.started;
    check.startMs = 12;
    check.durationMs = 400;
    StepRecord adjust;
    adjust.number = 2;
    adjust.title = "High power";
    adjust.kind = "adjust";
    adjust.continueOnFail = true;
    adjust.outcome = StepOutcome::Fail;
    adjust.message = "Power(Hi) reached its limit";
    adjust.limits = StepLimits{std::nullopt, 5.6, "W", "at most 5.6 W"};
    adjust.values = {{"Power(Hi)", "255", 255.0, ""}, {"generator RF", "on", std::nullopt, ""}};
    adjust.startMs = 500;
    StepRecord skipped;
    skipped.number = 3;
    skipped.title = "Not reached";
    skipped.kind = "wait";
    skipped.message = "not run";
    run.steps = {check, adjust, skipped};
    run.pace = {123456, 9600, 4200, 21, 35, 2000};
    return run;
}

TEST(RunRecordFileTest, ARunReadsBackAsItWasWritten) {
    std::vector<RunRecord> runs{SampleRun(), RunRecord{}};
    runs[1].inProgress = true;
    std::vector<RunRecord> back;
    std::string error;
    std::vector<RunRecord> expected = runs;
    expected[1].steps.clear();
    ASSERT_TRUE(ParseRuns(RunsText(runs), "x.runs.toml", back, error)) << error;
    EXPECT_EQ(back, expected);
    // 128600 ms of line, less 284 ms that the 21 commands' own frames spent inside their
    // waits, plus the waits, the instruments and the technician.
    EXPECT_EQ(back[0].pace.LeastMs(), 134551);
}

// The least a run could take, worked out by hand for lines of a few shapes.
TEST(RunRecordFileTest, TheLeastTimeOfARun) {
    struct Row {
        const char* name;
        RunPace pace;
        std::int64_t leastMs;
    };
    const Row rows[] = {
        // 960 bytes at 9600 bit/s are one second; nothing else.
        {"line only", {960, 9600, 0, 0, 0, 0}, 1000},
        // Two 13-byte commands at 9600 bit/s: 27 ms of line inside their 400 ms of waits.
        {"commands inside their waits", {26, 9600, 400, 2, 0, 0}, 400},
        // A fast line: 115200 bit/s moves 11520 bytes a second; instruments and prompts add.
        {"fast line", {11520, 115200, 0, 0, 250, 3000}, 4250},
        // No line speed known: only what was waited for.
        {"no speed", {5000, 0, 200, 1, 30, 40}, 270},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(row.pace.LeastMs(), row.leastMs) << row.name;
    }
}

TEST(RunRecordFileTest, TheJsonHasTheSameKeys) {
    const std::string json = RunRecordJson(SampleRun());
    for (const char* part : {"\"verdict\" : \"FAIL\"", "\"technician\" : \"Zo\xc3\xab O'Brien\"",
                             "\"serialNumber\" : \"SN\\t12\\n34\"", "\"outcome\" : \"pass\"",
                             "\"leastMs\" : ", "\"measured\" : {"}) {
        EXPECT_NE(json.find(part), std::string::npos) << part << "\n" << json;
    }
}

TEST(RunRecordFileTest, WhatIsNotARunsFileIsRefused) {
    struct Row {
        const char* name;
        std::string text;
        const char* error;
    };
    const Row rows[] = {
        {"not TOML", "this is = = not", "x.runs.toml:1:"},
        {"no format", "[[run]]\nverdict = \"PASS\"\n", "not a runs file"},
        {"another format", "format = 2\n", "not a runs file"},
        {"a run without verdict", "format = 1\n[[run]]\ntechnician = \"A\"\n", "no verdict"},
        {"a step without outcome",
         "format = 1\n[[run]]\nverdict = \"PASS\"\n[[run.step]]\nnumber = 1\n", "no outcome"},
        {"a run that is no table", "format = 1\nrun = [1, 2]\n", "not a table"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<RunRecord> runs;
        std::string error;
        EXPECT_FALSE(ParseRuns(row.text, "x.runs.toml", runs, error));
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
    }
    std::vector<RunRecord> runs;
    std::string error;
    EXPECT_TRUE(ParseRuns("format = 1\n", "x", runs, error)) << error;
    EXPECT_TRUE(runs.empty());
}

TEST(RunRecordFileTest, StoreKeepsEarlierRunsAndRefusesAForeignFile) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("qs-runs-" + std::to_string(::getpid()) + ".toml");
    std::filesystem::remove(path);
    RunRecord first = SampleRun();
    RunRecord second = SampleRun();
    second.technician = "B";
    int firstSlot = -1;
    int secondSlot = -1;
    std::string error;
    ASSERT_TRUE(StoreRun(path.string(), first, firstSlot, error)) << error;
    ASSERT_TRUE(StoreRun(path.string(), second, secondSlot, error)) << error;
    first.verdict = RunVerdict::Pass;
    ASSERT_TRUE(StoreRun(path.string(), first, firstSlot, error)) << error;
    EXPECT_EQ(firstSlot, 0);
    EXPECT_EQ(secondSlot, 1);
    std::vector<RunRecord> runs;
    ASSERT_TRUE(ReadRunsFile(path.string(), runs, error)) << error;
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].verdict, RunVerdict::Pass);
    EXPECT_EQ(runs[1].technician, "B");

    { std::ofstream(path) << "somebody else's notes\n"; }
    int slot = -1;
    EXPECT_FALSE(StoreRun(path.string(), first, slot, error));
    std::ifstream in(path);
    std::string kept;
    std::getline(in, kept);
    EXPECT_EQ(kept, "somebody else's notes");
    std::filesystem::remove(path);
}

}  // namespace
}  // namespace qs
