#include "sim_options.h"

#include <gtest/gtest.h>

namespace qtsim {
namespace {

ParseOutcome parse(std::vector<std::string> args, SimOptions& options, std::string* error) {
    return parseOptions(args, options, error);
}

TEST(SimOptions, DefaultsWithoutArguments) {
    SimOptions options;
    std::string error;
    EXPECT_EQ(parse({}, options, &error), ParseOutcome::Run);
    EXPECT_EQ(options.radio.bitsPerSecond, 9600);
    EXPECT_EQ(options.radio.blockSize, 16);
    EXPECT_FALSE(options.radio.faults.any());
    EXPECT_FALSE(options.verbose);
    EXPECT_FALSE(options.logMonotonic);
    EXPECT_EQ(options.monitorPort, -1);  // no service monitor
}

TEST(SimOptions, EveryOptionTakesItsValue) {
    SimOptions options;
    std::string error;
    ASSERT_EQ(parse({"--baud",
                     "0",
                     "--block-size=122",
                     "--image",
                     "a.bin",
                     "--save-image",
                     "b.bin",
                     "--link",
                     "/tmp/radio",
                     "--fault",
                     "noise",
                     "--fault=hang-up=7",
                     "--verbose",
                     "--log-monotonic",
                     "--vin",
                     "200",
                     "--temp=100",
                     "--wobble",
                     "0",
                     "--bpf1-peak",
                     "90",
                     "--bpf1-width",
                     "2",
                     "--bpf2-peak",
                     "30",
                     "--bpf2-width",
                     "0",
                     "--sd-peak",
                     "250",
                     "--sd-fall",
                     "5",
                     "--sd-floor",
                     "1",
                     "--lvin-low",
                     "0",
                     "--lvin-high",
                     "100",
                     "--monitor",
                     "0"},
                    options, &error),
              ParseOutcome::Run)
        << error;
    const RadioConfig& r = options.radio;
    EXPECT_EQ(r.bitsPerSecond, 0);
    EXPECT_EQ(r.blockSize, 122);
    EXPECT_EQ(options.imagePath, "a.bin");
    EXPECT_EQ(options.saveImagePath, "b.bin");
    EXPECT_EQ(options.linkPath, "/tmp/radio");
    EXPECT_TRUE(r.faults.noise);
    EXPECT_EQ(r.faults.hangUpAfterBlocks, 7);
    EXPECT_TRUE(options.verbose);
    EXPECT_TRUE(options.logMonotonic);
    EXPECT_EQ(r.curves.vin, 200);
    EXPECT_EQ(r.curves.temp, 100);
    EXPECT_EQ(r.curves.wobble, 0);
    EXPECT_EQ(r.curves.bpfPeak[0], 90);
    EXPECT_EQ(r.curves.bpfWidth[0], 2);
    EXPECT_EQ(r.curves.bpfPeak[1], 30);
    EXPECT_EQ(r.curves.bpfWidth[1], 0);
    EXPECT_EQ(r.curves.sdPeak, 250);
    EXPECT_EQ(r.curves.sdFallPerStep, 5);
    EXPECT_EQ(r.curves.sdFloor, 1);
    EXPECT_EQ(r.curves.lvinLow, 0);
    EXPECT_EQ(r.curves.lvinHigh, 100);
    EXPECT_EQ(options.monitorPort, 0);
}

TEST(SimOptions, HelpWins) {
    SimOptions options;
    std::string error;
    EXPECT_EQ(parse({"--baud", "1200", "--help"}, options, &error), ParseOutcome::Help);
    EXPECT_EQ(parse({"-h"}, options, &error), ParseOutcome::Help);
    EXPECT_EQ(parse({"--version"}, options, &error), ParseOutcome::Version);
    EXPECT_EQ(versionText().rfind("qt71dr-sim ", 0), 0u);
    const std::string usage = usageText();
    for (const char* name :
         {"--baud", "--block-size", "--image", "--link", "--fault", "--verbose", "--log-monotonic",
          "--version", "no-echo", "hang-up", "reading-digits", "bad-format", "--monitor",
          "MEAS:FM:DEV?", "Undefined header", "1.5 ppm low"}) {
        EXPECT_NE(usage.find(name), std::string::npos) << name;
    }
}

TEST(SimOptions, BadOptionsSayWhatIsWrong) {
    struct Row {
        std::vector<std::string> args;
        const char* mentions;
    };
    const Row rows[] = {
        {{"--bogus"}, "--bogus"},
        {{"--baud"}, "--baud"},
        {{"--baud", "fast"}, "fast"},
        {{"--baud", "-1"}, "--baud"},
        {{"--baud", "9600x"}, "9600x"},
        {{"--block-size", "0"}, "1 to 122"},
        {{"--block-size", "123"}, "1 to 122"},
        {{"--fault", "gremlins"}, "gremlins"},
        {{"--fault"}, "--fault"},
        {{"--image"}, "--image"},
        {{"--link="}, "--link"},
        {{"--vin", "256"}, "0 to 255"},
        {{"--monitor", "65536"}, "0 to 65535"},
        {{"stray"}, "stray"},
    };
    for (const Row& row : rows) {
        SimOptions options;
        std::string error;
        EXPECT_EQ(parse(row.args, options, &error), ParseOutcome::Error) << row.mentions;
        EXPECT_NE(error.find(row.mentions), std::string::npos) << error;
    }
}

TEST(SimOptions, ValidateRefusesWhatTheLineCannotCarry) {
    RadioConfig config;
    std::string error;
    EXPECT_TRUE(VirtualRadio::validate(config, &error));
    config.blockSize = 123;
    EXPECT_FALSE(VirtualRadio::validate(config, &error));
    config.blockSize = 16;
    config.subCode = "01";
    EXPECT_FALSE(VirtualRadio::validate(config, &error));
}

}  // namespace
}  // namespace qtsim
