// The service records: what writing them costs the program's thread (the part of an
// adjustment's key to wire they could add), and how fast the history is searched in a large
// records file. Prints figures against their bounds; never passes or fails.
//
//   bench_records [--connections=10000] [--lines=300] [--entries=3000]
//
// Two ways of writing are measured: on the program's thread (one small transaction per entry
// in the write-ahead log, synchronous=NORMAL), and through the writer thread the program uses,
// where the program's thread only queues the entry.
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench_figures.h"
#include "history/connection_uid.h"
#include "history/record_rows.h"
#include "history/records_file.h"
#include "history/records_query.h"
#include "history/records_schema.h"
#include "history/records_store.h"
#include "history/records_writer.h"
#include "qtsql/qt_sql_connector.h"

namespace {

using namespace qs;
using namespace qs::bench;

constexpr double kKeyToWireBoundMs = 1.0;
constexpr double kQueryBoundMs = 50.0;
constexpr std::time_t kFirstStart = 1767225600;  // 2026-01-01
constexpr int kRadios = 2000;
constexpr int kQueries = 50;

class FixedClock : public IWallClock {
public:
    std::time_t Now() const override { return kFirstStart; }
};

JournalEntry Entry(int i) {
    return {"2026-12-07 10:46:05", "Power(Hi)", std::to_string(i % 256),
            std::to_string((i + 1) % 256), "0938" + std::to_string(i % 10)};
}

ConnectionInfo Info(int n, int connections) {
    ConnectionInfo info;
    info.uid = "bench-" + std::to_string(n);
    info.state = ConnectionState::Finished;
    // Two years of a shop's work, evenly spread.
    info.startedAt = kFirstStart + static_cast<std::time_t>(n) * (2 * 365 * 86400 / connections);
    info.endedAt = info.startedAt + 1200;
    info.startedLocal = "2026-12-07 10:46:02";
    info.bench = "bench-" + std::to_string(n % 3);
    info.programVersion = "1.0";
    info.modelCode = "3017";
    info.subCode = "0102";
    info.identificationHex = "EFEEE130170102";
    info.backupCrc = "1C291CA3";
    info.backupPath = "/home/tech/.local/share/qs71dr-adj/backups/" + std::to_string(n) + ".qsbak";
    info.serialNumber = "SN" + std::to_string(n % kRadios);
    info.workOrder = "WO-" + std::to_string(n);
    info.technician = n % 2 == 0 ? "Ana" : "Ben";
    info.verdict = n % 10 == 0 ? "fail" : "pass";
    return info;
}

std::vector<ItemValue> Items() {
    std::vector<ItemValue> items;
    for (int i = 0; i < 17; ++i)
        items.push_back({"Item " + std::to_string(i), "128", "130"});
    return items;
}

double Ms(double seconds) {
    return seconds * 1000.0;
}

void PrintDistribution(const std::string& name, const std::vector<double>& ms, double bound) {
    PrintFigure(name + ", median", Percentile(ms, 50), bound, "ms");
    PrintFigure(name + ", 99th percentile", Percentile(ms, 99), bound, "ms");
    PrintFigure(name + ", largest", Percentile(ms, 100), bound, "ms");
}

// One entry per call on the program's thread, each its own transaction.
void OnTheProgramsThread(QtSqlConnector& connector, const std::string& folder, int entries) {
    LocalRecordsOpening opening;
    FixedClock clock;
    auto db = OpenLocalRecords(connector, folder + "/direct.sqlite", clock, opening);
    if (!db) return;
    RecordsStore store(*db);
    std::int64_t id = 0;
    store.SaveConnection(Info(0, 1), Items(), id);
    std::vector<double> ms;
    for (int i = 0; i < entries; ++i) {
        const double start = WallSeconds();
        store.AddDetailRow(id, "journal_entries", i, DetailRow(Entry(i)));
        ms.push_back(Ms(WallSeconds() - start));
    }
    PrintDistribution("entry written on the program's thread", ms, kKeyToWireBoundMs);
}

// The program's thread queues, the writer's thread writes.
void ThroughTheWriter(QtSqlConnector& connector, const std::string& folder, int entries) {
    SystemRandomSource random;
    FixedClock clock;
    RecordsWriter writer(connector, folder + "/writer.sqlite", random, clock);
    writer.WaitOpened();
    writer.BeginConnection(Info(0, 1), Items());
    std::vector<double> ms;
    const double begin = WallSeconds();
    for (int i = 0; i < entries; ++i) {
        const double start = WallSeconds();
        writer.AddJournalEntry(Entry(i));
        ms.push_back(Ms(WallSeconds() - start));
        // Entries come at the pace of a sweep (one every few milliseconds at most), not all at
        // once; a short pause keeps the writer's thread at that pace.
        if (i % 10 == 9) writer.Flush();
    }
    writer.Flush();
    const double all = WallSeconds() - begin;
    PrintDistribution("entry queued for the writer thread", ms, kKeyToWireBoundMs);
    PrintNote("writer thread: entries written per second", entries / all, "/s");
}

void FillLargeFile(ISqlConnection& db, int connections, int lines) {
    RecordsStore store(db);
    std::vector<NumberedRow> journal;
    for (int i = 0; i < lines; ++i)
        journal.push_back({i, DetailRow(Entry(i))});
    const std::vector<ItemValue> items = Items();
    constexpr int kPerTransaction = 50;
    for (int n = 0; n < connections; n += kPerTransaction) {
        db.Begin();
        for (int k = n; k < std::min(connections, n + kPerTransaction); ++k) {
            std::int64_t id = 0;
            store.SaveConnection(Info(k, connections), items, id);
            store.AddDetailRows(id, "journal_entries", journal);
        }
        db.Commit();
    }
}

void Searches(QtSqlConnector& connector, const std::string& path, int connections) {
    SqlStatus status;
    auto db = connector.Open(LocalRecordsTarget(path), status);
    if (!db) return;
    SetLocalPragmas(*db);
    std::mt19937 pick(7);
    std::vector<double> bySerial, byTechnician, byWeek, byMonth, load;
    std::size_t found = 0;
    for (int q = 0; q < kQueries; ++q) {
        HistoryFilter serial;
        // As people type it: in lower case, a part that also finds longer numbers.
        serial.serialNumber = "sn" + std::to_string(pick() % kRadios);
        std::vector<ConnectionInfo> rows;
        double start = WallSeconds();
        FindConnections(*db, serial, rows);
        bySerial.push_back(Ms(WallSeconds() - start));
        found += rows.size();

        HistoryFilter technician;
        technician.technician = q % 2 == 0 ? "an" : "BE";
        start = WallSeconds();
        FindConnections(*db, technician, rows);
        byTechnician.push_back(Ms(WallSeconds() - start));

        const std::time_t from = kFirstStart + static_cast<std::time_t>(pick() % (600 * 86400));
        HistoryFilter week;
        week.since = from;
        week.until = from + 7 * 86400;
        start = WallSeconds();
        FindConnections(*db, week, rows);
        byWeek.push_back(Ms(WallSeconds() - start));

        HistoryFilter month;
        month.since = from;
        month.until = from + 31 * 86400;
        start = WallSeconds();
        FindConnections(*db, month, rows);
        byMonth.push_back(Ms(WallSeconds() - start));

        ConnectionRecord record;
        bool present = false;
        start = WallSeconds();
        LoadConnection(*db, "bench-" + std::to_string(pick() % static_cast<unsigned>(connections)),
                       record, present);
        load.push_back(Ms(WallSeconds() - start));
    }
    PrintDistribution("history by part of a serial number, any case", bySerial, kQueryBoundMs);
    PrintNote("  connections found per serial number", static_cast<double>(found) / kQueries, "");
    PrintDistribution("history by part of a technician's name (1000 rows)", byTechnician,
                      kQueryBoundMs);
    PrintDistribution("history by date range (a week)", byWeek, kQueryBoundMs);
    PrintDistribution("history by date range (a month)", byMonth, kQueryBoundMs);
    PrintNote("one connection in full (journal and all), median", Percentile(load, 50), "ms");
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const int connections = static_cast<int>(OptionValue(argc, argv, "connections", 10000));
    const int lines = static_cast<int>(OptionValue(argc, argv, "lines", 300));
    const int entries = static_cast<int>(OptionValue(argc, argv, "entries", 3000));
    char pattern[] = "/tmp/qs-bench-records-XXXXXX";
    if (mkdtemp(pattern) == nullptr) return 1;
    const std::string folder = pattern;
    QtSqlConnector connector;

    std::printf("records: what writing costs the program's thread, %d entries\n", entries);
    OnTheProgramsThread(connector, folder, entries);
    ThroughTheWriter(connector, folder, entries);

    std::printf("\nrecords: %d connections of %d journal lines\n", connections, lines);
    const std::string path = folder + "/large.sqlite";
    {
        LocalRecordsOpening opening;
        FixedClock clock;
        auto db = OpenLocalRecords(connector, path, clock, opening);
        if (!db) {
            std::fprintf(stderr, "%s\n", opening.message.c_str());
            return 1;
        }
        const double start = WallSeconds();
        FillLargeFile(*db, connections, lines);
        PrintNote("filling the file", WallSeconds() - start, "s");
    }
    PrintNote("records file size", static_cast<double>(std::filesystem::file_size(path)) / 1e6,
              "MB");
    {
        LocalRecordsOpening opening;
        FixedClock clock;
        const double start = WallSeconds();
        auto db = OpenLocalRecords(connector, path, clock, opening);
        PrintNote("opening it to record (whole-file check)", Ms(WallSeconds() - start), "ms");
    }
    {
        RecordsToRead reading;
        const double start = WallSeconds();
        auto db = OpenLocalRecordsToRead(connector, path, reading);
        PrintNote("opening it to read beside the recording program", Ms(WallSeconds() - start),
                  "ms");
    }
    Searches(connector, path, connections);
    std::filesystem::remove_all(folder);
    return 0;
}
