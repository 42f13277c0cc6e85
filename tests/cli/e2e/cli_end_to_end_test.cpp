// End to end: the built qs71dr-cli against qt71dr-sim, each a process of its own, over the
// virtual radio's pseudo-terminal. Every run gets its own temporary folder (single-instance
// lock) and data folder (backups and journals).
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QProcess>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>

#include "qtcore/qt_instance_lock.h"

namespace {

constexpr int kStartMs = 15000;
constexpr int kRunMs = 120000;
const QString kCli = QStringLiteral(QS_CLI_PROGRAM);
const QString kSim = QStringLiteral(QS_SIM_PROGRAM);

// Fast, yet slow enough that a busy machine never lets the receive buffer overflow.
constexpr const char* kBaud = "115200";

// qt71dr-sim with its frame log in a file (a pipe nobody empties while the
// program runs would fill up and stop the radio).
class VirtualRadio {
public:
    explicit VirtualRadio(const QStringList& extraArgs = {}) {
        logPath_ = logDir_.filePath(QStringLiteral("radio.log"));
        process_.setStandardErrorFile(logPath_);
        process_.setProgram(kSim);
        process_.setArguments(QStringList{QStringLiteral("--verbose"), QStringLiteral("--baud"),
                                          QString::fromLatin1(kBaud)} +
                              extraArgs);
        process_.start();
        QDeadlineTimer deadline(kStartMs);
        while (!process_.canReadLine() && !deadline.hasExpired() &&
               process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
        }
        device_ = QString::fromLocal8Bit(process_.readLine()).trimmed();
    }
    ~VirtualRadio() { Stop(); }
    const QString& device() const { return device_; }
    const QByteArray& log() {
        QFile file(logPath_);
        if (file.open(QIODevice::ReadOnly)) log_ = file.readAll();
        return log_;
    }
    int Count(const QByteArray& text) { return static_cast<int>(log().count(text)); }
    // SIGTERM, so the radio saves its image when asked to.
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(kStartMs)) process_.kill();
        log();
    }

private:
    QTemporaryDir logDir_;
    QString logPath_;
    QProcess process_;
    QString device_;
    QByteArray log_;
};

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

