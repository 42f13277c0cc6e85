#include "desktop/charts_window.h"

#include <QBuffer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QSvgGenerator>
#include <QTimer>
#include <QVBoxLayout>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QScatterSeries>
#include <QtCharts/QValueAxis>
#include <algorithm>
#include <cmath>

#include "model/reading_text.h"
#include "record/alignment_report.h"
#include "record/chart_ticks.h"
#include "record/curve_recorder.h"
#include "record/curve_runs.h"
#include "record/series_palette.h"
#include "shell/atomic_file.h"

namespace qs::qt {
namespace {

constexpr int kRefreshDelayMs = 100;
constexpr int kFullScale = 255;
constexpr double kSupplyVoltsMax = 10.0;
constexpr double kPercentMax = 100.0;
constexpr int kMinimumTimeSpanS = 10;
constexpr int kMaxTimeTicks = 8;
constexpr int kWindowWidth = 900;
constexpr int kWindowHeight = 960;
constexpr int kRawTickInterval = 32;
constexpr qreal kCurveWidth = 1.5;
constexpr qreal kReferenceWidth = 2.0;
constexpr qreal kPlateauWidth = 6.0;
constexpr qreal kPlateauAlpha = 0.35;

const char* const kPaneTitles[] = {"Readings over time", "Band-pass sweep", "Level adjustment"};
const char* const kPaneFileNames[] = {"readings", "bandpass-sweep", "level-adjustment"};

QValueAxis* MakeAxis(const QString& title, double low, double high) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setRange(low, high);
    return axis;
}

// A pane's chart with a raw 0..255 axis both ways.
void SetRawAxes(QChart* chart, const QString& xTitle, const QString& yTitle) {
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    auto* x = MakeAxis(xTitle, 0, kFullScale);
    auto* y = MakeAxis(yTitle, 0, kFullScale);
    for (QValueAxis* axis : {x, y}) {
        axis->setLabelFormat(QStringLiteral("%d"));
        axis->setTickType(QValueAxis::TicksDynamic);
        axis->setTickAnchor(0);
        axis->setTickInterval(kRawTickInterval);
    }
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
}

void Attach(QChart* chart, QAbstractSeries* series) {
    chart->addSeries(series);
    for (QAbstractAxis* axis : chart->axes()) series->attachAxis(axis);
}

Qt::PenStyle PenStyleOf(LineDash dash) {
    switch (dash) {
        case LineDash::Solid: return Qt::SolidLine;
        case LineDash::Dash: return Qt::DashLine;
        case LineDash::Dot: return Qt::DotLine;
        case LineDash::DashDot: return Qt::DashDotLine;
        case LineDash::DashDotDot: return Qt::DashDotDotLine;
    }
    return Qt::SolidLine;
}

QPen PenOf(const QColor& colour, Qt::PenStyle style, qreal width) {
    QPen pen(colour);
    pen.setStyle(style);
    pen.setWidthF(width);
    return pen;
}

// Where along a reference line (0 at its start, 1 at its end) its label stands. The lines of
// one kind in a pane are labelled at different places, so that two filters' or two items'
// labels never cover each other: a horizontal line's label moves along it, a vertical one's
// steps up from the foot of the plot, below the targets and plateaus, which stand high.
double LabelPlace(std::size_t index, std::size_t count, Qt::Orientation line) {
    constexpr double kVerticalStep = 0.1;
    if (line == Qt::Vertical) return std::min(1.0, kVerticalStep * static_cast<double>(index));
    return static_cast<double>(index + 1) / static_cast<double>(count + 1);
}

// A straight reference line from a to b, with its name written beside it in its colour at
// `at` of its length.
QLineSeries* Reference(const QString& name, QPointF a, QPointF b, const QPen& pen, double at) {
    auto* line = new QLineSeries;
    line->setName(name);
    line->append(a);
    const bool inside = at > 0 && at < 1;
    if (inside) line->append(a + (b - a) * at);
    line->append(b);
    line->setPen(pen);
    const int labelled = inside ? 1 : (at <= 0 ? 0 : line->count() - 1);
    line->setPointLabelsFormat(name);
    QColor labelColour = pen.color();
    labelColour.setAlphaF(1.0);  // a band's pale colour would be too faint to read
    line->setPointLabelsColor(labelColour);
    line->setPointLabelsClipping(false);
    line->setPointLabelsVisible(true);
    for (int i = 0; i < line->count(); ++i) {
        if (i != labelled)
            line->setPointConfiguration(i, QXYSeries::PointConfiguration::LabelVisibility, false);
    }
    return line;
}

QString Qs(const std::string& text) {
    return QString::fromStdString(text);
}

}  // namespace

