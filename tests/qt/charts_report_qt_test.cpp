// The charts window and the alignment report in the desktop program: the charts follow a
// whole connection against the virtual radio (in this process, on the fake clock), each pane
// saves as PNG and SVG, the PDF read back by a real PDF reader holds the report, and
// `--report` on the command line ends as a technician expects, with no display.
#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPen>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <QtCharts/QChart>
#include <QtCharts/QLegend>
#include <QtCharts/QLegendMarker>
#include <QtCharts/QLineSeries>
#include <QtCharts/QValueAxis>
#include <QtCharts/QXYSeries>
#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>

#include "qt_test_main.h"
#include "builtin_image.h"
#include "example_runs.h"
#include "desktop/charts_window.h"
#include "fakes/fake_alerts.h"
#include "desktop/main_window.h"
#include "desktop/report_menu.h"
#include "link/hex_text.h"
#include "record/alignment_report.h"
#include "record/curve_recorder.h"
#include "record/curves_file.h"
#include "record/report_html.h"
#include "record/verdict_words.h"
#include "report_pdf/report_pdf.h"
#include "safety/backup_file.h"
#include "safety/journal_file.h"
#include "safety/safety_rig.h"
#include "shell/main_window.h"

namespace qs::qt::testing {
namespace {

namespace builtin = qtsim::builtin;
using safety_test::SafetyRig;
using safety_test::TempFolder;

constexpr int kPowerHiRow = 1;
constexpr int kBpfT1Row = 10;
constexpr int kRxLvaRow = 12;
constexpr int kTxLvaRow = 13;
constexpr int kTxTargetRow = 15;
constexpr int kUnreachableTarget = 230;
// An axis title needs this much more than its own length before the chart cuts it short.
constexpr double kTitleRoom = 1.1;

// A connection with an adjustment, a sweep, a good and a failed level adjustment.
class Session {
public:
    Session() {
        rig.app().model().setOperationObserver(&recorder);
        ok = rig.Connect();
        rig.app().main().OnWindowKeyDown(kKeyF5, 0);
        rig.RunFor(100);
        rig.Step(kPowerHiRow, 2);
        rig.RunFor(10);
        ok = ok && Enter(kBpfT1Row) && Enter(kRxLvaRow);
        rig.Step(kTxTargetRow, kUnreachableTarget - builtin::kTxLevelTarget);
        ok = ok && Enter(kTxLvaRow);
        rig.app().main().OnWindowKeyDown(kKeyF5, 0);
        rig.RunFor(100);
    }
    ~Session() { rig.app().model().setOperationObserver(nullptr); }

    bool Enter(int row) {
        rig.win.lboConsole.setListIndex(row);
        if (!rig.app().main().OnWindowKeyDown(kKeyEnter, 0))
            rig.app().main().OnConsoleKeyDown(kKeyEnter, 0);
        return rig.RunUntil([&] { return rig.app().model().opState() != 0; }, 20) &&
               rig.RunUntil([&] { return rig.app().model().opState() == 0; }, 20000);
    }

