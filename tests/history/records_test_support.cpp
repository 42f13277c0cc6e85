#include "records_test_support.h"

#include <fstream>
#include <iterator>

#include <gtest/gtest.h>

#include "history/record_rows.h"
#include "history/records_query.h"
#include "history/records_schema.h"
#include "history/records_store.h"
#include "history/sql_dialect.h"
#include "record/curves_file.h"

namespace qs::records_test {

QtSqlConnector& Connector() {
    static QtSqlConnector connector;
    return connector;
}

std::unique_ptr<ISqlConnection> OpenOrFail(const SqlTarget& target) {
    SqlStatus status;
    auto db = Connector().Open(target, status);
    EXPECT_TRUE(db) << status.message;
    return db;
}

std::unique_ptr<ISqlConnection> OpenSqlite(const std::string& path) {
    SqlTarget target;
    target.path = path;
    return OpenOrFail(target);
}

ConnectionRecord SampleRecord(int n, int journalLines) {
    ConnectionRecord r;
    ConnectionInfo& c = r.info;
    c.uid = "uid-" + std::to_string(n);
    c.state = ConnectionState::Finished;
    c.startedAt = 1796640000 + n * 3600;
    c.startedLocal = "2026-12-07 12:00:00";
    c.endedAt = c.startedAt + 600;
    c.bench = n % 2 == 0 ? "bench-1" : "bench-2";
    c.programVersion = "1.0";
    c.modelCode = "3017";
    c.subCode = "0102";
    c.identificationHex = "EFEEE130170102";
    c.backupCrc = "1C291CA3";
    c.backupPath = "/data/backups/20261207-120000-30170102.qsbak";
    c.technician = n % 3 == 0 ? "Ana" : "Ben";
    c.serialNumber = "4F" + std::to_string(10 + n % 5);
    c.workOrder = "WO-" + std::to_string(n);
    c.procedureTitle = "Receiver and transmitter alignment";
    c.verdict = n % 4 == 0 ? "fail" : "pass";
    r.items = {{"Power(Hi)", "128", "130"}, {"BAL", "120", "120"}, {"RSSI S3 Level", "-", "200"}};
    for (int i = 0; i < journalLines; ++i) {
        r.journal.push_back({"2026-12-07 12:00:0" + std::to_string(i % 10), "Power(Hi)",
                             std::to_string(128 + i), std::to_string(129 + i),
                             "0938" + std::to_string(i)});
    }
    r.curves.readings = {{100, {ReadingGroup::Ad, 2, 120}}, {150, {ReadingGroup::Da, 8, 7}}};
    r.curves.sweeps = {{200, {0, 64, 200}}};
    r.curves.bisections = {{300, {1, 128, 120, 150}}};
    r.curves.results = {{400, {AutoOpKind::BandPassSweep, 0, true, 64, 60, 68}},
                        {500, {AutoOpKind::LevelAdjust, 1, false, 166, 230, 230}},
                        {600, {AutoOpKind::RssiThreshold, 0, true, 200, 200, 200}}};
    r.steps = {
        {"Power", "adjust", "pass", 1000, 2500, "", {{"power", 5.02, "W", 4.9, 5.1, "pass"}}},
        {"LVIN",
         "check",
         "fail",
         2600,
         2700,
         "below",
         {{"LVIN", 2.1, "V", 2.3, std::nullopt, "fail"},
          {"note", 1, "", std::nullopt, std::nullopt, ""}}}};
    r.instruments = {
        {900, "generator", "TCPIP::127.0.0.1::5025::SOCKET", "setting", "level", -47.5, "dBm"}};
    RunRecord run;
    run.procedureTitle = c.procedureTitle;
    run.technician = c.technician;
    run.serialNumber = c.serialNumber;
    run.verdict = n % 4 == 0 ? RunVerdict::Fail : RunVerdict::Pass;
    run.instruments = {{"generator", "TCPIP::127.0.0.1::5025::SOCKET", "M,G-1,7,1.0", "2027-03-01"}};
    StepRecord step;
    step.number = 1;
    step.title = "Power";
    step.kind = "adjust";
    step.outcome = run.verdict == RunVerdict::Pass ? StepOutcome::Pass : StepOutcome::Fail;
    step.values = {{"Power(Hi)", "212", 212.0, ""}, {"power", "5.02 W", 5.02, "W"}};
    run.steps = {step};
    r.runs = {run};
    return r;
}

void ExpectSearchesByPartAndCase(ISqlConnection& db) {
    ASSERT_TRUE(MigrateRecords(db).ok());
    const struct {
        const char* serial;
        const char* technician;
        const char* workOrder;
    } saved[] = {
        {"SN 4F12", "Ann Tech", "WO-100%"},
        {"sn-4f120", "JOANN", "WO_7"},
        {"4F1", "Ben", "WOX7"},
        {"X!Y", "Ben", "W1"},
    };
    for (int n = 0; n < 4; ++n) {
        ConnectionRecord r = SampleRecord(100 + n, 1);
        r.info.serialNumber = saved[n].serial;
        r.info.technician = saved[n].technician;
        r.info.workOrder = saved[n].workOrder;
        std::int64_t id = 0;
        ASSERT_TRUE(RecordsStore(db).SaveRecord(r, id).ok());
    }
    const struct {
        const char* serial;
        const char* technician;
        const char* workOrder;
        std::vector<int> found;  // newest first
    } cases[] = {
        {"4f12", "", "", {1, 0}},
        {" 4F12 ", "", "", {1, 0}},
        {"SN 4F12", "", "", {0}},
        {"4f1", "", "", {2, 1, 0}},
        {"", "Ann", "", {1, 0}},
        {"", "ann tech", "", {0}},
        {"", "", "_7", {1}},
        {"", "", "0%", {0}},
        {"", "", "%", {0}},
        {"!", "", "", {3}},
        {"x!y", "", "", {3}},
        {"4f120", "ann", "", {1}},
        {"4F12", "Ben", "", {}},
    };
    for (const auto& c : cases) {
        HistoryFilter filter;
        filter.serialNumber = c.serial;
        filter.technician = c.technician;
        filter.workOrder = c.workOrder;
        std::vector<ConnectionInfo> found;
        const SqlStatus status = FindConnections(db, filter, found);
        ASSERT_TRUE(status.ok()) << status.message;
        std::vector<int> which;
        for (const ConnectionInfo& info : found)
            which.push_back(std::stoi(info.uid.substr(4)) - 100);
        EXPECT_EQ(which, c.found) << "serial '" << c.serial << "', technician '" << c.technician
                                  << "', work order '" << c.workOrder << "'";
    }
}

std::int64_t CountRows(ISqlConnection& db, const std::string& table) {
    std::vector<SqlRow> rows;
    if (!db.Execute("SELECT count(*) FROM " + table, {}, &rows).ok() || rows.empty()) return -1;
    return IntOf(rows[0][0]);
}

ConnectionRecord AsOfVersion(ConnectionRecord record, int version) {
    if (version >= 4) return record;
    record.runs.clear();
    if (version >= 2) return record;
    ConnectionInfo& c = record.info;
    c.technician = c.serialNumber = c.workOrder = c.procedureTitle = c.verdict = "";
    record.steps.clear();
    record.instruments.clear();
    return record;
}

namespace {

// Version 1 of the records as it was released, written out once and never derived from the
// program's own lists: a later edit of version 1's migration or columns must fail the
// migration tests instead of following along.
const char* const kVersion1Statements[] = {
    "CREATE TABLE schema_version (version {int} NOT NULL)",
    "CREATE TABLE connections (id {id}, uid TEXT NOT NULL UNIQUE, state TEXT NOT NULL,"
    " started_at {int} NOT NULL, started_local TEXT NOT NULL, ended_at {int},"
    " bench TEXT NOT NULL, program_version TEXT NOT NULL, model_code TEXT NOT NULL,"
    " sub_code TEXT NOT NULL, identification TEXT NOT NULL, backup_crc TEXT NOT NULL,"
    " backup_path TEXT NOT NULL, backup_name TEXT NOT NULL)",
    "CREATE INDEX connections_started ON connections (started_at)",
    "CREATE INDEX connections_backup ON connections (backup_name, backup_crc)",
    "CREATE TABLE item_values (connection_id {int} NOT NULL REFERENCES connections (id),"
    " item_no {int} NOT NULL, item TEXT NOT NULL, at_connect TEXT NOT NULL, at_end TEXT,"
    " PRIMARY KEY (connection_id, item_no))",
    "CREATE TABLE sent_records (connection_uid TEXT NOT NULL, target TEXT NOT NULL,"
    " PRIMARY KEY (connection_uid, target))",
    "CREATE TABLE records_facts (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE journal_entries (connection_id {int} NOT NULL REFERENCES connections (id),"
    " seq {int} NOT NULL, time_local TEXT NOT NULL, item TEXT NOT NULL,"
    " old_value TEXT NOT NULL, new_value TEXT NOT NULL, command TEXT NOT NULL,"
    " PRIMARY KEY (connection_id, seq))",
    "CREATE TABLE readings (connection_id {int} NOT NULL REFERENCES connections (id),"
    " seq {int} NOT NULL, time_ms {int} NOT NULL, list TEXT NOT NULL,"
    " row_index {int} NOT NULL, raw {int} NOT NULL, PRIMARY KEY (connection_id, seq))",
    "CREATE TABLE sweep_steps (connection_id {int} NOT NULL REFERENCES connections (id),"
    " seq {int} NOT NULL, time_ms {int} NOT NULL, filter_no {int} NOT NULL,"
    " value {int} NOT NULL, level {int} NOT NULL, PRIMARY KEY (connection_id, seq))",
    "CREATE TABLE bisection_steps (connection_id {int} NOT NULL REFERENCES connections (id),"
    " seq {int} NOT NULL, time_ms {int} NOT NULL, level_item {int} NOT NULL,"
    " value {int} NOT NULL, level {int} NOT NULL, target {int} NOT NULL,"
    " PRIMARY KEY (connection_id, seq))",
    "CREATE TABLE operation_results (connection_id {int} NOT NULL REFERENCES connections (id),"
    " seq {int} NOT NULL, time_ms {int} NOT NULL, kind TEXT NOT NULL, item_no {int} NOT NULL,"
    " ok {int} NOT NULL, value {int} NOT NULL, first_value {int} NOT NULL,"
    " last_value {int} NOT NULL, PRIMARY KEY (connection_id, seq))",
    "INSERT INTO schema_version (version) VALUES (1)",
};

// The columns a version-1 program wrote, by table.
const std::vector<std::pair<std::string, std::vector<std::string>>>& Version1Columns() {
    static const std::vector<std::pair<std::string, std::vector<std::string>>> columns = {
        {"connections",
         {"uid", "state", "started_at", "started_local", "ended_at", "bench", "program_version",
          "model_code", "sub_code", "identification", "backup_crc", "backup_path", "backup_name"}},
        {"journal_entries", {"time_local", "item", "old_value", "new_value", "command"}},
        {"readings", {"time_ms", "list", "row_index", "raw"}},
        {"sweep_steps", {"time_ms", "filter_no", "value", "level"}},
        {"bisection_steps", {"time_ms", "level_item", "value", "level", "target"}},
        {"operation_results",
         {"time_ms", "kind", "item_no", "ok", "value", "first_value", "last_value"}},
    };
    return columns;
}

const std::vector<std::string>& Version1ColumnsOf(const std::string& table) {
    for (const auto& [name, columns] : Version1Columns())
        if (name == table) return columns;
    ADD_FAILURE() << table << " is not a table of version 1";
    static const std::vector<std::string> none;
    return none;
}

// The value of each of `wanted` among today's `names` and `values`, by name.
std::vector<SqlValue> PickByName(const std::vector<std::string>& wanted,
                                 const std::vector<std::string_view>& names, const SqlRow& values) {
    std::vector<SqlValue> picked;
    for (const std::string& column : wanted) {
        std::size_t i = 0;
        while (i < names.size() && names[i] != column)
            ++i;
        if (i == names.size() || i >= values.size()) {
            ADD_FAILURE() << "version 1's column " << column << " is no longer written";
            picked.emplace_back(std::string());
            continue;
        }
        picked.push_back(values[i]);
    }
    return picked;
}

std::string Joined(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return text;
}

}  // namespace

void CreateVersion1(ISqlConnection& db) {
    for (const char* statement : kVersion1Statements) {
        const SqlStatus status = db.Execute(InDialect(db.dialect(), statement), {});
        ASSERT_TRUE(status.ok()) << statement << ": " << status.message;
    }
}

void WriteAtVersion(ISqlConnection& db, const ConnectionRecord& whole, int version) {
    const ConnectionRecord record = AsOfVersion(whole, version);
    if (version == 2 || version == 3) {
        // Versions 2 and 3 have today's tables but for the runs (version 3 changed only the
        // version table): a record without runs is written as today's.
        std::int64_t id = 0;
        const SqlStatus status = RecordsStore(db).SaveRecord(record, id);
        ASSERT_TRUE(status.ok()) << status.message;
        return;
    }
    ASSERT_EQ(version, 1) << "only versions 1 to 3 are known here";
    std::vector<std::string_view> names;
    for (const RecordsColumn& column : ConnectionColumns())
        names.push_back(column.name);
    const std::vector<std::string>& columns = Version1ColumnsOf("connections");
    const std::vector<SqlValue> values = PickByName(columns, names, ConnectionRow(record.info));
    std::vector<SqlRow> ids;
    ASSERT_TRUE(db.Execute("INSERT INTO connections (" + Joined(columns) + ") VALUES (" +
                               Placeholders(values.size()) + ") RETURNING id",
                           values, &ids)
                    .ok());
    const std::int64_t id = IntOf(ids.at(0).at(0));
    for (std::size_t i = 0; i < record.items.size(); ++i) {
        const ItemValue& item = record.items[i];
        ASSERT_TRUE(db.Execute("INSERT INTO item_values (connection_id, item_no, item, at_connect, "
                               "at_end) VALUES (?, ?, ?, ?, ?)",
                               {id, std::int64_t(i), item.item, item.atConnect, item.atEnd})
                        .ok());
    }
    for (const auto& [table, rows] : DetailRowsOf(record)) {
        const std::string name(table);
        bool known = false;
        for (const auto& entry : Version1Columns())
            known = known || entry.first == name;
        if (!known) continue;  // a table of a later version
        std::vector<std::string_view> today;
        for (const RecordsColumn& column : DetailTableNamed(table).columns)
            today.push_back(column.name);
        const std::vector<std::string>& wanted = Version1ColumnsOf(name);
        for (const NumberedRow& row : rows) {
            std::vector<SqlValue> picked{id, row.seq};
            const std::vector<SqlValue> rest = PickByName(wanted, today, row.values);
            picked.insert(picked.end(), rest.begin(), rest.end());
            const SqlStatus status =
                db.Execute("INSERT INTO " + name + " (connection_id, seq, " + Joined(wanted) +
                               ") VALUES (" + Placeholders(picked.size()) + ")",
                           picked);
            ASSERT_TRUE(status.ok()) << name << ": " << status.message;
        }
    }
}

ConnectionRecord Load(ISqlConnection& db, const std::string& uid) {
    ConnectionRecord record;
    bool found = false;
    const SqlStatus status = LoadConnection(db, uid, record, found);
    EXPECT_TRUE(status.ok()) << status.message;
    EXPECT_TRUE(found) << uid;
    return record;
}

void ExpectSameRecord(const ConnectionRecord& got, const ConnectionRecord& want) {
    EXPECT_EQ(got.info, want.info);
    EXPECT_EQ(got.items, want.items);
    EXPECT_EQ(got.journal, want.journal);
    EXPECT_EQ(CurvesText(got.curves), CurvesText(want.curves));
    EXPECT_EQ(got.steps, want.steps);
    EXPECT_EQ(got.instruments, want.instruments);
    EXPECT_EQ(got.runs, want.runs);
}

void Overwrite(const std::string& path, std::streamoff at, std::size_t count) {
    std::fstream f(path, std::ios::in | std::ios::out | std::ios::binary);
    f.seekp(at);
    const std::string junk(count, '\x5A');
    f.write(junk.data(), static_cast<std::streamsize>(junk.size()));
}

std::string FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace qs::records_test
