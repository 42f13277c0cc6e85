#include "shell/show_message.h"

#include "link/hex_text.h"
#include "shell/program_texts.h"

namespace qs {

std::int16_t ShowMessage(IMessageBox& box, const std::string& text) {
    return static_cast<std::int16_t>(box.ShowStop(kProgramTitle, ExpandNewLines(text)));
}

}  // namespace qs
