// The procedure window once on the offscreen platform: the whole program as the desktop
// builds it (composition root, virtual radio and monitor of --simulate), File > Run
// procedure... with a prompt answered OK, a question answered Yes, a reading and a
// measurement judged; then a run stopped in its wait.
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

#include "qt_test_main.h"
#include "desktop/main_window.h"
#include "desktop/procedure_menu.h"
#include "desktop/qt_alerts.h"
#include "desktop/window_binding.h"
#include "program/program_root.h"
#include "shell/application.h"
#include "shell/ini_file_store.h"

using namespace qs;

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
        qt::ProcedureMenu menu(window, root.app(), root.safety(), root.benchStation(), settings,
                               messageBox);
        QCOMPARE(menu.runAction()->text(), QStringLiteral("Run &procedure..."));

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

        QTRY_VERIFY_WITH_TIMEOUT(run->okButton()->isVisible(), kRunMs);
        QCOMPARE(run->questionLabel()->text(), QStringLiteral("Step 1: Connect the monitor."));
        QCOMPARE(Cell(*run, 0, 2), QStringLiteral("running"));
        QVERIFY(!run->yesButton()->isVisible());
        run->okButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(run->yesButton()->isVisible(), kRunMs);
        QVERIFY(!run->okButton()->isVisible());
        run->yesButton()->click();

        QTRY_VERIFY_WITH_TIMEOUT(run->runner().finished(), kRunMs);
        QCOMPARE(run->stateLabel()->text(), QStringLiteral("PASS"));
        for (int row = 0; row < 4; ++row) QCOMPARE(Cell(*run, row, 2), QStringLiteral("PASS"));
        QCOMPARE(Cell(*run, 3, 3), QStringLiteral("4.92 W"));
        QCOMPARE(Cell(*run, 3, 4), QStringLiteral("4 to 6 W"));
        QVERIFY(!run->stopButton()->isEnabled());
        // Who ran it is asked with the last run's answers.
        QFile kept(QString::fromStdString(root.app().profMain().FullPath()));
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QVERIFY(kept.readAll().contains("[PROCEDURE]\r\nTechnician=A. Technician\r\nSerialNumber=SN 7"));

        // Stop in the middle of a wait: the wait is aborted, the rest skipped, and the verdict
        // ABORTED, never a failure.
        const QString waiting = WriteFile(
            dir, "w.toml",
            "[[step]]\nname = \"Warm-up\"\nkind = \"wait\"\nseconds = 600\n"
            "[[step]]\nname = \"Supply\"\nkind = \"check\"\nreading = \"VIN\"\nmin = 7.0\n"
            "max = 8.0\n");
        run = menu.Run(waiting.toStdString(), {"A. Technician", "SN 8", "WO-3"});
        QVERIFY(run != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(Cell(*run, 0, 2), QStringLiteral("running"), kRunMs);
        run->stopButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(run->runner().finished(), kRunMs);
        QVERIFY(run->stateLabel()->text().startsWith(
            QStringLiteral("ABORTED: stopped by the technician")));
        QCOMPARE(Cell(*run, 0, 2), QStringLiteral("ABORTED"));
        QCOMPARE(Cell(*run, 1, 2), QString());

        // Closing the program during a run stops the run first, then closes.
        run = menu.Run(waiting.toStdString(), {"A. Technician", "SN 9", "WO-3"});
        QVERIFY(run != nullptr);
        window.show();
        QTRY_COMPARE_WITH_TIMEOUT(Cell(*run, 0, 2), QStringLiteral("running"), kRunMs);
        window.close();
        QVERIFY(window.isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!window.isVisible(), kRunMs);
        QVERIFY(run->runner().finished());
        root.Close();
    }
};

QS_QT_TEST(qt_procedure_window_tests, ProcedureWindowTest)
#include "procedure_window_test.moc"
