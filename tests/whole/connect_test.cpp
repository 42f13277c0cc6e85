// Connecting to the virtual radio: read, load, first sends and readings, the parameter page.
#include <gtest/gtest.h>

#include "builtin_image.h"
#include "shell/main_window.h"
#include "whole_program.h"

namespace qs::whole {
namespace {

namespace builtin = qtsim::builtin;

TEST(ConnectTest, ReadsImageLoadsItemsSendsEachOnceAndFillsReadings) {
    WholeProgram p;
    p.Tick();
    EXPECT_TRUE(p.win.fra01[0].visible());
    EXPECT_FALSE(p.win.cmd00[1].enabled());
    ASSERT_TRUE(p.Connect());
    EXPECT_TRUE(p.box.shown.empty());

    // The whole image arrived.
    const auto& radioBytes = p.radio().image().bytes();
    int differing = 0;
    for (int a = 0; a < clsCmcEeprom::kImageSizeBytes; ++a) {
        if (p.image().ReadByte(a) != radioBytes[static_cast<std::size_t>(a)]) ++differing;
    }
    EXPECT_EQ(differing, 0);

    // Every item loaded from it.
    clsConsole& c = p.console();
    EXPECT_EQ(c.Value(1), builtin::kPowerHi);
    EXPECT_EQ(c.Value(2), builtin::kPowerL2);
    EXPECT_EQ(c.Value(3), builtin::kPowerL1);
    EXPECT_EQ(c.Value(4), builtin::kBalance);
    EXPECT_EQ(c.Value(5), builtin::kMod);
    EXPECT_EQ(c.Value(6), builtin::kCtcsDtcsLevel);
    EXPECT_EQ(c.Value(7), builtin::kSql);
    EXPECT_EQ(c.Value(8), builtin::kRef);
    EXPECT_EQ(c.Value(10), builtin::kBpfT1);
    EXPECT_EQ(c.Value(11), builtin::kBpfT2);
    EXPECT_EQ(c.Value(12), builtin::kRxLva);
    EXPECT_EQ(c.Value(13), builtin::kTxLva);
    EXPECT_EQ(c.Value(14), builtin::kRxLevelTarget);
    EXPECT_EQ(c.Value(15), builtin::kTxLevelTarget);

    // The channel list: the 15 slots in use, in slot order.
    clsIndOp_RigK52T& m = p.model();
    ASSERT_EQ(m.chanCount(), builtin::kChannelsInUse);
    const int slots[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 12, 13, 14, 20, 21};
    for (int i = 0; i < builtin::kChannelsInUse; ++i)
        EXPECT_EQ(m.chanList(i), slots[i]);
    EXPECT_EQ(c.Max(0), 14);
    EXPECT_EQ(p.win.lboConsole.List(0),
              "    CH No.: 01 RX = 146.520000, TX =   <-        RF Power: High");

    // The start command, then every item with a command once, in index order, each default
    // command followed by its item's wait before the next goes out.
    std::vector<WholeProgram::Adjustment> sent = p.Settings();
    std::vector<int> commands;
    for (const auto& a : sent)
        commands.push_back(a.command);
    EXPECT_EQ(commands, (std::vector<int>{2, 0, 9, 10, 11, 17, 13, 15, 8, 5, 19, 20, 6, 7}));
    const int waitsAfter[] = {0, 0, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 500, 500};
    for (std::size_t i = 2; i + 1 < sent.size(); ++i) {
        EXPECT_GE(sent[i + 1].atMs - sent[i].atMs, waitsAfter[i])
            << "after command " << sent[i].command;
    }
    EXPECT_EQ(p.radio().selectedChannel(), 0);
    EXPECT_TRUE(p.radio().adjustMode());

    // Both reading lists are filled, the unlabelled row is empty.
    for (int row = 1; row <= 4; ++row)
        EXPECT_NE(p.win.lbo01[0].List(row), "----") << row;
    EXPECT_EQ(p.win.lbo01[0].List(5), "");
    for (int row = 1; row <= 9; ++row)
        EXPECT_NE(p.win.lbo01[1].List(row), "----") << row;
    EXPECT_EQ(p.win.lbo01[1].List(1), "T1/POW : 60:3Ch:  1.18V");
    EXPECT_EQ(p.win.lbo01[1].List(4), "RX LVA :110:6Eh:  2.16V");

    // Editing is enabled.
    EXPECT_TRUE(m.RigK52TProp_EditEnabled());
    EXPECT_TRUE(p.win.fra01[1].visible());
    EXPECT_FALSE(p.win.fra01[0].visible());
    EXPECT_TRUE(p.win.cmd00[1].enabled());
    EXPECT_TRUE(p.win.lboConsole.hasFocus());
}

// A radio whose balance differs from its three mirrors, so that Connect's first sending
// would change it.
qtsim::MemoryImage OddBalanceImage() {
    qtsim::MemoryImage image = qtsim::MemoryImage::builtIn();
    image.write(113, builtin::kBalance + 1);
    image.write(99, builtin::kBalance + 2);
    image.write(120, builtin::kBalance + 3);
    return image;
}

// The end of a cycle with nothing left to send.
bool Settled(WholeProgram& p) {
    if (!p.model().CycleReached() || p.app.sequence().OpRunning()) return false;
    for (std::int16_t i = 0; i < p.console().ListCount(); ++i) {
        if (p.console().flgChanged(i)) return false;
    }
    return true;
}

std::vector<int> Commands(const std::vector<WholeProgram::Adjustment>& sent) {
    std::vector<int> commands;
    for (const auto& a : sent)
        commands.push_back(a.command);
    return commands;
}

TEST(ConnectTest, ReadOnlySendsNothingUntilAdjustmentBeginsThenWhatConnectWouldHave) {
    WholeProgram p;
    p.PlugRadio({}, OddBalanceImage());
    p.model().ConnectReadOnly();
    ASSERT_TRUE(p.RunUntil([&p] { return p.model().CycleReached(); }));
    EXPECT_TRUE(p.model().Connected());
    EXPECT_TRUE(p.model().readOnly());
    EXPECT_FALSE(p.Adjustments().empty()) << "the readings are taken";
    EXPECT_TRUE(p.Settings().empty());
    EXPECT_NE(p.model().lastReading(ReadingGroup::Da, 3), -1);

    // Enter starts no automatic operation, a changed value waits, nothing reaches the radio.
    p.SelectRow(9);
    p.Key(kKeyEnter);
    p.console().setValue(1, 150);
    p.RunFor(40);
    EXPECT_FALSE(p.model().OperationRunning());
    EXPECT_TRUE(p.Settings().empty());
    EXPECT_EQ(p.radio().image().bytes(), OddBalanceImage().bytes());

    // Adjustment begins at the cycle's end only, and sends what Connect sends after its load.
    p.Click(1);
    p.RunFor(1);
    EXPECT_FALSE(p.model().BeginAdjustment()) << "readings running";
    ASSERT_TRUE(p.RunUntil([&p] { return p.model().CycleReached(); }));
    ASSERT_TRUE(p.model().BeginAdjustment());
    EXPECT_FALSE(p.model().BeginAdjustment()) << "once";
    p.RunFor(1);
    ASSERT_TRUE(p.RunUntil([&p] { return Settled(p); }));
    WholeProgram connected;
    connected.PlugRadio({}, OddBalanceImage());
    connected.Click(0);
    ASSERT_TRUE(connected.RunUntil([&connected] {
        return connected.model().Connected() && Settled(connected);
    }));
    std::vector<int> expected = Commands(connected.Settings());
    // The value set while read-only goes out with its item, in place of the value loaded.
    EXPECT_EQ(Commands(p.Settings()), expected);
    EXPECT_EQ(expected, (std::vector<int>{2, 0, 9, 10, 11, 17, 18, 17, 16, 17, 27, 17, 13, 15, 8, 5,
                                          19, 20, 6, 7}));
    EXPECT_EQ(p.radio().image().read(168), 150);
    EXPECT_EQ(p.radio().image().read(120), builtin::kBalance);
    EXPECT_FALSE(p.model().readOnly());
}

TEST(ConnectTest, ParameterPageOfTheVirtualRadio) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.Click(2);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().taskState() == 29; }, 20));
    const std::string text = p.win.txtDispPara.text();
    auto line = [&](const std::string& label) {
        std::size_t at = text.find(label);
        if (at == std::string::npos) return std::string("<missing>");
        return text.substr(at + label.size(), text.find("\r\n", at) - at - label.size());
    };
    EXPECT_EQ(line("                POW HI Level: "), " 200");
    EXPECT_EQ(line("                   BAL Level: "), " 126");
    EXPECT_EQ(line("              BPF Correction: "), "   3");
    EXPECT_EQ(line("       MOD Slant(Freq) Band6: "), "  -7");
    EXPECT_EQ(line("       POW Slant(Freq) Band6: "), "  -9");
    EXPECT_EQ(line("    Rx LVA Slant(Freq) Band0: "), "  -3");
    EXPECT_EQ(line("    Tx LVA Slant(Freq) Band5: "), "   3");
    EXPECT_EQ(line("        MOD Slant(Temp) Area: "), "  -5");
    EXPECT_EQ(line("             Tone Correction: "), "  -4");
    EXPECT_EQ(line("              Base Frequency: "), " 136.000MHz");
    EXPECT_EQ(line("               RSSI S1 Level: "), "  60");
    EXPECT_EQ(line("               RSSI S3 Level: "), "  90");
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 63);
}

TEST(ConnectTest, DispParaDisablesConnectAndSecondPressReturnsToCycle) {
    WholeProgram p;
    ASSERT_TRUE(p.Connect());
    p.Click(2);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().taskState() == 29; }, 20));
    EXPECT_TRUE(p.win.fra01[3].visible());
    EXPECT_FALSE(p.win.fra01[1].visible());
    EXPECT_FALSE(p.win.cmd00[0].enabled());
    EXPECT_TRUE(p.win.cmd00[2].enabled());
    p.RunFor(10);
    EXPECT_EQ(p.model().taskState(), 29);
    p.Click(2);
    ASSERT_TRUE(p.RunUntil([&] { return p.model().taskState() == 28; }, 5));
    EXPECT_TRUE(p.win.cmd00[0].enabled());
    EXPECT_TRUE(p.win.fra01[1].visible());
    EXPECT_FALSE(p.win.fra01[3].visible());
    // The cycle runs again: a reload reads the lists anew.
    const std::size_t before = p.Adjustments().size();
    p.Key(kKeyF5);
    ASSERT_TRUE(p.RunUntil([&] { return p.Adjustments().size() >= before + 14; }, 200));
}

}  // namespace
}  // namespace qs::whole
