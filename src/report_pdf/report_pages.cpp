#include "report_pdf/report_pages.h"

#include <QAbstractTextDocumentLayout>
#include <QPdfWriter>
#include <QSvgRenderer>
#include <QTextDocument>
#include <QTextOption>
#include <algorithm>
#include <cmath>

#include "record/report_charts_svg.h"

namespace qs {
namespace {

constexpr double kPointsPerInch = 72.0;
constexpr double kCssPixelsPerInch = 96.0;
constexpr double kGapPoints = 5.0;
constexpr int kFontPoints = 9;

}  // namespace

ReportPages::ReportPages(QPdfWriter& writer, std::vector<std::string> chartSvgs)
    : writer_(writer), charts_(std::move(chartSvgs)) {
    area_ = writer.pageLayout().paintRectPixels(writer.resolution()).size();
    gap_ = kGapPoints * writer.resolution() / kPointsPerInch;
}

ReportPages::~ReportPages() = default;

std::unique_ptr<QTextDocument> ReportPages::Document(const std::string& html) const {
    auto document = std::make_unique<QTextDocument>();
    // Laid out for the writer itself: lengths in the HTML (borders, padding) are scaled to it.
    document->documentLayout()->setPaintDevice(&writer_);
    QFont font(QStringLiteral("sans-serif"), kFontPoints);
    // No ligatures: "off" and "filters" stay letters a reader can search for and copy.
    font.setStyleStrategy(QFont::PreferNoShaping);
    document->setDefaultFont(font);
    document->setDefaultStyleSheet(QString::fromLatin1(kReportCss));
    // A value longer than its column (an address, the identification) wraps inside it.
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document->setDefaultTextOption(option);
    document->setDocumentMargin(0);
    document->setHtml(QString::fromStdString(html));
    document->setTextWidth(area_.width());
    return document;
}

double ReportPages::Height(const std::string& html) const {
    return Document(html)->size().height();
}

double ReportPages::ChartWidth() const {
    const double natural = kChartWidth * writer_.resolution() / kCssPixelsPerInch;
    const auto perRow = static_cast<double>(ChartsPerRow());
    return std::min(natural, (area_.width() - gap_ * (perRow - 1)) / perRow);
}

double ReportPages::ChartHeight() const {
    return ChartWidth() * kChartHeight / kChartWidth;
}

// As many as fit at about their own size: slightly smaller rather than one fewer.
std::size_t ReportPages::ChartsPerRow() const {
    const double natural = kChartWidth * writer_.resolution() / kCssPixelsPerInch;
    return static_cast<std::size_t>(std::max(1L, std::lround(area_.width() / natural)));
}

double ReportPages::StartHeight(const std::vector<ReportBlock>& blocks, std::size_t at) const {
    const ReportBlock& block = blocks[at];
    switch (block.kind) {
        case ReportBlock::Kind::Heading: {
            const double own = Height(block.html);
            if (at + 1 == blocks.size() || blocks[at + 1].newPage) return own;
            return own + gap_ + StartHeight(blocks, at + 1);
        }
        case ReportBlock::Kind::Text:
            return std::min(Height(block.html), area_.height());
        case ReportBlock::Kind::Table:
            return std::min(Height(TableHtml(block.table, 0, block.table.across, 1)),
                            area_.height());
        case ReportBlock::Kind::Chart:
            return ChartHeight();
    }
    return 0;
}

void ReportPages::NewPage() {
    writer_.newPage();
    ++pages_;
    y_ = 0;
}

void ReportPages::MakeRoom(double height) {
    if (y_ > 0 && y_ + height > area_.height()) NewPage();
}

void ReportPages::Draw(QTextDocument& document) {
    painter_.save();
    painter_.translate(0, y_);
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, Qt::black);
    document.documentLayout()->draw(&painter_, context);
    painter_.restore();
    y_ += document.size().height();
}

