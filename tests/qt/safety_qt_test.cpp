// The safety net in the desktop program: File menu entries, the compare page, the yes/no
// question, --trace and --list-ports on the command line, the port check in --help.
#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "qt_test_main.h"
#include "app_harness.h"
#include "fakes/fake_alerts.h"
#include "desktop/command_line.h"
#include "desktop/safety_menu.h"
#include "qtcore/serial_port_list.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"

namespace qs::qt::testing {
namespace {

std::vector<std::string> Split(const QString& text) {
    std::vector<std::string> out;
    for (const QString& part : text.split(QLatin1Char(' '), Qt::SkipEmptyParts))
        out.push_back(part.toStdString());
    return out;
}

QStringList FileMenuCaptions(const MainWindow& window) {
    QStringList captions;
    const auto* menu = qobject_cast<QMenu*>(window.exitAction()->parent());
    for (const QAction* action : menu->actions())
        captions << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return captions;
}

}  // namespace

class SafetyQtTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void commandLineTakesTraceAndListPorts_data() {
        QTest::addColumn<QString>("args");
        QTest::addColumn<QString>("trace");
        QTest::addColumn<bool>("listPorts");
        QTest::addColumn<QString>("error");
        QTest::newRow("none") << ""
                              << "" << false << "";
        QTest::newRow("trace") << "--trace /tmp/t.txt"
                               << "/tmp/t.txt" << false << "";
        QTest::newRow("trace=") << "--trace=t.txt"
                                << "t.txt" << false << "";
        QTest::newRow("trace alone") << "--trace"
                                     << "" << false << "--trace needs a file name";
        QTest::newRow("trace= empty") << "--trace="
                                      << "" << false << "--trace needs a file name";
        QTest::newRow("list") << "--list-ports"
                              << "" << true << "";
        QTest::newRow("both") << "--list-ports --trace x"
                              << "x" << true << "";
    }
    void commandLineTakesTraceAndListPorts() {
        QFETCH(QString, args);
        QFETCH(QString, trace);
        QFETCH(bool, listPorts);
        QFETCH(QString, error);
        const CommandLineResult result = ParseCommandLine(Split(args));
        QCOMPARE(QString::fromStdString(result.error), error);
        if (!error.isEmpty()) return;
        QCOMPARE(QString::fromStdString(result.options.traceFile), trace);
        QCOMPARE(result.options.listPorts, listPorts);
    }

    void helpNamesTheNewOptionsAndThePortCheck() {
        const QString usage = QString::fromStdString(UsageText("qs71dr-adj"));
        for (const char* word : {"--trace FILE", "--list-ports", "dialout", "id -nG",
                                 "ModemManager", "brltty", ".local/share/qs71dr-adj/backups"}) {
            QVERIFY2(usage.contains(QLatin1String(word)), word);
        }
        QVERIFY(usage.startsWith(QStringLiteral("Usage: qs71dr-adj [--port N=DEVICE]...")));
    }

    void portListIsOneLinePerDeviceOrSaysNone() {
        const QString text = QString::fromStdString(SerialPortListText());
        QVERIFY(text.endsWith(QLatin1Char('\n')));
        if (!text.startsWith(QStringLiteral("No serial devices found."))) {
            for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
                QVERIFY2(line.startsWith(QLatin1Char('/')), qPrintable(line));
        }
    }

