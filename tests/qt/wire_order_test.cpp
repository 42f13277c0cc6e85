// What reaches the radio over a real serial port: the real window and the program's serial
// port on the pseudo-terminal of qt71dr-sim. The in-memory cable takes every frame at once; a real port
// keeps written bytes in its own buffer until the event loop runs, which is where frames can
// get lost or reordered.
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <memory>

#include "qt_test_main.h"
#include "app_harness.h"
#include "fakes/fake_alerts.h"
#include "link/hex_text.h"
#include "model/rig_k52t_op.h"
#include "safety/journal_file.h"
#include "safety/safety_net.h"
#include "safety/wall_clock.h"
#include "sim_process.h"

using namespace qs;
using namespace qs::qt;
using namespace qs::qt::testing;

namespace {

constexpr int kReadMs = 60000;
constexpr int kSettleMs = 30000;
constexpr int kImageBytes = 32112;
// Fast, yet at a pace a cable could keep: an unpaced radio can outrun the program's receive
// buffer on a busy machine.
const QString kFastBaud = QStringLiteral("115200");

constexpr int kBalanceAt = 106;
struct Mirror {
    int address;
    int command;
};
// In the order the model compares them.
constexpr std::array<Mirror, 3> kMirrors{{{113, 0x12}, {99, 0x10}, {120, 0x1B}}};
constexpr int kBalanceCommand = 0x11;

// An adjustment command text: the command's two digits, then the ASCII codes of the value's.
QString Command(int command, int value) {
    return QString::fromStdString(ByteToHex2(command) + ByteToAsciiHexText(value));
}

// The built-in image of the virtual radio, as it saves it.
QByteArray BuiltInImage(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("builtin.img"));
    VirtualRadio radio({QStringLiteral("--save-image"), path});
    if (radio.device().isEmpty() || !radio.Stop()) return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

bool WriteImage(const QString& path, const QByteArray& image) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(image) == image.size();
}

int At(const QByteArray& image, int address) {
    return static_cast<unsigned char>(image.at(address));
}

// The commands from Connect to the first idle cycle, from the model's rules: adjustment mode
// on, then every item once in table order, the balance item with its mirrors.
QStringList ExpectedConnectCommands(const QByteArray& image, int firstChannel) {
    QStringList commands{Command(0x02, 1), Command(0x00, firstChannel + 1)};
    auto item = [&](int command, int address) { commands << Command(command, At(image, address)); };
    item(0x09, 168);
    item(0x0A, 167);
    item(0x0B, 166);
    const int balance = At(image, kBalanceAt);
    // One pass sends the balance and the first mirror that differs, and marks it again.
    commands << Command(kBalanceCommand, balance);
    for (const Mirror& mirror : kMirrors) {
        if (At(image, mirror.address) == balance) continue;
        commands << Command(mirror.command, balance) << Command(kBalanceCommand, balance);
    }
    item(0x0D, 105);
    item(0x0F, 83);
    item(0x08, 184);
    item(0x05, 173);
    item(0x13, 84);
    item(0x14, 85);
    item(0x06, 92);
    item(0x07, 93);
    return commands;
}

QStringList JournalCommands(const SafetyNet& net) {
    QStringList commands;
    for (const JournalEntry& entry : ReadJournalFile(net.journalPath())) {
        commands << QString::fromStdString(entry.command);
    }
    return commands;
}

bool Editing(ProgramUnderTest& program) {
    return program.app().model().RigK52TProp_EditEnabled();
}

// At the end of the model's cycle with no frame, change, Enter, reading request or automatic
// operation left: a reading cycle asked for by F5 also runs between its exchanges.
bool NothingPending(ProgramUnderTest& program) {
    constexpr std::int16_t kCycleEndState = 28;
    clsConsole& console = program.app().console();
    for (std::int16_t i = 0; i < console.ListCount(); ++i) {
        if (console.flgChanged(i) || console.flgEnterOn(i)) return false;
    }
    const clsIndOp_RigK52T& model = program.app().model();
    return model.taskState() == kCycleEndState && model.opState() == 0 &&
           !model.reloadRequest() && !model.dispParaRequest() &&
           !program.app().sequence().OpRunning();
}

// The program with its safety net (so that the journal of the connection is written) on the
// virtual radio's pseudo-terminal.
struct Bench {
    explicit Bench(const QStringList& radioArgs)
        : radio(QStringList{QStringLiteral("--baud"), kFastBaud} + radioArgs) {
        program.bindings().Bind(1, radio.device().toStdString());
    }
    bool Start() {
        if (radio.device().isEmpty() || !program.Start()) return false;
        net = std::make_unique<SafetyNet>(program.app(), box, wall, data.path().toStdString());
        return true;
    }
    VirtualRadio radio;
    ProgramUnderTest program;
    QTemporaryDir data;
    FakeMessageBox box;
    SystemWallClock wall;
    std::unique_ptr<SafetyNet> net;
};

}  // namespace

class WireOrderTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void balanceAndItsMirrorsAllReachTheRadioInOrder() {
        QTemporaryDir dir;
        QByteArray image = BuiltInImage(dir);
        QCOMPARE(image.size(), kImageBytes);
        // The balance differs from each of its three mirrors.
        image[kBalanceAt] = char(100);
        image[113] = char(101);
        image[99] = char(102);
        image[120] = char(103);
        const QString path = dir.filePath(QStringLiteral("mirrors.img"));
        QVERIFY(WriteImage(path, image));

        Bench bench({QStringLiteral("--image"), path, QStringLiteral("--arrival"),
                     QStringLiteral("chunks")});
        QVERIFY(bench.Start());
        VirtualRadio& radio = bench.radio;
        ProgramUnderTest& program = bench.program;
        MessageBoxWatcher watcher;

        QTest::mouseClick(program.window().commandButton(0), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Editing(program), kReadMs);
        const QStringList expected =
            ExpectedConnectCommands(image, program.app().model().chanList(0));
        // On a timeout the comparison below shows what went missing.
        [[maybe_unused]] const bool settled = QTest::qWaitFor(
            [&] {
                return radio.SettingCommands().size() >= expected.size() && NothingPending(program);
            },
            kSettleMs);
        // Nothing more may follow: a further command within half a second is a fault.
        QVERIFY(!QTest::qWaitFor(
            [&] { return radio.SettingCommands().size() > expected.size(); }, 500));
        QCOMPARE(radio.SettingCommands(), expected);
        QCOMPARE(JournalCommands(*bench.net), expected);
        QCOMPARE(watcher.count(), 0);
        QVERIFY(bench.box.shown.empty());
    }

    void randomKeysLeaveTheRadioAsTheConsoleShowsAndTheJournalAsTheLineCarried() {
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("after.img"));
        Bench bench({QStringLiteral("--save-image"), saved, QStringLiteral("--arrival"),
                     QStringLiteral("bursts")});
        QVERIFY(bench.Start());
        VirtualRadio& radio = bench.radio;
        ProgramUnderTest& program = bench.program;
        MessageBoxWatcher watcher;
        MainWindow& w = program.window();

        QTest::mouseClick(w.commandButton(0), Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(Editing(program), kReadMs);
        QListWidget* list = w.consoleList();
        QTRY_VERIFY_WITH_TIMEOUT(list->isVisible(), kSettleMs);
        list->setFocus();

        const quint32 seed = QRandomGenerator::global()->generate();
        QRandomGenerator random(seed);
        const QByteArray context = "seed " + QByteArray::number(seed);
        constexpr int kKeyPresses = 300;
        for (int n = 0; n < kKeyPresses; ++n) {
            const int roll = random.bounded(100);
            if (roll < 25) {
                QTest::keyClick(list, Qt::Key_Right);
            } else if (roll < 50) {
                QTest::keyClick(list, Qt::Key_Left);
            } else if (roll < 58) {
                QTest::keyClick(list, Qt::Key_Right, Qt::ShiftModifier);
            } else if (roll < 66) {
                QTest::keyClick(list, Qt::Key_Left, Qt::ShiftModifier);
            } else if (roll < 80) {
                QTest::keyClick(list, Qt::Key_Down);
            } else if (roll < 94) {
                QTest::keyClick(list, Qt::Key_Up);
            } else if (roll < 97) {
                QTest::keyClick(list, Qt::Key_F5);
            } else {
                QTest::keyClick(list, Qt::Key_Return);
            }
            // Pauses both shorter and longer than the 50 ms heartbeat.
            QTest::qWait(random.bounded(120));
        }
        // A click stops an automatic operation that may still run; then let everything go out.
        QTest::mouseClick(w.commandButton(1), Qt::LeftButton);
        QTRY_VERIFY2_WITH_TIMEOUT(NothingPending(program), context.constData(), 120000);
        // And it stays so: nothing left over starts again within a second.
        QVERIFY2(!QTest::qWaitFor([&] { return !NothingPending(program); }, 1000),
                 context.constData());
        QCOMPARE(watcher.count(), 0);

        const QStringList journal = JournalCommands(*bench.net);
        QVERIFY2(journal.size() > 20, context.constData());
        QVERIFY(radio.Stop());
        QCOMPARE(radio.SettingCommands(), journal);

        QFile file(saved);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray after = file.readAll();
        QCOMPARE(after.size(), kImageBytes);
        const clsConsole& console = program.app().console();
        for (std::int16_t i = 0; i < console.ListCount(); ++i) {
            if (console.EeAdr(i) < 0) continue;
            QVERIFY2(At(after, console.EeAdr(i)) == console.Value(i),
                     qPrintable(QString::fromStdString(console.Title(i)) + " " + context));
        }
        const int balance = console.Value(4);
        for (const Mirror& mirror : kMirrors) {
            QVERIFY2(At(after, mirror.address) == balance, context.constData());
        }
    }
};

QS_QT_TEST(qt_wire_order_tests, WireOrderTest)
#include "wire_order_test.moc"
