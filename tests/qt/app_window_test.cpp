// The whole program in one process on the offscreen platform: the real window driving the
// real window logic, console and model, with the Qt serial port, timer and settings file.
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app_harness.h"
#include "qt_test_main.h"

using namespace qs;
using namespace qs::qt;
using namespace qs::qt::testing;

namespace {
constexpr int kWaitMs = 15000;
}

class AppWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void startsOnComOneWithReleaseOff() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        MainWindow& w = program.window();
        QCOMPARE(w.windowTitle(), QStringLiteral("QS-71DR ADJ Rev.1.0"));
        QTRY_VERIFY_WITH_TIMEOUT(w.comPortAction(1)->isChecked(), kWaitMs);
        QVERIFY(w.autoReleaseAction(0)->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(w.portLabel()->text(), QStringLiteral("COM 1: CLOSE"), kWaitMs);
        QCOMPARE(w.portLabel()->palette().color(QPalette::WindowText),
                 PaletteColor(ColorRole::GrayText));
        QCOMPARE(w.commandButton(0)->text(), QStringLiteral("Connect"));
        QCOMPARE(w.commandButton(1)->text(), QStringLiteral("Reload(F5)"));
        QCOMPARE(w.commandButton(2)->text(), QStringLiteral("Disp para"));
        QCOMPARE(w.readingList(0)->item(0)->text(), QStringLiteral("[A/D]"));
        QCOMPARE(w.readingList(1)->item(0)->text(), QStringLiteral("[D/A]"));
    }

    void choosingComThreeMovesTheCheckMarkAndTheLabel() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        MainWindow& w = program.window();
        w.comPortAction(3)->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(w.comPortAction(3)->isChecked(), kWaitMs);
        for (int i : {1, 2, 4})
            QVERIFY(!w.comPortAction(i)->isChecked());
        QTRY_COMPARE_WITH_TIMEOUT(w.portLabel()->text(), QStringLiteral("COM 3: CLOSE"), kWaitMs);
        QCOMPARE(program.app().main().ComPortNo(), std::int16_t(3));
        QCOMPARE(program.app().model().comPortNo(), std::int16_t(3));
    }

    void releaseMenuSetsTheHoldTime() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        MainWindow& w = program.window();
        w.autoReleaseAction(5)->trigger();
        QCOMPARE(program.app().sequence().comHoldReload(), 5000);
        QTRY_VERIFY_WITH_TIMEOUT(w.autoReleaseAction(5)->isChecked(), kWaitMs);
        QVERIFY(!w.autoReleaseAction(0)->isChecked());
        w.autoReleaseAction(0)->trigger();
        QCOMPARE(program.app().sequence().comHoldReload(), 0);
    }

    void connectWithoutADeviceShowsCannotAccessAndLeavesThePortClosed_data() {
        QTest::addColumn<bool>("bound");
        QTest::newRow("bound to a missing device") << true;
        QTest::newRow("unbound, /dev/ttyUSB3") << false;
    }
    void connectWithoutADeviceShowsCannotAccessAndLeavesThePortClosed() {
        QFETCH(bool, bound);
        if (!bound && QFile::exists(QStringLiteral("/dev/ttyUSB3"))) {
            QSKIP("this machine has a /dev/ttyUSB3");
        }
        ProgramUnderTest program;
        if (bound) program.bindings().Bind(4, "/nonexistent/qs71dr-no-cable");
        QVERIFY(program.Start());
        MessageBoxWatcher watcher;
        MainWindow& w = program.window();
        w.comPortAction(4)->trigger();
        QTest::mouseClick(w.commandButton(0), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.count(), 1, kWaitMs);
        const auto& seen = watcher.seen().first();
        QCOMPARE(seen.icon, QMessageBox::Critical);
        QCOMPARE(seen.title, QStringLiteral("QS-71DR ADJ Rev.1.0"));
        QCOMPARE(seen.text, QStringLiteral("Cannot access COM 4.\n"
                                           "\n"
                                           "Check the following:\n"
                                           "- The COM port settings.\n"
                                           "- Cloning cable connections.\n"
                                           "- Transceiver power is ON."));
        QVERIFY(!program.port().portOpen());
        QVERIFY(!program.app().com().comOpen());
        QTRY_COMPARE_WITH_TIMEOUT(w.portLabel()->text(), QStringLiteral("COM 4: CLOSE"), kWaitMs);
        // One failure, one message: ticks after the box (the label follows the new port)
        // bring no second one.
        w.comPortAction(3)->trigger();
        QTRY_COMPARE_WITH_TIMEOUT(w.portLabel()->text(), QStringLiteral("COM 3: CLOSE"), kWaitMs);
        QCOMPARE(watcher.count(), 1);
    }

    void consoleArrowsStepTheSelectedItem() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        MainWindow& w = program.window();
        QListWidget* list = w.consoleList();
        QTRY_VERIFY_WITH_TIMEOUT(list->count() > 0, kWaitMs);
        const int row = ConsoleRowOf(w, QStringLiteral("Power(Hi)"));
        QVERIFY(row >= 0);
        list->setFocus();
        list->setCurrentRow(row);
        clsConsole& console = program.app().console();
        const auto index = static_cast<std::int16_t>(row);
        console.setValue(index, 100);
        QTest::keyClick(list, Qt::Key_Right);
        QCOMPARE(console.Value(index), std::int16_t(101));
        QTest::keyClick(list, Qt::Key_Right, Qt::ShiftModifier);
        QCOMPARE(console.Value(index), std::int16_t(106));
        QTest::keyClick(list, Qt::Key_Left);
        QCOMPARE(console.Value(index), std::int16_t(105));
        QCOMPARE(list->currentRow(), row);
        QTest::keyClick(list, Qt::Key_Return);
        QCOMPARE(list->currentRow(), row);
        QVERIFY(list->item(row)->text().contains(QStringLiteral("Power(Hi)")));
    }

    void consoleGainingFocusSelectsTheFirstRow() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        MainWindow& w = program.window();
        QTRY_VERIFY_WITH_TIMEOUT(w.consoleList()->count() > 0, kWaitMs);
        w.commandButton(0)->setFocus();
        w.consoleList()->setCurrentRow(-1);
        w.consoleList()->setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(w.consoleList()->currentRow(), 0, kWaitMs);
    }

    void f5FromAnotherControlReachesTheModel() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        MainWindow& w = program.window();
        // Outside the editing states the model ignores the reload itself, but as every
        // command button it first stops what runs: a pending Enter mark is gone once the
        // model saw the key. (The reload in the editing state: the end-to-end test.)
        clsConsole& console = program.app().console();
        console.setFlgEnterOn(9, true);
        w.commandButton(2)->setFocus();
        QTest::keyClick(w.commandButton(2), Qt::Key_F5);
        QVERIFY(!console.flgEnterOn(9));
        QVERIFY(!program.app().model().reloadRequest());
    }

    void closingSavesTheSettings() {
        auto program = std::make_unique<ProgramUnderTest>();
        QVERIFY(program->Start());
        program->window().comPortAction(2)->trigger();
        program->window().autoReleaseAction(3)->trigger();
        program->window().close();
        QFile file(program->settingsFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        QVERIFY2(text.contains("ComPort=2"), text.constData());
        QVERIFY2(text.contains("ComAutoRelease=3"), text.constData());
    }
};

QS_QT_TEST(qt_app_window_tests, AppWindowTest)
#include "app_window_test.moc"
