// A second program for the records' tests, so that a test can kill it or run two at once:
//
//   records_child write PATH
//       writes journal entries into a connection until killed, printing the number of
//       entries written (committed) after each
//   records_child bench PATH URL BENCH CONNECTIONS ENTRIES
//       one bench of a shop: records CONNECTIONS connections of ENTRIES journal lines into its
//       local file, sends them to the shared server at URL, and ends 0 once they are all there
#include <QCoreApplication>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>

#include "history/connection_uid.h"
#include "history/records_upload.h"
#include "history/records_url.h"
#include "history/records_writer.h"
#include "qtsql/qt_sql_connector.h"
#include "safety/wall_clock.h"

namespace {

qs::ConnectionInfo Info(const std::string& bench, int n) {
    qs::ConnectionInfo info;
    info.startedAt = 1796640000 + n;
    info.startedLocal = "2026-12-07 12:00:00";
    info.bench = bench;
    info.programVersion = "1.0";
    info.modelCode = "3017";
    info.subCode = "0102";
    info.serialNumber = bench + "-" + std::to_string(n);
    return info;
}

qs::JournalEntry Entry(int i) {
    return {"2026-12-07 12:00:00", "Power(Hi)", std::to_string(i), std::to_string(i + 1), "093832"};
}

int WriteUntilKilled(const std::string& path) {
    qs::QtSqlConnector connector;
    qs::SystemRandomSource random;
    qs::SystemWallClock clock;
    qs::RecordsWriter writer(connector, path, random, clock);
    if (writer.WaitOpened().outcome != qs::LocalRecordsOpening::Outcome::Ready) return 1;
    writer.BeginConnection(Info("killed", 0), {{"Power(Hi)", "0", ""}});
    for (int i = 0;; ++i) {
        writer.AddJournalEntry(Entry(i));
        writer.Flush();
        std::printf("%d\n", i + 1);
        std::fflush(stdout);
    }
}

int Bench(const std::string& path, const std::string& url, const std::string& bench,
          int connections, int entries) {
    qs::SqlTarget server;
    std::string error;
    if (!qs::ParseRecordsUrl(url, server, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    qs::QtSqlConnector connector;
    qs::SystemRandomSource random;
    qs::SystemWallClock clock;
    std::optional<qs::RecordsUploader> sender;  // outlives the writer, which nudges it
    qs::RecordsWriter writer(connector, path, random, clock);
    if (writer.WaitOpened().outcome != qs::LocalRecordsOpening::Outcome::Ready) return 1;
    qs::RecordsUploader& uploader =
        sender.emplace(connector, path, server, std::chrono::milliseconds(200));
    writer.setWrittenNotifier([&uploader] { uploader.Nudge(); });
    for (int c = 0; c < connections; ++c) {
        writer.BeginConnection(Info(bench, c), {{"Power(Hi)", "0", ""}});
        for (int i = 0; i < entries; ++i) {
            writer.AddJournalEntry(Entry(i));
            writer.AddReading({i * 10, {qs::ReadingGroup::Ad, i % 4, i % 256}});
        }
        writer.EndConnection(1796640000 + c + 60, {{"Power(Hi)", "0", std::to_string(entries)}},
                             "pass");
    }
    writer.Flush();
    if (!uploader.WaitUpToDate(std::chrono::seconds(120))) {
        std::fprintf(stderr, "not sent: %s\n", uploader.status().message.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "write" && argc == 3) return WriteUntilKilled(argv[2]);
    if (mode == "bench" && argc == 7)
        return Bench(argv[2], argv[3], argv[4], std::atoi(argv[5]), std::atoi(argv[6]));
    std::fprintf(stderr,
                 "usage: records_child write PATH | bench PATH URL BENCH CONNECTIONS ENTRIES\n");
    return 2;
}
