#pragma once

#include <string>

#include "platform/bytes.h"

namespace qs {

// What a clone frame (FE FE destination source command data FD) means, in words:
//   "E0 identification request, model 3017"
//   "E4 data block, address 0010, 16 bytes"
//   "E8 adjustment, command 09, value 130"
// Anything that does not parse says so instead; no input is trusted.
std::string DescribeFrame(const Bytes& frame);

}  // namespace qs
