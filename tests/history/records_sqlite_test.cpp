// The records core against real SQLite files through the Qt SQL adapter: migrations from
// every earlier version, writes and queries, the writer as a connection goes, damaged files.
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <regex>
#include <set>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/history_lookup.h"
#include "history/record_rows.h"
#include "history/records_file.h"
#include "history/records_query.h"
#include "history/records_schema.h"
#include "history/records_store.h"
#include "history/records_upload.h"
#include "history/records_writer.h"
#include "history/sql_dialect.h"
#include "record/curves_file.h"
#include "records_test_support.h"

namespace qs::records_test {
namespace {

using ::testing::HasSubstr;

class RecordsDatabase : public ::testing::Test {
protected:
    std::string Path() const { return folder.path() + "/records.sqlite"; }
    TempFolder folder;
};

class MigrationFromVersion : public RecordsDatabase, public ::testing::WithParamInterface<int> {};

TEST_P(MigrationFromVersion, ReachesTheLatestWithItsDataKept) {
    const int from = GetParam();
    auto db = OpenSqlite(Path());
    ASSERT_TRUE(db);
    if (from == 1) {
        CreateVersion1(*db);
    } else {
        ASSERT_TRUE(MigrateRecords(*db, from).ok());
    }
    int version = -1;
    ASSERT_TRUE(ReadRecordsVersion(*db, version).ok());
    ASSERT_EQ(version, from);
    const ConnectionRecord sample = SampleRecord(1, 5);
    if (from > 0) WriteAtVersion(*db, sample, from);

    const SqlStatus status = MigrateRecords(*db);
    ASSERT_TRUE(status.ok()) << status.message;
    ASSERT_TRUE(ReadRecordsVersion(*db, version).ok());
    EXPECT_EQ(version, kLatestRecordsVersion);
    ASSERT_TRUE(MigrateRecords(*db).ok());  // once there, nothing more happens

    if (from > 0) ExpectSameRecord(Load(*db, sample.info.uid), AsOfVersion(sample, from));
    // The migrated database takes a record of the latest version whole.
    const ConnectionRecord latest = SampleRecord(2, 5);
    std::int64_t id = 0;
    ASSERT_TRUE(RecordsStore(*db).SaveRecord(latest, id).ok());
    ExpectSameRecord(Load(*db, latest.info.uid), latest);
}

// Version 1 made by today's migrations is the version 1 that benches hold: the same tables
// with the same columns, types, constraints and indexes.
TEST_F(RecordsDatabase, TheFirstMigrationStillMakesTheReleasedVersion1) {
    auto released = OpenSqlite(folder.path() + "/released.sqlite");
    auto migrated = OpenSqlite(Path());
    ASSERT_TRUE(released && migrated);
    CreateVersion1(*released);
    ASSERT_TRUE(MigrateRecords(*migrated, 1).ok());
    auto shape = [](ISqlConnection& db) {
        std::vector<std::string> lines;
        std::vector<SqlRow> objects;
        EXPECT_TRUE(db.Execute("SELECT type, name, tbl_name FROM sqlite_master "
                               "WHERE name NOT LIKE 'sqlite_%' ORDER BY type, name",
                               {}, &objects)
                        .ok());
        for (const SqlRow& object : objects) {
            lines.push_back(TextOf(object[0]) + " " + TextOf(object[1]) + " on " +
                            TextOf(object[2]));
            const std::string pragma = TextOf(object[0]) == "table" ? "table_info" : "index_info";
            std::vector<SqlRow> columns;
            EXPECT_TRUE(db.Execute("SELECT * FROM pragma_" + pragma + "('" + TextOf(object[1]) +
                                       "')",
                                   {}, &columns)
                            .ok());
            for (const SqlRow& column : columns) {
                std::string line = "  ";
                for (const SqlValue& value : column) line += TextOf(value) + "|";
                lines.push_back(line);
            }
        }
        return lines;
    };
    EXPECT_EQ(shape(*migrated), shape(*released));
}

INSTANTIATE_TEST_SUITE_P(EveryEarlierVersion, MigrationFromVersion,
                         ::testing::Range(0, kLatestRecordsVersion));

// Records of a newer version are written to when that version lets this program's version
// write, and refused otherwise with both versions named; either way they stay at their version.
// The writer's own file and a shared server follow the same rule (MigrateRecords).
TEST_F(RecordsDatabase, ANewerVersionIsWrittenWhenItAllowsThisProgramAndRefusedOtherwise) {
    const int newer = kLatestRecordsVersion + 1;
    const struct {
        const char* name;
        int oldestWriter;
        bool writes;
    } cases[] = {
        {"compatible", kLatestRecordsVersion, true},
        {"incompatible", newer, false},
    };
    FixedWallClock clock;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove(Path());
        {
            auto db = OpenSqlite(Path());
            ASSERT_TRUE(MigrateRecords(*db).ok());
            ASSERT_TRUE(db->Execute("UPDATE schema_version SET version = ?, min_writer_version = ?",
                                    {std::int64_t{newer}, std::int64_t{c.oldestWriter}})
                            .ok());
        }
        LocalRecordsOpening opening;
        auto db = OpenLocalRecords(Connector(), Path(), clock, opening);
        if (c.writes) {
            ASSERT_TRUE(db) << opening.message;
            std::int64_t id = 0;
            EXPECT_TRUE(RecordsStore(*db).SaveRecord(SampleRecord(1), id).ok());
        } else {
            EXPECT_FALSE(db);
            EXPECT_THAT(opening.message, HasSubstr("version " + std::to_string(newer)));
            EXPECT_THAT(opening.message,
                        HasSubstr("writes version " + std::to_string(kLatestRecordsVersion)));
            auto raw = OpenSqlite(Path());
            const SqlStatus status = MigrateRecords(*raw);
            EXPECT_EQ(status.error, SqlError::Incompatible);
        }
        db.reset();
        auto check = OpenSqlite(Path());
        int version = 0;
        ASSERT_TRUE(ReadRecordsVersion(*check, version).ok());
        EXPECT_EQ(version, newer);
    }
}

TEST_F(RecordsDatabase, ARecordSavedTwiceIsThereOnceAndLoadsBackEqual) {
    auto db = OpenSqlite(Path());
    ASSERT_TRUE(MigrateRecords(*db).ok());
    RecordsStore store(*db);
    const ConnectionRecord sample = SampleRecord(7, 40);
    std::int64_t first = 0;
    std::int64_t second = 0;
    ASSERT_TRUE(store.SaveRecord(sample, first).ok());
    ASSERT_TRUE(store.SaveRecord(sample, second).ok());
    EXPECT_EQ(first, second);
    EXPECT_EQ(CountRows(*db, "connections"), 1);
    EXPECT_EQ(CountRows(*db, "journal_entries"), 40);
    EXPECT_EQ(CountRows(*db, "step_values"), 3);
    ExpectSameRecord(Load(*db, sample.info.uid), sample);
}

struct SearchCase {
    const char* name;
    HistoryFilter filter;
    std::function<bool(const ConnectionInfo&)> matches;
};

TEST_F(RecordsDatabase, SearchesFindExactlyTheMatchingConnectionsNewestFirst) {
    auto db = OpenSqlite(Path());
    ASSERT_TRUE(MigrateRecords(*db).ok());
    std::vector<ConnectionInfo> all;
    for (int n = 0; n < 24; ++n) {
        std::int64_t id = 0;
        const ConnectionRecord r = SampleRecord(n, 1);
        ASSERT_TRUE(RecordsStore(*db).SaveRecord(r, id).ok());
        all.push_back(r.info);
    }
    const std::time_t t0 = all[0].startedAt;
    HistoryFilter serial;
    serial.serialNumber = "4F12";
    HistoryFilter order;
    order.workOrder = "WO-5";
    HistoryFilter tech;
    tech.technician = "Ana";
    HistoryFilter failed;
    failed.verdict = "fail";
    HistoryFilter range;
    range.since = t0 + 5 * 3600;
    range.until = t0 + 9 * 3600;
    HistoryFilter combined = range;
    combined.technician = "Ben";
    HistoryFilter limited;
    limited.limit = 3;
    const SearchCase cases[] = {
        {"serial", serial, [](const ConnectionInfo& c) { return c.serialNumber == "4F12"; }},
        {"work order", order, [](const ConnectionInfo& c) { return c.workOrder == "WO-5"; }},
        {"technician", tech, [](const ConnectionInfo& c) { return c.technician == "Ana"; }},
        {"verdict", failed, [](const ConnectionInfo& c) { return c.verdict == "fail"; }},
        {"date range", range,
         [&](const ConnectionInfo& c) {
             return c.startedAt >= t0 + 5 * 3600 && c.startedAt < t0 + 9 * 3600;
         }},
        {"range and technician", combined,
         [&](const ConnectionInfo& c) {
             return c.technician == "Ben" && c.startedAt >= t0 + 5 * 3600 &&
                    c.startedAt < t0 + 9 * 3600;
         }},
        {"limit", limited, [&](const ConnectionInfo& c) { return c.startedAt > t0 + 20 * 3600; }},
    };
    for (const SearchCase& test : cases) {
        std::vector<ConnectionInfo> found;
        ASSERT_TRUE(FindConnections(*db, test.filter, found).ok()) << test.name;
        std::vector<ConnectionInfo> expected;
        for (auto it = all.rbegin(); it != all.rend(); ++it)
            if (test.matches(*it)) expected.push_back(*it);
        EXPECT_FALSE(expected.empty()) << test.name;
        EXPECT_EQ(found, expected) << test.name;
    }
}

TEST_F(RecordsDatabase, SearchesFindAPartInAnyCase) {
    auto db = OpenSqlite(Path());
    ASSERT_TRUE(db);
    ExpectSearchesByPartAndCase(*db);
}

TEST_F(RecordsDatabase, TwoConnectionsCompareItemByItem) {
    ConnectionRecord a = SampleRecord(1);
    ConnectionRecord b = SampleRecord(2);
    b.items[0].atEnd = "131";
    b.items.erase(b.items.begin() + 1);
    b.items.push_back({"REF", "100", "101"});
    const std::vector<ItemComparison> rows = CompareConnections(a, b);
    const std::vector<ItemComparison> expected = {
        {"Power(Hi)", "128", "130", "128", "131", true},
        {"BAL", "120", "120", "-", "-", true},
        {"RSSI S3 Level", "-", "200", "-", "200", false},
        {"REF", "-", "-", "100", "101", true},
    };
    EXPECT_EQ(rows, expected);
}

// The real connector, with every transaction and statement of its connections logged by
// their first words ("BEGIN", "INSERT INTO item_values").
class LoggingConnector : public ISqlConnector {
public:
    std::unique_ptr<ISqlConnection> Open(const SqlTarget& target, SqlStatus& status) override {
        auto db = Connector().Open(target, status);
        return db ? std::make_unique<Logged>(std::move(db), *this) : nullptr;
    }
    std::unique_ptr<IFileLock> LockFile(const std::string& path, FileLockMode mode,
                                        std::chrono::milliseconds wait,
                                        SqlStatus& status) override {
        return Connector().LockFile(path, mode, wait, status);
    }
    std::vector<std::string> Log() {
        std::lock_guard<std::mutex> lock(mutex_);
        return log_;
    }

private:
    class Logged : public ISqlConnection {
    public:
        Logged(std::unique_ptr<ISqlConnection> db, LoggingConnector& owner)
            : db_(std::move(db)), owner_(owner) {}
        SqlDialect dialect() const override { return db_->dialect(); }
        SqlStatus Execute(std::string_view sql, const std::vector<SqlValue>& values,
                          std::vector<SqlRow>* rows) override {
            const std::size_t first = sql.find(' ');
            const std::size_t second = sql.find(' ', first + 1);
            owner_.Add(std::string(sql.substr(0, sql.find(' ', second + 1))));
            return db_->Execute(sql, values, rows);
        }
        SqlStatus Begin() override { return owner_.Add("BEGIN"), db_->Begin(); }
        SqlStatus Commit() override { return owner_.Add("COMMIT"), db_->Commit(); }
        SqlStatus Rollback() override { return owner_.Add("ROLLBACK"), db_->Rollback(); }

