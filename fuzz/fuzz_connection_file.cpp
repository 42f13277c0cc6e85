// The connection file reader on arbitrary bytes: a file it takes gives only what the program
// could have written (a UUID or no ID, short texts without control characters, finite
// amounts), every line it skips is named with the file, and what it took, written again,
// reads back the same with nothing skipped.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>

#include "history/connection_file.h"
#include "history/connection_uid.h"
#include "record/untrusted_text.h"

namespace {

bool Clean(const std::string& text) {
    return qs::UntrustedTextFault(text).empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    qs::ConnectionFileReading read;
    std::string error;
    if (!qs::ParseConnectionFile(text, "f.records.txt", read, error)) {
        if (error.rfind("f.records.txt:", 0) != 0) __builtin_trap();
        return 0;
    }
    for (const std::string& line : read.skipped)
        if (line.rfind("f.records.txt:", 0) != 0) __builtin_trap();
    const qs::ConnectionFacts& facts = read.facts;
    if (!facts.uid.empty() && !qs::IsConnectionUuid(facts.uid)) __builtin_trap();
    if (!Clean(facts.bench) || !Clean(facts.programVersion)) __builtin_trap();
    const std::string uid = facts.uid.empty() ? "00000000-0000-4000-8000-000000000000" : facts.uid;
    std::string written;
    for (const std::string& line : qs::ConnectionFileHeading(uid, facts.bench, facts.programVersion))
        written += line + "\n";
    for (const std::int64_t start : facts.runStartsMs)
        written += qs::RunStartLine(start) + "\n";
    for (const qs::InstrumentEvent& e : facts.instruments) {
        if (!std::isfinite(e.amount) || !Clean(e.role) || !Clean(e.resource) || !Clean(e.unit))
            __builtin_trap();
        written += qs::InstrumentLine(e) + "\n";
    }
    if (facts.endedAt) written += qs::EndLine(*facts.endedAt) + "\n";
    qs::ConnectionFileReading again;
    if (!qs::ParseConnectionFile(written, "f.records.txt", again, error) ||
        !again.skipped.empty() || again.facts.uid != uid ||
        again.facts.instruments != facts.instruments ||
        again.facts.runStartsMs != facts.runStartsMs || again.facts.endedAt != facts.endedAt) {
        __builtin_trap();
    }
    return 0;
}
