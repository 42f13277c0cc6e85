// End to end: the built qs71dr-cli against qt71dr-sim, each a process of its own, over the
// virtual radio's pseudo-terminal. Every run gets its own temporary folder (single-instance
// lock) and data folder (backups and journals). Each clone read costs seconds, so the tests
// that can share one connection run as one shell.
#include <gtest/gtest.h>
#include <sys/resource.h>

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
#include <QRegularExpression>
#include <QSet>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <csignal>
#include <cstdlib>
#include <memory>
#include <vector>

#include "builtin_image.h"
#include "qtcore/qt_instance_lock.h"
#include "support/held_statement.h"

namespace {

constexpr int kStartMs = 15000;
constexpr int kRunMs = 120000;
const QString kCli = QStringLiteral(QS_CLI_PROGRAM);
const QString kSim = QStringLiteral(QS_SIM_PROGRAM);

// As fast as the pseudo-terminal takes the bytes: faster than any cable, which the port must
// read without calling it an overflow.
constexpr const char* kBaud = "0";
constexpr int kImageBytes = 32112;

QTemporaryDir& Scratch() {
    static QTemporaryDir dir;
    return dir;
}

QByteArray ReadFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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
        device_ = ReadLine();
        // With its service monitor, the monitor's address follows on the second line.
        if (extraArgs.contains(QStringLiteral("--monitor"))) {
            monitor_ = ReadLine().section(QLatin1Char(' '), 1);
        }
    }
    ~VirtualRadio() { Stop(); }
    const QString& device() const { return device_; }
    const QString& monitor() const { return monitor_; }
    // One query to the monitor on a connection of its own, as a second client asks.
    QByteArray Ask(const QByteArray& query) {
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"),
                             static_cast<quint16>(monitor_.section(QStringLiteral("::"), 2, 2).toInt()));
        if (!socket.waitForConnected(kStartMs)) return "not connected";
        socket.write(query + "\n");
        while (!socket.canReadLine() && socket.waitForReadyRead(kStartMs)) {
        }
        return socket.readLine().trimmed();
    }
    const QByteArray& log() {
        log_ = ReadFile(logPath_);
        return log_;
    }
    int Count(const QByteArray& text) { return static_cast<int>(log().count(text)); }
    // Adjustment commands that reached the radio: every E8 frame but the readings (03).
    int Adjustments() {
        static const QRegularExpression frame(
            QStringLiteral("program -> radio: FE FE EE EF E8 30 17 01 02 (?!03 )"));
        return static_cast<int>(QString::fromLatin1(log()).count(frame));
    }
    int CloneReads() { return Count("program -> radio: FE FE EE EF E2"); }
    // SIGTERM, so the radio saves its image when asked to.
    void Stop() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.terminate();
        if (!process_.waitForFinished(kStartMs)) process_.kill();
        log();
    }

private:
    QString ReadLine() {
        QDeadlineTimer deadline(kStartMs);
        while (!process_.canReadLine() && !deadline.hasExpired() &&
               process_.state() != QProcess::NotRunning) {
            process_.waitForReadyRead(100);
        }
        return QString::fromLocal8Bit(process_.readLine()).trimmed();
    }

    QTemporaryDir logDir_;
    QString logPath_;
    QProcess process_;
    QString device_;
    QString monitor_;
    QByteArray log_;
};

// The built-in image with the balance's three mirrors differing from it, as a radio out of
// the field can be: Connect's first sending would change it.
const QString& OddBalanceImage() {
    static const QString path = [] {
        const QString built = Scratch().filePath(QStringLiteral("builtin.bin"));
        VirtualRadio({QStringLiteral("--save-image"), built}).Stop();
        QByteArray image = ReadFile(built);
        for (int address : {113, 99, 120})
            image[address] = static_cast<char>(image[address] + 7);
        const QString odd = Scratch().filePath(QStringLiteral("odd-balance.bin"));
        QFile file(odd);
        if (file.open(QIODevice::WriteOnly)) file.write(image);
        return odd;
    }();
    return path;
}

struct CliRun {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

struct RunSetup {
    QByteArray input;
    QStringList environment;  // NAME=VALUE on top of this program's
    rlim_t fileSizeLimit = 0;   // 0: none; else writes beyond it fail as on a full disk
};

// Started with the setup's environment; its input is the caller's to give.
void StartCli(QProcess& process, const QStringList& args, const RunSetup& setup = {}) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& pair : setup.environment)
        env.insert(pair.section(QLatin1Char('='), 0, 0), pair.section(QLatin1Char('='), 1));
    process.setProcessEnvironment(env);
    const rlim_t limit = setup.fileSizeLimit;
    if (limit > 0) {
        process.setChildProcessModifier([limit] {
            ::signal(SIGXFSZ, SIG_IGN);
            rlimit small{limit, limit};
            ::setrlimit(RLIMIT_FSIZE, &small);
        });
    }
    process.start(kCli, args);
}

