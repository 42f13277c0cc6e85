#pragma once

// The report as a list of blocks, each of which a page holds whole: the HTML file joins them
// into one page, the PDF writer lays them out on paper pages without cutting one (a heading
// kept with what follows it, a table cut only between rows and its head row repeated).

#include <cstddef>
#include <string>
#include <vector>

namespace qs {

struct ReportColumn {
    std::string title;  // plain text; no head row when every column's title is empty
    int percent = 0;    // its share of the width of its set of columns
    bool label = false;  // its cells name the cell beside them (shown as head cells)
};

struct ReportRow {
    std::vector<std::string> cells;  // HTML, one for each column
    const char* tint = nullptr;      // the whole row's background, "#rrggbb"
};

struct ReportTable {
    std::vector<ReportColumn> columns;
    std::vector<ReportRow> rows;
    // A long list of short rows stands in this many sets of the columns side by side, read
    // down the first set, then the next: a landscape page holds several times as many.
    std::size_t across = 1;
    bool HasHead() const;
};

struct ReportBlock {
    enum class Kind {
        Heading,  // kept on one page with the block after it
        Text,     // paragraphs, kept whole
        Table,    // cut only between rows; the head row starts every page it is on
        Chart,    // one chart of ReportChartSvgs(); charts that follow each other share rows
    };
    Kind kind = Kind::Text;
    std::string html;  // Heading and Text
    ReportTable table;
    std::size_t chart = 0;
    bool newPage = false;  // starts a page of its own
};

ReportBlock HeadingBlock(int level, const std::string& html, bool newPage = false);
ReportBlock TextBlock(const std::string& html);
ReportBlock TableBlock(ReportTable table);

// The rows [first, first + count) of `table` as one HTML table of `perSet` lines, each set of
// columns holding the next `perSet` rows, with the head row first when the table has one.
// Every cell has its column's width, so that the parts of a table laid out on several pages
// line up.
std::string TableHtml(const ReportTable& table, std::size_t first, std::size_t count,
                      std::size_t perSet);
// The whole table, its sets of columns equally long.
std::string TableHtml(const ReportTable& table);

// The style both the HTML file and the PDF's layout give the blocks.
extern const char* const kReportCss;

}  // namespace qs
