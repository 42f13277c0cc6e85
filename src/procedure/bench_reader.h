#pragma once

#include <array>
#include <string>

#include <toml++/toml.h>

#include "procedure/mistakes.h"
#include "procedure/procedure.h"
#include "procedure/procedure_check.h"

namespace qs::procedure {

struct BenchRead {
    Bench bench;
    std::array<bool, kBenchRoles.size()> named{};  // the file names an instrument for the role
};

// The [bench] table. Profile files are found from the folder of `procedureFile`.
BenchRead ReadBench(const toml::table& table, const std::string& procedureFile,
                    const CheckOptions& options, Mistakes& mistakes);

}  // namespace qs::procedure
