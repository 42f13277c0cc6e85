// The serial port on QtSerialPort against a pseudo-terminal: opening, line data both ways,
// the receive notification, overflow, a device that disappears, and missing devices.
#include <QThread>
#include <QTimer>
#include <QtTest>
#include <vector>

#include "qtcore/port_bindings.h"
#include "desktop/qt_alerts.h"
#include "qtcore/qt_serial_port.h"
#include "pty_pair.h"

using namespace qs;
using namespace qs::qt;
using qs::qt::testing::PtyPair;

class SerialPortTest : public QObject {
    Q_OBJECT
private:
    struct Fixture {
        PtyPair pty;
        PortBindings bindings;
        QtSerialPort port{bindings};
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

private Q_SLOTS:
    void opensTheBoundDeviceAndPassesBytesBothWays() {
        Fixture f;
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
    }

    void closedPortRefusesOutputAndHasNothingBuffered() {
        Fixture f;
        QVERIFY(!f.port.output(Bytes{0x01}));
        QCOMPARE(f.port.inBufferCount(), 0);
        QCOMPARE(f.port.outBufferCount(), 0);
        QVERIFY(f.port.input().empty());
        QVERIFY(f.port.clearOutBuffer());
    }

    void outputBeyondTheFreeTransmitSpaceIsRefused() {
        Fixture f;
        f.port.setOutBufferSize(8);
        QVERIFY(f.port.setPortOpen(true));
        QVERIFY(!f.port.output(Bytes(9, 0x55)));
        QVERIFY(f.port.output(Bytes(8, 0x55)));
    }

    void missingDeviceFailsWithItsName() {
        PortBindings bindings;
        bindings.Bind(2, "/nonexistent/qs71dr-cable");
        QtSerialPort port(bindings);
        port.setCommPort(2);
        std::string error;
        QVERIFY(!port.setPortOpen(true, &error));
        QVERIFY(!port.portOpen());
        QVERIFY2(error.find("/nonexistent/qs71dr-cable") != std::string::npos, error.c_str());
    }

    void invalidLineSettingsFailTheOpening() {
        Fixture f;
        f.port.setSettings("9600,Z,8,1");
        std::string error;
        QVERIFY(!f.port.setPortOpen(true, &error));
        QVERIFY(!f.port.portOpen());
        QVERIFY(error.find("9600,Z,8,1") != std::string::npos);
    }

    void moreThanTheInputBufferReportsOverflowOnce() {
        Fixture f;
        f.port.setInBufferSize(4);
        QVERIFY(f.port.setPortOpen(true));
        QVERIFY(f.pty.Write(QByteArray(10, 'x')));
        QTRY_COMPARE_WITH_TIMEOUT(f.Count(CommEvent::RxOver), 1, 10000);
        QVERIFY(f.pty.Write(QByteArray(10, 'y')));
        QTRY_COMPARE_WITH_TIMEOUT(f.port.inBufferCount(), 20, 10000);
        QCOMPARE(f.Count(CommEvent::RxOver), 1);
    }

    void noNotificationWhileAMessageBoxIsOpen() {
        Fixture f;
        QVERIFY(f.port.setPortOpen(true));
        {
            ModalScope modal;
            QVERIFY(f.pty.Write(QByteArray(3, 'z')));
            QTRY_COMPARE_WITH_TIMEOUT(f.port.inBufferCount(), 3, 10000);
            QVERIFY(f.events.empty());
        }
        // The data waits for the next heartbeat.
        QCOMPARE(f.port.input().size(), std::size_t(3));
    }

    // A message box opened while handling a report holds the heartbeat; the port must keep
    // taking the line meanwhile, even when the report came from its own look in a batch.
    void aMessageBoxOpenedInAReportStillTakesTheLine() {
        Fixture f;
        int reports = 0;
        int heldDuringBox = -1;
        f.port.setEventHandler([&](CommEvent) {
            if (++reports == 1) {
                f.port.input();
                // Comes within the batch: the port's own look reports it.
                QVERIFY(f.pty.Write("b"));
                return;
            }
            ModalScope modal;
            QVERIFY(f.pty.Write("c"));
            QTRY_VERIFY_WITH_TIMEOUT(f.port.inBufferCount() >= 2, 5000);
            heldDuringBox = f.port.inBufferCount();
        });
        QVERIFY(f.port.setPortOpen(true));
        QVERIFY(f.pty.Write("a"));
        QTRY_VERIFY_WITH_TIMEOUT(heldDuringBox >= 0, 10000);
        QCOMPARE(heldDuringBox, 2);
        QCOMPARE(f.port.input(), (Bytes{'b', 'c'}));
    }

