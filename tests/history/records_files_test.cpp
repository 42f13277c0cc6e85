// The records against the files: a whole connection against the virtual radio writes its
// backup, journal and curves; the records made from them (by the import, and by the writer as
// a connection goes) hold every journal line and item value, and give the same report. Then
// the import of a folder with good, unreadable and orphaned files, run twice.
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "builtin_image.h"
#include "console/console.h"
#include "history/backup_import.h"
#include "history/connection_file.h"
#include "history/history_lookup.h"
#include "history/interrupted_runs.h"
#include "history/record_report.h"
#include "history/record_rows.h"
#include "history/records_file.h"
#include "history/records_query.h"
#include "history/records_schema.h"
#include "history/records_writer.h"
#include "history/run_steps.h"
#include "history/service_records.h"
#include "link/hex_text.h"
#include "record/curve_recorder.h"
#include "record/curves_file.h"
#include "record/report_html.h"
#include "record/run_in_progress.h"
#include "record/run_record_file.h"
#include "records_test_support.h"
#include "safety/backup_file.h"
#include "shell/main_window.h"

namespace qs::records_test {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

constexpr int kPowerHiRow = 1;
constexpr int kBpfT1Row = 10;
constexpr int kRxLvaRow = 12;

// One connection with an adjustment, a band-pass sweep and a level adjustment, its files in a
// backups folder of its own.
class RecordedSession : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(backups);
        rig.app().model().setOperationObserver(&recorder);
        ASSERT_TRUE(rig.Connect());
        rig.Step(kPowerHiRow, 3);
        rig.RunFor(10);
        RunEnterOn(kBpfT1Row);
        RunEnterOn(kRxLvaRow);
        rig.Step(kPowerHiRow, -1);
        rig.RunFor(10);
        rig.app().model().setOperationObserver(nullptr);
    }

    void RunEnterOn(int row) {
        rig.win.lboConsole.setListIndex(row);
        if (!rig.app().main().OnWindowKeyDown(kKeyEnter, 0))
            rig.app().main().OnConsoleKeyDown(kKeyEnter, 0);
        ASSERT_TRUE(rig.RunUntil([&] { return rig.app().model().opState() != 0; }, 20));
        ASSERT_TRUE(rig.RunUntil([&] { return rig.app().model().opState() == 0; }, 20000));
    }

    std::unique_ptr<ISqlConnection> Records() {
        LocalRecordsOpening opening;
        auto db = OpenLocalRecords(Connector(), folder.path() + "/records.sqlite", wall, opening);
        EXPECT_TRUE(db) << opening.message;
        return db;
    }

    // Every journal line and every item value of the files is in the record, equal.
    void ExpectRecordHoldsTheFiles(const ConnectionRecord& record) {
        const std::vector<JournalEntry> journal = ReadJournalFile(rig.net().journalPath());
        ASSERT_GE(journal.size(), 10u);
        EXPECT_EQ(record.journal, journal);

        AlignmentReport fromFiles;
        std::string error;
        ASSERT_TRUE(BuildAlignmentReport(rig.net().backupPath(), fromFiles, error)) << error;
        const AlignmentReport fromRecords = ReportFromRecord(record);
        ASSERT_EQ(fromRecords.items.size(), fromFiles.items.size());
        for (std::size_t i = 0; i < fromFiles.items.size(); ++i) {
            EXPECT_EQ(fromRecords.items[i].item, fromFiles.items[i].item);
            EXPECT_EQ(fromRecords.items[i].atConnect, fromFiles.items[i].atConnect)
                << fromFiles.items[i].item;
            EXPECT_EQ(fromRecords.items[i].atEnd, fromFiles.items[i].atEnd)
                << fromFiles.items[i].item;
        }
        for (const ItemValue& item : record.items) {
            const auto row =
                std::find_if(fromFiles.items.begin(), fromFiles.items.end(),
                             [&](const ReportItemRow& r) { return r.item == item.item; });
            ASSERT_NE(row, fromFiles.items.end()) << item.item;
            EXPECT_EQ(item.atConnect, row->atConnect) << item.item;
            EXPECT_EQ(item.atEnd, row->atEnd) << item.item;
        }
        EXPECT_EQ(CurvesText(record.curves), CurvesText(recorder.log()));
        // The whole report, charts included, is the same whichever source it came from.
        EXPECT_EQ(AlignmentReportHtml(fromRecords),
                  AlignmentReportHtml(fromFiles));
    }

    TempFolder folder;
    std::string backups = folder.path() + "/backups";
    safety_test::SafetyRig rig{backups};
    CurveRecorder recorder{rig.clock, [this] { return rig.net().journalPath(); }};
    FixedWallClock wall;
};

