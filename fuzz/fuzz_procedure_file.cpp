// The procedure checker on arbitrary bytes: it either gives a procedure with steps or says
// what is wrong, in a bounded number of lines that cannot act on a terminal.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "procedure/procedure_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    qs::procedure::CheckOptions options;
    // Both benches: the simulated one lets more files through to the typed procedure.
    if (size % 2 == 0) options.binding = qs::procedure::BenchBinding::Simulated;
    const qs::procedure::CheckedProcedure checked =
        qs::procedure::CheckProcedureText(text, "/nonexistent/fuzz.toml", options);

    if (checked.ok() != checked.diagnostics.empty()) __builtin_trap();
    if (checked.diagnostics.size() > qs::procedure::kMaxDiagnostics + 1) __builtin_trap();
    for (const qs::procedure::Diagnostic& d : checked.diagnostics) {
        if (d.message.empty() || d.place.line < 0) __builtin_trap();
        for (const char c : qs::procedure::DiagnosticText(d)) {
            if (static_cast<unsigned char>(c) < 0x20) __builtin_trap();
        }
    }
    if (!checked.ok()) return 0;
    if (checked.procedure->steps.empty()) __builtin_trap();
    for (const qs::procedure::Step& step : checked.procedure->steps) {
        if (qs::procedure::StepTitle(step).empty()) __builtin_trap();
    }
    (void)qs::procedure::RolesNeeded(*checked.procedure);
    return 0;
}
