#include "records_test_support.h"

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
    return r;
}

std::int64_t CountRows(ISqlConnection& db, const std::string& table) {
    std::vector<SqlRow> rows;
    if (!db.Execute("SELECT count(*) FROM " + table, {}, &rows).ok() || rows.empty()) return -1;
    return IntOf(rows[0][0]);
}

ConnectionRecord AsOfVersion(ConnectionRecord record, int version) {
    if (version >= 2) return record;
    ConnectionInfo& c = record.info;
    c.technician = c.serialNumber = c.workOrder = c.procedureTitle = c.verdict = "";
    record.steps.clear();
    record.instruments.clear();
    return record;
}

void WriteAtVersion(ISqlConnection& db, const ConnectionRecord& record, int version) {
    std::string columns;
    std::vector<SqlValue> values;
    const SqlRow row = ConnectionRow(record.info);
    for (std::size_t i = 0; i < ConnectionColumns().size(); ++i) {
        if (ConnectionColumns()[i].sinceVersion > version) continue;
        columns += (columns.empty() ? "" : ", ") + std::string(ConnectionColumns()[i].name);
        values.push_back(row[i]);
    }
    std::vector<SqlRow> ids;
    ASSERT_TRUE(db.Execute("INSERT INTO connections (" + columns + ") VALUES (" +
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
    RecordsStore store(db);
    for (const auto& [table, rows] : DetailRowsOf(record)) {
        if (DetailTableNamed(table).sinceVersion > version) continue;
        ASSERT_TRUE(store.AddDetailRows(id, table, rows).ok()) << table;
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
}

}  // namespace qs::records_test
