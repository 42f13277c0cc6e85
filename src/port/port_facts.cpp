// The facts behind a port that cannot be opened, from the system itself (Linux).
#include "port/port_facts.h"

#if defined(__linux__)
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#endif

namespace qs {

#if defined(__linux__)
namespace {

// Services that are known to open USB serial adapters as they appear.
constexpr const char* kGrabbingServices[] = {"ModemManager", "brltty"};
constexpr int kMaxGroups = 256;

bool InGroup(gid_t group) {
    if (getegid() == group) return true;
    gid_t groups[kMaxGroups];
    const int n = getgroups(kMaxGroups, groups);
    for (int i = 0; i < n; ++i) {
        if (groups[i] == group) return true;
    }
    return false;
}

std::vector<std::string> RunningServices() {
    std::vector<std::string> found;
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", ec)) {
        const std::string pid = entry.path().filename().string();
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos) continue;
        std::ifstream comm(entry.path() / "comm");
        std::string name;
        std::getline(comm, name);
        for (const char* service : kGrabbingServices) {
            if (name == service && std::find(found.begin(), found.end(), name) == found.end())
                found.push_back(name);
        }
    }
    return found;
}

}  // namespace

PortFacts GatherPortFacts(const std::string& device) {
    PortFacts facts;
    facts.device = device;
    if (const passwd* user = getpwuid(geteuid())) facts.userName = user->pw_name;
    struct stat info {};
    if (!device.empty() && stat(device.c_str(), &info) == 0) {
        facts.deviceExists = true;
        // Only a device that others may not use through "other" bits needs the group.
        const bool othersMay = (info.st_mode & S_IROTH) != 0 && (info.st_mode & S_IWOTH) != 0;
        if (!othersMay && geteuid() != 0 && info.st_uid != geteuid()) {
            if (const group* g = getgrgid(info.st_gid)) facts.deviceGroup = g->gr_name;
            facts.userInDeviceGroup = InGroup(info.st_gid);
        }
    }
    facts.grabbingServices = RunningServices();
    return facts;
}

#else

PortFacts GatherPortFacts(const std::string& device) {
    PortFacts facts;
    facts.device = device;
    facts.deviceExists = true;
    return facts;
}

#endif

}  // namespace qs
