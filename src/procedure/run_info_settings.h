#pragma once

// Who ran the last procedure and for which work order, kept in the program's settings file so
// that the next run asks with them filled in. The radio's serial number is never kept: each
// radio's own is typed from its label, so that one OK cannot record the radio before it.

#include <string>

#include "procedure/procedure_runner.h"

namespace qs {
class IProfileStore;
}

namespace qs::procedure {

inline constexpr const char* kRunInfoSection = "PROCEDURE";

// What the settings file at `file` keeps; empty fields where it keeps none, the serial number
// always (a key an earlier version wrote is not read).
RunInfo LoadRunInfo(IProfileStore& store, const std::string& file);
// False when the file could not be written.
bool SaveRunInfo(IProfileStore& store, const std::string& file, const RunInfo& info);

}  // namespace qs::procedure
