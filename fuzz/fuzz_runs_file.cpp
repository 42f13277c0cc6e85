// The runs file reader on arbitrary bytes, whole and as untrusted input: no crash or hang;
// what the untrusted reading takes holds no text with a control character other than a line
// end or tab, writes back to a file that the whole reading takes as it is, and reads back the
// same; every part it leaves out is named with the file.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "record/run_record_file.h"
#include "record/untrusted_text.h"

namespace {

bool Clean(const std::string& text) {
    return qs::UntrustedTextFault(text, qs::kMaxFileTextChars, qs::LineBreaks::Allowed).empty();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::vector<qs::RunRecord> runs;
    std::string error;
    qs::ParseRuns(text, "f.runs.toml", runs, error);
    std::vector<std::string> skipped;
    error.clear();
    if (!qs::ParseRuns(text, "f.runs.toml", runs, skipped, error)) {
        if (error.rfind("f.runs.toml", 0) != 0) __builtin_trap();
        return 0;
    }
    for (const std::string& line : skipped)
        if (line.rfind("f.runs.toml:", 0) != 0) __builtin_trap();
    for (const qs::RunRecord& run : runs) {
        if (!Clean(run.technician) || !Clean(run.serialNumber) || !Clean(run.endReason))
            __builtin_trap();
        for (const qs::StepRecord& step : run.steps)
            if (!Clean(step.title) || !Clean(step.message)) __builtin_trap();
    }
    const std::string written = qs::RunsText(runs);
    std::vector<qs::RunRecord> again;
    if (!qs::ParseRuns(written, "f.runs.toml", again, error) || qs::RunsText(again) != written)
        __builtin_trap();
    return 0;
}
