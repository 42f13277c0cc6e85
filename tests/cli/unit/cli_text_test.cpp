// What qs71dr-cli makes of its input and the core's texts and items: the words of a script
// line, the progress bar, the message box lines and the `set` checks against the console's
// titles and limits.
#include <gtest/gtest.h>

#include "cli/headless_controls.h"
#include "cli/item_settings.h"
#include "cli/progress_bar.h"
#include "cli/script_words.h"
#include "cli/terminal_alerts.h"
#include "console/console.h"

namespace {

using namespace qs::cli;

struct WordsCase {
    const char* line;
    std::vector<std::string> words;
    const char* error;  // empty: split
};

TEST(ScriptWords, SplitAsAShellWouldWithoutExpanding) {
    const WordsCase cases[] = {
        {"set Power(Hi)=150  BAL=120", {"set", "Power(Hi)=150", "BAL=120"}, ""},
        {"\tlevel rx --target 120\r", {"level", "rx", "--target", "120"}, ""},
        {"set \"CH No.\"=2 'Power(Hi)'=3", {"set", "CH No.=2", "Power(Hi)=3"}, ""},
        {"set CH\\ No.=2", {"set", "CH No.=2"}, ""},
        {"read --image \"a \\\"b\\\" c\"", {"read", "--image", "a \"b\" c"}, ""},
        {"read --image '$HOME/*.bin'", {"read", "--image", "$HOME/*.bin"}, ""},
        {"readings # and a comment", {"readings"}, ""},
        {"set A=1#2", {"set", "A=1#2"}, ""},
        {"  # only a comment", {}, ""},
        {"", {}, ""},
        {"'' x", {"", "x"}, ""},
        {"set 'CH No.=2", {}, "' is not closed"},
        {"set \"CH No.=2", {}, "\" is not closed"},
        {"readings \\", {}, "backslash ends the line"},
    };
    for (const WordsCase& c : cases) {
        std::vector<std::string> words;
        std::string error;
        const bool ok = SplitScriptWords(c.line, words, error);
        EXPECT_EQ(ok, *c.error == '\0') << c.line;
        if (ok) {
            EXPECT_EQ(words, c.words) << c.line;
        } else {
            EXPECT_NE(error.find(c.error), std::string::npos) << c.line << ": " << error;
        }
    }
}

TEST(ProgressBar, FillsWithTheBytesReadAndStaysWithinItsBounds) {
    EXPECT_EQ(ProgressBarText(0, 32112), "Reading the radio [--------------------------------]   0%");
    EXPECT_EQ(ProgressBarText(16056, 32112),
              "Reading the radio [################----------------]  50%");
    EXPECT_EQ(ProgressBarText(32112, 32112),
              "Reading the radio [################################] 100%");
    EXPECT_EQ(ProgressBarText(40000, 32112), ProgressBarText(32112, 32112));
    EXPECT_EQ(ProgressBarText(-5, 32112), ProgressBarText(0, 32112));
    EXPECT_EQ(ProgressBarText(100, 0), ProgressBarText(0, 32112));
}

TEST(TerminalMessageBox, KeepsTheMessageWithPlainLineEnds) {
    TerminalMessageBox box;
    box.setEcho(false);
    EXPECT_EQ(box.ShowStop("caption", "No answer.\r\n\r\nCheck:\r\n- power"), 1);
    ASSERT_EQ(box.messages().size(), 1u);
    EXPECT_EQ(box.messages()[0], "No answer.\n\nCheck:\n- power");
    EXPECT_FALSE(box.AskYesNo("caption", "Revert?"));
}

TEST(HeadlessListBox, KeepsRowsAndIgnoresRowsOutsideTheList) {
    HeadlessListBox list;
    list.AddItem("[A/D]");
    list.AddItem("----");
    list.setList(1, "VIN  :191:BFh:  7.49V");
    list.setList(2, "beyond");
    list.setList(-1, "before");
    EXPECT_EQ(list.rows(), (std::vector<std::string>{"[A/D]", "VIN  :191:BFh:  7.49V"}));
    EXPECT_EQ(list.List(5), "");
    list.setListIndex(1);
    EXPECT_EQ(list.ListIndex(), 1);
    list.setListIndex(7);
    EXPECT_EQ(list.ListIndex(), -1);
    list.setListIndex(1);
    list.Clear();
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_EQ(list.ListIndex(), -1);
}

// A console like the model's: a channel item whose top is known after a load, two plain
// items and one that only its automatic operation sets.
class SettingsCheckTest : public testing::Test {
protected:
    void SetUp() override {
        Add("    CH No.", 0, 0, 0);
        Add(" Power(Hi)", 9, 0, 255);
        Add("       BAL", 17, 0, 255);
        Add("LV(RX LVA)", -1, 0, 255);
    }
    void Add(const std::string& title, std::int16_t command, std::int16_t min, std::int16_t max) {
        console.AddItem();
        const auto i = static_cast<std::int16_t>(console.ListCount() - 1);
        console.setTitle(i, title);
        console.setE8Command(i, command);
        console.setMin(i, min);
        console.setMax(i, max);
    }
    qs::clsConsole console;
};

TEST_F(SettingsCheckTest, FindsItemsByTitleAndRefusesWhatCannotBeSent) {
    struct Case {
        std::vector<ItemSetting> settings;
        bool limitsKnown;
        std::string error;  // empty: accepted
    };
    const Case cases[] = {
        {{{"power(hi)", 150}, {"BAL", 0}}, false, ""},
        {{{"Power(Hi)", 255}}, true, ""},
        {{{"Power(Hi)", 256}}, true, "Power(Hi)=256 is outside its limits 0 to 255"},
        {{{"BAL", -1}}, false, "BAL=-1 is outside its limits 0 to 255"},
        {{{"CH No.", 3}}, false, ""},
        {{{"CH No.", 3}}, true, "CH No.=3 is outside its limits 0 to 0"},
        {{{"CH No.", -1}}, false, "outside its limits"},
        {{{"Power", 1}}, false, "no item is called 'Power' (the items: CH No., Power(Hi), BAL"},
        {{{"LV(RX LVA)", 100}}, false, "LV(RX LVA) is not sent to the radio"},
        {{{"BAL", 5}, {"nope", 1}}, false, "no item is called 'nope'"},
    };
    for (const Case& c : cases) {
        const SettingsCheck check = CheckSettings(console, c.settings, 0, c.limitsKnown);
        if (c.error.empty()) {
            EXPECT_EQ(check.error, "");
            EXPECT_EQ(check.settings.size(), c.settings.size());
        } else {
            EXPECT_NE(check.error.find(c.error), std::string::npos) << check.error;
        }
    }
    const SettingsCheck ok = CheckSettings(console, {{"bal", 7}}, 0, true);
    ASSERT_EQ(ok.settings.size(), 1u);
    EXPECT_EQ(ok.settings[0].item, 2);
    EXPECT_EQ(ok.settings[0].value, 7);
}

}  // namespace
