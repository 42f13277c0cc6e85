#pragma once

// Command line of qt71dr-sim.

#include <string>
#include <vector>

#include "arrival_pattern.h"
#include "virtual_radio.h"

namespace qtsim {

struct SimOptions {
    RadioConfig radio;
    ArrivalPattern arrival;     // how the radio's bytes reach the program
    std::string imagePath;      // load this image instead of the built-in one
    std::string saveImagePath;  // write the (adjusted) image here when stopped
    std::string linkPath;       // symbolic link to the device
    int monitorPort = -1;       // serve the service monitor on this TCP port (0: any free one)
    bool verbose = false;
    bool logMonotonic = false;  // log times as the system's monotonic clock
};

enum class ParseOutcome { Run, Help, Version, Error };

// Arguments without the program name. On Error, `error` holds a one-line reason.
ParseOutcome parseOptions(const std::vector<std::string>& args, SimOptions& options,
                          std::string* error);

std::string usageText();
// "qt71dr-sim VERSION", one line.
std::string versionText();

}  // namespace qtsim
