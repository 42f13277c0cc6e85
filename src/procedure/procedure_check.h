#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "procedure/procedure.h"

namespace qs::procedure {

// One mistake in a procedure file.
struct Diagnostic {
    std::string file;
    FilePlace place;  // line 0: the file as a whole (cannot be read, no steps)
    std::string message;
};

// As a compiler writes it: "FILE:LINE:COLUMN: message", or "FILE: message" for the file as a
// whole.
std::string DiagnosticText(const Diagnostic& diagnostic);

// Mistakes shown for one file at most; a last line says when more were found.
inline constexpr std::size_t kMaxDiagnostics = 20;
// Procedure files are a few kilobytes; anything this large is not one.
inline constexpr std::size_t kMaxProcedureFileBytes = 1024 * 1024;

enum class BenchBinding {
    AsWritten,  // the roles are the instruments [bench] names
    Simulated,  // every role is bound to the virtual monitor, whatever [bench] names
};

struct CheckOptions {
    BenchBinding binding = BenchBinding::AsWritten;
    std::vector<std::string> builtInProfiles{"generic"};
    // What is wrong with an instrument address, empty when nothing is; the instrument core
    // supplies it. Without it any address that is not empty passes here and is tried when the
    // instrument is opened.
    std::function<std::string(const std::string& address)> addressMistake;
    // What is wrong with the profile file at `path` (it cannot be read, or a line of it is
    // wrong, with that line; for a bench with a generator, it cannot switch RF off), empty
    // when nothing is; the instrument core supplies it, so that a broken profile is found
    // before any port opens.
    std::function<std::string(const std::string& path, bool forGenerator)> profileMistake;
};

struct CheckedProcedure {
    std::optional<Procedure> procedure;   // exactly when there are no diagnostics
    std::vector<Diagnostic> diagnostics;  // in file order
    bool ok() const { return procedure.has_value(); }
};

// Reads and checks a whole procedure; `file` names it in messages, and profile files are
// found from its folder.
CheckedProcedure CheckProcedureText(std::string_view text, const std::string& file,
                                    const CheckOptions& options);
CheckedProcedure CheckProcedureFile(const std::string& file, const CheckOptions& options);

}  // namespace qs::procedure
