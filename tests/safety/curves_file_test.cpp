// The curves file and the report's files as untrusted input: every damaged file gives a
// message that names the file or line, and the report is never made from half a connection.
#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "record/alignment_report.h"
#include "record/curve_runs.h"
#include "record/curves_file.h"
#include "safety/backup_file.h"
#include "safety/journal_file.h"
#include "safety_rig.h"

namespace qs::safety_test {
namespace {

using ::testing::HasSubstr;

const std::string kHead = std::string(kCurvesHeading) + "\n" + kCurvesFormatLine + "\n";

CurveLog SampleLog() {
    CurveLog log;
    log.readings = {{0, {ReadingGroup::Ad, 0, 191}}, {50, {ReadingGroup::Da, 8, 100}}};
    log.sweeps = {{100, {0, 0, 10}}, {150, {0, 1, 12}}};
    log.bisections = {{200, {1, 0, 20, 150}}, {250, {1, 255, 220, 150}}};
    log.results = {{160, {AutoOpKind::BandPassSweep, 0, true, 1, 1, 1}},
                   {300, {AutoOpKind::LevelAdjust, 1, false, 140, 150, 150}},
                   {400, {AutoOpKind::RssiThreshold, 0, true, 90, 90, 90}}};
    return log;
}

// SampleLog as the file holds it: one point a line, in time order.
const std::string kSampleText = kHead +
                                "reading 0 AD 0 191\n"
                                "reading 50 DA 8 100\n"
                                "sweep 100 0 0 10\n"
                                "sweep 150 0 1 12\n"
                                "result 160 BPF 0 1 1 1\n"
                                "bisection 200 1 0 20 150\n"
                                "bisection 250 1 255 220 150\n"
                                "result 300 LVA 1 FAILED 140 150\n"
                                "result 400 RSSI 0 90\n";

TEST(CurvesFileTest, TextIsOnePointALineAndReadsBackAsTheSameLog) {
    EXPECT_EQ(CurvesText(SampleLog()), kSampleText);
    CurveLog read;
    std::string error;
    ASSERT_TRUE(ParseCurves(kSampleText, read, error)) << error;
    EXPECT_EQ(CurvesText(read), kSampleText);
    ASSERT_EQ(read.readings.size(), 2u);
    EXPECT_EQ(read.readings[1].point.group, ReadingGroup::Da);
    EXPECT_EQ(read.readings[1].point.index, 8);
    EXPECT_EQ(read.bisections[1].point.value, 255);
    EXPECT_EQ(read.bisections[1].point.target, 150);
    EXPECT_EQ(read.results[1].result.kind, AutoOpKind::LevelAdjust);
    EXPECT_EQ(read.results[1].result.ok, false);
    EXPECT_EQ(read.results[1].result.value, 140);
    EXPECT_EQ(read.results[2].result.kind, AutoOpKind::RssiThreshold);
    EXPECT_EQ(read.results[2].timeMs, 400);
}

struct BadCurves {
    const char* name;
    std::string text;
    const char* message;
};

TEST(CurvesFileTest, DamagedFilesAreRefusedWithTheLineAndReason) {
    const std::vector<BadCurves> rows = {
        {"empty", "", "no heading"},
        {"other file", "Time\tItem\n", "line 1: not a curves file"},
        {"future format", std::string(kCurvesHeading) + "\nFormat: 2\n", "line 2: unknown format"},
        {"unknown kind", kHead + "noise 1 2\n", "line 3: unknown kind 'noise'"},
        {"no time", kHead + "reading x AD 0 1\n", "no time"},
        {"negative time", kHead + "reading -5 AD 0 1\n", "no time"},
        {"short reading", kHead + "reading 1 AD 0\n", "needs 5 fields, found 4"},
        {"list", kHead + "reading 1 XY 0 1\n", "not AD or DA"},
        {"AD row 5", kHead + "reading 1 AD 5 1\n", "out of range"},
        {"DA row 9", kHead + "reading 1 DA 9 1\n", "out of range"},
        {"raw 256", kHead + "reading 1 DA 0 256\n", "out of range"},
        {"filter 2", kHead + "sweep 1 2 0 0\n", "out of range"},
        {"two blanks", kHead + "sweep 1  0 0 0\n", "needs 5 fields"},
        {"bisection target", kHead + "bisection 1 0 1 1 999\n", "out of range"},
        {"result kind", kHead + "result 1 XYZ 0 1\n", "unknown operation"},
        {"LVA word", kHead + "result 1 LVA 0 MAYBE 1 1\n", "out of range"},
        {"long line", kHead + "reading 1 AD 0 " + std::string(300, '1') + "\n", "too long"},
        {"bad line before the last", kHead + "sweep 1 0 0\nreading 1 AD 0 1\n", "line 3"},
    };
    for (const BadCurves& row : rows) {
        CurveLog log;
        std::string error;
        EXPECT_FALSE(ParseCurves(row.text, log, error)) << row.name;
        EXPECT_THAT(error, HasSubstr(row.message)) << row.name;
    }
}

TEST(CurvesFileTest, OnlyALastLineCutShortIsDropped) {
    CurveLog log;
    std::string error;
    ASSERT_TRUE(ParseCurves(kHead + "reading 1 AD 0 1\nreading 2 AD", log, error)) << error;
    EXPECT_EQ(log.readings.size(), 1u);
}

TEST(CurvesFileTest, PathsBesideBackupAndJournal) {
    EXPECT_EQ(CurvesPathFor("/d/x-30170102.qsbak"), "/d/x-30170102.curves.txt");
    EXPECT_EQ(CurvesPathFor("/d/x-30170102.journal.txt"), "/d/x-30170102.curves.txt");
    EXPECT_EQ(JournalPathFor("/d/x.qsbak"), "/d/x.journal.txt");
}

TEST(CurveRunsTest, EachResultClosesTheRunOfItsItem) {
    CurveLog log;
    // T1 swept twice, the second cut short; T2 in between.
    log.sweeps = {{1, {0, 0, 5}}, {2, {0, 1, 6}}, {3, {1, 0, 7}}, {5, {0, 0, 8}}};
    log.results = {{2, {AutoOpKind::BandPassSweep, 0, true, 1, 1, 1}},
                   {3, {AutoOpKind::BandPassSweep, 1, true, 0, 0, 0}}};
    const std::vector<SweepRun> runs = SweepRuns(log);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0].points.size(), 2u);
    EXPECT_TRUE(runs[0].result.has_value());
    EXPECT_EQ(runs[1].filter, 1);
    EXPECT_TRUE(runs[1].result.has_value());
    EXPECT_EQ(runs[2].points.size(), 1u);
    EXPECT_FALSE(runs[2].result.has_value());
}

