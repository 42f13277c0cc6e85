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

// The connection's day, "2026-12-07", from the read at Connect.
std::string Day(const AlignmentReport& r) {
    return r.dateTime.substr(0, std::min<std::size_t>(10, r.dateTime.size()));
}

// A long list in `across` sets of columns side by side (ReportTable::across).
ReportTable Across(std::size_t across, std::vector<ReportColumn> columns,
                   const std::vector<std::vector<std::string>>& rows) {
    ReportTable table;
    table.columns = std::move(columns);
    table.across = across;
    for (const std::vector<std::string>& cells : rows) table.rows.push_back({cells});
    return table;
}

// A time of the connection's own day as the clock alone: the day is in the heading.
std::string TimeOfDay(const std::string& time, const std::string& day) {
    if (!day.empty() && time.size() > day.size() && time.compare(0, day.size(), day) == 0)
        return time.substr(day.size() + 1);
    return time;
}

ReportTable FactTable(const std::vector<std::pair<std::string, std::string>>& facts) {
    ReportTable table;
    table.columns = {{"", 16, true}, {"", 84}};
    for (const auto& [label, value] : facts) table.rows.push_back({{E(label), value}});
    return table;
}

// The bench's instruments, and with the full detail what they set and read; nothing for a
// connection without them.
void AddBenchBlocks(const AlignmentReport& r, ReportDetail detail,
                    std::vector<ReportBlock>& blocks) {
    if (r.bench.empty()) return;
    blocks.push_back(HeadingBlock(2, "Bench instruments"));
    ReportTable instruments;
    instruments.columns = {{"Role", 20}, {"Address", 35}, {"Identity", 45}};
    for (const ReportInstrument& i : r.instruments) {
        instruments.rows.push_back(
            {{E(i.role), "<tt>" + E(i.address) + "</tt>", E(i.identity)}});
    }
    blocks.push_back(TableBlock(std::move(instruments)));
    if (detail != ReportDetail::Full) return;
    blocks.push_back(TextBlock("<p>Settings and readings (times on " + E(Day(r)) +
                               " unless a day is given):</p>\n"));
    std::vector<std::vector<std::string>> rows;
    for (const BenchJournalEntry& e : r.bench) {
        rows.push_back({E(TimeOfDay(e.time, Day(r))), E(BenchRoleTitle(e.role)),
                        e.failed ? "<font color=\"#b00000\"><b>" + E(e.text) + "</b></font>"
                                 : E(e.text)});
    }
    blocks.push_back(
        TableBlock(Across(2, {{"Time", 16}, {"Role", 24}, {"Setting or reading", 60}}, rows)));
}

void AddItemBlocks(const AlignmentReport& r, std::vector<ReportBlock>& blocks) {
    int changed = 0;
    for (const ReportItemRow& row : r.items) changed += row.changed ? 1 : 0;
    blocks.push_back(HeadingBlock(2, "Adjustment items"));
    blocks.push_back(TextBlock("<p>" + std::to_string(changed) +
                               (changed == 1 ? " item" : " items") + " changed (marked *).</p>\n"));
    std::vector<std::vector<std::string>> rows;
    for (const ReportItemRow& row : r.items) {
        const auto bold = [&row](const std::string& text) {
            return row.changed ? "<b>" + E(text) + "</b>" : E(text);
        };
        rows.push_back({bold(row.item), E(row.atConnect), bold(row.atEnd), row.changed ? "*" : ""});
    }
    blocks.push_back(TableBlock(Across(
        3, {{"Item", 40}, {"At Connect", 20}, {"At end", 19}, {"Changed", 21}}, rows)));
}

void AddOperationBlocks(const AlignmentReport& r, std::vector<ReportBlock>& blocks) {
    blocks.push_back(HeadingBlock(2, "Automatic operations"));
    if (r.operations.empty()) {
        blocks.push_back(TextBlock("<p>None.</p>\n"));
        return;
    }
    ReportTable table;
    table.columns = {{"", 100}};
    for (const std::string& op : r.operations) table.rows.push_back({{E(op)}});
    blocks.push_back(TableBlock(std::move(table)));
}

// The rows of the [A/D] and [D/A] lists as the radio's own display wrote them last.
void AddLastReadingBlocks(const AlignmentReport& r, std::vector<ReportBlock>& blocks) {
    blocks.push_back(HeadingBlock(2, "Last readings"));
    if (r.lastAd.empty() && r.lastDa.empty()) {
        blocks.push_back(TextBlock("<p>No readings recorded.</p>\n"));
        return;
    }
    std::string h = "<table border=\"0\"><tr><td valign=\"top\"><pre>[A/D]\n";
    for (const std::string& row : r.lastAd) h += E(row) + "\n";
    h += "</pre></td><td valign=\"top\"><pre>[D/A]\n";
    for (const std::string& row : r.lastDa) h += E(row) + "\n";
    blocks.push_back(TextBlock(h + "</pre></td></tr></table>\n"));
}

