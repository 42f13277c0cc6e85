// The port check printed when a port cannot be opened.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "fakes/memory_cable.h"
#include "port/port_check.h"

namespace qs::safety_test {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(PortCheckTest, AdviceNamesWhatWasFoundBeforeTheGeneralChecks) {
    PortFacts facts;
    facts.device = "/dev/ttyUSB0";
    facts.deviceExists = true;
    facts.deviceGroup = "dialout";
    facts.userInDeviceGroup = false;
    facts.userName = "tech";
    facts.grabbingServices = {"ModemManager"};
    const std::string text = PortCheckAdvice(facts);
    EXPECT_THAT(text, StartsWith("tech is not in group dialout, which owns /dev/ttyUSB0. Join it "
                                 "with: sudo usermod -aG dialout $USER, then log out and in "
                                 "again.\nModemManager is running and may be holding the "
                                 "adapter.\nIf a port cannot be opened (Linux):\n"));
    EXPECT_THAT(text, HasSubstr("brltty"));
}

TEST(PortCheckTest, MissingDeviceIsSaidFirstAndGroupIsNotGuessed) {
    PortFacts facts;
    facts.device = "/dev/ttyUSB3";
    facts.userInDeviceGroup = false;
    facts.deviceGroup = "dialout";
    const std::string text = PortCheckAdvice(facts);
    EXPECT_THAT(text, StartsWith("There is no /dev/ttyUSB3. Is the cable plugged in?"));
    EXPECT_THAT(text, ::testing::Not(HasSubstr("not in group")));
}

TEST(PortCheckTest, HelpTextNamesGroupAndServices) {
    const std::string text = PortCheckHelpText();
    for (const char* word :
         {"dialout", "id -nG", "usermod", "ModemManager", "brltty", "--list-ports"}) {
        EXPECT_THAT(text, HasSubstr(word));
    }
}

struct PortCheckBench {
    PortCheckBench()
        : port(
              cable, [](std::int16_t n) { return "/dev/ttyUSB" + std::to_string(n - 1); },
              [this](const std::string& text) { reports.push_back(text); },
              [this](const std::string& device) {
                  ++gathered;
                  PortFacts facts;
                  facts.device = device;
                  return facts;
              }) {}
    MemoryCable cable;
    std::vector<std::string> reports;
    int gathered = 0;
    PortCheckSerialPort port;
};

TEST(PortCheckTest, FailedOpeningIsReportedOnceWithTheReasonAndTheDevice) {
    PortCheckBench b;
    b.port.setCommPort(2);
    b.cable.setOpenFailure("Permission denied");
    std::string error;
    EXPECT_FALSE(b.port.setPortOpen(true, &error));
    EXPECT_EQ(error, "Permission denied");  // the program still gets the reason unchanged
    EXPECT_FALSE(b.port.setPortOpen(true));
    ASSERT_EQ(b.reports.size(), 1u);
    EXPECT_THAT(b.reports[0], StartsWith("COM 2 (/dev/ttyUSB1) cannot be opened: Permission "
                                         "denied\nThere is no /dev/ttyUSB1."));
    EXPECT_EQ(b.gathered, 1);

    // Another reason is reported; after a good opening the same failure is reported again.
    b.cable.setOpenFailure("Device or resource busy");
    b.port.setPortOpen(true);
    EXPECT_EQ(b.reports.size(), 2u);
    b.cable.clearOpenFailure();
    EXPECT_TRUE(b.port.setPortOpen(true));
    EXPECT_TRUE(b.port.setPortOpen(false));
    b.cable.setOpenFailure("Device or resource busy");
    b.port.setPortOpen(true);
    EXPECT_EQ(b.reports.size(), 3u);
}

TEST(PortCheckTest, ClosingAndGoodOpeningsReportNothing) {
    PortCheckBench b;
    EXPECT_TRUE(b.port.setPortOpen(true));
    EXPECT_TRUE(b.port.setPortOpen(false));
    EXPECT_TRUE(b.reports.empty());
    EXPECT_EQ(b.gathered, 0);
}

TEST(PortCheckTest, FactsOfADeviceThatDoesNotExist) {
    const PortFacts facts = GatherPortFacts("/dev/qs-no-such-device");
    EXPECT_EQ(facts.device, "/dev/qs-no-such-device");
#if defined(__linux__)
    EXPECT_FALSE(facts.deviceExists);
#endif
    EXPECT_TRUE(facts.userInDeviceGroup);
}

}  // namespace
}  // namespace qs::safety_test