// The three files of a connection written by hand.
class ReportFiles : public ::testing::Test {
protected:
    void SetUp() override {
        BackupRecord record;
        record.modelCode = "3017";
        record.subCode = "0102";
        record.identification = Bytes{0xEF, 0xEE, 0xE1};
        record.dateTime = "2026-12-07 10:46:02";
        record.image = Bytes(kBackupImageBytes, 0);
        record.image[168] = 200;
        Write(backup, BackupText(record));
        Write(JournalPathFor(backup), std::string(kJournalHeading) +
                                          "\n2026-12-07 10:46:05\tPower(Hi)\t200\t202\t093841\n");
        Write(CurvesPathFor(backup), kHead + "reading 0 AD 0 191\n");
    }
    static void Write(const std::string& path, const std::string& text) {
        std::ofstream(path, std::ios::binary) << text;
    }
    TempFolder folder;
    std::string backup = folder.path() + "/20261207-104602-30170102.qsbak";
};

TEST_F(ReportFiles, ReportMarksTheChangedItem) {
    AlignmentReport report;
    std::string error;
    ASSERT_TRUE(BuildAlignmentReport(backup, report, error)) << error;
    ASSERT_FALSE(report.items.empty());
    EXPECT_EQ(report.items[0].item, "Power(Hi)");
    EXPECT_EQ(report.items[0].atConnect, "200");
    EXPECT_EQ(report.items[0].atEnd, "202");
    EXPECT_TRUE(report.items[0].changed);
    EXPECT_EQ(report.identificationHex, "EFEEE1");
    EXPECT_EQ(report.lastAd.size(), 1u);
}

TEST_F(ReportFiles, AConnectionWithoutCurvesStillGivesAReport) {
    std::filesystem::remove(CurvesPathFor(backup));
    AlignmentReport report;
    std::string error;
    ASSERT_TRUE(BuildAlignmentReport(backup, report, error)) << error;
    EXPECT_TRUE(report.curvesPath.empty());
    EXPECT_TRUE(report.operations.empty());
}

TEST_F(ReportFiles, DamagedOrMissingFilesGiveAMessage) {
    struct Row {
        const char* name;
        std::function<void()> damage;
        const char* message;
    };
    const std::vector<Row> rows = {
        {"no journal", [&] { std::filesystem::remove(JournalPathFor(backup)); },
         "has no journal"},
        {"journal heading", [&] { Write(JournalPathFor(backup), "Power\n"); },
         "not an adjustment journal"},
        {"journal line",
         [&] { Write(JournalPathFor(backup), std::string(kJournalHeading) + "\nx\ty\n\n"); },
         "line 2 is not a journal entry"},
        {"empty journal", [&] { Write(JournalPathFor(backup), ""); }, "empty"},
        {"curves", [&] { Write(CurvesPathFor(backup), kHead + "reading 0 AD 9 9\n"); },
         "line 3"},
        {"backup checksum",
         [&] {
             std::ifstream in(backup);
             std::string text((std::istreambuf_iterator<char>(in)), {});
             text[text.find("0000: ") + 6] = '1';
             Write(backup, text);
         },
         "checksum"},
        {"no backup", [&] { std::filesystem::remove(backup); }, "Cannot open"},
    };
    for (const Row& row : rows) {
        SetUp();
        row.damage();
        AlignmentReport report;
        std::string error;
        EXPECT_FALSE(BuildAlignmentReport(backup, report, error)) << row.name;
        EXPECT_THAT(error, HasSubstr(row.message)) << row.name;
    }
}

}  // namespace
}  // namespace qs::safety_test
