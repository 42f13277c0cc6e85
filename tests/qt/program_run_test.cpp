// Runs of the built program: qs71dr-adj itself for its command line, and its test build, whose
// window the automation drives, each from a copy in a temporary folder with a config folder
// inside it, so that its settings file and its single-instance lock are its own.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "qt_test_main.h"
#include "automation.h"

namespace {

constexpr int kRunTimeoutMs = 60000;

class ProgramCopy {
public:
    ProgramCopy() {
        path_ = dir_.filePath(QStringLiteral("qs71dr-adj"));
        ok_ = QFile::copy(QStringLiteral(QS_ADJ_AUTOMATED), path_);
    }
    bool ok() const { return ok_ && dir_.isValid(); }
    const QString& path() const { return path_; }
    QString configFolder() const { return dir_.filePath(QStringLiteral("config")); }
    QString settingsFile() const {
        return dir_.filePath(QStringLiteral("config/qs71dr-adj/RW5120A.rs"));
    }
    // Where earlier versions kept it.
    QString besideProgram() const { return dir_.filePath(QStringLiteral("RW5120A.rs")); }
    QByteArray settings() const {
        QFile file(settingsFile());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Starts the copy with the automation actions (empty: none).
    void Start(QProcess& process, const QString& actions, const QStringList& args = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder());
        // The backups and service records of the run stay in its folder.
        env.insert(QStringLiteral("XDG_DATA_HOME"), dir_.filePath(QStringLiteral("data")));
        if (actions.isEmpty()) {
            env.remove(QString::fromLatin1(qs::qt::Automation::kEnvironmentVariable));
        } else {
            env.insert(QString::fromLatin1(qs::qt::Automation::kEnvironmentVariable), actions);
        }
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir_.path());
        process.start(path_, args);
    }

private:
    QTemporaryDir dir_;
    QString path_;
    bool ok_ = false;
};

// Runs to the end and returns stdout; stderr and the exit code through the pointers.
QByteArray RunToEnd(QProcess& process, QByteArray* err = nullptr, int* code = nullptr) {
    const bool finished = process.waitForFinished(kRunTimeoutMs);
    if (!finished) process.kill();
    if (err != nullptr) *err = process.readAllStandardError();
    if (code != nullptr) *code = finished ? process.exitCode() : -1;
    return process.readAllStandardOutput();
}

// True once the process has printed `text`; keeps what it read, so it can be asked again.
class OutputWatch {
public:
    explicit OutputWatch(QProcess& process) : process_(process) {}
    bool Contains(const char* text) {
        seen_ += process_.readAllStandardOutput();
        return seen_.contains(text);
    }

private:
    QProcess& process_;
    QByteArray seen_;
};

}  // namespace

class ProgramRunTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void helpVersionAndBadOptions() {
        QProcess help;
        help.start(QStringLiteral(QS_ADJ_PROGRAM), {QStringLiteral("--help")});
        int code = -1;
        const QByteArray helpText = RunToEnd(help, nullptr, &code);
        QCOMPARE(code, 0);
        QVERIFY(helpText.contains("--port N=DEVICE"));
        QVERIFY(helpText.contains("--simulate"));

        QProcess version;
        version.start(QStringLiteral(QS_ADJ_PROGRAM), {QStringLiteral("--version")});
        QVERIFY(RunToEnd(version, nullptr, &code).startsWith("qs71dr-adj "));
        QCOMPARE(code, 0);

        // Qt's own options are Qt's, in either spelling; -h and --help-all are help too.
        for (const QStringList& args : {QStringList{"-h"}, QStringList{"-platform", "offscreen",
                                                                      "--help"}}) {
            QProcess other;
            other.start(QStringLiteral(QS_ADJ_PROGRAM), args);
            QCOMPARE(RunToEnd(other, nullptr, &code), helpText);
            QCOMPARE(code, 0);
        }
        QProcess helpAll;
        helpAll.start(QStringLiteral(QS_ADJ_PROGRAM), {QStringLiteral("--help-all")});
        const QByteArray helpAllText = RunToEnd(helpAll, nullptr, &code);
        QCOMPARE(code, 0);
        QVERIFY(helpAllText.startsWith(helpText));
        QVERIFY(helpAllText.contains("  -platform NAME[:OPTIONS]"));

