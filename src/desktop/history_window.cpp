#include "desktop/history_window.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryFile>
#include <QUrl>
#include <QVBoxLayout>
#include <QTimer>
#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>

#include "history/record_report.h"
#include "history/records_query.h"
#include "record/alignment_report.h"
#include "report_pdf/report_file.h"

namespace qs::qt {

namespace {

// How often the window looks whether a look's answer has come.
constexpr int kLookPollMs = 20;

// A look's answer, handed from its worker to the window.
struct LookHandOver {
    std::mutex mutex;
    std::optional<HistoryAnswer> answer;
};

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

QTableWidgetItem* Cell(const std::string& text) {
    auto* item = new QTableWidgetItem(Q(text.empty() ? "-" : text));
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    return item;
}

// Who a side of a compare is: "4F12, 2026-12-07 10:46:02 on bench-2".
std::string Side(const HistoryRow& row) {
    return (row.serialNumber.empty() ? std::string("no serial number") : row.serialNumber) + ", " +
           row.date + " on " + row.bench;
}

QLineEdit* Field(const char* placeholder) {
    auto* field = new QLineEdit;
    field->setPlaceholderText(QString::fromLatin1(placeholder));
    field->setClearButtonEnabled(true);
    return field;
}

// The two connections' items side by side; rows where the radio was left differently stand
// out in bold.
QDialog* CompareDialog(const HistoryRow& first, const HistoryRow& second,
                       const std::vector<ItemComparison>& items, QWidget* parent) {
    auto* dialog = new QDialog(parent);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(QStringLiteral("Compare connections"));
    auto* layout = new QVBoxLayout(dialog);
    auto* sides = new QLabel(Q("First: " + Side(first) + "\nSecond: " + Side(second)));
    sides->setObjectName(QStringLiteral("compareSides"));
    sides->setTextFormat(Qt::PlainText);
    layout->addWidget(sides);
    auto* table = new QTableWidget(static_cast<int>(items.size()), 5, dialog);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Item"), QStringLiteral("First at Connect"), QStringLiteral("First at end"),
         QStringLiteral("Second at Connect"), QStringLiteral("Second at end")});
    table->verticalHeader()->hide();
    for (int r = 0; r < static_cast<int>(items.size()); ++r) {
        const ItemComparison& item = items[static_cast<std::size_t>(r)];
        const std::string cells[] = {item.item, item.firstAtConnect, item.firstAtEnd,
                                     item.secondAtConnect, item.secondAtEnd};
        for (int c = 0; c < 5; ++c) {
            QTableWidgetItem* cell = Cell(cells[c]);
            if (item.differs) {
                QFont font = cell->font();
                font.setBold(true);
                cell->setFont(font);
            }
            table->setItem(r, c, cell);
        }
    }
    table->resizeColumnsToContents();
    layout->addWidget(table);
    dialog->resize(640, 480);
    return dialog;
}

}  // namespace

QString ProposedReportName(const HistoryRow& row) {
    // The day of "2026-12-07 10:46:02".
    const std::string day = row.date.substr(0, row.date.find(' '));
    QString name = Q(row.serialNumber.empty() ? std::string("connection") : row.serialNumber);
    if (!day.empty()) name += QLatin1Char('-') + Q(day);
    for (QChar& c : name) {
        const bool kept = c.isLetterOrNumber() || c == QLatin1Char('-') || c == QLatin1Char('_') ||
                          c == QLatin1Char('.');
        if (!kept) c = QLatin1Char('_');
    }
    return name + QStringLiteral(".pdf");
}

