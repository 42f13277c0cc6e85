#pragma once

#include <cstddef>
#include <string>

#include "instruments/profile.h"
#include "instruments/result.h"

namespace qs::instruments {

// A profile file is a few dozen lines; anything larger is not one.
inline constexpr std::size_t kMaxProfileFileBytes = 64 * 1024;

// The profile in the file at `path`, or why not (Fault::BadProfile, naming the file and, for a
// mistake in it, the line). "generic" names the built-in profile rather than a file.
Result<Profile> LoadProfile(const std::string& path);

}  // namespace qs::instruments
