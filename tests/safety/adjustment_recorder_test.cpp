// Which item an adjustment command sets, and its old and new values.
#include <gtest/gtest.h>

#include "console/console.h"
#include "link/eeprom.h"
#include "safety/adjustment_recorder.h"

namespace qs::safety_test {
namespace {

struct RecorderBench {
    RecorderBench() : recorder(console, image) {
        console.AddItem();
        console.setTitle(0, " Power(Hi)");
        console.setE8Command(0, 9);
        console.setValue(0, 200);
        console.AddItem();
        console.setTitle(1, "LV(RX LVA)");
        console.setValue(1, 120);
        image.WriteByte(169, 60);
        recorder.StartConnection();
    }
    clsConsole console;
    clsCmcEeprom image;
    AdjustmentRecorder recorder;
};

TEST(AdjustmentRecorderTest, ReadingsGiveNoEntryButFixTheValuesLoadedAtConnect) {
    RecorderBench b;
    EXPECT_FALSE(b.recorder.Record("033035", true, "t"));
    ASSERT_TRUE(b.recorder.hasConnectValues());
    EXPECT_EQ(b.recorder.connectValues(), (std::vector<std::int16_t>{200, 120}));
    // Later changes do not move them.
    b.console.setValue(0, 150);
    EXPECT_TRUE(b.recorder.Record("093936", false, "t"));
    EXPECT_EQ(b.recorder.connectValues()[0], 200);
}

TEST(AdjustmentRecorderTest, ItemEntriesCarryTheTrimmedTitleAndTheLastValueSentAsOld) {
    RecorderBench b;
    auto first = b.recorder.Record("094338", false, "10:00");
    ASSERT_TRUE(first);
    EXPECT_EQ(*first, (JournalEntry{"10:00", "Power(Hi)", "200", "200", "094338"}));
    b.console.setValue(0, 201);
    auto second = b.recorder.Record("094339", false, "10:01");
    ASSERT_TRUE(second);
    EXPECT_EQ(second->oldValue, "200");
    EXPECT_EQ(second->newValue, "201");
    b.console.setValue(0, 202);
    EXPECT_EQ(b.recorder.Record("094341", false, "10:02")->oldValue, "201");
}

TEST(AdjustmentRecorderTest, SettingsOutsideTheConsoleTakeTheirOldValueFromTheImage) {
    RecorderBench b;
    auto rssi = b.recorder.Record("153446", false, "t");  // 0x15, value 0x4F
    ASSERT_TRUE(rssi);
    EXPECT_EQ(rssi->item, "RSSI S1 Level");
    EXPECT_EQ(rssi->oldValue, "60");
    EXPECT_EQ(rssi->newValue, "79");
    auto mode = b.recorder.Record("023031", false, "t");
    EXPECT_EQ(mode->item, "Adjustment mode");
    EXPECT_EQ(mode->oldValue, "-");
    EXPECT_EQ(mode->newValue, "1");
    auto unknown = b.recorder.Record("7F3030", false, "t");
    EXPECT_EQ(unknown->item, "Command 7F");
}

TEST(AdjustmentRecorderTest, CommandTextsThatAreNotCommandAndValueAreStillJournalled) {
    RecorderBench b;
    for (const char* text : {"", "09", "0938", "09383233", "09ZZZZ", "093G30"}) {
        auto entry = b.recorder.Record(text, false, "t");
        ASSERT_TRUE(entry) << text;
        EXPECT_EQ(entry->item, "Command") << text;
        EXPECT_EQ(entry->command, text);
    }
}

TEST(AdjustmentRecorderTest, ANewConnectionForgetsTheOldValues) {
    RecorderBench b;
    b.recorder.Record("033035", true, "t");
    b.recorder.StartConnection();
    EXPECT_FALSE(b.recorder.hasConnectValues());
    b.console.setValue(0, 10);
    b.recorder.Record("033035", true, "t");
    EXPECT_EQ(b.recorder.connectValues()[0], 10);
}

TEST(AdjustmentRecorderTest, NothingIsTakenBeforeAnyCloneRead) {
    clsConsole console;
    clsCmcEeprom image;
    AdjustmentRecorder recorder(console, image);
    console.AddItem();
    recorder.Record("033035", true, "t");
    EXPECT_FALSE(recorder.hasConnectValues());
}

}  // namespace
}  // namespace qs::safety_test
