#pragma once

#include <optional>

#include <toml++/toml.h>

#include "procedure/mistakes.h"
#include "procedure/procedure.h"

namespace qs::procedure {

// One [[step]] table as a typed step; nothing when it has a mistake (reported).
std::optional<Step> ReadStep(const toml::table& table, Mistakes& mistakes);

}  // namespace qs::procedure