TEST_F(RecordedSession, TheImportedRecordsHoldEveryJournalLineAndItemValueOfTheFiles) {
    auto db = Records();
    const ImportResult result =
        ImportBackupFolder(*std::make_unique<RecordsStore>(*db), backups, "bench-1");
    ASSERT_TRUE(result.status.ok()) << result.status.message;
    EXPECT_EQ(result.imported, 1);
    EXPECT_TRUE(result.skipped.empty());
    std::vector<ConnectionInfo> found;
    ASSERT_TRUE(FindConnections(*db, {}, found).ok());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].state, ConnectionState::Imported);
    EXPECT_EQ(found[0].backupPath, rig.net().backupPath());
    EXPECT_EQ(found[0].bench, "bench-1");
    // The backup's local date and time, as seconds, for searches by date range.
    EXPECT_EQ(DateTimeText(found[0].startedAt), found[0].startedLocal);
    EXPECT_EQ(found[0].startedAt, rig.wall.now);
    ExpectRecordHoldsTheFiles(Load(*db, found[0].uid));
}

TEST_F(RecordedSession, TheWriterFedAsTheConnectionWentHoldsTheSame) {
    BackupRecord backup;
    std::string error;
    ASSERT_TRUE(ReadBackupFile(rig.net().backupPath(), backup, error)) << error;
    CountingRandom random;
    const std::string path = folder.path() + "/records.sqlite";
    std::string uid;
    {
        RecordsWriter writer(Connector(), path, random, wall);
        // What a program recording live has at Connect: the backup it just saved.
        ConnectionRecord start = RecordOfBackup(backup, rig.net().backupPath(), "bench-1");
        start.info.uid.clear();
        start.info.programVersion = "1.0";
        for (ItemValue& item : start.items)
            item.atEnd.clear();
        uid = writer.BeginConnection(start.info, start.items);
        for (const JournalEntry& e : ReadJournalFile(rig.net().journalPath()))
            writer.AddJournalEntry(e);
        const CurveLog& log = recorder.log();
        for (const TimedReading& r : log.readings)
            writer.AddReading(r);
        for (const TimedSweep& s : log.sweeps)
            writer.AddSweepStep(s);
        for (const TimedBisection& b : log.bisections)
            writer.AddBisectionStep(b);
        for (const TimedResult& r : log.results)
            writer.AddResult(r);
        // At the end, the console's own values as the radio was left.
        std::vector<ItemValue> atEnd;
        const clsConsole& console = rig.app().console();
        for (std::int16_t i = 0; i < console.ListCount(); ++i) {
            std::string title = console.Title(i);
            title.erase(0, title.find_first_not_of(' '));
            atEnd.push_back({title, "", std::to_string(console.Value(i))});
        }
        writer.EndConnection(wall.now + 60, atEnd, "");
    }
    auto db = OpenSqlite(path);
    const ConnectionRecord record = Load(*db, uid);
    EXPECT_EQ(record.info.state, ConnectionState::Finished);
    ExpectRecordHoldsTheFiles(record);

    // A folder imported after the same connection was recorded live doubles nothing.
    RecordsStore store(*db);
    const ImportResult result = ImportBackupFolder(store, backups, "bench-1");
    EXPECT_EQ(result.imported, 0);
    EXPECT_EQ(result.alreadyThere, 1);
    EXPECT_EQ(CountRows(*db, "connections"), 1);
}

// The same session with the service records hooked in as the program hooks them: fed by the
// safety net and the curve recorder alone, ended as a program ends it.
class HookedSession : public RecordedSession {
protected:
    void SetUp() override {
        fs::create_directories(backups);
        records = std::make_unique<ServiceRecords>(
            Connector(), random, wall, ServiceRecordsSetup{backups, "bench-1", "1.0", {}, nullptr},
            [this](const std::string& text) {
                std::lock_guard<std::mutex> lock(mutex);
                notices.push_back(text);
            });
        rig.net().setFilesObserver(records.get());
        recorder.setObserver(records.get());
        RecordedSession::SetUp();
        records->EndConnection();
        records->Flush();
    }
    void TearDown() override {
        rig.net().setFilesObserver(nullptr);
        recorder.setObserver(nullptr);
    }

