#include "cli/terminal_alerts.h"

#include <cstdio>

namespace qs::cli {

std::string PlainLines(const std::string& text) {
    std::string plain;
    plain.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        plain += text[i] == '\r' ? '\n' : text[i];
    }
    return plain;
}

int TerminalMessageBox::ShowStop(const std::string& /*caption*/, const std::string& text) {
    messages_.push_back(PlainLines(text));
    if (echo_) {
        std::fprintf(stderr, "qs71dr-cli: %s\n", messages_.back().c_str());
        std::fflush(stderr);
    }
    return 1;
}

bool TerminalMessageBox::AskYesNo(const std::string& caption, const std::string& text) {
    (void)caption;
    (void)text;
    return false;
}

}  // namespace qs::cli