CliRun FinishCli(QProcess& process) {
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

CliRun RunCli(const QStringList& args, const RunSetup& setup = {}) {
    QProcess process;
    StartCli(process, args, setup);
    process.write(setup.input);
    process.closeWriteChannel();
    return FinishCli(process);
}

// A changed item's row in the report's table of items.
QByteArray ItemRowHtml(const QByteArray& item, const QByteArray& atConnect, const QByteArray& atEnd) {
    return "<td width=\"13%\"><b>" + item + "</b></td><td width=\"7%\">" + atConnect +
           "</td><td width=\"6%\"><b>" + atEnd + "</b></td><td width=\"7%\">*</td>";
}

// The text of a PDF as a reader copies it, pages parted by form feeds (pdftotext).
QString PdfText(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!process.waitForFinished(kRunMs)) return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

int PdfPages(const QString& pdf) {
    QProcess process;
    process.start(QStringLiteral("pdfinfo"), {pdf});
    if (!process.waitForFinished(kRunMs)) return -1;
    for (const QByteArray& line : process.readAllStandardOutput().split('\n')) {
        if (line.startsWith("Pages:")) return line.mid(6).trimmed().toInt();
    }
    return -1;
}

QStringList On(const VirtualRadio& radio, QStringList args) {
    return QStringList{QStringLiteral("--port"), radio.device()} + args;
}

QJsonObject Json(const CliRun& run) {
    return QJsonDocument::fromJson(run.out).object();
}

// A shell's documents, one a line.
QList<QJsonObject> JsonLines(const CliRun& run) {
    QList<QJsonObject> documents;
    for (const QByteArray& line : run.out.split('\n')) {
        if (!line.isEmpty()) documents << QJsonDocument::fromJson(line).object();
    }
    return documents;
}

QString Text(const QJsonObject& json, const char* key) {
    return json.value(QLatin1String(key)).toString();
}

QString BackupFolder() {
    return QString::fromLocal8Bit(qgetenv("XDG_DATA_HOME")) + QStringLiteral("/qs71dr-adj/backups");
}

// A script in a file of its own, for `shell --script`.
QString ScriptFile(const QTemporaryDir& dir, const QByteArray& text) {
    const QString path = dir.filePath(QStringLiteral("script.txt"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write(text);
    return path;
}

// A data folder that cannot be made: a file stands where it would go.
QString UnwritableDataHome() {
    const QString file = Scratch().filePath(QStringLiteral("data-is-a-file"));
    QFile(file).open(QIODevice::WriteOnly);
    return QStringLiteral("XDG_DATA_HOME=") + file;
}

#define EXPECT_HAS(haystack, needle) \
    EXPECT_TRUE(QByteArray(haystack).contains(needle)) << (haystack).constData()

TEST(CliEndToEnd, IdentifyPrintsTheCodesAndReadsNothing) {
    VirtualRadio radio;
    const CliRun run = RunCli(On(radio, {QStringLiteral("identify")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_EQ(run.out, "Model code: 3017\nSub code: 0102\nAccepted: yes\n");
    EXPECT_EQ(radio.Count("program -> radio: FE FE EE EF E0"), 1);
    EXPECT_EQ(radio.CloneReads(), 0);
}

TEST(CliEndToEnd, IdentifyOfARefusedSubCodeSaysSoAndFails) {
    VirtualRadio radio({QStringLiteral("--fault"), QStringLiteral("refused-sub")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("identify")}));
    EXPECT_EQ(run.status, 1);
    const QJsonObject json = Json(run);
    EXPECT_EQ(Text(json, "subCode"), QStringLiteral("0200"));
    EXPECT_FALSE(json.value(QStringLiteral("accepted")).toBool(true));
    EXPECT_FALSE(run.err.isEmpty());
}

TEST(CliEndToEnd, ReadImageIsTheBytesTheRadioSentAndChangesNothing) {
    QTemporaryDir dir;
    const QString saved = dir.filePath(QStringLiteral("radio.bin"));
    const QString read = dir.filePath(QStringLiteral("read.bin"));
    VirtualRadio radio({QStringLiteral("--image"), OddBalanceImage(), QStringLiteral("--save-image"),
                        saved, QStringLiteral("--arrival"), QStringLiteral("chunks")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("read"), QStringLiteral("--image"), read,
                                         QStringLiteral("--backup")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_HAS(run.out, "Read 32112 bytes");
    EXPECT_HAS(run.out, "Backup: " + BackupFolder().toLocal8Bit());
    // Standard error is no terminal here: no progress bar.
    EXPECT_FALSE(run.err.contains("Reading the radio"));
    EXPECT_EQ(radio.Adjustments(), 0) << radio.log().constData();
    radio.Stop();
    const QByteArray image = ReadFile(read);
    EXPECT_EQ(image.size(), kImageBytes);
    EXPECT_TRUE(image == ReadFile(OddBalanceImage()));
    EXPECT_TRUE(image == ReadFile(saved));
}

TEST(CliEndToEnd, ReadOnlyCommandsShareOneReadAndChangeNothingNotEvenARefusedSet) {
    QTemporaryDir dir;
    const QString image = dir.filePath(QStringLiteral("image.bin"));
    VirtualRadio radio({QStringLiteral("--image"), OddBalanceImage(), QStringLiteral("--wobble"),
                        QStringLiteral("0"), QStringLiteral("--arrival"), QStringLiteral("bursts")});
    const QByteArray script = "# a copy of the radio, as it is\n"
                              "identify\n"
                              "read --image '" + image.toLocal8Bit() + "'\n"
                              "\n"
                              "params\n"
                              "readings   # live values\n"
                              "set \"CH No.\"=99\n"
                              "readings\n";
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("shell")}),
                              {script, {}, 0});
    // The channel beyond the radio's channels is found after the read, before any sending.
    EXPECT_EQ(run.status, 2) << run.err.constData();
    EXPECT_HAS(run.err, "CH No.=99 is outside its limits 0 to 14");
    EXPECT_EQ(radio.CloneReads(), 1);
    EXPECT_EQ(radio.Adjustments(), 0) << radio.log().constData();

    const QList<QJsonObject> docs = JsonLines(run);
    ASSERT_EQ(docs.size(), 5) << run.out.constData();
    const int lines[] = {2, 3, 5, 6, 7};
    for (int i = 0; i < docs.size(); ++i) {
        EXPECT_EQ(docs[i].value(QStringLiteral("line")).toInt(), lines[i]);
        EXPECT_EQ(docs[i].value(QStringLiteral("ok")).toBool(), i < 4) << i;
    }
    EXPECT_EQ(Text(docs[0], "subCode"), QStringLiteral("0102"));
    EXPECT_TRUE(ReadFile(image) == ReadFile(OddBalanceImage()));
    EXPECT_TRUE(Text(docs[2], "page").contains(QStringLiteral("POW HI Level:  200\n")));
    EXPECT_FALSE(Text(docs[2], "page").contains(QLatin1Char('\r')));

    // Readings as numbers beside the text the window shows.
    const QJsonArray ad = docs[3].value(QStringLiteral("ad")).toArray();
    const QJsonArray da = docs[3].value(QStringLiteral("da")).toArray();
    ASSERT_EQ(ad.size(), 4);
    ASSERT_EQ(da.size(), 9);
    const QJsonObject vin = ad.at(0).toObject();
    EXPECT_EQ(Text(vin, "label"), QStringLiteral("VIN"));
    EXPECT_EQ(vin.value(QStringLiteral("raw")).toInt(), 191);
    EXPECT_NEAR(vin.value(QStringLiteral("value")).toDouble(), 1910.0 / 255, 1e-9);
    EXPECT_EQ(Text(vin, "unit"), QStringLiteral("V"));
    EXPECT_EQ(Text(vin, "converted"), QStringLiteral("7.49V"));
    EXPECT_EQ(Text(ad.at(1).toObject(), "unit"), QString::fromUtf8("\xC2\xB0" "C"));
    const QJsonObject balance = da.at(5).toObject();
    EXPECT_EQ(Text(balance, "unit"), QStringLiteral("%"));
    EXPECT_NEAR(balance.value(QStringLiteral("value")).toDouble(),
                balance.value(QStringLiteral("raw")).toInt() * 100.0 / 255, 1e-9);
}

TEST(CliEndToEnd, ABackupThatCannotBeWrittenStopsAChangeBeforeAnythingIsSent) {
    VirtualRadio radio;
    const CliRun run = RunCli(On(radio, {QStringLiteral("set"), QStringLiteral("Power(Hi)=150")}),
                              {{}, {UnwritableDataHome()}, 0});
    EXPECT_EQ(run.status, 1);
    EXPECT_HAS(run.err, "could not be saved as a backup");
    EXPECT_HAS(run.err, "set: nothing was sent to the radio");
    EXPECT_EQ(radio.Adjustments(), 0) << radio.log().constData();
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
    const QByteArray lines = ReadFile(Text(Json(run), "journal"));
    EXPECT_HAS(lines, "\tPower(Hi)\t200\t150\t");

    // The alignment report of that connection, from its files alone: Power(Hi) changed from
    // 200 to 150, and the readings of the connection were recorded beside its journal.
    const QString backup = Text(Json(run), "backup");
    const QString html = QFileInfo(backup).dir().filePath(QStringLiteral("report.html"));
    const CliRun report = RunCli({QStringLiteral("report"), backup, html});
    ASSERT_EQ(report.status, 0) << report.err.constData();
    const QByteArray text = ReadFile(html);
    EXPECT_HAS(text, ItemRowHtml("Power(Hi)", "200", "150"));
    EXPECT_FALSE(text.contains("none recorded")) << text.constData();

    // An existing report is kept unless --force is given, and also with it when the disk is
    // full.
    const CliRun again = RunCli({QStringLiteral("--json"), QStringLiteral("report"), backup, html});
    EXPECT_EQ(again.status, 1);
    EXPECT_FALSE(Json(again).value(QStringLiteral("ok")).toBool()) << again.out.constData();
    const CliRun full = RunCli({QStringLiteral("report"), backup, html, QStringLiteral("--force")},
                               {{}, {}, 4096});
    EXPECT_EQ(full.status, 1);
    EXPECT_HAS(full.err, "File too large");
    EXPECT_TRUE(ReadFile(html) == text);
    EXPECT_EQ(QDir(QFileInfo(html).path()).entryList(QDir::Hidden | QDir::Files).filter(
                  QStringLiteral("report.html.tmp")),
              QStringList());
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
        EXPECT_EQ(Text(item, "item"), i == 0 ? QStringLiteral("BPF T1") : QStringLiteral("BPF T2"));
        EXPECT_LE(std::abs(item.value(QStringLiteral("value")).toInt() - peaks[i]), 4)
            << run.out.constData();
    }
}

TEST(CliEndToEnd, LevelAdjustmentsOnOneConnectionAndAFailureStopsTheRest) {
    QTemporaryDir dir;
    const QString script =
        ScriptFile(dir, "level rx\nlevel tx\nlevel rx --target 250\nreadings\n");
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("bursts")});
    const CliRun run = RunCli(On(radio, {QStringLiteral("shell"), QStringLiteral("--script"),
                                         script}));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(radio.CloneReads(), 1);
    // Text output: one line for each command that ran; the last one did not.
    EXPECT_TRUE(run.out.startsWith("RX LVA = 128 (target level ")) << run.out.constData();
    EXPECT_HAS(run.out, "\nTX LVA = 166 (target level ");
    EXPECT_FALSE(run.out.contains("[A/D]"));
    EXPECT_HAS(run.err, "level rx: Auto Adjust Failed: the target level 250 is out of reach");
}

// The technician feeds each level by hand (here through the virtual monitor, between the Enter
// presses): the first rssi captures S3 and S1; the second's input ends after its S3, so the
// capture is stopped and the radio gets back the S3 it held. --no-backup goes on without them.
TEST(CliEndToEnd, RssiCapturesOnEnterAndPutsS3BackWhenTheInputEndsBetween) {
    QTemporaryDir dir;
    const QString script = ScriptFile(dir, "rssi\nrssi\n");
    VirtualRadio radio({QStringLiteral("--monitor"), QStringLiteral("0")});
    const auto feed = [&radio](const QByteArray& dbm) {
        return radio.Ask("FREQ 146520000\nPOW " + dbm + "\nOUTP ON\n*OPC?");
    };
    ASSERT_EQ(feed("-47"), QByteArray("1"));
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), UnwritableDataHome().section(QLatin1Char('='), 1));
    cli.setProcessEnvironment(env);
    cli.start(kCli, On(radio, {QStringLiteral("--no-backup"), QStringLiteral("--json"),
                               QStringLiteral("shell"), QStringLiteral("--script"), script}));
    ASSERT_TRUE(cli.waitForStarted(kStartMs));
    QByteArray err;
    const auto await = [&](const QByteArray& asked, int times) {
        QDeadlineTimer deadline(kRunMs);
        while (err.count(asked) < times && !deadline.hasExpired() &&
               cli.state() == QProcess::Running) {
            cli.waitForReadyRead(50);
            err += cli.readAllStandardError();
        }
        return err.count(asked) >= times;
    };
    const QByteArray s3 = "Feed the radio the S3 level";
    const QByteArray s1 = "Feed the radio the S1 level";
    ASSERT_TRUE(await(s3, 1)) << err.constData();
    cli.write("\n");
    ASSERT_TRUE(await(s1, 1)) << err.constData();
    ASSERT_EQ(feed("-111"), QByteArray("1"));
    cli.write("\n");
    ASSERT_TRUE(await(s3, 2)) << err.constData();
    ASSERT_EQ(feed("-80"), QByteArray("1"));
    cli.write("\n");
    ASSERT_TRUE(await(s1, 2)) << err.constData();
    cli.closeWriteChannel();
    ASSERT_TRUE(cli.waitForFinished(kRunMs));
    err += cli.readAllStandardError();
    const CliRun run{cli.exitCode(), cli.readAllStandardOutput(), err};
    EXPECT_EQ(run.status, 1) << run.err.constData();
    EXPECT_HAS(run.err, "could not be saved as a backup");
    EXPECT_HAS(run.err, "rssi: stopped as the answers' input ended; the capture was stopped; RSSI S3 "
                        "is back at ");

    // The first capture's S3 and S1, the second's S3, then the first's S3 again.
    QList<QByteArray> stored;
    for (const QByteArray& line : radio.log().split('\n')) {
        if (line.contains("RSSI S3 = ")) stored << line.mid(line.indexOf("RSSI S3 = ")).trimmed();
    }
    ASSERT_EQ(stored.size(), 3) << radio.log().constData();
    EXPECT_EQ(stored[2], stored[0]);
    EXPECT_NE(stored[1], stored[0]);
    EXPECT_EQ(radio.Count("RSSI S1 = "), 1);
    const QList<QJsonObject> docs = JsonLines(run);
    ASSERT_EQ(docs.size(), 2);
    EXPECT_GT(docs[0].value(QStringLiteral("s3")).toInt(), docs[0].value(QStringLiteral("s1")).toInt());
    EXPECT_FALSE(docs[1].value(QStringLiteral("ok")).toBool());
}

