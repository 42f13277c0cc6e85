#include "desktop/bench_window.h"

#include <QCheckBox>
#include <QDate>
#include <QDoubleSpinBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>
#include <optional>

namespace qs::qt {

namespace {

using instruments::Quantity;
using instruments::Role;

constexpr Quantity kQuantities[] = {Quantity::Power, Quantity::Deviation, Quantity::Frequency};
constexpr const char* kQuantityTitles[] = {"Power", "Deviation", "Frequency"};
constexpr double kHzPerMhz = 1e6;
constexpr int kMhzDecimals = 6;
constexpr double kMaxMhz = instruments::kMaxGeneratorHz / kHzPerMhz;
constexpr double kMsPerSecond = 1000.0;
constexpr const char* kSimulatedHint =
    "--simulate: every role is the virtual service monitor; the settings keep their own";
constexpr const char* kFailedStyle = "color: #b00000;";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// A line of the panel on a label: errors in red, the whole text also as the tooltip.
void ShowLine(QLabel* label, const instruments::BenchPanel::Line& line) {
    label->setText(Q(line.text));
    label->setToolTip(Q(line.text));
    label->setStyleSheet(line.failed ? QString::fromLatin1(kFailedStyle) : QString());
}

// "calibration due 2027-03-31", in red once that day has passed; a wrong date in the
// settings, in red.
void ShowCalibration(QLabel* label, const instruments::CalibrationDue& due) {
    const bool known = !due.date.empty() || !due.problem.empty();
    label->setVisible(known);
    if (!known) return;
    if (!due.problem.empty()) {
        label->setText(Q(due.problem));
        label->setStyleSheet(QString::fromLatin1(kFailedStyle));
        return;
    }
    const QDate day = QDate::fromString(Q(due.date), Qt::ISODate);
    const bool overdue = day.isValid() && day < QDate::currentDate();
    label->setText(QStringLiteral("calibration due ") + Q(due.date) +
                   (overdue ? QStringLiteral(": overdue") : QString()));
    label->setStyleSheet(overdue ? QString::fromLatin1(kFailedStyle) : QString());
}

// A field follows the panel only when the panel's value changes, so that what the technician
// typed stays (also a refused address, beside its error) until something new is set.
template <typename Value, typename Set>
void Follow(std::optional<Value>& shown, const Value& value, Set set) {
    if (shown == value) return;
    shown = value;
    set(value);
}

}  // namespace

BenchWindow::BenchWindow(instruments::BenchStation& station, QWidget* parent)
    : QWidget(parent, Qt::Window), panel_(station, timer_) {
    setObjectName(QStringLiteral("benchWindow"));
    setWindowTitle(QStringLiteral("Bench - QS-71DR ADJ"));
    auto* layout = new QVBoxLayout(this);
    held_ = new QLabel(this);
    held_->setObjectName(QStringLiteral("benchHeld"));
    held_->setWordWrap(true);
    held_->setVisible(false);
    layout->addWidget(held_);
    layout->addWidget(BuildRoles());
    auto* lower = new QHBoxLayout;
    lower->addWidget(BuildGenerator());
    lower->addWidget(BuildMeters());
    layout->addLayout(lower);
    layout->addStretch();
    panel_.setChanged([this] { Render(); });
    Render();
}

QWidget* BenchWindow::BuildRoles() {
    auto* group = new QGroupBox(QStringLiteral("Instruments"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(QStringLiteral("Address"), group), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Profile file (empty: generic)"), group), 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Calibration"), group), 0, 5);
    int line = 1;
    for (Role role : instruments::kRoles) {
        RoleRow& row = rows_[Index(role)];
        grid->addWidget(new QLabel(QString::fromLatin1(instruments::RoleTitle(role)), group), line,
                        0);
        row.address = new QLineEdit(group);
        row.address->setPlaceholderText(QStringLiteral("TCPIP::192.168.1.20::5025::SOCKET"));
        row.address->setMinimumWidth(fontMetrics().averageCharWidth() * 36);
        row.profile = new QLineEdit(group);
        row.browse = new QToolButton(group);
        row.browse->setText(QStringLiteral("..."));
        row.browse->setToolTip(QStringLiteral("Choose a profile file"));
        row.identify = new QPushButton(QStringLiteral("Identify"), group);
        row.identity = new QLabel(group);
        row.identity->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row.status = new QLabel(group);
        row.status->setWordWrap(true);
        row.status->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row.calibration = new QLabel(group);
        row.calibration->setWordWrap(true);
        row.calibration->setTextInteractionFlags(Qt::TextSelectableByMouse);
        grid->addWidget(row.address, line, 1);
        grid->addWidget(row.profile, line, 2);
        grid->addWidget(row.browse, line, 3);
        grid->addWidget(row.identify, line, 4);
        // The calibration note on the role's own row, where nobody takes it for the next
        // role's; the identity and the last event below, hidden while they say nothing.
        grid->addWidget(row.calibration, line, 5);
        grid->addWidget(row.identity, line + 1, 1, 1, 5);
        grid->addWidget(row.status, line + 2, 1, 1, 5);
        line += 3;
        connect(row.address, &QLineEdit::editingFinished, this, [this, role] { ApplyRole(role); });
        connect(row.profile, &QLineEdit::editingFinished, this, [this, role] { ApplyRole(role); });
        connect(row.browse, &QToolButton::clicked, this, [this, role] { ChooseProfile(role); });
        connect(row.identify, &QPushButton::clicked, this, [this, role] { panel_.Identify(role); });
    }
    timeoutSeconds_ = new QDoubleSpinBox(group);
    timeoutSeconds_->setRange(0.0, instruments::kMaxAnswerTimeout.count() / kMsPerSecond);
    timeoutSeconds_->setDecimals(1);
    timeoutSeconds_->setSingleStep(0.5);
    timeoutSeconds_->setSuffix(QStringLiteral(" s"));
    timeoutSeconds_->setSpecialValueText(QStringLiteral("profile's own (2 s)"));
    auto* timeoutRow = new QHBoxLayout;
    timeoutRow->addWidget(new QLabel(QStringLiteral("Answer time-out"), group));
    timeoutRow->addWidget(timeoutSeconds_);
    timeoutRow->addStretch();
    grid->addLayout(timeoutRow, line, 0, 1, 5);
    connect(timeoutSeconds_, &QDoubleSpinBox::editingFinished, this, [this] { ApplyTimeout(); });
    return group;
}