CliRun RunCli(const QStringList& args, const QByteArray& input = {}) {
    QProcess process;
    process.start(kCli, args);
    process.write(input);
    process.closeWriteChannel();
    CliRun run;
    if (!process.waitForFinished(kRunMs)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

QStringList On(const VirtualRadio& radio, QStringList args) {
    return QStringList{QStringLiteral("--port"), radio.device()} + args;
}

QJsonObject Json(const CliRun& run) {
    return QJsonDocument::fromJson(run.out).object();
}

QString BackupFolder() {
    return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/qs71dr-adj/backups");
}

#define EXPECT_HAS(haystack, needle) \
    EXPECT_TRUE(QByteArray(haystack).contains(needle)) << (haystack).constData()

TEST(CliEndToEnd, IdentifyPrintsTheCodesAndReadsNothing) {
    VirtualRadio radio;
    const CliRun run = RunCli(On(radio, {QStringLiteral("identify")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(run.out, "Model code: 3017\nSub code: 0102\nAccepted: yes\n");
    EXPECT_EQ(radio.Count("program -> radio: FE FE EE EF E0"), 1);
    EXPECT_EQ(radio.Count("program -> radio: FE FE EE EF E2"), 0);
}

TEST(CliEndToEnd, IdentifyOfARefusedSubCodeSaysSoAndFails) {
    VirtualRadio radio({QStringLiteral("--fault"), QStringLiteral("refused-sub")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("identify")}));
    EXPECT_EQ(run.status, 1);
    const QJsonObject json = Json(run);
    EXPECT_EQ(json.value(QStringLiteral("subCode")).toString(), QStringLiteral("0200"));
    EXPECT_FALSE(json.value(QStringLiteral("accepted")).toBool(true));
    EXPECT_FALSE(run.err.isEmpty());
}

TEST(CliEndToEnd, ReadImageEqualsTheImageTheRadioSaves) {
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("radio.bin"));
    const QString read = dir.filePath(QStringLiteral("read.bin"));
    VirtualRadio radio({QStringLiteral("--save-image"), saved, QStringLiteral("--arrival"),
                        QStringLiteral("chunks")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("read"), QStringLiteral("--image"), read,
                                         QStringLiteral("--backup")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_HAS(run.out, "Read 32112 bytes");
    EXPECT_HAS(run.out, "Backup: " + BackupFolder().toLocal8Bit());
    // Standard error is no terminal here: no progress bar.
    EXPECT_FALSE(run.err.contains("Reading the radio"));
    radio.Stop();
    QFile a(read);
    QFile b(saved);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    const QByteArray image = a.readAll();
    EXPECT_EQ(image.size(), 32112);
    EXPECT_TRUE(image == b.readAll());
}

TEST(CliEndToEnd, ParamsPrintsTheParameterPage) {
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("bursts")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("params")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_HAS(run.out, "POW HI Level:  200\n");
    EXPECT_FALSE(run.out.contains('\r'));
}

TEST(CliEndToEnd, ReadingsGiveEachRowsLabelRawAndConvertedValue) {
    VirtualRadio radio({QStringLiteral("--wobble"), QStringLiteral("0"), QStringLiteral("--arrival"),
                        QStringLiteral("chunks")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("readings")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    const QJsonObject json = Json(run);
    const QJsonArray ad = json.value(QStringLiteral("ad")).toArray();
    const QJsonArray da = json.value(QStringLiteral("da")).toArray();
    ASSERT_EQ(ad.size(), 4);
    EXPECT_EQ(da.size(), 9);
    const QJsonObject vin = ad.at(0).toObject();
    EXPECT_EQ(vin.value(QStringLiteral("label")).toString(), QStringLiteral("VIN"));
    EXPECT_EQ(vin.value(QStringLiteral("raw")).toInt(), 191);
    EXPECT_EQ(vin.value(QStringLiteral("converted")).toString(), QStringLiteral("7.49V"));
}

TEST(CliEndToEnd, SetSendsTheValuesWithTheBalanceMirrorsAndJournalsThem) {
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("bursts")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("set"),
                                         QStringLiteral("Power(Hi)=150"),
                                         QStringLiteral("bal=120")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(radio.Count("POW HI = 150 at 168"), 1) << radio.log().constData();
    EXPECT_GE(radio.Count("BAL = 120 at 106"), 1) << radio.log().constData();
    EXPECT_EQ(radio.Count("BAL mirror = 120 at 113"), 1);
    EXPECT_EQ(radio.Count("BAL mirror = 120 at 99"), 1);
    EXPECT_EQ(radio.Count("BAL mirror = 120 at 120"), 1);
    QFile journal(Json(run).value(QStringLiteral("journal")).toString());
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly));
    const QByteArray lines = journal.readAll();
    EXPECT_HAS(lines, "\tPower(Hi)\t200\t150\t");

    // The alignment report of that connection, from its files alone; an existing file is
    // kept unless --force is given.
    const QString backup = Json(run).value(QStringLiteral("backup")).toString();
    const QString html = QFileInfo(backup).dir().filePath(QStringLiteral("report.html"));
    const CliRun report = RunCli({QStringLiteral("report"), backup, html});
    ASSERT_EQ(report.status, 0) << report.err.constData();
    QFile page(html);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly));
    const QByteArray text = page.readAll();
    EXPECT_HAS(text, "Power(Hi)");
    EXPECT_HAS(text, "150");
    // The readings of the connection were recorded beside its journal.
    EXPECT_FALSE(text.contains("none recorded")) << text.constData();
    const CliRun again = RunCli({QStringLiteral("--json"), QStringLiteral("report"), backup, html});
    EXPECT_EQ(again.status, 1);
    EXPECT_FALSE(Json(again).value(QStringLiteral("ok")).toBool()) << again.out.constData();
    EXPECT_EQ(RunCli({QStringLiteral("report"), backup, html, QStringLiteral("--force")}).status, 0);
}

TEST(CliEndToEnd, SweepOfBothFiltersEndsOnEachPlateau) {
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("chunks")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("sweep"),
                                         QStringLiteral("bpf-all")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    const QJsonArray items = Json(run).value(QStringLiteral("items")).toArray();
    ASSERT_EQ(items.size(), 2);
    // The radio's plateaus: 64 and 74, each 4 either side. On a quiet machine the sweep ends
    // in their middles; a late answer under heavy load may move it by a step.
    const int peaks[2] = {64, 74};
    for (int i = 0; i < 2; ++i) {
        const QJsonObject item = items.at(i).toObject();
        EXPECT_EQ(item.value(QStringLiteral("item")).toString(),
                  i == 0 ? QStringLiteral("BPF T1") : QStringLiteral("BPF T2"));
        EXPECT_LE(std::abs(item.value(QStringLiteral("value")).toInt() - peaks[i]), 4)
            << run.out.constData();
    }
}

TEST(CliEndToEnd, LevelAdjustmentsEndAtTheRadiosKnownValues) {
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("bursts")});
    const CliRun rx = RunCli(On(radio, {QStringLiteral("level"), QStringLiteral("rx")}));
    EXPECT_EQ(rx.status, 0) << rx.err.constData();
    EXPECT_HAS(rx.out, "RX LVA = 128 ");
    const CliRun tx = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("level"),
                                        QStringLiteral("tx")}));
    EXPECT_EQ(tx.status, 0) << tx.err.constData();
    EXPECT_EQ(Json(tx).value(QStringLiteral("value")).toInt(), 166);
}