// `sweep bpf-t1` started and running: the radio has taken eight of its settings.
void StartSweepToItsEighthStep(VirtualRadio& radio, QProcess& cli) {
    cli.start(kCli, On(radio, {QStringLiteral("--json"), QStringLiteral("sweep"),
                               QStringLiteral("bpf-t1")}));
    ASSERT_TRUE(cli.waitForStarted(kStartMs));
    QDeadlineTimer deadline(kRunMs);
    while (radio.Count("BPF T1 = ") < 8 && !deadline.hasExpired() &&
           cli.state() == QProcess::Running) {
        cli.waitForFinished(20);
    }
    ASSERT_EQ(cli.state(), QProcess::Running) << cli.readAllStandardError().constData();
}

// The last value of BPF T1 the virtual radio took, by its own log.
int LastTakenBpfT1(VirtualRadio& radio) {
    int last = qtsim::builtin::kBpfT1;
    for (const QByteArray& line : radio.log().split('\n')) {
        const int at = line.indexOf("BPF T1 = ");
        if (at >= 0) last = line.mid(at + 9).split(' ').first().toInt();
    }
    return last;
}

// The line hangs up in the middle of a sweep: the message, then which operation stopped and
// what the radio holds, as the radio's own log has it (a value sent and not confirmed is said
// as such); the journal has every command the radio took.
TEST(CliEndToEnd, ASweepCutShortByAHangUpSaysWhatTheRadioHolds) {
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("chunks")});
    QProcess cli;
    ASSERT_NO_FATAL_FAILURE(StartSweepToItsEighthStep(radio, cli));
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
    const int truth = LastTakenBpfT1(radio);
    EXPECT_HAS(err, "The band-pass sweep stopped before its end; ");
    EXPECT_TRUE(qs::testing::StatementFits(err.toStdString(), {"BPF T1"}, truth, -1))
        << err.constData();
    const std::string error = Text(json, "error").toStdString();
    EXPECT_TRUE(qs::testing::StatementFits(error, {"BPF T1"}, truth, -1)) << error;
    // A frame can be on its way when the line goes: the journal has it, the radio may not.
    const int taken = radio.Count("BPF T1 = ");
    EXPECT_GE(sweepLines.size(), taken);
    EXPECT_LE(sweepLines.size(), taken + 1);
}

// Ctrl-C in the middle of a sweep stops it where it stands, as a procedure's step stops: the
// status of the signal, and the error says what the radio holds, the last value it was sent.
TEST(CliEndToEnd, CtrlCStopsASweepWhereItStandsAndSaysWhatTheRadioHolds) {
    VirtualRadio radio({QStringLiteral("--arrival"), QStringLiteral("chunks")});
    QProcess cli;
    ASSERT_NO_FATAL_FAILURE(StartSweepToItsEighthStep(radio, cli));
    ::kill(static_cast<pid_t>(cli.processId()), SIGINT);
    ASSERT_TRUE(cli.waitForFinished(kRunMs));
    EXPECT_EQ(cli.exitCode(), 130);
    const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    QList<QByteArray> values;
    for (const QByteArray& line : radio.log().split('\n')) {
        const int at = line.indexOf("BPF T1 = ");
        if (at >= 0) values << line.mid(at + 9).split(' ').first();
    }
    ASSERT_FALSE(values.isEmpty());
    // The radio still answers: what it holds is confirmed by a reading after the stop.
    EXPECT_EQ(Text(json, "error"),
              QStringLiteral("sweep: stopped by a signal; the sweep was stopped; the radio holds "
                             "BPF T1 = ") + QString::fromLatin1(values.last()))
        << cli.readAllStandardError().constData();
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
    const struct {
        QStringList args;
        QByteArray input;
    } cases[] = {
        {{QStringLiteral("level"), QStringLiteral("up")}, {}},
        {{QStringLiteral("set"), QStringLiteral("Power(Hi)=256")}, {}},
        {{QStringLiteral("set"), QStringLiteral("Nothing=1")}, {}},
        {{QStringLiteral("set"), QStringLiteral("RSSI=1")}, {}},
        {{QStringLiteral("read"), QStringLiteral("--image"), QStringLiteral("/no/such/folder/x.bin")},
         {}},
        {{QStringLiteral("read"), QStringLiteral("--image"), QDir::tempPath()}, {}},
        {{QStringLiteral("--trace"), QStringLiteral("/no/such/folder/t.log"),
          QStringLiteral("identify")},
         {}},
        {{QStringLiteral("--timeout"), QStringLiteral("0"), QStringLiteral("identify")}, {}},
        {{QStringLiteral("shell")}, "readings\nlevel up\n"},
        {{QStringLiteral("shell")}, "readings\nset Nothing=1\n"},
        {{QStringLiteral("shell"), QStringLiteral("--script"), QStringLiteral("/no/such/script")},
         {}},
    };
    for (const auto& c : cases) {
        const CliRun run = RunCli(On(radio, c.args), {c.input, {}, 0});
        EXPECT_EQ(run.status, 2) << c.args.join(' ').toStdString();
        EXPECT_HAS(run.err, "qs71dr-cli: ");
    }
    EXPECT_EQ(radio.Count("program -> radio"), 0) << radio.log().constData();
}