    CountingRandom random;
    std::unique_ptr<ServiceRecords> records;
    std::mutex mutex;
    std::vector<std::string> notices;
};

TEST_F(HookedSession, EveryJournalLineItemValueAndCurvePointIsInTheRecordsAsInTheFiles) {
    auto db = Records();
    std::vector<ConnectionInfo> found;
    ASSERT_TRUE(FindConnections(*db, {}, found).ok());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].state, ConnectionState::Finished);
    EXPECT_EQ(found[0].bench, "bench-1");
    EXPECT_EQ(found[0].programVersion, "1.0");
    EXPECT_EQ(found[0].backupPath, rig.net().backupPath());
    EXPECT_EQ(found[0].endedAt, wall.now);
    ExpectRecordHoldsTheFiles(Load(*db, found[0].uid));
    std::lock_guard<std::mutex> lock(mutex);
    EXPECT_TRUE(notices.empty()) << notices.front();
}

// Every row of the records as text, connections by their ID rather than their number (which
// a rebuilt file may give out in another order).
std::vector<std::string> EveryRow(ISqlConnection& db) {
    auto text = [](const SqlValue& v) {
        if (const auto* d = std::get_if<double>(&v)) return "r" + std::to_string(*d);
        return std::holds_alternative<std::monostate>(v) ? std::string("NULL") : TextOf(v);
    };
    std::vector<std::string> lines;
    auto add = [&](const std::string& table, const std::string& sql) {
        std::vector<SqlRow> rows;
        EXPECT_TRUE(db.Execute(sql, {}, &rows).ok()) << sql;
        for (const SqlRow& row : rows) {
            std::string line = table;
            for (const SqlValue& v : row)
                line += "|" + text(v);
            lines.push_back(line);
        }
    };
    std::string columns;
    for (const RecordsColumn& c : ConnectionColumns())
        columns += ", " + std::string(c.name);
    add("connections", "SELECT " + columns.substr(2) + " FROM connections ORDER BY uid");
    add("item_values",
        "SELECT c.uid, item_no, item, at_connect, at_end FROM item_values JOIN connections c ON "
        "c.id = connection_id ORDER BY c.uid, item_no");
    for (const DetailTable& table : DetailTables()) {
        std::string sql = "SELECT c.uid, seq";
        for (const RecordsColumn& c : table.columns)
            sql += ", " + std::string(c.name);
        add(std::string(table.name), sql + " FROM " + std::string(table.name) +
                                         " JOIN connections c ON c.id = connection_id ORDER BY "
                                         "c.uid, seq");
    }
    return lines;
}

// The session with a procedure run and the bench, recorded live; then the records file is
// gone and the next start rebuilds it from the files alone: row for row the same, the
// connection's ID, verdict, technician, steps and instruments included.
class RebuiltSession : public RecordedSession {
protected:
    void SetUp() override {
        fs::create_directories(backups);
        records =
            std::make_unique<ServiceRecords>(Connector(), random, wall, RecordsSetup(), nullptr);
        rig.net().setFilesObserver(records.get());
        recorder.setObserver(records.get());
        RecordedSession::SetUp();
        RunProcedure();
        records->EndConnection();
        records->Flush();
        rig.net().setFilesObserver(nullptr);
        recorder.setObserver(nullptr);
        records.reset();
    }

    ServiceRecordsSetup RecordsSetup() { return {backups, "bench-1", "1.0", {}, &rig.clock}; }

