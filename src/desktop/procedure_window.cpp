#include "desktop/procedure_window.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "instruments/bench_station.h"
#include "record/report_runs_html.h"
#include "safety/safety_net.h"
#include "shell/application.h"

namespace qs::qt {

namespace {

enum Column { kNumber, kStep, kState, kMeasured, kLimits, kValues, kTime, kColumns };

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QString StateText(const StepRecord& step, bool running) {
    if (running) return QStringLiteral("running");
    if (step.startMs < 0) return QString();
    return Q(OutcomeWord(step.outcome)).toUpper();
}

}  // namespace

ProcedureWindow::ProcedureWindow(Application& app, SafetyNet& safety,
                                 instruments::BenchStation& station,
                                 procedure::Procedure procedure, procedure::RunInfo info,
                                 QWidget* parent)
    : QWidget(parent, Qt::Window), station_(station) {
    setWindowTitle(QStringLiteral("Procedure - ") +
                   Q(procedure.title.empty() ? procedure.file : procedure.title));
    runner_ = std::make_unique<procedure::ProcedureRunner>(
        procedure::RunnerParts{app, safety, station.bench(), timer_, clock_, wallClock_, *this,
                               procedure::ChangeGuard::RecordsFirst},
        std::move(procedure), std::move(info));
    runner_->setChanged([this](const procedure::RunNotice& notice) { OnNotice(notice); });

    auto* layout = new QVBoxLayout(this);
    state_ = new QLabel(this);
    QFont big = state_->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    state_->setFont(big);
    layout->addWidget(state_);
    const RunRecord& record = runner_->record();
    who_ = new QLabel(QStringLiteral("Technician: %1    Serial number: %2    Work order: %3")
                          .arg(Q(record.technician), Q(record.serialNumber), Q(record.workOrder)),
                      this);
    layout->addWidget(who_);

    steps_ = new QTableWidget(static_cast<int>(record.steps.size()), kColumns, this);
    steps_->setHorizontalHeaderLabels({QStringLiteral("#"), QStringLiteral("Step"),
                                       QStringLiteral("State"), QStringLiteral("Measured"),
                                       QStringLiteral("Limits"), QStringLiteral("Values"),
                                       QStringLiteral("Time")});
    steps_->verticalHeader()->hide();
    steps_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    steps_->setSelectionMode(QAbstractItemView::NoSelection);
    steps_->horizontalHeader()->setSectionResizeMode(kValues, QHeaderView::Stretch);
    for (int row = 0; row < steps_->rowCount(); ++row) {
        for (int column = 0; column < kColumns; ++column)
            steps_->setItem(row, column, new QTableWidgetItem);
        ShowStep(row);
    }
    steps_->resizeColumnsToContents();
    layout->addWidget(steps_, 1);

    auto* questionRow = new QHBoxLayout;
    question_ = new QLabel(this);
    question_->setWordWrap(true);
    questionRow->addWidget(question_, 1);
    ok_ = new QPushButton(QStringLiteral("OK"), this);
    yes_ = new QPushButton(QStringLiteral("&Yes"), this);
    no_ = new QPushButton(QStringLiteral("&No"), this);
    for (QPushButton* button : {ok_, yes_, no_}) questionRow->addWidget(button);
    connect(ok_, &QPushButton::clicked, this, [this] { Answer(procedure::Answer::Ok); });
    connect(yes_, &QPushButton::clicked, this, [this] { Answer(procedure::Answer::Yes); });
    connect(no_, &QPushButton::clicked, this, [this] { Answer(procedure::Answer::No); });
    layout->addLayout(questionRow);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    stop_ = new QPushButton(QStringLiteral("&Stop"), this);
    connect(stop_, &QPushButton::clicked, this, [this] { runner_->Stop(); });
    buttons->addWidget(stop_);
    layout->addLayout(buttons);

    ShowQuestion(false, false);
    ShowState();
    resize(900, 520);
}

ProcedureWindow::~ProcedureWindow() {
    // The runner goes first: it withdraws its question from this window while it still is one.
    // A finished run has given the bench back already (and a later run may hold it now).
    const bool finished = runner_->finished();
    runner_.reset();
    if (!finished) station_.Release();
}

void ProcedureWindow::Start() {
    runner_->Start();
    ShowState();
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
    ok_->setVisible(open && !confirm);
    yes_->setVisible(open && confirm);
    no_->setVisible(open && confirm);
    if (open) (confirm ? yes_ : ok_)->setDefault(true);
    if (open) (confirm ? yes_ : ok_)->setFocus();
}

void ProcedureWindow::OnNotice(const procedure::RunNotice& notice) {
    if (notice.step >= 0) ShowStep(notice.step);
    ShowState();
    if (!runner_->finished()) return;
    station_.Release();
    // Never inside the runner's own notification: the window (and the runner) may go.
    if (closeWhenFinished_) QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
    if (finished_) QMetaObject::invokeMethod(this, finished_, Qt::QueuedConnection);
}

void ProcedureWindow::ShowStep(int index) {
    const StepRecord& step = runner_->record().steps[static_cast<std::size_t>(index)];
    const bool running = runner_->currentStep() == index;
    const QString texts[kColumns] = {
        QString::number(step.number),
        Q(step.title) + (step.message.empty() ? QString() : QStringLiteral("\n") + Q(step.message)),
        StateText(step, running),
        step.measured ? Q(step.measured->text) : QString(),
        step.limits ? Q(step.limits->text) : QString(),
        Q(StepValuesText(step)),
        step.startMs < 0 || running ? QString() : Q(DurationText(step.durationMs)),
    };
    for (int column = 0; column < kColumns; ++column)
        steps_->item(index, column)->setText(texts[column]);
    const bool failed = !running && step.startMs >= 0 &&
                        (step.outcome == StepOutcome::Fail || step.outcome == StepOutcome::Error);
    const bool passed = !running && step.startMs >= 0 && step.outcome == StepOutcome::Pass;
    steps_->item(index, kState)->setForeground(failed   ? QColor(0xb3, 0x26, 0x1e)
                                               : passed ? QColor(0x1b, 0x7f, 0x2a)
                                                        : palette().color(QPalette::Text));
    if (running) steps_->scrollToItem(steps_->item(index, kStep));
}

void ProcedureWindow::ShowState() {
    using Phase = procedure::ProcedureRunner::Phase;
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
            text = Q(VerdictWord(record.verdict));
            if (!record.endReason.empty()) text += QStringLiteral(": ") + Q(record.endReason);
            break;
    }
    state_->setText(text);
    const bool finished = runner_->finished();
    state_->setStyleSheet(!finished ? QString()
                          : record.verdict == RunVerdict::Pass ? QStringLiteral("color: #1b7f2a")
                                                               : QStringLiteral("color: #b3261e"));
    stop_->setEnabled(!finished && runner_->phase() != Phase::Stopping);
}

void ProcedureWindow::closeEvent(QCloseEvent* event) {
    if (runner_->finished() || runner_->phase() == procedure::ProcedureRunner::Phase::Ready) {
        event->accept();
        return;
    }
    // A run is not left halfway: it stops at its next safe point, then the window goes.
    closeWhenFinished_ = true;
    runner_->Stop();
    event->ignore();
}

}  // namespace qs::qt
