// What a technician types into a history search, as a table: the days both count, a wrong
// field is named, and the rows say what the window and the command line show.
#include <cctype>

#include <gtest/gtest.h>

#include "history/history_view.h"

namespace qs {
namespace {

TEST(HistoryFilterText, DaysVerdictsAndMistakes) {
    std::time_t dec1 = 0;
    std::time_t dec7 = 0;
    std::time_t dec8 = 0;
    ASSERT_TRUE(LocalDayStart("2026-12-01", dec1));
    ASSERT_TRUE(LocalDayStart("2026-12-07", dec7));
    ASSERT_TRUE(LocalDayStart("2026-12-08", dec8));
    EXPECT_EQ(dec8 - dec7, 24 * 3600);
    const struct {
        HistoryFilterText text;
        std::optional<std::time_t> since;
        std::optional<std::time_t> until;
        const char* error;  // empty: accepted
    } rows[] = {
        {{}, {}, {}, ""},
        {{"4F12", "WO-7", "Ann", "2026-12-01", "2026-12-07", "pass"}, dec1, dec8, ""},
        {{"", "", "", "2026-12-07", "2026-12-07", "fail"}, dec7, dec8, ""},
        {{"", "", "", "", "", "aborted"}, {}, {}, ""},
        {{"", "", "", "", "", "ERROR"}, {}, {}, ""},
        {{"", "", "", "", "", "passed"}, {}, {},
         "the verdict is pass, fail, error or aborted, not 'passed'"},
        {{"", "", "", "2026-13-01", "", ""}, {}, {}, "the first day is a date like"},
        {{"", "", "", "2026-02-31", "", ""}, {}, {}, "the first day is a date like"},
        {{"", "", "", "", "7.12.2026", ""}, {}, {}, "the last day is a date like"},
        {{"", "", "", "", "2026-12-07 10:00", ""}, {}, {}, "the last day is a date like"},
        {{"", "", "", "2026-12-08", "2026-12-07", ""}, {}, {}, "the first day 2026-12-08 comes after"},
    };
    for (const auto& row : rows) {
        HistoryFilter filter;
        std::string error;
        const bool ok = HistoryFilterFromText(row.text, filter, error);
        const std::string want = row.error;
        EXPECT_EQ(ok, want.empty()) << row.text.since << " " << row.text.until << " " << error;
        if (!ok) {
            EXPECT_EQ(error.rfind(want, 0), 0u) << error;
            continue;
        }
        EXPECT_EQ(filter.serialNumber, row.text.serialNumber);
        EXPECT_EQ(filter.workOrder, row.text.workOrder);
        EXPECT_EQ(filter.technician, row.text.technician);
        // Searched in upper case, as the records write verdicts now.
        std::string upper = row.text.verdict;
        for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        EXPECT_EQ(filter.verdict, upper);
        EXPECT_EQ(filter.since, row.since);
        EXPECT_EQ(filter.until, row.until);
    }
}

TEST(HistoryRows, CellsAndWhatCanBeCompared) {
    ConnectionInfo a;
    a.uid = "a";
    a.startedLocal = "2026-12-07 10:46:02";
    a.serialNumber = "4F12";
    a.workOrder = "WO-7";
    a.technician = "Ann";
    a.verdict = "pass";  // as older records wrote it
    a.bench = "bench-2";
    a.modelCode = "3017";
    a.subCode = "0102";
    ConnectionInfo b = a;
    b.uid = "b";
    ConnectionInfo other = a;
    other.uid = "c";
    other.subCode = "0200";
    const std::vector<HistoryRow> rows = HistoryRowsOf({a, b, other});
    const char* cells[] = {"2026-12-07 10:46:02", "4F12", "WO-7", "Ann", "PASS", "bench-2"};
    for (int c = 0; c < static_cast<int>(HistoryColumn::Count); ++c)
        EXPECT_EQ(HistoryCell(rows[0], static_cast<HistoryColumn>(c)), cells[c]) << c;
    std::string reason;
    EXPECT_TRUE(Comparable(rows[0], rows[1], reason));
    EXPECT_FALSE(Comparable(rows[0], rows[0], reason));
    EXPECT_FALSE(Comparable(rows[0], rows[2], reason));
    EXPECT_NE(reason.find("different radios"), std::string::npos) << reason;
    ConnectionInfo none = a;
    none.verdict.clear();
    EXPECT_EQ(HistoryRowOf(none).verdict, "no procedure");
}

}  // namespace
}  // namespace qs
