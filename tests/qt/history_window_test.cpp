// The History window once on the offscreen platform over a records file of its own: every
// connection listed, the filter fields narrow the rows, a wrong day is said on the window's
// status line, connections of different radios are not compared and those of one radio are,
// each side named by its serial number and date; no label shows a stray "&".
#include <QComboBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/history_window.h"
#include "history/records_file.h"
#include "history/records_store.h"
#include "qt_test_main.h"
#include "qtsql/qt_sql_connector.h"
#include "safety/wall_clock.h"

using namespace qs;
using qs::qt::HistoryWindow;

namespace {

ConnectionRecord Connection(const char* uid, const char* serial, const char* verdict,
                            const char* subCode, std::time_t startedAt) {
    ConnectionRecord record;
    ConnectionInfo& info = record.info;
    info.uid = uid;
    info.state = ConnectionState::Finished;
    info.startedAt = startedAt;
    info.startedLocal = DateTimeText(startedAt);
    info.bench = "bench-2";
    info.modelCode = "3017";
    info.subCode = subCode;
    info.serialNumber = serial;
    info.workOrder = "WO-1";
    info.technician = "Ann";
    info.verdict = verdict;
    record.items = {{"Power(Hi)", "200", "150"}};
    return record;
}

}  // namespace

class HistoryWindowTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void filtersNarrowTheRows() {
        QTemporaryDir dir;
        const std::string backups = dir.filePath(QStringLiteral("backups")).toStdString();
        QtSqlConnector connector;
        {
            SystemWallClock clock;
            LocalRecordsOpening opening;
            auto db = OpenLocalRecords(connector, RecordsPathFor(backups), clock, opening);
            QVERIFY(db);
            RecordsStore store(*db);
            std::int64_t id = 0;
            for (const ConnectionRecord& record :
                 {Connection("a", "4F12", "pass", "0102", 1796640000),
                  Connection("b", "4F12", "fail", "0102", 1796650000),
                  Connection("c", "9A00", "pass", "0200", 1796660000)}) {
                QVERIFY(store.SaveRecord(record, id).ok());
            }
        }
        HistoryWindow window(connector, std::string(), backups);
        window.show();
        QCOMPARE(window.rowCount(), 3);
        QCOMPARE(window.table()->item(0, 1)->text(), QStringLiteral("9A00"));  // newest first

        window.serialField()->setText(QStringLiteral("4F12"));
        QVERIFY(window.Search());
        QCOMPARE(window.rowCount(), 2);
        window.verdictField()->setCurrentText(QStringLiteral("FAIL"));
        QCOMPARE(window.verdictField()->currentText(), QStringLiteral("FAIL"));
        QVERIFY(window.Search());
        QCOMPARE(window.rowCount(), 1);
        QCOMPARE(window.rows().front().id, std::string("b"));

        window.sinceField()->setText(QStringLiteral("yesterday"));
        QVERIFY(!window.Search());
        QCOMPARE(window.rowCount(), 1);  // the last search's rows stay
        QVERIFY(window.statusLine()->text().contains(QStringLiteral("first day")));

        window.sinceField()->clear();
        window.serialField()->clear();
        window.verdictField()->setCurrentIndex(0);
        QVERIFY(window.Search());
        QCOMPARE(window.rowCount(), 3);
        window.table()->selectRow(0);
        window.table()->selectionModel()->select(
            window.table()->model()->index(1, 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window.CompareSelected();
        QVERIFY(window.statusLine()->text().contains(QStringLiteral("different radios")));

        window.table()->selectRow(1);
        window.table()->selectionModel()->select(
            window.table()->model()->index(2, 0),
            QItemSelectionModel::Select | QItemSelectionModel::Rows);
        window.CompareSelected();
        const auto dialogs = window.findChildren<QDialog*>();
        QCOMPARE(dialogs.size(), 1);
        const QString sides = dialogs.front()->findChild<QLabel*>(QStringLiteral("compareSides"))->text();
        QCOMPARE(sides, QString::fromStdString("First: 4F12, " + DateTimeText(1796650000) +
                                               " on bench-2\nSecond: 4F12, " +
                                               DateTimeText(1796640000) + " on bench-2"));

        // An "&" is a shortcut only on a label with a buddy; anywhere else it would show.
        for (const QLabel* label : window.findChildren<QLabel*>()) {
            if (label->text().contains(QLatin1Char('&')))
                QVERIFY2(label->buddy() != nullptr, qPrintable(label->text()));
        }
    }

    void saveProposesSerialAndDay() {
        const struct {
            const char* serial;
            const char* date;
            const char* name;
        } cases[] = {
            {"4F12", "2026-12-07 10:46:02", "4F12-2026-12-07.pdf"},
            {"SN 7/a", "2026-12-07 10:46:02", "SN_7_a-2026-12-07.pdf"},
            {"", "2026-12-07 10:46:02", "connection-2026-12-07.pdf"},
            {"4F12", "", "4F12.pdf"},
        };
        for (const auto& c : cases) {
            HistoryRow row;
            row.serialNumber = c.serial;
            row.date = c.date;
            QCOMPARE(qt::ProposedReportName(row), QString::fromLatin1(c.name));
        }
    }
};

QS_QT_TEST(qt_history_window_tests, HistoryWindowTest)
#include "history_window_test.moc"