// Stopped mid-read by a signal or by its time: the port closed (the trace says so after the
// last frame sent), the status of the stop, and no word of a journal that does not exist yet.
TEST(CliEndToEnd, SignalsAndTheTimeoutStopAReadWithThePortClosed) {
    const struct {
        int signal;  // 0: the --timeout ends it
        int status;
        const char* message;
    } rows[] = {
        {SIGINT, 130, "stopped by Ctrl-C (SIGINT); the port is closed\n"},
        {SIGTERM, 143, "stopped by SIGTERM; the port is closed\n"},
        {SIGHUP, 129, "stopped by SIGHUP; the port is closed\n"},
        {0, 1, "no end within 1 s (--timeout); the port is closed\n"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.message);
        QTemporaryDir dir;
        const QString trace = dir.filePath(QStringLiteral("trace.txt"));
        VirtualRadio radio({QStringLiteral("--baud"), QStringLiteral("9600")});
        QProcess cli;
        QStringList args{QStringLiteral("--trace"), trace};
        if (row.signal == 0) args << QStringLiteral("--timeout") << QStringLiteral("1");
        cli.start(kCli, On(radio, args << QStringLiteral("read")));
        ASSERT_TRUE(cli.waitForStarted(kStartMs));
        QDeadlineTimer deadline(kRunMs);
        while (row.signal != 0 && radio.Count("radio -> program: FE FE EF EE E4") == 0 &&
               !deadline.hasExpired() && cli.state() == QProcess::Running) {
            cli.waitForFinished(50);
        }
        if (row.signal != 0) {
            ASSERT_EQ(cli.state(), QProcess::Running) << cli.readAllStandardError().constData();
            ::kill(static_cast<pid_t>(cli.processId()), row.signal);
        }
        ASSERT_TRUE(cli.waitForFinished(kStartMs));
        EXPECT_EQ(cli.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(cli.exitCode(), row.status);
        const QByteArray err = cli.readAllStandardError();
        EXPECT_TRUE(err.endsWith(QByteArray("qs71dr-cli: ") + row.message)) << err.constData();
        const QByteArray traced = ReadFile(trace);
        EXPECT_GT(traced.lastIndexOf("port closed"), traced.lastIndexOf("] TX ")) << traced.constData();
        EXPECT_GT(traced.lastIndexOf("] TX "), 0);
    }
}

// The desktop program's single-instance lock is its own: the command line works another
// cable beside it (the desktop keeps off the command line's cable by the port's lock).
TEST(CliEndToEnd, ARunningDesktopProgramLeavesOtherCablesToTheCommandLine) {
    VirtualRadio radio;
    const QString desktop = QDir(QFileInfo(kCli).absolutePath()).filePath(QStringLiteral("qs71dr-adj"));
    QLockFile held(qs::qt::QtInstanceLock::LockFilePathFor(desktop));
    ASSERT_TRUE(held.tryLock(0));
    const CliRun run = RunCli(On(radio, {QStringLiteral("identify")}));
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_FALSE(run.err.contains("is already executing.")) << run.err.constData();
}

// The bench commands never touch the radio: they run while the desktop program holds the
// radio, and what they read follows the virtual monitor's documented curves.
TEST(CliEndToEnd, BenchCommandsSpeakToTheMonitorAndLeaveTheRadioAlone) {
    VirtualRadio radio({QStringLiteral("--monitor"), QStringLiteral("0")});
    ASSERT_TRUE(radio.monitor().startsWith(QStringLiteral("TCPIP::127.0.0.1::")));
    const QString desktop = QDir(QFileInfo(kCli).absolutePath()).filePath(QStringLiteral("qs71dr-adj"));
    QLockFile held(qs::qt::QtInstanceLock::LockFilePathFor(desktop));
    ASSERT_TRUE(held.tryLock(0));
    const QString b = QStringLiteral("bench");
    const struct {
        QStringList args;
        QByteArray out;
    } rows[] = {
        {{b, QStringLiteral("identify"), radio.monitor()}, "qt71dr-sim,Virtual service monitor,0,"},
        {{b, QStringLiteral("measure"), QStringLiteral("power"), radio.monitor()},
         "power = 4.921 W\n"},
        {{b, QStringLiteral("measure"), QStringLiteral("deviation"), radio.monitor()},
         "deviation = 4500 Hz\n"},
        {{b, QStringLiteral("measure"), QStringLiteral("frequency"), radio.monitor()},
         "frequency = 146519780.2 Hz\n"},
        {{b, QStringLiteral("generator"), radio.monitor(), QStringLiteral("--frequency"),
          QStringLiteral("146.52e6"), QStringLiteral("--level"), QStringLiteral("-47.5"),
          QStringLiteral("--rf"), QStringLiteral("on")},
         "frequency = 146520000 Hz\nlevel = -47.5 dBm\nRF = on\n"},
    };
    for (const auto& row : rows) {
        const CliRun run = RunCli(row.args);
        EXPECT_EQ(run.status, 0) << row.args.join(' ').toStdString() << run.err.constData();
        EXPECT_TRUE(run.out.startsWith(row.out)) << run.out.constData();
    }
    EXPECT_EQ(radio.Ask("FREQ?").toDouble(), 146520000.0);
    EXPECT_EQ(radio.Ask("POW?").toDouble(), -47.5);
    EXPECT_EQ(radio.Ask("OUTP?"), "1");

    const CliRun json = RunCli({QStringLiteral("--json"), b, QStringLiteral("generator"),
                                radio.monitor(), QStringLiteral("--rf"), QStringLiteral("off")});
    EXPECT_EQ(json.status, 0);
    EXPECT_EQ(Text(Json(json), "rf"), QStringLiteral("off"));
    EXPECT_EQ(Text(Json(json), "address"), radio.monitor());
    EXPECT_FALSE(Json(json).contains(QStringLiteral("device")));
    EXPECT_EQ(radio.Ask("OUTP?"), "0");
    EXPECT_EQ(radio.Count("program -> radio"), 0);
}

TEST(CliEndToEnd, BenchMistakesEndIn2AndAnInstrumentThatIsNotThereIn1) {
    QTemporaryDir dir;
    const QString profile = dir.filePath(QStringLiteral("meter.profile"));
    QFile file(profile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("name = meter\n# no generator commands\nmeasure_power = MEAS:POW?\nrf_on OUTP ON\n");
    file.close();
    const QString meterOnly = dir.filePath(QStringLiteral("meter-only.profile"));
    QFile meter(meterOnly);
    ASSERT_TRUE(meter.open(QIODevice::WriteOnly));
    meter.write("measure_power = MEAS:POW?\n");
    meter.close();
    // A port nothing listens on any more.
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    const QString nobody = QStringLiteral("TCPIP::127.0.0.1::%1::SOCKET").arg(server.serverPort());
    server.close();

    const QString b = QStringLiteral("bench");
    const struct {
        QStringList args;
        int status;
        QByteArray message;
    } rows[] = {
        {{b, QStringLiteral("identify"), nobody}, 1,
         "qs71dr-cli: bench identify: " + nobody.toLatin1() + ": cannot connect: connection refused"},
        {{b, QStringLiteral("measure"), QStringLiteral("power"), nobody}, 1, nobody.toLatin1()},
        {{b, QStringLiteral("identify"), QStringLiteral("TCPIP::10.0.0.5::INSTR")}, 2,
         "bench identify: "},
        {{b, QStringLiteral("identify")}, 2, "give the instrument's ADDRESS"},
        {{b, QStringLiteral("measure"), QStringLiteral("volume"), nobody}, 2,
         "expected power, deviation or frequency"},
        {{b, QStringLiteral("generator"), nobody}, 2, "give --frequency HZ, --level DBM"},
        {{b, QStringLiteral("generator"), nobody, QStringLiteral("--level"), QStringLiteral("+90")},
         2, "the level must be from -200 to 50 dBm"},
        {{b, QStringLiteral("measure"), QStringLiteral("power"), nobody, QStringLiteral("--profile"),
          profile},
         2, profile.toLatin1() + ":4: expected KEY = COMMAND"},
        {{b, QStringLiteral("generator"), nobody, QStringLiteral("--rf"), QStringLiteral("on"),
          QStringLiteral("--profile"), meterOnly},
         2, "has no command for rf_on"},
        {{b, QStringLiteral("identify"), QStringLiteral("ASRL/dev/ttyQS-none::9600")}, 1,
         "cannot open /dev/ttyQS-none"},
    };
    for (const auto& row : rows) {
        const CliRun run = RunCli(row.args);
        EXPECT_EQ(run.status, row.status) << row.args.join(' ').toStdString();
        EXPECT_HAS(run.err, row.message);
        EXPECT_TRUE(run.out.isEmpty()) << run.out.constData();
    }
}

// --simulate: every role is the virtual monitor (ADDRESS may be left out), and in a shell the
// bench's work after Connect goes into the connection's journal and its report.
TEST(CliEndToEnd, SimulatedBenchInAShellIsJournaledAndReported) {
    const QByteArray script = "bench generator --frequency 146520000 --level -47 --rf on\n"
                              "readings\n"
                              "bench measure power\n"
                              "bench measure deviation TCPIP::10.9.9.9::SOCKET  # replaced\n"
                              "bench measure frequency\n"
                              "bench generator --rf off\n";
    const CliRun run = RunCli({QStringLiteral("--simulate"), QStringLiteral("--sim-baud"),
                               QString::fromLatin1(kBaud), QStringLiteral("--json"),
                               QStringLiteral("shell")},
                              {script, {}, 0});
    ASSERT_EQ(run.status, 0) << run.err.constData();
    const QList<QJsonObject> docs = JsonLines(run);
    ASSERT_EQ(docs.size(), 6);
    const QString monitor = Text(docs[0], "address");
    EXPECT_TRUE(monitor.startsWith(QStringLiteral("TCPIP::127.0.0.1::"))) << monitor.toStdString();
    for (int i : {2, 3, 4, 5}) EXPECT_EQ(Text(docs[i], "address"), monitor) << i;
    EXPECT_NEAR(docs[2].value(QStringLiteral("value")).toDouble(), 8.0 * (200.0 / 255) * (200.0 / 255),
                1e-6);

    const QString journal = Text(docs[5], "journal");
    const QList<QByteArray> bench = [&] {
        QList<QByteArray> lines;
        for (const QByteArray& line : ReadFile(journal).split('\n'))
            if (line.contains("\tbench ")) lines << line.mid(line.indexOf('\t') + 1);
        return lines;
    }();
    const QByteArray m = monitor.toLatin1();
    EXPECT_EQ(bench, (QList<QByteArray>{
                         "bench power_meter\t-\tidentity qt71dr-sim,Virtual service monitor,0,1.0\t" + m,
                         "bench power_meter\t-\tpower 4.921 W\t" + m,
                         "bench modulation_meter\t-\tdeviation 4500 Hz\t" + m,
                         "bench frequency_counter\t-\tfrequency 146519780.2 Hz\t" + m,
                         "bench generator\t-\tRF off\t" + m,
                     }));

    const QString html = QFileInfo(journal).dir().filePath(QStringLiteral("bench-report.html"));
    // The bench's settings and readings are in the full report.
    const CliRun report =
        RunCli({QStringLiteral("report"), Text(docs[5], "backup"), html, QStringLiteral("--full")});
    ASSERT_EQ(report.status, 0) << report.err.constData();
    const QByteArray text = ReadFile(html);
    EXPECT_HAS(text, "<tr><td width=\"20%\">Frequency counter</td><td width=\"35%\"><tt>" + m +
                         "</tt></td><td width=\"45%\">qt71dr-sim,Virtual service monitor,0,1.0</td></tr>");
    EXPECT_HAS(text, ">Power meter</td><td width=\"30%\">power 4.921 W</td>");
}

// `run`: alignment procedures on the virtual bench (--simulate), prompts answered by --yes.
QString ProcedureFile(const QTemporaryDir& dir, const QByteArray& steps) {
    const QString path = dir.filePath(QStringLiteral("procedure.toml"));
    QFile file(path);
    if (file.open(QIODevice::WriteOnly)) file.write("title = \"Test procedure\"\n" + steps);
    return path;
}

QStringList Simulated(QStringList args) {
    return QStringList{QStringLiteral("--simulate"), QStringLiteral("--sim-baud"),
                       QString::fromLatin1(kBaud)} +
           args;
}

// The step of a run's JSON by its title.
QJsonObject RunStep(const QJsonObject& json, const QString& title) {
    for (const QJsonValue& step : json.value(QStringLiteral("run")).toObject().value(
             QStringLiteral("step")).toArray()) {
        if (Text(step.toObject(), "title") == title) return step.toObject();
    }
    return {};
}

// The last value the journal gives the item.
QByteArray JournalValue(const QString& journal, const QByteArray& item) {
    QByteArray value;
    for (const QByteArray& line : ReadFile(journal).split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() > 3 && fields[1] == item) value = fields[3];
    }
    return value;
}

TEST(CliEndToEnd, TheExampleProcedurePassesOnTheVirtualBenchAndIsReported) {
    const CliRun run = RunCli(Simulated(
        {QStringLiteral("--json"), QStringLiteral("run"),
         QStringLiteral(QS_PROCEDURES_DIR "/virtual-bench.toml"), QStringLiteral("--yes"),
         QStringLiteral("--technician"), QStringLiteral("A. Technician"), QStringLiteral("--serial"),
         QStringLiteral("SN 0001"), QStringLiteral("--work-order"), QStringLiteral("WO-1")}));
    ASSERT_EQ(run.status, 0) << run.err.constData() << run.out.constData();
    const QJsonObject json = Json(run);
    EXPECT_EQ(Text(json, "verdict"), QStringLiteral("PASS"));
    const QJsonObject record = json.value(QStringLiteral("run")).toObject();
    EXPECT_EQ(Text(record, "serialNumber"), QStringLiteral("SN 0001"));
    EXPECT_EQ(Text(record, "workOrder"), QStringLiteral("WO-1"));
    // --yes answered the questions: the record says so, never that the technician did.
    int answered = 0;
    for (const QJsonValue& value : record.value(QStringLiteral("step")).toArray()) {
        const QJsonObject step = value.toObject();
        const QString kind = Text(step, "kind");
        if (kind != QStringLiteral("prompt") && kind != QStringLiteral("confirm")) continue;
        EXPECT_TRUE(Text(step, "message").startsWith(QStringLiteral("answered automatically (--yes)")))
            << Text(step, "message").toStdString();
        ++answered;
    }
    EXPECT_GT(answered, 0);
    // What the virtual monitor's curves give (see the whole-program test of the same file).
    const struct {
        const char* step;
        const char* measured;
    } judged[] = {
        {"Reference frequency", "146520000.0 Hz"}, {"High power", "5.53 W"},
        {"Low power 2", "2.45 W"},                 {"Low power 1", "1.02 W"},
        {"Modulation", "2910 Hz"},                 {"Level-adjust input", "2.35V"},
    };
    for (const auto& row : judged) {
        const QJsonObject step = RunStep(json, QString::fromLatin1(row.step));
        EXPECT_EQ(Text(step, "outcome"), QStringLiteral("pass")) << row.step;
        EXPECT_EQ(Text(step.value(QStringLiteral("measured")).toObject(), "text"),
                  QString::fromLatin1(row.measured))
            << row.step;
    }
    const QString journal = Text(json, "journal");
    const struct {
        const char* item;
        const char* value;
    } finals[] = {{"REF", "143"}, {"Power(Hi)", "212"}, {"Power(L2)", "141"},
                  {"Power(L1)", "91"}, {"MOD", "97"}, {"TX LVA", "166"}, {"RX LVA", "128"}};
    for (const auto& row : finals) EXPECT_EQ(JournalValue(journal, row.item), row.value) << row.item;
    // The generator is left off.
    EXPECT_TRUE(ReadFile(journal).trimmed().split('\n').last().contains("\tRF off\t"));

    // The report a customer is handed: short, its first page a summary, no step name broken.
    const QDir folder = QFileInfo(journal).dir();
    const QString pdf = folder.filePath(QStringLiteral("run-report.pdf"));
    const CliRun report = RunCli({QStringLiteral("report"), Text(json, "backup"), pdf});
    ASSERT_EQ(report.status, 0) << report.err.constData();
    EXPECT_LE(PdfPages(pdf), 8);
    const QString text = PdfText(pdf);
    const QString firstPage = text.section(QLatin1Char('\f'), 0, 0);
    const QString checksum = Text(record, "procedureChecksum");
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}$")).match(checksum).hasMatch());
    for (const QString& fact : {QStringLiteral("PASS"), QStringLiteral("QT-71DR"),
                                QStringLiteral("A. Technician"), QStringLiteral("SN 0001"),
                                QStringLiteral("WO-1"), checksum}) {
        EXPECT_TRUE(firstPage.contains(fact)) << fact.toStdString();
    }
    for (const char* fact : {"5.53 W", "CH No. 0: 01, 146.520 MHz"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(fact))) << fact;
    EXPECT_FALSE(text.contains(QStringLiteral("model 3017")));
    for (const QJsonValue& step : record.value(QStringLiteral("step")).toArray()) {
        const QString title = Text(step.toObject(), "title");
        EXPECT_TRUE(text.contains(title)) << "broken or missing: " << title.toStdString();
    }

    // The service records hold the run: who, which radio, the verdict.
    const CliRun history = RunCli({QStringLiteral("history"), QStringLiteral("--serial"),
                                   QStringLiteral("SN 0001"), QStringLiteral("--json")});
    ASSERT_EQ(history.status, 0) << history.err.constData();
    const QJsonArray rows = Json(history).value(QStringLiteral("connections")).toArray();
    ASSERT_EQ(rows.size(), 1) << history.out.constData();
    const QJsonObject row = rows[0].toObject();
    EXPECT_EQ(Text(row, "verdict"), QStringLiteral("PASS"));
    EXPECT_EQ(Text(row, "technician"), QStringLiteral("A. Technician"));
    EXPECT_EQ(Text(row, "workOrder"), QStringLiteral("WO-1"));

    // The report made from the records is the same document as the one from the files.
    const QString fromRecords = folder.filePath(QStringLiteral("records-report.pdf"));
    const CliRun again = RunCli({QStringLiteral("history"), QStringLiteral("report"),
                                 Text(row, "id"), fromRecords});
    ASSERT_EQ(again.status, 0) << again.err.constData();
    EXPECT_EQ(PdfText(fromRecords).toStdString(), text.toStdString());
}

