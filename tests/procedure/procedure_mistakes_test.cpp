// The procedure checker, one mistake a row: each must be found, at its line and column, with
// a message that says what to write instead.
#include <gtest/gtest.h>

#include "procedure/procedure_check.h"

namespace qs::procedure {
namespace {

struct MistakeRow {
    const char* what;
    const char* text;
    const char* expected;  // the diagnostic as printed, file "f.toml"
};

// Steps that need no instrument, to put around a mistaken table.
const MistakeRow kMistakes[] = {
    {"syntax error", "title = \"x\"\n[[step]]\nkind = \n",
     "f.toml:3:8: Error while parsing key-value pair: expected value, saw '\\n'"},
    {"no steps", "title = \"x\"\n", "f.toml: the procedure has no steps: add [[step]] tables"},
    {"a table instead of an array of tables", "[step]\nkind = \"prompt\"\ntext = \"x\"\n",
     "f.toml:1:1: write each step as [[step]] (an array of tables), not as a table"},
    {"unknown top-level key", "titel = \"x\"\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
     "f.toml:1:1: unknown key 'titel' in the procedure; did you mean 'title'?"},
    {"another radio", "model = \"XR-100\"\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
     "f.toml:1:9: this procedure is for the 'XR-100'; this program adjusts the QT-71DR"},
    {"missing kind", "[[step]]\ntext = \"x\"\n", "f.toml:1:1: this step needs 'kind'"},
    {"unknown kind", "[[step]]\nkind = \"sweeep\"\nwhich = \"bpf-all\"\n",
     "f.toml:2:8: unknown step kind 'sweeep'; did you mean 'sweep'?"},
    {"misspelt key", "[[step]]\nkind = \"generator\"\nlvel_dbm = -47\nrf = true\n",
     "f.toml:3:1: unknown key 'lvel_dbm' in this generator step; did you mean 'level_dbm'?"},
    {"missing key", "[[step]]\nkind = \"rssi\"\ns3_dbm = -93\n",
     "f.toml:1:1: this rssi step needs 's1_dbm'"},
    {"wrong type", "[[step]]\nkind = \"wait\"\nseconds = \"10\"\n",
     "f.toml:3:11: 'seconds' must be a number, not text"},
    {"name not text", "[[step]]\nname = 3\nkind = \"wait\"\nseconds = 1\n",
     "f.toml:2:8: 'name' must be text in quotes, not a whole number"},
    {"not a finite number", "[[step]]\nkind = \"wait\"\nseconds = inf\n",
     "f.toml:3:11: 'seconds' must be a finite number"},
    {"empty prompt", "[[step]]\nkind = \"prompt\"\ntext = \" \"\n",
     "f.toml:3:8: 'text' is empty: say what the technician is to do"},
    {"unknown item", "[[step]]\nkind = \"set\"\nitems = { \"Powr(Hi)\" = 150 }\n",
     "f.toml:3:11: no item is called 'Powr(Hi)'; did you mean 'Power(Hi)'?"},
    {"item value outside its limits", "[[step]]\nkind = \"set\"\nitems = { BAL = 256 }\n",
     "f.toml:3:17: BAL = 256 is outside its limits 0 to 255"},
    {"channel beyond any radio's",
     "[[step]]\nkind = \"set\"\nitems = { \"CH No.\" = 41 }\n",
     "f.toml:3:22: CH No. = 41 is outside its limits 0 to 40 (the radio's own channel count is "
     "checked once it is loaded)"},
    {"item value with a decimal point", "[[step]]\nkind = \"set\"\nitems = { BAL = 120.0 }\n",
     "f.toml:3:17: BAL must be set to a whole number, not a number with a decimal point"},
    {"item set twice", "[[step]]\nkind = \"set\"\nitems = { \"ch no.\" = 1, \"CH No.\" = 2 }\n",
     "f.toml:3:25: 'items' names CH No. twice"},
    {"item no command sets", "[[step]]\nkind = \"set\"\nitems = { \"LV(RX LVA)\" = 120 }\n",
     "f.toml:3:11: LV(RX LVA) is not a value sent to the radio; a sweep, level or rssi step sets "
     "it"},
    {"unknown choice", "[[step]]\nkind = \"sweep\"\nwhich = \"bpf-t3\"\n",
     "f.toml:3:9: 'which' must be 'bpf-all', 'bpf-t1' or 'bpf-t2', not 'bpf-t3'; did you mean "
     "'bpf-t1'?"},
    {"level target outside the target item's limits",
     "[[step]]\nkind = \"level\"\nside = \"tx\"\ntarget = 300\n",
     "f.toml:4:10: target 300 is outside the limits of LV(TX LVA), 0 to 255"},
    {"adjusting the channel",
     "[[step]]\nkind = \"adjust\"\nitem = \"CH No.\"\nmeasure = \"power\"\ntarget = 5\n"
     "tolerance = 0.1\n",
     "f.toml:3:8: CH No. selects the test channel; it cannot be adjusted"},
    {"tolerance not positive",
     "[[step]]\nkind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\ntarget = 5\n"
     "tolerance = 0\n",
     "f.toml:6:13: tolerance must be above 0, not 0"},
    {"max_steps beyond the item's values",
     "[[step]]\nkind = \"adjust\"\nitem = \"Power(Hi)\"\nmeasure = \"power\"\ntarget = 5\n"
     "tolerance = 0.1\nmax_steps = 257\n",
     "f.toml:7:13: max_steps 257 is outside 1 to 256: Power(Hi) has 256 values"},
    {"frequency in MHz",
     "[[step]]\nkind = \"generator\"\nfrequency = 146.52\n",
     "f.toml:3:13: frequency 146.52 Hz is outside a generator frequency's range, 1000000 to "
     "10000000000 Hz; frequencies are in Hz (146520000 for 146.52 MHz)"},
    {"generator above 0 dBm", "[[step]]\nkind = \"generator\"\nlevel_dbm = 47\n",
     "f.toml:3:13: level_dbm 47 dBm is outside a generator level's range, -150 to 0 dBm; more "
     "than 0 dBm can harm a receiver (a minus sign missing?)"},
    {"generator that sets nothing", "[[step]]\nkind = \"generator\"\n",
     "f.toml:1:1: this generator step sets nothing: give 'frequency', 'level_dbm' or 'rf'"},
    {"transmit frequency for the generator", "[[step]]\nkind = \"generator\"\nfrequency = \"tx\"\n",
     "f.toml:3:13: 'frequency' must be a number in Hz or 'rx' (the test channel's frequency), not "
     "'tx'"},
    {"S1 not below S3", "[[step]]\nkind = \"rssi\"\ns3_dbm = -117\ns1_dbm = -93\n",
     "f.toml:4:10: s1_dbm -93 dBm must be below s3_dbm -117 dBm: S1 is the weaker signal"},
    {"unknown reading", "[[step]]\nkind = \"check\"\nreading = \"LVINN\"\nmin = 2.3\n",
     "f.toml:3:11: no live reading is labelled 'LVINN'; did you mean 'LVIN'?"},
    {"min above max", "[[step]]\nkind = \"check\"\nreading = \"LVIN\"\nmin = 2.6\nmax = 2.3\n",
     "f.toml:4:7: min 2.6 is above max 2.3"},
    {"limit the reading never shows",
     "[[step]]\nkind = \"check\"\nreading = \"sql lev\"\nmin = 101\n",
     "f.toml:4:7: min 101 % can never be met: SQL Lev's range ends at 100 %"},
    {"no limits", "[[step]]\nkind = \"check\"\nreading = \"VIN\"\n",
     "f.toml:1:1: this check step needs 'min', 'max' or both, or 'target' and 'tolerance'"},
    {"limits given twice",
     "[[step]]\nkind = \"check\"\nreading = \"VIN\"\nmin = 7\ntarget = 7.5\ntolerance = 0.5\n",
     "f.toml:4:7: give 'min' and 'max' or 'target' and 'tolerance', not both"},
    {"deviation in kHz", "[[step]]\nkind = \"measure\"\nquantity = \"deviation\"\nmax = 3.2\n",
     "f.toml:4:7: max 3.2 Hz can never be met: deviation's range begins at 10 Hz; deviation is in "
     "Hz (3000 for 3 kHz)"},
    {"a role the file does not name",
     "[[step]]\nkind = \"measure\"\nquantity = \"power\"\nmin = 4.5\n",
     "f.toml:1:1: this measure step needs a power meter, and the file has no [bench] to name it in "
     "(power_meter = \"ADDRESS\")"},
    {"a role the bench lacks",
     "[bench]\ngenerator = \"TCPIP::10.0.0.5::5025::SOCKET\"\n[[step]]\nkind = \"adjust\"\n"
     "item = \"MOD\"\nmeasure = \"deviation\"\ntarget = 3000\ntolerance = 100\n",
     "f.toml:3:1: this adjust step needs a modulation meter, and [bench] names no "
     "'modulation_meter'"},
    {"misspelt role",
     "[bench]\ngenrator = \"TCPIP::10.0.0.5::5025::SOCKET\"\n[[step]]\nkind = \"wait\"\n"
     "seconds = 1\n",
     "f.toml:2:1: unknown key 'genrator' in [bench]; did you mean 'generator'?"},
    {"empty address", "[bench]\npower_meter = \"\"\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
     "f.toml:2:15: 'power_meter' is empty: give the instrument's address, e.g. "
     "TCPIP::192.168.1.20::5025::SOCKET, or leave the key out"},
    {"missing profile file",
     "[bench]\nprofile = \"our-monitor.profile\"\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
     "f.toml:2:11: profile 'our-monitor.profile' is neither a built-in profile ('generic') nor a "
     "file: 'our-monitor.profile' does not exist"},
    {"texts cannot act on the terminal",
     "[[step]]\nkind = \"prompt\"\ntext = \"Press \\u001b[5mEnter\"\n",
     "f.toml:3:8: 'text' has a control character in it: 'Press \\u001B[5mEnter'"},
    {"control characters are shown, not sent to the terminal",
     "\"\\u001b[2J\\u009b\" = 1\n[[step]]\nkind = \"wait\"\nseconds = 1\n",
     "f.toml:1:1: unknown key '\\u001B[2J\\u009B' in the procedure (its keys: 'title', "
     "'revision', 'model', 'bench' or 'step')"},
};

class ProcedureMistakes : public ::testing::TestWithParam<MistakeRow> {};

TEST_P(ProcedureMistakes, FoundAtItsPlace) {
    const MistakeRow& row = GetParam();
    const CheckedProcedure checked = CheckProcedureText(row.text, "f.toml", CheckOptions{});
    EXPECT_FALSE(checked.ok());
    ASSERT_EQ(checked.diagnostics.size(), 1u) << row.text;
    EXPECT_EQ(DiagnosticText(checked.diagnostics[0]), row.expected);
}

INSTANTIATE_TEST_SUITE_P(OneMistakeEach, ProcedureMistakes, ::testing::ValuesIn(kMistakes),
                         [](const auto& info) {
                             std::string name;
                             for (const char* c = info.param.what; *c != '\0'; ++c) {
                                 if (std::isalnum(static_cast<unsigned char>(*c))) name += *c;
                             }
                             return name;
                         });

}  // namespace
}  // namespace qs::procedure
