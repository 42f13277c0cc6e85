// A whole connection against the virtual radio with the curve recorder on the model: an
// adjustment, a band-pass sweep and a level adjustment that cannot reach its target. What the
// charts get must be what the radio answered, and the report made later from the files alone
// must agree with the journal.
#include <filesystem>
#include <fstream>
#include <map>
#include <tuple>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builtin_image.h"
#include "link/hex_text.h"
#include "record/alignment_report.h"
#include "record/bench_journal.h"
#include "record/curve_recorder.h"
#include "record/curves_file.h"
#include "record/report_html.h"
#include "safety/backup_file.h"
#include "safety/journal_file.h"
#include "safety_rig.h"
#include "shell/main_window.h"

namespace qs::safety_test {
namespace {

namespace builtin = qtsim::builtin;
using ::testing::HasSubstr;
using ::testing::Not;

constexpr int kPowerHiRow = 1;
constexpr int kBpfT1Row = 10;
constexpr int kRxLvaRow = 12;
constexpr int kRxTargetRow = 14;
constexpr int kUnreachableTarget = 230;  // the bench's LVIN tops out at 220

// The reading values the radio put on the line, in order: E8 answers to command 03.
std::vector<int> RadioReadings(const std::vector<std::string>& log) {
    const std::string prefix = "radio -> program: ";
    std::vector<int> values;
    for (const std::string& line : log) {
        if (line.rfind(prefix, 0) != 0) continue;
        const Bytes frame = HexTextToBytes([&] {
            std::string hex;
            for (char c : line.substr(prefix.size()))
                if (c != ' ') hex += c;
            return hex;
        }());
        if (frame.size() != 13 || frame[4] != 0xE8 || frame[9] != 0x03) continue;
        values.push_back(HexDigitValue(frame[10]) * 16 + HexDigitValue(frame[11]));
    }
    return values;
}

class AlignmentSession : public ::testing::Test {
protected:
    void SetUp() override {
        rig.app().model().setOperationObserver(&recorder);
        ASSERT_TRUE(rig.Connect());
        rig.Step(kPowerHiRow, 2);
        rig.RunFor(10);
        RunEnterOn(kBpfT1Row);
        rig.Step(kRxTargetRow, kUnreachableTarget - builtin::kRxLevelTarget);
        RunEnterOn(kRxLvaRow);
        rig.RunFor(10);
    }
    void TearDown() override { rig.app().model().setOperationObserver(nullptr); }

    void RunEnterOn(int row) {
        rig.win.lboConsole.setListIndex(row);
        if (!rig.app().main().OnWindowKeyDown(kKeyEnter, 0))
            rig.app().main().OnConsoleKeyDown(kKeyEnter, 0);
        ASSERT_TRUE(rig.RunUntil([&] { return rig.app().model().opState() != 0; }, 20));
        ASSERT_TRUE(rig.RunUntil([&] { return rig.app().model().opState() == 0; }, 20000));
    }

