#pragma once

#include <string>
#include <vector>

#include "link/eeprom.h"

namespace qs {

// One line of the parameter page whose value differs between two images.
struct ParameterDifference {
    std::string label;     // the page's own label, e.g. "                POW HI Level: "
    std::string oldValue;  // as the page shows it, e.g. " 128"
    std::string newValue;
};

// The lines of the parameter page that differ, in page order. The page's own text is
// compared line by line, so labels and formatting are exactly the parameter display's.
std::vector<ParameterDifference> CompareParameters(const clsCmcEeprom& older,
                                                   const clsCmcEeprom& newer);

// The compare page (lines end with CR LF, as on the parameter page):
//
//   Backup: /home/tech/.local/share/qs71dr-adj/backups/20261207-104602-30170102.qsbak
//   Read:   2026-12-07 10:46:02
//
//   Each line: the value in the backup  ->  the value now.
//
//                   POW HI Level:  128  ->   130
//   ...
//   3 parameters differ.
std::string CompareText(const std::string& backupName, const std::string& backupDate,
                        const std::vector<ParameterDifference>& differences);

}  // namespace qs