    private:
        std::unique_ptr<ISqlConnection> db_;
        LoggingConnector& owner_;
    };
    void Add(std::string line) {
        std::lock_guard<std::mutex> lock(mutex_);
        log_.push_back(std::move(line));
    }
    std::mutex mutex_;
    std::vector<std::string> log_;
};

// A reader never finds a connection without its items: the header and the item rows are
// written in one transaction, at the start and at the end.
TEST_F(RecordsDatabase, TheWriterWritesAHeaderAndItsItemsInOneTransaction) {
    LoggingConnector connector;
    CountingRandom random;
    FixedWallClock clock;
    const ConnectionRecord sample = SampleRecord(4);
    ASSERT_GE(sample.items.size(), 2u);
    {
        RecordsWriter writer(connector, Path(), random, clock);
        ASSERT_EQ(writer.WaitOpened().outcome, LocalRecordsOpening::Outcome::Ready);
        writer.BeginConnection(sample.info, sample.items);
        writer.EndConnection(clock.now, sample.items, "pass");
    }
    std::vector<std::string> header(1, "BEGIN");
    header.push_back("INSERT INTO connections");
    header.insert(header.end(), sample.items.size(), "INSERT INTO item_values");
    header.push_back("COMMIT");
    const std::vector<std::string> log = connector.Log();
    std::vector<std::size_t> found;
    for (std::size_t at = 0; at + header.size() <= log.size(); ++at) {
        if (std::equal(header.begin(), header.end(), log.begin() + static_cast<long>(at)))
            found.push_back(at);
    }
    EXPECT_EQ(found.size(), 2u) << ::testing::PrintToString(log);
}

TEST_F(RecordsDatabase, TheWriterRecordsAConnectionAsItGoes) {
    FixedWallClock clock;
    CountingRandom random;
    const ConnectionRecord sample = SampleRecord(3, 12);
    RecordsWriter writer(Connector(), Path(), random, clock);
    ASSERT_EQ(writer.WaitOpened().outcome, LocalRecordsOpening::Outcome::Ready);

    ConnectionInfo info = sample.info;
    info.uid.clear();
    info.technician = info.serialNumber = info.workOrder = info.procedureTitle = info.verdict = "";
    std::vector<ItemValue> atConnect = sample.items;
    for (ItemValue& item : atConnect)
        item.atEnd.clear();
    const std::string uid = writer.BeginConnection(info, atConnect);
    EXPECT_TRUE(std::regex_match(
        uid, std::regex("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}")))
        << uid;
    writer.SetProcedure(sample.info.technician, sample.info.serialNumber, sample.info.workOrder,
                        sample.info.procedureTitle);
    for (std::size_t i = 0; i < sample.journal.size() / 2; ++i)
        writer.AddJournalEntry(sample.journal[i]);
    writer.Flush();
    {
        // Written as it goes: what was flushed is there while the connection is still open.
        auto reader = OpenSqlite(Path());
        const ConnectionRecord sofar = Load(*reader, uid);
        EXPECT_EQ(sofar.info.state, ConnectionState::Open);
        EXPECT_EQ(sofar.journal.size(), sample.journal.size() / 2);
        EXPECT_EQ(sofar.info.serialNumber, sample.info.serialNumber);
    }
    for (std::size_t i = sample.journal.size() / 2; i < sample.journal.size(); ++i)
        writer.AddJournalEntry(sample.journal[i]);
    for (const TimedReading& r : sample.curves.readings)
        writer.AddReading(r);
    for (const TimedSweep& s : sample.curves.sweeps)
        writer.AddSweepStep(s);
    for (const TimedBisection& b : sample.curves.bisections)
        writer.AddBisectionStep(b);
    for (const TimedResult& r : sample.curves.results)
        writer.AddResult(r);
    for (const ProcedureStep& s : sample.steps)
        writer.AddStep(s);
    for (const InstrumentEvent& e : sample.instruments)
        writer.AddInstrumentEvent(e);
    for (const RunRecord& run : sample.runs)
        writer.AddRun(run);
    writer.EndConnection(*sample.info.endedAt, sample.items, sample.info.verdict);
    writer.Flush();

    auto reader = OpenSqlite(Path());
    ConnectionRecord expected = sample;
    expected.info.uid = uid;
    ExpectSameRecord(Load(*reader, uid), expected);
}

TEST_F(RecordsDatabase, ANewConnectionEndsOneLeftOpenAsUnfinished) {
    FixedWallClock clock;
    CountingRandom random;
    RecordsWriter writer(Connector(), Path(), random, clock);
    const std::string first = writer.BeginConnection(SampleRecord(1).info, {});
    writer.AddJournalEntry(SampleRecord(1).journal[0]);
    const std::string second = writer.BeginConnection(SampleRecord(2).info, {});
    writer.AddJournalEntry(SampleRecord(2).journal[1]);
    writer.Flush();
    auto reader = OpenSqlite(Path());
    const ConnectionRecord a = Load(*reader, first);
    const ConnectionRecord b = Load(*reader, second);
    EXPECT_EQ(a.info.state, ConnectionState::Unfinished);
    EXPECT_EQ(b.info.state, ConnectionState::Open);
    EXPECT_EQ(a.journal, std::vector<JournalEntry>{SampleRecord(1).journal[0]});
    EXPECT_EQ(b.journal, std::vector<JournalEntry>{SampleRecord(2).journal[1]});
}

// How a test damages a records file.
struct Damage {
    const char* name;
    std::function<void(const std::string&)> apply;
};

TEST_F(RecordsDatabase, ADamagedFileIsKeptAsideAndAFreshOneStarted) {
    constexpr std::streamoff kPage = 4096;
    const Damage damages[] = {
        {"not a database at all",
         [](const std::string& p) {
             std::ofstream(p, std::ios::binary | std::ios::trunc) << "hello\n";
         }},
        {"header overwritten", [](const std::string& p) { Overwrite(p, 0, 100); }},
        {"a page in the middle overwritten",
         [&](const std::string& p) { Overwrite(p, 8 * kPage, kPage); }},
    };
    FixedWallClock clock;
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        const std::string path = Path();
        std::filesystem::remove_all(folder.path());
        std::filesystem::create_directories(folder.path());
        {
            auto db = OpenSqlite(path);
            ASSERT_TRUE(MigrateRecords(*db).ok());
            ASSERT_TRUE(db->Execute("PRAGMA journal_mode = DELETE", {}).ok());
            for (int n = 0; n < 30; ++n) {
                std::int64_t id = 0;
                ASSERT_TRUE(RecordsStore(*db).SaveRecord(SampleRecord(n, 40), id).ok());
            }
        }
        damage.apply(path);
        const std::string damagedBytes = FileBytes(path);

        LocalRecordsOpening opening;
        auto db = OpenLocalRecords(Connector(), path, clock, opening);
        ASSERT_TRUE(db) << opening.message;
        EXPECT_EQ(opening.outcome, LocalRecordsOpening::Outcome::Recreated);
        EXPECT_THAT(opening.message, HasSubstr("damaged"));
        EXPECT_THAT(opening.message, HasSubstr(opening.asidePath));
        EXPECT_FALSE(opening.backupsImported);                      // the import is offered again
        EXPECT_TRUE(FileBytes(opening.asidePath) == damagedBytes);  // kept exactly as found
        EXPECT_EQ(CountRows(*db, "connections"), 0);
        std::int64_t id = 0;
        EXPECT_TRUE(RecordsStore(*db).SaveRecord(SampleRecord(1), id).ok());
    }
}

