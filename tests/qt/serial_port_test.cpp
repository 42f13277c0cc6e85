// Both serial ports against a pseudo-terminal, each test once for the POSIX port and once for
// the one on QtSerialPort: opening, line data both ways, the receive report, overflow, reports
// held while a modal dialog is open, a device that disappears, a line that takes nothing, and
// missing devices.
#include <QElapsedTimer>
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <vector>

#include "desktop/qt_alerts.h"
#include "port/receive_room.h"
#include "pty_pair.h"
#include "qt_test_main.h"
#include "qtcore/modal_scope.h"
#include "qtcore/port_bindings.h"
#include "qtcore/posix_serial_port.h"
#include "qtcore/qt_serial_port.h"

using namespace qs;
using namespace qs::qt;
using qs::qt::testing::PtyPair;

namespace {

template <typename Port>
struct Fixture {
    PtyPair pty;
    PortBindings bindings;
    Port port{bindings};
    std::vector<CommEvent> events;
    Fixture() {
        bindings.Bind(3, pty.slavePath().toStdString());
        port.setCommPort(3);
        port.setSettings("9600,N,8,1");
        port.setDtrEnable(true);
        port.setRtsEnable(true);
        port.setInBufferSize(32760);
        port.setOutBufferSize(1024);
        port.setEventHandler([this](CommEvent e) { events.push_back(e); });
    }
    int Count(CommEvent e) const { return int(std::count(events.begin(), events.end(), e)); }
};

void PortKinds() {
    QTest::addColumn<bool>("posix");
    QTest::newRow("posix") << true;
    QTest::newRow("qtserialport") << false;
}

// Runs `test` on a fixture of the row's port.
template <typename Test>
void WithPort(Test&& test) {
    QFETCH(bool, posix);
    if (posix) {
        Fixture<PosixSerialPort> f;
        test(f);
    } else {
        Fixture<QtSerialPort> f;
        test(f);
    }
}

}  // namespace

class SerialPortTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void opensTheBoundDeviceAndPassesBytesBothWays_data() { PortKinds(); }
    void opensTheBoundDeviceAndPassesBytesBothWays() {
        WithPort([](auto& f) {
            QVERIFY(f.pty.ok());
            QCOMPARE(f.port.deviceName(), f.pty.slavePath().toStdString());
            std::string error;
            QVERIFY2(f.port.setPortOpen(true, &error), error.c_str());
            QVERIFY(f.port.portOpen());
            QCOMPARE(f.port.outBufferSize(), 1024);

            QVERIFY(f.pty.Write(QByteArray::fromHex("FEFEEFEEE1FD")));
            QTRY_VERIFY_WITH_TIMEOUT(f.Count(CommEvent::Receive) > 0, 10000);
            QTRY_COMPARE_WITH_TIMEOUT(f.port.inBufferCount(), 6, 10000);
            QCOMPARE(f.port.input(), (Bytes{0xFE, 0xFE, 0xEF, 0xEE, 0xE1, 0xFD}));
            QCOMPARE(f.port.inBufferCount(), 0);

            QVERIFY(f.port.output(Bytes{0xFE, 0xFE, 0xEE, 0xEF, 0xE0, 0xFD}));
            QByteArray sent;
            QTRY_VERIFY_WITH_TIMEOUT((sent += f.pty.ReadAvailable()).size() >= 6, 10000);
            QCOMPARE(sent, QByteArray::fromHex("FEFEEEEFE0FD"));
            QTRY_COMPARE_WITH_TIMEOUT(f.port.outBufferCount(), 0, 10000);

            QVERIFY(f.port.setPortOpen(false));
            QVERIFY(!f.port.portOpen());
            QVERIFY(f.port.setPortOpen(false));
            // Closed and opened again: the exclusive use was given up with it.
            QVERIFY2(f.port.setPortOpen(true, &error), error.c_str());
        });
    }

    void closedPortRefusesOutputAndHasNothingBuffered_data() { PortKinds(); }
    void closedPortRefusesOutputAndHasNothingBuffered() {
        WithPort([](auto& f) {
            QVERIFY(!f.port.output(Bytes{0x01}));
            QCOMPARE(f.port.inBufferCount(), 0);
            QCOMPARE(f.port.outBufferCount(), 0);
            QVERIFY(f.port.input().empty());
            QVERIFY(f.port.clearOutBuffer());
        });
    }

    void outputBeyondTheFreeTransmitSpaceIsRefused_data() { PortKinds(); }
    void outputBeyondTheFreeTransmitSpaceIsRefused() {
        WithPort([](auto& f) {
            f.port.setOutBufferSize(8);
            QVERIFY(f.port.setPortOpen(true));
            QVERIFY(!f.port.output(Bytes(9, 0x55)));
            QVERIFY(f.port.output(Bytes(8, 0x55)));
        });
    }

    void missingDeviceAndBadSettingsFailWithTheirNames_data() { PortKinds(); }
    void missingDeviceAndBadSettingsFailWithTheirNames() {
        WithPort([](auto& f) {
            f.bindings.Bind(2, "/nonexistent/qs71dr-cable");
            f.port.setCommPort(2);
            std::string error;
            QVERIFY(!f.port.setPortOpen(true, &error));
            QVERIFY(!f.port.portOpen());
            QVERIFY2(error.find("/nonexistent/qs71dr-cable") != std::string::npos, error.c_str());
            f.port.setCommPort(3);
            f.port.setSettings("9600,Z,8,1");
            QVERIFY(!f.port.setPortOpen(true, &error));
            QVERIFY(!f.port.portOpen());
            QVERIFY(error.find("9600,Z,8,1") != std::string::npos);
        });
    }

    // More than the input buffer holds: the rest waits in the driver and comes with the
    // next takes, in order, never more than the buffer at once, and nothing is called lost.
    void moreThanTheInputBufferWaitsInTheDriver_data() { PortKinds(); }
    void moreThanTheInputBufferWaitsInTheDriver() {
        WithPort([](auto& f) {
            f.port.setInBufferSize(4);
            QVERIFY(f.port.setPortOpen(true));
            QVERIFY(f.pty.Write("0123456789"));
            QTRY_VERIFY_WITH_TIMEOUT(f.Count(CommEvent::Receive) >= 1, 10000);
            QTest::qWait(300);  // the program holds back for six heartbeats
            QCOMPARE(f.Count(CommEvent::RxOver), 0);
            Bytes got;
            std::size_t largest = 0;
            QTRY_VERIFY_WITH_TIMEOUT(
                [&] {
                    const Bytes in = f.port.input();
                    largest = std::max(largest, in.size());
                    got.insert(got.end(), in.begin(), in.end());
                    return got.size() >= 10;
                }(),
                10000);
            QCOMPARE(got, (Bytes{'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
            QCOMPARE(largest, std::size_t(4));
            QCOMPARE(f.Count(CommEvent::RxOver), 0);
        });
    }

    // A full buffer that the program stops taking, with more behind it: a line without flow
    // control would drop bytes now, so it is an overflow, reported once and only after the
    // bound.
    void aBufferTheProgramStopsTakingIsAnOverflow_data() { PortKinds(); }
    void aBufferTheProgramStopsTakingIsAnOverflow() {
        WithPort([](auto& f) {
            f.port.setInBufferSize(4);
            QVERIFY(f.port.setPortOpen(true));
            QElapsedTimer held;
            held.start();
            QVERIFY(f.pty.Write(QByteArray(10, 'x')));
            QTRY_COMPARE_WITH_TIMEOUT(f.Count(CommEvent::RxOver), 1, 10000);
            QVERIFY2(held.elapsed() >= ReceiveRoom::kStaysFullMs - 100,
                     std::to_string(held.elapsed()).c_str());
            QTest::qWait(300);
            QCOMPARE(f.Count(CommEvent::RxOver), 1);
        });
    }

    // Any modal dialog holds the reports; what came meanwhile is reported once the dialog has
    // closed, and no byte is lost, more than the buffer holds included.
    void reportsWhileADialogIsOpenComeAfterIt_data() { PortKinds(); }
    void reportsWhileADialogIsOpenComeAfterIt() {
        WithPort([](auto& f) {
            bool fileDialogOpen = false;
            SetModalDialogProbe([&fileDialogOpen] { return fileDialogOpen; });
            f.port.setInBufferSize(16);
            QVERIFY(f.port.setPortOpen(true));
            {
                ModalScope modal;
                QVERIFY(f.pty.Write(QByteArray(3, 'z')));
                QTRY_COMPARE_WITH_TIMEOUT(f.port.inBufferCount(), 3, 10000);
                QVERIFY(f.events.empty());
            }
            QTRY_VERIFY_WITH_TIMEOUT(f.Count(CommEvent::Receive) >= 1, 10000);
            QCOMPARE(f.port.input().size(), std::size_t(3));
            fileDialogOpen = true;
            const int receivedBefore = f.Count(CommEvent::Receive);
            QVERIFY(f.pty.Write(QByteArray(40, 'o')));
            QTRY_VERIFY_WITH_TIMEOUT(f.port.inBufferCount() >= 16, 10000);
            QTest::qWait(200);
            QCOMPARE(f.Count(CommEvent::Receive), receivedBefore);
            fileDialogOpen = false;
            QTRY_VERIFY_WITH_TIMEOUT(f.Count(CommEvent::Receive) > receivedBefore, 10000);
            std::size_t got = 0;
            QTRY_VERIFY_WITH_TIMEOUT((got += f.port.input().size()) >= 40, 10000);
            QCOMPARE(got, std::size_t(40));
            QCOMPARE(f.Count(CommEvent::RxOver), 0);
            SetModalDialogProbe(nullptr);
        });
    }

    // A message box opened while handling a report holds the heartbeat; the port must keep
    // taking the line meanwhile.
    void aMessageBoxOpenedInAReportStillTakesTheLine_data() { PortKinds(); }
    void aMessageBoxOpenedInAReportStillTakesTheLine() {
        WithPort([](auto& f) {
            int reports = 0;
            int heldDuringBox = -1;
            f.port.setEventHandler([&](CommEvent) {
                if (++reports > 1) return;
                f.port.input();
                ModalScope modal;
                QVERIFY(f.pty.Write("bc"));
                QTRY_VERIFY_WITH_TIMEOUT(f.port.inBufferCount() >= 2, 5000);
                heldDuringBox = f.port.inBufferCount();
            });
            QVERIFY(f.port.setPortOpen(true));
            QVERIFY(f.pty.Write("a"));
            QTRY_VERIFY_WITH_TIMEOUT(heldDuringBox >= 0, 10000);
            QCOMPARE(heldDuringBox, 2);
            QCOMPARE(f.port.input(), (Bytes{'b', 'c'}));
        });
    }

    // Bytes arriving one by one all reach the handler, in order.
    void bytesArrivingOneByOneAllReachTheHandlerInOrder_data() { PortKinds(); }
    void bytesArrivingOneByOneAllReachTheHandlerInOrder() {
        WithPort([](auto& f) {
            Bytes got;
            f.port.setEventHandler([&f, &got](CommEvent e) {
                if (e != CommEvent::Receive) return;
                const Bytes in = f.port.input();
                got.insert(got.end(), in.begin(), in.end());
            });
            QTimer heartbeat;
            QObject::connect(&heartbeat, &QTimer::timeout, [&f, &got] {
                if (f.port.inBufferCount() == 0) return;
                const Bytes in = f.port.input();
                got.insert(got.end(), in.begin(), in.end());
            });
            heartbeat.start(50);
            QVERIFY(f.port.setPortOpen(true));
            Bytes sent;
            for (int i = 0; i < 60; ++i) {
                sent.push_back(static_cast<std::uint8_t>(i * 7));
                QVERIFY(f.pty.Write(QByteArray(1, static_cast<char>(sent.back()))));
                if (i % 3 == 0) QTest::qWait(1);
            }
            QTRY_COMPARE_WITH_TIMEOUT(got.size(), sent.size(), 10000);
            QVERIFY(got == sent);
        });
    }

    void hangUpWhileOpenClosesThePort_data() { PortKinds(); }
    void hangUpWhileOpenClosesThePort() {
        WithPort([](auto& f) {
            QVERIFY(f.port.setPortOpen(true));
            f.pty.HangUp();
            QTRY_VERIFY_WITH_TIMEOUT(!f.port.portOpen(), 10000);
            QVERIFY(!f.port.lostReason().empty());
            QVERIFY(!f.port.output(Bytes{0x01}));
            // Opening again fails cleanly: the device is gone.
            std::string error;
            QVERIFY(!f.port.setPortOpen(true, &error));
            QVERIFY(!error.empty());
        });
    }

    // A line that takes nothing is reported once the drain bound has passed, not left to the
    // protocol's time-out: stalled, not lost, and with the stall's own reason. (QtSerialPort
    // on Linux closes at once on a write the driver refuses; it has no stall to report.)
    void aLineThatTakesNothingIsReportedAsStalled() {
        Fixture<PosixSerialPort> f;
        QVERIFY(f.port.setPortOpen(true));
        f.pty.StopOutput(true);
        QElapsedTimer sent;
        sent.start();
        QVERIFY(f.port.output(Bytes(10, 0x41)));
        QTRY_COMPARE_WITH_TIMEOUT(f.Count(CommEvent::TxStalled), 1, 10000);
        QVERIFY2(sent.elapsed() >= DrainWatch::kBoundMs - 50,
                 std::to_string(sent.elapsed()).c_str());
        QVERIFY(f.port.portOpen());  // the program closes it when it shows the message
        QCOMPARE(f.port.lostReason(),
                 f.port.deviceName() + ": 10 bytes did not leave for the line within 500 ms");
        QCOMPARE(f.Count(CommEvent::RxOver), 0);
        // Closing does not wait for the line.
        QElapsedTimer closing;
        closing.start();
        QVERIFY(f.port.setPortOpen(false));
        QVERIFY(closing.elapsed() < DrainWatch::kBoundMs);
        f.pty.StopOutput(false);
    }
};

QS_QT_TEST(qt_serial_port_tests, SerialPortTest)
#include "serial_port_test.moc"
