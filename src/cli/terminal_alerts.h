#pragma once

#include <string>
#include <vector>

#include "platform/alerts.h"

namespace qs::cli {

// The desktop program's message boxes as text on standard error: "qs71dr-cli: " and the
// message, one line per line of the box. Every message is also kept, for --json.
class TerminalMessageBox : public IMessageBox {
public:
    int ShowStop(const std::string& caption, const std::string& text) override;
    // Nobody can answer on a script's behalf: No, so nothing that asks first runs unasked.
    bool AskYesNo(const std::string& caption, const std::string& text) override;

    const std::vector<std::string>& messages() const { return messages_; }
    // When false the messages are only kept (a command that prints them itself).
    void setEcho(bool on) { echo_ = on; }

private:
    std::vector<std::string> messages_;
    bool echo_ = true;
};

// The message text with the box's CR LF line ends as plain new lines.
std::string PlainLines(const std::string& text);

// The end of an automatic operation beeps in the desktop program; a script has no use for it.
class SilentBeeper : public IBeeper {
public:
    void Beep() override { ++beeps_; }
    int beeps() const { return beeps_; }

private:
    int beeps_ = 0;
};

}  // namespace qs::cli
