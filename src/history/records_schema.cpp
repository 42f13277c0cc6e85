#include "history/records_schema.h"

#include <string>

#include "history/sql_dialect.h"

namespace qs {
namespace {

struct Migration {
    int version;
    // The oldest version whose program can still write to this one: its statements name
    // only columns that are there, and every column added since has a default.
    int oldestWriter;
    std::vector<std::string_view> statements;
};

// The detail tables' statements are made from DetailTables(); these are the rest.
const std::vector<Migration>& Migrations() {
    static const std::vector<Migration> migrations = {
        {1,
         1,
         {
             "CREATE TABLE connections ("
             " id {id},"
             " uid TEXT NOT NULL UNIQUE,"
             " state TEXT NOT NULL,"
             " started_at {int} NOT NULL,"
             " started_local TEXT NOT NULL,"
             " ended_at {int},"
             " bench TEXT NOT NULL,"
             " program_version TEXT NOT NULL,"
             " model_code TEXT NOT NULL,"
             " sub_code TEXT NOT NULL,"
             " identification TEXT NOT NULL,"
             " backup_crc TEXT NOT NULL,"
             " backup_path TEXT NOT NULL,"
             " backup_name TEXT NOT NULL)",
             "CREATE INDEX connections_started ON connections (started_at)",
             "CREATE INDEX connections_backup ON connections (backup_name, backup_crc)",
             "CREATE TABLE item_values ("
             " connection_id {int} NOT NULL REFERENCES connections (id),"
             " item_no {int} NOT NULL,"
             " item TEXT NOT NULL,"
             " at_connect TEXT NOT NULL,"
             " at_end TEXT,"
             " PRIMARY KEY (connection_id, item_no))",
             // Which connections have reached which shared server complete; only the
             // local database of a bench fills it.
             "CREATE TABLE sent_records ("
             " connection_uid TEXT NOT NULL,"
             " target TEXT NOT NULL,"
             " PRIMARY KEY (connection_uid, target))",
             "CREATE TABLE records_facts (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
         }},
        {2,
         1,
         {
             "ALTER TABLE connections ADD COLUMN technician TEXT NOT NULL DEFAULT ''",
             "ALTER TABLE connections ADD COLUMN serial_number TEXT NOT NULL DEFAULT ''",
             "ALTER TABLE connections ADD COLUMN work_order TEXT NOT NULL DEFAULT ''",
             "ALTER TABLE connections ADD COLUMN procedure_title TEXT NOT NULL DEFAULT ''",
             "ALTER TABLE connections ADD COLUMN verdict TEXT NOT NULL DEFAULT ''",
             "CREATE INDEX connections_serial ON connections (serial_number, started_at)",
             "CREATE INDEX connections_work_order ON connections (work_order, started_at)",
             "CREATE INDEX connections_technician ON connections (technician, started_at)",
             "CREATE INDEX connections_verdict ON connections (verdict, started_at)",
         }},
        {3,
         2,
         {
             "ALTER TABLE schema_version ADD COLUMN min_writer_version {int} NOT NULL DEFAULT 1",
         }},
        // Version 4 adds the procedure_runs table alone (a detail table): the programs that can
        // write to version 3 write to it as before, without the runs.
        {4, 2, {}},
    };
    return migrations;
}

// Column types by name; every detail column not named here is text.
std::string_view ColumnType(std::string_view column) {
    static constexpr std::string_view kIntegers[] = {
        "time_ms",     "row_index",  "raw",        "filter_no", "value",
        "level",       "level_item", "target",     "item_no",   "ok",
        "first_value", "last_value", "started_ms", "ended_ms",  "step_seq"};
    static constexpr std::string_view kReals[] = {"measured", "low", "high", "amount"};
    for (std::string_view name : kIntegers)
        if (name == column) return "{int}";
    for (std::string_view name : kReals)
        if (name == column) return "{real}";
    return "TEXT";
}

// Real limits and measured values may be missing; everything else is always there.
bool Nullable(std::string_view column) {
    return column == "low" || column == "high";
}

std::string CreateDetailTable(const DetailTable& table) {
    std::string sql = "CREATE TABLE " + std::string(table.name) +
                      " (connection_id {int} NOT NULL REFERENCES connections (id),"
                      " seq {int} NOT NULL";
    for (const RecordsColumn& column : table.columns) {
        sql += ", " + std::string(column.name) + " " + std::string(ColumnType(column.name));
        if (!Nullable(column.name)) sql += " NOT NULL";
    }
    return sql + ", PRIMARY KEY (connection_id, seq))";
}

std::vector<std::string> StatementsFor(int version) {
    std::vector<std::string> statements;
    for (const Migration& m : Migrations()) {
        if (m.version != version) continue;
        for (std::string_view s : m.statements)
            statements.emplace_back(s);
    }
    for (const DetailTable& table : DetailTables()) {
        if (table.sinceVersion == version) statements.push_back(CreateDetailTable(table));
    }
    return statements;
}

SqlStatus RunMigration(ISqlConnection& db, int from, int to) {
    for (int v = from + 1; v <= to; ++v) {
        for (const std::string& statement : StatementsFor(v)) {
            SqlStatus status = db.Execute(InDialect(db.dialect(), statement), {});
            if (!status.ok()) {
                status.message = "Changing the records to version " + std::to_string(v) +
                                 " failed: " + status.message;
                return status;
            }
        }
    }
    if (to < kFirstVersionWithOldestWriter) {
        if (from == 0)
            return db.Execute("INSERT INTO schema_version (version) VALUES (?)",
                              {std::int64_t{to}});
        return db.Execute("UPDATE schema_version SET version = ?", {std::int64_t{to}});
    }
    const std::vector<SqlValue> values{std::int64_t{to}, std::int64_t{OldestWriterOf(to)}};
    if (from == 0) {
        return db.Execute("INSERT INTO schema_version (version, min_writer_version) VALUES (?, ?)",
                          values);
    }
    return db.Execute("UPDATE schema_version SET version = ?, min_writer_version = ?", values);
}

// Whether this program may write to records of a newer `version`: only when that version
// says that programs of this one's version can still write to it.
SqlStatus CheckNewerVersion(ISqlConnection& db, int version) {
    std::vector<SqlRow> rows;
    const SqlStatus status = db.Execute("SELECT min_writer_version FROM schema_version", {}, &rows);
    int oldest = version;
    if (status.ok() && rows.size() == 1 && !rows[0].empty()) {
        if (const auto* v = std::get_if<std::int64_t>(&rows[0][0])) oldest = static_cast<int>(*v);
    }
    if (oldest <= kLatestRecordsVersion) return {};
    return SqlStatus::Failed(SqlError::Incompatible,
                             "The records have version " + std::to_string(version) +
                                 ", which only programs writing version " + std::to_string(oldest) +
                                 " or later can write to; this program writes version " +
                                 std::to_string(kLatestRecordsVersion) +
                                 ". Its records are kept on this bench until it is updated.");
}

}  // namespace

int OldestWriterOf(int version) {
    for (const Migration& m : Migrations())
        if (m.version == version) return m.oldestWriter;
    return version;
}

const std::vector<RecordsColumn>& ConnectionColumns() {
    static const std::vector<RecordsColumn> columns = {
        {"uid", 1},
        {"state", 1},
        {"started_at", 1},
        {"started_local", 1},
        {"ended_at", 1},
        {"bench", 1},
        {"program_version", 1},
        {"model_code", 1},
        {"sub_code", 1},
        {"identification", 1},
        {"backup_crc", 1},
        {"backup_path", 1},
        {"backup_name", 1},
        {"technician", 2},
        {"serial_number", 2},
        {"work_order", 2},
        {"procedure_title", 2},
        {"verdict", 2},
    };
    return columns;
}

const std::vector<DetailTable>& DetailTables() {
    static const std::vector<DetailTable> tables = {
        {"journal_entries",
         {{"time_local", 1}, {"item", 1}, {"old_value", 1}, {"new_value", 1}, {"command", 1}},
         1},
        {"readings", {{"time_ms", 1}, {"list", 1}, {"row_index", 1}, {"raw", 1}}, 1},
        {"sweep_steps", {{"time_ms", 1}, {"filter_no", 1}, {"value", 1}, {"level", 1}}, 1},
        {"bisection_steps",
         {{"time_ms", 1}, {"level_item", 1}, {"value", 1}, {"level", 1}, {"target", 1}},
         1},
        {"operation_results",
         {{"time_ms", 1},
          {"kind", 1},
          {"item_no", 1},
          {"ok", 1},
          {"value", 1},
          {"first_value", 1},
          {"last_value", 1}},
         1},
        {"procedure_steps",
         {{"name", 2},
          {"kind", 2},
          {"outcome", 2},
          {"started_ms", 2},
          {"ended_ms", 2},
          {"message", 2}},
         2},
        {"step_values",
         {{"step_seq", 2},
          {"quantity", 2},
          {"measured", 2},
          {"unit", 2},
          {"low", 2},
          {"high", 2},
          {"outcome", 2}},
         2},
        {"instrument_events",
         {{"time_ms", 2},
          {"role", 2},
          {"resource", 2},
          {"kind", 2},
          {"quantity", 2},
          {"amount", 2},
          {"unit", 2}},
         2},
        // Each procedure run whole, as its runs file writes it: what the report is made of.
        {"procedure_runs", {{"run_text", 4}}, 4},
    };
    return tables;
}

const DetailTable& DetailTableNamed(std::string_view name) {
    for (const DetailTable& table : DetailTables())
        if (table.name == name) return table;
    return DetailTables().front();
}

SqlStatus ReadRecordsVersion(ISqlConnection& db, int& version) {
    version = 0;
    std::vector<SqlRow> rows;
    SqlStatus status =
        db.Execute(TableCountStatement(db.dialect()), {std::string("schema_version")}, &rows);
    if (!status.ok()) return status;
    if (rows.empty() || rows[0].empty() || std::get_if<std::int64_t>(&rows[0][0]) == nullptr ||
        std::get<std::int64_t>(rows[0][0]) == 0) {
        return {};
    }
    rows.clear();
    status = db.Execute("SELECT version FROM schema_version", {}, &rows);
    if (!status.ok()) return status;
    if (rows.size() == 1 && !rows[0].empty()) {
        if (const auto* v = std::get_if<std::int64_t>(&rows[0][0])) version = static_cast<int>(*v);
    }
    return {};
}

SqlStatus MigrateRecords(ISqlConnection& db, int version) {
    SqlStatus status = db.Begin();
    if (!status.ok()) return status;
    auto fail = [&db](SqlStatus failed) {
        db.Rollback();
        return failed;
    };
    const std::string lock = MigrationLockStatement(db.dialect());
    if (!lock.empty() && !(status = db.Execute(lock, {})).ok()) return fail(status);
    status =
        db.Execute(InDialect(db.dialect(),
                             "CREATE TABLE IF NOT EXISTS schema_version (version {int} NOT NULL)"),
                   {});
    if (!status.ok()) return fail(status);
    int current = 0;
    if (!(status = ReadRecordsVersion(db, current)).ok()) return fail(status);
    if (current > kLatestRecordsVersion) {
        if (!(status = CheckNewerVersion(db, current)).ok()) return fail(status);
        db.Rollback();
        return {};
    }
    if (current >= version) {
        db.Rollback();
        return {};
    }
    if (!(status = RunMigration(db, current, version)).ok()) return fail(status);
    return db.Commit();
}

}  // namespace qs
