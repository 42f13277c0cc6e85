#pragma once

#include <string>

#include "platform/random_source.h"

namespace qs {

// The system's own source of unpredictable bytes.
class SystemRandomSource : public IRandomSource {
public:
    void Fill(std::uint8_t* out, std::size_t count) override;
};

// A random (version 4) UUID in its usual text form, "1b4e28ba-2fa1-4d2e-883f-0016d3cca427":
// unique across every bench of a shop without any of them asking the others.
std::string NewConnectionUid(IRandomSource& random);
// Whether `text` is a uid as NewConnectionUid writes it: 36 characters, lower-case hex digits
// in groups of 8-4-4-4-12.
bool IsConnectionUuid(const std::string& text);

// The uid of a connection taken from a backup folder, the same every time the same backup is
// imported on any bench: "backup-20261207-104602-30170102-1C291CA3".
std::string ImportedConnectionUid(const std::string& backupFileName, const std::string& crc);

}  // namespace qs