HistoryWindow::HistoryWindow(ISqlConnector& connector, std::string url, std::string backupFolder,
                             QWidget* parent)
    : QWidget(parent, Qt::Window),
      connector_(connector),
      url_(std::move(url)),
      backupFolder_(std::move(backupFolder)) {
    setWindowTitle(QStringLiteral("History"));
    serial_ = Field("any serial number");
    workOrder_ = Field("any work order");
    technician_ = Field("any technician");
    since_ = Field("first day, e.g. 2026-12-01");
    until_ = Field("last day, e.g. 2026-12-07");
    verdict_ = new QComboBox;
    // The verdicts as every other place shows them; the search takes them in lower case.
    verdict_->addItems({QStringLiteral("any"), QStringLiteral("PASS"), QStringLiteral("FAIL"),
                         QStringLiteral("ERROR"), QStringLiteral("ABORTED")});

    auto* filters = new QFormLayout;
    filters->addRow(QStringLiteral("&Serial number:"), serial_);
    filters->addRow(QStringLiteral("&Work order:"), workOrder_);
    filters->addRow(QStringLiteral("&Technician:"), technician_);
    auto* days = new QHBoxLayout;
    days->addWidget(since_);
    days->addWidget(new QLabel(QStringLiteral("to")));
    days->addWidget(until_);
    // A row of two fields gets its label made here: only a label with a buddy turns "&D"
    // into a shortcut rather than showing the "&".
    auto* daysLabel = new QLabel(QStringLiteral("&Days:"));
    daysLabel->setBuddy(since_);
    filters->addRow(daysLabel, days);
    filters->addRow(QStringLiteral("&Verdict:"), verdict_);
    search_ = new QPushButton(QStringLiteral("S&earch"));
    search_->setDefault(true);
    cancel_ = new QPushButton(QStringLiteral("Cance&l"));
    cancel_->setEnabled(false);

    table_ = new QTableWidget(0, static_cast<int>(HistoryColumn::Count));
    QStringList titles;
    for (int c = 0; c < static_cast<int>(HistoryColumn::Count); ++c)
        titles << QString::fromLatin1(HistoryColumnTitle(static_cast<HistoryColumn>(c)));
    table_->setHorizontalHeaderLabels(titles);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);

    open_ = new QPushButton(QStringLiteral("&Open report"));
    save_ = new QPushButton(QStringLiteral("Save &report..."));
    compare_ = new QPushButton(QStringLiteral("&Compare two"));
    status_ = new QLabel;
    status_->setWordWrap(true);
    status_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(search_);
    buttons->addWidget(cancel_);
    buttons->addStretch();
    buttons->addWidget(open_);
    buttons->addWidget(save_);
    buttons->addWidget(compare_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(filters);
    layout->addLayout(buttons);
    layout->addWidget(table_, 1);
    layout->addWidget(status_);
    resize(760, 520);

    connect(search_, &QPushButton::clicked, this, [this] { Search(); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Cancel(); });
    for (QLineEdit* field : {serial_, workOrder_, technician_, since_, until_})
        connect(field, &QLineEdit::returnPressed, this, [this] { Search(); });
    connect(open_, &QPushButton::clicked, this, [this] { OpenReport(); });
    connect(save_, &QPushButton::clicked, this, [this] { SaveReport(); });
    connect(compare_, &QPushButton::clicked, this, [this] { CompareSelected(); });
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { OpenReport(); });
    Search();
}

// A look still waiting on a server is cut off, so that nothing of the program's end waits
// for it.
HistoryWindow::~HistoryWindow() {
    if (lookCut_) lookCut_->Cut();
}

void HistoryWindow::Say(const std::string& text) {
    status_->setText(Q(text));
}

void HistoryWindow::SetBusy(bool busy, const std::string& text) {
    busy_ = busy;
    for (QPushButton* button : {search_, open_, save_, compare_})
        button->setEnabled(!busy);
    cancel_->setEnabled(busy);
    Say(text);
}

void HistoryWindow::DropLook() {
    ++look_;
    if (lookCut_) lookCut_->Cut();
    lookCut_.reset();
    delete lookTimer_;
    lookTimer_ = nullptr;
}