QPen ChartsWindow::PenFor(const std::string& key) {
    const auto [at, added] = styleIndex_.try_emplace(key, styleIndex_.size());
    const SeriesStyle style = SeriesStyleAt(at->second);
    return PenOf(QColor(QLatin1String(style.colour)), PenStyleOf(style.dash), kCurveWidth);
}

ChartsWindow::ChartsWindow(const CurveRecorder& recorder, QWidget* parent)
    : QWidget(parent, Qt::Window), recorder_(recorder) {
    setObjectName(QStringLiteral("chartsWindow"));
    setWindowTitle(QStringLiteral("Charts - QS-71DR ADJ"));
    resize(kWindowWidth, kWindowHeight);
    auto* layout = new QVBoxLayout(this);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    layout->addWidget(splitter);
    for (int p = 0; p < PaneCount; ++p) {
        auto* pane = new QWidget(splitter);
        auto* paneLayout = new QVBoxLayout(pane);
        paneLayout->setContentsMargins(0, 0, 0, 0);
        auto* chart = new QChart;
        chart->setTitle(QString::fromLatin1(kPaneTitles[p]));
        chart->legend()->setAlignment(Qt::AlignRight);
        QFont legendFont = chart->legend()->font();
        legendFont.setPointSizeF(legendFont.pointSizeF() * (p == Readings ? 0.75 : 0.85));
        chart->legend()->setFont(legendFont);
        views_[p] = new QChartView(chart, pane);
        views_[p]->setRenderHint(QPainter::Antialiasing);
        views_[p]->setObjectName(QStringLiteral("chart-%1").arg(kPaneFileNames[p]));
        paneLayout->addWidget(views_[p], 1);
        auto* buttons = new QHBoxLayout;
        buttons->addStretch(1);
        auto* png = new QPushButton(QStringLiteral("Save PNG..."), pane);
        auto* svg = new QPushButton(QStringLiteral("Save SVG..."), pane);
        buttons->addWidget(png);
        buttons->addWidget(svg);
        paneLayout->addLayout(buttons);
        const auto which = static_cast<Pane>(p);
        connect(png, &QPushButton::clicked, this, [this, which] { SaveWithDialog(which, false); });
        connect(svg, &QPushButton::clicked, this, [this, which] { SaveWithDialog(which, true); });
        splitter->addWidget(pane);
    }
    // The readings pane has the longest legend: a row per reading.
    splitter->setSizes({kWindowHeight * 4 / 10, kWindowHeight * 3 / 10, kWindowHeight * 3 / 10});
    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(kRefreshDelayMs);
    connect(refreshTimer_, &QTimer::timeout, this, &ChartsWindow::Refresh);
    Restart();
    Refresh();
}

QChart* ChartsWindow::chart(Pane pane) const {
    return views_[pane]->chart();
}

QChartView* ChartsWindow::view(Pane pane) const {
    return views_[pane];
}

void ChartsWindow::ScheduleRefresh() {
    if (!refreshTimer_->isActive()) refreshTimer_->start();
}

void ChartsWindow::Restart() {
    connection_ = recorder_.connectionNumber();
    readingsShown_ = sweepsShown_ = bisectionsShown_ = resultsShown_ = 0;
    readingSeries_.clear();
    styleIndex_.clear();
    celsiusLow_ = celsiusHigh_ = 0;

    QChart* readings = chart(Readings);
    readings->removeAllSeries();
    for (QAbstractAxis* axis : readings->axes()) {
        readings->removeAxis(axis);
        delete axis;
    }
    timeAxis_ = MakeAxis(QStringLiteral("time since Connect (s)"), 0, kMinimumTimeSpanS);
    timeAxis_->setTickType(QValueAxis::TicksDynamic);
    timeAxis_->setTickAnchor(0);
    SetTimeTicks(kMinimumTimeSpanS);
    voltAxis_ = MakeAxis(QStringLiteral("V"), 0, kSupplyVoltsMax);
    percentAxis_ = MakeAxis(QStringLiteral("%"), 0, kPercentMax);
    celsiusAxis_ = MakeAxis(QString::fromUtf8("\xC2\xB0" "C"), 0, 50);
    readings->addAxis(timeAxis_, Qt::AlignBottom);
    readings->addAxis(voltAxis_, Qt::AlignLeft);
    readings->addAxis(percentAxis_, Qt::AlignRight);
    readings->addAxis(celsiusAxis_, Qt::AlignRight);
    RebuildSweep();
    RebuildLevel();
}

