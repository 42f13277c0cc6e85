#pragma once

#include <ctime>
#include <string>
#include <vector>

#include "history/record_types.h"

namespace qs {

// What a technician types to search the history: every field may be empty. Dates are days,
// "2026-12-07", in local time; both ends count: --since 2026-12-01 --until 2026-12-07 is the
// first week of December, the 7th included.
struct HistoryFilterText {
    std::string serialNumber;
    std::string workOrder;
    std::string technician;
    std::string since;
    std::string until;
    std::string verdict;  // "pass", "fail", "error", "aborted" or empty
};

// The search the text asks for; false with `error` saying which field is wrong.
bool HistoryFilterFromText(const HistoryFilterText& text, HistoryFilter& filter,
                           std::string& error);

// The first second of a local day "2026-12-07"; false for anything else.
bool LocalDayStart(const std::string& day, std::time_t& when);

// One connection as the history lists it, in both front ends.
struct HistoryRow {
    std::string id;  // the connection's uid, for its report and the compare
    std::string date;
    std::string serialNumber;
    std::string workOrder;
    std::string technician;
    std::string verdict;
    std::string bench;
    std::string radio;  // model and sub code, "3017 0102": connections of the same radio
                        // item set can be compared
};

enum class HistoryColumn { Date, Serial, WorkOrder, Technician, Verdict, Bench, Count };

const char* HistoryColumnTitle(HistoryColumn column);
const std::string& HistoryCell(const HistoryRow& row, HistoryColumn column);

HistoryRow HistoryRowOf(const ConnectionInfo& info);
std::vector<HistoryRow> HistoryRowsOf(const std::vector<ConnectionInfo>& found);

// Whether two connections can be compared item by item: the same model and sub code, so the
// same items. False with `reason` for the technician otherwise.
bool Comparable(const HistoryRow& first, const HistoryRow& second, std::string& reason);

}  // namespace qs
