#include "safety/parameter_compare.h"

#include "model/rig_k52t_eep.h"

namespace qs {
namespace {

constexpr const char* kLineEnd = "\r\n";
constexpr const char* kLabelEnd = ": ";

std::vector<std::string> PageLines(const clsCmcEeprom& image) {
    const std::string text = clsIndEep_RigK52T(image).ParameterText();
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t end = text.find(kLineEnd, at);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(at, end - at));
        at = end + 2;
    }
    return lines;
}

// Splits a page line after the label's ": ".
void SplitLine(const std::string& line, std::string& label, std::string& value) {
    const std::size_t at = line.find(kLabelEnd);
    if (at == std::string::npos) {
        label.clear();
        value = line;
        return;
    }
    label = line.substr(0, at + 2);
    value = line.substr(at + 2);
}

}  // namespace

std::vector<ParameterDifference> CompareParameters(const clsCmcEeprom& older,
                                                   const clsCmcEeprom& newer) {
    const std::vector<std::string> before = PageLines(older);
    const std::vector<std::string> after = PageLines(newer);
    std::vector<ParameterDifference> differences;
    for (std::size_t i = 0; i < before.size() && i < after.size(); ++i) {
        if (before[i] == after[i]) continue;
        ParameterDifference d;
        std::string label;
        SplitLine(before[i], d.label, d.oldValue);
        SplitLine(after[i], label, d.newValue);
        differences.push_back(d);
    }
    return differences;
}

std::string CompareText(const std::string& backupName, const std::string& backupDate,
                        const std::vector<ParameterDifference>& differences) {
    std::string text;
    text += "Backup: " + backupName + kLineEnd;
    text += "Read:   " + backupDate + kLineEnd;
    text += kLineEnd;
    if (differences.empty()) {
        text += std::string("No parameter differs from the backup.") + kLineEnd;
        return text;
    }
    text += std::string("Each line: the value in the backup  ->  the value now.") + kLineEnd;
    text += kLineEnd;
    for (const ParameterDifference& d : differences)
        text += d.label + d.oldValue + "  ->  " + d.newValue + kLineEnd;
    text += kLineEnd;
    text += std::to_string(differences.size()) +
            (differences.size() == 1 ? " parameter differs." : " parameters differ.") + kLineEnd;
    return text;
}

}  // namespace qs
