// The bench over real sockets: the SCPI client with its QtCore streams against qt71dr-sim's
// service monitor (a process of its own) and against small test servers that misbehave on
// purpose; the USBTMC stream against a pseudo-terminal standing in for the device file.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "instruments/bench.h"
#include "qt/pty_pair.h"
#include "qtcore/qt_instrument_streams.h"
#include "qtcore/qt_timer.h"
#include "qtcore/qt_usbtmc_stream.h"

namespace qs::instruments {
namespace {

constexpr int kStartMs = 15000;
constexpr int kWaitMs = 10000;
// Short answer times keep the time-out cases quick.
constexpr std::chrono::milliseconds kShortAnswer{300};

bool RunUntil(const std::function<bool()>& done, int ms = kWaitMs) {
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, [&] {
        if (done() || clock.elapsed() > ms) loop.quit();
    });
    look.start(5);
    if (!done()) loop.exec();
    return done();
}

// qt71dr-sim with its service monitor on a free port.
class Monitor {
public:
    Monitor() {
        process_.setProgram(QStringLiteral(QS_SIM_PROGRAM));
        process_.setArguments({QStringLiteral("--monitor"), QStringLiteral("0")});
        process_.setStandardErrorFile(QProcess::nullDevice());
        process_.start();
        QDeadlineTimer deadline(kStartMs);
        QStringList lines;
        while (lines.size() < 2 && !deadline.hasExpired() &&
               process_.state() != QProcess::NotRunning) {
            if (!process_.canReadLine()) process_.waitForReadyRead(100);
            while (process_.canReadLine())
                lines << QString::fromLocal8Bit(process_.readLine()).trimmed();
        }
        if (lines.size() == 2 && lines[1].startsWith(QStringLiteral("monitor "))) {
            address_ = lines[1].mid(8).toStdString();
        }
    }
    ~Monitor() {
        process_.kill();
        process_.waitForFinished(kStartMs);
    }
    const std::string& address() const { return address_; }
    // One query on a connection of its own, as a second client would ask.
    QByteArray Ask(const QByteArray& line) {
        QTcpSocket socket;
        const auto parts = QString::fromStdString(address_).split(QStringLiteral("::"));
        socket.connectToHost(parts[1], static_cast<quint16>(parts[2].toInt()));
        if (!socket.waitForConnected(kWaitMs)) return "not connected";
        socket.write(line + "\n");
        while (!socket.canReadLine() && socket.waitForReadyRead(kWaitMs)) {
        }
        return socket.readLine().trimmed();
    }

private:
    QProcess process_;
    std::string address_;
};

// A test instrument on a free port: answers each line as `respond` says (nothing: silent).
class ScriptedServer {
public:
    explicit ScriptedServer(std::function<std::optional<QByteArray>(const QByteArray&)> respond,
                            bool hangUpOnConnect = false)
        : respond_(std::move(respond)) {
        server_.listen(QHostAddress::LocalHost);
        QObject::connect(&server_, &QTcpServer::newConnection, [this, hangUpOnConnect] {
            QTcpSocket* socket = server_.nextPendingConnection();
            if (hangUpOnConnect) {
                socket->disconnectFromHost();
                return;
            }
            QObject::connect(socket, &QTcpSocket::readyRead, socket, [this, socket] {
                while (socket->canReadLine()) {
                    const QByteArray line = socket->readLine().trimmed();
                    if (const auto answer = respond_(line)) socket->write(*answer + "\n");
                }
            });
        });
    }
    std::string address() const {
        return "TCPIP::127.0.0.1::" + std::to_string(server_.serverPort()) + "::SOCKET";
    }

private:
    QTcpServer server_;
    std::function<std::optional<QByteArray>(const QByteArray&)> respond_;
};

struct Rig {
    qt::QtInstrumentStreams streams;
    qt::QtTimer timer;
    qt::SystemTickSource clock;
    Bench bench{streams, timer, clock};
};

template <typename T>
std::optional<Result<T>> Wait(const std::function<void(std::function<void(const Result<T>&)>)>& start) {
    std::optional<Result<T>> got;
    start([&got](const Result<T>& r) { got = r; });
    RunUntil([&] { return got.has_value(); });
    return got;
}

std::string MessageOf(const std::optional<Status>& s) {
    return !s ? "no result" : s->ok() ? "ok" : s->error().message;
}

TEST(MonitorOverTcp, IdentifySetTheGeneratorAndReadEachMeter) {
    Monitor monitor;
    ASSERT_FALSE(monitor.address().empty()) << "qt71dr-sim did not print its monitor";
    Rig rig;
    for (Role role : kRoles)
        ASSERT_TRUE(rig.bench.Assign(role, monitor.address()).ok());

    const auto identity = Wait<std::string>([&](auto done) { rig.bench.Identify(Role::Generator, done); });
    ASSERT_TRUE(identity && identity->ok());
    EXPECT_EQ(identity->value().rfind("qt71dr-sim,Virtual service monitor,0,", 0), 0u);

    const std::pair<const char*, std::function<void(Bench::StatusDone)>> settings[] = {
        {"frequency", [&](auto done) { rig.bench.SetFrequency(146520000, done); }},
        {"level", [&](auto done) { rig.bench.SetLevel(-60, done); }},
        {"rf", [&](auto done) { rig.bench.SetRf(RfOutput::On, done); }},
    };
    for (const auto& [name, start] : settings) {
        const auto status = Wait<Done>(start);
        EXPECT_EQ(MessageOf(status), "ok") << name;
    }
    EXPECT_EQ(monitor.Ask("FREQ?;POW?;OUTP?"), "+1.465200000E+08;-6.000000000E+01;1");

    const std::tuple<Quantity, double, double> readings[] = {
        {Quantity::Power, 4.92118416, 1e-6},
        {Quantity::Deviation, 4500.0, 1e-6},
        {Quantity::Frequency, 146519780.2, 0.1},
    };
    for (const auto& [quantity, value, tolerance] : readings) {
        const auto reading =
            Wait<Measurement>([&, q = quantity](auto done) { rig.bench.Measure(q, done); });
        ASSERT_TRUE(reading && reading->ok()) << FactsOf(quantity).name;
        EXPECT_NEAR(reading->value().value, value, tolerance);
        EXPECT_STREQ(reading->value().unit, FactsOf(quantity).unit);
    }
}

TEST(MonitorOverTcp, TheInstrumentsErrorsAndProfileMistakesAreReported) {
    Monitor monitor;
    ASSERT_FALSE(monitor.address().empty());
    Rig rig;
    ASSERT_TRUE(rig.bench.Assign(Role::Generator, monitor.address()).ok());
    const auto outOfRange = Wait<Done>([&](auto done) { rig.bench.SetFrequency(5e9, done); });
    EXPECT_EQ(MessageOf(outOfRange), monitor.address() +
                                         ": the instrument refused FREQ 5000000000: "
                                         "-222,\"Data out of range\"");

    // A shop's profile with two mistakes: a setting and a query the monitor does not know.
    const Result<Profile> profile = ParseProfile(
        "name = mistaken\nset_frequency = FRQ {hz}\nmeasure_power = MEAS:PWR?\n", "mistaken");
    ASSERT_TRUE(profile.ok());
    InstrumentOptions options;
    options.profile = profile.value();
    // Long enough for a busy machine to let the monitor answer the resync that follows.
    options.answerTimeout = std::chrono::milliseconds(1000);
    ASSERT_TRUE(rig.bench.Assign(Role::PowerMeter, monitor.address(), options).ok() == false)
        << "one instrument, two profiles";
    ASSERT_TRUE(rig.bench.Assign(Role::Generator, monitor.address(), options).ok());
    ASSERT_TRUE(rig.bench.Assign(Role::PowerMeter, monitor.address(), options).ok());
    const auto setting = Wait<Done>([&](auto done) { rig.bench.SetFrequency(146520000, done); });
    EXPECT_EQ(MessageOf(setting), monitor.address() +
                                      ": the instrument refused FRQ 146520000: "
                                      "-113,\"Undefined header\"");
    const auto power = Wait<Measurement>([&](auto done) { rig.bench.Measure(Quantity::Power, done); });
    ASSERT_TRUE(power && !power->ok());
    EXPECT_EQ(power->error().fault, Fault::NoAnswer);
    EXPECT_EQ(power->error().message, monitor.address() +
                                          ": no answer to MEAS:PWR? within 1 s; the instrument "
                                          "reports -113,\"Undefined header\"");
    // The connection is in step again afterwards.
    const auto rf = Wait<Done>([&](auto done) { rig.bench.SetRf(RfOutput::Off, done); });
    EXPECT_EQ(MessageOf(rf), monitor.address() + ": the profile 'mistaken' has no command for rf_off");
    const auto again = Wait<Done>([&](auto done) { rig.bench.SetFrequency(1e9, done); });
    EXPECT_EQ(MessageOf(again), monitor.address() +
                                    ": the instrument refused FRQ 1000000000: "
                                    "-113,\"Undefined header\"");
}

TEST(InstrumentFaultsOverTcp, RefusedSilentClosedOrNotANumber) {
    auto answering = [](const QByteArray& line) -> std::optional<QByteArray> {
        if (line == "*IDN?") return QByteArray("Test,Meter,1,1");
        if (line == "SYST:ERR?") return QByteArray("0,\"No error\"");
        if (line == "MEAS:FM:DEV?") return QByteArray("OVLD");
        return std::nullopt;
    };
    ScriptedServer notANumber(answering);
    ScriptedServer silent([](const QByteArray&) { return std::nullopt; });
    ScriptedServer hangsUp([](const QByteArray&) { return std::nullopt; }, true);
    std::string closedPort;
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        closedPort = std::to_string(probe.serverPort());
    }
    struct Row {
        const char* name;
        std::string address;
        Fault fault;
        std::string message;  // after the address
    };
    const Row rows[] = {
        {"not a number", notANumber.address(), Fault::BadAnswer,
         ": the answer to MEAS:FM:DEV? is not a number: 'OVLD'"},
        {"silent", silent.address(), Fault::NoAnswer, ": no answer to *IDN? within 0.3 s"},
        {"hangs up", hangsUp.address(), Fault::ConnectionLost,
         ": connection lost: the instrument closed the connection"},
        {"refused", "TCPIP::127.0.0.1::" + closedPort + "::SOCKET", Fault::CannotConnect,
         ": cannot connect: connection refused (nothing listens on port " + closedPort +
             " of 127.0.0.1; is it the instrument's SCPI socket port?)"},
        {"no serial device", "ASRL/dev/ttyQS-none::9600", Fault::CannotConnect,
         ": cannot connect: cannot open /dev/ttyQS-none: No such file or directory"},
        {"no device file", "USB::/dev/usbtmc-none", Fault::CannotConnect,
         ": cannot connect: cannot open /dev/usbtmc-none: No such file or directory"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Rig rig;
        InstrumentOptions options;
        options.answerTimeout = kShortAnswer;
        ASSERT_TRUE(rig.bench.Assign(Role::ModulationMeter, row.address, options).ok());
        const auto reading =
            Wait<Measurement>([&](auto done) { rig.bench.Measure(Quantity::Deviation, done); });
        ASSERT_TRUE(reading && !reading->ok());
        EXPECT_EQ(reading->error().fault, row.fault);
        EXPECT_EQ(reading->error().message, rig.bench.Address(Role::ModulationMeter) + row.message);
    }
}

// The TCP stream itself: a host name is looked up off the program's thread and connects as a
// number does; a stream closed or destroyed while its name is being looked up tells nothing;
// bytes go both ways in order, and the far end closing is said once.
TEST(TcpStream, ByNameOrNumberAndClosedWhileLookingUp) {
    QTcpServer server;
    ASSERT_TRUE(server.listen(QHostAddress::LocalHost));
    std::vector<QTcpSocket*> peers;
    QObject::connect(&server, &QTcpServer::newConnection,
                     [&] { peers.push_back(server.nextPendingConnection()); });
    qt::QtInstrumentStreams streams;
    for (const char* host : {"127.0.0.1", "localhost"}) {
        SCOPED_TRACE(host);
        StreamEndpoint endpoint;
        endpoint.host = host;
        endpoint.port = server.serverPort();
        std::string error;
        auto stream = streams.Create(endpoint, &error);
        ASSERT_TRUE(stream) << error;
        bool opened = false;
        std::string received;
        std::vector<std::string> failures;
        stream->setHandlers({[&] { opened = true; },
                             [&](const Bytes& b) { received.append(b.begin(), b.end()); },
                             [&](const std::string& why) { failures.push_back(why); }});
        stream->open();
        EXPECT_FALSE(opened) << "never inside the call";
        ASSERT_TRUE(RunUntil([&] { return opened && !peers.empty(); }));
        QTcpSocket* peer = peers.back();
        ASSERT_TRUE(stream->write(Bytes{'*', 'I', 'D', 'N', '?', '\n'}));
        QByteArray heard;
        ASSERT_TRUE(RunUntil([&] { return (heard += peer->readAll()).size() >= 6; }));
        EXPECT_EQ(heard, QByteArray("*IDN?\n"));
        peer->write("Bench,");
        peer->flush();
        peer->write("M,1,2\n");
        ASSERT_TRUE(RunUntil([&] { return received == "Bench,M,1,2\n"; })) << received;
        peer->disconnectFromHost();
        ASSERT_TRUE(RunUntil([&] { return !failures.empty(); }));
        RunUntil([] { return false; }, 100);
        ASSERT_EQ(failures.size(), 1u);
        EXPECT_EQ(failures[0], "the instrument closed the connection");
        EXPECT_FALSE(stream->isOpen());
    }
    // Closed, then destroyed, while the name is looked up: nothing is told afterwards.
    StreamEndpoint endpoint;
    endpoint.host = "localhost";
    endpoint.port = server.serverPort();
    std::string error;
    auto closed = streams.Create(endpoint, &error);
    auto destroyed = streams.Create(endpoint, &error);
    int told = 0;
    for (auto* stream : {closed.get(), destroyed.get()}) {
        stream->setHandlers({[&] { ++told; }, nullptr, [&](const std::string&) { ++told; }});
        stream->open();
    }
    closed->close();
    destroyed.reset();
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(told, 0);
    EXPECT_FALSE(closed->isOpen());
}

// The USBTMC stream on a pseudo-terminal: each line goes out on its own, the answer of a query
// comes back, and closing while its helper waits for an answer returns at once.
TEST(UsbTmcStream, LinesGoOutAnswersComeBackAndClosingNeverWaits) {
    qt::testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    qt::QtUsbTmcStream stream(pty.slavePath().toStdString(), 2000);
    bool opened = false;
    std::string received;
    std::string failure;
    stream.setHandlers({[&] { opened = true; },
                        [&](const Bytes& b) { received.append(b.begin(), b.end()); },
                        [&](const std::string& why) { failure = why; }});
    EXPECT_FALSE(stream.write(Bytes{'x'})) << "not open yet";
    stream.open();
    EXPECT_FALSE(opened) << "never inside the call";
    ASSERT_TRUE(RunUntil([&] { return opened; }));
    const std::string sent = "*CLS\nFREQ 1\nSYST:ERR?\n";
    ASSERT_TRUE(stream.write(Bytes(sent.begin(), sent.end())));
    QByteArray wire;
    ASSERT_TRUE(RunUntil([&] {
        wire += pty.ReadAvailable();
        return wire.size() >= static_cast<int>(sent.size());
    }));
    EXPECT_EQ(wire.toStdString(), sent);
    pty.Write("0,\"No");
    pty.Write(" error\"\n");
    ASSERT_TRUE(RunUntil([&] { return received == "0,\"No error\"\n"; }));
    EXPECT_EQ(failure, "");

    const std::string query = "MEAS:POW?\n";
    ASSERT_TRUE(stream.write(Bytes(query.begin(), query.end())));
    wire.clear();
    ASSERT_TRUE(RunUntil([&] {
        wire += pty.ReadAvailable();
        return wire.contains("MEAS:POW?");
    }));
    // The helper now waits for an answer nobody sends: a close that waited for it would take
    // the stream's whole 2-s answer time-out, or never return.
    QElapsedTimer closing;
    closing.start();
    stream.close();
    EXPECT_LT(closing.elapsed(), 1000);
    EXPECT_FALSE(stream.isOpen());
    // Closed by the program, the stream tells nothing more: no failure, no late answer.
    const std::string receivedAtClose = received;
    pty.Write("+1.0E+00\n");
    RunUntil([] { return false; }, 300);
    EXPECT_EQ(failure, "");
    EXPECT_EQ(received, receivedAtClose);
    EXPECT_FALSE(stream.write(Bytes{'x'})) << "closed";
}

// A serial instrument on a pseudo-terminal, through the bench as a technician addresses it:
// the queries go out whole, an answer handed over in pieces (as a USB adapter does) is one
// reading, and a line that hangs up ends in a reason with nothing more arriving.
TEST(SerialInstrument, AnswersInPiecesAreOneReadingAndAHangUpIsReported) {
    qt::testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    const std::string address = "ASRL" + pty.slavePath().toStdString() + "::115200";
    Rig rig;
    InstrumentOptions options;
    options.answerTimeout = std::chrono::milliseconds(2000);
    ASSERT_TRUE(rig.bench.Assign(Role::PowerMeter, address, options).ok());

    // The instrument: answers each query in three pieces, a few milliseconds apart.
    QByteArray heard;
    QTimer instrument;
    QObject::connect(&instrument, &QTimer::timeout, [&] {
        heard += pty.ReadAvailable();
        while (heard.contains('\n')) {
            const QByteArray line = heard.left(heard.indexOf('\n'));
            heard.remove(0, line.size() + 1);
            QByteArray answer;
            if (line == "*IDN?") answer = "Bench,PM-1,7,1.0\n";
            if (line == "MEAS:POW?") answer = "+4.875E+00\n";
            if (line == "SYST:ERR?") answer = "0,\"No error\"\n";
            for (int at = 0; at < answer.size(); at += 4) {
                pty.Write(answer.mid(at, 4));
                QThread::msleep(2);
            }
        }
    });
    instrument.start(5);

    const auto reading =
        Wait<Measurement>([&](auto done) { rig.bench.Measure(Quantity::Power, done); });
    ASSERT_TRUE(reading && reading->ok()) << (reading ? reading->error().message : "none");
    EXPECT_DOUBLE_EQ(reading->value().value, 4.875);
    const auto identity =
        Wait<std::string>([&](auto done) { rig.bench.Identify(Role::PowerMeter, done); });
    ASSERT_TRUE(identity && identity->ok());
    EXPECT_EQ(identity->value(), "Bench,PM-1,7,1.0");

    instrument.stop();
    pty.CloseMaster();
    // A hang-up, told as one and at once, not the 2-s answer time-out of a silent instrument.
    QElapsedTimer asked;
    asked.start();
    const auto lost =
        Wait<Measurement>([&](auto done) { rig.bench.Measure(Quantity::Power, done); });
    ASSERT_TRUE(lost && !lost->ok());
    EXPECT_LT(asked.elapsed(), 1500);
    EXPECT_EQ(lost->error().fault, Fault::ConnectionLost);
    EXPECT_NE(lost->error().message.find(address), std::string::npos) << lost->error().message;
    EXPECT_NE(lost->error().message.find("hung up"), std::string::npos) << lost->error().message;
}

// The serial stream itself: nothing is told inside open, a device that is not there fails
// from the event loop, and the hang-up of an open line is told once.
TEST(SerialInstrument, OpenFailuresAndHangUpsAreToldFromTheEventLoopOnce) {
    qt::QtInstrumentStreams streams;
    StreamEndpoint endpoint;
    endpoint.kind = StreamEndpoint::Kind::Serial;
    endpoint.device = "/dev/ttyQS-none";
    std::string error;
    auto missing = streams.Create(endpoint, &error);
    ASSERT_TRUE(missing) << error;
    std::vector<std::string> failures;
    missing->setHandlers({nullptr, nullptr, [&](const std::string& why) { failures.push_back(why); }});
    missing->open();
    EXPECT_TRUE(failures.empty()) << "never inside the call";
    ASSERT_TRUE(RunUntil([&] { return !failures.empty(); }));
    EXPECT_EQ(failures[0], "cannot open /dev/ttyQS-none: No such file or directory");

    qt::testing::PtyPair pty;
    ASSERT_TRUE(pty.ok());
    endpoint.device = pty.slavePath().toStdString();
    auto line = streams.Create(endpoint, &error);
    bool opened = false;
    failures.clear();
    line->setHandlers({[&] { opened = true; }, nullptr,
                       [&](const std::string& why) { failures.push_back(why); }});
    line->open();
    ASSERT_TRUE(RunUntil([&] { return opened; }));
    pty.CloseMaster();
    ASSERT_TRUE(RunUntil([&] { return !failures.empty(); }));
    RunUntil([] { return false; }, 200);
    ASSERT_EQ(failures.size(), 1u);
    EXPECT_EQ(failures[0], "the serial line " + endpoint.device +
                               " hung up (is the cable still plugged in?)");
    EXPECT_FALSE(line->isOpen());
}

}  // namespace
}  // namespace qs::instruments

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