TEST(CliEndToEnd, LevelTargetOutOfReachFails) {
    VirtualRadio radio;
    const CliRun run = RunCli(On(radio, {QStringLiteral("level"), QStringLiteral("rx"),
                                         QStringLiteral("--target"), QStringLiteral("250")}));
    EXPECT_EQ(run.status, 1);
    EXPECT_HAS(run.err, "Auto Adjust Failed");
}

TEST(CliEndToEnd, RssiCapturesS3AndS1OnTwoEnterLines) {
    VirtualRadio radio;
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("rssi")}), "\n\n");
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_HAS(run.err, "feed the S3 level");
    EXPECT_HAS(run.err, "feed the S1 level");
    EXPECT_EQ(radio.Count("RSSI S3 = "), 1);
    EXPECT_EQ(radio.Count("RSSI S1 = "), 1);
    EXPECT_TRUE(Json(run).contains(QStringLiteral("s1")));

    const CliRun ended = RunCli(On(radio, {QStringLiteral("rssi")}), "\n");
    EXPECT_EQ(ended.status, 1);
    EXPECT_HAS(ended.err, "before the S1 level was captured");
}

// The line hangs up in the middle of a sweep: the message, then which operation stopped and
// what the radio holds, which is the last value the journal says was sent; the journal has
// every command the radio took.
TEST(CliEndToEnd, ASweepCutShortByAHangUpSaysWhatTheRadioHolds) {
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("chunks")});
    QProcess cli;
    cli.start(kCli, On(radio, {QStringLiteral("--json"), QStringLiteral("sweep"),
                               QStringLiteral("bpf-t1")}));
    ASSERT_TRUE(cli.waitForStarted(kStartMs));
    QDeadlineTimer deadline(kRunMs);
    while (radio.Count("BPF T1 = ") < 8 && !deadline.hasExpired() &&
           cli.state() == QProcess::Running) {
        cli.waitForFinished(20);
    }
    ASSERT_EQ(cli.state(), QProcess::Running) << cli.readAllStandardError().constData();
    radio.Stop();  // the far end of the line closes: the pseudo-terminal hangs up
    ASSERT_TRUE(cli.waitForFinished(kRunMs));
    EXPECT_EQ(cli.exitCode(), 1);
    const QByteArray err = cli.readAllStandardError();
    const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    QFile journal(json.value(QStringLiteral("journal")).toString());
    ASSERT_TRUE(journal.open(QIODevice::ReadOnly)) << err.constData();
    QList<QByteArray> sweepLines;
    for (const QByteArray& line : journal.readAll().split('\n')) {
        if (line.contains("\tBPF T1\t")) sweepLines << line;
    }
    ASSERT_FALSE(sweepLines.isEmpty());
    const QByteArray held = sweepLines.last().split('\t').at(3);
    EXPECT_HAS(err, "The band-pass sweep stopped before its end; the radio holds BPF T1 = " + held +
                        ".");
    EXPECT_TRUE(json.value(QStringLiteral("error")).toString().contains(
        QStringLiteral("the radio holds BPF T1 = ") + QString::fromLatin1(held)))
        << err.constData();
    // A frame can be on its way when the line goes: the journal has it, the radio may not.
    const int taken = radio.Count("BPF T1 = ");
    EXPECT_GE(sweepLines.size(), taken);
    EXPECT_LE(sweepLines.size(), taken + 1);
}

