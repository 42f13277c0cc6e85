// The command line of qs71dr-cli as tables: what each valid line asks for, and the message of
// each mistake (every mistake ends in exit status 2 before any port is opened).
#include <gtest/gtest.h>

#include "cli/cli_options.h"
#include "cli/shell_script.h"

using qs::cli::CliOptions;
using qs::cli::Command;
using qs::cli::ParseCliCommandLine;

namespace {

struct ValidRow {
    const char* name;
    std::vector<std::string> args;
    Command command;
    bool (*check)(const CliOptions&);
};

const ValidRow kValid[] = {
    {"identify_alone", {"identify"}, Command::Identify,
     [](const CliOptions& o) { return o.device.empty() && !o.json && o.timeoutSeconds == 600; }},
    {"port_and_json_before", {"--port", "/dev/ttyS3", "--json", "params"}, Command::Params,
     [](const CliOptions& o) { return o.device == "/dev/ttyS3" && o.json; }},
    {"global_options_after_the_command", {"readings", "--port=/dev/ttyUSB1", "--json"},
     Command::Readings, [](const CliOptions& o) { return o.device == "/dev/ttyUSB1" && o.json; }},
    {"read_image_and_backup", {"read", "--image", "out.bin", "--backup"}, Command::Read,
     [](const CliOptions& o) { return o.args.imageFile == "out.bin" && o.args.showBackup; }},
    {"read_image_inline", {"read", "--image=x.bin"}, Command::Read,
     [](const CliOptions& o) { return o.args.imageFile == "x.bin" && !o.args.showBackup; }},
    {"set_titles_quotes_and_signs", {"set", "Power(Hi)=150", "\"CH No.\"=2", "  bal=+120"},
     Command::Set,
     [](const CliOptions& o) {
         return o.args.settings.size() == 3 && o.args.settings[0].title == "Power(Hi)" &&
                o.args.settings[0].value == 150 && o.args.settings[1].title == "CH No." &&
                o.args.settings[1].value == 2 && o.args.settings[2].title == "bal" &&
                o.args.settings[2].value == 120;
     }},
    {"set_negative_value_reaches_the_limit_check", {"set", "REF=-1"}, Command::Set,
     [](const CliOptions& o) { return o.args.settings.size() == 1 && o.args.settings[0].value == -1; }},
    {"sweep_t2", {"sweep", "bpf-t2"}, Command::Sweep,
     [](const CliOptions& o) { return o.args.sweep == qs::BandPassFilter::T2; }},
    {"level_tx_with_target", {"level", "tx", "--target", "200"}, Command::Level,
     [](const CliOptions& o) { return o.args.level == qs::LevelItem::Tx && o.args.target == 200; }},
    {"level_target_first", {"level", "--target=0", "rx"}, Command::Level,
     [](const CliOptions& o) { return o.args.level == qs::LevelItem::Rx && o.args.target == 0; }},
    {"simulate_options_handed_on",
     {"--simulate", "--sim-baud", "0", "--sim-verbose", "--sim-fault=no-answer", "rssi"},
     Command::Rssi,
     [](const CliOptions& o) {
         return o.simulate && o.simulatorArgs == std::vector<std::string>{
                                                     "--baud", "0", "--verbose",
                                                     "--fault=no-answer"};
     }},
    {"sim_flag_before_the_command_takes_no_command_as_value",
     {"--simulate", "--sim-verbose", "identify"}, Command::Identify,
     [](const CliOptions& o) { return o.simulatorArgs == std::vector<std::string>{"--verbose"}; }},
    {"trace_and_timeout", {"--trace", "t.log", "--timeout", "30", "identify"}, Command::Identify,
     [](const CliOptions& o) { return o.traceFile == "t.log" && o.timeoutSeconds == 30; }},
    {"report_with_force", {"report", "b.qsbak", "out.html", "--force"}, Command::Report,
     [](const CliOptions& o) {
         return o.args.reportBackup == "b.qsbak" && o.args.reportOut == "out.html" && o.args.reportForce;
     }},
    {"report_without_force", {"report", "b.qsbak", "out.pdf"}, Command::Report,
     [](const CliOptions& o) {
         return o.args.reportOut == "out.pdf" && !o.args.reportForce && !o.args.reportFull;
     }},
    {"report_full", {"report", "--full", "b.qsbak", "out.pdf"}, Command::Report,
     [](const CliOptions& o) { return o.args.reportFull && o.args.reportOut == "out.pdf"; }},
    {"names_after_double_dash_are_never_options",
     {"--json", "report", "--force", "--", "-b.qsbak", "--json.html"}, Command::Report,
     [](const CliOptions& o) {
         return o.json && o.args.reportForce && o.args.reportBackup == "-b.qsbak" &&
                o.args.reportOut == "--json.html";
     }},
    {"run_with_who_and_yes",
     {"run", "p.toml", "--technician", "A. T", "--serial=SN 1", "--work-order", "WO-7", "--yes"},
     Command::Run,
     [](const CliOptions& o) {
         const qs::cli::CommandArgs& a = o.args;
         return a.procedureFile == "p.toml" && a.technician == "A. T" &&
                a.serialNumber == "SN 1" && a.workOrder == "WO-7" && a.answerYes;
     }},
    {"no_backup_anywhere", {"set", "BAL=1", "--no-backup"}, Command::Set,
     [](const CliOptions& o) { return o.noBackup && o.args.settings.size() == 1; }},
    {"shell_from_standard_input", {"--json", "shell"}, Command::Shell,
     [](const CliOptions& o) { return o.json && o.args.scriptFile.empty(); }},
    {"shell_script", {"shell", "--script=run.txt"}, Command::Shell,
     [](const CliOptions& o) { return o.args.scriptFile == "run.txt"; }},
    {"help_needs_no_command", {"--help"}, Command::None,
     [](const CliOptions& o) { return o.help; }},
};

struct InvalidRow {
    const char* name;
    std::vector<std::string> args;
    const char* error;
};

const InvalidRow kInvalid[] = {
    {"nothing", {}, "no command given"},
    {"unknown_command", {"adjust"}, "unknown command: adjust"},
    {"unknown_option", {"--bogus", "identify"}, "unknown option: --bogus"},
    {"port_without_device", {"identify", "--port"}, "--port needs a device"},
    {"port_empty_inline", {"--port=", "identify"}, "--port needs a device"},
    {"trace_without_file", {"identify", "--trace"}, "--trace needs a file name"},
    {"timeout_zero", {"--timeout", "0", "identify"}, "--timeout must be a whole number"},
    {"timeout_text", {"--timeout", "soon", "identify"}, "not 'soon'"},
    {"sim_without_simulate", {"--sim-baud", "0", "identify"}, "need --simulate"},
    {"simulate_and_port", {"--simulate", "--port", "/dev/ttyS0", "identify"},
     "--simulate and --port"},
    {"identify_takes_no_argument", {"identify", "now"}, "unexpected argument for identify: now"},
    {"read_unknown_option", {"read", "--all"}, "unknown option for read: --all"},
    {"read_image_without_file", {"read", "--image"}, "--image needs a file name"},
    {"set_nothing", {"set"}, "give at least one ITEM=VALUE"},
    {"set_without_equals", {"set", "BAL"}, "expected ITEM=VALUE"},
    {"set_no_title", {"set", "=5"}, "names no item"},
    {"set_value_not_a_number", {"set", "BAL=1x"}, "'1x' is not a whole number"},
    {"set_value_empty", {"set", "BAL="}, "'' is not a whole number"},
    {"set_value_beyond_16_bits", {"set", "BAL=70000"}, "is not a whole number"},
    {"set_twice_in_other_case", {"set", "BAL=1", "bal=2"}, "bal is given twice"},
    {"sweep_without_kind", {"sweep"}, "sweep: expected bpf-all"},
    {"sweep_unknown_kind", {"sweep", "bpf-t3"}, "not 'bpf-t3'"},
    {"sweep_two_kinds", {"sweep", "bpf-t1", "bpf-t2"}, "unexpected argument for sweep"},
    {"level_without_kind", {"level"}, "level: expected rx or tx"},
    {"level_unknown_kind", {"level", "up"}, "not 'up'"},
    {"level_target_too_high", {"level", "rx", "--target", "256"}, "from 0 to 255, not '256'"},
    {"level_target_negative", {"level", "rx", "--target=-1"}, "not '-1'"},
    {"report_one_file", {"report", "b.qsbak"}, "report: expected BACKUP and OUT"},
    {"report_three_files", {"report", "a", "b", "c"}, "unexpected argument for report: c"},
    {"report_to_standard_output", {"report", "b.qsbak", "-"}, "'-' is no file name"},
    {"command_word_after_double_dash", {"--", "identify"}, "unknown command: identify"},
    {"run_without_file", {"run", "--yes"}, "run: expected a procedure FILE"},
    {"run_two_files", {"run", "a.toml", "b.toml"}, "unexpected argument for run: b.toml"},
    {"run_technician_without_name", {"run", "a.toml", "--technician"}, "--technician needs a name"},
    {"shell_script_without_file", {"shell", "--script"}, "--script needs a file name"},
    {"shell_takes_no_command", {"shell", "readings"}, "unexpected argument for shell"},
};

class ValidCommandLine : public testing::TestWithParam<ValidRow> {};
class InvalidCommandLine : public testing::TestWithParam<InvalidRow> {};

TEST_P(ValidCommandLine, AsksForWhatItSays) {
    const ValidRow& row = GetParam();
    const auto result = ParseCliCommandLine(row.args);
    ASSERT_TRUE(result.ok()) << result.error;
    EXPECT_EQ(result.options.args.command, row.command);
    EXPECT_TRUE(row.check(result.options));
}

TEST_P(InvalidCommandLine, IsRefusedWithItsMessage) {
    const InvalidRow& row = GetParam();
    const auto result = ParseCliCommandLine(row.args);
    ASSERT_FALSE(result.ok());
    EXPECT_NE(result.error.find(row.error), std::string::npos) << result.error;
}

INSTANTIATE_TEST_SUITE_P(Cli, ValidCommandLine, testing::ValuesIn(kValid),
                         [](const auto& info) { return std::string(info.param.name); });
INSTANTIATE_TEST_SUITE_P(Cli, InvalidCommandLine, testing::ValuesIn(kInvalid),
                         [](const auto& info) { return std::string(info.param.name); });

struct ScriptRow {
    const char* name;
    std::string text;
    bool fromStandardInput;
    std::vector<Command> commands;  // in order, when the script is accepted
    const char* error;              // empty: accepted
};

const ScriptRow kScripts[] = {
    {"commands_comments_and_blank_lines",
     "# align\nset Power(Hi)=150\n\n  level rx --target 120  # the receiver\r\nreadings\n",
     true, {Command::Set, Command::Level, Command::Readings}, ""},
    {"quoted_titles", "set \"CH No.\"=2 'Power(Hi)'=3\n", true, {Command::Set}, ""},
    {"empty", "", true, {}, ""},
    {"rssi_from_a_file", "rssi\n", false, {Command::Rssi}, ""},
    {"rssi_when_the_script_is_standard_input", "readings\nrssi\n", true, {},
     "line 2: rssi takes the Enter presses from standard input"},
    {"a_bad_line_names_itself", "readings\nlevel up\nparams\n", true, {},
     "line 2: level: expected rx or tx, not 'up'"},
    {"unknown_command", "readings\nadjust\n", true, {}, "line 2: unknown command: adjust"},
    {"program_option_on_a_line", "--json readings\n", true, {},
     "line 1: --json is an option of the program"},
    {"program_option_after_a_command", "readings --port /dev/ttyS0\n", true, {},
     "--port is an option of the program"},
    {"no_shell_in_a_shell", "shell\n", true, {}, "line 1: shell does not run in a shell"},
    {"no_report_in_a_shell", "report a.qsbak b.pdf\n", true, {}, "report does not run"},
    {"quote_left_open", "set 'BAL=1\n", true, {}, "line 1: a ' is not closed"},
    {"not_text", std::string("readings\0x\n", 11), true, {}, "line 1: not text"},
};

class Script : public testing::TestWithParam<ScriptRow> {};

TEST_P(Script, IsReadLineByLine) {
    const ScriptRow& row = GetParam();
    std::vector<qs::cli::CommandArgs> commands;
    std::string error;
    const bool ok = qs::cli::ParseScript(row.text, row.fromStandardInput, commands, error);
    ASSERT_EQ(ok, *row.error == '\0') << error;
    if (!ok) {
        EXPECT_NE(error.find(row.error), std::string::npos) << error;
        return;
    }
    std::vector<Command> got;
    for (const auto& c : commands)
        got.push_back(c.command);
    EXPECT_EQ(got, row.commands);
}

INSTANTIATE_TEST_SUITE_P(Cli, Script, testing::ValuesIn(kScripts),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Script, LinesKeepTheirNumbersAndArguments) {
    std::vector<qs::cli::CommandArgs> commands;
    std::string error;
    ASSERT_TRUE(qs::cli::ParseScript("# x\n\nset \"CH No.\"=2\nlevel tx --target=7\n", true,
                                     commands, error))
        << error;
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[0].line, 3);
    ASSERT_EQ(commands[0].settings.size(), 1u);
    EXPECT_EQ(commands[0].settings[0].title, "CH No.");
    EXPECT_EQ(commands[1].line, 4);
    EXPECT_EQ(commands[1].level, qs::LevelItem::Tx);
    EXPECT_EQ(commands[1].target, 7);
}

TEST(ItemKey, DropsLeadingBlanksAndCase) {
    EXPECT_EQ(qs::cli::ItemKey("    CH No."), "ch no.");
    EXPECT_EQ(qs::cli::ItemKey("LV(RX LVA)"), "lv(rx lva)");
    EXPECT_EQ(qs::cli::ItemKey("   "), "");
}

}  // namespace