TEST(CliEndToEnd, AnUnmeetableLimitFailsTheRunAndPutsTheItemBack) {
    QTemporaryDir dir;
    const QString file = ProcedureFile(
        dir, "[[step]]\nname = \"Too much power\"\nkind = \"adjust\"\nitem = \"Power(Hi)\"\n"
             "measure = \"power\"\ntarget = 9.5\ntolerance = 0.1\nmax_steps = 8\n"
             "[[step]]\nname = \"Supply\"\nkind = \"check\"\nreading = \"VIN\"\nmin = 7.0\n"
             "max = 8.0\n");
    const CliRun run = RunCli(Simulated({QStringLiteral("run"), file}));
    EXPECT_EQ(run.status, 1) << run.err.constData();
    EXPECT_TRUE(run.out.startsWith("Verdict: FAIL \xE2\x80\x94 power meter calibration date not "
                                   "given\n"))
        << run.out.constData();
    EXPECT_HAS(run.out, "1. FAIL  Too much power");
    EXPECT_HAS(run.out, "2. not run  Supply");
    const int at = run.out.indexOf("\nJournal: ") + 10;
    const QString journal = QString::fromLocal8Bit(run.out.mid(at, run.out.indexOf('\n', at) - at));
    // Eight steps up from the radio's 200, then back to where the step began.
    const QList<QByteArray> lines = ReadFile(journal).split('\n');
    int changes = 0;
    for (const QByteArray& line : lines) changes += line.contains("\tPower(Hi)\t") ? 1 : 0;
    EXPECT_GE(changes, 2) << ReadFile(journal).constData();
    EXPECT_EQ(JournalValue(journal, "Power(Hi)"), "200");
}

// The desktop program's bench settings judge the virtual monitor: an overdue instrument is
// said before the run and beside its verdict, or, where they say refuse, nothing starts.
TEST(CliEndToEnd, CalibrationIsSaidBeforeTheRunOrRefusesIt) {
    QTemporaryDir dir;
    const QString file = ProcedureFile(
        dir, "[[step]]\nname = \"Power\"\nkind = \"measure\"\nquantity = \"power\"\nmin = 0\n");
    QDir(dir.path()).mkpath(QStringLiteral("qs71dr-adj"));
    const QStringList config{QStringLiteral("XDG_CONFIG_HOME=") + dir.path()};
    for (const bool refuse : {false, true}) {
        QFile settings(dir.filePath(QStringLiteral("qs71dr-adj/RW5120A.rs")));
        ASSERT_TRUE(settings.open(QIODevice::WriteOnly));
        settings.write(QByteArray("[BENCH]\r\npower_meter_calibration_due=2001-01-31\r\n") +
                       (refuse ? "calibration_check=refuse\r\n" : ""));
        settings.close();
        const CliRun run = RunCli(Simulated({QStringLiteral("run"), file}), {{}, config});
        EXPECT_HAS(run.err, "power meter calibration overdue: due 2001-01-31 (TCPIP::127.0.0.1::");
        if (refuse) {
            EXPECT_EQ(run.status, 2) << run.err.constData();
            EXPECT_HAS(run.err, "(calibration_check=refuse); nothing was started");
            EXPECT_TRUE(run.out.isEmpty()) << run.out.constData();
        } else {
            EXPECT_EQ(run.status, 0) << run.err.constData();
            EXPECT_HAS(run.err, "qs71dr-cli: run: no --serial: the record will have no serial number");
            EXPECT_TRUE(run.out.startsWith(
                "Verdict: PASS \xE2\x80\x94 power meter calibration overdue\n"))
                << run.out.constData();
        }
    }
}

