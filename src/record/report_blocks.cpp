#include "record/report_blocks.h"

#include <algorithm>

#include "record/report_charts_svg.h"

namespace qs {

// Qt's rich text reads the table's attributes, a browser the style; both draw single lines
// between the cells and let a long value wrap inside its column rather than widen the page.
const char* const kReportCss =
    "body{font-family:sans-serif;font-size:9pt}"
    "h1{font-size:15pt;margin:8px 0 4px 0}h2{font-size:12pt;margin:10px 0 4px 0}"
    "h3{font-size:10pt;margin:8px 0 3px 0}p{margin:2px 0 4px 0}"
    "table.grid{width:100%;border-collapse:collapse;table-layout:fixed}"
    "td,th{font-size:8pt;text-align:left;vertical-align:top}"
    "table.grid td,table.grid th{border:1px solid #888;padding:2px 4px;overflow-wrap:anywhere}"
    "th{background-color:#eeeeee}"
    ".charts{display:flex;flex-wrap:wrap;gap:8px}.charts svg{max-width:100%;height:auto}"
    "@media print{h1,h2,h3{break-after:avoid}tr,svg{break-inside:avoid}"
    "thead{display:table-header-group}}";

bool ReportTable::HasHead() const {
    return std::any_of(columns.begin(), columns.end(),
                       [](const ReportColumn& c) { return !c.title.empty(); });
}

namespace {

std::string Width(const ReportColumn& column, std::size_t across) {
    const auto percent = (static_cast<std::size_t>(column.percent) + across / 2) / across;
    return " width=\"" + std::to_string(percent) + "%\"";
}

std::string Cell(const ReportColumn& column, std::size_t across, const std::string& html) {
    const char* tag = column.label ? "th" : "td";
    const char* shade = column.label ? " bgcolor=\"#eeeeee\"" : "";
    return std::string("<") + tag + Width(column, across) + shade + ">" + html + "</" + tag + ">";
}

}  // namespace

ReportBlock HeadingBlock(int level, const std::string& html, bool newPage) {
    ReportBlock block;
    block.kind = ReportBlock::Kind::Heading;
    const std::string tag = "h" + std::to_string(level);
    block.html = "<" + tag + ">" + html + "</" + tag + ">\n";
    block.newPage = newPage;
    return block;
}

ReportBlock TextBlock(const std::string& html) {
    ReportBlock block;
    block.html = html;
    return block;
}

ReportBlock TableBlock(ReportTable table) {
    ReportBlock block;
    block.kind = ReportBlock::Kind::Table;
    block.table = std::move(table);
    return block;
}

std::string TableHtml(const ReportTable& table, std::size_t first, std::size_t count,
                      std::size_t perSet) {
    const std::size_t across = std::max<std::size_t>(1, table.across);
    const std::size_t end = std::min(table.rows.size(), first + count);
    perSet = std::max<std::size_t>(1, perSet);
    std::string h =
        "<table class=\"grid\" width=\"100%\" border=\"1\" cellspacing=\"0\" cellpadding=\"3\" "
        "style=\"border-collapse:collapse\">\n";
    if (table.HasHead()) {
        h += "<thead><tr>";
        for (std::size_t s = 0; s < across; ++s) {
            for (const ReportColumn& c : table.columns) {
                h += "<th" + Width(c, across) + " bgcolor=\"#eeeeee\">" + XmlEscaped(c.title) +
                     "</th>";
            }
        }
        h += "</tr></thead>\n";
    }
    h += "<tbody>\n";
    for (std::size_t line = 0; line < perSet && first + line < end; ++line) {
        const ReportRow& lead = table.rows[first + line];
        // A row's tint is the whole line's only where the line holds that row alone.
        h += lead.tint != nullptr && across == 1 ? std::string("<tr bgcolor=\"") + lead.tint + "\">"
                                                 : "<tr>";
        for (std::size_t s = 0; s < across; ++s) {
            const std::size_t at = first + s * perSet + line;
            for (std::size_t c = 0; c < table.columns.size(); ++c) {
                const bool here = at < end && c < table.rows[at].cells.size();
                h += Cell(table.columns[c], across, here ? table.rows[at].cells[c] : std::string());
            }
        }
        h += "</tr>\n";
    }
    return h + "</tbody></table>\n";
}

std::string TableHtml(const ReportTable& table) {
    const std::size_t across = std::max<std::size_t>(1, table.across);
    return TableHtml(table, 0, table.rows.size(), (table.rows.size() + across - 1) / across);
}

}  // namespace qs
