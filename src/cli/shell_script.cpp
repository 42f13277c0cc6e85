#include "cli/shell_script.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qs::cli {

bool ReadScript(const std::string& file, std::string& text, std::string& error) {
    std::FILE* in = file.empty() ? stdin : std::fopen(file.c_str(), "rb");
    const std::string name = file.empty() ? std::string("standard input") : file;
    if (in == nullptr) {
        error = "shell --script " + file + ": " + std::strerror(errno);
        return false;
    }
    text.clear();
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, in)) > 0 && text.size() <= kMaxScriptBytes)
        text.append(buffer, n);
    const bool failed = std::ferror(in) != 0;
    if (in != stdin) std::fclose(in);
    if (failed) {
        error = "shell: " + name + " cannot be read";
        return false;
    }
    if (text.size() > kMaxScriptBytes) {
        error = "shell: " + name + " is too large to be a script (more than " +
                std::to_string(kMaxScriptBytes / 1024) + " KiB)";
        return false;
    }
    return true;
}

bool ParseScript(const std::string& text, bool fromStandardInput,
                 std::vector<CommandArgs>& commands, std::string& error) {
    commands.clear();
    std::size_t start = 0;
    for (int line = 1; start < text.size(); ++line) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string lineText = text.substr(start, end - start);
        start = end + 1;
        const std::string where = "line " + std::to_string(line) + ": ";
        if (lineText.find('\0') != std::string::npos) {
            error = where + "not text";
            return false;
        }
        const ScriptLineResult parsed = ParseScriptLine(lineText, line);
        if (!parsed.ok()) {
            error = where + parsed.error;
            return false;
        }
        if (parsed.args.command == Command::None) continue;
        if (parsed.args.command == Command::Rssi && fromStandardInput) {
            error = where +
                    "rssi takes the Enter presses from standard input, which holds the "
                    "script; give the commands with --script FILE";
            return false;
        }
        commands.push_back(parsed.args);
    }
    return true;
}

}  // namespace qs::cli