void ChartsWindow::AddReading(int group, int index, std::int32_t timeMs, int raw) {
    const auto g = static_cast<ReadingGroup>(group);
    const auto info = ReadingValueOf(g, index, raw);
    if (!info) return;
    QLineSeries*& series = readingSeries_[{group, index}];
    QValueAxis* axis = info->unit == "V" ? voltAxis_ : info->unit == "%" ? percentAxis_
                                                                          : celsiusAxis_;
    if (series == nullptr) {
        series = new QLineSeries;
        series->setName(QStringLiteral("%1 (%2)").arg(Qs(info->name), Qs(info->unit)));
        chart(Readings)->addSeries(series);
        series->setPen(PenFor("reading " + std::to_string(group) + "/" + std::to_string(index)));
        series->attachAxis(timeAxis_);
        series->attachAxis(axis);
    }
    const std::optional<double>& value = info->value;
    if (!value) return;  // TEMPS "*Error": no temperature to draw
    const double seconds = timeMs / 1000.0;
    series->append(seconds, *value);
    if (seconds > timeAxis_->max()) SetTimeTicks(seconds);
    if (axis == celsiusAxis_) {
        if (celsiusLow_ == celsiusHigh_) {
            celsiusLow_ = std::floor(*value - 1);
            celsiusHigh_ = std::ceil(*value + 1);
        }
        celsiusLow_ = std::min(celsiusLow_, std::floor(*value - 1));
        celsiusHigh_ = std::max(celsiusHigh_, std::ceil(*value + 1));
        celsiusAxis_->setRange(celsiusLow_, celsiusHigh_);
    }
}

void ChartsWindow::ShowDrawnInLegend() {
    QLegend* legend = chart(Readings)->legend();
    for (const auto& [key, series] : readingSeries_) {
        const bool drawn = series->count() > 1;
        for (QLegendMarker* marker : legend->markers(series)) marker->setVisible(drawn);
    }
}

void ChartsWindow::SetTimeTicks(double seconds) {
    const AxisTicks ticks = RoundTicks(seconds, kMaxTimeTicks);
    timeAxis_->setRange(0, ticks.end);
    timeAxis_->setTickInterval(ticks.step);
    timeAxis_->setLabelFormat(Qs(ticks.LabelFormat()));
}

void ChartsWindow::RebuildSweep() {
    QChart* c = chart(Sweep);
    c->removeAllSeries();
    SetRawAxes(c, QStringLiteral("filter value"), QStringLiteral("SD (raw)"));
    const std::vector<SweepRun> runs = SweepRuns(recorder_.log());
    std::size_t finished = 0;
    for (const SweepRun& run : runs) finished += run.result ? 1 : 0;
    std::size_t labelled = 0;
    for (const SweepRun& run : runs) {
        const QPen curvePen = PenFor("sweep " + std::to_string(run.filter));
        const QColor colour = curvePen.color();
        auto* line = new QLineSeries;
        line->setName(Qs(FilterName(run.filter)));
        line->setPen(curvePen);
        int plateauLevel = 0;
        for (const SweepPoint& p : run.points) {
            line->append(p.value, p.level);
            plateauLevel = std::max(plateauLevel, p.level);
        }
        Attach(c, line);
        if (!run.result) continue;
        const AutoOpResult& r = *run.result;
        // The plateau as a broad band under the curve, the centre as a dashed line: the
        // filter's colour says whose, the pen says which.
        QColor band = colour;
        band.setAlphaF(kPlateauAlpha);
        Attach(c, Reference(QStringLiteral("%1 plateau %2-%3")
                                .arg(Qs(FilterName(run.filter)))
                                .arg(r.first)
                                .arg(r.last),
                            QPointF(r.first, plateauLevel), QPointF(r.last, plateauLevel),
                            PenOf(band, Qt::SolidLine, kPlateauWidth),
                            LabelPlace(labelled, finished, Qt::Horizontal)));
        const QString filter = Qs(FilterName(run.filter));
        Attach(c, Reference(QStringLiteral("%1 centre %2").arg(filter).arg(r.value),
                            QPointF(r.value, 0), QPointF(r.value, kFullScale),
                            PenOf(colour, Qt::DashLine, kReferenceWidth),
                            LabelPlace(labelled, finished, Qt::Vertical)));
        ++labelled;
    }
}