    TempFolder folder;
    SafetyRig rig{folder.path()};
    CurveRecorder recorder{rig.clock, [this] { return rig.net().journalPath(); }};
    bool ok = false;
};

std::string PdfText(const QString& pdf) {
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!reader.waitForFinished(30000) || reader.exitCode() != 0) return "pdftotext failed";
    return reader.readAllStandardOutput().toStdString();
}

std::string WithoutBlanks(const std::string& text) {
    std::string out;
    for (char c : text)
        if (c != ' ' && c != '\n' && c != '\r' && c != '\f') out += c;
    return out;
}

void WriteText(const QString& path, const std::string& text) {
    std::ofstream(path.toStdString(), std::ios::binary) << text;
}

// The connection of the session with the seven example runs, and a day's adjustments in its
// journal: the report a shop keeps for a radio that took a few tries.
AlignmentReport SevenRunReport(Session& s) {
    AlignmentReport report;
    std::string error;
    if (!BuildAlignmentReport(s.rig.net().backupPath(), report, error)) return report;
    report.runs = SevenExampleRuns();
    for (int i = 0; i < 240; ++i) {
        report.journal.push_back({"2026-12-07 11:" + std::to_string(10 + i / 6) + ":0" +
                                      std::to_string(i % 6),
                                  "MOD", std::to_string(60 + i % 40), std::to_string(61 + i % 40),
                                  "0938" + std::to_string(10 + i % 80)});
    }
    return report;
}

// What pdftotext -bbox finds: each page's size and each word's box, in points.
struct PdfWord {
    int page = 0;
    QRectF box;
    QString text;
};
struct PdfLayout {
    std::vector<QSizeF> pages;
    std::vector<PdfWord> words;
    // The words on `word`'s line (the same page, the same top) from it rightwards.
    QStringList LineFrom(const PdfWord& word) const {
        QStringList line;
        for (const PdfWord& w : words) {
            if (w.page == word.page && std::abs(w.box.top() - word.box.top()) < 1 &&
                w.box.left() >= word.box.left())
                line << w.text;
        }
        return line;
    }
};

PdfLayout PdfWords(const QString& pdf) {
    PdfLayout layout;
    QProcess reader;
    reader.start(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
    if (!reader.waitForFinished(60000)) return layout;
    static const QRegularExpression tag(QStringLiteral(
        "<(page|word) (?:width|xMin)=\"([0-9.]+)\" (?:height|yMin)=\"([0-9.]+)\""
        "(?: xMax=\"([0-9.]+)\" yMax=\"([0-9.]+)\">(.*)</word>)?"));
    for (const QString& line : QString::fromUtf8(reader.readAllStandardOutput()).split('\n')) {
        const QRegularExpressionMatch m = tag.match(line);
        const auto at = [&m](int i) { return m.captured(i).toDouble(); };
        if (!m.hasMatch()) continue;
        if (m.captured(1) == QStringLiteral("page")) {
            layout.pages.emplace_back(at(2), at(3));
        } else {
            layout.words.push_back({int(layout.pages.size()) - 1,
                                    QRectF(QPointF(at(2), at(3)), QPointF(at(4), at(5))),
                                    m.captured(6)});
        }
    }
    return layout;
}

}  // namespace

class ChartsReportQtTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void chartsShowWhatTheModelDecoded() {
        Session s;
        QVERIFY(s.ok);
        ChartsWindow charts(s.recorder);
        charts.Refresh();
        const CurveLog& log = s.recorder.log();

        // Readings: one series per shown row, with every reading of that row.
        std::map<QString, int> expected;
        for (const TimedReading& r : log.readings) {
            if (r.point.group == ReadingGroup::Ad && r.point.index == 4) continue;
            ++expected[QString::number(static_cast<int>(r.point.group)) + "/" +
                       QString::number(r.point.index)];
        }
        int points = 0;
        int wanted = 0;
        for (const auto& [key, count] : expected) wanted += count;
        for (QAbstractSeries* series : charts.chart(ChartsWindow::Readings)->series())
            points += static_cast<int>(static_cast<QXYSeries*>(series)->count());
        QCOMPARE(static_cast<int>(charts.chart(ChartsWindow::Readings)->series().size()),
                 static_cast<int>(expected.size()));
        QCOMPARE(points, wanted);

        // The sweep: the SD curve point for point, then plateau and centre.
        const QList<QAbstractSeries*> sweep = charts.chart(ChartsWindow::Sweep)->series();
        QCOMPARE(sweep.size(), 3);
        auto* curve = static_cast<QXYSeries*>(sweep[0]);
        QCOMPARE(curve->count(), static_cast<int>(log.sweeps.size()));
        for (int i = 0; i < curve->count(); ++i) {
            QCOMPARE(curve->at(i).x(), double(log.sweeps[std::size_t(i)].point.value));
            QCOMPARE(curve->at(i).y(), double(log.sweeps[std::size_t(i)].point.level));
        }
        QCOMPARE(sweep[2]->name(), QStringLiteral("BPF T1 centre 64"));

