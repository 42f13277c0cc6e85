// Pure pieces of the front end: command line, port bindings, line settings, key codes, twips,
// the single-instance lock and the heartbeat timer.
#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QtTest>

#include "desktop/command_line.h"
#include "desktop/key_codes.h"
#include "desktop/qt_alerts.h"
#include "desktop/twips.h"
#include "qt_test_main.h"
#include "qtcore/port_bindings.h"
#include "qtcore/qt_instance_lock.h"
#include "qtcore/qt_timer.h"

using namespace qs;
using namespace qs::qt;

namespace {

std::vector<std::string> Split(const QString& text) {
    std::vector<std::string> args;
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        args.push_back(part.toStdString());
    }
    return args;
}

}  // namespace

class PlatformPartsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void portBinding_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("port");
        QTest::addColumn<QString>("device");
        QTest::newRow("plain") << "1=/dev/ttyUSB3" << 1 << "/dev/ttyUSB3";
        QTest::newRow("ten") << "10=/dev/pts/4" << 10 << "/dev/pts/4";
        QTest::newRow("device with equals") << "2=/tmp/a=b" << 2 << "/tmp/a=b";
        QTest::newRow("zero") << "0=/dev/x" << -1 << "";
        QTest::newRow("eleven") << "11=/dev/x" << -1 << "";
        QTest::newRow("no device") << "3=" << -1 << "";
        QTest::newRow("no equals") << "3" << -1 << "";
        QTest::newRow("letters") << "a=/dev/x" << -1 << "";
        QTest::newRow("negative") << "-1=/dev/x" << -1 << "";
        QTest::newRow("huge") << "99999999999999999999=/dev/x" << -1 << "";
    }
    void portBinding() {
        QFETCH(QString, text);
        QFETCH(int, port);
        QFETCH(QString, device);
        const auto binding = ParsePortBinding(text.toStdString());
        if (port < 0) {
            QVERIFY(!binding.has_value());
            return;
        }
        QVERIFY(binding.has_value());
        QCOMPARE(binding->port, port);
        QCOMPARE(QString::fromStdString(binding->device), device);
    }

    void unboundPortsMeanUsbDevices() {
        PortBindings bindings;
        QCOMPARE(bindings.DeviceFor(1), std::string("/dev/ttyUSB0"));
        QCOMPARE(bindings.DeviceFor(4), std::string("/dev/ttyUSB3"));
        bindings.Bind(2, "/dev/pts/7");
        QCOMPARE(bindings.DeviceFor(2), std::string("/dev/pts/7"));
        QCOMPARE(bindings.DeviceFor(3), std::string("/dev/ttyUSB2"));
    }

    void portDescriptionForTheTooltip() {
        PortBindings bindings;
        bindings.Bind(1, "/dev/pts/5");
        QCOMPARE(DescribePort(bindings, 1, true, ""),
                 std::string("COM 1 = /dev/pts/5 (virtual radio)"));
        QCOMPARE(DescribePort(bindings, 2, false, "/dev/ttyUSB1: gone"),
                 std::string("COM 2 = /dev/ttyUSB1\nLast lost: /dev/ttyUSB1: gone"));
    }

    void lineSettings_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("baud");
        QTest::newRow("radio line") << "9600,N,8,1" << true << 9600;
        QTest::newRow("lower case parity") << "19200,e,7,2" << true << 19200;
        QTest::newRow("one and a half") << "4800,O,8,1.5" << true << 4800;
        QTest::newRow("spaces") << " 9600 , N , 8 , 1 " << true << 9600;
        QTest::newRow("empty") << "" << false << 0;
        QTest::newRow("three fields") << "9600,N,8" << false << 0;
        QTest::newRow("bad parity") << "9600,X,8,1" << false << 0;
        QTest::newRow("nine data bits") << "9600,N,9,1" << false << 0;
        QTest::newRow("stop bits 3") << "9600,N,8,3" << false << 0;
        QTest::newRow("zero baud") << "0,N,8,1" << false << 0;
        QTest::newRow("baud overflow") << "99999999999,N,8,1" << false << 0;
        QTest::newRow("trailing comma") << "9600,N,8,1," << false << 0;
    }
    void lineSettings() {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, baud);
        const auto settings = ParseLineSettings(text.toStdString());
        QCOMPARE(settings.has_value(), valid);
        if (valid) QCOMPARE(settings->baud, baud);
    }

    void radioLineIsNoParityEightDataOneStop() {
        const auto settings = ParseLineSettings("9600,N,8,1");
        QVERIFY(settings.has_value());
        QVERIFY(settings->parity == Parity::None);
        QCOMPARE(settings->dataBits, 8);
        QVERIFY(settings->stopBits == StopBits::One);
    }

    void keyCodes_data() {
        QTest::addColumn<int>("qtKey");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::newRow("left") << int(Qt::Key_Left) << 0 << 37;
        QTest::newRow("right") << int(Qt::Key_Right) << 0 << 39;
        QTest::newRow("up") << int(Qt::Key_Up) << 0 << 38;
        QTest::newRow("return") << int(Qt::Key_Return) << 0 << 13;
        QTest::newRow("keypad enter") << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << 13;
        QTest::newRow("f5") << int(Qt::Key_F5) << 0 << 116;
        QTest::newRow("escape") << int(Qt::Key_Escape) << 0 << 27;
        QTest::newRow("letter") << int(Qt::Key_Q) << int(Qt::ShiftModifier) << 81;
        QTest::newRow("digit") << int(Qt::Key_7) << 0 << 55;
        QTest::newRow("keypad digit") << int(Qt::Key_7) << int(Qt::KeypadModifier) << 103;
        QTest::newRow("unknown") << int(Qt::Key_MediaPlay) << 0 << 0;
    }
    void keyCodes() {
        QFETCH(int, qtKey);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QCOMPARE(int(VirtualKeyCode(qtKey, Qt::KeyboardModifiers(modifiers))), code);
    }

    void shiftMask() {
        QCOMPARE(int(ShiftMask(Qt::NoModifier)), 0);
        QCOMPARE(int(ShiftMask(Qt::ShiftModifier)), 1);
        QCOMPARE(int(ShiftMask(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier)), 7);
        QCOMPARE(int(ShiftMask(Qt::KeypadModifier)), 0);
    }

    void commandLine_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<bool>("valid");
        QTest::newRow("nothing") << "" << true;
        QTest::newRow("ports") << "--port 1=/dev/ttyS0 --port=2=/dev/ttyS1" << true;
        QTest::newRow("simulate with options")
            << "--simulate --sim-baud 4800 --sim-fault hangup" << true;
        QTest::newRow("qt platform option") << "-platform offscreen --simulate" << true;
        QTest::newRow("unknown") << "--frobnicate" << false;
        QTest::newRow("positional") << "extra" << false;
        QTest::newRow("port without value") << "--port" << false;
        QTest::newRow("port out of range") << "--port 11=/dev/x" << false;
        QTest::newRow("sim option alone") << "--sim-fault hangup" << false;
        QTest::newRow("simulate over bound com 1") << "--simulate --port 1=/dev/x" << false;
    }
    void commandLine() {
        QFETCH(QString, args);
        QFETCH(bool, valid);
        const CommandLineResult result = ParseCommandLine(Split(args));
        QCOMPARE(result.ok(), valid);
        if (!valid) QVERIFY(!result.error.empty());
    }

    void simulatorOptionsAreHandedOnWithoutPrefix() {
        const CommandLineResult result = ParseCommandLine(
            Split("--simulate --sim-baud 4800 --sim-fault=hangup --sim-verbose --port 2=/dev/a"));
        QVERIFY(result.ok());
        const std::vector<std::string> expected = {"--baud", "4800", "--fault=hangup", "--verbose"};
        QCOMPARE(result.options.simulatorArgs, expected);
        QCOMPARE(result.options.ports.size(), std::size_t(1));
        QCOMPARE(result.options.ports[0].port, std::int16_t(2));
    }

    void twipsAtNinetySixDotsPerInch() {
        const TwipsScale scale(96.0, 96.0);
        QCOMPARE(scale.twipsPerPixelY(), 15);
        QCOMPARE(scale.ToPixelsX(1800), 120);
        QCOMPARE(scale.ToTwipsY(22), 330);
    }

    void twipsAtHighDensityAndNonsense() {
        const TwipsScale dense(144.0, 192.0);
        QCOMPARE(dense.twipsPerPixelX(), 10);
        QCOMPARE(dense.twipsPerPixelY(), 8);
        QCOMPARE(dense.ToPixelsY(1440), 192);
        const TwipsScale broken(0.0, std::numeric_limits<double>::quiet_NaN());
        QCOMPARE(broken.twipsPerPixelX(), 15);
        QCOMPARE(broken.twipsPerPixelY(), 15);
        QCOMPARE(broken.ToPixelsX(std::numeric_limits<std::int32_t>::max()), 143165576);
        QCOMPARE(broken.ToPixelsX(std::numeric_limits<std::int32_t>::min()), -143165577);
    }

    void secondLockIsRefusedAndReleasedWithTheFirst() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("copy.lock"));
        auto first = std::make_unique<QtInstanceLock>(path);
        QVERIFY(first->TryAcquire());
        QtInstanceLock second(path);
        QVERIFY(!second.TryAcquire());
        first.reset();
        QVERIFY(second.TryAcquire());
    }

    void lockOfACrashedCopyIsTakenOver() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("copy.lock"));
        // What a copy that died leaves behind: its process id, name and host.
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("2147480000\nqs71dr-adj\n" + QSysInfo::machineHostName().toUtf8() + "\n");
        file.close();
        QtInstanceLock lock(path);
        QVERIFY(lock.TryAcquire());
    }

    void timerRunsItsHandlerButNotWhileAMessageBoxIsOpen() {
        QtTimer timer;
        int ticks = 0;
        timer.setHandler([&ticks] { ++ticks; });
        timer.setInterval(5);
        QVERIFY(!timer.enabled());
        timer.setEnabled(true);
        QVERIFY(timer.enabled());
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 2, 10000);
        {
            ModalScope modal;
            const int before = ticks;
            // Let several intervals pass inside the modal time.
            QElapsedTimer elapsed;
            elapsed.start();
            while (elapsed.elapsed() < 60)
                QCoreApplication::processEvents();
            QCOMPARE(ticks, before);
        }
        QTRY_VERIFY_WITH_TIMEOUT(ticks >= 4, 10000);
        timer.setEnabled(false);
        QVERIFY(!timer.enabled());
    }

    void tickCountMovesForward() {
        SystemTickSource ticks;
        const std::int32_t first = ticks.GetTickCount();
        QTRY_VERIFY_WITH_TIMEOUT(
            static_cast<std::int32_t>(static_cast<std::uint32_t>(ticks.GetTickCount()) -
                                      static_cast<std::uint32_t>(first)) > 0,
            10000);
    }
};

QS_QT_TEST(qt_platform_tests, PlatformPartsTest)
#include "platform_parts_test.moc"
