#pragma once

#include <optional>
#include <string>

#include "link/tagged_value.h"
#include "platform/profile_store.h"

namespace qs {

// Typed values in one section of a settings file, each written as text and read back.
// Paths use "/" or "\" between folders; a "\" added to a folder is written as "/" on this
// platform so the folder and the file name always join to a real path.
class clsCmcProfileIO {
public:
    // Values longer than this are cut when read.
    static constexpr std::size_t kBufferChars = 255;

    explicit clsCmcProfileIO(IProfileStore& store);

    const std::string& Name() const { return Name_; }
    void setName(std::string name) { Name_ = std::move(name); }
    const std::string& Path() const { return Path_; }
    void setPath(std::string path) { Path_ = std::move(path); }
    const std::string& Section() const { return Section_; }
    void setSection(std::string section) { Section_ = std::move(section); }

    std::string FullPath() const { return GetMyProfile(); }
    void setFullPath(const std::string& fullPath);
    // Path = the program's folder.
    void SetCurrentPath();
    std::string GetMyProfile() const { return Path_ + Name_; }

    // Writes sKey = the value's text into Section. False for an empty value or a failed write.
    bool saveData(const std::string& sKey, const TaggedValue& sData);
    // Reads sKey into sData, converted to sData's kind, with sDefaultData (same kind) or
    // sData's own value as the default for a missing key. False, with sData unchanged, when
    // the kinds disagree, the key is empty, or the text does not convert.
    bool loadData(const std::string& sKey, TaggedValue& sData,
                  const std::optional<TaggedValue>& sDefaultData = std::nullopt);

    static std::string StripTerminator(const std::string& StrString);
    static std::string GetFileName(const std::string& strPath);
    std::string GetPathName(const std::string& strFilename) const;
    static TaggedValue UCase16(const std::string& text) { return TaggedValue::String(text); }

private:
    IProfileStore& store_;
    std::string Name_ = "Profile.INI";
    std::string Path_;
    std::string Section_;
};

}  // namespace qs