        // Level: RX LVA reached its target, TX LVA failed and says so.
        QStringList names;
        for (QAbstractSeries* series : charts.chart(ChartsWindow::Level)->series())
            names << series->name();
        QVERIFY2(names.contains(QStringLiteral("RX LVA final %1").arg(builtin::kRxLvaAtTarget)),
                 qPrintable(names.join(", ")));
        QVERIFY(names.contains(QStringLiteral("TX LVA target %1").arg(kUnreachableTarget)));
        QVERIFY(names.contains(QStringLiteral("TX LVA steps: FAILED, target out of reach")));
        QVERIFY(charts.chart(ChartsWindow::Level)->title().contains(QStringLiteral("FAILED")));

        // Every curve of the window in a colour of its own; every reference line labelled with
        // its name, those of one curve told apart by their pens.
        QSet<QRgb> colours;
        int curves = 0;
        std::map<QString, QPen> references;
        for (int p = 0; p < ChartsWindow::PaneCount; ++p) {
            for (QAbstractSeries* series : charts.chart(static_cast<ChartsWindow::Pane>(p))->series()) {
                auto* xy = static_cast<QXYSeries*>(series);
                if (xy->pointLabelsVisible()) {
                    QCOMPARE(xy->pointLabelsFormat(), xy->name());
                    references[xy->name()] = xy->pen();
                    continue;
                }
                ++curves;
                colours.insert(xy->pen().color().rgb());
            }
        }
        QVERIFY2(curves >= 13, qPrintable(QString::number(curves)));
        QCOMPARE(colours.size(), curves);
        const QPen target = references.at(QStringLiteral("RX LVA target %1").arg(builtin::kRxLevelTarget));
        const QPen final = references.at(QStringLiteral("RX LVA final %1").arg(builtin::kRxLvaAtTarget));
        QCOMPARE(target.color(), final.color());
        QVERIFY(target.style() != final.style());

        // The time axis at round steps (RoundTicks), each label its grid line's value exactly.
        auto* time = qobject_cast<QValueAxis*>(
            charts.chart(ChartsWindow::Readings)->axes(Qt::Horizontal).first());
        QCOMPARE(time->tickType(), QValueAxis::TicksDynamic);
        for (double tick = 0; tick <= time->max(); tick += time->tickInterval())
            QCOMPARE(QString::asprintf(qPrintable(time->labelFormat()), tick).toDouble(), tick);