    void RunProcedure() {
        rig.clock.advance(1500);
        RunRecord run;
        run.procedureTitle = "Transmitter alignment";
        run.technician = "A. Technician";
        run.serialNumber = "4F12";
        run.workOrder = "WO-77";
        run.backupPath = rig.net().backupPath();
        run.started = "2026-12-07 10:50:00";
        run.ended = "2026-12-07 10:51:00";
        run.durationMs = 4200;
        run.verdict = RunVerdict::Fail;
        StepRecord power;
        power.number = 1;
        power.title = "Power high";
        power.kind = "check";
        power.outcome = StepOutcome::Fail;
        power.message = "too low";
        power.limits = StepLimits{4.5, 5.5, "W", "4.5 to 5.5 W"};
        power.measured = SeenValue{"power", "4.21 W", 4.21, "W"};
        power.values = {{"Power(Hi)", "212", 212.0, ""}, {"generator", "RF on", {}, ""}};
        power.started = run.started;
        power.startMs = 300;
        power.durationMs = 2100;
        StepRecord skipped;
        skipped.number = 2;
        skipped.title = "Deviation";
        skipped.kind = "check";
        skipped.message = "not reached";
        run.steps = {power, skipped};
        int slot = -1;
        std::string error;
        ASSERT_TRUE(StoreRun(RunsPathFor(run.backupPath), run, slot, error)) << error;

        records->SetProcedure(run.technician, run.serialNumber, run.workOrder, run.procedureTitle);
        instruments::BenchEvent level;
        level.role = instruments::Role::Generator;
        level.address = "TCPIP::127.0.0.1::5025::SOCKET";
        level.operation = instruments::Operation::SetLevel;
        level.value = -47.25;
        records->OnBenchEvent(level);
        rig.clock.advance(2000);
        instruments::BenchEvent powerRead = level;
        powerRead.kind = instruments::BenchEvent::Kind::Reading;
        powerRead.role = instruments::Role::PowerMeter;
        powerRead.operation = instruments::Operation::MeasurePower;
        powerRead.reading =
            instruments::Measurement{instruments::Quantity::Power, 4.2134567891, "W"};
        records->OnBenchEvent(powerRead);
        for (const StepRecord& step : run.steps)
            records->AddStep(
                RecordedStep(step, StepEndedMs(step, records->runStartMs(), run.durationMs)));
        records->AddRun(run);
    }

    CountingRandom random;
    std::unique_ptr<ServiceRecords> records;
};

TEST_F(RebuiltSession, TheRecordsRebuiltFromTheFilesEqualTheLiveOnesRowForRow) {
    const std::string path = folder.path() + "/records.sqlite";
    std::vector<std::string> live;
    {
        auto db = OpenSqlite(path);
        live = EveryRow(*db);
        EXPECT_EQ(CountRows(*db, "procedure_steps"), 2);
        EXPECT_EQ(CountRows(*db, "step_values"), 2);
        EXPECT_EQ(CountRows(*db, "instrument_events"), 2);
        EXPECT_GE(CountRows(*db, "journal_entries"), 10);
    }
    for (const char* suffix : {"", "-wal", "-shm"})
        fs::remove(path + suffix);
    ServiceRecords(Connector(), random, wall, RecordsSetup(), nullptr).Flush();
    auto db = OpenSqlite(path);
    EXPECT_EQ(EveryRow(*db), live);
    std::vector<ConnectionInfo> found;
    ASSERT_TRUE(FindConnections(*db, {}, found).ok());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].verdict, "FAIL");
    EXPECT_EQ(found[0].technician, "A. Technician");
    EXPECT_EQ(found[0].state, ConnectionState::Finished);
}

// A backups folder made by hand: what each file holds is under the test's control.
class BackupFolder : public ::testing::Test {
protected:
    void SetUp() override { fs::create_directories(backups); }