// Ctrl-C, or the command's time running out, ends a run at its next safe point: the rest is
// skipped, the generator is switched off and the record kept.
TEST(CliEndToEnd, CtrlCOrTheTimeoutStopsARunAtTheNextSafePointWithTheGeneratorOff) {
    QTemporaryDir dir;
    const QString file = ProcedureFile(
        dir, "[[step]]\nkind = \"generator\"\nfrequency = \"rx\"\nlevel_dbm = -47.0\nrf = true\n"
             "[[step]]\nname = \"Long warm-up\"\nkind = \"wait\"\nseconds = 600\n"
             "[[step]]\nname = \"Supply\"\nkind = \"check\"\nreading = \"VIN\"\nmin = 7.0\n"
             "max = 8.0\n");
    const struct {
        int signal;  // 0: --timeout ends it
        int status;
    } rows[] = {{SIGINT, 130}, {SIGHUP, 129}, {0, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.signal);
        QStringList args{QStringLiteral("--json"), QStringLiteral("run"), file};
        if (row.signal == 0) args << QStringLiteral("--timeout") << QStringLiteral("20");
        QProcess cli;
        cli.start(kCli, Simulated(args));
        ASSERT_TRUE(cli.waitForStarted(kStartMs));
        QByteArray err;
        QDeadlineTimer deadline(kRunMs);
        while (!err.contains("step 2/3") && !deadline.hasExpired() &&
               cli.state() == QProcess::Running) {
            cli.waitForReadyRead(50);
            err += cli.readAllStandardError();
        }
        ASSERT_EQ(cli.state(), QProcess::Running) << err.constData();
        if (row.signal != 0) ::kill(static_cast<pid_t>(cli.processId()), row.signal);
        ASSERT_TRUE(cli.waitForFinished(kRunMs));
        EXPECT_EQ(cli.exitCode(), row.status);
        const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
        // A stop is never a failure, and says who stopped.
        EXPECT_EQ(Text(json, "verdict"), QStringLiteral("ABORTED"));
        EXPECT_EQ(Text(RunStep(json, QStringLiteral("Long warm-up")), "outcome"),
                  QStringLiteral("aborted"));
        EXPECT_EQ(Text(RunStep(json, QStringLiteral("Supply")), "outcome"),
                  QStringLiteral("skipped"));
        EXPECT_EQ(Text(json.value(QStringLiteral("run")).toObject(), "endReason"),
                  row.signal != 0 ? QStringLiteral("stopped by a signal at step 2")
                                  : QStringLiteral("stopped by the time-out at step 2"));
        EXPECT_TRUE(
            ReadFile(Text(json, "journal")).trimmed().split('\n').last().contains("\tRF off\t"));
    }
}

// The radio switched off while a prompt waits for the technician: the run does not wait for
// the answer or the time-out, it ends as an error of the radio link, the generator off.
TEST(CliEndToEnd, ARadioLostDuringAPromptEndsTheRunWithTheGeneratorOff) {
    QTemporaryDir dir;
    VirtualRadio radio;
    VirtualRadio bench({QStringLiteral("--monitor"), QStringLiteral("0")});
    ASSERT_TRUE(bench.monitor().startsWith(QStringLiteral("TCPIP::127.0.0.1::")));
    const QByteArray monitor = bench.monitor().toLatin1();
    const QString file = ProcedureFile(
        dir, "[bench]\ngenerator = \"" + monitor + "\"\n"
             "[[step]]\nkind = \"generator\"\nfrequency = \"rx\"\nlevel_dbm = -47.0\nrf = true\n"
             "[[step]]\nname = \"Ready\"\nkind = \"prompt\"\ntext = \"Press Enter.\"\n");
    QProcess cli;
    cli.start(kCli, On(radio, {QStringLiteral("--json"), QStringLiteral("run"), file}));
    ASSERT_TRUE(cli.waitForStarted(kStartMs));
    QByteArray err;
    QDeadlineTimer deadline(kRunMs);
    while (!err.contains("Press Enter.") && !deadline.hasExpired() &&
           cli.state() == QProcess::Running) {
        cli.waitForReadyRead(50);
        err += cli.readAllStandardError();
    }
    ASSERT_EQ(cli.state(), QProcess::Running) << err.constData();
    EXPECT_EQ(bench.Ask("OUTP?"), QByteArray("1"));
    radio.Stop();
    // Standard input stays open: only the watch on the radio can end the run.
    ASSERT_TRUE(cli.waitForFinished(kRunMs));
    EXPECT_EQ(cli.exitCode(), 1);
    const QJsonObject json = QJsonDocument::fromJson(cli.readAllStandardOutput()).object();
    EXPECT_EQ(Text(json, "verdict"), QStringLiteral("ERROR"));
    EXPECT_TRUE(Text(json.value(QStringLiteral("run")).toObject(), "endReason")
                    .startsWith(QStringLiteral("the radio link failed: ")));
    EXPECT_EQ(Text(RunStep(json, QStringLiteral("Ready")), "outcome"), QStringLiteral("error"));
    EXPECT_EQ(bench.Ask("OUTP?"), QByteArray("0"));
}

// The generator falls silent between the two captures of a threshold step (as it is set to the
// S1 level): the step ends as an error of the instrument, and the radio holds again the S3 it
// had before the step.
TEST(CliEndToEnd, AMonitorSilencedInsideAThresholdCapturePutsS3Back) {
    QTemporaryDir dir;
    VirtualRadio radio({QStringLiteral("--monitor"), QStringLiteral("0"), QStringLiteral("--fault"),
                        QStringLiteral("monitor-mute-at=-111")});
    const QByteArray monitor = radio.monitor().toLatin1();
    const QString file = ProcedureFile(
        dir, "[bench]\ngenerator = \"" + monitor + "\"\n"
             "[[step]]\nname = \"Thresholds\"\nkind = \"rssi\"\ns3_dbm = -47\ns1_dbm = -111\n");
    const CliRun run = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("run"), file,
                                         QStringLiteral("--yes")}));
    radio.Stop();
    ASSERT_EQ(run.status, 1) << run.err.constData();
    const QJsonObject json = QJsonDocument::fromJson(run.out).object();
    EXPECT_EQ(Text(json, "verdict"), QStringLiteral("ERROR"));
    const QJsonObject step = RunStep(json, QStringLiteral("Thresholds"));
    EXPECT_EQ(Text(step, "outcome"), QStringLiteral("error"));
    EXPECT_TRUE(Text(step, "message").contains(QStringLiteral("S3"))) << Text(step, "message").toStdString();
    // The capture's S3 reached the radio, then the one it held before; S1 never did.
    const QList<QByteArray> stored = [&radio] {
        QList<QByteArray> values;
        for (const QByteArray& line : radio.log().split('\n'))
            if (line.contains("RSSI S3 = ")) values << line.trimmed();
        return values;
    }();
    ASSERT_EQ(stored.size(), 2) << radio.log().constData();
    EXPECT_TRUE(stored.last().endsWith("RSSI S3 = 90 at 170")) << stored.last().constData();
    EXPECT_EQ(radio.Count("RSSI S1 = "), 0);
}

// Without --yes the terminal answers: Enter for a prompt, y or n for a question (anything else
// is asked again); input that ends with a question open stops the run.
TEST(CliEndToEnd, PromptsAreAnsweredOnTheTerminal) {
    QTemporaryDir dir;
    const QString file = ProcedureFile(
        dir, "[[step]]\nkind = \"prompt\"\ntext = \"Connect the monitor.\"\n"
             "[[step]]\nname = \"Lit\"\nkind = \"confirm\"\ntext = \"Is the display lit?\"\n");
    const struct {
        QByteArray input;
        int status;
        const char* lit;  // the question's outcome
    } rows[] = {
        {"\nmaybe\ny\n", 0, "pass"},
        {"\nn\n", 1, "fail"},
        {"\n", 1, "aborted"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.input.constData());
        const CliRun run = RunCli(Simulated({QStringLiteral("--json"), QStringLiteral("run"), file}),
                                  {row.input, {}, 0});
        EXPECT_EQ(run.status, row.status) << run.err.constData();
        EXPECT_EQ(Text(RunStep(Json(run), QStringLiteral("Lit")), "outcome"),
                  QString::fromLatin1(row.lit));
        EXPECT_HAS(run.err, "step 2: Is the display lit?\n  [y/n] ");
    }
}

TEST(CliEndToEnd, AProcedureFileWithMistakesEndsIn2BeforeAnythingStarts) {
    QTemporaryDir dir;
    const QString file = ProcedureFile(dir, "[[step]]\nkind = \"dance\"\n");
    const CliRun run = RunCli(Simulated({QStringLiteral("run"), file}));
    EXPECT_EQ(run.status, 2);
    EXPECT_HAS(run.err, "procedure.toml:3:");
    EXPECT_FALSE(run.err.contains("step 1")) << run.err.constData();

    // A profile file with a mistake is the procedure's mistake: found with its line before
    // the port opens, so not one frame reaches the radio.
    VirtualRadio radio;
    QFile profile(dir.filePath(QStringLiteral("shop.profile")));
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly));
    profile.write("name = shop\ntimeout_ms = fast\n");
    profile.close();
    const QString broken = ProcedureFile(
        dir, "[bench]\npower_meter = \"TCPIP::127.0.0.1::5025::SOCKET\"\n"
             "profile = \"shop.profile\"\n[[step]]\nkind = \"wait\"\nseconds = 1\n");
    const CliRun refused = RunCli(On(radio, {QStringLiteral("run"), broken}));
    EXPECT_EQ(refused.status, 2) << refused.err.constData();
    EXPECT_HAS(refused.err, "procedure.toml:4:11: profile 'shop.profile': ");
    EXPECT_HAS(refused.err, "shop.profile:2: timeout_ms must be a whole number");

    // A generator's profile that cannot switch RF off would leave it on after the run.
    ASSERT_TRUE(profile.open(QIODevice::WriteOnly | QIODevice::Truncate));
    profile.write("name = shop\nrf_on = OUTP ON\nset_level = POW {dbm}\n");
    profile.close();
    const QString noRfOff = ProcedureFile(
        dir, "[bench]\ngenerator = \"TCPIP::127.0.0.1::5025::SOCKET\"\n"
             "profile = \"shop.profile\"\n[[step]]\nkind = \"wait\"\nseconds = 1\n");
    const CliRun rfStaysOn = RunCli(On(radio, {QStringLiteral("run"), noRfOff}));
    EXPECT_EQ(rfStaysOn.status, 2) << rfStaysOn.err.constData();
    EXPECT_HAS(rfStaysOn.err, "profile 'shop.profile': no rf_off: ");
    EXPECT_EQ(radio.Count("program -> radio"), 0) << radio.log().constData();
}

