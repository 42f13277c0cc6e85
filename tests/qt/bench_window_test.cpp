// The Bench window once on the offscreen platform, on the real bench (TCP streams, Qt timer,
// system clock) against qt71dr-sim's service monitor: addresses typed and kept in the settings
// file, Identify, Live readings while shown, the generator set, and an instrument that is not
// there shown on its own line, never in a message box.
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QtTest>

#include "qt_test_main.h"
#include "desktop/bench_window.h"
#include "instruments/bench.h"
#include "instruments/bench_station.h"
#include "qtcore/qt_instrument_streams.h"
#include "qtcore/qt_timer.h"
#include "shell/ini_file_store.h"

using namespace qs;
using namespace qs::instruments;

namespace {

constexpr int kStartMs = 15000;
constexpr int kAnswerMs = 10000;

// qt71dr-sim with its service monitor on a free port.
class Monitor {
public:
    Monitor() {
        process_.setProgram(QStringLiteral(QS_SIM_PROGRAM));
        process_.setArguments({QStringLiteral("--monitor"), QStringLiteral("0")});
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start();
        QStringList lines;
        QDeadlineTimer deadline(kStartMs);
        while (lines.size() < 2 && !deadline.hasExpired() &&
               process_.state() != QProcess::NotRunning) {
            if (!process_.canReadLine()) process_.waitForReadyRead(100);
            while (process_.canReadLine())
                lines << QString::fromLocal8Bit(process_.readLine()).trimmed();
        }
        if (lines.size() == 2) address_ = lines[1].section(QLatin1Char(' '), 1);
    }
    ~Monitor() {
        process_.kill();
        process_.waitForFinished(kStartMs);
    }
    const QString& address() const { return address_; }
    QByteArray Ask(const QByteArray& query) const {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"),
                             static_cast<quint16>(address_.section(QStringLiteral("::"), 2, 2).toInt()));
        if (!socket.waitForConnected(kAnswerMs)) return "not connected";
        socket.write(query + "\n");
        while (!socket.canReadLine() && socket.waitForReadyRead(kAnswerMs)) {
        }
        return socket.readLine().trimmed();
    }

private:
    QProcess process_;
    QString address_;
};

void Type(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

}  // namespace

class BenchWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theBenchWindowOnTheVirtualMonitor() {
        Monitor monitor;
        QVERIFY(monitor.address().startsWith(QStringLiteral("TCPIP::127.0.0.1::")));
        QTemporaryDir config;
        IniFileStore store(config.path().toStdString());
        const QString file = config.filePath(QStringLiteral("RW5120A.rs"));
        qt::QtInstrumentStreams streams;
        qt::QtTimer timer;
        qt::SystemTickSource clock;
        Bench bench(streams, timer, clock);
        BenchStation station(bench);
        station.UseSettings(store, file.toStdString());
        qt::BenchWindow window(station);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        // Addresses typed, bound and kept in the settings file at once.
        QSignalSpy finished(window.addressEdit(Role::Generator), &QLineEdit::editingFinished);
        for (Role role : kRoles) Type(window.addressEdit(role), monitor.address());
        QVERIFY(!finished.isEmpty());
        QCOMPARE(QString::fromStdString(bench.Address(Role::FrequencyCounter)), monitor.address());
        QFile settings(file);
        QVERIFY(settings.open(QIODevice::ReadOnly));
        QVERIFY(settings.readAll().contains("[BENCH]\r\ngenerator=" + monitor.address().toLatin1()));