        // Each pane saves as PNG and SVG.
        charts.resize(900, 960);
        QTemporaryDir dir;
        for (int p = 0; p < ChartsWindow::PaneCount; ++p) {
            const auto pane = static_cast<ChartsWindow::Pane>(p);
            QString error;
            const QString png = dir.filePath(QStringLiteral("pane%1.png").arg(p));
            const QString svg = dir.filePath(QStringLiteral("pane%1.svg").arg(p));
            QVERIFY2(charts.SavePng(pane, png, error), qPrintable(error));
            QVERIFY2(charts.SaveSvg(pane, svg, error), qPrintable(error));
            // Each saved chart is the pane's chart: every series it shows is named in it.
            QFile svgFile(svg);
            QVERIFY(svgFile.open(QIODevice::ReadOnly));
            const QString svgText = QString::fromUtf8(svgFile.readAll());
            QVERIFY(svgText.contains(QStringLiteral("<svg")));
            const QList<QAbstractSeries*> series = charts.chart(pane)->series();
            QVERIFY(!series.isEmpty());
            for (QAbstractSeries* one : series) {
                QVERIFY2(svgText.contains(one->name().toHtmlEscaped()), qPrintable(one->name()));
            }
            const QImage picture(png);
            QVERIFY(!picture.isNull());
            QCOMPARE(picture.size(), charts.chart(pane)->size().toSize());
        }
        // At the window's own size every axis title fits beside its axis with the room the
        // chart keeps around a title, none cut short.
        charts.show();
        QVERIFY(QTest::qWaitForWindowExposed(&charts));
        for (int p = 0; p < ChartsWindow::PaneCount; ++p) {
            QChart* chart = charts.chart(static_cast<ChartsWindow::Pane>(p));
            for (QAbstractAxis* axis : chart->axes()) {
                const qreal room = axis->orientation() == Qt::Vertical ? chart->plotArea().height()
                                                                        : chart->plotArea().width();
                const qreal title = QFontMetricsF(axis->titleFont()).horizontalAdvance(axis->titleText());
                QVERIFY2(title * kTitleRoom <= room,
                         qPrintable(axis->titleText()));
            }
        }
        // The legend names only readings drawn: a line needs two points.
        for (QAbstractSeries* series : charts.chart(ChartsWindow::Readings)->series()) {
            const bool drawn = static_cast<QXYSeries*>(series)->count() > 1;
            QLegend* legend = charts.chart(ChartsWindow::Readings)->legend();
            for (QLegendMarker* marker : legend->markers(series)) QCOMPARE(marker->isVisible(), drawn);
        }
        // No two reference lines' labels in a pane cover each other.
        for (const ChartsWindow::Pane pane : {ChartsWindow::Sweep, ChartsWindow::Level}) {
            QChart* chart = charts.chart(pane);
            std::vector<QRectF> labels;
            for (QAbstractSeries* series : chart->series()) {
                auto* xy = static_cast<QXYSeries*>(series);
                if (!xy->pointLabelsVisible()) continue;
                const QFontMetricsF metrics(xy->pointLabelsFont());
                const QSizeF size(metrics.horizontalAdvance(xy->name()), metrics.height());
                for (int i = 0; i < xy->count(); ++i) {
                    const auto config = xy->pointConfiguration(i);
                    const auto shown = config.find(QXYSeries::PointConfiguration::LabelVisibility);
                    if (shown != config.end() && !shown->toBool()) continue;
                    const QPointF at = chart->mapToPosition(xy->at(i), xy);
                    labels.emplace_back(at.x() - size.width() / 2, at.y() - size.height(),
                                        size.width(), size.height());
                }
            }
            QVERIFY(!labels.empty());
            for (std::size_t i = 0; i < labels.size(); ++i) {
                for (std::size_t j = i + 1; j < labels.size(); ++j)
                    QVERIFY2(!labels[i].intersects(labels[j]), qPrintable(chart->title()));
            }
        }
        QString error;
        QVERIFY(!charts.SavePng(ChartsWindow::Sweep, QStringLiteral("/nonexistent/x.png"), error));
        QVERIFY(!error.isEmpty());

        // A new Connect starts new charts.
        QVERIFY(s.rig.Connect());
        charts.Refresh();
        QCOMPARE(charts.chart(ChartsWindow::Sweep)->series().size(), 0);

        const QByteArray shot = qgetenv("QS_CHARTS_SCREENSHOT");
        if (!shot.isEmpty()) {
            Session again;
            ChartsWindow window(again.recorder);
            window.resize(900, 960);
            window.show();
            window.Refresh();
            QTest::qWait(200);
            QVERIFY(window.grab().save(QString::fromLocal8Bit(shot)));
        }
    }