// Only for a block taller than a page: Qt's own pagination, which keeps each line whole.
void ReportPages::DrawOverPages(QTextDocument& document) {
    if (y_ > 0) NewPage();
    document.setPageSize(area_);
    const int count = document.pageCount();
    for (int page = 0; page < count; ++page) {
        if (page > 0) NewPage();
        const QRectF view(0, page * area_.height(), area_.width(), area_.height());
        painter_.save();
        painter_.translate(0, -view.top());
        painter_.setClipRect(view);
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette.setColor(QPalette::Text, Qt::black);
        context.clip = view;
        document.documentLayout()->draw(&painter_, context);
        painter_.restore();
    }
    y_ = std::max(0.0, document.size().height() - (count - 1) * area_.height());
}

// Rows are measured one by one, then as many as the page holds are drawn as one table under
// its head row, so that their columns line up from page to page; a list in sets of columns
// side by side reads down each set on each page.
void ReportPages::LayTable(const ReportTable& table) {
    const std::size_t count = table.rows.size();
    if (count == 0) return;
    const std::size_t across = std::max<std::size_t>(1, table.across);
    const double head = table.HasHead() ? Height(TableHtml(table, 0, 0, 1)) : 0.0;
    ReportTable bare = table;
    for (ReportColumn& column : bare.columns) column.title.clear();
    std::vector<double> rows;
    for (std::size_t r = 0; r < count; ++r) rows.push_back(Height(TableHtml(bare, r, 1, 1)));
    // The height of the rows from `first` in lines of `perSet`: each line as high as its
    // highest row.
    const auto height = [&](std::size_t first, std::size_t perSet) {
        double sum = head;
        for (std::size_t line = 0; line < perSet; ++line) {
            double highest = 0;
            for (std::size_t set = 0; set < across; ++set) {
                const std::size_t at = first + set * perSet + line;
                if (at < count) highest = std::max(highest, rows[at]);
            }
            sum += highest;
        }
        return sum;
    };
    for (std::size_t first = 0; first < count;) {
        MakeRoom(height(first, 1));
        std::size_t perSet = (count - first + across - 1) / across;
        while (perSet > 1 && y_ + height(first, perSet) > area_.height()) --perSet;
        const std::size_t taken = std::min(count - first, perSet * across);
        auto part = Document(TableHtml(table, first, taken, perSet));
        if (y_ + part->size().height() > area_.height()) {
            DrawOverPages(*part);  // one line taller than a page
        } else {
            Draw(*part);
        }
        first += taken;
        if (first < count) NewPage();  // this page is full
    }
}

std::size_t ReportPages::LayCharts(const std::vector<ReportBlock>& blocks, std::size_t at) {
    const double width = ChartWidth();
    const double height = ChartHeight();
    const std::size_t perRow = ChartsPerRow();
    std::size_t inRow = 0;
    for (; at < blocks.size() && blocks[at].kind == ReportBlock::Kind::Chart; ++at) {
        if (inRow == perRow) {
            y_ += height + gap_;
            inRow = 0;
        }
        if (inRow == 0) MakeRoom(height);
        const std::size_t index = blocks[at].chart;
        if (index < charts_.size()) {
            QSvgRenderer renderer(QByteArray::fromStdString(charts_[index]));
            renderer.render(&painter_, QRectF(inRow * (width + gap_), y_, width, height));
        }
        ++inRow;
    }
    if (inRow > 0) y_ += height;
    return at;
}

bool ReportPages::Lay(const std::vector<ReportBlock>& blocks) {
    if (!painter_.begin(&writer_)) return false;
    for (std::size_t at = 0; at < blocks.size();) {
        const ReportBlock& block = blocks[at];
        if (block.newPage && y_ > 0) NewPage();
        if (y_ > 0) y_ += gap_;
        switch (block.kind) {
            case ReportBlock::Kind::Chart:
                at = LayCharts(blocks, at);
                continue;
            case ReportBlock::Kind::Table:
                LayTable(block.table);
                break;
            case ReportBlock::Kind::Heading:
            case ReportBlock::Kind::Text: {
                MakeRoom(StartHeight(blocks, at));
                auto document = Document(block.html);
                if (y_ + document->size().height() > area_.height()) {
                    DrawOverPages(*document);
                } else {
                    Draw(*document);
                }
                break;
            }
        }
        ++at;
    }
    painter_.end();
    return true;
}

}  // namespace qs