    std::string Write(const std::string& name, const std::string& text) {
        const std::string path = backups + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    std::string Backup(const std::string& stem, std::uint8_t fill) {
        BackupRecord r;
        r.modelCode = "3017";
        r.subCode = "0102";
        r.identification = {0xEF, 0xEE, 0xE1, 0x30};
        r.dateTime = "2026-12-07 10:46:02";
        r.image.assign(kBackupImageBytes, fill);
        return Write(stem + ".qsbak", BackupText(r));
    }

    static std::string Journal(int lines) {
        std::string text = std::string(kJournalHeading) + "\n";
        for (int i = 0; i < lines; ++i)
            text += "2026-12-07 10:46:0" + std::to_string(i) + "\tPower(Hi)\t" +
                    std::to_string(128 + i) + "\t" + std::to_string(129 + i) + "\t0938" +
                    std::to_string(i) + "\n";
        return text;
    }

    std::map<std::string, std::string> Snapshot() const {
        std::map<std::string, std::string> files;
        for (const auto& entry : fs::directory_iterator(backups)) {
            std::ifstream in(entry.path(), std::ios::binary);
            files[entry.path().filename().string()] =
                std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return files;
    }

    TempFolder folder;
    std::string backups = folder.path() + "/backups";
};

TEST_F(BackupFolder, GoodConnectionsComeInUnreadableFilesAreListedAndAgainDoublesNothing) {
    Backup("20261207-104602-30170102", 0x10);
    Write("20261207-104602-30170102.journal.txt", Journal(4));
    Write("20261207-104602-30170102.curves.txt",
          "QS-71DR ADJ curves\nFormat: 1\nsweep 10 0 64 200\n");
    Backup("20261207-110000-30170102", 0x20);  // no journal, no curves: a connection all the same
    Write("20261207-120000-30170102.qsbak", "QS-71DR ADJ memory backup\nFormat: 1\ngarbage\n");
    Backup("20261207-130000-30170102", 0x30);
    const std::string badJournal = Write("20261207-130000-30170102.journal.txt",
                                         Journal(2) + "not a journal line\n" + Journal(1));
    Backup("20261207-140000-30170102", 0x40);
    Write("20261207-140000-30170102.curves.txt", "QS-71DR ADJ curves\nFormat: 1\nwobble 1 2\n");
    Write("20261207-150000-30170102.journal.txt", Journal(1));
    Write("notes.txt", "not ours\n");
    const auto before = Snapshot();

    LocalRecordsOpening opening;
    FixedWallClock wall;
    auto db = OpenLocalRecords(Connector(), folder.path() + "/records.sqlite", wall, opening);
    ASSERT_TRUE(db);
    EXPECT_FALSE(opening.backupsImported);
    RecordsStore store(*db);

    ImportResult first = ImportBackupFolder(store, backups, "bench-1");
    ASSERT_TRUE(first.status.ok()) << first.status.message;
    EXPECT_EQ(first.imported, 2);
    EXPECT_EQ(first.alreadyThere, 0);
    std::vector<std::string> skipped;
    for (const ImportProblem& p : first.skipped)
        skipped.push_back(fs::path(p.path).filename().string() + ": " + p.reason);
    EXPECT_THAT(
        skipped,
        ::testing::UnorderedElementsAre(
            HasSubstr("20261207-150000-30170102.journal.txt: no backup beside it"),
            HasSubstr(
                "20261207-120000-30170102.qsbak: The file is not a QS-71DR ADJ memory backup."),
            HasSubstr("20261207-130000-30170102.journal.txt: "),
            HasSubstr("20261207-140000-30170102.curves.txt: ")));
    EXPECT_EQ(Snapshot(), before);  // nothing changed, nothing deleted
    EXPECT_EQ(CountRows(*db, "journal_entries"), 4);
    EXPECT_EQ(CountRows(*db, "sweep_steps"), 1);
    // Connections were skipped whole: the folder is not taken as imported, so the next start
    // tries them again.
    std::optional<std::string> imported;
    ASSERT_TRUE(store.Fact(kBackupsImportedFact, imported).ok());
    EXPECT_EQ(imported, std::nullopt);

    const ImportResult second = ImportBackupFolder(store, backups, "bench-1");
    EXPECT_EQ(second.imported, 0);
    EXPECT_EQ(second.alreadyThere, 2);
    EXPECT_EQ(second.skipped.size(), 4u);
    EXPECT_EQ(CountRows(*db, "connections"), 2);
    EXPECT_EQ(CountRows(*db, "journal_entries"), 4);

    // Mended, the skipped connection comes in on the next import.
    Write("20261207-130000-30170102.journal.txt", Journal(3));
    const ImportResult third = ImportBackupFolder(store, backups, "bench-1");
    EXPECT_EQ(third.imported, 1);
    EXPECT_EQ(third.alreadyThere, 2);
    EXPECT_EQ(CountRows(*db, "journal_entries"), 7);
    (void)badJournal;
}

// Damaged connection and runs files beside good backups: each connection comes in with what
// can be read, each line left out named; two files claiming one ID are kept apart and said;
// a connection whose files are not ours at all is skipped whole and taken at a later import.
TEST_F(BackupFolder, DamagedFilesGiveWhatTheyCanNothingMergedTheRestRetried) {
    const std::string uid = "1b4e28ba-2fa1-4d2e-883f-0016d3cca427";
    const std::string head = "QS-71DR ADJ connection record\nFormat: 1\nuid\t" + uid + "\n";
    Backup("20261207-100000-30170102", 0x10);
    Write("20261207-100000-30170102.records.txt", head + "bench\tb1\nwobble\nended\t1796640123\n");
    Backup("20261207-110000-30170102", 0x20);  // another connection claiming the same ID
    Write("20261207-110000-30170102.records.txt", head + "bench\tb2\n");
    Write("20261207-110000-30170102.runs.toml",
          "format = 1\n[[run]]\nverdict = \"PASS\"\ntechnician = \"Ann\"\nended = \"x\"\n"
          "[[run]]\nverdict = \"FAIL\"\ntechnician = \"Bo");
    Backup("20261207-120000-30170102", 0x30);
    const std::string later = Write("20261207-120000-30170102.records.txt",
                                    "QS-71DR ADJ connection record\nFormat: 9\n");
    const auto before = Snapshot();

    LocalRecordsOpening opening;
    FixedWallClock wall;
    auto db = OpenLocalRecords(Connector(), folder.path() + "/records.sqlite", wall, opening);
    ASSERT_TRUE(db);
    RecordsStore store(*db);
    const ImportResult first = ImportBackupFolder(store, backups, "bench-1");
    ASSERT_TRUE(first.status.ok()) << first.status.message;
    EXPECT_EQ(first.imported, 2);
    ASSERT_EQ(first.skipped.size(), 1u);
    EXPECT_EQ(first.skipped[0].path, later);
    EXPECT_THAT(first.notes,
                ::testing::ElementsAre(HasSubstr("100000-30170102.records.txt:5: a line"),
                                       HasSubstr("110000-30170102.runs.toml:8: "),
                                       HasSubstr("110000-30170102.records.txt: the connection ID " +
                                                 uid + " is another connection's already")));
    const std::string text = ImportNotice(first, backups);
    EXPECT_THAT(text, HasSubstr("runs.toml:8: "));
    EXPECT_THAT(text, HasSubstr(later));
    EXPECT_EQ(Snapshot(), before);  // nothing changed, nothing deleted

    const ConnectionRecord one = Load(*db, uid);
    EXPECT_EQ(one.info.bench, "b1");
    EXPECT_EQ(one.info.state, ConnectionState::Finished);
    std::vector<SqlRow> rows;
    ASSERT_TRUE(db->Execute("SELECT uid FROM connections WHERE bench = 'b2'", {}, &rows).ok());
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_THAT(TextOf(rows[0][0]), ::testing::StartsWith("backup-20261207-110000-30170102-"));
    const ConnectionRecord two = Load(*db, TextOf(rows[0][0]));
    EXPECT_EQ(two.info.bench, "b2");
    ASSERT_EQ(two.runs.size(), 1u);  // the run cut short is left out, the one before it taken
    EXPECT_EQ(two.runs[0].technician, "Ann");
    EXPECT_EQ(one.journal.size() + two.journal.size(), 0u);
    std::optional<std::string> imported;
    ASSERT_TRUE(store.Fact(kBackupsImportedFact, imported).ok());
    EXPECT_EQ(imported, std::nullopt);

    // The same again says nothing new; mended, the skipped connection comes in.
    const ImportResult again = ImportBackupFolder(store, backups, "bench-1");
    EXPECT_EQ(again.alreadyThere, 2);
    EXPECT_TRUE(again.skippedAsBefore);
    EXPECT_EQ(ImportNotice(again, backups), "");
    Write("20261207-120000-30170102.records.txt",
          "QS-71DR ADJ connection record\nFormat: 1\nuid\t" + uid + "\n");
    const ImportResult mended = ImportBackupFolder(store, backups, "bench-1");
    EXPECT_EQ(mended.imported, 1);
    EXPECT_THAT(mended.notes, ::testing::ElementsAre(HasSubstr("is another connection's")));
    EXPECT_EQ(CountRows(*db, "connections"), 3);
    ASSERT_TRUE(store.Fact(kBackupsImportedFact, imported).ok());
    EXPECT_EQ(imported, backups);
}

// A program's first start takes in the folder once, says so and lists what it skipped; the
// next start says nothing; a damaged file is set aside, said, and the folder taken in again.
TEST_F(BackupFolder, TheFirstStartImportsOnceAndADamagedFileIsImportedAgain) {
    Backup("20261207-104602-30170102", 0x10);
    Backup("20261207-110000-30170102", 0x20);
    const std::string bad =
        Write("20261207-120000-30170102.qsbak", "QS-71DR ADJ memory backup\nFormat: 1\nx\n");
    const auto before = Snapshot();
    const struct {
        const char* step;
        std::function<void()> before;
        std::vector<std::string> said;  // in the notices, in order
    } starts[] = {
        {"first start", [] {}, {"took in 2 earlier connections", bad}},
        {"second start", [] {}, {}},
        {"damaged file",
         [this] { std::ofstream(folder.path() + "/records.sqlite", std::ios::binary) << "junk"; },
         {"The service records file was damaged", "took in 2 earlier connections"}},
    };
    CountingRandom random;
    FixedWallClock wall;
    for (const auto& start : starts) {
        start.before();
        std::mutex mutex;
        std::string said;
        {
            ServiceRecords records(Connector(), random, wall,
                                   {backups, "bench-1", "1.0", {}, nullptr},
                                   [&](const std::string& text) {
                                       std::lock_guard<std::mutex> lock(mutex);
                                       said += text + "\n";
                                   });
            records.Flush();
        }
        std::size_t at = 0;
        for (const std::string& part : start.said) {
            at = said.find(part, at);
            ASSERT_NE(at, std::string::npos) << start.step << ": " << part << " in " << said;
        }
        if (start.said.empty()) {
            EXPECT_EQ(said, "") << start.step;
        }
        auto db = OpenSqlite(folder.path() + "/records.sqlite");
        EXPECT_EQ(CountRows(*db, "connections"), 2) << start.step;
    }
    EXPECT_EQ(Snapshot(), before);  // nothing changed, nothing deleted
}

// A program records a connection while its records file is damaged under it: a reader and a
// second writer find the damage and leave the file where it is; the next start, alone with
// the file, sets it aside and rebuilds the records, the live connection whole with its ID.
TEST_F(BackupFolder, ADamagedFileIsLeftAloneWhileWrittenAndRebuiltWholeAfter) {
    constexpr std::streamoff kPage = 4096;
    const std::string path = folder.path() + "/records.sqlite";
    {
        auto db = OpenSqlite(path);
        ASSERT_TRUE(MigrateRecords(*db).ok());
        for (int n = 0; n < 30; ++n) {
            std::int64_t id = 0;
            ASSERT_TRUE(RecordsStore(*db).SaveRecord(SampleRecord(n, 40), id).ok());
        }
    }
    const std::string backupPath = Backup("20261207-104602-30170102", 0x10);
    Write("20261207-104602-30170102.journal.txt", Journal(6));
    BackupRecord backup;
    std::string error;
    ASSERT_TRUE(ReadBackupFile(backupPath, backup, error)) << error;
    const std::vector<JournalEntry> journal = ReadJournalFile(JournalPathFor(backupPath));
    ASSERT_EQ(journal.size(), 6u);
    CountingRandom random;
    FixedWallClock wall;
    const ServiceRecordsSetup setup{backups, "bench-1", "1.0", {}, nullptr};
    std::mutex mutex;
    std::string said;
    const auto notice = [&](const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        said += text + "\n";
    };
    {
        ServiceRecords live(Connector(), random, wall, setup, notice);
        live.OnConnectionStarted(backup, backupPath);
        for (std::size_t i = 0; i < 3; ++i)
            live.OnJournalEntry(journal[i]);
        live.Flush();
        Overwrite(path, 8 * kPage, kPage);
        const std::vector<std::string> files = folder.Files();

        SearchHistory(Connector(), "", backups, {});
        LocalRecordsOpening second;
        EXPECT_FALSE(OpenLocalRecords(Connector(), path, wall, second));
        EXPECT_THAT(second.message, HasSubstr("another program is writing it"));
        EXPECT_EQ(folder.Files(), files);  // nothing set aside while it is written

        for (std::size_t i = 3; i < journal.size(); ++i)
            live.OnJournalEntry(journal[i]);
        live.EndConnection();
    }
    said.clear();
    ServiceRecords(Connector(), random, wall, setup, notice).Flush();
    EXPECT_THAT(said, HasSubstr("The service records file was damaged"));
    ConnectionFileReading facts;
    ASSERT_TRUE(ReadConnectionFile(ConnectionFilePathFor(backupPath), facts, error)) << error;
    auto db = OpenSqlite(path);
    const ConnectionRecord record = Load(*db, facts.facts.uid);
    EXPECT_EQ(record.info.state, ConnectionState::Finished);
    EXPECT_EQ(record.journal, journal);
    EXPECT_EQ(CountRows(*db, "connections"), 1);
}

// A run the program ended during, left marked in progress in its files: an import records it
// as ERROR and says so; the next start clears the marks and says so once with what the journal
// shows the radio last got; the records take the run in from the repaired files.
TEST_F(BackupFolder, ARunTheProgramEndedDuringIsRecordedAsErrorAndToldOnce) {
    constexpr char kUid[] = "1b4e28ba-2fa1-4d2e-883f-0016d3cca427";
    const std::string backup = Backup("20261207-104602-30170102", 0x10);
    Write("20261207-104602-30170102.journal.txt",
          Journal(3) + "2026-12-07 10:46:05\tbench generator\t-\tRF on\tTCPIP::x\n");
    Write("20261207-104602-30170102.records.txt",
          "QS-71DR ADJ connection record\nFormat: 1\nuid\t" + std::string(kUid) + "\nrun\t1000\n");
    RunRecord run;
    run.procedureTitle = "Align";
    run.started = "2026-12-07 10:46:01";
    run.steps.resize(2);
    run.steps[1].number = 2;
    int slot = -1;
    std::string error;
    ASSERT_TRUE(StoreRun(RunsPathFor(backup), InProgressRecord(run, 1), slot, error)) << error;
    const std::string told =
        "The procedure run \"Align\" of the connection 20261207-104602-30170102.qsbak, started "
        "2026-12-07 10:46:01, did not end: the program ended during the run (at step 2). It is "
        "recorded as ERROR.\r\nThe journal shows the radio last got Power(Hi) 131; the "
        "generator's RF was last switched on.\r\nCheck the radio and the generator before going on.";
    FixedWallClock wall;
    LocalRecordsOpening opening;
    auto imported = OpenLocalRecords(Connector(), folder.path() + "/i.sqlite", wall, opening);
    ASSERT_TRUE(imported);
    RecordsStore store(*imported);
    EXPECT_EQ(ImportBackupFolder(store, backups, "bench-1").interrupted,
              std::vector<std::string>{told});

    const std::vector<RepairedRun> repaired = RepairInterruptedRuns(backups, wall);
    ASSERT_EQ(repaired.size(), 1u);
    EXPECT_EQ(repaired[0].notice, told);
    EXPECT_TRUE(RepairInterruptedRuns(backups, wall).empty());
    CountingRandom random;
    ServiceRecordsSetup setup{backups, "bench-1", "1.0", {}, nullptr};
    setup.recordAgain = {backup};
    ServiceRecords(Connector(), random, wall, setup, nullptr).Flush();
    const auto recorded = OpenSqlite(folder.path() + "/records.sqlite");
    for (ISqlConnection* db : {imported.get(), recorded.get()}) {
        ConnectionRecord record;
        bool found = false;
        ASSERT_TRUE(LoadConnection(*db, kUid, record, found).ok() && found);
        EXPECT_EQ(record.info.verdict, "ERROR");
        ASSERT_EQ(record.runs.size(), 1u);
        EXPECT_EQ(record.runs[0].endReason, "the program ended during the run (at step 2)");
        EXPECT_EQ(record.runs[0].steps[1].outcome, StepOutcome::Error);
    }
}

TEST_F(BackupFolder, AFolderThatCannotBeReadIsSaidSo) {
    LocalRecordsOpening opening;
    FixedWallClock wall;
    auto db = OpenLocalRecords(Connector(), folder.path() + "/records.sqlite", wall, opening);
    ASSERT_TRUE(db);
    RecordsStore store(*db);
    const ImportResult result = ImportBackupFolder(store, folder.path() + "/missing", "bench-1");
    EXPECT_FALSE(result.status.ok());
    EXPECT_THAT(result.status.message, HasSubstr("missing"));
}

}  // namespace
}  // namespace qs::records_test
