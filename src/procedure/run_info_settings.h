#pragma once

// Who ran the last procedure on which radio, kept in the program's settings file so that the
// next run asks with them filled in.

#include <string>

#include "procedure/procedure_runner.h"

namespace qs {
class IProfileStore;
}

namespace qs::procedure {

inline constexpr const char* kRunInfoSection = "PROCEDURE";

// What the settings file at `file` keeps; empty fields where it keeps none.
RunInfo LoadRunInfo(IProfileStore& store, const std::string& file);
// False when the file could not be written.
bool SaveRunInfo(IProfileStore& store, const std::string& file, const RunInfo& info);

}  // namespace qs::procedure