        window.identifyButton(Role::Generator)->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.identityLabel(Role::Generator)->text().section(',', 0, 1),
                                  QStringLiteral("*IDN? qt71dr-sim,Virtual service monitor"),
                                  kAnswerMs);

        // Live: the meters follow while the window is shown.
        window.liveBox()->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.readingLabel(Quantity::Power)->text(),
                                  QStringLiteral("4.921 W"), kAnswerMs);
        QTRY_COMPARE_WITH_TIMEOUT(window.readingLabel(Quantity::Frequency)->text(),
                                  QStringLiteral("146519780.2 Hz"), kAnswerMs);
        window.hide();
        QVERIFY(!window.panel().polling());
        window.show();
        QVERIFY(window.panel().polling());
        window.liveBox()->click();
        QVERIFY(!window.panel().polling());

        // The generator: frequency, level and RF in one go.
        window.frequencyBox()->setValue(146.52);
        window.levelBox()->setValue(-47.0);
        window.rfBox()->setChecked(true);
        window.setGeneratorButton()->click();
        QTRY_COMPARE_WITH_TIMEOUT(window.panel().rf(), RfOutput::On, kAnswerMs);
        QCOMPARE(monitor.Ask("FREQ?").toDouble(), 146520000.0);
        QCOMPARE(monitor.Ask("POW?").toDouble(), -47.0);
        QCOMPARE(monitor.Ask("OUTP?"), QByteArray("1"));

        // A power meter that is not there: its address and reason on its lines, no box.
        QTcpServer closed;
        QVERIFY(closed.listen(QHostAddress::LocalHost));
        const QString nobody = QStringLiteral("TCPIP::127.0.0.1::%1::SOCKET").arg(closed.serverPort());
        closed.close();
        Type(window.addressEdit(Role::PowerMeter), nobody);
        window.measureButton(Quantity::Power)->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            window.statusLabel(Role::PowerMeter)->text().startsWith(nobody + QStringLiteral(": ")),
            kAnswerMs);
        QVERIFY(window.statusLabel(Role::PowerMeter)->styleSheet().contains(QStringLiteral("#b00000")));
        QCOMPARE(window.readingLabel(Quantity::Power)->text(),
                 window.statusLabel(Role::PowerMeter)->text());
        QVERIFY(window.statusLabel(Role::Generator)->styleSheet().isEmpty());
        QCOMPARE(QApplication::activeModalWidget(), nullptr);

        // A typing mistake stays in the field beside its reason; the setting keeps the last good.
        Type(window.addressEdit(Role::Generator), QStringLiteral("TCPIP::"));
        QCOMPARE(window.addressEdit(Role::Generator)->text(), QStringLiteral("TCPIP::"));
        QVERIFY(!window.statusLabel(Role::Generator)->text().isEmpty());
        QCOMPARE(QString::fromStdString(station.setup().role(Role::Generator).address),
                 monitor.address());

        // While a procedure run holds the bench its roles are shown read-only with the reason,
        // and nothing else may rebind them; released, they are the technician's again.
        const std::string reason = "used by the procedure run 'align' until it ends";
        station.Hold(reason);
        QVERIFY(window.heldLabel()->isVisible());
        QCOMPARE(window.heldLabel()->text(),
                 QStringLiteral("The bench is used by the procedure run 'align' until it ends."));
        for (Role role : kRoles) QVERIFY(window.addressEdit(role)->isReadOnly());
        QVERIFY(!window.setGeneratorButton()->isEnabled());
        const auto refused = station.Bind(Role::Generator, {"", ""});
        QVERIFY(!refused);
        QCOMPARE(refused.error().message, "the bench is " + reason);
        QVERIFY(!station.SetAnswerTimeout(std::chrono::milliseconds(5000)));
        QCOMPARE(QString::fromStdString(bench.Address(Role::PowerMeter)), nobody);
        station.Release();
        QVERIFY(!window.heldLabel()->isVisible());
        QVERIFY(!window.addressEdit(Role::Generator)->isReadOnly());
        QVERIFY(window.setGeneratorButton()->isEnabled());
    }

    // Each instrument's calibration date as the settings give it: due, overdue in red, a
    // wrong date in red with the key named; none given, nothing shown.
    void calibrationDatesFromTheSettings() {
        QTemporaryDir config;
        const QString file = config.filePath(QStringLiteral("RW5120A.rs"));
        QFile settings(file);
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[BENCH]\r\ngenerator_calibration_due=2999-12-31\r\n"
                       "power_meter_calibration_due=2001-01-31\r\n"
                       "modulation_meter_calibration_due=2027-02-30\r\n");
        settings.close();
        IniFileStore store(config.path().toStdString());
        qt::QtInstrumentStreams streams;
        qt::QtTimer timer;
        qt::SystemTickSource clock;
        Bench bench(streams, timer, clock);
        BenchStation station(bench);
        station.UseSettings(store, file.toStdString());
        qt::BenchWindow window(station);
        window.show();

        const struct {
            Role role;
            const char* text;
            bool red;
        } cases[] = {
            {Role::Generator, "calibration due 2999-12-31", false},
            {Role::PowerMeter, "calibration due 2001-01-31: overdue", true},
            {Role::ModulationMeter,
             "the settings' modulation_meter_calibration_due is not a date YYYY-MM-DD: '2027-02-30'",
             true},
        };
        for (const auto& c : cases) {
            QLabel* label = window.calibrationLabel(c.role);
            QVERIFY(label->isVisible());
            QCOMPARE(label->text(), QString::fromLatin1(c.text));
            QCOMPARE(label->styleSheet().contains(QStringLiteral("#b00000")), c.red);
            // On its own role's row: from its address's top, above the next role's address.
            const Role next = static_cast<Role>(static_cast<int>(c.role) + 1);
            const int middle = label->geometry().center().y();
            QVERIFY2(middle >= window.addressEdit(c.role)->geometry().top() &&
                         middle < window.addressEdit(next)->geometry().top(),
                     qPrintable(QString::fromLatin1(c.text)));
        }
        QVERIFY(!window.calibrationLabel(Role::FrequencyCounter)->isVisible());
    }
};

QS_QT_TEST(qt_bench_window_tests, BenchWindowTest)
#include "bench_window_test.moc"