// `run FILE --yes 2>&1 | head -3`, as a shell runs it (the reader here leaves once step 2 has
// begun, whatever warnings came before): the pipe's reader goes away mid-run and
// the run stops as a signal stops it, through the step's teardown (the virtual radio's own
// log has Power(Hi) back, the generator's RF off), with status 1 rather than SIGPIPE's death.
TEST(CliEndToEnd, AReaderThatGoesAwayStopsTheRunThroughItsTeardown) {
    QTemporaryDir dir;
    VirtualRadio radio({QStringLiteral("--monitor"), QStringLiteral("0")});
    const QByteArray monitor = radio.monitor().toLatin1();
    const QString file = ProcedureFile(
        dir, "[bench]\ngenerator = \"" + monitor + "\"\npower_meter = \"" + monitor + "\"\n"
             "[[step]]\nkind = \"generator\"\nfrequency = \"rx\"\nlevel_dbm = -47.0\nrf = true\n"
             "[[step]]\nkind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\n"
             "target = 9.5\ntolerance = 0.1\nmax_steps = 200\n");
    QProcess shell;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath(QStringLiteral("data")));
    shell.setProcessEnvironment(env);
    shell.start(QStringLiteral("bash"),
                {QStringLiteral("-c"),
                 QStringLiteral("\"$0\" \"$@\" 2>&1 | sed '/step 2\\/2/q'; exit ${PIPESTATUS[0]}"),
                 kCli,
                 QStringLiteral("--port"), radio.device(), QStringLiteral("run"), file,
                 QStringLiteral("--yes"), QStringLiteral("--serial"), QStringLiteral("SN 1"),
                 QStringLiteral("--technician"), QStringLiteral("A. Technician")});
    ASSERT_TRUE(shell.waitForFinished(kRunMs));
    EXPECT_EQ(shell.exitCode(), 1) << shell.readAllStandardOutput().constData();
    EXPECT_EQ(radio.Ask("OUTP?"), QByteArray("0"));
    const QByteArray log = radio.log();
    EXPECT_TRUE(log.mid(log.lastIndexOf("POW HI = ")).startsWith("POW HI = 200 at 168"));
    const QFileInfoList runs = QDir(dir.filePath(QStringLiteral("data/qs71dr-adj/backups")))
                                   .entryInfoList({QStringLiteral("*.runs.toml")});
    ASSERT_EQ(runs.size(), 1);
    EXPECT_HAS(ReadFile(runs[0].filePath()), "stopped as its output's reader went away at step 2");
}

// `kill -9` in the middle of a run: the next start says once what the radio was left with and
// that it needs checking; history, the report from the records and the report from the files
// all show the run as ERROR at the step it was in.
TEST(CliEndToEnd, ARunKilledOutrightIsToldAtTheNextStartAndIsAnErrorEverywhere) {
    QTemporaryDir dir;
    const QString data = QStringLiteral("XDG_DATA_HOME=") + dir.filePath(QStringLiteral("data"));
    const RunSetup setup{{}, {data}, 0};
    VirtualRadio radio({QStringLiteral("--monitor"), QStringLiteral("0")});
    const QString file = ProcedureFile(
        dir, "[bench]\ngenerator = \"" + radio.monitor().toLatin1() + "\"\n"
             "[[step]]\nkind = \"generator\"\nfrequency = \"rx\"\nlevel_dbm = -47.0\nrf = true\n"
             "[[step]]\nkind = \"set\"\nitems = { \"Power(Hi)\" = 150 }\n"
             "[[step]]\nkind = \"wait\"\nseconds = 600\n");
    QProcess cli;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(data.section(QLatin1Char('='), 0, 0), data.section(QLatin1Char('='), 1));
    cli.setProcessEnvironment(env);
    cli.start(kCli, On(radio, {QStringLiteral("run"), file, QStringLiteral("--yes")}));
    ASSERT_TRUE(cli.waitForStarted(kStartMs));
    QByteArray err;
    QDeadlineTimer deadline(kRunMs);
    while (!err.contains("step 3/3") && !deadline.hasExpired() && cli.state() == QProcess::Running) {
        cli.waitForReadyRead(50);
        err += cli.readAllStandardError();
    }
    ASSERT_EQ(cli.state(), QProcess::Running) << err.constData();
    ::kill(static_cast<pid_t>(cli.processId()), SIGKILL);
    ASSERT_TRUE(cli.waitForFinished(kRunMs));

    const CliRun next = RunCli(On(radio, {QStringLiteral("identify")}), setup);
    for (const char* words : {"the program ended during the run (at step 3). It is recorded as ERROR.",
                              "The journal shows the radio last got Adjustment mode 1, Power(Hi) "
                              "150; the generator's RF was last switched on.",
                              "Check the radio and the generator"}) {
        EXPECT_HAS(next.err, words);
    }
    EXPECT_FALSE(RunCli(On(radio, {QStringLiteral("identify")}), setup).err.contains("did not end"));

    const QJsonObject row = Json(RunCli({QStringLiteral("history"), QStringLiteral("--json")}, setup))
                                .value(QStringLiteral("connections")).toArray()[0].toObject();
    EXPECT_EQ(Text(row, "verdict"), QStringLiteral("ERROR"));
    const QString fromRecords = dir.filePath(QStringLiteral("records.html"));
    const QString fromFiles = dir.filePath(QStringLiteral("files.html"));
    RunCli({QStringLiteral("history"), QStringLiteral("report"), Text(row, "id"), fromRecords}, setup);
    RunCli({QStringLiteral("report"), Text(row, "backupPath"), fromFiles}, setup);
    for (const QString& report : {fromRecords, fromFiles}) {
        const QByteArray html = ReadFile(report);
        EXPECT_HAS(html, "the program ended during the run (at step 3)");
        EXPECT_FALSE(html.contains("FAIL")) << report.toStdString();
    }
}

// The service records: a `set` recorded as it went, searched (a filter that matches nothing
// reduces the rows), as JSON, reported by ID; a folder imported with an unreadable file listed;
// records that cannot be opened and an unknown ID end in 1, mistakes in 2.
TEST(CliEndToEnd, HistorySearchesReportsAndImportsTheRecords) {
    QTemporaryDir data;  // records of their own, apart from the other tests' connections
    const RunSetup setup{{}, {QStringLiteral("XDG_DATA_HOME=") + data.path()}, 0};
    auto history = [&setup](QStringList args) {
        return RunCli(QStringList{QStringLiteral("history")} + args, setup);
    };
    QString backup;
    {
        VirtualRadio radio;
        const CliRun set = RunCli(On(radio, {QStringLiteral("--json"), QStringLiteral("set"),
                                             QStringLiteral("Power(Hi)=150")}),
                                  setup);
        ASSERT_EQ(set.status, 0) << set.err.constData();
        backup = Text(Json(set), "backup");
    }

    const CliRun listed = history({QStringLiteral("--json")});
    ASSERT_EQ(listed.status, 0) << listed.err.constData();
    const QJsonArray connections = Json(listed).value(QStringLiteral("connections")).toArray();
    ASSERT_EQ(connections.size(), 1) << listed.out.constData();
    const QJsonObject first = connections[0].toObject();
    EXPECT_EQ(Text(first, "backupPath"), backup);
    EXPECT_EQ(Text(first, "state"), QStringLiteral("finished"));
    const QString id = Text(first, "id");

    const CliRun table = history({});
    EXPECT_EQ(table.status, 0);
    EXPECT_HAS(table.out, "ID");
    EXPECT_HAS(table.out, id.toLatin1());
    const CliRun none = history({QStringLiteral("--serial"), QStringLiteral("4F12")});
    EXPECT_EQ(none.status, 0);
    EXPECT_FALSE(none.out.contains(id.toLatin1())) << none.out.constData();
    EXPECT_HAS(none.out, "(no recorded connection matches)");

    const QString html = data.filePath(QStringLiteral("from-records.html"));
    const CliRun report = history({QStringLiteral("report"), id, html});
    ASSERT_EQ(report.status, 0) << report.err.constData();
    EXPECT_HAS(ReadFile(html), ItemRowHtml("Power(Hi)", "200", "150"));

    // A folder with a copy of that connection under another name and a file that is none.
    const QString folder = data.filePath(QStringLiteral("old-bench"));
    QDir().mkpath(folder);
    QFile::copy(backup, folder + QStringLiteral("/20250101-080000-30170102.qsbak"));
    QFile bad(folder + QStringLiteral("/20250102-080000-30170102.qsbak"));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a backup\n");
    bad.close();
    const CliRun imported = history({QStringLiteral("import"), folder});
    ASSERT_EQ(imported.status, 0) << imported.err.constData();
    EXPECT_HAS(imported.out, "Imported 1 connection from ");
    EXPECT_HAS(imported.out, "Skipped " + bad.fileName().toLocal8Bit() + ": ");
    EXPECT_EQ(Json(history({QStringLiteral("--json")}))
                  .value(QStringLiteral("connections"))
                  .toArray()
                  .size(),
              2);

    const struct {
        QStringList args;
        int status;
        const char* message;
    } failures[] = {
        {{QStringLiteral("report"), QStringLiteral("no-such-id"), html, QStringLiteral("--force")},
         1, "No recorded connection has the ID no-such-id"},
        {{QStringLiteral("report"), id, data.filePath(QStringLiteral("r.txt"))}, 2, ".pdf or .html"},
        {{QStringLiteral("report"), id}, 2, "history report: expected ID and OUT"},
        {{QStringLiteral("--verdict"), QStringLiteral("maybe")}, 2, "pass, fail, error or aborted"},
        {{QStringLiteral("--since"), QStringLiteral("yesterday")}, 2, "a date like 2026-12-07"},
        {{QStringLiteral("import")}, 2, "history import: expected FOLDER"},
        {{QStringLiteral("import"), data.filePath(QStringLiteral("missing"))}, 1, "is no folder"},
    };
    for (const auto& row : failures) {
        const CliRun run = history(row.args);
        EXPECT_EQ(run.status, row.status) << row.args.join(' ').toStdString();
        EXPECT_HAS(run.err, row.message);
    }
    const CliRun unopened = RunCli({QStringLiteral("history")}, {{}, {UnwritableDataHome()}, 0});
    EXPECT_EQ(unopened.status, 1) << unopened.out.constData();
    EXPECT_HAS(unopened.err, "is no folder");
}