    TempFolder folder;
    SafetyRig rig{folder.path()};
    CurveRecorder recorder{rig.clock, [this] { return rig.net().journalPath(); }};
};

TEST_F(AlignmentSession, EveryChartPointIsAReadingTheRadioSent) {
    const CurveLog& log = recorder.log();
    std::vector<int> charted;
    for (const TimedReading& r : log.readings) charted.push_back(r.point.raw);
    EXPECT_EQ(charted, RadioReadings(rig.radioLog));
    ASSERT_FALSE(log.sweeps.empty());
    ASSERT_FALSE(log.bisections.empty());
    // Each sweep step is the detector at that filter value, each bisection step the LVIN.
    for (const TimedSweep& s : log.sweeps) {
        EXPECT_EQ(s.point.level, rig.radio().bench().detector(s.point.value, builtin::kBpfT2))
            << s.point.value;
    }
    for (const TimedBisection& b : log.bisections) {
        EXPECT_EQ(b.point.level, rig.radio().bench().levelInput(b.point.value)) << b.point.value;
        EXPECT_EQ(b.point.target, kUnreachableTarget);
    }
    // Times never go backwards.
    for (std::size_t i = 1; i < log.readings.size(); ++i)
        EXPECT_LE(log.readings[i - 1].timeMs, log.readings[i].timeMs);
}

TEST_F(AlignmentSession, ResultsAreTheSweepCentreAndTheFailedAdjustment) {
    const CurveLog& log = recorder.log();
    ASSERT_EQ(log.results.size(), 2u);
    const AutoOpResult& sweep = log.results[0].result;
    EXPECT_EQ(sweep.kind, AutoOpKind::BandPassSweep);
    EXPECT_EQ(sweep.value, 64);
    EXPECT_EQ(sweep.value, rig.app().console().Value(kBpfT1Row));
    const AutoOpResult& level = log.results[1].result;
    EXPECT_EQ(level.kind, AutoOpKind::LevelAdjust);
    EXPECT_FALSE(level.ok);
    EXPECT_EQ(level.value, builtin::kRxLva);
    EXPECT_EQ(level.first, kUnreachableTarget);
}

// The same points in the same order, each compared by the fields `key` gives.
template <typename Point, typename Key>
void ExpectSamePoints(const std::vector<Point>& read, const std::vector<Point>& kept, Key key) {
    ASSERT_EQ(read.size(), kept.size());
    for (std::size_t i = 0; i < kept.size(); ++i)
        EXPECT_TRUE(key(read[i]) == key(kept[i])) << "point " << i;
}

TEST_F(AlignmentSession, CurvesFileBesideTheJournalReadsBackAsTheLog) {
    const std::string path = CurvesPathFor(rig.net().journalPath());
    EXPECT_EQ(recorder.filePath(), path);
    CurveLog read;
    std::string error;
    ASSERT_TRUE(ReadCurvesFile(path, read, error)) << error;
    // Point for point what the recorder kept in memory.
    const CurveLog& kept = recorder.log();
    ExpectSamePoints(read.readings, kept.readings, [](const TimedReading& r) {
        return std::tuple(r.timeMs, r.point.group, r.point.index, r.point.raw);
    });
    ExpectSamePoints(read.sweeps, kept.sweeps, [](const TimedSweep& s) {
        return std::tuple(s.timeMs, s.point.filter, s.point.value, s.point.level);
    });
    ExpectSamePoints(read.bisections, kept.bisections, [](const TimedBisection& b) {
        return std::tuple(b.timeMs, b.point.item, b.point.value, b.point.level, b.point.target);
    });
    ExpectSamePoints(read.results, kept.results, [](const TimedResult& r) {
        return std::tuple(r.timeMs, r.result.kind, r.result.item, r.result.ok, r.result.value);
    });
}

TEST_F(AlignmentSession, ReportFromTheFilesAgreesWithTheJournal) {
    AlignmentReport report;
    std::string error;
    ASSERT_TRUE(BuildAlignmentReport(rig.net().backupPath(), report, error)) << error;
    const std::vector<JournalEntry> journal = ReadJournalFile(rig.net().journalPath());
    std::map<std::string, std::pair<std::string, std::string>> firstOldLastNew;
    for (const JournalEntry& e : journal) {
        auto [it, added] = firstOldLastNew.try_emplace(e.item, e.oldValue, e.newValue);
        if (!added) it->second.second = e.newValue;
    }
    int rowsInJournal = 0;
    for (const ReportItemRow& row : report.items) {
        const auto it = firstOldLastNew.find(row.item);
        if (it == firstOldLastNew.end()) {
            EXPECT_EQ(row.atEnd, row.atConnect) << row.item;
            EXPECT_FALSE(row.changed) << row.item;
            continue;
        }
        ++rowsInJournal;
        if (it->second.first != "-") {
            EXPECT_EQ(row.atConnect, it->second.first) << row.item;
        }
        EXPECT_EQ(row.atEnd, it->second.second) << row.item;
        EXPECT_EQ(row.changed, row.atEnd != row.atConnect) << row.item;
    }
    EXPECT_GE(rowsInJournal, 3);  // Power(Hi), BPF T1, RX LVA
    auto row = [&](const std::string& item) {
        for (const ReportItemRow& r : report.items)
            if (r.item == item) return r;
        return ReportItemRow{};
    };
    EXPECT_EQ(row("Power(Hi)").atEnd, std::to_string(builtin::kPowerHi + 2));
    EXPECT_TRUE(row("Power(Hi)").changed);
    EXPECT_EQ(row("BPF T1").atConnect, std::to_string(builtin::kBpfT1));
    EXPECT_EQ(row("BPF T1").atEnd, "64");
    EXPECT_FALSE(row("RX LVA").changed);  // restored after the failure
    EXPECT_EQ(report.journal, journal);
    ASSERT_EQ(report.sweeps.size(), 1u);
    ASSERT_EQ(report.bisections.size(), 1u);
    EXPECT_EQ(report.sweeps[0].points.size(), recorder.log().sweeps.size());
    EXPECT_EQ(report.lastAd.size(), 4u);
    EXPECT_EQ(report.lastDa.size(), 9u);

    const std::string html = AlignmentReportHtml(report);
    BackupRecord backup;
    ASSERT_TRUE(ReadBackupFile(rig.net().backupPath(), backup, error)) << error;
    EXPECT_THAT(html, HasSubstr(GroupedHex(BytesToHexText(backup.identification))));
    EXPECT_THAT(html, HasSubstr("<td width=\"7%\">" + std::to_string(builtin::kPowerHi) +
                                "</td><td width=\"6%\"><b>" +
                                std::to_string(builtin::kPowerHi + 2) + "</b>"));
    EXPECT_THAT(html, HasSubstr("Band-pass sweep BPF T1: centre 64"));
    EXPECT_THAT(html, HasSubstr("Automatic adjustment RX LVA: FAILED"));
    EXPECT_THAT(html, HasSubstr("FAILED: target out of reach"));  // in the chart
    EXPECT_EQ(html.find("<img"), std::string::npos);               // self-contained
    EXPECT_EQ(html.find("src="), std::string::npos);
    // A connection without the bench has no part for it.
    EXPECT_TRUE(report.bench.empty());
    EXPECT_EQ(html.find("Bench instruments"), std::string::npos);
}

// The bench's settings and readings beside the adjustment commands: in the journal in time
// order, in the report in a part of their own, never among the items or the adjustments.
TEST_F(AlignmentSession, BenchLinesKeepToTheirOwnPartOfTheReport) {
    using instruments::BenchEvent;
    using instruments::Purpose;
    AlignmentReport before;
    std::string error;
    ASSERT_TRUE(BuildAlignmentReport(rig.net().backupPath(), before, error)) << error;

    const std::string address = "TCPIP::10.0.0.5::5025::SOCKET";
    const std::string identity = "Bench Works,SM-1,0001,1.0";
    const instruments::Measurement watt{instruments::Quantity::Power, 4.92, "W"};
    auto event = [&](BenchEvent::Kind kind, instruments::Role role, std::string what) {
        BenchEvent e;
        e.kind = kind;
        e.role = role;
        e.address = address;
        e.what = std::move(what);
        return e;
    };
    BenchJournal bench(rig.net(), rig.wall);
    bench.Record(event(BenchEvent::Kind::Setting, instruments::Role::Generator, "level -47 dBm"),
                 identity);
    BenchEvent live = event(BenchEvent::Kind::Reading, instruments::Role::PowerMeter, "power");
    live.reading = watt;
    live.purpose = Purpose::Watch;
    bench.Record(live, identity);  // a live display's poll: not kept
    BenchEvent power = live;
    power.purpose = Purpose::Record;
    bench.Record(power, identity);
    BenchEvent failed =
        event(BenchEvent::Kind::Reading, instruments::Role::ModulationMeter, "deviation");
    failed.failure = instruments::InstrumentError{instruments::Fault::NoAnswer,
                                                  address + ": no answer to MEAS:FM:DEV?"};
    bench.Record(failed, identity);
    // An item's title and value in the text take nothing for an adjustment.
    bench.Record(event(BenchEvent::Kind::Setting, instruments::Role::Generator, "Power(Hi)"),
                 identity);

    const std::string time = DateTimeText(rig.wall.now);
    std::vector<std::string> lines;
    std::ifstream in(rig.net().journalPath());
    for (std::string line; std::getline(in, line);) {
        if (line.find("\tbench ") != std::string::npos) lines.push_back(line);
    }
    EXPECT_EQ(lines, (std::vector<std::string>{
                         time + "\tbench generator\t-\tidentity " + identity + "\t" + address,
                         time + "\tbench generator\t-\tlevel -47 dBm\t" + address,
                         time + "\tbench power_meter\t-\tpower 4.92 W\t" + address,
                         time + "\tbench modulation_meter\t-\tdeviation FAILED: " + address +
                             ": no answer to MEAS:FM:DEV?\t" + address,
                         time + "\tbench generator\t-\tPower(Hi)\t" + address,
                     }));

    AlignmentReport report;
    ASSERT_TRUE(BuildAlignmentReport(rig.net().backupPath(), report, error)) << error;
    EXPECT_EQ(report.journal, before.journal);
    ASSERT_EQ(report.items.size(), before.items.size());
    for (std::size_t i = 0; i < report.items.size(); ++i) {
        EXPECT_EQ(report.items[i].atEnd, before.items[i].atEnd) << report.items[i].item;
        EXPECT_EQ(report.items[i].changed, before.items[i].changed) << report.items[i].item;
    }
    EXPECT_EQ(report.bench.size(), 5u);
    EXPECT_EQ(report.instruments,
              (std::vector<ReportInstrument>{{"Generator", address, identity},
                                             {"Power meter", address, identity},
                                             {"Modulation meter", address, identity}}));
    const std::string html = AlignmentReportHtml(report, ReportDetail::Full);
    EXPECT_THAT(html, HasSubstr("<h2>Bench instruments</h2>"));
    EXPECT_THAT(html, HasSubstr(">Power meter</td><td width=\"30%\">power 4.92 W</td>"));
    // The summary names the instruments but leaves their settings and readings out.
    EXPECT_THAT(AlignmentReportHtml(report), Not(HasSubstr("power 4.92 W")));
    EXPECT_THAT(html, HasSubstr("<font color=\"#b00000\"><b>deviation FAILED: "));
}

TEST(CurveRecorderTest, ANewConnectStartsANewLogAndANewFile) {
    TempFolder folder;
    SafetyRig rig(folder.path());
    CurveRecorder recorder(rig.clock, [&] { return rig.net().journalPath(); });
    rig.app().model().setOperationObserver(&recorder);
    ASSERT_TRUE(rig.Connect());
    const std::size_t cycle = recorder.log().readings.size();
    rig.app().main().OnWindowKeyDown(kKeyF5, 0);  // one more round of readings
    rig.RunFor(200);
    const std::string first = recorder.filePath();
    const std::size_t firstReadings = recorder.log().readings.size();
    ASSERT_GT(firstReadings, cycle);
    ASSERT_TRUE(rig.Connect());
    EXPECT_EQ(recorder.connectionNumber(), 2);
    EXPECT_NE(recorder.filePath(), first);
    EXPECT_EQ(recorder.log().readings.size(), cycle);
    rig.app().model().setOperationObserver(nullptr);
}

}  // namespace
}  // namespace qs::safety_test

