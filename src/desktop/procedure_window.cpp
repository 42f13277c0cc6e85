#include "desktop/procedure_window.h"

#include <QCloseEvent>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWindow>
#include <algorithm>

#include "model/reading_text.h"
#include "record/report_runs_html.h"
#include "record/run_summary.h"
#include "record/step_summary.h"
#include "record/verdict_style.h"
#include "record/verdict_words.h"
#include "station/radio_station.h"

namespace qs::qt {

namespace {

constexpr int kWindowWidth = 900;
constexpr int kWindowHeight = 560;
constexpr qreal kBannerScale = 2.2;
constexpr qreal kReasonScale = 1.15;
constexpr qreal kPromptScale = 1.5;
// Columns sized to their text are not let grow past this: the whole text is on hover.
constexpr int kMaxFittedColumnPx = 320;
// The step under way, light blue, easy to find in a long table.
constexpr const char* kRunningRowTint = "#dcebfa";
constexpr const char* kPromptPanelStyle =
    "QFrame#promptPanel { background: #fff4ce; border: 2px solid #c8a400; border-radius: 6px; }";

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString StateText(const StepRecord& step, bool running, bool finished) {
    if (running) return QStringLiteral("running");
    if (step.startMs < 0) return finished ? QStringLiteral("not run") : QString();
    return Q(StepOutcomeLabel(step.outcome));
}

QFont Scaled(QFont font, qreal scale, bool bold) {
    font.setPointSizeF(font.pointSizeF() * scale);
    font.setBold(bold);
    return font;
}

// A label whose text wraps at whatever width the window has, and never asks for more: a
// long message (a radio-link failure with its checklist) makes it taller, not the window
// wider.
QLabel* WrappingLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QSizePolicy policy = label->sizePolicy();
    policy.setHorizontalPolicy(QSizePolicy::Ignored);
    label->setSizePolicy(policy);
    return label;
}

// The window as the run's technician, for as long as the window is there.
class WindowTechnician : public procedure::ITechnician {
public:
    explicit WindowTechnician(ProcedureWindow* window) : window_(window) {}
    void Ask(const procedure::Question& question,
             std::function<void(procedure::Answer)> answer) override {
        if (!window_.isNull()) window_->Ask(question, std::move(answer));
    }
    void Withdraw() override {
        if (!window_.isNull()) window_->Withdraw();
    }

private:
    QPointer<ProcedureWindow> window_;
};

}  // namespace

