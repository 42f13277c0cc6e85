#include "record/report_html.h"

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

std::string FactRow(const std::string& label, const std::string& value) {
    return "<tr><th align=\"left\">" + E(label) + "</th><td>" + value + "</td></tr>\n";
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
    h += "</table>\n<p>Settings and readings:</p>\n";
    h += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr>" + Cell("Time", "th") +
         Cell("Role", "th") + Cell("Setting or reading", "th") + "</tr>\n";
    for (const BenchJournalEntry& e : r.bench) {
        const std::string text =
            e.failed ? "<td><font color=\"#b00000\"><b>" + E(e.text) + "</b></font></td>"
                     : Cell(e.text);
        h += "<tr>" + Cell(e.time) + Cell(BenchRoleTitle(e.role)) + text + "</tr>\n";
    }
    h += "</table>\n";
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
    h += "<title>QS-71DR alignment report " + E(r.dateTime) + "</title>\n";
    h += "<style>body{font-family:sans-serif;font-size:10pt;max-width:60em}"
         "table{border-collapse:collapse}td,th{border:1px solid #888;padding:2px 6px}"
         "th{background:#eee}.changed td{background:#ffe9a8;font-weight:bold}"
         ".mono{font-family:monospace}@media print{h2{page-break-after:avoid}"
         "svg,tr{page-break-inside:avoid}}</style>\n";
    h += "</head><body>\n<h1>QS-71DR alignment report</h1>\n";
    // A procedure's verdict is what the report is read for: it comes first.
    h += RunSectionsHtml(r.runs);

    h += "<h2>Radio</h2>\n<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n";
    h += FactRow("Model", E(r.modelCode));
    h += FactRow("Sub code", E(r.subCode));
    h += FactRow("Read at Connect", E(r.dateTime));
    h += FactRow("Identification",
                 "<span class=\"mono\"><tt>" + E(GroupedHex(r.identificationHex)) + "</tt></span>");
    h += FactRow("Backup", E(r.backupPath));
    h += FactRow("Backup CRC-32", "<tt>" + E(r.backupCrc) + "</tt>");
    h += FactRow("Journal", E(r.journalPath));
    h += FactRow("Curves", r.curvesPath.empty() ? std::string("none recorded") : E(r.curvesPath));
    if (!r.runsPath.empty()) h += FactRow("Procedure runs", E(r.runsPath));
    h += "</table>\n";

    int changed = 0;
    for (const ReportItemRow& row : r.items) changed += row.changed ? 1 : 0;
    h += "<h2>Adjustment items</h2>\n<p>" + std::to_string(changed) +
         (changed == 1 ? " item" : " items") + " changed (marked *).</p>\n";
    h += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr>" + Cell("Item", "th") +
         Cell("At Connect", "th") + Cell("At end", "th") + Cell("Changed", "th") + "</tr>\n";
    for (const ReportItemRow& row : r.items) {
        const std::string open = row.changed ? "<tr class=\"changed\" bgcolor=\"#ffe9a8\">" : "<tr>";
        const std::string mark = row.changed ? "*" : "";
        h += open + Cell(row.item) + Cell(row.atConnect) +
             (row.changed ? "<td><b>" + E(row.atEnd) + "</b></td>" : Cell(row.atEnd)) +
             Cell(mark) + "</tr>\n";
    }
    h += "</table>\n";

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
    for (std::size_t i = 0; i < svgs.size(); ++i) {
        if (charts == ReportCharts::InlineSvg) {
            h += "<div>" + svgs[i] + "</div>\n";
        } else {
            h += "<p><img src=\"chart:" + std::to_string(i) + "\" width=\"" +
                 std::to_string(kChartWidth) + "\" height=\"" + std::to_string(kChartHeight) +
                 "\"></p>\n";
        }
    }

    h += BenchHtml(r);

    h += "<h2>Journal</h2>\n";
    h += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"3\">\n<tr>" + Cell("Time", "th") +
         Cell("Item", "th") + Cell("Old", "th") + Cell("New", "th") + Cell("Command", "th") +
         "</tr>\n";
    for (const JournalEntry& e : r.journal) {
        h += "<tr>" + Cell(e.time) + Cell(e.item) + Cell(e.oldValue) + Cell(e.newValue) +
             "<td><tt>" + E(e.command) + "</tt></td></tr>\n";
    }
    h += "</table>\n</body></html>\n";
    return h;
}

}  // namespace qs
