// End to end: the real window and the program's real serial port on the pseudo-terminal of
// qt71dr-sim, the virtual radio, running as its own process.
#include <QDeadlineTimer>
#include <QFrame>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QtTest>

#include "app_harness.h"
#include "qt_test_main.h"
#include "sim_process.h"

using namespace qs;
using namespace qs::qt;
using namespace qs::qt::testing;

namespace {

constexpr int kReadMs = 120000;
constexpr int kStepMs = 20000;

const QString kChecklistA = QStringLiteral(
    "\n\nCheck the following:\n- The COM port settings.\n- Cloning cable connections.\n"
    "- Transceiver power is ON.");

// Every distinct text the progress label shows, sampled as the program runs.
class ProgressSampler : public QObject {
public:
    explicit ProgressSampler(const MainWindow& window) {
        auto* label = window.findChild<QLabel*>(QStringLiteral("lblProgress"));
        connect(&timer_, &QTimer::timeout, this, [this, label] {
            const QString text = label->text();
            if (texts_.isEmpty() || texts_.last() != text) texts_ << text;
        });
        timer_.start(5);
    }
    QStringList nonBlank() const {
        QStringList shown;
        for (const QString& t : texts_) {
            if (!t.trimmed().isEmpty()) shown << t;
        }
        return shown;
    }

private:
    QTimer timer_;
    QStringList texts_;
};

bool Editing(ProgramUnderTest& program) {
    return program.app().model().RigK52TProp_EditEnabled();
}

}  // namespace

class EndToEndTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void connectReadLoadThenAKeyAdjustsThePowerLive() {
        VirtualRadio radio({QStringLiteral("--baud"), QStringLiteral("230400"),
                            QStringLiteral("--arrival"), QStringLiteral("chunks")});
        QVERIFY2(!radio.device().isEmpty(), "the virtual radio reported no device");
        ProgramUnderTest program;
        program.bindings().Bind(1, radio.device().toStdString());
        QVERIFY(program.Start());
        MessageBoxWatcher watcher;
        ProgressSampler progress(program.window());
        MainWindow& w = program.window();

        QTest::mouseClick(w.commandButton(0), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Editing(program), kReadMs);
        QCOMPARE(watcher.count(), 0);
        QVERIFY2(progress.nonBlank().size() >= 3, qPrintable(progress.nonBlank().join('|')));
        QCOMPARE(radio.Count("program -> radio: FE FE EE EF E2"), 1);
        QTRY_COMPARE_WITH_TIMEOUT(w.portLabel()->text(), QStringLiteral("COM 1: OPEN"), kStepMs);
        QCOMPARE(w.portLabel()->palette().color(QPalette::WindowText),
                 PaletteColor(ColorRole::ButtonText));

        // The load sends every item once; " Power(Hi)" goes out from its byte at 168.
        QTRY_VERIFY_WITH_TIMEOUT(radio.Count("POW HI = ") >= 1, kStepMs);
        const QRegularExpression sent(QStringLiteral("POW HI = (\\d+) at 168"));
        const QRegularExpressionMatch first = sent.match(QString::fromLatin1(radio.log()));
        QVERIFY(first.hasMatch());
        const int loaded = first.captured(1).toInt();