// A reader only reads: a damaged, empty, foreign or too old file is said with its path and
// left exactly as it was (no rename, no log, no migration); no file at all is no records.
TEST_F(RecordsDatabase, AReaderSaysWhatIsWrongWithTheFileAndChangesNothing) {
    const struct {
        const char* name;
        std::function<void(const std::string&)> make;
        const char* said;  // empty: read, nothing wrong
    } cases[] = {
        {"no file", [](const std::string&) {}, ""},
        {"intact", [](const std::string& p) { MigrateRecords(*OpenSqlite(p)); }, ""},
        {"truncated to 0 bytes", [](const std::string& p) { std::ofstream(p, std::ios::binary); },
         "is empty (0 bytes)"},
        {"not a database",
         [](const std::string& p) { std::ofstream(p, std::ios::binary) << "hello\n"; },
         "is damaged"},
        {"header overwritten",
         [](const std::string& p) {
             MigrateRecords(*OpenSqlite(p));
             Overwrite(p, 0, 100);
         },
         "is damaged"},
        {"version 1", [](const std::string& p) { CreateVersion1(*OpenSqlite(p)); }, "version 1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::filesystem::remove_all(folder.path());
        std::filesystem::create_directories(folder.path() + "/backups");
        c.make(Path());
        const std::vector<std::string> files = folder.Files();
        const std::string bytes = std::filesystem::exists(Path()) ? FileBytes(Path()) : "";
        const HistoryAnswer answer = SearchHistory(Connector(), "", folder.path() + "/backups", {});
        if (*c.said == '\0') {
            EXPECT_EQ(answer.error, "");
        } else {
            EXPECT_THAT(answer.error, HasSubstr(Path()));
            EXPECT_THAT(answer.error, HasSubstr(c.said));
        }
        EXPECT_TRUE(answer.found.empty());
        EXPECT_EQ(folder.Files(), files);
        if (!bytes.empty()) {
            EXPECT_TRUE(FileBytes(Path()) == bytes);
        }
    }
}

// A closing program stops sending between two connections, whatever the backlog: what was
// sent is remembered, and the next round sends the rest, each connection once.
TEST_F(RecordsDatabase, SendingStopsBetweenConnectionsAndTheRestGoesNextTime) {
    auto local = OpenSqlite(Path());
    auto shared = OpenSqlite(folder.path() + "/shared.sqlite");
    ASSERT_TRUE(MigrateRecords(*local).ok() && MigrateRecords(*shared).ok());
    for (int n = 0; n < 5; ++n) {
        std::int64_t id = 0;
        ASSERT_TRUE(RecordsStore(*local).SaveRecord(SampleRecord(n), id).ok());
    }
    int asked = 0;
    const UploadOutcome first =
        SendPendingRecords(*local, *shared, "shop", [&asked] { return ++asked > 2; });
    EXPECT_TRUE(first.stopped);
    EXPECT_EQ(first.connections, 2);
    EXPECT_EQ(CountRows(*shared, "connections"), 2);
    const UploadOutcome rest = SendPendingRecords(*local, *shared, "shop");
    EXPECT_FALSE(rest.stopped);
    EXPECT_EQ(rest.connections, 3);
    EXPECT_EQ(CountRows(*shared, "connections"), 5);
}

TEST_F(RecordsDatabase, AnIntactFileOpensAsItIs) {
    FixedWallClock clock;
    {
        LocalRecordsOpening opening;
        auto db = OpenLocalRecords(Connector(), Path(), clock, opening);
        ASSERT_EQ(opening.outcome, LocalRecordsOpening::Outcome::Ready) << opening.message;
        std::int64_t id = 0;
        ASSERT_TRUE(RecordsStore(*db).SaveRecord(SampleRecord(1), id).ok());
        ASSERT_TRUE(RecordsStore(*db).SetFact(kBackupsImportedFact, "/x").ok());
    }
    LocalRecordsOpening opening;
    auto db = OpenLocalRecords(Connector(), Path(), clock, opening);
    ASSERT_EQ(opening.outcome, LocalRecordsOpening::Outcome::Ready) << opening.message;
    EXPECT_TRUE(opening.backupsImported);
    EXPECT_EQ(CountRows(*db, "connections"), 1);
    EXPECT_EQ(folder.Files(),
              (std::vector<std::string>{"records.sqlite", "records.sqlite-shm", "records.sqlite-wal",
                                        "records.sqlite.lock"}));
}

TEST(RecordsFileTest, LivesInTheDataFolderBesideTheBackups) {
    EXPECT_EQ(RecordsPathFor("/home/t/.local/share/qs71dr-adj/backups"),
              "/home/t/.local/share/qs71dr-adj/records.sqlite");
    EXPECT_EQ(RecordsPathFor("/home/t/.local/share/qs71dr-adj/backups/"),
              "/home/t/.local/share/qs71dr-adj/records.sqlite");
    EXPECT_EQ(RecordsPathFor(""), "");
}

}  // namespace
}  // namespace qs::records_test