// A damaged or emptied records file is said with its path and status 1, never listed as
// records without connections; the history only reads, so the file stays as it was found.
TEST(CliEndToEnd, HistoryOnADamagedRecordsFileSaysSoAndLeavesIt) {
    const struct {
        const char* name;
        QByteArray bytes;
        const char* said;
    } cases[] = {
        {"junk", "not a database at all\n", "is damaged"},
        {"truncated", "", "is empty (0 bytes)"},
    };
    for (const auto& c : cases) {
        QTemporaryDir data;
        const QString folder = data.filePath(QStringLiteral("qs71dr-adj"));
        ASSERT_TRUE(QDir().mkpath(folder));
        const QString path = folder + QStringLiteral("/records.sqlite");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        const CliRun run = RunCli({QStringLiteral("history")},
                                  {{}, {QStringLiteral("XDG_DATA_HOME=") + data.path()}, 0});
        EXPECT_EQ(run.status, 1) << c.name;
        EXPECT_HAS(run.err, path.toLocal8Bit());
        EXPECT_HAS(run.err, c.said);
        EXPECT_FALSE(run.out.contains("no recorded connection matches")) << c.name;
        EXPECT_EQ(ReadFile(path), c.bytes) << c.name;
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), QStringList{QStringLiteral("records.sqlite")})
            << c.name;
    }
}

// Records that cannot be kept are said once on standard error, and the work goes on: the
// backup is written and the command succeeds.
TEST(CliEndToEnd, RecordsThatCannotBeKeptAreSaidOnceAndTheReadGoesOn) {
    QTemporaryDir data;
    // A folder stands where the records file would be.
    ASSERT_TRUE(QDir().mkpath(data.filePath(QStringLiteral("qs71dr-adj/records.sqlite"))));
    VirtualRadio radio;
    const CliRun run = RunCli(On(radio, {QStringLiteral("read"), QStringLiteral("--backup")}),
                              {{}, {QStringLiteral("XDG_DATA_HOME=") + data.path()}, 0});
    EXPECT_EQ(run.status, 0) << run.err.constData();
    EXPECT_HAS(run.out, "Backup: ");
    EXPECT_EQ(run.err.count("The service records cannot be used."), 1) << run.err.constData();
}

// A run waiting at its prompt holds its radio's port and the monitor it names: a second
// program on that port is refused with the holder named and sends nothing; a run naming that
// monitor is refused before its own port opens; a program on another cable runs.
TEST(CliEndToEnd, ACableAndAnInstrumentServeOneProgramAtATime) {
    VirtualRadio first({QStringLiteral("--monitor"), QStringLiteral("0")});
    VirtualRadio second;
    QTemporaryDir dir;
    const QString file = ProcedureFile(
        dir, "[bench]\ngenerator = \"" + first.monitor().toUtf8() +
                 "\"\n[[step]]\nkind = \"prompt\"\ntext = \"Hold on.\"\n");
    QProcess holder;
    StartCli(holder, On(first, {QStringLiteral("run"), file}));
    QByteArray prompt;
    QDeadlineTimer deadline(kRunMs);
    while (!prompt.contains("Hold on.") && !deadline.hasExpired() &&
           holder.state() != QProcess::NotRunning) {
        holder.waitForReadyRead(100);
        prompt += holder.readAllStandardError();
    }
    ASSERT_TRUE(prompt.contains("Hold on.")) << prompt.constData();
    const QByteArray byHolder = " is in use by qs71dr-cli (process " +
                                QByteArray::number(holder.processId()) + ")";

    const QString trace = dir.filePath(QStringLiteral("trace.txt"));
    const CliRun samePort = RunCli(QStringList{QStringLiteral("--trace"), trace} +
                                   On(first, {QStringLiteral("identify")}));
    EXPECT_EQ(samePort.status, 1);
    EXPECT_HAS(samePort.err, "Cannot access COM 1.\n\n" + first.device().toUtf8() + byHolder + ".");
    EXPECT_FALSE(samePort.err.contains("Check the following")) << samePort.err.constData();
    EXPECT_FALSE(ReadFile(trace).contains("] TX ")) << ReadFile(trace).constData();

    const CliRun sameMonitor = RunCli(On(second, {QStringLiteral("run"), file}));
    EXPECT_EQ(sameMonitor.status, 1);
    EXPECT_HAS(sameMonitor.err, first.monitor().toUtf8() + " is in use by a run of qs71dr-cli (process " +
                                    QByteArray::number(holder.processId()) + ")");
    EXPECT_EQ(second.Count("program -> radio"), 0);

    const CliRun otherCable = RunCli(On(second, {QStringLiteral("identify")}));
    EXPECT_EQ(otherCable.status, 0) << otherCable.err.constData();

    holder.write("\n");
    holder.closeWriteChannel();
    EXPECT_EQ(FinishCli(holder).status, 0);
}

// Four runs at once, each on its own virtual radio and monitor, into one data folder: each
// passes, and the records and the backups folder hold four connections, none lost or doubled.
TEST(CliEndToEnd, FourRunsAtOnceAreFourConnectionsInTheRecords) {
    QTemporaryDir dir;
    const QString file = ProcedureFile(
        dir, "[[step]]\nkind = \"check\"\nreading = \"VIN\"\nmin = 7.0\nmax = 8.0\n");
    const RunSetup data{{}, {QStringLiteral("XDG_DATA_HOME=") + dir.filePath(QStringLiteral("data"))}, 0};
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 1; i <= 4; ++i) {
        runs.push_back(std::make_unique<QProcess>());
        StartCli(*runs.back(),
                 Simulated({QStringLiteral("run"), file, QStringLiteral("--serial"),
                            QStringLiteral("SN %1").arg(i)}),
                 data);
        runs.back()->closeWriteChannel();
    }
    for (auto& run : runs) {
        const CliRun ended = FinishCli(*run);
        EXPECT_EQ(ended.status, 0) << ended.err.constData() << ended.out.constData();
    }
    const CliRun history = RunCli({QStringLiteral("--json"), QStringLiteral("history")}, data);
    ASSERT_EQ(history.status, 0) << history.err.constData();
    QStringList serials;
    QSet<QString> backups;
    for (const QJsonValue& row : Json(history).value(QStringLiteral("connections")).toArray()) {
        serials << Text(row.toObject(), "serialNumber");
        backups << Text(row.toObject(), "backupPath");
        EXPECT_EQ(Text(row.toObject(), "state"), QStringLiteral("finished"));
        EXPECT_EQ(Text(row.toObject(), "verdict"), QStringLiteral("PASS"));
    }
    serials.sort();
    EXPECT_EQ(serials, QStringList({QStringLiteral("SN 1"), QStringLiteral("SN 2"),
                                    QStringLiteral("SN 3"), QStringLiteral("SN 4")}));
    EXPECT_EQ(backups.size(), 4);
    EXPECT_EQ(QDir(dir.filePath(QStringLiteral("data/qs71dr-adj/backups")))
                  .entryList({QStringLiteral("*.qsbak")}, QDir::Files)
                  .size(),
              4);
}

}  // namespace

int main(int argc, char** argv) {
    // Before anything reads them: this run's own lock and backup folders.
    QTemporaryDir scratch;
    qputenv("TMPDIR", scratch.path().toLocal8Bit());
    qputenv("XDG_DATA_HOME", scratch.filePath(QStringLiteral("data")).toLocal8Bit());
    // No settings of the desktop program but a test's own.
    qputenv("XDG_CONFIG_HOME", scratch.filePath(QStringLiteral("config")).toLocal8Bit());
    QCoreApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
