#include "record/report_html.h"

#include <algorithm>

#include "record/report_charts_svg.h"
#include "record/report_runs_html.h"

namespace qs {
namespace {

constexpr std::size_t kHexDigitsPerGroup = 32;

std::string E(const std::string& text) {
    return XmlEscaped(text);
}

std::string Cell(const std::string& text, const char* tag = "td") {
    return std::string("<") + tag + ">" + E(text) + "</" + tag + ">";
}

// The connection's day, "2026-12-07", from the read at Connect.
std::string Day(const AlignmentReport& r) {
    return r.dateTime.substr(0, std::min<std::size_t>(10, r.dateTime.size()));
}

std::string FactRow(const std::string& label, const std::string& value) {
    return "<tr><th align=\"left\">" + E(label) + "</th><td>" + value + "</td></tr>\n";
}

// The cells of a long list in a smaller type, each on one line: neither a time nor a name
// breaks inside.
std::string Listed(std::string cells) {
    static const std::string kStyle = " style=\"white-space:nowrap;font-size:7pt\"";
    for (const char* tag : {"<td", "<th"}) {
        for (std::size_t at = cells.find(tag); at != std::string::npos;
             at = cells.find(tag, at + 3)) {
            cells.insert(at + 3, kStyle);
        }
    }
    return cells;
}

// A long list in `across` sets of columns side by side, read down the first set, then the
// next: a landscape page then holds several times as many rows. `columns` is the number of
// cells of each row.
std::string Across(int across, const std::string& headCells, int columns,
                   const std::vector<std::string>& rows) {
    std::string empty;
    for (int c = 0; c < columns; ++c) empty += "<td></td>";
    const std::size_t sets =
        std::max<std::size_t>(1, std::min<std::size_t>(across, rows.size()));
    const std::size_t height = (rows.size() + sets - 1) / sets;
    std::string h = "<table border=\"1\" cellspacing=\"0\" cellpadding=\"1\">\n<tr>";
    for (std::size_t s = 0; s < sets; ++s) h += Listed(headCells);
    h += "</tr>\n";
    for (std::size_t i = 0; i < height; ++i) {
        h += "<tr>";
        for (std::size_t s = 0; s < sets; ++s) {
            const std::size_t at = s * height + i;
            h += Listed(at < rows.size() ? rows[at] : empty);
        }
        h += "</tr>\n";
    }
    return h + "</table>\n";
}

// A time of the connection's own day as the clock alone: the day is in the heading.
std::string TimeOfDay(const std::string& time, const std::string& day) {
    if (!day.empty() && time.size() > day.size() && time.compare(0, day.size(), day) == 0)
        return time.substr(day.size() + 1);
    return time;
}

// The bench's instruments and what they set and read; nothing for a connection without them.
std::string BenchHtml(const AlignmentReport& r) {
    if (r.bench.empty()) return {};
    std::string h = "<h2>Bench instruments</h2>\n";
    h += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr>" + Cell("Role", "th") +
         Cell("Address", "th") + Cell("Identity", "th") + "</tr>\n";
    for (const ReportInstrument& i : r.instruments) {
        h += "<tr>" + Cell(i.role) + "<td><tt>" + E(i.address) + "</tt></td>" + Cell(i.identity) +
             "</tr>\n";
    }
    h += "</table>\n<p>Settings and readings (times on " + E(Day(r)) +
         " unless a day is given):</p>\n";
    std::vector<std::string> rows;
    for (const BenchJournalEntry& e : r.bench) {
        const std::string text =
            e.failed ? "<td><font color=\"#b00000\"><b>" + E(e.text) + "</b></font></td>"
                     : Cell(e.text);
        rows.push_back(Cell(TimeOfDay(e.time, Day(r))) + Cell(BenchRoleTitle(e.role)) + text);
    }
    h += Across(3, Cell("Time", "th") + Cell("Role", "th") + Cell("Setting or reading", "th"), 3,
                rows);
    return h;
}

}  // namespace

std::string GroupedHex(const std::string& hex) {
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += kHexDigitsPerGroup) {
        if (!out.empty()) out += ' ';
        out += hex.substr(i, kHexDigitsPerGroup);
    }
    return out;
}

std::vector<std::string> ReportChartSvgs(const AlignmentReport& report) {
    std::vector<std::string> svgs;
    for (const SweepRun& run : report.sweeps) svgs.push_back(SweepChartSvg(run));
    for (const BisectionRun& run : report.bisections) svgs.push_back(BisectionChartSvg(run));
    return svgs;
}