ProcedureWindow::ProcedureWindow(RadioStation& station, procedure::Procedure procedure,
                                 procedure::RunInfo info, QWidget* parent)
    : QWidget(parent, Qt::Window),
      station_(station),
      procedure_(std::move(procedure)),
      info_(std::move(info)) {
    setWindowTitle(QStringLiteral("Procedure - ") +
                   Q(procedure_.title.empty() ? procedure_.file : procedure_.title));

    auto* layout = new QVBoxLayout(this);
    state_ = new QLabel(this);
    state_->setObjectName(QStringLiteral("verdictBanner"));
    state_->setFont(Scaled(state_->font(), kBannerScale, true));
    state_->setMargin(8);
    // The verdict may carry a calibration note beside it: it wraps within the window.
    state_->setWordWrap(true);
    state_->setAutoFillBackground(true);
    layout->addWidget(state_);
    reason_ = WrappingLabel(this);
    reason_->setFont(Scaled(reason_->font(), kReasonScale, true));
    layout->addWidget(reason_);
    // What the radio and the generator hold once the run has ended, in the banner's words.
    holds_ = WrappingLabel(this);
    holds_->setObjectName(QStringLiteral("radioHolds"));
    holds_->setFont(Scaled(holds_->font(), kReasonScale, true));
    layout->addWidget(holds_);
    counts_ = WrappingLabel(this);
    layout->addWidget(counts_);
    who_ = WrappingLabel(this);
    who_->setText(QStringLiteral("Technician: %1    Serial number: %2    Work order: %3")
                      .arg(Q(info_.technician), Q(info_.serialNumber), Q(info_.workOrder)));
    layout->addWidget(who_);
    calibration_ = WrappingLabel(this);
    calibration_->setObjectName(QStringLiteral("calibrationWarnings"));
    calibration_->setStyleSheet(QStringLiteral("color: #b00000;"));
    calibration_->setVisible(false);
    layout->addWidget(calibration_);

    steps_ = new QTableWidget(static_cast<int>(procedure_.steps.size()), kColumns, this);
    steps_->setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("Step"),
                                       QStringLiteral("State"), QStringLiteral("Measured"),
                                       QStringLiteral("Limits"), QStringLiteral("Time"),
                                       QStringLiteral("Values")});
    steps_->verticalHeader()->hide();
    steps_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    steps_->setSelectionMode(QAbstractItemView::NoSelection);
    // Nothing in it is chosen or typed: no cell should look picked out.
    steps_->setFocusPolicy(Qt::NoFocus);
    steps_->setTextElideMode(Qt::ElideRight);
    steps_->setWordWrap(false);
    // Every column can be widened by hand; the values, the longest, take what is left.
    steps_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    steps_->horizontalHeader()->setStretchLastSection(true);
    for (int row = 0; row < steps_->rowCount(); ++row) {
        for (int column = 0; column < kColumns; ++column)
            steps_->setItem(row, column, new QTableWidgetItem);
        steps_->item(row, kNumber)->setText(QString::number(row + 1));
        steps_->item(row, kStep)->setText(
            Q(procedure::StepTitle(procedure_.steps[static_cast<std::size_t>(row)])));
    }
    FitColumns();
    // The widths the technician sets by hand are kept for the next run; the last column
    // only takes what is left.
    connect(steps_->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int column, int, int) {
                if (fitting_ || column == kColumns - 1 || !columnsResized_) return;
                columnsResized_(columnWidths());
            });
    layout->addWidget(steps_, 1);

    // The open prompt or question: what the technician has to act on now, hard to miss.
    prompt_ = new QFrame(this);
    prompt_->setObjectName(QStringLiteral("promptPanel"));
    prompt_->setStyleSheet(QString::fromLatin1(kPromptPanelStyle));
    auto* promptRow = new QHBoxLayout(prompt_);
    question_ = WrappingLabel(prompt_);
    question_->setFont(Scaled(question_->font(), kPromptScale, true));
    question_->setStyleSheet(QStringLiteral("color: #1f1f1f;"));
    promptRow->addWidget(question_, 1);
    ok_ = new QPushButton(QStringLiteral("OK"), prompt_);
    yes_ = new QPushButton(QStringLiteral("&Yes"), prompt_);
    no_ = new QPushButton(QStringLiteral("&No"), prompt_);
    for (QPushButton* button : {ok_, yes_, no_}) {
        button->setFont(Scaled(button->font(), kPromptScale, false));
        promptRow->addWidget(button);
    }
    connect(ok_, &QPushButton::clicked, this, [this] { Answer(procedure::Answer::Ok); });
    connect(yes_, &QPushButton::clicked, this, [this] { Answer(procedure::Answer::Yes); });
    connect(no_, &QPushButton::clicked, this, [this] { Answer(procedure::Answer::No); });
    layout->addWidget(prompt_);

    auto* buttons = new QHBoxLayout;
    openReportButton_ = new QPushButton(QStringLiteral("Open &report"), this);
    runAgainButton_ = new QPushButton(QStringLiteral("Run &again"), this);
    buttons->addWidget(openReportButton_);
    buttons->addWidget(runAgainButton_);
    buttons->addStretch(1);
    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    close_ = new QPushButton(QStringLiteral("&Close"), this);
    buttons->addWidget(stop_);
    buttons->addWidget(close_);
    connect(stop_, &QPushButton::clicked, this, [this] { Stop(); });
    connect(close_, &QPushButton::clicked, this, &QWidget::close);
    // Never inside the click itself: running again closes this window.
    connect(runAgainButton_, &QPushButton::clicked, this, [this] {
        if (runAgain_) QMetaObject::invokeMethod(this, runAgain_, Qt::QueuedConnection);
    });
    connect(openReportButton_, &QPushButton::clicked, this, [this] {
        if (openReport_) openReport_();
    });
    layout->addLayout(buttons);

    ShowQuestion(false, false);
    holds_->setVisible(false);
    reason_->setVisible(false);
    counts_->setVisible(false);
    close_->setVisible(false);
    runAgainButton_->setVisible(false);
    openReportButton_->setVisible(false);
    resize(kWindowWidth, kWindowHeight);
    KeepWithinScreen();
}

ProcedureWindow::~ProcedureWindow() {
    if (watch_ != 0) station_.Unwatch(watch_);
    // A run still under way (the program closing) is stopped; its question is this window's
    // no longer.
    if (runner_ && !runner_->finished()) runner_->Stop();
    answer_ = nullptr;
}

bool ProcedureWindow::Start() {
    if (runner_) return true;
    runner_ = station_.Begin(procedure_, info_, std::make_shared<WindowTechnician>(this), {});
    if (!runner_) return false;
    watch_ = station_.Watch([this](const procedure::RunNotice& notice) {
        if (station_.run() == runner_) OnNotice(notice);
    });
    for (int row = 0; row < steps_->rowCount(); ++row) ShowStep(row);
    ShowState();
    return true;
}