QWidget* BenchWindow::BuildGenerator() {
    auto* group = new QGroupBox(QStringLiteral("Generator"), this);
    auto* form = new QFormLayout(group);
    frequencyMhz_ = new QDoubleSpinBox(group);
    frequencyMhz_->setDecimals(kMhzDecimals);
    frequencyMhz_->setRange(std::pow(10.0, -kMhzDecimals), kMaxMhz);
    frequencyMhz_->setSuffix(QStringLiteral(" MHz"));
    levelDbm_ = new QDoubleSpinBox(group);
    levelDbm_->setDecimals(1);
    levelDbm_->setRange(instruments::kMinGeneratorDbm, instruments::kMaxGeneratorDbm);
    levelDbm_->setSuffix(QStringLiteral(" dBm"));
    rf_ = new QCheckBox(QStringLiteral("RF on"), group);
    setGenerator_ = new QPushButton(QStringLiteral("Set"), group);
    setGenerator_->setToolTip(
        QStringLiteral("Sends frequency, level and RF (RF off first, on last)"));
    form->addRow(QStringLiteral("Frequency"), frequencyMhz_);
    form->addRow(QStringLiteral("Level"), levelDbm_);
    form->addRow(rf_);
    form->addRow(setGenerator_);
    connect(setGenerator_, &QPushButton::clicked, this, [this] {
        instruments::GeneratorSettings settings;
        settings.frequencyHz = std::round(frequencyMhz_->value() * kHzPerMhz);
        settings.levelDbm = levelDbm_->value();
        settings.rf = rf_->isChecked() ? instruments::RfOutput::On : instruments::RfOutput::Off;
        panel_.ApplyGenerator(settings);
    });
    return group;
}

QWidget* BenchWindow::BuildMeters() {
    auto* group = new QGroupBox(QStringLiteral("Meters"), this);
    auto* grid = new QGridLayout(group);
    live_ = new QCheckBox(QStringLiteral("Live"), group);
    live_->setToolTip(QStringLiteral(
        "Reads the meters one after another while this window is open. Live readings are for "
        "watching; Measure takes one that goes into the journal."));
    grid->addWidget(live_, 0, 0, 1, 3);
    int line = 1;
    for (Quantity quantity : kQuantities) {
        MeterRow& row = meters_[static_cast<std::size_t>(quantity)];
        grid->addWidget(
            new QLabel(QString::fromLatin1(kQuantityTitles[static_cast<int>(quantity)]), group),
            line, 0);
        row.reading = new QLabel(group);
        row.reading->setWordWrap(true);
        row.reading->setMinimumWidth(fontMetrics().averageCharWidth() * 16);
        row.reading->setTextInteractionFlags(Qt::TextSelectableByMouse);
        row.measure = new QPushButton(QStringLiteral("Measure"), group);
        grid->addWidget(row.reading, line, 1);
        grid->addWidget(row.measure, line, 2);
        connect(row.measure, &QPushButton::clicked, this,
                [this, quantity] { panel_.Measure(quantity); });
        ++line;
    }
    grid->setColumnStretch(1, 1);
    connect(live_, &QCheckBox::toggled, this, [this](bool on) { panel_.SetLive(on); });
    return group;
}

