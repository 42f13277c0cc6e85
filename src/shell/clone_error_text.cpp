#include "shell/clone_error_text.h"

#include <initializer_list>

namespace qs {

namespace {

constexpr const char* kCrLf = "\r\n";

constexpr const char* kCheck = "Check the following:";
constexpr const char* kPortSettings = "- The COM port settings.";
constexpr const char* kCable = "- Cloning cable connections.";
constexpr const char* kPowerOn = "- Transceiver power is ON.";
constexpr const char* kSoftware =
    "- Appropriate cloning software for the transceiver is being used.";
constexpr const char* kRevision = "- The revision number of the transceiver.";

enum class Checklist { A, B, C };

std::string Join(std::initializer_list<const char*> lines) {
    std::string text;
    for (const char* line : lines) {
        if (!text.empty()) text += kCrLf;
        text += line;
    }
    return text;
}

std::string WithChecklist(const std::string& headline, Checklist list) {
    std::string checks;
    switch (list) {
        case Checklist::A:
            checks = Join({kCheck, kPortSettings, kCable, kPowerOn});
            break;
        case Checklist::B:
            checks = Join({kCheck, kCable, kPowerOn});
            break;
        case Checklist::C:
            checks = Join({kCheck, kSoftware, kRevision});
            break;
    }
    return headline + kCrLf + kCrLf + checks;
}

const char* DriverHeadline(std::int16_t code) {
    switch (code) {
        case 1:
            return "Cannot access COM port";
        case 2:
            return "No answer from transceiver.";
        case 3:
            return "Illegal data.";
        case 4:
            return "Data counter error.";
        case 5:
            return "Data overflow.";
        default:
            return nullptr;
    }
}

}  // namespace

std::string CloneErrorText(const CloneErrorState& s, const std::string& portInUse) {
    // Another program has the port: that is the cause, and the checklist would mislead.
    if (s.errCannotOpen && !portInUse.empty()) {
        return "Cannot access COM " + std::to_string(s.comPortNum) + "." + kCrLf + kCrLf +
               portInUse + ".";
    }
    if (s.errCannotOpen) {
        return WithChecklist("Cannot access COM " + std::to_string(s.comPortNum) + ".",
                             Checklist::A);
    }
    if (s.errOverflow) return WithChecklist("COM buffer overflow.", Checklist::A);
    if (const char* headline = DriverHeadline(s.driverLastError)) {
        return WithChecklist(headline, Checklist::A);
    }
    if (s.driverLastError == 0 && s.sequenceError == 0) {
        return WithChecklist("Communication failed.", Checklist::B);
    }
    if (s.sequenceError == 2) {
        return std::string("Version number does not match") + kCrLf + "for this transceiver.";
    }
    if (s.sequenceError == 3) {
        return WithChecklist("Connected transceiver is not compatible model.", Checklist::C);
    }
    return WithChecklist("Cannot Clone.", Checklist::A);
}

}  // namespace qs
