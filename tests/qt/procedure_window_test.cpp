// The procedure window once on the offscreen platform: the whole program as the desktop
// builds it (composition root, virtual radio and monitor of --simulate), File > Run
// procedure... with a prompt answered OK, a question answered Yes, a reading and a
// measurement judged; then a run stopped in its wait, run again and closed with the program.
// Each end in its banner word and colour; a radio that cannot be reached ends the run in an
// error whose long message wraps inside the screen.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QMessageBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "qt_test_main.h"
#include "sim_process.h"
#include "desktop/main_window.h"
#include "desktop/procedure_menu.h"
#include "desktop/qt_alerts.h"
#include "desktop/run_info_dialog.h"
#include "desktop/window_binding.h"
#include "fakes/fake_alerts.h"
#include "instruments/bench_station.h"
#include "program/program_root.h"
#include "record/verdict_style.h"
#include "shell/application.h"
#include "shell/ini_file_store.h"

using namespace qs;
using Column = qt::ProcedureWindow::Column;

namespace {

constexpr int kRunMs = 60000;

QString WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& text) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(text);
    return path;
}

QString Cell(const qt::ProcedureWindow& window, int row, int column) {
    return window.stepsTable()->item(row, column)->text();
}

// The banner's colour as its style sheet gives it.
bool BannerIn(const qt::ProcedureWindow& window, RunVerdict verdict) {
    return window.stateLabel()->styleSheet().contains(QLatin1String(VerdictColour(verdict)));
}

// The buttons of a run that has ended, and not those of one under way.
bool EndButtonsShown(const qt::ProcedureWindow& window) {
    return window.closeButton()->isVisible() && window.runAgainButton()->isVisible() &&
           window.openReportButton()->isVisible() && !window.stopButton()->isVisible();
}

}  // namespace

class ProcedureWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aRunInTheWindowOnTheVirtualBench() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        ProgramRoot root(dir.filePath(QStringLiteral("lock")));
        IniFileStore settings(dir.path().toStdString());
        qt::MainWindow window;
        qt::QtMessageBox messageBox;
        qt::QtBeeper beeper;
        QVERIFY(root.Start(FrontEnd{settings, messageBox, beeper, window.controls()}));
        std::string error;
        QVERIFY2(root.StartSimulator({"--baud", "115200"}, error), error.c_str());
        qt::BindMainWindow(window, root.app().main());
        qt::ProcedureMenu menu(window, root.app(), root.station(), settings,
                               messageBox);
        QCOMPARE(menu.runAction()->text(), QStringLiteral("Run &procedure..."));
        std::vector<std::string> reportsOpened;
        menu.setReportOpener([&](const std::string& backup) { reportsOpened.push_back(backup); });

        const QString file = WriteFile(
            dir, "p.toml",
            "title = \"Window test\"\n"
            "[[step]]\nkind = \"prompt\"\ntext = \"Connect the monitor.\"\n"
            "[[step]]\nkind = \"confirm\"\ntext = \"Is the display lit?\"\n"
            "[[step]]\nname = \"Supply\"\nkind = \"check\"\nreading = \"VIN\"\nmin = 7.0\n"
            "max = 8.0\n"
            "[[step]]\nname = \"Power\"\nkind = \"measure\"\nquantity = \"power\"\nmin = 4.0\n"
            "max = 6.0\n");
        qt::ProcedureWindow* run = menu.Run(file.toStdString(), {"A. Technician", "SN 7", "WO-3"});
        QVERIFY(run != nullptr);
        QCOMPARE(run->stepsTable()->rowCount(), 4);
        // The settings give the virtual monitor no calibration date: said before the run starts.
        QVERIFY(run->calibrationLabel()->text().startsWith(QStringLiteral(
            "Calibration: power meter calibration date not given: the bench settings give no "
            "power_meter_calibration_due (TCPIP::127.0.0.1::")));

        run->show();
        QVERIFY(run->stopButton()->isVisible());
        QVERIFY(!run->closeButton()->isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(run->okButton()->isVisible(), kRunMs);
        QVERIFY(run->promptPanel()->isVisible());
        QCOMPARE(run->questionLabel()->text(), QStringLiteral("Step 1: Connect the monitor."));
        QVERIFY(run->questionLabel()->font().pointSizeF() > run->font().pointSizeF());
        QCOMPARE(Cell(*run, 0, Column::kState), QStringLiteral("running"));
        QVERIFY(!run->yesButton()->isVisible());
        run->okButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(run->yesButton()->isVisible(), kRunMs);
        QVERIFY(!run->okButton()->isVisible());
        run->yesButton()->click();

        QTRY_VERIFY_WITH_TIMEOUT(run->runner().finished(), kRunMs);
        QCOMPARE(run->stateLabel()->text(),
                 QStringLiteral("PASS \u2014 power meter calibration date not given"));
        QVERIFY(BannerIn(*run, RunVerdict::Pass));
        QVERIFY(!run->reasonLabel()->isVisible());
        QVERIFY(run->countsLabel()->text().startsWith(
            QStringLiteral("all 4 steps passed in ")));
        for (int row = 0; row < 4; ++row)
            QCOMPARE(Cell(*run, row, Column::kState), QStringLiteral("PASS"));
        QCOMPARE(Cell(*run, 3, Column::kMeasured), QStringLiteral("4.92 W"));
        // In the report's words: what the step did under its title, a space before the unit.
        QVERIFY2(Cell(*run, 1, Column::kStep).endsWith(QStringLiteral("\nanswer yes")),
                 qPrintable(Cell(*run, 1, Column::kStep)));
        QVERIFY2(Cell(*run, 2, Column::kMeasured).endsWith(QStringLiteral(" V")),
                 qPrintable(Cell(*run, 2, Column::kMeasured)));
        QCOMPARE(Cell(*run, 3, Column::kLimits), QStringLiteral("4 to 6 W"));
        QCOMPARE(run->stepsTable()->item(3, Column::kLimits)->toolTip(), QStringLiteral("4 to 6 W"));
        QVERIFY(!run->promptPanel()->isVisible());
        QVERIFY(EndButtonsShown(*run));
        QVERIFY(run->openReportButton()->isEnabled());
        run->openReportButton()->click();
        QCOMPARE(reportsOpened, std::vector<std::string>{run->runner().record().backupPath});
        // The technician widens the step column: the next run's window keeps it.
        run->stepsTable()->horizontalHeader()->resizeSection(Column::kStep, 377);
        // Who ran it is asked with the last run's answers, but never the radio it ran on.
        QFile kept(QString::fromStdString(root.app().profMain().FullPath()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        const QByteArray settingsText = kept.readAll();
        QVERIFY(settingsText.contains("[PROCEDURE]\r\nTechnician=A. Technician\r\nWorkOrder=WO-3"));
        QVERIFY(!settingsText.contains("SN 7"));

        // Stop in the middle of a wait: the wait is aborted, the rest skipped, and the verdict
        // ABORTED, never a failure.
        const QString waiting = WriteFile(
            dir, "w.toml",
            "[[step]]\nname = \"Warm-up\"\nkind = \"wait\"\nseconds = 600\n"
            "[[step]]\nname = \"Supply\"\nkind = \"check\"\nreading = \"VIN\"\nmin = 7.0\n"
            "max = 8.0\n");
        run = menu.Run(waiting.toStdString(), {"A. Technician", "SN 8", "WO-3"});
        QVERIFY(run != nullptr);
        QCOMPARE(run->columnWidths().at(Column::kStep), 377);
        QTRY_COMPARE_WITH_TIMEOUT(Cell(*run, 0, Column::kState), QStringLiteral("running"), kRunMs);
        run->stopButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(run->runner().finished(), kRunMs);
        QCOMPARE(run->stateLabel()->text(), QStringLiteral("ABORTED"));
        QVERIFY(BannerIn(*run, RunVerdict::Aborted));
        QVERIFY(run->reasonLabel()->text().startsWith(QStringLiteral("stopped by the technician")));
        QCOMPARE(Cell(*run, 0, Column::kState), QStringLiteral("ABORTED"));
        QCOMPARE(Cell(*run, 1, Column::kState), QStringLiteral("not run"));
        QVERIFY(run->countsLabel()->text().startsWith(
            QStringLiteral("0 passed, 1 aborted, 1 not run in ")));
        QVERIFY(EndButtonsShown(*run));

        // Run again: the same file for the same radio in a new window. Closing the program
        // during that run stops the run first, then closes.
        QPointer<qt::ProcedureWindow> stopped = run;
        run->runAgainButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(stopped.isNull(), kRunMs);
        run = menu.procedureWindow();
        QVERIFY(run != nullptr);
        QCOMPARE(run->runner().record().serialNumber, std::string("SN 8"));
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(Cell(*run, 0, Column::kState), QStringLiteral("running"), kRunMs);
        window.close();
        QVERIFY(window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), kRunMs);
        QVERIFY(run->runner().finished());
        root.Close();
    }

    // The run details: the last technician and work order offered, the serial number typed for
    // each radio; OK only once a technician and a serial number are given.
    // The radio's line goes dead while the run waits at a prompt with the generator's RF on,
    // and nobody is at the bench to press OK on the program's message box: the run ends first
    // (ERROR, RF off within 5 s, what the radio holds said under the verdict and at the main
    // window's foot), and the box comes after it, left open until the technician is back.
    void aRadioLostAtAPromptEndsTheRunBeforeAnyBox() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        qt::testing::VirtualRadio radio({QStringLiteral("--baud"), QStringLiteral("115200")});
        qt::testing::VirtualRadio instruments({QStringLiteral("--monitor"), QStringLiteral("0")});
        QVERIFY(!instruments.monitor().isEmpty());
        ProgramRoot root(dir.filePath(QStringLiteral("lock")));
        root.bindings().Bind(1, radio.device().toStdString());
        IniFileStore settings(dir.path().toStdString());
        qt::MainWindow window;
        qt::QtMessageBox messageBox;
        qt::QtBeeper beeper;
        QVERIFY(root.Start(FrontEnd{settings, messageBox, beeper, window.controls(), true}));
        qt::BindMainWindow(window, root.app().main());
        qt::BindRunStatus(window, root.app().main(), root.station());
        qt::ProcedureMenu menu(window, root.app(), root.station(), settings, messageBox);
        const QString file = WriteFile(
            dir, "p.toml",
            "[bench]\ngenerator = \"" + instruments.monitor().toLatin1() + "\"\n"
            "[[step]]\nkind = \"generator\"\nfrequency = \"rx\"\nlevel_dbm = -47.0\nrf = true\n"
            "[[step]]\nkind = \"prompt\"\ntext = \"Leave the bench.\"\n");
        qt::ProcedureWindow* run = menu.Run(file.toStdString(), {"A. Technician", "SN 9", "WO-9"});
        QVERIFY(run != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(run->okButton()->isVisible(), kRunMs);
        QCOMPARE(instruments.AskMonitor("OUTP?"), QByteArray("1"));
        QVERIFY(window.runStatus().contains(QStringLiteral("a procedure run is using the radio")));

        // Watched from a timer, which also runs inside the message box's own event loop.
        QElapsedTimer sinceLost;
        qint64 rfOffMs = -1;
        qint64 endedMs = -1;
        qint64 boxMs = -1;
        QString boxText;
        QTimer watch;
        watch.setInterval(100);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            if (rfOffMs < 0 && instruments.AskMonitor("OUTP?") == "0") rfOffMs = sinceLost.elapsed();
            if (endedMs < 0 && run->runner().finished()) endedMs = sinceLost.elapsed();
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            if (boxMs < 0) {
                boxMs = sinceLost.elapsed();
                boxText = box->text();
            }
            // The technician is back.
            if (sinceLost.elapsed() - boxMs > 5000) box->done(QMessageBox::Ok);
        });
        watch.start();
        sinceLost.start();
        radio.Kill();
        QTRY_VERIFY_WITH_TIMEOUT(boxMs >= 0 && QApplication::activeModalWidget() == nullptr, kRunMs);
        QVERIFY2(rfOffMs >= 0 && rfOffMs <= 5000, qPrintable(QString::number(rfOffMs)));
        QVERIFY(endedMs >= 0 && endedMs <= boxMs);
        QVERIFY2(boxText.contains(QStringLiteral("COM")), qPrintable(boxText));
        QVERIFY(run->stateLabel()->text().startsWith(QStringLiteral("ERROR")));
        QVERIFY2(run->holdsLabel()->text().contains(QStringLiteral("generator RF off")),
                 qPrintable(run->holdsLabel()->text()));
        QVERIFY(window.runStatus().startsWith(QStringLiteral("Procedure run ERROR")));
        QVERIFY(window.runStatus().contains(run->holdsLabel()->text()));
        root.Close();
    }

    void runDetailsAskForEachRadiosSerialNumber() {
        qt::RunInfoDialog dialog({"Ann Tech", "SN 4F12", "WO-9"});
        QCOMPARE(dialog.technicianEdit()->text(), QStringLiteral("Ann Tech"));
        QCOMPARE(dialog.workOrderEdit()->text(), QStringLiteral("WO-9"));
        QCOMPARE(dialog.serialEdit()->text(), QString());
        const struct {
            const char* technician;
            const char* serial;
            bool ok;
        } cases[] = {
            {"Ann Tech", "", false},
            {"Ann Tech", "   ", false},
            {"Ann Tech", " SN 4F13 ", true},
            {" ", "SN 4F13", false},
            {"B", "SN 4F13", true},
        };
        for (const auto& c : cases) {
            dialog.technicianEdit()->setText(QString::fromLatin1(c.technician));
            dialog.serialEdit()->setText(QString::fromLatin1(c.serial));
            QCOMPARE(dialog.okButton()->isEnabled(), c.ok);
        }
        dialog.technicianEdit()->setText(QStringLiteral(" Ann Tech "));
        dialog.serialEdit()->setText(QStringLiteral(" SN 4F13 "));
        QCOMPARE(dialog.info().technician, std::string("Ann Tech"));
        QCOMPARE(dialog.info().serialNumber, std::string("SN 4F13"));
    }

    // Runs that fail, each against the banner, the reason naming every failed step, the
    // counts and the tinted rows.
    void eachFailureInItsBanner() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        ProgramRoot root(dir.filePath(QStringLiteral("lock")));
        IniFileStore settings(dir.path().toStdString());
        qt::MainWindow window;
        FakeMessageBox messageBox;
        qt::QtBeeper beeper;
        QVERIFY(root.Start(FrontEnd{settings, messageBox, beeper, window.controls()}));
        std::string error;
        QVERIFY2(root.StartSimulator({"--baud", "115200"}, error), error.c_str());
        qt::BindMainWindow(window, root.app().main());
        qt::ProcedureMenu menu(window, root.app(), root.station(), settings,
                               messageBox);
        const QByteArray failing = "kind = \"check\"\nreading = \"VIN\"\nmin = 9.0\nmax = 10.0\n";
        const QByteArray passing = "kind = \"check\"\nreading = \"VIN\"\nmin = 7.0\nmax = 8.0\n";
        const struct {
            const char* name;
            QByteArray steps;
            const char* reason;
            const char* counts;
            QStringList states;
        } cases[] = {
            {"every failed step named",
             "[[step]]\ncontinue_on_fail = true\n" + failing +
                 "[[step]]\ncontinue_on_fail = true\n" + failing + "[[step]]\n" + failing +
                 "[[step]]\n" + passing,
             "steps 1, 2 and 3 failed", "0 passed, 3 failed, 1 not run",
             {"FAIL", "FAIL", "FAIL", "not run"}},
            {"a failure the run went on after",
             "[[step]]\n" + passing + "[[step]]\ncontinue_on_fail = true\n" + failing +
                 "[[step]]\n" + passing,
             "step 2 failed", "2 passed, 1 failed", {"PASS", "FAIL", "PASS"}},
        };
        for (const auto& c : cases) {
            const QString file = WriteFile(dir, "f.toml", c.steps);
            qt::ProcedureWindow* run = menu.Run(file.toStdString(), {"Ann", "SN 1", "WO-1"});
            QVERIFY2(run != nullptr, c.name);
            QTRY_VERIFY_WITH_TIMEOUT(run->runner().finished(), kRunMs);
            QCOMPARE(run->stateLabel()->text(), QStringLiteral("FAIL"));
            QVERIFY2(BannerIn(*run, RunVerdict::Fail), c.name);
            QCOMPARE(run->reasonLabel()->text(), QString::fromLatin1(c.reason));
            QVERIFY2(run->countsLabel()->text().startsWith(QString::fromLatin1(c.counts)),
                     qPrintable(run->countsLabel()->text()));
            for (int row = 0; row < c.states.size(); ++row) {
                QCOMPARE(Cell(*run, row, Column::kState), c.states[row]);
                const bool tinted = c.states[row] == QStringLiteral("FAIL");
                const QBrush background = run->stepsTable()->item(row, Column::kStep)->background();
                if (tinted) {
                    QCOMPARE(background.color(),
                             QColor(QLatin1String(OutcomeRowTint(StepOutcome::Fail))));
                } else {
                    QCOMPARE(background.style(), Qt::NoBrush);
                }
            }
        }
        // Bench settings that refuse an instrument out of calibration: nothing starts, the
        // message says which and why, and the bench is not held.
        instruments::BenchSetup refusing;
        refusing.calibrationPolicy = instruments::CalibrationPolicy::Refuse;
        root.benchStation().UseCalibrationOf(refusing);
        const QString measuring = WriteFile(
            dir, "m.toml", "[[step]]\nkind = \"measure\"\nquantity = \"power\"\nmin = 0\n");
        const std::size_t shown = messageBox.shown.size();
        QVERIFY(menu.Run(measuring.toStdString(), {"Ann", "SN 1", "WO-1"}) == nullptr);
        QCOMPARE(messageBox.shown.size(), shown + 1);
        const std::string& refusal = messageBox.shown.back().text;
        QVERIFY2(refusal.find("(calibration_check=refuse); nothing was started") != std::string::npos &&
                     refusal.find("power meter calibration date not given") != std::string::npos,
                 refusal.c_str());
        QVERIFY(root.benchStation().heldBy().empty());
        root.Close();
    }

    // No radio behind the port: the run ends in an error of the radio link, whose message
    // and checklist wrap inside a window that keeps within the screen. A run without a
    // backup has no report to open.
    void aLinkErrorWrapsWithinTheScreen() {
        QTemporaryDir dir;
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toLocal8Bit());
        ProgramRoot root(dir.filePath(QStringLiteral("lock")));
        root.bindings().Bind(1, dir.filePath(QStringLiteral("no-such-port")).toStdString());
        IniFileStore settings(dir.path().toStdString());
        qt::MainWindow window;
        FakeMessageBox messageBox;
        qt::QtBeeper beeper;
        QVERIFY(root.Start(FrontEnd{settings, messageBox, beeper, window.controls()}));
        qt::BindMainWindow(window, root.app().main());
        qt::ProcedureMenu menu(window, root.app(), root.station(), settings,
                               messageBox);
        menu.setReportOpener([](const std::string&) {});
        const QString file = WriteFile(
            dir, "p.toml", "[[step]]\nkind = \"prompt\"\ntext = \"Connect the monitor.\"\n");
        qt::ProcedureWindow* run = menu.Run(file.toStdString(), {"Ann", "SN 1", "WO-1"});
        QVERIFY(run != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(run->runner().finished(), kRunMs);
        QCOMPARE(run->stateLabel()->text(), QStringLiteral("ERROR"));
        QVERIFY(BannerIn(*run, RunVerdict::Error));
        const QString reason = run->reasonLabel()->text();
        QVERIFY2(reason.startsWith(QStringLiteral("the radio link failed: Cannot access COM 1.")),
                 qPrintable(reason));
        QVERIFY(reason.contains(QStringLiteral("Transceiver power is ON")));
        QCOMPARE(Cell(*run, 0, Column::kState), QStringLiteral("not run"));
        QVERIFY(EndButtonsShown(*run));
        QVERIFY(!run->openReportButton()->isEnabled());

        const int screenWidth = run->screen()->availableGeometry().width();
        const QFontMetrics metrics(run->reasonLabel()->font());
        QVERIFY2(metrics.horizontalAdvance(reason) > screenWidth, "the message is not long");
        QVERIFY(run->width() <= screenWidth);
        QTRY_VERIFY(run->reasonLabel()->height() >= 2 * metrics.lineSpacing());
        QVERIFY(run->closeButton()->geometry().right() <= run->width());
        root.Close();
    }
};

QS_QT_TEST(qt_procedure_window_tests, ProcedureWindowTest)
#include "procedure_window_test.moc"