        QListWidget* list = w.consoleList();
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), kStepMs);
        const int row = ConsoleRowOf(w, QStringLiteral(" Power(Hi)"));
        QVERIFY(row >= 0);
        const QString before = list->item(row)->text();
        list->setFocus();
        list->setCurrentRow(row);
        QTest::keyClick(list, loaded < 255 ? Qt::Key_Right : Qt::Key_Left);
        const int expected = loaded < 255 ? loaded + 1 : loaded - 1;
        QVERIFY(list->item(row)->text() != before);
        const QByteArray logged = QStringLiteral("POW HI = %1 at 168").arg(expected).toLatin1();
        QTRY_VERIFY_WITH_TIMEOUT(radio.Count(logged) == 1, kStepMs);
        QCOMPARE(watcher.count(), 0);

        // F5 from a command button asks for the live readings once more: the supply voltage
        // reading (command 03) goes out again.
        const QByteArray reading = "program -> radio: FE FE EE EF E8 30 17 01 02 03 ";
        const int readingsBefore = radio.Count(reading);
        QVERIFY(readingsBefore >= 1);
        w.commandButton(2)->setFocus();
        QTest::keyClick(w.commandButton(2), Qt::Key_F5);
        QTRY_VERIFY_WITH_TIMEOUT(radio.Count(reading) > readingsBefore, kStepMs);
        QVERIFY(Editing(program));
        QCOMPARE(radio.Count("program -> radio: FE FE EE EF E2"), 1);

        // "Disp para" shows the parameter page in place of the console; Disp para is then the
        // default and cancel button, so Escape brings the console back.
        auto* page = w.findChild<QPlainTextEdit*>(QStringLiteral("txtDispPara"));
        QVERIFY(page != nullptr);
        QTest::mouseClick(w.commandButton(2), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(page->isVisible() && !list->isVisible(), kStepMs);
        QVERIFY(!page->toPlainText().trimmed().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(w.controls().cmd00[2]->isCancel(), kStepMs);
        page->setFocus();
        QTest::keyClick(page, Qt::Key_Escape);
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible() && !page->isVisible(), kStepMs);
        QVERIFY(!w.controls().cmd00[2]->isDefault());
        QCOMPARE(watcher.count(), 0);
    }

    void cablePulledWhileIdleIsReportedAtTheNextCommand() {
        auto radio = std::make_unique<VirtualRadio>(
            QStringList{QStringLiteral("--baud"), QStringLiteral("115200"),
                        QStringLiteral("--arrival"), QStringLiteral("bursts")});
        QVERIFY(!radio->device().isEmpty());
        ProgramUnderTest program;
        program.bindings().Bind(1, radio->device().toStdString());
        QVERIFY(program.Start());
        MessageBoxWatcher watcher;
        MainWindow& w = program.window();
        QTest::mouseClick(w.commandButton(0), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Editing(program), kReadMs);
        QTRY_VERIFY_WITH_TIMEOUT(radio->Count("REF = ") >= 1, kStepMs);

        radio->Kill();
        QTRY_VERIFY_WITH_TIMEOUT(!program.port().portOpen(), kStepMs);
        QTRY_COMPARE_WITH_TIMEOUT(w.portLabel()->text(), QStringLiteral("COM 1: CLOSE"), kStepMs);

        QListWidget* list = w.consoleList();
        const int row = ConsoleRowOf(w, QStringLiteral(" Power(Hi)"));
        QVERIFY(row >= 0);
        list->setFocus();
        list->setCurrentRow(row);
        QTest::keyClick(list, Qt::Key_Left);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.count(), 1, kStepMs);
        // Whether the link finds the device gone at the opening or at the missing echo, the
        // technician is pointed at the port and the cable.
        const QString text = watcher.lastText();
        QVERIFY2(text.startsWith(QStringLiteral("Cannot access COM")), qPrintable(text));
        QVERIFY2(text.endsWith(kChecklistA), qPrintable(text));
        QVERIFY(!program.port().portOpen());
        QVERIFY(!Editing(program));
    }

    void lineGoingDeadMidReadEndsInNoAnswer() {
        VirtualRadio radio({QStringLiteral("--baud"), QStringLiteral("115200"),
                            QStringLiteral("--fault"), QStringLiteral("hang-up=20")});
        QVERIFY(!radio.device().isEmpty());
        ProgramUnderTest program;
        program.bindings().Bind(1, radio.device().toStdString());
        QVERIFY(program.Start());
        MessageBoxWatcher watcher;
        QTest::mouseClick(program.window().commandButton(0), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.count(), 1, kReadMs);
        QCOMPARE(watcher.lastText(), QStringLiteral("No answer from transceiver.") + kChecklistA);
        QTRY_VERIFY_WITH_TIMEOUT(!program.port().portOpen(), kStepMs);
        QVERIFY(!Editing(program));
    }

    void cablePulledMidReadEndsInAMessageAndAClosedPort() {
        auto radio = std::make_unique<VirtualRadio>(
            QStringList{QStringLiteral("--baud"), QStringLiteral("19200"),
                        QStringLiteral("--arrival"), QStringLiteral("chunks")});
        QVERIFY(!radio->device().isEmpty());
        ProgramUnderTest program;
        program.bindings().Bind(1, radio->device().toStdString());
        QVERIFY(program.Start());
        MessageBoxWatcher watcher;
        QTest::mouseClick(program.window().commandButton(0), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(radio->Count("program -> radio: FE FE EE EF E2") == 1, kReadMs);
        QTRY_VERIFY_WITH_TIMEOUT(program.app().com().kel3D().lastEeAdr() > 0, kReadMs);
        // The far end of the line disappears: the pseudo-terminal hangs up.
        radio->Kill();
        QTRY_VERIFY_WITH_TIMEOUT(!program.port().portOpen(), kStepMs);
        QTRY_COMPARE_WITH_TIMEOUT(watcher.count(), 1, kReadMs);
        // The driver waits for the next block in vain.
        QCOMPARE(watcher.lastText(), QStringLiteral("No answer from transceiver.") + kChecklistA);
        QVERIFY(!Editing(program));
        QVERIFY(!program.port().lostReason().empty());
        QTRY_COMPARE_WITH_TIMEOUT(program.window().portLabel()->text(),
                                  QStringLiteral("COM 1: CLOSE"), kStepMs);
        // The closed port wakes the program no more.
        const int wakeUps = program.port().counters().wakeUps;
        QTest::qWait(300);
        QCOMPARE(program.port().counters().wakeUps, wakeUps);
    }
};

QS_QT_TEST(qt_end_to_end_tests, EndToEndTest)
#include "end_to_end_test.moc"