    void fileMenuGainsThreeEntriesAboveAnUnchangedExit() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        const QStringList before = FileMenuCaptions(program.window());
        QTemporaryDir data;
        FakeMessageBox box;
        SystemWallClock wall;
        SafetyNet net(program.app(), box, wall, data.path().toStdString());
        SafetyMenu menu(program.window(), net, box);
        QCOMPARE(before, QStringList{QStringLiteral("E&xit")});
        const QStringList captions = FileMenuCaptions(program.window());
        QCOMPARE(captions, (QStringList{QStringLiteral("&Open backup folder"),
                                        QStringLiteral("&Revert to values read at Connect..."),
                                        QStringLiteral("&Compare with backup..."),
                                        QStringLiteral("-"), QStringLiteral("E&xit")}));
        // Every entry reachable from the keyboard, no two on the same letter.
        QSet<QChar> keys;
        for (const QString& caption : captions) {
            if (caption == QStringLiteral("-")) continue;
            const int at = caption.indexOf(QLatin1Char('&'));
            QVERIFY2(at >= 0 && at + 1 < caption.size(), qPrintable(caption));
            QVERIFY2(!keys.contains(caption.at(at + 1).toLower()), qPrintable(caption));
            keys.insert(caption.at(at + 1).toLower());
        }
    }

    void revertBeforeConnectExplainsAndAsksNothing() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        QTemporaryDir data;
        FakeMessageBox box;
        SystemWallClock wall;
        SafetyNet net(program.app(), box, wall, data.path().toStdString());
        SafetyMenu menu(program.window(), net, box);
        menu.revertAction()->trigger();
        QCOMPARE(box.asked.size(), std::size_t{0});
        QCOMPARE(box.shown.size(), std::size_t{1});
        QCOMPARE(QString::fromStdString(box.shown[0].caption),
                 QStringLiteral("QS-71DR ADJ Rev.1.0"));
    }

    void comparePageOpensBesideTheWindowAndShowsTheDifferences() {
        ProgramUnderTest program;
        QVERIFY(program.Start());
        QTemporaryDir data;
        FakeMessageBox box;
        SystemWallClock wall;
        SafetyNet net(program.app(), box, wall, data.path().toStdString());
        SafetyMenu menu(program.window(), net, box);

        menu.ShowCompare((data.path() + QStringLiteral("/none.qsbak")).toStdString());
        QCOMPARE(box.shown.size(), std::size_t{1});
        QCOMPARE(
            QString::fromStdString(box.shown[0].text),
            QStringLiteral("No memory image has been read from the radio yet. Connect first."));
        QVERIFY(menu.comparePage() == nullptr);

        // As after a clone read: the image is backed up, then the technician changes a value.
        net.OnCloneReadDone(program.app().sequence());
        QVERIFY(!net.backupPath().empty());
        program.app().radio().eepImage().WriteByte(168, 205);
        menu.ShowCompare(net.backupPath());
        QDialog* page = menu.comparePage();
        QVERIFY(page != nullptr);
        QVERIFY(page->isVisible());
        QVERIFY(!page->isModal());
        const QString text = page->findChild<QPlainTextEdit*>()->toPlainText();
        QVERIFY2(text.contains(QStringLiteral("                POW HI Level:    0  ->   205\n")),
                 qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("1 parameter differs.")));
        QVERIFY(!text.contains(QLatin1Char('\r')));

        // A second compare reuses the open page.
        menu.ShowCompare(net.backupPath());
        QCOMPARE(menu.comparePage(), page);
        page->close();
    }

    // The question box asks the technician, always: a click on Yes or No is the answer, and
    // Enter alone takes No.
    void questionBoxGivesTheTechniciansAnswer() {
        const struct {
            QMessageBox::StandardButton click;
            bool answer;
        } rows[] = {{QMessageBox::Yes, true}, {QMessageBox::No, false}, {QMessageBox::NoButton, false}};
        for (const auto& row : rows) {
            QtMessageBox box;
            QString text;
            bool noIsDefault = false;
            QTimer technician;
            technician.setInterval(10);
            QObject::connect(&technician, &QTimer::timeout, [&] {
                auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (shown == nullptr || !shown->isVisible()) return;
                text = shown->text();
                noIsDefault = static_cast<QAbstractButton*>(shown->defaultButton()) ==
                              shown->button(QMessageBox::No);
                if (row.click == QMessageBox::NoButton) {
                    QTest::keyClick(shown, Qt::Key_Return);
                } else {
                    shown->button(row.click)->click();
                }
            });
            technician.start();
            QCOMPARE(box.AskYesNo("caption", "Set every item back?"), row.answer);
            QCOMPARE(text, QStringLiteral("Set every item back?"));
            QVERIFY(noIsDefault);
        }
    }
};

}  // namespace qs::qt::testing

QS_QT_TEST(qt_safety_tests, qs::qt::testing::SafetyQtTest)
#include "safety_qt_test.moc"
