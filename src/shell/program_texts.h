#pragma once

namespace qs {

// The program's name as the window, every message box and the title label show it.
inline constexpr const char* kProgramTitle = "QS-71DR ADJ Rev.1.0";
inline constexpr const char* kProgramPurpose = "Adjust Utility for QT-71DR";
inline constexpr const char* kProgramRights = "(C) 2007 All rights reserved.";

}  // namespace qs