void HistoryWindow::StartLook(const char* busyText, Look look, Done done) {
    DropLook();
    auto cut = std::make_shared<CutSlot>();
    auto handOver = std::make_shared<LookHandOver>();
    lookCut_ = cut;
    SetBusy(true, busyText);
    // The worker is a thread of the window's own, let go at once: neither closing the window
    // nor ending the program ever waits for it, and what it hands back goes under a lock of
    // the program's own, taken up by a timer on the window's thread.
    std::thread([look = std::move(look), cut, handOver] {
        HistoryAnswer answer = look(cut.get());
        std::lock_guard<std::mutex> lock(handOver->mutex);
        handOver->answer = std::move(answer);
    }).detach();
    lookTimer_ = new QTimer(this);
    connect(lookTimer_, &QTimer::timeout, this, [this, handOver, done = std::move(done)] {
        std::optional<HistoryAnswer> answer;
        {
            std::lock_guard<std::mutex> lock(handOver->mutex);
            answer.swap(handOver->answer);
        }
        if (!answer) return;
        lookTimer_->deleteLater();
        lookTimer_ = nullptr;
        lookCut_.reset();
        SetBusy(false, std::string());
        done(*answer);
    });
    lookTimer_->start(kLookPollMs);
}

void HistoryWindow::Cancel() {
    if (!busy_) return;
    DropLook();
    SetBusy(false, "Cancelled; the rows shown are those of the last search.");
}

bool HistoryWindow::Search() {
    HistoryFilterText text{
        serial_->text().trimmed().toStdString(),
        workOrder_->text().trimmed().toStdString(),
        technician_->text().trimmed().toStdString(),
        since_->text().trimmed().toStdString(),
        until_->text().trimmed().toStdString(),
        verdict_->currentIndex() == 0 ? std::string()
                                      : verdict_->currentText().toLower().toStdString()};
    HistoryFilter filter;
    std::string error;
    if (!HistoryFilterFromText(text, filter, error)) {
        Say("Not searched: " + error + ".");
        return false;
    }
    ISqlConnector& connector = connector_;
    StartLook(
        "Searching\u2026",
        [&connector, url = url_, folder = backupFolder_, filter](CutSlot* cut) {
            return SearchHistory(connector, url, folder, filter, cut);
        },
        [this, limit = filter.limit](HistoryAnswer& answer) {
            if (!answer.error.empty()) {
                Say(answer.error);
                return;
            }
            ShowRows(answer.found, limit);
            if (answer.missing) Say("No service records have been kept on this bench yet.");
        });
    return true;
}

void HistoryWindow::ShowRows(const std::vector<ConnectionInfo>& found, int limit) {
    rows_ = HistoryRowsOf(found);
    table_->clearContents();
    table_->setRowCount(static_cast<int>(rows_.size()));
    for (int r = 0; r < static_cast<int>(rows_.size()); ++r) {
        for (int c = 0; c < static_cast<int>(HistoryColumn::Count); ++c)
            table_->setItem(r, c,
                            Cell(HistoryCell(rows_[static_cast<std::size_t>(r)],
                                             static_cast<HistoryColumn>(c))));
    }
    table_->resizeColumnsToContents();
    Say(std::to_string(rows_.size()) + (rows_.size() == 1 ? " connection" : " connections") +
        (limit > 0 && static_cast<int>(rows_.size()) >= limit
             ? " (the newest; narrow the search to see older ones)."
             : "."));
}

int HistoryWindow::rowCount() const {
    return table_->rowCount();
}

std::vector<int> HistoryWindow::SelectedRows() const {
    std::vector<int> selected;
    for (const QModelIndex& index : table_->selectionModel()->selectedRows())
        selected.push_back(index.row());
    std::sort(selected.begin(), selected.end());
    return selected;
}

