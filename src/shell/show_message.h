#pragma once

#include <cstdint>
#include <string>

#include "platform/alerts.h"

namespace qs {

// The one message routine: "\n" (backslash, n) in the text becomes a line break, and the
// text is shown with the stop icon, one OK button and the program title. Returns the
// button pressed.
std::int16_t ShowMessage(IMessageBox& box, const std::string& text);

}  // namespace qs
