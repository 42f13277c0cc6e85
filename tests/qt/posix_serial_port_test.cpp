// The POSIX serial port against a pseudo-terminal, with the arrival patterns of real cables
// written to the line by a thread of the test: every byte once and in order, the first data
// after a quiet line reported at once, a long stream in few reports; looks that change
// nothing; hang-ups that close the port and stop every wake-up; exclusive use.
#include <QTimer>
#include <QtTest>
#include <atomic>
#include <chrono>
#include <thread>

#include "pty_pair.h"
#include "qt_test_main.h"
#include "qtcore/port_bindings.h"
#include "qtcore/posix_serial_port.h"

using namespace qs;
using namespace qs::qt;
using qs::qt::testing::PtyPair;

namespace {

struct Pattern {
    int bytes;  // written at once
    int gapMs;  // between writes
};

// The program as the port sees it: reports handled at once, and a heartbeat that looks.
struct Program {
    PtyPair pty;
    PortBindings bindings;
    PosixSerialPort port{bindings};
    Bytes got;
    int reports = 0;
    int overflows = 0;
    int wakeUpsAtFirstReport = -1;
    QTimer heartbeat;
    Program() {
        bindings.Bind(1, pty.slavePath().toStdString());
        port.setInBufferSize(32760);
        port.setEventHandler([this](CommEvent event) {
            if (event == CommEvent::RxOver) ++overflows;
            if (++reports == 1) wakeUpsAtFirstReport = port.counters().wakeUps;
            Take();
        });
        QObject::connect(&heartbeat, &QTimer::timeout, [this] { Take(); });
    }
    void Take() {
        if (port.inBufferCount() == 0) return;
        const Bytes in = port.input();
        got.insert(got.end(), in.begin(), in.end());
    }
};

Bytes Stream(int count) {
    Bytes bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<std::uint8_t>(i * 13 + i / 256));
    return bytes;
}

// Writes `bytes` to the line in the pattern's pieces, from a thread of its own.
class Writer {
public:
    Writer(PtyPair& pty, const Bytes& bytes, Pattern pattern)
        : thread_([this, &pty, bytes, pattern] {
              for (std::size_t at = 0; at < bytes.size() && !stop_; at += pattern.bytes) {
                  const std::size_t n = std::min<std::size_t>(pattern.bytes, bytes.size() - at);
                  pty.WriteAll(QByteArray(reinterpret_cast<const char*>(bytes.data() + at),
                                          static_cast<int>(n)));
                  std::this_thread::sleep_for(std::chrono::milliseconds(pattern.gapMs));
              }
              done_ = true;
          }) {}
    ~Writer() { Stop(); }
    void Stop() {
        stop_ = true;
        if (thread_.joinable()) thread_.join();
    }
    bool done() const { return done_; }

private:
    std::atomic<bool> stop_{false};
    std::atomic<bool> done_{false};
    std::thread thread_;
};

void Patterns() {
    QTest::addColumn<int>("bytes");
    QTest::addColumn<int>("gapMs");
    QTest::addColumn<int>("maxReports");
    // At 9600 bit/s about a byte a millisecond; a USB adapter's 16 bytes every 16 ms; a
    // packing bridge's bursts.
    QTest::newRow("byte by byte") << 1 << 1 << 30;
    QTest::newRow("chunks of 16 every 16 ms") << 16 << 16 << 30;
    QTest::newRow("bursts of 256 every 270 ms") << 256 << 270 << 12;
}

}  // namespace

class PosixSerialPortTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A 1200-byte stream with the program's 50 ms heartbeat: whole, in order, in far fewer
    // reports than bytes, the first at once.
    void aStreamArrivesWholeInFewReports_data() { Patterns(); }
    void aStreamArrivesWholeInFewReports() {
        QFETCH(int, bytes);
        QFETCH(int, gapMs);
        QFETCH(int, maxReports);
        Program p;
        QVERIFY(p.port.setPortOpen(true));
        p.heartbeat.start(50);
        const Bytes sent = Stream(1200);
        Writer writer(p.pty, sent, Pattern{bytes, gapMs});
        // The first data after a quiet line: reported on the wake-up it caused, not by a look.
        QTRY_VERIFY_WITH_TIMEOUT(p.reports >= 1, 10000);
        QCOMPARE(p.wakeUpsAtFirstReport, 1);
        QTRY_VERIFY_WITH_TIMEOUT(writer.done(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(p.got.size(), sent.size(), 10000);
        QVERIFY(p.got == sent);
        QVERIFY2(p.reports <= maxReports, std::to_string(p.reports).c_str());
        QVERIFY2(p.port.counters().wakeUps < 1200 / 10,
                 std::to_string(p.port.counters().wakeUps).c_str());
    }

    // A first byte after a quiet line is reported by the wake-up it causes, without a look.
    void theFirstDataAfterAQuietLineIsReportedAtOnce() {
        Program p;
        QVERIFY(p.port.setPortOpen(true));
        QVERIFY(p.pty.Write("a"));
        QTRY_COMPARE_WITH_TIMEOUT(p.reports, 1, 10000);
        QCOMPARE(p.wakeUpsAtFirstReport, 1);
        QCOMPARE(p.got, Bytes{'a'});
    }

    // Not watching the line in a stream, the port leaves the bytes in the driver; the
    // program's look counts them without taking anything or changing the port (no event loop
    // runs between the looks, so nothing else can), and its input takes them.
    void theProgramsLookCountsWhatWaitsAndChangesNothing() {
        Program p;
        p.port.setEventHandler([&p](CommEvent) {
            if (++p.reports == 1) p.Take();  // later reports leave the data waiting
        });
        QVERIFY(p.port.setPortOpen(true));
        QVERIFY(p.pty.Write("a"));
        QTRY_COMPARE_WITH_TIMEOUT(p.got, Bytes{'a'}, 10000);
        QVERIFY(p.pty.Write("bcd"));
        QTRY_COMPARE_WITH_TIMEOUT(p.port.inBufferCount(), 3, 10000);
        const PosixSerialPort::Counters before = p.port.counters();
        for (int i = 0; i < 10; ++i)
            QCOMPARE(p.port.inBufferCount(), 3);
        QCOMPARE(p.port.counters().bytesRead, before.bytesRead);
        QCOMPARE(p.port.counters().wakeUps, before.wakeUps);
        QCOMPARE(p.port.counters().reports, before.reports);
        QCOMPARE(p.port.input(), (Bytes{'b', 'c', 'd'}));
        QCOMPARE(p.port.inBufferCount(), 0);
    }

    // The far end closed mid-read, or the kernel hanging the device up: the port closes, says
    // why, keeps what came before, and wakes up no more.
    void aHangUpMidReadClosesThePortAndEndsEveryWakeUp_data() {
        QTest::addColumn<bool>("kernelHangUp");
        QTest::newRow("pseudo-terminal master closed") << false;
        QTest::newRow("TIOCVHANGUP") << true;
    }
    void aHangUpMidReadClosesThePortAndEndsEveryWakeUp() {
        QFETCH(bool, kernelHangUp);
        Program p;
        QVERIFY(p.port.setPortOpen(true));
        p.heartbeat.start(50);
        Writer writer(p.pty, Stream(100000), Pattern{16, 16});
        QTRY_VERIFY_WITH_TIMEOUT(p.got.size() >= 200, 10000);
        writer.Stop();
        if (kernelHangUp) {
            if (!p.pty.VirtualHangUp()) QSKIP("TIOCVHANGUP needs CAP_SYS_ADMIN");
        } else {
            p.pty.CloseMaster();
        }
        QTRY_VERIFY_WITH_TIMEOUT(!p.port.portOpen(), 10000);
        QVERIFY(!p.port.lostReason().empty());
        const Bytes sent = Stream(100000);
        QVERIFY(std::equal(p.got.begin(), p.got.end(), sent.begin()));
        const int wakeUps = p.port.counters().wakeUps;
        const int reports = p.reports;
        QTest::qWait(300);
        QCOMPARE(p.port.counters().wakeUps, wakeUps);
        QCOMPARE(p.reports, reports);
        QCOMPARE(p.port.inBufferCount(), 0);
        QVERIFY(!p.port.output(Bytes{0x01}));
    }

    // A writer as fast as the pseudo-terminal takes bytes, far more than the receive buffer,
    // and a heartbeat that stalls for a second in the middle: every byte arrives, in order,
    // no take is larger than the buffer, and nothing is called an overflow.
    void anUnpacedLineWithAStalledHeartbeatLosesNothing() {
        Program p;
        std::size_t largest = 0;
        QObject::disconnect(&p.heartbeat, nullptr, nullptr, nullptr);
        QObject::connect(&p.heartbeat, &QTimer::timeout, [&p, &largest] {
            const std::size_t before = p.got.size();
            p.Take();
            largest = std::max(largest, p.got.size() - before);
        });
        p.port.setEventHandler([&p](CommEvent event) {
            if (event == CommEvent::RxOver) ++p.overflows;
            ++p.reports;
        });
        QVERIFY(p.port.setPortOpen(true));
        p.heartbeat.start(50);
        const Bytes sent = Stream(300000);
        Writer writer(p.pty, sent, Pattern{8192, 0});
        QTRY_VERIFY_WITH_TIMEOUT(p.got.size() >= 40000, 10000);
        p.heartbeat.stop();
        QTest::qWait(1000);
        p.heartbeat.start(50);
        QTRY_VERIFY_WITH_TIMEOUT(writer.done(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(p.got.size(), sent.size(), 10000);
        QVERIFY(p.got == sent);
        QCOMPARE(p.overflows, 0);
        QVERIFY2(largest <= 32760, std::to_string(largest).c_str());
        QVERIFY(p.port.portOpen());
    }

    // A driver that counts its lost bytes (a UART's overrun, a full line discipline): a rise
    // since the opening is a receive overflow at the next look, once; a steady count is not.
    void aDriverCountingLostBytesIsAnOverflow() {
        Program p;
        std::atomic<std::int64_t> lost{12};
        p.port.setLostByteCounter([&lost](int) { return std::optional<std::int64_t>(lost); });
        QVERIFY(p.port.setPortOpen(true));
        p.heartbeat.start(50);
        QVERIFY(p.pty.Write("ab"));
        QTRY_COMPARE_WITH_TIMEOUT(p.got, (Bytes{'a', 'b'}), 10000);
        QCOMPARE(p.overflows, 0);
        lost = 15;
        QVERIFY(p.pty.Write("c"));
        QTRY_COMPARE_WITH_TIMEOUT(p.overflows, 1, 10000);
        QVERIFY(p.pty.Write("d"));
        QTest::qWait(200);
        QCOMPARE(p.overflows, 1);
    }

    // Another opening of the same device is refused while the port has it.
    void theDeviceIsTakenForThisPortAlone() {
        Program p;
        QVERIFY(p.port.setPortOpen(true));
        PosixSerialPort other(p.bindings);
        std::string error;
        QVERIFY(!other.setPortOpen(true, &error));
        QVERIFY2(error.find(p.pty.slavePath().toStdString()) != std::string::npos, error.c_str());
        p.port.setPortOpen(false);
        QVERIFY2(other.setPortOpen(true, &error), error.c_str());
    }
};

QS_QT_TEST(qt_posix_serial_port_tests, PosixSerialPortTest)
#include "posix_serial_port_test.moc"