        const QList<QStringList> badOnes = {{"--frobnicate"},
                                            {"--port"},
                                            {"--port", "0=/dev/x"},
                                            {"--sim-fault", "hang-up"},
                                            {"-platform", "offscreen", "stray"}};
        for (const QStringList& args : badOnes) {
            QProcess bad;
            bad.start(QStringLiteral(QS_ADJ_PROGRAM), args);
            QByteArray err;
            const QByteArray out = RunToEnd(bad, &err, &code);
            QCOMPARE(code, 2);
            QVERIFY(out.isEmpty());
            QVERIFY2(err.startsWith("qs71dr-adj: "), err.constData());
            QVERIFY(err.contains("--help"));
        }
    }

    void theShippedProgramTakesNoOrdersFromItsEnvironment() {
        QTemporaryDir scratch;
        QProcess shipped;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("TMPDIR"), scratch.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), scratch.filePath(QStringLiteral("config")));
        env.insert(QStringLiteral("XDG_DATA_HOME"), scratch.filePath(QStringLiteral("data")));
        env.insert(QString::fromLatin1(qs::qt::Automation::kEnvironmentVariable),
                   QStringLiteral("report;close"));
        shipped.setProcessEnvironment(env);
        shipped.start(QStringLiteral(QS_ADJ_PROGRAM), QStringList{});
        QVERIFY(shipped.waitForStarted(kRunTimeoutMs));
        // The test build would have reported and closed within half a second.
        QVERIFY(!shipped.waitForFinished(4 * qs::qt::Automation::kStepIntervalMs));
        QVERIFY(!shipped.readAllStandardOutput().contains("caption="));
        shipped.terminate();
        QVERIFY(shipped.waitForFinished(kRunTimeoutMs));
        QCOMPARE(shipped.exitCode(), 0);
    }

    void settingsSurviveARestart() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QProcess first;
        // Qt's own options, in either spelling, are left to Qt and the program runs as usual.
        copy.Start(first, QStringLiteral("report;menu:COM &2;menu:&3 sec;close"),
                   {QStringLiteral("--platform"), QStringLiteral("offscreen"),
                    QStringLiteral("-name"), QStringLiteral("bench")});
        int code = -1;
        const QByteArray firstOut = RunToEnd(first, nullptr, &code);
        QCOMPARE(code, 0);
        // No settings file yet: COM 1 and release off.
        QVERIFY2(firstOut.contains("checked=COM &1\n"), firstOut.constData());
        QVERIFY(firstOut.contains("checked=&OFF\n"));
        QVERIFY(firstOut.contains("hold-ms=0\n"));
        const QByteArray saved = copy.settings();
        QVERIFY2(saved.contains("[OPTION]"), saved.constData());
        QVERIFY(saved.contains("ComPort=2"));
        QVERIFY(saved.contains("ComAutoRelease=3"));

        QProcess second;
        copy.Start(second, QStringLiteral("report;close"));
        const QByteArray out = RunToEnd(second, nullptr, &code);
        QCOMPARE(code, 0);
        QVERIFY2(out.contains("checked=COM &2\n"), out.constData());
        QVERIFY(!out.contains("checked=COM &1\n"));
        QVERIFY(out.contains("checked=&3 sec\n"));
        QVERIFY(out.contains("hold-ms=3000\n"));
        QVERIFY(out.contains("port-label=COM 2: CLOSE\n"));
    }

    void oldSettingsBesideTheProgramAreCarriedOver() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        const QByteArray old = "[OPTION]\r\nComPort=3\r\nComAutoRelease=0\r\n";
        QFile oldFile(copy.besideProgram());
        QVERIFY(oldFile.open(QIODevice::WriteOnly));
        oldFile.write(old);
        oldFile.close();

        QProcess run;
        copy.Start(run, QStringLiteral("report;menu:COM &4;close"));
        QByteArray err;
        int code = -1;
        const QByteArray out = RunToEnd(run, &err, &code);
        QCOMPARE(code, 0);
        QVERIFY2(out.contains("checked=COM &3\n"), out.constData());
        QVERIFY2(err.contains("settings carried over from "), err.constData());
        // The new choice went to the config folder; the old file is left as it was.
        QVERIFY(copy.settings().contains("ComPort=4"));
        QVERIFY(oldFile.open(QIODevice::ReadOnly));
        QCOMPARE(oldFile.readAll(), old);
    }

    void secondCopyIsRefusedAndTheFirstRunsOn() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QProcess first;
        copy.Start(first, QStringLiteral("report"));
        QVERIFY(first.waitForStarted(kRunTimeoutMs));
        OutputWatch firstOut(first);
        QTRY_VERIFY_WITH_TIMEOUT(firstOut.Contains("caption="), kRunTimeoutMs);

        QProcess second;
        copy.Start(second, QStringLiteral("report;close"));
        QByteArray err;
        int code = -1;
        const QByteArray out = RunToEnd(second, &err, &code);
        QCOMPARE(code, 1);
        QVERIFY2(err.contains("Cannot execute QS-71DR ADJ Rev.1.0 repeatedly.\n"
                              "QS-71DR ADJ Rev.1.0 is already executing.\n"),
                 err.constData());
        QVERIFY(!out.contains("caption="));
        // The refused copy wrote no settings, and the first still runs.
        QVERIFY(!QFile::exists(copy.settingsFile()));
        QCOMPARE(first.state(), QProcess::Running);

        // Ended the ordinary way, the first copy still saves its settings.
        first.terminate();
        QVERIFY(first.waitForFinished(kRunTimeoutMs));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);
        QVERIFY(copy.settings().contains("ComPort=1"));
    }

    // --simulate starts the virtual radio with its service monitor and binds every role of the
    // bench to it, whatever the settings file names; View > Bench opens on it.
    void simulateBindsEveryBenchRoleToTheVirtualMonitor() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QVERIFY(QDir().mkpath(QFileInfo(copy.settingsFile()).path()));
        QFile settings(copy.settingsFile());
        QVERIFY(settings.open(QIODevice::WriteOnly));
        settings.write("[BENCH]\r\ngenerator=TCPIP::10.9.9.9::5025::SOCKET\r\n");
        settings.close();

        QProcess run;
        copy.Start(run, QStringLiteral("menu:&Bench;pause;report;close"),
                   {QStringLiteral("--simulate")});
        int code = -1;
        QByteArray err;
        const QByteArray out = RunToEnd(run, &err, &code);
        QCOMPARE(code, 0);
        const QRegularExpression bound(
            QStringLiteral("bench-(\\w+)=(TCPIP::127\\.0\\.0\\.1::\\d+::SOCKET)\n"));
        QSet<QString> roles;
        QSet<QString> addresses;
        for (auto it = bound.globalMatch(QString::fromLatin1(out)); it.hasNext();) {
            const QRegularExpressionMatch m = it.next();
            roles << m.captured(1);
            addresses << m.captured(2);
        }
        QCOMPARE(roles.size(), 4);
        QCOMPARE(addresses.size(), 1);
        QVERIFY2(out.contains("window=Bench - QS-71DR ADJ\n"), out.constData());
        // The settings keep the technician's own instrument.
        QVERIFY(copy.settings().contains("generator=TCPIP::10.9.9.9::5025::SOCKET"));
    }

    void aCrashedCopyDoesNotBlockTheNext() {
        ProgramCopy copy;
        QVERIFY(copy.ok());
        QProcess crashed;
        copy.Start(crashed, QStringLiteral("report"));
        OutputWatch crashedOut(crashed);
        QTRY_VERIFY_WITH_TIMEOUT(crashedOut.Contains("caption="), kRunTimeoutMs);
        crashed.kill();
        QVERIFY(crashed.waitForFinished(kRunTimeoutMs));

        QProcess next;
        copy.Start(next, QStringLiteral("report;close"));
        int code = -1;
        const QByteArray out = RunToEnd(next, nullptr, &code);
        QCOMPARE(code, 0);
        QVERIFY(out.contains("caption=QS-71DR ADJ Rev.1.0\n"));
        // Killed, it kept the settings of its previous run: none.
        QVERIFY(copy.settings().contains("ComPort=1"));
    }
};

QS_QT_TEST(qt_program_run_tests, ProgramRunTest)
#include "program_run_test.moc"
