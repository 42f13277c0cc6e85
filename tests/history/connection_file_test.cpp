// The connection file and the runs file as untrusted input: what is written reads back the
// same; a file that is not ours is refused with its line; a line that cannot be read is skipped
// and named, and the rest taken.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/connection_file.h"
#include "record/run_record_file.h"

namespace qs {
namespace {

using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr const char* kUid = "1b4e28ba-2fa1-4d2e-883f-0016d3cca427";

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST(ConnectionFile, WhatIsWrittenReadsBack) {
    const InstrumentEvent event{6120,      "generator", "TCPIP::127.0.0.1::5025::SOCKET",
                                "setting", "level",     -47.123456789012345,
                                "dBm"};
    std::vector<std::string> written = ConnectionFileHeading(kUid, "bench\t2\x1b[31m", "1.4");
    written.push_back(RunStartLine(5230));
    written.push_back(InstrumentLine(event));
    written.push_back(EndLine(1796640123));

    ConnectionFileReading read;
    std::string error;
    ASSERT_TRUE(ParseConnectionFile(Lines(written), "x.records.txt", read, error)) << error;
    EXPECT_THAT(read.skipped, IsEmpty());
    EXPECT_EQ(read.facts.uid, kUid);
    EXPECT_EQ(read.facts.bench, "bench 2 [31m");  // no tab or control character is written
    EXPECT_EQ(read.facts.runStartsMs, std::vector<std::int64_t>{5230});
    ASSERT_EQ(read.facts.instruments.size(), 1u);
    EXPECT_EQ(read.facts.instruments[0], event);  // the amount to the last bit
    EXPECT_EQ(read.facts.endedAt, std::time_t{1796640123});
}

TEST(ConnectionFile, ALineThatCannotBeReadIsSkippedAndNamedTheRestTaken) {
    using namespace std::string_literals;
    enum class Taken { Refused, WithItsId, KnownByItsBackup };
    const std::string head = Lines(ConnectionFileHeading(kUid, "b", "1.4"));
    const std::string run = "run\t5230\n";
    const struct {
        const char* name;
        std::string text;
        Taken taken;
        const char* said;  // the line named, or why the file is refused
    } rows[] = {
        {"empty", "", Taken::Refused, "x.records.txt:0: not a connection record"},
        {"foreign", "QS-71DR ADJ curves\nFormat: 1\n", Taken::Refused,
         "x.records.txt:1: not a connection record"},
        {"later format", "QS-71DR ADJ connection record\nFormat: 2\n", Taken::Refused,
         ":2: a format"},
        {"truncated", head + run + "ended\t17966", Taken::WithItsId, ":7: cut short"},
        {"unknown line", head + "colour\tblue\n" + run, Taken::WithItsId,
         ":6: a line this program does not know"},
        {"instrument cut short", head + "instrument\t1\tgenerator\n" + run, Taken::WithItsId,
         ":6: a line"},
        {"long bench",
         Lines({"QS-71DR ADJ connection record", "Format: 1", "uid\t"s + kUid,
                "bench\t" + std::string(5000000, 'b')}) + run,
         Taken::WithItsId, ":4: longer than 512 characters"},
        {"NUL in a name", head + "instrument\t1\tgen\0x\tr\tsetting\tlevel\t1\tdBm\n"s + run,
         Taken::WithItsId, ":6: a control character"},
        {"NUL in a number", head + "run\t12\0" "34\n"s + run, Taken::WithItsId,
         ":6: a run's start that is no time"},
        {"amount nan", head + "instrument\t1\tg\tr\tsetting\tlevel\tnan\tdBm\n" + run,
         Taken::WithItsId, ":6: an instrument line without its amount"},
        {"amount inf", head + "instrument\t1\tg\tr\tsetting\tlevel\t-inf\tdBm\n" + run,
         Taken::WithItsId, ":6: an instrument line without its amount"},
        {"second uid", head + "uid\t00000000-0000-4000-8000-000000000000\n" + run,
         Taken::WithItsId, ":6: a second uid line"},
        {"uid no UUID",
         Lines({"QS-71DR ADJ connection record", "Format: 1", "uid\t../../etc/passwd"}) + run,
         Taken::KnownByItsBackup, ":3: a connection ID that is no UUID"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ConnectionFileReading read;
        std::string error;
        const bool taken = ParseConnectionFile(row.text, "x.records.txt", read, error);
        if (row.taken == Taken::Refused) {
            EXPECT_FALSE(taken);
            EXPECT_THAT(error, HasSubstr(row.said));
            continue;
        }
        ASSERT_TRUE(taken) << error;
        ASSERT_EQ(read.skipped.size(), 1u);
        EXPECT_THAT(read.skipped[0], HasSubstr(row.said));
        EXPECT_EQ(read.facts.uid, row.taken == Taken::WithItsId ? kUid : "");
        EXPECT_EQ(read.facts.runStartsMs, std::vector<std::int64_t>{5230});  // the rest taken
        EXPECT_THAT(read.facts.instruments, IsEmpty());
    }
}

// A runs file cut short, with a value no run holds or a run without its verdict: the runs that
// can be read are taken, each part left out named with its line.
TEST(RunsFileAsUntrustedInput, WhatCannotBeReadIsLeftOutAndNamed) {
    const std::string run = "[[run]]\nverdict = \"PASS\"\ntechnician = \"Ann\"\n";
    const std::string step = "[[run.step]]\nnumber = 1\noutcome = \"pass\"\n";
    const struct {
        const char* name;
        std::string text;
        std::size_t runs;
        const char* said;  // in the one line named
    } rows[] = {
        {"truncated", "format = 1\n" + run + step + "title = \"Pow", 1,
         "x.runs.toml:8: "},
        {"long text", "format = 1\n" + run + "workOrder = \"" + std::string(600, 'w') + "\"\n", 1,
         ":5: workOrder: longer than 512"},
        {"NUL", "format = 1\n" + run + "serialNumber = \"4F\\u000012\"\n", 1,
         ":5: serialNumber: a control character"},
        {"number nan", "format = 1\n" + run + step + "measured = { name = \"P\", number = nan }\n",
         1, ":8: number: a number that is not finite"},
        {"number huge", "format = 1\n" + run + "[run.pace]\nlineBytes = 9000000000000000000\n", 1,
         ":6: lineBytes: a number out of range"},
        {"step without outcome", "format = 1\n" + run + "[[run.step]]\nnumber = 1\n", 1,
         ":5: a step without its outcome"},
        {"run without verdict", "format = 1\n[[run]]\ntechnician = \"A\"\n" + run, 1,
         ":2: run 1: a run has no verdict"},
        {"duplicate key", "format = 1\n" + run + "technician = \"Bob\"\n", 1, ":5: "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<RunRecord> runs;
        std::vector<std::string> skipped;
        std::string error;
        ASSERT_TRUE(ParseRuns(row.text, "x.runs.toml", runs, skipped, error)) << error;
        EXPECT_EQ(runs.size(), row.runs);
        ASSERT_EQ(skipped.size(), 1u) << ::testing::PrintToString(skipped);
        EXPECT_THAT(skipped[0], HasSubstr(row.said));
        EXPECT_EQ(runs.back().technician, "Ann");
    }
    std::vector<RunRecord> runs;
    std::vector<std::string> skipped;
    std::string error;
    EXPECT_FALSE(ParseRuns("format = 2\n" + run, "x.runs.toml", runs, skipped, error));
    EXPECT_THAT(error, HasSubstr("not a runs file"));
    EXPECT_FALSE(ParseRuns("[[run\n[[run\n", "x.runs.toml", runs, skipped, error));
}

}  // namespace
}  // namespace qs
