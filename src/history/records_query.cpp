#include "history/records_query.h"

#include "history/record_rows.h"
#include "history/records_schema.h"

namespace qs {
namespace {

std::string LastNewValue(const std::vector<JournalEntry>& journal, const std::string& item) {
    for (auto it = journal.rbegin(); it != journal.rend(); ++it)
        if (it->item == item) return it->newValue;
    return "";
}

// LIKE's escape character: one that no server setting reads as anything but itself (a
// backslash would, where PostgreSQL's standard_conforming_strings is off).
constexpr char kLikeEscape = '!';

// The user's text as a LIKE pattern that finds it anywhere: its own % and _ (and the escape
// character) match only themselves.
std::string ContainsPattern(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return "%";
    const std::string trimmed = text.substr(first, text.find_last_not_of(" \t") - first + 1);
    std::string pattern = "%";
    for (const char c : trimmed) {
        if (c == '%' || c == '_' || c == kLikeEscape) pattern += kLikeEscape;
        pattern += c;
    }
    return pattern + "%";
}

const ItemValue* Find(const std::vector<ItemValue>& items, const std::string& name) {
    for (const ItemValue& item : items)
        if (item.item == name) return &item;
    return nullptr;
}

}  // namespace

SqlStatus FindConnections(ISqlConnection& db, const HistoryFilter& filter,
                          std::vector<ConnectionInfo>& found) {
    std::string where;
    std::vector<SqlValue> values;
    auto narrow = [&](const char* condition, SqlValue value) {
        where += where.empty() ? " WHERE " : " AND ";
        where += condition;
        values.push_back(std::move(value));
    };
    // What people type: part of the name or number, in any case ("4f12" finds "SN 4F12").
    // lower() on both sides, as PostgreSQL's LIKE minds the case and SQLite's does not.
    auto contains = [&](const char* column, const std::string& text) {
        if (text.empty()) return;
        narrow((std::string("lower(") + column + ") LIKE lower(?) ESCAPE '" + kLikeEscape + "'")
                   .c_str(),
               ContainsPattern(text));
    };
    contains("serial_number", filter.serialNumber);
    contains("work_order", filter.workOrder);
    contains("technician", filter.technician);
    // Older records wrote the verdict in lower case.
    if (!filter.verdict.empty()) narrow("UPPER(verdict) = UPPER(?)", filter.verdict);
    if (!filter.bench.empty()) narrow("bench = ?", filter.bench);
    if (filter.since) narrow("started_at >= ?", static_cast<std::int64_t>(*filter.since));
    if (filter.until) narrow("started_at < ?", static_cast<std::int64_t>(*filter.until));
    values.emplace_back(static_cast<std::int64_t>(filter.limit > 0 ? filter.limit : 1000));
    std::vector<SqlRow> rows;
    const SqlStatus status =
        db.Execute(ConnectionSelectSql() + where + " ORDER BY started_at DESC, id DESC LIMIT ?",
                   values, &rows);
    if (!status.ok()) return status;
    found.clear();
    found.reserve(rows.size());
    for (const SqlRow& row : rows)
        found.push_back(ConnectionFromRow(row));
    return {};
}

SqlStatus LoadConnection(ISqlConnection& db, const std::string& uid, ConnectionRecord& record,
                         bool& found) {
    record = ConnectionRecord{};
    found = false;
    std::vector<SqlRow> rows;
    SqlStatus status = db.Execute(ConnectionSelectSql() + " WHERE uid = ?", {uid}, &rows);
    if (!status.ok() || rows.empty()) return status;
    record.info = ConnectionFromRow(rows[0]);
    const std::int64_t id = IntOf(rows[0].back());
    found = true;

    rows.clear();
    status = db.Execute(
        "SELECT item, at_connect, at_end FROM item_values WHERE connection_id = ? ORDER BY "
        "item_no",
        {id}, &rows);
    if (!status.ok()) return status;
    for (const SqlRow& row : rows)
        if (row.size() == 3)
            record.items.push_back({TextOf(row[0]), TextOf(row[1]), TextOf(row[2])});

    // A reader never migrates: the tables of a later version than the records' are not there.
    int version = 0;
    if (!(status = ReadRecordsVersion(db, version)).ok()) return status;
    for (const DetailTable& table : DetailTables()) {
        if (table.sinceVersion > version) continue;
        std::string sql = "SELECT ";
        for (std::size_t c = 0; c < table.columns.size(); ++c)
            sql += (c == 0 ? "" : ", ") + std::string(table.columns[c].name);
        sql += " FROM " + std::string(table.name) + " WHERE connection_id = ? ORDER BY seq";
        rows.clear();
        if (!(status = db.Execute(sql, {id}, &rows)).ok()) return status;
        for (const SqlRow& row : rows)
            AddDetailRow(table.name, row, record);
    }

    for (ItemValue& item : record.items) {
        if (!item.atEnd.empty()) continue;
        const std::string last = LastNewValue(record.journal, item.item);
        item.atEnd = last.empty() ? item.atConnect : last;
    }
    return {};
}

std::vector<ItemComparison> CompareConnections(const ConnectionRecord& first,
                                               const ConnectionRecord& second) {
    std::vector<ItemComparison> rows;
    auto add = [&rows](const std::string& name, const ItemValue* a, const ItemValue* b) {
        ItemComparison row;
        row.item = name;
        row.firstAtConnect = a ? a->atConnect : "-";
        row.firstAtEnd = a ? a->atEnd : "-";
        row.secondAtConnect = b ? b->atConnect : "-";
        row.secondAtEnd = b ? b->atEnd : "-";
        row.differs = row.firstAtEnd != row.secondAtEnd;
        rows.push_back(row);
    };
    for (const ItemValue& a : first.items)
        add(a.item, &a, Find(second.items, a.item));
    for (const ItemValue& b : second.items)
        if (Find(first.items, b.item) == nullptr) add(b.item, nullptr, &b);
    return rows;
}

}  // namespace qs