void BenchWindow::ApplyRole(Role role) {
    const RoleRow& row = rows_[Index(role)];
    const instruments::RoleSetup choice{row.address->text().trimmed().toStdString(),
                                        row.profile->text().trimmed().toStdString()};
    if (Locked() || choice == panel_.setup(role)) return;
    panel_.SetRole(role, choice);
}

void BenchWindow::ApplyTimeout() {
    const double seconds = timeoutSeconds_->value();
    std::optional<std::chrono::milliseconds> timeout;
    if (seconds > 0.0) {
        timeout = std::max(instruments::kMinAnswerTimeout,
                           std::chrono::milliseconds(std::lround(seconds * kMsPerSecond)));
    }
    if (timeout != panel_.answerTimeout()) panel_.SetAnswerTimeout(timeout);
}

void BenchWindow::ChooseProfile(Role role) {
    RoleRow& row = rows_[Index(role)];
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Profile file"),
                                                      row.profile->text());
    if (file.isEmpty()) return;
    row.profile->setText(file);
    ApplyRole(role);
}

bool BenchWindow::Locked() const {
    return panel_.simulated() || !panel_.heldBy().empty();
}

void BenchWindow::Render() {
    const bool locked = Locked();
    // A run's hold says why the roles cannot be changed, in place of the --simulate hint.
    const QString hint = panel_.heldBy().empty()
                             ? QString::fromLatin1(kSimulatedHint)
                             : QStringLiteral("The bench is ") + Q(panel_.heldBy()) + '.';
    held_->setText(panel_.heldBy().empty() ? QString() : hint);
    held_->setVisible(!panel_.heldBy().empty());
    for (Role role : instruments::kRoles) {
        RoleRow& row = rows_[Index(role)];
        Follow(row.shown, panel_.setup(role), [&row](const instruments::RoleSetup& setup) {
            row.address->setText(Q(setup.address));
            row.profile->setText(Q(setup.profileFile));
        });
        for (QLineEdit* edit : {row.address, row.profile}) {
            edit->setReadOnly(locked);
            edit->setToolTip(locked ? hint : QString());
        }
        row.browse->setEnabled(!locked);
        const std::string identity = panel_.identity(role);
        row.identity->setText(identity.empty() ? QString() : QStringLiteral("*IDN? ") + Q(identity));
        row.identity->setVisible(!identity.empty());
        ShowLine(row.status, panel_.status(role));
        row.status->setVisible(!row.status->text().isEmpty());
        ShowCalibration(row.calibration, panel_.calibrationDue(role));
    }
    const auto timeout = panel_.answerTimeout();
    Follow(shownTimeout_, timeout ? timeout->count() / kMsPerSecond : 0.0,
           [this](double seconds) { timeoutSeconds_->setValue(seconds); });
    timeoutSeconds_->setEnabled(!locked);
    // A run sets the generator itself; a hand on it meanwhile would change what it measures.
    setGenerator_->setEnabled(panel_.heldBy().empty());
    for (Quantity quantity : kQuantities) {
        ShowLine(meters_[static_cast<std::size_t>(quantity)].reading, panel_.reading(quantity));
    }
    Follow(shownFrequencyHz_, panel_.frequencyHz(),
           [this](double hz) { frequencyMhz_->setValue(hz / kHzPerMhz); });
    Follow(shownLevelDbm_, panel_.levelDbm(), [this](double dbm) { levelDbm_->setValue(dbm); });
    Follow(shownRf_, panel_.rf(), [this](instruments::RfOutput rf) {
        rf_->setChecked(rf == instruments::RfOutput::On);
    });
    if (live_->isChecked() != panel_.live()) live_->setChecked(panel_.live());
}

void BenchWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    panel_.SetShown(true);
}

void BenchWindow::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    panel_.SetShown(false);
}

}  // namespace qs::qt
