// What to tell a technician whose port cannot be opened, from the facts found.
#include "port/port_advice.h"

namespace qs {

std::string PortCheckHelpText() {
    return "If a port cannot be opened (Linux):\n"
           "  - Is the adapter there?  qs71dr-adj --list-ports lists the serial devices;\n"
           "    a USB cable is usually /dev/ttyUSB0 or /dev/ttyACM0 (bind it with --port).\n"
           "  - May you use it?  Serial devices belong to group dialout (uucp on some\n"
           "    systems). Check with: id -nG. Join it with: sudo usermod -aG dialout $USER,\n"
           "    then log out and in again.\n"
           "  - Is another program holding it?  ModemManager probes new USB serial adapters\n"
           "    and brltty claims some USB serial chips. Check with:\n"
           "    systemctl status ModemManager brltty, and: fuser -v /dev/ttyUSB0.\n"
           "    Stop them with: sudo systemctl stop ModemManager (or remove brltty if no\n"
           "    braille display is used).\n";
}

std::string PortCheckAdvice(const PortFacts& facts) {
    std::string text;
    if (!facts.device.empty() && !facts.deviceExists) {
        text += "There is no " + facts.device +
                ". Is the cable plugged in? qs71dr-adj --list-ports lists the serial devices.\n";
    }
    if (facts.deviceExists && !facts.userInDeviceGroup && !facts.deviceGroup.empty()) {
        const std::string who = facts.userName.empty() ? "You are" : facts.userName + " is";
        text += who + " not in group " + facts.deviceGroup + ", which owns " + facts.device +
                ". Join it with: sudo usermod -aG " + facts.deviceGroup +
                " $USER, then log out and in again.\n";
    }
    for (const std::string& service : facts.grabbingServices) {
        text += service + " is running and may be holding the adapter.\n";
    }
    return text + PortCheckHelpText();
}

}  // namespace qs