void ChartsWindow::RebuildLevel() {
    QChart* c = chart(Level);
    c->removeAllSeries();
    SetRawAxes(c, QStringLiteral("level-adjust value"), QStringLiteral("LVIN (raw)"));
    QString title = QString::fromLatin1(kPaneTitles[Level]);
    const std::vector<BisectionRun> runs = BisectionRuns(recorder_.log());
    std::size_t labelled = 0;
    for (const BisectionRun& run : runs) {
        const QString name = Qs(LevelItemName(run.item));
        const QPen stepsPen = PenFor("level " + std::to_string(run.item));
        const QColor colour = stepsPen.color();
        auto* steps = new QLineSeries;
        steps->setName(name + QStringLiteral(" steps"));
        steps->setPointsVisible(true);
        steps->setPen(stepsPen);
        for (const BisectionPoint& p : run.points) steps->append(p.value, p.level);
        Attach(c, steps);
        // The target across, the value found upright: the item's colour says whose, the pen
        // which.
        Attach(c, Reference(name + QStringLiteral(" target %1").arg(run.target),
                            QPointF(0, run.target), QPointF(kFullScale, run.target),
                            PenOf(colour, Qt::DashLine, kReferenceWidth),
                            LabelPlace(labelled, runs.size(), Qt::Horizontal)));
        const std::size_t place = labelled++;
        if (!run.result) continue;
        if (run.result->ok) {
            Attach(c, Reference(name + QStringLiteral(" final %1").arg(run.result->value),
                                QPointF(run.result->value, 0),
                                QPointF(run.result->value, kFullScale),
                                PenOf(colour, Qt::DotLine, kReferenceWidth),
                                LabelPlace(place, runs.size(), Qt::Vertical)));
        } else {
            steps->setName(name + QStringLiteral(" steps: FAILED, target out of reach"));
            // Still the item's colour (another red would pass for a second curve), dotted.
            steps->setPen(PenOf(colour, Qt::DotLine, kReferenceWidth));
            title = QString::fromLatin1(kPaneTitles[Level]) + QStringLiteral(": ") + name +
                    QStringLiteral(" FAILED");
        }
    }
    c->setTitle(title);
}

void ChartsWindow::Refresh() {
    if (recorder_.connectionNumber() != connection_) Restart();
    const CurveLog& log = recorder_.log();
    // A log shorter than what is shown was started anew.
    if (log.readings.size() < readingsShown_ || log.sweeps.size() < sweepsShown_ ||
        log.bisections.size() < bisectionsShown_ || log.results.size() < resultsShown_) {
        Restart();
    }
    for (; readingsShown_ < log.readings.size(); ++readingsShown_) {
        const TimedReading& r = log.readings[readingsShown_];
        AddReading(static_cast<int>(r.point.group), r.point.index, r.timeMs, r.point.raw);
    }
    ShowDrawnInLegend();
    const bool results = log.results.size() != resultsShown_;
    if (results || log.sweeps.size() != sweepsShown_) RebuildSweep();
    if (results || log.bisections.size() != bisectionsShown_) RebuildLevel();
    sweepsShown_ = log.sweeps.size();
    bisectionsShown_ = log.bisections.size();
    resultsShown_ = log.results.size();
}

namespace {

// Charts are written as every file is: a save that fails leaves an earlier file as it was.
bool SaveChartBytes(const QString& path, const QByteArray& bytes, QString& error) {
    std::string reason;
    if (!bytes.isEmpty() && WriteFileAtomically(path.toStdString(), bytes.toStdString(),
                                                ExistingFile::Replace, reason)) {
        return true;
    }
    error = QStringLiteral("The chart could not be saved as %1.").arg(path);
    if (!reason.empty()) error += QLatin1Char('\n') + QString::fromStdString(reason);
    return false;
}

}  // namespace

bool ChartsWindow::SavePng(Pane pane, const QString& path, QString& error) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!views_[pane]->grab().save(&buffer, "PNG")) bytes.clear();
    return SaveChartBytes(path, bytes, error);
}

bool ChartsWindow::SaveSvg(Pane pane, const QString& path, QString& error) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator generator;
    generator.setOutputDevice(&buffer);
    const QSize size = views_[pane]->size();
    generator.setSize(size);
    generator.setViewBox(QRect(QPoint(0, 0), size));
    generator.setTitle(QString::fromLatin1(kPaneTitles[pane]));
    QPainter painter;
    if (!painter.begin(&generator)) bytes.clear();
    if (painter.isActive()) {
        views_[pane]->render(&painter);
        painter.end();
    }
    return SaveChartBytes(path, bytes, error);
}

void ChartsWindow::SaveWithDialog(Pane pane, bool svg) {
    const QString suffix = svg ? QStringLiteral("svg") : QStringLiteral("png");
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("Save chart"),
        QStringLiteral("%1.%2").arg(QString::fromLatin1(kPaneFileNames[pane]), suffix),
        svg ? QStringLiteral("SVG (*.svg)") : QStringLiteral("PNG (*.png)"));
    if (path.isEmpty()) return;
    QString error;
    const bool saved = svg ? SaveSvg(pane, path, error) : SavePng(pane, path, error);
    if (!saved) QMessageBox::warning(this, windowTitle(), error);
}

}  // namespace qs::qt
