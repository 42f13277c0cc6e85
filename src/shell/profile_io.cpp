#include "shell/profile_io.h"

#include <algorithm>

#include "shell/value_text.h"

namespace qs {

namespace {

constexpr char kFolderSeparator = '/';

bool IsSeparator(char c) {
    return c == '/' || c == '\\';
}

std::string WithTrailingSeparator(std::string folder) {
    if (folder.empty() || !IsSeparator(folder.back())) folder += kFolderSeparator;
    return folder;
}

}  // namespace

clsCmcProfileIO::clsCmcProfileIO(IProfileStore& store) : store_(store) {}

void clsCmcProfileIO::setFullPath(const std::string& fullPath) {
    Path_ = WithTrailingSeparator(GetPathName(fullPath));
    Name_ = GetFileName(fullPath);
}

void clsCmcProfileIO::SetCurrentPath() {
    Path_ = WithTrailingSeparator(store_.ExecutableDirectory());
}

std::string clsCmcProfileIO::StripTerminator(const std::string& StrString) {
    const std::size_t nul = StrString.find('\0');
    return nul == std::string::npos ? StrString : StrString.substr(0, nul);
}

std::string clsCmcProfileIO::GetFileName(const std::string& strPath) {
    const std::size_t cut = strPath.find_last_of("/\\:");
    return cut == std::string::npos ? strPath : strPath.substr(cut + 1);
}

std::string clsCmcProfileIO::GetPathName(const std::string& strFilename) const {
    std::string result;
    const std::size_t last = strFilename.find_last_of("/\\");
    if (last == std::string::npos || last == 0) {
        // A bare name lives in the program's folder; "/x" lives in the root.
        result = last == 0 ? std::string(1, strFilename[0]) : store_.ExecutableDirectory();
    } else {
        result = strFilename.substr(0, last);
        if (result.back() == ':') result += '\\';
    }
    // The folder without its final separator ("C:\" becomes "C:"), but never an empty root.
    if (result.size() > 1 && IsSeparator(result.back())) result.pop_back();
    return result;
}

bool clsCmcProfileIO::saveData(const std::string& sKey, const TaggedValue& sData) {
    const auto text = ValueToText(sData);
    if (!text) return false;
    return store_.WritePrivateProfileString(Section_, sKey, *text, GetMyProfile());
}

bool clsCmcProfileIO::loadData(const std::string& sKey, TaggedValue& sData,
                               const std::optional<TaggedValue>& sDefaultData) {
    if (sData.isEmpty()) return false;
    const TaggedValue& fallback = sDefaultData ? *sDefaultData : sData;
    if (fallback.kind() != sData.kind()) return false;
    const auto defaultText = ValueToText(fallback);
    if (!defaultText) return false;

    std::string buffer;
    const std::size_t copied = store_.GetPrivateProfileString(Section_, sKey, *defaultText, buffer,
                                                              kBufferChars, GetMyProfile());
    if (copied == 0) return false;
    std::string text = StripTerminator(buffer.substr(0, std::min(copied, buffer.size())));
    while (!text.empty() && text.back() == ' ')
        text.pop_back();

    const auto value = TextToValue(text, sData.kind());
    if (!value) return false;
    sData = *value;
    return true;
}

}  // namespace qs
