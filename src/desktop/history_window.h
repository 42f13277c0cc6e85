#pragma once

#include <QString>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "history/history_lookup.h"
#include "history/history_view.h"
#include "platform/sql_connection.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;
class QTimer;

namespace qs::qt {

// The file name Save report proposes for a connection: its serial number and day,
// "4F12-2026-12-07.pdf"; characters a file name cannot carry become "_".
QString ProposedReportName(const HistoryRow& row);

// "View > History": the recorded connections in a table, searched by serial number, work
// order, technician, days and verdict; the selected connection's report opened or saved;
// two connections of the same radio compared item by item. It only reads the records.
//
// Every look into the records runs on a worker, never on the window's thread (where the
// radio's serial heartbeat runs): a slow or silent server shows "Searching…" with the last
// results kept, and can be cancelled. What a cancelled or superseded look brings back is
// dropped; the worker ends by itself within the connect time-out.
class HistoryWindow : public QWidget {
public:
    HistoryWindow(ISqlConnector& connector, std::string url, std::string backupFolder,
                  QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // Starts a search with what the fields say; false (the reason shown in the window) when
    // the fields are wrong. The rows change when the answer comes (busy() until then).
    bool Search();
    // Stops waiting for the look under way; the rows shown stay.
    void Cancel();
    bool busy() const { return busy_; }
    int rowCount() const;
    // The connections listed, newest first.
    const std::vector<HistoryRow>& rows() const { return rows_; }

    QLineEdit* serialField() const { return serial_; }
    QLineEdit* workOrderField() const { return workOrder_; }
    QLineEdit* technicianField() const { return technician_; }
    QLineEdit* sinceField() const { return since_; }
    QLineEdit* untilField() const { return until_; }
    QComboBox* verdictField() const { return verdict_; }
    QTableWidget* table() const { return table_; }
    QLabel* statusLine() const { return status_; }

    // The report of the selected connection, written as HTML to the temporary folder and
    // opened in the desktop's browser.
    void OpenReport();
    // The report of the selected connection, saved where the technician says (PDF or HTML).
    void SaveReport();
    // The two selected connections side by side, in a window of their own.
    void CompareSelected();

private:
    // A look runs on a worker and leaves its server link in the slot it is given.
    using Look = std::function<HistoryAnswer(CutSlot*)>;
    using Done = std::function<void(HistoryAnswer&)>;
    // Runs `look` on a worker and `done` here with its answer, unless cancelled meanwhile.
    // Ends the look under way: its answer is no longer asked for, and a statement it waits
    // on at a server is cut off.
    void DropLook();
    void StartLook(const char* busyText, Look look, Done done);
    void SetBusy(bool busy, const std::string& text);
    void ShowRows(const std::vector<ConnectionInfo>& found, int limit);
    // The one selected connection, read, then `done` with it; said when not exactly one is
    // selected.
    void WithTheSelectedOne(const char* what, std::function<void(const ConnectionRecord&)> done);
    std::vector<int> SelectedRows() const;
    void Say(const std::string& text);

    ISqlConnector& connector_;
    const std::string url_;
    const std::string backupFolder_;
    std::vector<HistoryRow> rows_;
    bool busy_ = false;
    // Counts the looks started: an answer for an earlier one is dropped.
    std::uint64_t look_ = 0;
    std::shared_ptr<CutSlot> lookCut_;  // of the look under way
    QTimer* lookTimer_ = nullptr;       // takes its answer up when it is there

    QLineEdit* serial_ = nullptr;
    QLineEdit* workOrder_ = nullptr;
    QLineEdit* technician_ = nullptr;
    QLineEdit* since_ = nullptr;
    QLineEdit* until_ = nullptr;
    QComboBox* verdict_ = nullptr;
    QTableWidget* table_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* open_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* compare_ = nullptr;
    QPushButton* search_ = nullptr;
    QPushButton* cancel_ = nullptr;
    // Where the last report was saved, for the next one; empty: the dialog's own choice.
    QString saveFolder_;
};

}  // namespace qs::qt