    void menusOpenTheChartsBesideTheWindowAndSaveTheReport() {
        Session s;
        QVERIFY(s.ok);
        MainWindow window;
        FakeMessageBox box;
        ReportMenu menu(window, s.rig.net(), s.recorder, box);
        QStringList top;
        for (QAction* a : window.menuBar()->actions()) top << a->text();
        QCOMPARE(top, (QStringList{"&File", "&Option", "&View"}));
        QCOMPARE(menu.chartsAction()->text(), QStringLiteral("&Charts"));
        menu.chartsAction()->trigger();
        QVERIFY(menu.chartsWindow() != nullptr);
        QVERIFY(menu.chartsWindow()->isVisible());
        QCOMPARE(menu.chartsWindow()->windowModality(), Qt::NonModal);
        // Live: a reading taken now reaches the open window by itself.
        const int before = static_cast<int>(s.recorder.log().readings.size());
        s.rig.app().main().OnWindowKeyDown(kKeyF5, 0);
        s.rig.RunFor(100);
        QVERIFY(static_cast<int>(s.recorder.log().readings.size()) > before);
        int shown = 0;
        QTRY_VERIFY([&] {
            shown = 0;
            for (QAbstractSeries* series :
                 menu.chartsWindow()->chart(ChartsWindow::Readings)->series())
                shown += static_cast<int>(static_cast<QXYSeries*>(series)->count());
            return shown > before - 2;
        }());

        QTemporaryDir dir;
        const QString html = dir.filePath(QStringLiteral("r.html"));
        QVERIFY(menu.SaveReport(html.toStdString()));
        QFile file(html);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray summary = file.readAll();
        QVERIFY(summary.contains("Band-pass sweep BPF T1: centre 64"));
        // The journal and raw readings only when asked for.
        QVERIFY(!summary.contains("<h2>Journal</h2>"));
        QVERIFY(!menu.fullReportAction()->isChecked());
        menu.fullReportAction()->setChecked(true);
        const QString full = dir.filePath(QStringLiteral("full.html"));
        QVERIFY(menu.SaveReport(full.toStdString()));
        QFile fullFile(full);
        QVERIFY(fullFile.open(QIODevice::ReadOnly));
        const QByteArray fullText = fullFile.readAll();
        QVERIFY(fullText.contains("<h2>Journal</h2>") && fullText.contains("<h2>Last readings</h2>"));
        menu.fullReportAction()->setChecked(false);
        QVERIFY(!menu.SaveReport(dir.filePath(QStringLiteral("r.txt")).toStdString()));
        QCOMPARE(box.shown.size(), std::size_t(1));

        // Open report of the run window: the PDF beside the connection's backup (the offscreen
        // platform opens nothing).
        const QFileInfo backup(QString::fromStdString(s.rig.net().backupPath()));
        const QString beside = backup.absolutePath() + QLatin1Char('/') + backup.completeBaseName() +
                               QStringLiteral("-report.pdf");
        QVERIFY(!QFile::exists(beside));
        QVERIFY(menu.OpenReport(s.rig.net().backupPath()));
        QVERIFY(QFile::exists(beside));
        QCOMPARE(box.shown.size(), std::size_t(1));
        // Said beside the window, not blocking it: where the file is, what to do without a viewer.
        QVERIFY(menu.reportNote() != nullptr && menu.reportNote()->isVisible());
        QVERIFY(!menu.reportNote()->isModal());
        QVERIFY(menu.reportNote()->text().contains(beside));
        QVERIFY(menu.reportNote()->text().contains(QStringLiteral("open that file with a PDF viewer")));
    }

    void pdfHoldsIdentificationChangedValuesAndResults() {
        Session s;
        QVERIFY(s.ok);
        AlignmentReport report;
        std::string error;
        QVERIFY2(BuildAlignmentReport(s.rig.net().backupPath(), report, error), error.c_str());
        QTemporaryDir dir;
        for (PaperSize paper : {PaperSize::A4, PaperSize::Letter}) {
            const QString pdf = dir.filePath(paper == PaperSize::A4 ? "a4.pdf" : "letter.pdf");
            QVERIFY2(WriteReportPdf(report, pdf.toStdString(), error, paper), error.c_str());
            const std::string text = PdfText(pdf);
            const std::string flat = WithoutBlanks(text);
            QVERIFY2(flat.find(report.identificationHex) != std::string::npos, text.c_str());
            QVERIFY(text.find("Power(Hi)") != std::string::npos);
            QVERIFY(flat.find("Power(Hi)" + std::to_string(builtin::kPowerHi) +
                              std::to_string(builtin::kPowerHi + 2) + "*") != std::string::npos);
            QVERIFY(flat.find("Band-passsweepBPFT1:centre64") != std::string::npos);
            // ("final" may come out of the reader as a ligature.)
            QVERIFY(flat.find("value" + std::to_string(builtin::kRxLvaAtTarget) +
                              "(targetLVIN" + std::to_string(builtin::kRxLevelTarget)) !=
                    std::string::npos);
            QVERIFY(flat.find("AutomaticadjustmentTXLVA:FAILED") != std::string::npos);
            QVERIFY(flat.find(report.backupCrc) != std::string::npos);
        }
    }