namespace qs::safety_test {
namespace {

TEST(CurveRecorderTest, EachCapturedRssiThresholdIsAResultWithTheDetectorReading) {
    constexpr int kRssiRow = 16;
    TempFolder folder;
    SafetyRig rig(folder.path());
    CurveRecorder recorder(rig.clock, [&] { return rig.net().journalPath(); });
    rig.app().model().setOperationObserver(&recorder);
    ASSERT_TRUE(rig.Connect());
    auto enter = [&] {
        rig.win.lboConsole.setListIndex(kRssiRow);
        if (!rig.app().main().OnWindowKeyDown(kKeyEnter, 0))
            rig.app().main().OnConsoleKeyDown(kKeyEnter, 0);
    };
    enter();
    rig.RunFor(20);
    enter();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.app().model().rssiS1Pass(); }, 100));
    rig.RunFor(10);
    enter();
    ASSERT_TRUE(rig.RunUntil([&] { return rig.app().model().opState() == 0; }, 100));
    const int sd = rig.radio().bench().detector(qtsim::builtin::kBpfT1, qtsim::builtin::kBpfT2);
    ASSERT_EQ(recorder.log().results.size(), 2u);
    EXPECT_EQ(recorder.log().results[0].result.kind, AutoOpKind::RssiThreshold);
    EXPECT_EQ(recorder.log().results[0].result.item, 0);  // S3 first
    EXPECT_EQ(recorder.log().results[1].result.item, 1);
    EXPECT_EQ(recorder.log().results[0].result.value, sd);
    EXPECT_EQ(rig.radio().image().read(170), sd);
    rig.app().model().setOperationObserver(nullptr);

    AlignmentReport report;
    std::string error;
    ASSERT_TRUE(BuildAlignmentReport(rig.net().backupPath(), report, error)) << error;
    ASSERT_EQ(report.operations.size(), 2u);
    EXPECT_THAT(report.operations[0],
                HasSubstr("RSSI S3 threshold captured: " + std::to_string(sd)));
    for (const ReportItemRow& row : report.items) {
        if (row.item == "RSSI S3 Level") {
            EXPECT_EQ(row.atEnd, std::to_string(sd));
        }
    }
}

}  // namespace
}  // namespace qs::safety_test