void HistoryWindow::WithTheSelectedOne(const char* what,
                                       std::function<void(const ConnectionRecord&)> done) {
    const std::vector<int> selected = SelectedRows();
    if (selected.size() != 1) {
        Say(std::string("Select one connection to ") + what + " its report.");
        return;
    }
    ISqlConnector& connector = connector_;
    const std::string id = rows_[static_cast<std::size_t>(selected.front())].id;
    StartLook(
        "Reading the connection\u2026",
        [&connector, url = url_, folder = backupFolder_, id](CutSlot* cut) {
            return LoadHistory(connector, url, folder, {id}, cut);
        },
        [this, done = std::move(done)](HistoryAnswer& answer) {
            if (!answer.error.empty() || answer.records.size() != 1) {
                Say("The connection cannot be read: " + answer.error);
                return;
            }
            done(answer.records.front());
        });
}

void HistoryWindow::OpenReport() {
    WithTheSelectedOne("open", [this](const ConnectionRecord& record) {
        // A name of the system's making: the connection's ID comes from the records, which
        // files anybody could write were taken into, and never goes into a path.
        QTemporaryFile file(QDir::temp().filePath(QStringLiteral("qs71dr-report-XXXXXX.html")));
        file.setAutoRemove(false);
        if (!file.open()) {
            Say("The report could not be written: " + file.errorString().toStdString());
            return;
        }
        const std::string path = file.fileName().toStdString();
        file.close();
        std::string error;
        if (!WriteReportFile(ReportFromRecord(record), path, ExistingFile::Replace, error)) {
            Say("The report could not be written: " + error);
            return;
        }
        Say("Report written to " + path);
        QDesktopServices::openUrl(QUrl::fromLocalFile(Q(path)));
    });
}

void HistoryWindow::SaveReport() {
    const std::vector<int> selected = SelectedRows();
    // The name is taken from the row chosen now: a search may replace the rows meanwhile.
    const QString name = selected.size() == 1
                             ? ProposedReportName(rows_[static_cast<std::size_t>(selected.front())])
                             : QString();
    WithTheSelectedOne("save", [this, name](const ConnectionRecord& record) {
        const QString proposed =
            saveFolder_.isEmpty() ? name : QDir(saveFolder_).filePath(name);
        QString path =
            QFileDialog::getSaveFileName(this, QStringLiteral("Save alignment report"), proposed,
                                         QStringLiteral("PDF (*.pdf);;HTML (*.html)"));
        if (path.isEmpty()) return;
        saveFolder_ = QFileInfo(path).absolutePath();
        if (ReportFormFor(path.toStdString()) == ReportForm::Unknown)
            path += QStringLiteral(".pdf");
        std::string error;
        if (!WriteReportFile(ReportFromRecord(record), path.toStdString(), ExistingFile::Replace,
                             error)) {
            Say("The report could not be saved: " + error);
            return;
        }
        Say("Report saved to " + path.toStdString());
    });
}

void HistoryWindow::CompareSelected() {
    const std::vector<int> selected = SelectedRows();
    if (selected.size() != 2) {
        Say("Select two connections of the same radio to compare them.");
        return;
    }
    const HistoryRow first = rows_[static_cast<std::size_t>(selected[0])];
    const HistoryRow second = rows_[static_cast<std::size_t>(selected[1])];
    std::string reason;
    if (!Comparable(first, second, reason)) {
        Say(reason);
        return;
    }
    ISqlConnector& connector = connector_;
    StartLook(
        "Reading the connections\u2026",
        [&connector, url = url_, folder = backupFolder_,
         ids = std::vector{first.id, second.id}](CutSlot* cut) {
            return LoadHistory(connector, url, folder, ids, cut);
        },
        [this, first, second](HistoryAnswer& answer) {
            if (!answer.error.empty() || answer.records.size() != 2) {
                Say("The connections cannot be read: " + answer.error);
                return;
            }
            CompareDialog(first, second,
                          CompareConnections(answer.records[0], answer.records[1]), this)
                ->show();
        });
}

}  // namespace qs::qt