    // Arrivals are reported in batches: bytes held back between reports must all arrive, in
    // order, with the reports the heartbeat acts on.
    void bytesArrivingOneByOneAllReachTheHandlerInOrder() {
        Fixture f;
        Bytes got;
        f.port.setEventHandler([&f, &got](CommEvent e) {
            if (e != CommEvent::Receive) return;
            const Bytes in = f.port.input();
            got.insert(got.end(), in.begin(), in.end());
        });
        QVERIFY(f.port.setPortOpen(true));
        Bytes sent;
        for (int i = 0; i < 60; ++i) {
            sent.push_back(static_cast<std::uint8_t>(i * 7));
            QVERIFY(f.pty.Write(QByteArray(1, static_cast<char>(sent.back()))));
            if (i % 3 == 0) QTest::qWait(1);
        }
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), sent.size(), 10000);
        QVERIFY(got == sent);
    }

    // After a report the port stops watching the line and the next bytes wait in the driver;
    // the program's own look takes them with no event loop running, as a driver's count would.
    void theProgramsLookTakesWhatWaitsInTheDriver() {
        Fixture f;
        Bytes got;
        f.port.setEventHandler([&f, &got](CommEvent) {
            const Bytes in = f.port.input();
            got.insert(got.end(), in.begin(), in.end());
        });
        QVERIFY(f.port.setPortOpen(true));
        QVERIFY(f.pty.Write("a"));
        QTRY_COMPARE_WITH_TIMEOUT(got, Bytes{'a'}, 10000);
        QVERIFY(f.pty.Write("bc"));
        int count = 0;
        for (int i = 0; i < 5000 && count < 2; ++i) {
            count = f.port.inBufferCount();
            if (count < 2) QThread::usleep(1000);
        }
        QCOMPARE(count, 2);
        QCOMPARE(f.port.input(), (Bytes{'b', 'c'}));
        // The line then goes quiet and is watched again: the next byte is reported by itself.
        QVERIFY(f.pty.Write("d"));
        QTRY_COMPARE_WITH_TIMEOUT(got, (Bytes{'a', 'd'}), 10000);
    }

    // A long stream reaches a program that looks every 50 ms, whole and in order, without a
    // report for each byte.
    void aLongStreamReachesTheProgramWholeWithFewReports() {
        Fixture f;
        Bytes got;
        int reports = 0;
        const auto take = [&f, &got] {
            if (f.port.inBufferCount() == 0) return;
            const Bytes in = f.port.input();
            got.insert(got.end(), in.begin(), in.end());
        };
        f.port.setEventHandler([&](CommEvent) {
            ++reports;
            take();
        });
        QTimer heartbeat;
        QObject::connect(&heartbeat, &QTimer::timeout, take);
        heartbeat.start(50);
        QVERIFY(f.port.setPortOpen(true));
        Bytes sent;
        for (int i = 0; i < 1200; ++i) {
            sent.push_back(static_cast<std::uint8_t>(i * 13));
            if (i % 4 == 3) {
                QVERIFY(f.pty.Write(QByteArray(reinterpret_cast<const char*>(sent.data()) + i - 3, 4)));
                QTest::qWait(4);
            }
        }
        QTRY_COMPARE_WITH_TIMEOUT(got.size(), sent.size(), 10000);
        QVERIFY(got == sent);
        QVERIFY2(reports < 100, std::to_string(reports).c_str());
    }

    void hangUpWhileOpenClosesThePort() {
        Fixture f;
        QVERIFY(f.port.setPortOpen(true));
        f.pty.HangUp();
        QTRY_VERIFY_WITH_TIMEOUT(!f.port.portOpen(), 10000);
        QVERIFY(!f.port.lostReason().empty());
        QVERIFY(!f.port.output(Bytes{0x01}));
        // Opening again fails cleanly: the device is gone.
        std::string error;
        QVERIFY(!f.port.setPortOpen(true, &error));
        QVERIFY(!error.empty());
    }
};

QTEST_MAIN(SerialPortTest)
#include "serial_port_test.moc"
