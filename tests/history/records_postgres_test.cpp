// The shared records on a real PostgreSQL server: the same schema and data as on a bench,
// two benches (two processes) sending at once, and a server stopped in the middle of a
// connection and started again.
#include <atomic>
#include <chrono>
#include <optional>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "child_process.h"
#include "history/record_rows.h"
#include "history/records_file.h"
#include "history/records_query.h"
#include "history/records_schema.h"
#include "history/records_store.h"
#include "history/records_upload.h"
#include "history/records_url.h"
#include "history/records_writer.h"
#include "history/service_records.h"
#include "postgres_server.h"
#include "records_test_support.h"
#include "safety/backup_file.h"
#include "stall_proxy.h"

namespace qs::records_test {
namespace {

using namespace std::chrono_literals;
using ::testing::HasSubstr;

class MigrationOnServer : public ::testing::TestWithParam<int> {};

TEST_P(MigrationOnServer, ReachesTheLatestWithItsDataKept) {
    QS_NEED_POSTGRES(server);
    const int from = GetParam();
    auto db = OpenOrFail(server->Target(server->NewDatabase("migrate")));
    ASSERT_TRUE(db);
    if (from == 1) {
        CreateVersion1(*db);
    } else {
        ASSERT_TRUE(MigrateRecords(*db, from).ok());
    }
    const ConnectionRecord sample = SampleRecord(1, 5);
    if (from > 0) WriteAtVersion(*db, sample, from);
    const SqlStatus status = MigrateRecords(*db);
    ASSERT_TRUE(status.ok()) << status.message;
    int version = 0;
    ASSERT_TRUE(ReadRecordsVersion(*db, version).ok());
    EXPECT_EQ(version, kLatestRecordsVersion);
    if (from > 0) ExpectSameRecord(Load(*db, sample.info.uid), AsOfVersion(sample, from));

    const ConnectionRecord latest = SampleRecord(2, 5);
    std::int64_t id = 0;
    ASSERT_TRUE(RecordsStore(*db).SaveRecord(latest, id).ok());
    ASSERT_TRUE(RecordsStore(*db).SaveRecord(latest, id).ok());
    EXPECT_EQ(CountRows(*db, "journal_entries"), from > 0 ? 10 : 5);
    ExpectSameRecord(Load(*db, latest.info.uid), latest);
    HistoryFilter filter;
    filter.serialNumber = latest.info.serialNumber;
    std::vector<ConnectionInfo> found;
    ASSERT_TRUE(FindConnections(*db, filter, found).ok());
    EXPECT_EQ(found, std::vector<ConnectionInfo>{latest.info});
}

INSTANTIATE_TEST_SUITE_P(EveryEarlierVersion, MigrationOnServer,
                         ::testing::Range(0, kLatestRecordsVersion));

TEST(SharedRecordsTest, SearchesFindAPartInAnyCase) {
    QS_NEED_POSTGRES(server);
    auto db = OpenOrFail(server->Target(server->NewDatabase("search")));
    ASSERT_TRUE(db);
    ExpectSearchesByPartAndCase(*db);
}

// A statement that waits on the server, here for a lock another program holds, is given up
// at the target's statement time-out with the server's reason, not left hanging; the lock
// gone, the same connection goes on.
TEST(SharedRecordsTest, AStatementWaitingOnALockIsGivenUpAtItsTimeOut) {
    QS_NEED_POSTGRES(server);
    const std::string name = server->NewDatabase("locked");
    auto holder = OpenOrFail(server->Target(name));
    ASSERT_TRUE(holder);
    ASSERT_TRUE(MigrateRecords(*holder).ok());
    SqlTarget target = server->Target(name);
    target.statementTimeoutMs = 400;
    auto waiter = OpenOrFail(target);
    ASSERT_TRUE(waiter);

    ASSERT_TRUE(holder->Begin().ok());
    ASSERT_TRUE(holder->Execute("LOCK TABLE connections IN ACCESS EXCLUSIVE MODE", {}).ok());
    const auto asked = std::chrono::steady_clock::now();
    std::vector<SqlRow> rows;
    const SqlStatus status = waiter->Execute("SELECT COUNT(*) FROM connections", {}, &rows);
    const auto waited = std::chrono::steady_clock::now() - asked;
    EXPECT_FALSE(status.ok());
    EXPECT_THAT(status.message, HasSubstr("statement timeout"));
    EXPECT_GE(waited, 350ms);
    EXPECT_LT(waited, 20s);  // far from the minute a bench uses, and from forever
    ASSERT_TRUE(holder->Rollback().ok());

    rows.clear();
    ASSERT_TRUE(waiter->Execute("SELECT COUNT(*) FROM connections", {}, &rows).ok());
    EXPECT_EQ(IntOf(rows.at(0).at(0)), 0);
}

TEST(SharedRecordsTest, TwoBenchesSendingAtOnceLoseNothingAndDoubleNothing) {
    QS_NEED_POSTGRES(server);
    constexpr int kConnections = 15;
    constexpr int kEntries = 40;
    const std::string database = server->NewDatabase("benches");
    TempFolder folder;
    const std::string url = server->Url(database);
    const std::string first = folder.path() + "/bench-a.sqlite";
    const std::string second = folder.path() + "/bench-b.sqlite";
    ChildProcess a({QS_RECORDS_CHILD, "bench", first, url, "bench-a", std::to_string(kConnections),
                    std::to_string(kEntries)});
    ChildProcess b({QS_RECORDS_CHILD, "bench", second, url, "bench-b", std::to_string(kConnections),
                    std::to_string(kEntries)});
    ASSERT_TRUE(a.started() && b.started());
    EXPECT_EQ(a.Wait(), 0);
    EXPECT_EQ(b.Wait(), 0);

    auto db = OpenOrFail(server->Target(database));
    ASSERT_TRUE(db);
    auto expectEverythingOnce = [&] {
        EXPECT_EQ(CountRows(*db, "connections"), 2 * kConnections);
        EXPECT_EQ(CountRows(*db, "journal_entries"), 2 * kConnections * kEntries);
        EXPECT_EQ(CountRows(*db, "readings"), 2 * kConnections * kEntries);
        for (const char* bench : {"bench-a", "bench-b"}) {
            HistoryFilter filter;
            filter.bench = bench;
            std::vector<ConnectionInfo> found;
            ASSERT_TRUE(FindConnections(*db, filter, found).ok());
            ASSERT_EQ(found.size(), std::size_t{kConnections}) << bench;
            for (const ConnectionInfo& info : found) {
                EXPECT_EQ(info.state, ConnectionState::Finished);
                EXPECT_EQ(info.verdict, "pass");
                const ConnectionRecord record = Load(*db, info.uid);
                ASSERT_EQ(record.journal.size(), std::size_t{kEntries});
                for (int i = 0; i < kEntries; ++i)
                    EXPECT_EQ(record.journal[static_cast<std::size_t>(i)].oldValue,
                              std::to_string(i));
                EXPECT_EQ(record.items.at(0).atEnd, std::to_string(kEntries));
            }
        }
    };
    expectEverythingOnce();

    // Sent again from the start, as after an answer lost on the way: still everything once.
    auto local = OpenSqlite(first);
    ASSERT_TRUE(local->Execute("DELETE FROM sent_records", {}).ok());
    const UploadOutcome again =
        SendPendingRecords(*local, *db, RecordsTargetText(server->Target(database)));
    ASSERT_TRUE(again.status.ok()) << again.status.message;
    EXPECT_EQ(again.connections, kConnections);
    EXPECT_EQ(again.rows, 0);
    expectEverythingOnce();
}

// Collects what the uploader tells the technician.
struct Messages {
    void Add(const std::string& text) {
        std::lock_guard<std::mutex> lock(mutex);
        texts.push_back(text);
    }
    std::vector<std::string> All() {
        std::lock_guard<std::mutex> lock(mutex);
        return texts;
    }
    std::mutex mutex;
    std::vector<std::string> texts;
};

TEST(SharedRecordsTest, ServerStoppedMidConnectionTheRecordsArriveWhenItIsBack) {
    QS_NEED_POSTGRES(server);
    const std::string database = server->NewDatabase("outage");
    TempFolder folder;
    const std::string path = folder.path() + "/records.sqlite";
    FixedWallClock clock;
    CountingRandom random;
    Messages messages;
    std::optional<RecordsUploader> sender;  // outlives the writer, which nudges it
    RecordsWriter writer(Connector(), path, random, clock);
    ASSERT_EQ(writer.WaitOpened().outcome, LocalRecordsOpening::Outcome::Ready);
    RecordsUploader& uploader = sender.emplace(Connector(), path, server->Target(database), 200ms);
    uploader.setProblemReporter([&messages](const std::string& text) { messages.Add(text); });
    writer.setWrittenNotifier([&uploader] { uploader.Nudge(); });

    const ConnectionRecord sample = SampleRecord(5, 60);
    const std::string uid = writer.BeginConnection(sample.info, sample.items);
    for (int i = 0; i < 30; ++i)
        writer.AddJournalEntry(sample.journal[static_cast<std::size_t>(i)]);
    writer.Flush();
    ASSERT_TRUE(uploader.WaitUpToDate(30s)) << uploader.status().message;

    ASSERT_TRUE(server->Stop());
    // The connection goes on while the server is away; nothing here waits for it.
    for (int i = 30; i < 60; ++i)
        writer.AddJournalEntry(sample.journal[static_cast<std::size_t>(i)]);
    for (const TimedResult& r : sample.curves.results)
        writer.AddResult(r);
    for (const ProcedureStep& s : sample.steps)
        writer.AddStep(s);
    writer.EndConnection(*sample.info.endedAt, sample.items, "pass");
    writer.Flush();
    EXPECT_FALSE(uploader.WaitUpToDate(2s));
    EXPECT_FALSE(uploader.status().reachable);
    auto local = OpenSqlite(path);
    EXPECT_EQ(Load(*local, uid).journal.size(), 60u);  // kept on the bench meanwhile

    ASSERT_TRUE(server->Start());
    ASSERT_TRUE(uploader.WaitUpToDate(60s)) << uploader.status().message;
    auto shared = OpenOrFail(server->Target(database));
    ASSERT_TRUE(shared);
    const ConnectionRecord there = Load(*shared, uid);
    ExpectSameRecord(there, Load(*local, uid));
    EXPECT_EQ(there.info.state, ConnectionState::Finished);
    EXPECT_EQ(there.journal.size(), 60u);
    const std::vector<std::string> said = messages.All();
    ASSERT_GE(said.size(), 2u);
    EXPECT_THAT(said[said.size() - 2], HasSubstr("cannot be reached"));
    EXPECT_THAT(said.back(), HasSubstr("answer again"));
}

// A server a newer program has brought to a newer version: an older bench keeps sending when
// the version allows it; when it does not, the bench is told why with both versions, never
// that the server cannot be reached.
TEST(SharedRecordsTest, ANewerServerTakesTheRecordsWhenItAllowsThisProgramAndSaysWhyNot) {
    QS_NEED_POSTGRES(server);
    const int newer = kLatestRecordsVersion + 1;
    const struct {
        const char* name;
        int oldestWriter;
        bool sends;
    } cases[] = {
        {"compatible", kLatestRecordsVersion, true},
        {"incompatible", newer, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string database = server->NewDatabase(c.name);
        {
            auto shared = OpenOrFail(server->Target(database));
            ASSERT_TRUE(shared && MigrateRecords(*shared).ok());
            ASSERT_TRUE(
                shared
                    ->Execute("UPDATE schema_version SET version = ?, min_writer_version = ?",
                              {std::int64_t{newer}, std::int64_t{c.oldestWriter}})
                    .ok());
        }
        TempFolder folder;
        const std::string path = folder.path() + "/records.sqlite";
        FixedWallClock clock;
        CountingRandom random;
        Messages messages;
        std::optional<RecordsUploader> sender;
        RecordsWriter writer(Connector(), path, random, clock);
        ASSERT_EQ(writer.WaitOpened().outcome, LocalRecordsOpening::Outcome::Ready);
        RecordsUploader& uploader =
            sender.emplace(Connector(), path, server->Target(database), 200ms);
        uploader.setProblemReporter([&messages](const std::string& text) { messages.Add(text); });
        const ConnectionRecord sample = SampleRecord(3, 4);
        const std::string uid = writer.BeginConnection(sample.info, sample.items);
        writer.EndConnection(*sample.info.endedAt, sample.items, "pass");
        writer.Flush();
        if (c.sends) {
            ASSERT_TRUE(uploader.WaitUpToDate(30s)) << uploader.status().message;
            auto shared = OpenOrFail(server->Target(database));
            EXPECT_EQ(Load(*shared, uid).info.state, ConnectionState::Finished);
            continue;
        }
        EXPECT_FALSE(uploader.WaitUpToDate(2s));
        ASSERT_FALSE(messages.All().empty());
        const std::string said = messages.All().front();
        EXPECT_THAT(said, HasSubstr("version " + std::to_string(newer)));
        EXPECT_THAT(said, HasSubstr("writes version " + std::to_string(kLatestRecordsVersion)));
        EXPECT_THAT(said, ::testing::Not(HasSubstr("cannot be reached")));
    }
}

// Standard error while it lives, into a file of its own.
class CapturedStandardError {
public:
    explicit CapturedStandardError(const std::string& path)
        : path_(path), saved_(::dup(STDERR_FILENO)) {
        const int file = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        ::dup2(file, STDERR_FILENO);
        ::close(file);
    }
    ~CapturedStandardError() { Release(); }
    std::string Release() {
        if (saved_ >= 0) {
            std::fflush(stderr);
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
            saved_ = -1;
        }
        return FileBytes(path_);
    }

private:
    std::string path_;
    int saved_;
};

// The program's closing against a shop's server that accepts and never answers, and one whose
// link stalls in the middle of a statement: it takes at most 2 s whatever the server does, the
// rows left on the bench arrive at the next start exactly once, and standard error holds
// nothing of the server's or of Qt SQL's.
TEST(SharedRecordsTest, ClosingNeverWaitsOnAStalledServerAndTheRowsGoAtTheNextStart) {
    QS_NEED_POSTGRES(server);
    using Mode = StallProxy::Mode;
    constexpr auto kClosing = 2s;
    // Beyond the 2 s, room for a machine loaded by other suites; far below the statement
    // time-out (60 s) that closing used to wait for.
    constexpr auto kLoadMargin = 500ms;
    for (const Mode stall : {Mode::Silent, Mode::Stall}) {
        const bool midStatement = stall == Mode::Stall;
        SCOPED_TRACE(midStatement ? "stalls mid-statement" : "accepts and never answers");
        const std::string database = server->NewDatabase("stalled");
        TempFolder folder;
        CapturedStandardError stderrFile(folder.path() + "/stderr.txt");
        StallProxy proxy(server->SocketFile());
        ASSERT_GT(proxy.port(), 0);
        SqlTarget target = server->Target(database);
        target.host = "127.0.0.1";
        target.port = proxy.port();
        const std::string backups = folder.path() + "/backups";
        BackupRecord backup;
        backup.modelCode = "3017";
        backup.subCode = "0102";
        backup.dateTime = "2026-12-07 10:46:02";
        backup.image.assign(kBackupImageBytes, 0x10);
        const std::vector<JournalEntry> journal = SampleRecord(7, 40).journal;
        CountingRandom random;
        FixedWallClock clock;
        proxy.setMode(midStatement ? Mode::Forward : Mode::Silent);
        auto records = std::make_unique<ServiceRecords>(
            Connector(), random, clock, ServiceRecordsSetup{backups, "bench-1", "1.0", target, {}},
            [](const std::string&) {});
        records->OnConnectionStarted(backup, "");
        for (std::size_t i = 0; i < 20; ++i)
            records->OnJournalEntry(journal[i]);
        records->Flush();
        if (midStatement) {
            auto shared = OpenOrFail(server->Target(database));
            ASSERT_TRUE(shared);
            for (int tries = 0; CountRows(*shared, "journal_entries") < 20 && tries < 300; ++tries)
                std::this_thread::sleep_for(100ms);
            ASSERT_EQ(CountRows(*shared, "journal_entries"), 20);
            proxy.setMode(Mode::Stall);
            for (std::size_t i = 20; i < journal.size(); ++i)
                records->OnJournalEntry(journal[i]);
            records->Flush();
            std::this_thread::sleep_for(300ms);  // the uploader's next round is under way
        }
        const auto closing = std::chrono::steady_clock::now();
        records.reset();
        EXPECT_LT(std::chrono::steady_clock::now() - closing, kClosing + kLoadMargin);

        // The next start: the link is back, the stalled one gone.
        proxy.DropAll();
        proxy.setMode(Mode::Forward);
        {
            RecordsUploader next(Connector(), RecordsPathFor(backups), target, 100ms);
            ASSERT_TRUE(next.WaitUpToDate(60s)) << next.status().message;
        }
        auto shared = OpenOrFail(server->Target(database));
        ASSERT_TRUE(shared);
        EXPECT_EQ(CountRows(*shared, "connections"), 1);
        EXPECT_EQ(CountRows(*shared, "journal_entries"),
                  static_cast<std::int64_t>(midStatement ? journal.size() : 20));
        const std::string said = stderrFile.Release();
        EXPECT_THAT(said, ::testing::Not(HasSubstr("Unable to free statement")));
        EXPECT_THAT(said, ::testing::Not(HasSubstr("NOTICE")));
    }
}

TEST(SharedRecordsTest, AServerThatIsNotThereIsSaidSoAtOnceAndTheBenchKeepsItsRecords) {
    TempFolder folder;
    const std::string path = folder.path() + "/records.sqlite";
    FixedWallClock clock;
    CountingRandom random;
    RecordsWriter writer(Connector(), path, random, clock);
    SqlTarget nowhere;
    std::string error;
    ASSERT_TRUE(ParseRecordsUrl("postgresql://tech@/records?host=" + folder.path() + "/none",
                                nowhere, error))
        << error;
    RecordsUploader uploader(Connector(), path, nowhere, 100ms);
    writer.BeginConnection(SampleRecord(1).info, {});
    writer.AddJournalEntry(SampleRecord(1).journal[0]);
    writer.Flush();
    EXPECT_FALSE(uploader.WaitUpToDate(1s));
    const RecordsUploader::Status status = uploader.status();
    EXPECT_FALSE(status.reachable);
    EXPECT_FALSE(status.message.empty());
    auto local = OpenSqlite(path);
    EXPECT_EQ(CountRows(*local, "journal_entries"), 1);
}

}  // namespace
}  // namespace qs::records_test