    // The report a shop keeps: seven runs on A4 and Letter within ten pages, no word outside
    // the margins, every step's row whole on one page under the table's head, no heading
    // left at the foot of a page; the full report the same on more pages.
    void sevenRunReportLaysOutWithoutCuts() {
        Session s;
        QVERIFY(s.ok);
        const AlignmentReport report = SevenRunReport(s);
        QCOMPARE(report.runs.size(), std::size_t(7));
        constexpr double kMarginPt = 12 / 25.4 * 72 - 1;  // 12 mm, less a point of rounding
        // (Not "Charts": pdftotext reads no words in the charts below it.)
        const QStringList headings{"Radio", "Instruments", "Steps of run 7", "Earlier runs",
                                   "Appendix", "Connection", "Adjustment items",
                                   "Automatic operations", "Journal"};
        QTemporaryDir dir;
        for (const ReportDetail detail : {ReportDetail::Summary, ReportDetail::Full}) {
            for (const PaperSize paper : {PaperSize::A4, PaperSize::Letter}) {
                const QString path =
                    dir.filePath(QStringLiteral("r%1%2.pdf").arg(int(detail)).arg(int(paper)));
                std::string error;
                QVERIFY2(WriteReportPdf(report, path.toStdString(), error, paper, detail),
                         error.c_str());
                // QS_REPORT_SAMPLES=FOLDER keeps the reports there for a look.
                const QString samples = qEnvironmentVariable("QS_REPORT_SAMPLES");
                if (!samples.isEmpty()) QFile::copy(path, samples + '/' + QFileInfo(path).fileName());
                const PdfLayout pdf = PdfWords(path);
                qInfo("%s: %zu pages, %lld bytes", qPrintable(QFileInfo(path).fileName()),
                      pdf.pages.size(), QFileInfo(path).size());
                if (detail == ReportDetail::Summary) QVERIFY(pdf.pages.size() <= 10);
                QVERIFY(pdf.words.size() > 500);
                for (const PdfWord& w : pdf.words) {
                    const QRectF inside = QRectF(QPointF(), pdf.pages[std::size_t(w.page)])
                                              .adjusted(kMarginPt, kMarginPt, -kMarginPt, -kMarginPt);
                    QVERIFY2(inside.contains(w.box), qPrintable(w.text));
                }
                // A step's number, title and outcome on one line, under the head row.
                for (const StepRecord& step : report.runs.back().steps) {
                    const auto row = std::find_if(pdf.words.begin(), pdf.words.end(),
                                                  [&](const PdfWord& w) {
                        const QStringList line = pdf.LineFrom(w);
                        return w.text == QString::number(step.number) &&
                               line.contains(QString::fromStdString(step.title).section(' ', 0, 0)) &&
                               line.contains(QString::fromStdString(StepOutcomeLabel(step.outcome)));
                    });
                    QVERIFY2(row != pdf.words.end(), step.title.c_str());
                    QVERIFY(std::any_of(pdf.words.begin(), pdf.words.end(), [&](const PdfWord& w) {
                        return w.page == row->page && w.text == QStringLiteral("Outcome");
                    }));
                }
                for (int page = 0; page < int(pdf.pages.size()); ++page) {
                    const PdfWord* lowest = nullptr;
                    for (const PdfWord& w : pdf.words) {
                        if (w.page == page && (!lowest || w.box.top() > lowest->box.top())) lowest = &w;
                    }
                    QVERIFY(lowest != nullptr);
                    const PdfWord first{page, QRectF(0, lowest->box.top(), 1, 1), QString()};
                    QVERIFY2(!headings.contains(pdf.LineFrom(first).join(' ')),
                             qPrintable(lowest->text));
                }
            }
        }
    }

