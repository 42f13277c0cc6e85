#pragma once

#include <QPen>
#include <QString>
#include <QWidget>
#include <map>
#include <string>
#include <utility>

class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;
class QTimer;

namespace qs {
class CurveRecorder;
}

namespace qs::qt {

// "View > Charts": a window of its own beside the main window, never modal, with three
// panes drawn from the curve recorder's log (the readings the model decoded):
//   readings over time   every [A/D] and [D/A] reading in its unit (V, °C, %)
//   band-pass sweep      SD against the filter value, plateau and centre marked
//   level adjustment     LVIN against the level-adjust value per bisection step, the
//                        target as a line, the final value, or FAILED
// Each series has a colour and line style of its own in the whole window (the reference
// lines take their curve's colour with a pen of their kind, and say what they are beside
// them). Each pane can be saved as PNG and SVG. A new Connect starts new charts.
class ChartsWindow : public QWidget {
public:
    enum Pane { Readings = 0, Sweep = 1, Level = 2, PaneCount = 3 };

    explicit ChartsWindow(const CurveRecorder& recorder, QWidget* parent = nullptr);

    // Brings the charts up to the recorder's log (also done shortly after every change).
    void Refresh();
    // Schedules a Refresh (the recorder's change notice; cheap when called often).
    void ScheduleRefresh();

    QChart* chart(Pane pane) const;
    QChartView* view(Pane pane) const;
    // False with `error` when the file cannot be written.
    bool SavePng(Pane pane, const QString& path, QString& error) const;
    bool SaveSvg(Pane pane, const QString& path, QString& error) const;

private:
    void Restart();
    void AddReading(int group, int index, std::int32_t timeMs, int raw);
    // The time axis from 0 to at least `seconds`, its grid lines at round numbers.
    void SetTimeTicks(double seconds);
    // A reading's legend entry only once its line is drawn (two points; a row that showed
    // "*Error" or was read once draws none).
    void ShowDrawnInLegend();
    void RebuildSweep();
    void RebuildLevel();
    void SaveWithDialog(Pane pane, bool svg);
    // The pen of the series `key` names ("reading 0/3", "sweep 1"): the next of the palette
    // the first time, the same ever after, until the charts start anew.
    QPen PenFor(const std::string& key);

    const CurveRecorder& recorder_;
    QChartView* views_[PaneCount] = {};
    QValueAxis* timeAxis_ = nullptr;
    QValueAxis* voltAxis_ = nullptr;
    QValueAxis* celsiusAxis_ = nullptr;
    QValueAxis* percentAxis_ = nullptr;
    std::map<std::pair<int, int>, QLineSeries*> readingSeries_;
    std::map<std::string, std::size_t> styleIndex_;
    QTimer* refreshTimer_ = nullptr;
    int connection_ = -1;
    std::size_t readingsShown_ = 0;
    std::size_t sweepsShown_ = 0;
    std::size_t bisectionsShown_ = 0;
    std::size_t resultsShown_ = 0;
    double celsiusLow_ = 0;
    double celsiusHigh_ = 0;
};

}  // namespace qs::qt