std::string AlignmentReportHtml(const AlignmentReport& r, ReportCharts charts) {
    std::string h;
    h += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n";
    h += "<title>QT-71DR alignment report " + E(r.dateTime) + "</title>\n";
    h += "<style>body{font-family:sans-serif;font-size:9pt}"
         "table{border-collapse:collapse}td,th{border:1px solid #888;padding:2px 6px}"
         "th{background:#eee}.changed td{background:#ffe9a8;font-weight:bold}"
         ".mono{font-family:monospace}@media print{h2{page-break-after:avoid}"
         "svg,tr{page-break-inside:avoid}}</style>\n";
    h += "</head><body>\n<h1>QT-71DR alignment report</h1>\n";
    // The verdict and the last run are what the report is read for: they come first, the
    // earlier runs after them, and everything else in the appendix.
    h += ReportSummaryHtml(r);
    h += EarlierRunsHtml(r.runs);

    h += "<h1>Appendix</h1>\n";
    h += StepDetailsHtml(r.runs);
    h += "<h2>Connection</h2>\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n";
    h += FactRow("Identification",
                 "<span class=\"mono\"><tt>" + E(GroupedHex(r.identificationHex)) + "</tt></span>");
    h += FactRow("Backup", E(r.backupPath));
    h += FactRow("Journal", E(r.journalPath));
    h += FactRow("Curves", r.curvesPath.empty() ? std::string("none recorded") : E(r.curvesPath));
    if (!r.runsPath.empty()) h += FactRow("Procedure runs", E(r.runsPath));
    h += "</table>\n";

    int changed = 0;
    for (const ReportItemRow& row : r.items) changed += row.changed ? 1 : 0;
    h += "<h2>Adjustment items</h2>\n<p>" + std::to_string(changed) +
         (changed == 1 ? " item" : " items") + " changed (marked *).</p>\n";
    std::vector<std::string> itemRows;
    for (const ReportItemRow& row : r.items) {
        itemRows.push_back(
            (row.changed ? "<td bgcolor=\"#ffe9a8\"><b>" + E(row.item) + "</b></td>" : Cell(row.item)) +
            Cell(row.atConnect) +
            (row.changed ? "<td><b>" + E(row.atEnd) + "</b></td>" : Cell(row.atEnd)) +
            Cell(row.changed ? "*" : ""));
    }
    h += Across(3, Cell("Item", "th") + Cell("At Connect", "th") + Cell("At end", "th") +
                       Cell("Changed", "th"),
                   4, itemRows);

    h += "<h2>Automatic operations</h2>\n";
    if (r.operations.empty()) {
        h += "<p>None.</p>\n";
    } else {
        h += "<ul>\n";
        for (const std::string& op : r.operations) h += "<li>" + E(op) + "</li>\n";
        h += "</ul>\n";
    }

    h += "<h2>Last readings</h2>\n";
    if (r.lastAd.empty() && r.lastDa.empty()) {
        h += "<p>No readings recorded.</p>\n";
    } else {
        h += "<table border=\"0\"><tr><td valign=\"top\"><pre>[A/D]\n";
        for (const std::string& row : r.lastAd) h += E(row) + "\n";
        h += "</pre></td><td valign=\"top\"><pre>[D/A]\n";
        for (const std::string& row : r.lastDa) h += E(row) + "\n";
        h += "</pre></td></tr></table>\n";
    }

    const std::vector<std::string> svgs = ReportChartSvgs(r);
    h += "<h2>Charts</h2>\n";
    if (svgs.empty()) h += "<p>No band-pass sweep or automatic adjustment was run.</p>\n";
    // Three charts a row, at two thirds of their size: a landscape page holds six.
    constexpr std::size_t kChartsPerRow = 3;
    for (std::size_t i = 0; i < svgs.size(); ++i) {
        if (i % kChartsPerRow == 0) h += "<table border=\"0\" cellspacing=\"0\" cellpadding=\"2\"><tr>";
        if (charts == ReportCharts::InlineSvg) {
            h += "<td style=\"border:none\">" + svgs[i] + "</td>";
        } else {
            h += "<td style=\"border:none\"><img src=\"chart:" + std::to_string(i) + "\" width=\"" +
                 std::to_string(kChartWidth * 2 / 3) + "\" height=\"" +
                 std::to_string(kChartHeight * 2 / 3) + "\"></td>";
        }
        if (i % kChartsPerRow == kChartsPerRow - 1 || i + 1 == svgs.size()) h += "</tr></table>\n";
    }

    h += BenchHtml(r);

    h += "<h2>Journal</h2>\n<p>Times on " + E(Day(r)) + " unless a day is given.</p>\n";
    std::vector<std::string> journalRows;
    for (const JournalEntry& e : r.journal) {
        journalRows.push_back(Cell(TimeOfDay(e.time, Day(r))) + Cell(e.item) + Cell(e.oldValue) + Cell(e.newValue) +
                              Cell(e.command));
    }
    h += Across(3, Cell("Time", "th") + Cell("Item", "th") + Cell("Old", "th") + Cell("New", "th") +
                       Cell("Command", "th"),
                   5, journalRows);
    h += "</body></html>\n";
    return h;
}

}  // namespace qs