TEST(CliEndToEnd, ARadioThatNeverAnswersEndsInStatus1WithTheMessage) {
    VirtualRadio radio({QStringLiteral("--fault"), QStringLiteral("no-answer")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("read")}));
    EXPECT_EQ(run.status, 1);
    EXPECT_HAS(run.err, "qs71dr-cli: No answer from transceiver.\n\nCheck the following:\n"
                        "- The COM port settings.\n- Cloning cable connections.\n"
                        "- Transceiver power is ON.\n");
    EXPECT_TRUE(run.out.isEmpty());
}

TEST(CliEndToEnd, BadArgumentsEndInStatus2BeforeThePortIsOpened) {
    VirtualRadio radio;
    const QStringList cases[] = {
        {QStringLiteral("level"), QStringLiteral("up")},
        {QStringLiteral("set"), QStringLiteral("Power(Hi)=256")},
        {QStringLiteral("set"), QStringLiteral("Nothing=1")},
        {QStringLiteral("set"), QStringLiteral("RSSI=1")},
        {QStringLiteral("read"), QStringLiteral("--image"), QStringLiteral("/no/such/folder/x.bin")},
        {QStringLiteral("--trace"), QStringLiteral("/no/such/folder/t.log"), QStringLiteral("identify")},
        {QStringLiteral("--timeout"), QStringLiteral("0"), QStringLiteral("identify")},
    };
    for (const QStringList& args : cases) {
        const CliRun run = RunCli(On(radio, args));
        EXPECT_EQ(run.status, 2) << args.join(' ').toStdString();
        EXPECT_HAS(run.err, "qs71dr-cli: ");
    }
    EXPECT_EQ(radio.Count("program -> radio"), 0) << radio.log().constData();
}

TEST(CliEndToEnd, CtrlCStopsAReadAndClosesThePort) {
    VirtualRadio radio({QStringLiteral("--baud"), QStringLiteral("9600")});
    QProcess cli;
    cli.start(kCli, On(radio, {QStringLiteral("read")}));
    ASSERT_TRUE(cli.waitForStarted(kStartMs));
    QDeadlineTimer deadline(kRunMs);
    while (radio.Count("radio -> program: FE FE EF EE E4") == 0 && !deadline.hasExpired() &&
           cli.state() == QProcess::Running) {
        cli.waitForFinished(50);
    }
    ASSERT_EQ(cli.state(), QProcess::Running) << cli.readAllStandardError().constData();
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(kStartMs));
    EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(cli.exitCode(), 130);
    EXPECT_HAS(cli.readAllStandardError(), "stopped; the port is closed");
    radio.Stop();
    const QByteArray log = radio.log();
    EXPECT_GT(log.lastIndexOf("device closed"), log.lastIndexOf("program -> radio"));
}

TEST(CliEndToEnd, ARunningDesktopProgramKeepsTheCommandLineOff) {
    VirtualRadio radio;
    const QString desktop = QDir(QFileInfo(kCli).absolutePath()).filePath(QStringLiteral("qs71dr-adj"));
    QLockFile held(qs::qt::QtInstanceLock::LockFilePathFor(desktop));
    ASSERT_TRUE(held.tryLock(0));
    const CliRun run = RunCli(On(radio, {QStringLiteral("identify")}));
    EXPECT_EQ(run.status, 1);
    EXPECT_HAS(run.err, "is already executing.");
    EXPECT_EQ(radio.Count("program -> radio"), 0);
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything reads them: this run's own lock and backup folders.
    QTemporaryDir scratch;
    qputenv("TMPDIR", scratch.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", scratch.filePath(QStringLiteral("data")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