void AddChartBlocks(const AlignmentReport& r, std::vector<ReportBlock>& blocks) {
    blocks.push_back(HeadingBlock(2, "Charts"));
    const std::size_t charts = r.sweeps.size() + r.bisections.size();
    if (charts == 0) {
        blocks.push_back(TextBlock("<p>No band-pass sweep or automatic adjustment was run.</p>\n"));
    }
    for (std::size_t i = 0; i < charts; ++i) {
        ReportBlock chart;
        chart.kind = ReportBlock::Kind::Chart;
        chart.chart = i;
        blocks.push_back(chart);
    }
}

void AddJournalBlocks(const AlignmentReport& r, std::vector<ReportBlock>& blocks) {
    blocks.push_back(HeadingBlock(2, "Journal"));
    blocks.push_back(TextBlock("<p>Times on " + E(Day(r)) + " unless a day is given.</p>\n"));
    std::vector<std::vector<std::string>> rows;
    for (const JournalEntry& e : r.journal) {
        rows.push_back({E(TimeOfDay(e.time, Day(r))), E(e.item), E(e.oldValue), E(e.newValue),
                        "<tt>" + E(e.command) + "</tt>"});
    }
    blocks.push_back(TableBlock(Across(
        2, {{"Time", 16}, {"Item", 28}, {"Old", 12}, {"New", 12}, {"Command", 32}}, rows)));
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

std::vector<ReportBlock> AlignmentReportBlocks(const AlignmentReport& r, ReportDetail detail) {
    std::vector<ReportBlock> blocks;
    blocks.push_back(TextBlock("<h1>QT-71DR alignment report</h1>\n"));
    // The verdict and the last run are what the report is read for: they come first, the
    // earlier runs after them, and everything else in the appendix.
    AddRunSummaryBlocks(r, blocks);

    blocks.push_back(HeadingBlock(1, "Appendix"));
    blocks.push_back(HeadingBlock(2, "Connection"));
    std::vector<std::pair<std::string, std::string>> facts{
        {"Identification", "<tt>" + E(GroupedHex(r.identificationHex)) + "</tt>"},
        {"Backup", E(r.backupPath)},
        {"Journal", E(r.journalPath)},
        {"Curves", r.curvesPath.empty() ? std::string("none recorded") : E(r.curvesPath)},
    };
    if (!r.runsPath.empty()) facts.emplace_back("Procedure runs", E(r.runsPath));
    blocks.push_back(TableBlock(FactTable(facts)));
    AddItemBlocks(r, blocks);
    AddOperationBlocks(r, blocks);
    AddChartBlocks(r, blocks);
    AddBenchBlocks(r, detail, blocks);
    if (detail != ReportDetail::Full) return blocks;
    if (!r.runs.empty()) {
        blocks.push_back(HeadingBlock(2, "Every setting and reading of the runs"));
        AddStepDetailBlocks(r.runs, blocks);
    }
    AddLastReadingBlocks(r, blocks);
    AddJournalBlocks(r, blocks);
    return blocks;
}

std::string AlignmentReportHtml(const AlignmentReport& r, ReportDetail detail) {
    std::string h;
    h += "<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">\n";
    h += "<meta name=\"viewport\" content=\"width=device-width\">\n";
    h += "<title>QT-71DR alignment report " + E(r.dateTime) + "</title>\n";
    h += std::string("<style>") + kReportCss + "</style>\n</head><body>\n";
    const std::vector<std::string> svgs = ReportChartSvgs(r);
    bool inCharts = false;
    for (const ReportBlock& block : AlignmentReportBlocks(r, detail)) {
        const bool chart = block.kind == ReportBlock::Kind::Chart;
        // Charts that follow each other share rows, as many as the window's width holds.
        if (chart != inCharts) h += chart ? "<div class=\"charts\">\n" : "</div>\n";
        inCharts = chart;
        if (block.newPage) h += "<div style=\"break-before:page\"></div>\n";
        switch (block.kind) {
            case ReportBlock::Kind::Heading:
            case ReportBlock::Kind::Text:
                h += block.html;
                break;
            case ReportBlock::Kind::Table:
                h += TableHtml(block.table);
                break;
            case ReportBlock::Kind::Chart:
                if (block.chart < svgs.size()) h += svgs[block.chart];
                break;
        }
    }
    if (inCharts) h += "</div>\n";
    return h + "</body></html>\n";
}

}  // namespace qs
