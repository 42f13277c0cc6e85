#include "history/records_upload.h"

#include <utility>

#include "history/record_rows.h"
#include "history/records_schema.h"
#include "history/records_store.h"

namespace qs {
namespace {

// Rows read from the local file at a time while catching a server up.
constexpr std::int64_t kRowsPerRead = 512;
SqlStatus OnServer(SqlStatus status) {
    if (!status.ok()) status.message = "server: " + status.message;
    return status;
}

// Brings one table of one connection up to date on the server.
SqlStatus SendTable(ISqlConnection& local, RecordsStore& server, const DetailTable& table,
                    std::int64_t localId, std::int64_t serverId, std::int64_t& sent) {
    const std::string name(table.name);
    std::vector<SqlRow> rows;
    SqlStatus status = server.db().Execute(
        "SELECT max(seq) FROM " + name + " WHERE connection_id = ?", {serverId}, &rows);
    if (!status.ok()) return OnServer(status);
    std::int64_t have = rows.empty() || rows[0].empty() ? -1 : IntOf(rows[0][0], -1);

    std::string select = "SELECT seq";
    for (const RecordsColumn& c : table.columns)
        select += ", " + std::string(c.name);
    select += " FROM " + name + " WHERE connection_id = ? AND seq > ? ORDER BY seq LIMIT ?";
    for (;;) {
        rows.clear();
        status = local.Execute(select, {localId, have, kRowsPerRead}, &rows);
        if (!status.ok()) return status;
        if (rows.empty()) return {};
        std::vector<NumberedRow> numbered;
        numbered.reserve(rows.size());
        for (SqlRow& row : rows) {
            NumberedRow n;
            n.seq = IntOf(row[0]);
            n.values.assign(std::make_move_iterator(row.begin() + 1),
                            std::make_move_iterator(row.end()));
            numbered.push_back(std::move(n));
        }
        if (!(status = server.AddDetailRows(serverId, table.name, numbered)).ok())
            return OnServer(status);
        sent += static_cast<std::int64_t>(numbered.size());
        have = numbered.back().seq;
        if (static_cast<std::int64_t>(numbered.size()) < kRowsPerRead) return {};
    }
}

SqlStatus SendConnection(ISqlConnection& local, ISqlConnection& remote, std::int64_t localId,
                         std::int64_t& sent) {
    std::vector<SqlRow> rows;
    SqlStatus status = local.Execute(ConnectionSelectSql() + " WHERE id = ?", {localId}, &rows);
    if (!status.ok() || rows.empty()) return status;
    const ConnectionInfo info = ConnectionFromRow(rows[0]);
    rows.clear();
    status = local.Execute(
        "SELECT item, at_connect, at_end FROM item_values WHERE connection_id = ? ORDER BY "
        "item_no",
        {localId}, &rows);
    if (!status.ok()) return status;
    std::vector<ItemValue> items;
    for (const SqlRow& row : rows)
        if (row.size() == 3) items.push_back({TextOf(row[0]), TextOf(row[1]), TextOf(row[2])});

    RecordsStore server(remote);
    if (!(status = remote.Begin()).ok()) return OnServer(status);
    std::int64_t serverId = 0;
    status = OnServer(server.SaveConnection(info, items, serverId));
    for (const DetailTable& table : DetailTables()) {
        if (!status.ok()) break;
        status = SendTable(local, server, table, localId, serverId, sent);
    }
    if (!status.ok()) {
        remote.Rollback();
        return status;
    }
    return OnServer(remote.Commit());
}

}  // namespace

UploadOutcome SendPendingRecords(ISqlConnection& local, ISqlConnection& remote,
                                 const std::string& targetText,
                                 const std::function<bool()>& stopping) {
    UploadOutcome outcome;
    std::vector<SqlRow> pending;
    outcome.status = local.Execute(
        "SELECT c.id, c.state, c.uid FROM connections c WHERE NOT EXISTS (SELECT 1 FROM "
        "sent_records s WHERE s.connection_uid = c.uid AND s.target = ?) ORDER BY c.id",
        {targetText}, &pending);
    if (!outcome.status.ok()) return outcome;
    for (const SqlRow& row : pending) {
        if (row.size() != 3) continue;
        if (stopping && stopping()) {
            outcome.stopped = true;
            return outcome;
        }
        outcome.status = SendConnection(local, remote, IntOf(row[0]), outcome.rows);
        if (!outcome.status.ok()) return outcome;
        ++outcome.connections;
        // An open connection is still growing: it is looked at again next time.
        if (TextOf(row[1]) == StateWord(ConnectionState::Open)) continue;
        outcome.status = local.Execute(
            "INSERT INTO sent_records (connection_uid, target) VALUES (?, ?) ON CONFLICT DO "
            "NOTHING",
            {TextOf(row[2]), targetText});
        if (!outcome.status.ok()) return outcome;
    }
    return outcome;
}

}  // namespace qs
