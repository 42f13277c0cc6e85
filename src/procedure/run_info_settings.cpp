#include "procedure/run_info_settings.h"

#include "platform/profile_store.h"

namespace qs::procedure {
namespace {

// A name, a serial number or a work order is a line; the store's buffer bounds what it reads.
constexpr std::size_t kMaxField = 256;

struct Field {
    const char* key;
    std::string RunInfo::*member;
};
constexpr Field kFields[] = {
    {"Technician", &RunInfo::technician},
    {"WorkOrder", &RunInfo::workOrder},
};

// The settings file is line-based: a line break would start a key of its own.
std::string OneLine(const std::string& text) {
    std::string line;
    for (const char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
    return line;
}

}  // namespace

RunInfo LoadRunInfo(IProfileStore& store, const std::string& file) {
    RunInfo info;
    for (const Field& field : kFields) {
        store.GetPrivateProfileString(kRunInfoSection, field.key, "", info.*field.member, kMaxField,
                                      file);
    }
    return info;
}

bool SaveRunInfo(IProfileStore& store, const std::string& file, const RunInfo& info) {
    bool written = true;
    for (const Field& field : kFields) {
        written = store.WritePrivateProfileString(kRunInfoSection, field.key,
                                                  OneLine(info.*field.member), file) &&
                  written;
    }
    return written;
}

}  // namespace qs::procedure