void ProcedureWindow::Stop() {
    if (runner_) runner_->Stop();
    ShowState();
}

QList<int> ProcedureWindow::columnWidths() const {
    QList<int> widths;
    for (int column = 0; column < kColumns; ++column) widths << steps_->columnWidth(column);
    return widths;
}

void ProcedureWindow::setColumnWidths(const QList<int>& widths) {
    if (widths.size() != kColumns) return;
    fitting_ = true;
    for (int column = 0; column < kColumns; ++column) {
        if (widths[column] > 0) steps_->setColumnWidth(column, widths[column]);
    }
    fitting_ = false;
    keptWidths_ = true;
}

void ProcedureWindow::FitColumns() {
    if (keptWidths_) return;
    fitting_ = true;
    for (int column : {kNumber, kStep, kState, kMeasured, kLimits, kTime}) {
        const int before = steps_->columnWidth(column);
        steps_->resizeColumnToContents(column);
        const int fitted = std::min(steps_->columnWidth(column), kMaxFittedColumnPx);
        // Only ever wider while the run goes, so the table does not jump about.
        steps_->setColumnWidth(column, fittedOnce_ ? std::max(before, fitted) : fitted);
    }
    fittedOnce_ = true;
    fitting_ = false;
}

void ProcedureWindow::KeepWithinScreen() {
    const QScreen* shownOn = screen();
    if (shownOn == nullptr) return;
    const QRect available = shownOn->availableGeometry();
    // The frame the window manager adds is known once the window is shown.
    const int frame = isVisible() ? frameGeometry().width() - width() : 0;
    const int widest = std::max(1, available.width() - frame);
    setMaximumWidth(widest);
    if (width() > widest) resize(widest, height());
    if (height() > available.height()) resize(width(), available.height());
}

void ProcedureWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    KeepWithinScreen();
    // Moved to another screen, the window keeps within that one.
    if (windowHandle() != nullptr && !screenWatched_) {
        screenWatched_ = true;
        connect(windowHandle(), &QWindow::screenChanged, this, [this] { KeepWithinScreen(); });
    }
}

void ProcedureWindow::Ask(const procedure::Question& question,
                          std::function<void(procedure::Answer)> answer) {
    answer_ = std::move(answer);
    question_->setText(QStringLiteral("Step %1: %2").arg(question.step).arg(Q(question.text)));
    ShowQuestion(true, question.kind == procedure::Question::Kind::Confirm);
    raise();
    activateWindow();
}

void ProcedureWindow::Withdraw() {
    answer_ = nullptr;
    question_->clear();
    ShowQuestion(false, false);
}

void ProcedureWindow::Answer(procedure::Answer answer) {
    if (!answer_) return;
    auto answered = std::move(answer_);
    answer_ = nullptr;
    question_->clear();
    ShowQuestion(false, false);
    answered(answer);
}

void ProcedureWindow::ShowQuestion(bool open, bool confirm) {
    prompt_->setVisible(open);
    ok_->setVisible(open && !confirm);
    yes_->setVisible(open && confirm);
    no_->setVisible(open && confirm);
    if (open) (confirm ? yes_ : ok_)->setDefault(true);
    if (open) (confirm ? yes_ : ok_)->setFocus();
}

