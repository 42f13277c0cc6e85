// A program killed with SIGKILL in the middle of a connection: the records open, hold every
// entry it had written, mark the connection unfinished (not while it lived), and the next
// start goes on.
#include <csignal>

#include <gtest/gtest.h>

#include "child_process.h"
#include "history/records_file.h"
#include "history/records_query.h"
#include "history/records_writer.h"
#include "records_test_support.h"

namespace qs::records_test {
namespace {

constexpr int kEntriesBeforeKill = 150;
constexpr int kLineTimeoutMs = 20000;

TEST(KilledProgramTest, RecordsHoldEveryEntryWrittenAndTheNextStartGoesOn) {
    TempFolder folder;
    const std::string path = folder.path() + "/records.sqlite";
    ChildProcess child({QS_RECORDS_CHILD, "write", path});
    ASSERT_TRUE(child.started());
    int confirmed = 0;
    std::string line;
    while (confirmed < kEntriesBeforeKill && child.ReadLine(line, kLineTimeoutMs))
        confirmed = std::stoi(line);
    ASSERT_GE(confirmed, kEntriesBeforeKill);
    {
        // A second recording program (another cable's) leaves the live connection open.
        FixedWallClock clock;
        LocalRecordsOpening beside;
        ASSERT_TRUE(OpenLocalRecords(Connector(), path, clock, beside)) << beside.message;
        EXPECT_EQ(beside.unfinished, 0);
    }
    child.Kill(SIGKILL);
    while (child.ReadLine(line, kLineTimeoutMs))
        confirmed = std::stoi(line);
    EXPECT_EQ(child.Wait(), 128 + SIGKILL);

    FixedWallClock clock;
    LocalRecordsOpening opening;
    {
        // An import beside the recording program leaves its connection open.
        auto reader =
            OpenLocalRecords(Connector(), path, clock, opening, LocalRecordsUse::Importing);
        ASSERT_TRUE(reader) << opening.message;
        EXPECT_EQ(opening.unfinished, 0);
    }
    auto db = OpenLocalRecords(Connector(), path, clock, opening);
    ASSERT_TRUE(db) << opening.message;
    EXPECT_EQ(opening.outcome, LocalRecordsOpening::Outcome::Ready);
    EXPECT_EQ(opening.unfinished, 1);
    std::vector<ConnectionInfo> found;
    ASSERT_TRUE(FindConnections(*db, {}, found).ok());
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].state, ConnectionState::Unfinished);
    ConnectionRecord record;
    bool present = false;
    ASSERT_TRUE(LoadConnection(*db, found[0].uid, record, present).ok());
    // Every entry it said it had written, in order; at most the one in flight beyond.
    ASSERT_GE(static_cast<int>(record.journal.size()), confirmed);
    EXPECT_LE(static_cast<int>(record.journal.size()), confirmed + 1);
    for (std::size_t i = 0; i < record.journal.size(); ++i)
        ASSERT_EQ(record.journal[i].oldValue, std::to_string(i));
    db.reset();

    CountingRandom random;
    RecordsWriter next(Connector(), path, random, clock);
    EXPECT_EQ(next.WaitOpened().outcome, LocalRecordsOpening::Outcome::Ready);
    const std::string uid = next.BeginConnection(SampleRecord(1).info, {});
    next.AddJournalEntry(SampleRecord(1).journal[0]);
    next.Flush();
    auto reader = OpenSqlite(path);
    ASSERT_TRUE(LoadConnection(*reader, uid, record, present).ok());
    EXPECT_TRUE(present);
    EXPECT_EQ(record.journal.size(), 1u);
    EXPECT_EQ(CountRows(*reader, "connections"), 2);
}

}  // namespace
}  // namespace qs::records_test
