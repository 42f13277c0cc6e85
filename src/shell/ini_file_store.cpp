#include "shell/ini_file_store.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "shell/atomic_file.h"


namespace qs {

namespace {

constexpr const char* kNewFileLineEnd = "\r\n";

std::string Trim(const std::string& s) {
    const auto notSpace = [](unsigned char c) { return c != ' ' && c != '\t'; };
    const auto first = std::find_if(s.begin(), s.end(), notSpace);
    const auto last = std::find_if(s.rbegin(), s.rend(), notSpace).base();
    return first < last ? std::string(first, last) : std::string();
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
               return std::tolower(x) == std::tolower(y);
           });
}

struct FileText {
    bool exists = false;
    bool readable = true;
    bool tooLarge = false;
    std::string text;
};

FileText ReadFile(const std::string& file) {
    FileText result;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) return result;
    result.exists = true;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        result.readable = false;
        return result;
    }
    result.text.resize(IniFileStore::kMaxFileBytes + 1);
    in.read(result.text.data(), static_cast<std::streamsize>(result.text.size()));
    result.text.resize(static_cast<std::size_t>(in.gcount()));
    if (in.bad()) result.readable = false;
    if (result.text.size() > IniFileStore::kMaxFileBytes) {
        result.tooLarge = true;
        result.text.resize(IniFileStore::kMaxFileBytes);
    }
    return result;
}

// Lines without their line ends; `lineEnd` reports what the file used.
std::vector<std::string> SplitLines(const std::string& text, std::string& lineEnd) {
    std::vector<std::string> lines;
    lineEnd = kNewFileLineEnd;
    bool sawEnd = false;
    std::size_t start = 0;
    // A byte-order mark from an editor is not part of the first line.
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) start = 3;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            lines.push_back(text.substr(start));
            break;
        }
        const bool crlf = end > start && text[end - 1] == '\r';
        if (!sawEnd) {
            lineEnd = crlf ? "\r\n" : "\n";
            sawEnd = true;
        }
        lines.push_back(text.substr(start, end - start - (crlf ? 1 : 0)));
        start = end + 1;
    }
    return lines;
}

// "[name]" gives name; other lines give false.
bool SectionName(const std::string& line, std::string& name) {
    const std::string t = Trim(line);
    if (t.size() < 2 || t.front() != '[') return false;
    const std::size_t close = t.find(']');
    if (close == std::string::npos) return false;
    name = Trim(t.substr(1, close - 1));
    return true;
}

// "key=value" gives the trimmed key and value; other lines give false.
bool KeyValue(const std::string& line, std::string& key, std::string& value) {
    const std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key = Trim(line.substr(0, eq));
    value = Trim(line.substr(eq + 1));
    return !key.empty() && key.front() != ';';
}

bool BreaksLayout(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

}  // namespace

IniFileStore::IniFileStore(std::string executableDirectory)
    : executableDirectory_(executableDirectory.empty() ? ProgramDirectory()
                                                       : std::move(executableDirectory)) {}

std::string IniFileStore::ProgramDirectory() {
    std::error_code ec;
    const auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (!ec && exe.has_parent_path()) return exe.parent_path().string();
    const auto here = std::filesystem::current_path(ec);
    return ec ? std::string(".") : here.string();
}

std::size_t IniFileStore::GetPrivateProfileString(const std::string& section,
                                                  const std::string& key,
                                                  const std::string& defaultText, std::string& out,
                                                  std::size_t bufferSize, const std::string& file) {
    std::string found = defaultText;
    const FileText content = ReadFile(file);
    if (content.exists && content.readable) {
        std::string lineEnd;
        bool inSection = false;
        for (const std::string& line : SplitLines(content.text, lineEnd)) {
            std::string name;
            if (SectionName(line, name)) {
                inSection = SameName(name, Trim(section));
                continue;
            }
            std::string k;
            std::string v;
            if (inSection && KeyValue(line, k, v) && SameName(k, Trim(key))) {
                found = v;
                break;
            }
        }
    }
    out.clear();
    if (bufferSize == 0) return 0;
    out = found.substr(0, std::min(found.size(), bufferSize - 1));
    return out.size();
}

bool IniFileStore::WritePrivateProfileString(const std::string& section, const std::string& key,
                                             const std::string& value, const std::string& file) {
    const std::string sectionName = Trim(section);
    const std::string keyName = Trim(key);
    if (BreaksLayout(section) || BreaksLayout(key) || BreaksLayout(value)) return false;
    if (keyName.empty() || keyName.find('=') != std::string::npos || keyName.front() == ';' ||
        keyName.front() == '[' || sectionName.find(']') != std::string::npos) {
        return false;
    }

    const FileText content = ReadFile(file);
    // Never rewrite a file we could not read whole: its other lines would be lost.
    if (!content.readable || content.tooLarge) return false;

    std::string lineEnd;
    std::vector<std::string> lines = SplitLines(content.text, lineEnd);
    const std::string newLine = keyName + "=" + value;

    bool inSection = false;
    bool sectionSeen = false;
    std::size_t insertAt = 0;  // after the last non-blank line of the section
    bool written = false;
    for (std::size_t i = 0; i < lines.size() && !written; ++i) {
        std::string name;
        if (SectionName(lines[i], name)) {
            if (inSection) break;  // the key is not in our section
            inSection = SameName(name, sectionName);
            if (inSection) {
                sectionSeen = true;
                insertAt = i + 1;
            }
            continue;
        }
        if (!inSection) continue;
        std::string k;
        std::string v;
        if (KeyValue(lines[i], k, v) && SameName(k, keyName)) {
            lines[i] = newLine;
            written = true;
        } else if (!Trim(lines[i]).empty()) {
            insertAt = i + 1;
        }
    }
    if (!written && sectionSeen) {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), newLine);
    } else if (!written) {
        while (!lines.empty() && Trim(lines.back()).empty())
            lines.pop_back();
        if (!lines.empty()) lines.emplace_back();
        lines.push_back("[" + sectionName + "]");
        lines.push_back(newLine);
    }

    std::string text;
    for (const std::string& line : lines)
        text += line + lineEnd;
    std::string error;
    return WriteFileAtomically(file, text, ExistingFile::Replace, error);
}

}  // namespace qs
