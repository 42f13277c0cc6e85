#pragma once

#include <QPainter>
#include <QRectF>
#include <memory>
#include <string>
#include <vector>

#include "record/report_blocks.h"

class QPdfWriter;
class QTextDocument;

namespace qs {

// Lays the report's blocks out on the pages of a PDF writer without cutting one: Qt's rich
// text lays out each block (QTextDocument), this decides where the pages end. Qt's own
// pagination of a whole document cuts table rows between their lines and leaves a heading
// alone at the foot of a page, so it is used only for a block taller than a whole page.
class ReportPages {
public:
    ReportPages(QPdfWriter& writer, std::vector<std::string> chartSvgs);
    ~ReportPages();

    // Draws the blocks from the top of the first page; false when the writer cannot paint.
    bool Lay(const std::vector<ReportBlock>& blocks);
    int pages() const { return pages_; }

private:
    std::unique_ptr<QTextDocument> Document(const std::string& html) const;
    double Height(const std::string& html) const;
    // The height a block needs on the page it starts on: a heading takes the start of the
    // block after it along.
    double StartHeight(const std::vector<ReportBlock>& blocks, std::size_t at) const;
    double ChartWidth() const;
    double ChartHeight() const;
    std::size_t ChartsPerRow() const;

    // A new page when `height` does not fit below what the page holds.
    void MakeRoom(double height);
    void NewPage();
    void Draw(QTextDocument& document);
    void DrawOverPages(QTextDocument& document);
    void LayTable(const ReportTable& table);
    // The charts of blocks [at, end) in rows; returns end.
    std::size_t LayCharts(const std::vector<ReportBlock>& blocks, std::size_t at);

    QPdfWriter& writer_;
    std::vector<std::string> charts_;
    QPainter painter_;
    QSizeF area_;       // the page inside its margins, in the writer's pixels
    double gap_ = 0;    // between blocks
    double y_ = 0;      // the next block's top on this page
    int pages_ = 1;
};

}  // namespace qs
