#pragma once

#include <QWidget>
#include <array>
#include <optional>

#include "instruments/bench_panel.h"
#include "qtcore/qt_timer.h"

class QCheckBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace qs::qt {

// "View > Bench": a window of its own beside the main window, never modal, that renders the
// bench panel and forwards what the technician does to it: the instruments by role with
// their addresses and profile files (kept in the settings), each one's *IDN? (Identify), the
// answer time-out, the generator's frequency, level and RF switch, and the meters' readings
// (Measure, or Live while the window is shown), and when each instrument is due for
// calibration where the settings say (red once the day has passed, or when the settings'
// date is wrong). Failures stay on the line they belong to.
class BenchWindow : public QWidget {
public:
    explicit BenchWindow(instruments::BenchStation& station, QWidget* parent = nullptr);

    instruments::BenchPanel& panel() { return panel_; }

    // Widgets, for the tests.
    QLineEdit* addressEdit(instruments::Role role) const { return rows_[Index(role)].address; }
    QLineEdit* profileEdit(instruments::Role role) const { return rows_[Index(role)].profile; }
    QPushButton* identifyButton(instruments::Role role) const {
        return rows_[Index(role)].identify;
    }
    QLabel* identityLabel(instruments::Role role) const { return rows_[Index(role)].identity; }
    QLabel* heldLabel() const { return held_; }
    QLabel* statusLabel(instruments::Role role) const { return rows_[Index(role)].status; }
    QLabel* calibrationLabel(instruments::Role role) const {
        return rows_[Index(role)].calibration;
    }
    QLabel* readingLabel(instruments::Quantity quantity) const {
        return meters_[static_cast<std::size_t>(quantity)].reading;
    }
    QPushButton* measureButton(instruments::Quantity quantity) const {
        return meters_[static_cast<std::size_t>(quantity)].measure;
    }
    QCheckBox* liveBox() const { return live_; }
    QDoubleSpinBox* frequencyBox() const { return frequencyMhz_; }
    QDoubleSpinBox* levelBox() const { return levelDbm_; }
    QCheckBox* rfBox() const { return rf_; }
    QPushButton* setGeneratorButton() const { return setGenerator_; }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    struct RoleRow {
        QLineEdit* address = nullptr;
        QLineEdit* profile = nullptr;
        QToolButton* browse = nullptr;
        QPushButton* identify = nullptr;
        QLabel* identity = nullptr;
        QLabel* status = nullptr;
        QLabel* calibration = nullptr;  // when the instrument is due; hidden when not known
        std::optional<instruments::RoleSetup> shown;  // the panel's setup the fields last took
    };
    struct MeterRow {
        QLabel* reading = nullptr;
        QPushButton* measure = nullptr;
    };

    static std::size_t Index(instruments::Role role) { return static_cast<std::size_t>(role); }
    QWidget* BuildRoles();
    QWidget* BuildGenerator();
    QWidget* BuildMeters();
    void ApplyRole(instruments::Role role);
    void ApplyTimeout();
    void ChooseProfile(instruments::Role role);
    void Render();
    // The roles cannot be changed: --simulate, or a procedure run holds the bench.
    bool Locked() const;

    QtTimer timer_;
    instruments::BenchPanel panel_;
    std::array<RoleRow, instruments::kRoles.size()> rows_{};
    std::array<MeterRow, 3> meters_{};
    QDoubleSpinBox* timeoutSeconds_ = nullptr;
    QLabel* held_ = nullptr;  // why a run holds the bench; hidden when none does
    QDoubleSpinBox* frequencyMhz_ = nullptr;
    QDoubleSpinBox* levelDbm_ = nullptr;
    QCheckBox* rf_ = nullptr;
    QPushButton* setGenerator_ = nullptr;
    QCheckBox* live_ = nullptr;
    // The panel's values the fields last took.
    std::optional<double> shownTimeout_;
    std::optional<double> shownFrequencyHz_;
    std::optional<double> shownLevelDbm_;
    std::optional<instruments::RfOutput> shownRf_;
};

}  // namespace qs::qt
