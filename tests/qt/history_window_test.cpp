// The History window once on the offscreen platform over a records file of its own: every
// connection listed, the filter fields narrow the rows, a wrong day is said on the window's
// status line, connections of different radios are not compared and those of one radio are,
// each side named by its serial number and date; no label shows a stray "&". Then against a
// server that accepts and never answers: the window's thread goes on while the search waits.
#include <QComboBox>
#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
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
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.rowCount(), 3);
        QCOMPARE(window.table()->item(0, 1)->text(), QStringLiteral("9A00"));  // newest first

        window.serialField()->setText(QStringLiteral("4F12"));
        QVERIFY(window.Search());
        QTRY_VERIFY(!window.busy());
        QCOMPARE(window.rowCount(), 2);
        window.verdictField()->setCurrentText(QStringLiteral("FAIL"));
        QCOMPARE(window.verdictField()->currentText(), QStringLiteral("FAIL"));
        QVERIFY(window.Search());
        QTRY_VERIFY(!window.busy());
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
        QTRY_VERIFY(!window.busy());
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
        QTRY_COMPARE(window.findChildren<QDialog*>().size(), 1);
        const auto dialogs = window.findChildren<QDialog*>();
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

    // A server that takes the connection and never answers: the search waits on a worker
    // while a 50 ms timer on the window's thread (as the serial heartbeat) keeps ticking; it
    // can be cancelled, and a server that goes away is said.
    void aSilentServerNeverHoldsTheWindowsThread() {
        QTcpServer server;
        QVERIFY(server.listen(QHostAddress::LocalHost));
        QList<QTcpSocket*> held;
        connect(&server, &QTcpServer::newConnection, this, [&] {
            while (QTcpSocket* socket = server.nextPendingConnection())
                held << socket;
        });
        int ticks = 0;
        QTimer heartbeat;
        heartbeat.setInterval(50);
        connect(&heartbeat, &QTimer::timeout, this, [&ticks] { ++ticks; });
        heartbeat.start();

        QtSqlConnector connector;
        const std::string url =
            "postgresql://tech@127.0.0.1:" + std::to_string(server.serverPort()) +
            "/records?connect_timeout=60";
        QTemporaryDir dir;
        HistoryWindow window(connector, url, dir.filePath(QStringLiteral("backups")).toStdString());
        window.show();
        QVERIFY(window.busy());
        QCOMPARE(window.statusLine()->text(), QStringLiteral("Searching\u2026"));
        QTRY_COMPARE(held.size(), 1);
        const int before = ticks;
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= before + 20, 10000);
        QVERIFY(window.busy());  // a second of heartbeats, and the server still silent

        window.Cancel();
        QVERIFY(!window.busy());
        QVERIFY(window.statusLine()->text().contains(QStringLiteral("Cancelled")));
        QCOMPARE(window.rowCount(), 0);

        QVERIFY(window.Search());
        QTRY_COMPARE(held.size(), 2);
        for (QTcpSocket* socket : held)
            socket->abort();
        QTRY_VERIFY_WITH_TIMEOUT(!window.busy(), 20000);
        QVERIFY2(window.statusLine()->text().contains(QStringLiteral("cannot be read")),
                 qPrintable(window.statusLine()->text()));
        qDeleteAll(held);
    }
};

QS_QT_TEST(qt_history_window_tests, HistoryWindowTest)
#include "history_window_test.moc"
