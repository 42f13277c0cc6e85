#include "history/history_view.h"

#include <array>
#include <cstdio>

#include "history/backup_import.h"
#include "record/verdict_words.h"

namespace qs {

bool LocalDayStart(const std::string& day, std::time_t& when) {
    int year = 0;
    int month = 0;
    int mday = 0;
    char tail = 0;
    if (day.size() != 10 ||
        std::sscanf(day.c_str(), "%4d-%2d-%2d%c", &year, &month, &mday, &tail) != 3) {
        return false;
    }
    if (month < 1 || month > 12 || mday < 1 || mday > 31) return false;
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = mday;
    parts.tm_isdst = -1;
    when = std::mktime(&parts);
    // mktime moves 2026-02-31 to March: such a day does not exist.
    return when != static_cast<std::time_t>(-1) && parts.tm_mday == mday &&
           parts.tm_mon == month - 1;
}

namespace {

// The first second of the day after `day`, across a change of summer time too.
bool NextDayStart(const std::string& day, std::time_t& when) {
    std::time_t start = 0;
    if (!LocalDayStart(day, start)) return false;
    std::tm parts{};
    localtime_r(&start, &parts);
    parts.tm_mday += 1;
    parts.tm_hour = 0;
    parts.tm_min = 0;
    parts.tm_sec = 0;
    parts.tm_isdst = -1;
    when = std::mktime(&parts);
    return when != static_cast<std::time_t>(-1);
}

}  // namespace

bool HistoryFilterFromText(const HistoryFilterText& text, HistoryFilter& filter,
                           std::string& error) {
    filter = HistoryFilter{};
    filter.serialNumber = text.serialNumber;
    filter.workOrder = text.workOrder;
    filter.technician = text.technician;
    const std::optional<RunVerdict> verdict = VerdictFromAnyCase(text.verdict);
    if (!text.verdict.empty() && !verdict) {
        error = "the verdict is pass, fail, error or aborted, not '" + text.verdict + "'";
        return false;
    }
    if (verdict) filter.verdict = VerdictWord(*verdict);
    std::time_t when = 0;
    if (!text.since.empty()) {
        if (!LocalDayStart(text.since, when)) {
            error = "the first day is a date like 2026-12-07, not '" + text.since + "'";
            return false;
        }
        filter.since = when;
    }
    if (!text.until.empty()) {
        if (!NextDayStart(text.until, when)) {
            error = "the last day is a date like 2026-12-07, not '" + text.until + "'";
            return false;
        }
        filter.until = when;
    }
    if (filter.since && filter.until && *filter.since >= *filter.until) {
        error = "the first day " + text.since + " comes after the last day " + text.until;
        return false;
    }
    return true;
}

const char* HistoryColumnTitle(HistoryColumn column) {
    static constexpr std::array<const char*, static_cast<std::size_t>(HistoryColumn::Count)>
        kTitles{"Date", "Serial number", "Work order", "Technician", "Verdict", "Bench"};
    return kTitles[static_cast<std::size_t>(column)];
}

const std::string& HistoryCell(const HistoryRow& row, HistoryColumn column) {
    switch (column) {
        case HistoryColumn::Date:
            return row.date;
        case HistoryColumn::Serial:
            return row.serialNumber;
        case HistoryColumn::WorkOrder:
            return row.workOrder;
        case HistoryColumn::Technician:
            return row.technician;
        case HistoryColumn::Verdict:
            return row.verdict;
        case HistoryColumn::Bench:
            return row.bench;
        case HistoryColumn::Count:
            break;
    }
    return row.id;
}

HistoryRow HistoryRowOf(const ConnectionInfo& info) {
    HistoryRow row;
    row.id = info.uid;
    row.date = info.startedLocal;
    row.serialNumber = info.serialNumber;
    row.workOrder = info.workOrder;
    row.technician = info.technician;
    row.verdict = ConnectionVerdictText(VerdictFromAnyCase(info.verdict));
    row.bench = info.bench;
    row.radio = info.modelCode + " " + info.subCode;
    return row;
}

std::vector<HistoryRow> HistoryRowsOf(const std::vector<ConnectionInfo>& found) {
    std::vector<HistoryRow> rows;
    rows.reserve(found.size());
    for (const ConnectionInfo& info : found)
        rows.push_back(HistoryRowOf(info));
    return rows;
}

bool Comparable(const HistoryRow& first, const HistoryRow& second, std::string& reason) {
    if (first.id == second.id) {
        reason = "Select two different connections to compare.";
        return false;
    }
    if (first.radio != second.radio) {
        reason = "The two connections are of different radios (" + first.radio + " and " +
                 second.radio + "); their items cannot be compared.";
        return false;
    }
    return true;
}

}  // namespace qs