    // The HTML report in a real browser 1024 pixels wide: nothing to scroll sideways, every
    // chart within the window. Skipped without Chromium, unless QS_REQUIRE_BROWSER=1 (CI).
    void htmlReportFitsABrowserWindow() {
        const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
        if (chromium.isEmpty()) {
            if (qEnvironmentVariableIntValue("QS_REQUIRE_BROWSER") == 1)
                QFAIL("no chromium for the browser check (QS_REQUIRE_BROWSER=1)");
            QSKIP("no chromium here");
        }
        Session s;
        QVERIFY(s.ok);
        const AlignmentReport report = SevenRunReport(s);
        std::string html = AlignmentReportHtml(report, ReportDetail::Full);
        // At its end the page lays itself out and writes into the DOM its width, the window's
        // and each chart's left and right edges.
        html.insert(html.rfind("</body>"),
                    "<script>var m=[document.documentElement.scrollWidth,window.innerWidth];"
                    "document.querySelectorAll('svg').forEach(function(c){"
                    "var r=c.getBoundingClientRect();m.push(r.left,r.right);});"
                    "document.body.setAttribute('data-measured',m.join(' '));</script>");
        QTemporaryDir dir;
        const QString page = dir.filePath(QStringLiteral("report.html"));
        WriteText(page, html);
        QProcess browser;
        browser.start(chromium, QStringLiteral("--headless --no-sandbox --disable-gpu --disable-quic "
                                               "--no-first-run --disable-background-networking "
                                               "--disable-component-update --disable-sync "
                                               "--window-size=1024,768 --dump-dom")
                                        .split(' ')
                                    << "--user-data-dir=" + dir.filePath(QStringLiteral("profile"))
                                    << QUrl::fromLocalFile(page).toString());
        QVERIFY(browser.waitForFinished(120000));
        const QRegularExpressionMatch measured =
            QRegularExpression(QStringLiteral("data-measured=\"([^\"]*)\""))
                .match(QString::fromUtf8(browser.readAllStandardOutput()));
        QVERIFY2(measured.hasMatch(), qPrintable(QString::fromUtf8(browser.readAllStandardError())));
        QList<double> m;
        for (const QString& number : measured.captured(1).split(' ')) m << number.toDouble();
        QCOMPARE(m.at(1), 1024.0);
        QVERIFY2(m.at(0) <= m.at(1), qPrintable(measured.captured(1)));  // nothing to scroll to
        QCOMPARE(m.size(), 2 + 2 * int(ReportChartSvgs(report).size()));
        for (int i = 2; i < m.size(); i += 2)
            QVERIFY2(m[i] >= 0 && m[i + 1] <= m[1], qPrintable(measured.captured(1)));
    }

