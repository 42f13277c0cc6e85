#pragma once

#include <string>

#include "port/port_facts.h"

namespace qs {

// The lines to print when a port cannot be opened: what was found, then what to check.
std::string PortCheckAdvice(const PortFacts& facts);

// The general checks, for --help.
std::string PortCheckHelpText();

}  // namespace qs
