// The connection file as untrusted input: what is written reads back the same, and each kind
// of damage is refused with the file and line named.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "history/connection_file.h"

namespace qs {
namespace {

using ::testing::HasSubstr;

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

TEST(ConnectionFile, WhatIsWrittenReadsBackAndDamageIsNamed) {
    const InstrumentEvent event{6120,      "generator", "TCPIP::127.0.0.1::5025::SOCKET",
                                "setting", "level",     -47.123456789012345,
                                "dBm"};
    std::vector<std::string> written = ConnectionFileHeading("u-1", "bench\t2", "1.4");
    written.push_back(RunStartLine(5230));
    written.push_back(InstrumentLine(event));
    written.push_back(EndLine(1796640123));
    const std::string good = Lines(written);
    const std::string head = Lines(ConnectionFileHeading("u-1", "b", "1.4"));

    ConnectionFacts facts;
    std::string error;
    ASSERT_TRUE(ParseConnectionFile(good, "x.records.txt", facts, error)) << error;
    EXPECT_EQ(facts.uid, "u-1");
    EXPECT_EQ(facts.bench, "bench 2");  // a tab in a field never splits it
    EXPECT_EQ(facts.runStartsMs, std::vector<std::int64_t>{5230});
    ASSERT_EQ(facts.instruments.size(), 1u);
    EXPECT_EQ(facts.instruments[0], event);  // the amount to the last bit
    EXPECT_EQ(facts.endedAt, std::time_t{1796640123});
    ASSERT_TRUE(ParseConnectionFile(head, "x.records.txt", facts, error)) << error;
    EXPECT_FALSE(facts.endedAt);  // a connection its program never ended

    // A run marks itself in progress and gives its end; the version before marked neither.
    const struct {
        std::string lines;
        std::vector<std::int64_t> left;
    } marks[] = {
        {"run\t5230\n", {}},
        {RunStartLine(5230) + "\n", {5230}},
        {RunStartLine(5230) + "\n" + RunEndLine(5230, "PASS") + "\n" + RunStartLine(9000) + "\n",
         {9000}},
    };
    for (const auto& mark : marks) {
        ASSERT_TRUE(ParseConnectionFile(head + mark.lines, "x.records.txt", facts, error)) << error;
        EXPECT_EQ(facts.runsLeftMs, mark.left) << mark.lines;
    }

    const struct {
        const char* name;
        std::string text;
        const char* said;
    } damaged[] = {
        {"empty", "", "x.records.txt:0: not a connection record"},
        {"foreign", "QS-71DR ADJ curves\nFormat: 1\n", "x.records.txt:1: not a connection record"},
        {"later format", "QS-71DR ADJ connection record\nFormat: 2\n", ":2: a format"},
        {"no ID", "QS-71DR ADJ connection record\nFormat: 1\nbench\tb\n", "no connection ID"},
        {"unknown line", head + "colour\tblue\n", ":6: a line this program does not know"},
        {"run without number", head + "run\tsoon\n", ":6: a line this program does not know"},
        {"instrument cut short", head + "instrument\t1\tgenerator\n", ":6:"},
        {"amount not a number", head + "instrument\t1\tg\tr\tsetting\tlevel\tloud\tdBm\n",
         ":6: an instrument line without its amount"},
    };
    for (const auto& d : damaged) {
        EXPECT_FALSE(ParseConnectionFile(d.text, "x.records.txt", facts, error)) << d.name;
        EXPECT_THAT(error, HasSubstr(d.said)) << d.name;
    }
}

}  // namespace
}  // namespace qs