void ProcedureWindow::OnNotice(const procedure::RunNotice& notice) {
    if (notice.step >= 0) ShowStep(notice.step);
    if (runner_->finished()) {
        // The steps never reached read so only now.
        for (int row = 0; row < steps_->rowCount(); ++row) ShowStep(row);
    }
    FitColumns();
    ShowState();
    if (!runner_->finished()) return;
    // Never inside the runner's own notification: the window (and the runner) may go.
    if (closeWhenFinished_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    if (finished_) QMetaObject::invokeMethod(this, finished_, Qt::QueuedConnection);
}

void ProcedureWindow::ShowStep(int index) {
    if (!runner_) return;
    const StepRecord& step = runner_->record().steps[static_cast<std::size_t>(index)];
    const bool running = runner_->currentStep() == index;
    const bool finished = runner_->finished();
    const bool ended = !running && step.startMs >= 0;
    // In the report's words. A step never reached says so in its state; its message would
    // only repeat it.
    const std::string what = step.startMs >= 0 ? StepWhatItDid(step) : std::string();
    const QString texts[kColumns] = {
        QString::number(step.number),
        Q(step.title) + (what.empty() ? QString() : QStringLiteral("\n") + Q(what)),
        StateText(step, running, finished),
        step.measured ? Q(SpacedUnits(step.measured->text)) : QString(),
        step.limits ? Q(step.limits->text) : QString(),
        ended ? Q(DurationText(step.durationMs)) : QString(),
        Q(StepValuesText(step)),
    };
    const char* tint = running ? kRunningRowTint : ended ? OutcomeRowTint(step.outcome) : nullptr;
    for (int column = 0; column < kColumns; ++column) {
        QTableWidgetItem* item = steps_->item(index, column);
        item->setText(texts[column]);
        // A cell too narrow for its text is cut short; the whole of it is here.
        item->setToolTip(texts[column]);
        item->setBackground(tint != nullptr ? QBrush(QColor(QLatin1String(tint))) : QBrush());
        item->setForeground(tint != nullptr ? QBrush(QColor(0x1f, 0x1f, 0x1f)) : QBrush());
    }
    QTableWidgetItem* state = steps_->item(index, kState);
    QFont font = state->font();
    font.setBold(ended || (finished && step.startMs < 0));
    state->setFont(font);
    if (ended || (finished && step.startMs < 0))
        state->setForeground(QColor(QLatin1String(OutcomeColour(step.outcome))));
    steps_->resizeRowToContents(index);
    if (running) steps_->scrollToItem(steps_->item(index, kStep));
}

void ProcedureWindow::ShowState() {
    using Phase = procedure::ProcedureRunner::Phase;
    if (!runner_) return;
    const RunRecord& record = runner_->record();
    QString text;
    switch (runner_->phase()) {
        case Phase::Ready:
            text = QStringLiteral("Ready");
            break;
        case Phase::Connecting:
            text = QStringLiteral("Connecting to the radio...");
            break;
        case Phase::Running:
            text = QStringLiteral("Running step %1 of %2")
                       .arg(runner_->currentStep() + 1)
                       .arg(record.steps.size());
            break;
        case Phase::Stopping:
            text = QStringLiteral("Stopping...");
            break;
        case Phase::Finished:
            text = Q(VerdictWithCalibration(VerdictWord(record.verdict), record));
            break;
    }
    state_->setText(text);
    const bool finished = runner_->finished();
    state_->setStyleSheet(
        finished ? QStringLiteral("QLabel#verdictBanner { color: white; background: %1; }")
                       .arg(QLatin1String(VerdictColour(record.verdict)))
                 : QString());
    // A step's clean-up is not cut short by Stop: pressed during it, Stop is noted; pressed
    // again, the clean-up is abandoned.
    const bool stopping = runner_->stopping() || runner_->cleaningUp();
    stop_->setText(stopping ? QStringLiteral("Stopping\u2026") : QStringLiteral("&Stop"));
    stop_->setToolTip(stopping ? QStringLiteral("Press again to leave the clean-up unfinished "
                                                "and end the run now")
                               : QString());
    stop_->setEnabled(!finished && (!runner_->stopping() || runner_->cleaningUp()));
    ShowEnd();
}

void ProcedureWindow::setCalibrationWarnings(const std::vector<std::string>& warnings) {
    QString text;
    for (const std::string& warning : warnings)
        text += (text.isEmpty() ? QStringLiteral("Calibration: ") : QStringLiteral("\n")) + Q(warning);
    calibration_->setText(text);
    calibration_->setVisible(!text.isEmpty());
}

void ProcedureWindow::ShowEnd() {
    const bool finished = runner_->finished();
    const RunRecord& record = runner_->record();
    const QString reason = finished ? Q(VerdictReason(record)) : QString();
    reason_->setText(reason);
    reason_->setVisible(!reason.isEmpty());
    const QString holds = finished ? Q(record.radioHolds) : QString();
    holds_->setText(holds);
    holds_->setVisible(!holds.isEmpty());
    counts_->setText(finished ? Q(CountsText(CountOutcomes(record.steps)) + " in " +
                                  DurationText(record.durationMs))
                              : QString());
    counts_->setVisible(finished);
    stop_->setVisible(!finished);
    close_->setVisible(finished);
    runAgainButton_->setVisible(finished && runAgain_ != nullptr);
    openReportButton_->setVisible(finished && openReport_ != nullptr);
    // The report is made from the connection's backup and journal: none, no report.
    openReportButton_->setEnabled(!record.backupPath.empty());
    openReportButton_->setToolTip(record.backupPath.empty()
                                      ? QStringLiteral("No report: this run kept no backup or journal")
                                      : QStringLiteral("The alignment report of this connection"));
    if (finished) close_->setDefault(true);
}

void ProcedureWindow::closeEvent(QCloseEvent* event) {
    if (!runner_ || runner_->finished() ||
        runner_->phase() == procedure::ProcedureRunner::Phase::Ready) {
        event->accept();
        return;
    }
    // A run is not left halfway: it stops at its next safe point, then the window goes.
    closeWhenFinished_ = true;
    Stop();
    event->ignore();
}

}  // namespace qs::qt