    void reportOnTheCommandLine_data() {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("outStartsWith");  // what OUT holds afterwards, "" none
        QTest::newRow("html") << QStringList{"good.qsbak", "new.html"} << 0 << "written to"
                              << "<!DOCTYPE html>";
        QTest::newRow("pdf") << QStringList{"good.qsbak", "new.pdf"} << 0 << "written to"
                             << "%PDF";
        QTest::newRow("existing out") << QStringList{"good.qsbak", "old.html"} << 1
                                      << "exists already; add --force" << "old";
        QTest::newRow("existing out --force")
            << QStringList{"good.qsbak", "old.pdf", "--force"} << 0 << "written to" << "%PDF";
        QTest::newRow("no journal") << QStringList{"lonely.qsbak", "new.pdf"} << 1
                                    << "has no journal" << "";
        QTest::newRow("damaged backup") << QStringList{"damaged.qsbak", "new.html"} << 1
                                        << "checksum does not match" << "";
        QTest::newRow("no backup") << QStringList{"missing.qsbak", "new.html"} << 1
                                   << "Cannot open" << "";
        QTest::newRow("unwritable out")
            << QStringList{"good.qsbak", "no-such-folder/new.pdf"} << 1 << "Cannot write" << "";
        QTest::newRow("other extension") << QStringList{"good.qsbak", "new.txt"} << 2
                                         << "must end in .pdf or .html" << "";
        QTest::newRow("no out") << QStringList{"good.qsbak"} << 2
                                << "needs a backup file and an output file" << "";
        QTest::newRow("force alone") << QStringList{"--force"} << 2 << "--force goes with --report"
                                     << "";
        QTest::newRow("full") << QStringList{"good.qsbak", "new.html", "--full"} << 0
                              << "written to" << "<!DOCTYPE html>";
        QTest::newRow("full alone") << QStringList{"--full"} << 2 << "--full goes with --report"
                                    << "";
    }
    void reportOnTheCommandLine() {
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, message);
        QFETCH(QString, outStartsWith);
        QTemporaryDir dir;
        BackupRecord record;
        record.modelCode = "3017";
        record.subCode = "0102";
        record.identification = Bytes{0xEF, 0xEE, 0xE1, 0x30, 0x17};
        record.dateTime = "2026-12-07 10:46:02";
        record.image = Bytes(kBackupImageBytes, 0);
        record.image[168] = 200;
        const std::string text = BackupText(record);
        WriteText(dir.filePath("good.qsbak"), text);
        // Appended, not added: GCC 12 warns falsely about the temporary of a sum.
        std::string journal = kJournalHeading;
        journal += "\n2026-12-07 10:46:05\tPower(Hi)\t200\t202\t093841\n";
        WriteText(dir.filePath("good.journal.txt"), journal);
        WriteText(dir.filePath("lonely.qsbak"), text);
        std::string damaged = text;
        damaged[damaged.find("0000: ") + 6] = '7';
        WriteText(dir.filePath("damaged.qsbak"), damaged);
        std::string emptyJournal = kJournalHeading;
        emptyJournal += "\n";
        WriteText(dir.filePath("damaged.journal.txt"), emptyJournal);
        WriteText(dir.filePath("old.html"), "old");
        WriteText(dir.filePath("old.pdf"), "old");

        QStringList full;
        if (!args.first().startsWith(QStringLiteral("--"))) full << QStringLiteral("--report");
        for (const QString& arg : args)
            full << (arg.startsWith(QStringLiteral("--")) ? arg : dir.filePath(arg));
        QProcess program;
        // No display at all: the report must not need one.
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        program.setProcessEnvironment(env);
        program.start(QStringLiteral(QS_ADJ_PROGRAM), full);
        QVERIFY(program.waitForFinished(60000));
        const QString out = QString::fromUtf8(program.readAllStandardOutput());
        const QString err = QString::fromUtf8(program.readAllStandardError());
        QCOMPARE(program.exitCode(), status);
        QVERIFY2((status == 0 ? out : err).contains(message), qPrintable(out + err));
        const QString target = full.size() > 2 ? full.at(2) : QString();
        QFile result(target);
        if (outStartsWith.isEmpty()) {
            QVERIFY(target.isEmpty() || !result.exists());
        } else {
            QVERIFY(result.open(QIODevice::ReadOnly));
            QVERIFY(result.readAll().startsWith(outStartsWith.toLatin1()));
        }
    }
};

}  // namespace qs::qt::testing

QS_QT_TEST(qt_charts_report_tests, qs::qt::testing::ChartsReportQtTest)
#include "charts_report_qt_test.moc"
