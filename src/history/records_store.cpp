#include "history/records_store.h"

#include "history/record_rows.h"
#include "history/records_schema.h"
#include "history/sql_dialect.h"

namespace qs {
namespace {

// Rows per statement when many go at once; far below either engine's limit on bound values.
constexpr std::size_t kRowsPerStatement = 64;

std::string ColumnList(const std::vector<RecordsColumn>& columns) {
    std::string text;
    for (const RecordsColumn& c : columns) {
        if (!text.empty()) text += ", ";
        text += c.name;
    }
    return text;
}

std::string ConnectionUpsert() {
    const auto& columns = ConnectionColumns();
    std::string sql = "INSERT INTO connections (" + ColumnList(columns) + ") VALUES (" +
                      Placeholders(columns.size()) + ") ON CONFLICT (uid) DO UPDATE SET ";
    // What a connection can still change after its start; the rest is fixed at Connect.
    constexpr std::string_view kChanging[] = {"state",         "ended_at",   "technician",
                                              "serial_number", "work_order", "procedure_title",
                                              "verdict"};
    bool first = true;
    for (std::string_view name : kChanging) {
        if (!first) sql += ", ";
        first = false;
        sql += std::string(name) + " = excluded." + std::string(name);
    }
    return sql + " RETURNING id";
}

std::string DetailInsert(const DetailTable& table, std::size_t rows) {
    const std::size_t width = table.columns.size() + 2;
    std::string sql = "INSERT INTO " + std::string(table.name) + " (connection_id, seq, " +
                      ColumnList(table.columns) + ") VALUES ";
    for (std::size_t r = 0; r < rows; ++r) {
        if (r > 0) sql += ", ";
        sql += "(" + Placeholders(width) + ")";
    }
    return sql + " ON CONFLICT DO NOTHING";
}

std::string BackupName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

SqlStatus RecordsStore::SaveConnection(const ConnectionInfo& info,
                                       const std::vector<ItemValue>& items, std::int64_t& id) {
    std::vector<SqlRow> rows;
    SqlStatus status = db_.Execute(ConnectionUpsert(), ConnectionRow(info), &rows);
    if (!status.ok()) return status;
    if (rows.size() != 1 || rows[0].empty())
        return SqlStatus::Failed(SqlError::Other, "the database gave no number for the connection");
    id = IntOf(rows[0][0]);
    static const std::string itemUpsert =
        "INSERT INTO item_values (connection_id, item_no, item, at_connect, at_end) VALUES "
        "(?, ?, ?, ?, ?) ON CONFLICT (connection_id, item_no) DO UPDATE SET at_end = "
        "excluded.at_end";
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ItemValue& item = items[i];
        status =
            db_.Execute(itemUpsert, {id, static_cast<std::int64_t>(i), item.item, item.atConnect,
                                     item.atEnd.empty() ? SqlValue{} : SqlValue{item.atEnd}});
        if (!status.ok()) return status;
    }
    return {};
}

SqlStatus RecordsStore::AddDetailRows(std::int64_t id, std::string_view tableName,
                                      const std::vector<NumberedRow>& rows) {
    const DetailTable& table = DetailTableNamed(tableName);
    for (std::size_t at = 0; at < rows.size(); at += kRowsPerStatement) {
        const std::size_t count = std::min(kRowsPerStatement, rows.size() - at);
        std::vector<SqlValue> values;
        values.reserve(count * (table.columns.size() + 2));
        for (std::size_t r = at; r < at + count; ++r) {
            if (rows[r].values.size() != table.columns.size())
                return SqlStatus::Failed(SqlError::Other, "a row does not fit its table");
            values.emplace_back(id);
            values.emplace_back(rows[r].seq);
            values.insert(values.end(), rows[r].values.begin(), rows[r].values.end());
        }
        const SqlStatus status = db_.Execute(DetailInsert(table, count), values);
        if (!status.ok()) return status;
    }
    return {};
}

SqlStatus RecordsStore::AddDetailRow(std::int64_t id, std::string_view table, std::int64_t seq,
                                     const SqlRow& row) {
    return AddDetailRows(id, table, {NumberedRow{seq, row}});
}

std::vector<std::pair<std::string_view, std::vector<NumberedRow>>> DetailRowsOf(
    const ConnectionRecord& record) {
    std::vector<std::pair<std::string_view, std::vector<NumberedRow>>> tables;
    auto add = [&tables](std::string_view name, const auto& items) {
        std::vector<NumberedRow> rows;
        std::int64_t seq = 0;
        for (const auto& item : items)
            rows.push_back({seq++, DetailRow(item)});
        tables.emplace_back(name, std::move(rows));
    };
    add("journal_entries", record.journal);
    add("readings", record.curves.readings);
    add("sweep_steps", record.curves.sweeps);
    add("bisection_steps", record.curves.bisections);
    add("operation_results", record.curves.results);
    add("procedure_steps", record.steps);
    std::vector<NumberedRow> values;
    for (std::size_t s = 0; s < record.steps.size(); ++s) {
        for (const StepValue& v : record.steps[s].values)
            values.push_back({static_cast<std::int64_t>(values.size()),
                              DetailRow(static_cast<std::int64_t>(s), v)});
    }
    tables.emplace_back("step_values", std::move(values));
    add("instrument_events", record.instruments);
    add("procedure_runs", record.runs);
    return tables;
}

SqlStatus RecordsStore::SaveRecord(const ConnectionRecord& record, std::int64_t& id) {
    SqlStatus status = db_.Begin();
    if (!status.ok()) return status;
    status = SaveConnection(record.info, record.items, id);
    for (const auto& [table, rows] : DetailRowsOf(record)) {
        if (!status.ok()) break;
        status = AddDetailRows(id, table, rows);
    }
    if (!status.ok()) {
        db_.Rollback();
        return status;
    }
    return db_.Commit();
}

SqlStatus RecordsStore::MarkOpenConnectionsUnfinished(int& count) {
    std::vector<SqlRow> rows;
    SqlStatus status = db_.Execute("UPDATE connections SET state = ? WHERE state = ? RETURNING id",
                                   {std::string(StateWord(ConnectionState::Unfinished)),
                                    std::string(StateWord(ConnectionState::Open))},
                                   &rows);
    count = static_cast<int>(rows.size());
    return status;
}

SqlStatus RecordsStore::FindConnection(const std::string& uid, std::optional<std::int64_t>& id) {
    std::vector<SqlRow> rows;
    id.reset();
    const SqlStatus status = db_.Execute("SELECT id FROM connections WHERE uid = ?", {uid}, &rows);
    if (status.ok() && !rows.empty() && !rows[0].empty()) id = IntOf(rows[0][0]);
    return status;
}

SqlStatus RecordsStore::HasBackup(const std::string& backupPath, const std::string& crc,
                                  bool& found) {
    std::vector<SqlRow> rows;
    const SqlStatus status =
        db_.Execute("SELECT count(*) FROM connections WHERE backup_name = ? AND backup_crc = ?",
                    {BackupName(backupPath), crc}, &rows);
    found = status.ok() && !rows.empty() && !rows[0].empty() && IntOf(rows[0][0]) > 0;
    return status;
}

SqlStatus RecordsStore::Fact(const std::string& name, std::optional<std::string>& value) {
    std::vector<SqlRow> rows;
    value.reset();
    const SqlStatus status =
        db_.Execute("SELECT value FROM records_facts WHERE name = ?", {name}, &rows);
    if (status.ok() && !rows.empty() && !rows[0].empty()) value = TextOf(rows[0][0]);
    return status;
}

SqlStatus RecordsStore::SetFact(const std::string& name, const std::string& value) {
    return db_.Execute(
        "INSERT INTO records_facts (name, value) VALUES (?, ?) ON CONFLICT (name) DO UPDATE "
        "SET value = excluded.value",
        {name, value});
}

}  // namespace qs
