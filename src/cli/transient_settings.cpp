#include "cli/transient_settings.h"

namespace qs::cli {

std::size_t TransientSettings::GetPrivateProfileString(const std::string& /*section*/,
                                                       const std::string& /*key*/,
                                                       const std::string& defaultText,
                                                       std::string& out, std::size_t bufferSize,
                                                       const std::string& /*file*/) {
    out = bufferSize == 0 ? std::string() : defaultText.substr(0, bufferSize - 1);
    return out.size();
}

bool TransientSettings::WritePrivateProfileString(const std::string& /*section*/,
                                                  const std::string& /*key*/,
                                                  const std::string& /*value*/,
                                                  const std::string& /*file*/) {
    return true;
}

}  // namespace qs::cli
