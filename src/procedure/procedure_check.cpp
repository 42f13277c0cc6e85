#include "procedure/procedure_check.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <toml++/toml.h>

#include "procedure/bench_reader.h"
#include "procedure/message_text.h"
#include "procedure/mistakes.h"
#include "procedure/step_reader.h"
#include "procedure/table_reader.h"
#include "safety/crc32.h"

namespace qs::procedure {
namespace {

// The radio this program adjusts, as a shop writes it in `model`.
constexpr const char* kRadioModel = "QT-71DR";
// toml++ describes a syntax error in a line; longer is not a description.
constexpr std::size_t kMaxSyntaxMessageBytes = 300;

void CheckModel(TableReader& r) {
    const auto model = r.Text("model", Need::Optional);
    if (!model || Lowered(*model) == Lowered(kRadioModel)) return;
    r.Mistake("model", "this procedure is for the " + Quoted(*model) + "; this program adjusts the " +
                           kRadioModel);
}

std::vector<Step> ReadSteps(TableReader& r, Mistakes& mistakes) {
    std::vector<Step> steps;
    const toml::node* node = r.Get("step", Need::Optional);
    if (node == nullptr) {
        mistakes.Add("the procedure has no steps: add [[step]] tables");
        return steps;
    }
    const toml::array* array = node->as_array();
    if (array == nullptr) {
        r.Mistake("step", "write each step as [[step]] (an array of tables), not as " +
                              TypeWords(*node));
        return steps;
    }
    if (array->empty()) mistakes.Add("the procedure has no steps: add [[step]] tables");
    for (const toml::node& element : *array) {
        const toml::table* table = element.as_table();
        if (table == nullptr) {
            mistakes.Add(StartOf(element.source()),
                         "each step must be a table ([[step]]), not " + TypeWords(element));
            continue;
        }
        if (auto step = ReadStep(*table, mistakes)) steps.push_back(std::move(*step));
    }
    return steps;
}

void CheckRoles(const std::vector<Step>& steps, const BenchRead& bench, bool benchGiven,
                Mistakes& mistakes) {
    for (const Step& step : steps) {
        const auto role = RoleNeeded(step.action);
        if (!role || bench.named[static_cast<std::size_t>(*role)]) continue;
        const std::string key(RoleKey(*role));
        mistakes.Add(step.place, "this " + std::string(KindName(step.action)) + " step needs " +
                                     std::string(RoleWords(*role)) + ", and " +
                                     (benchGiven ? "[bench] names no " + Quoted(key)
                                                 : "the file has no [bench] to name it in (" +
                                                       key + " = \"ADDRESS\")"));
    }
}

CheckedProcedure Result(const Mistakes& mistakes, Procedure procedure) {
    CheckedProcedure checked;
    if (mistakes.count() == 0) {
        checked.procedure = std::move(procedure);
    } else {
        checked.diagnostics = mistakes.InFileOrder();
    }
    return checked;
}

std::string ChecksumText(std::string_view text) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%08X", Crc32(Bytes(text.begin(), text.end())));
    return hex;
}

}  // namespace

CheckedProcedure CheckProcedureText(std::string_view text, const std::string& file,
                                    const CheckOptions& options) {
    Mistakes mistakes(file);
    Procedure procedure;
    procedure.file = file;
    procedure.checksum = ChecksumText(text);
    if (text.size() > kMaxProcedureFileBytes) {
        mistakes.Add("too large to be a procedure (more than " +
                     std::to_string(kMaxProcedureFileBytes / 1024) + " KiB)");
        return Result(mistakes, procedure);
    }
    toml::table root;
    try {
        root = toml::parse(text, std::string_view(file));
    } catch (const toml::parse_error& error) {
        mistakes.Add(StartOf(error.source()), Printable(error.description(), kMaxSyntaxMessageBytes));
        return Result(mistakes, procedure);
    }

    TableReader r(root, "the procedure", mistakes);
    procedure.title = r.Text("title", Need::Optional).value_or("");
    procedure.revision = r.Text("revision", Need::Optional).value_or("");
    CheckModel(r);
    BenchRead bench;
    const toml::node* benchNode = r.Get("bench", Need::Optional);
    if (benchNode != nullptr) {
        if (const toml::table* table = benchNode->as_table()) {
            bench = ReadBench(*table, file, options, mistakes);
        } else {
            r.WrongType("bench", *benchNode, "a table ([bench])");
        }
    }
    procedure.steps = ReadSteps(r, mistakes);
    r.RefuseUnknownKeys();

    if (options.binding == BenchBinding::AsWritten) {
        CheckRoles(procedure.steps, bench, benchNode != nullptr, mistakes);
    }
    procedure.bench = bench.bench;
    return Result(mistakes, std::move(procedure));
}

CheckedProcedure CheckProcedureFile(const std::string& file, const CheckOptions& options) {
    Mistakes mistakes(file);
    std::error_code error;
    const auto status = std::filesystem::status(file, error);
    if (error) {
        mistakes.Add("cannot be read: " + error.message());
        return Result(mistakes, Procedure{});
    }
    // Only a plain file: a pipe or a device could keep the check waiting for ever.
    if (!std::filesystem::is_regular_file(status)) {
        mistakes.Add("is not a file");
        return Result(mistakes, Procedure{});
    }
    errno = 0;
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        mistakes.Add("cannot be read: " + std::string(std::strerror(errno != 0 ? errno : EIO)));
        return Result(mistakes, Procedure{});
    }
    std::string text;
    char buffer[65536];
    // One read past the limit is enough to know the file is too large.
    while (in && text.size() <= kMaxProcedureFileBytes) {
        in.read(buffer, sizeof buffer);
        text.append(buffer, static_cast<std::size_t>(in.gcount()));
    }
    if (!in.eof() && text.size() <= kMaxProcedureFileBytes) {
        mistakes.Add("cannot be read to its end");
        return Result(mistakes, Procedure{});
    }
    return CheckProcedureText(text, file, options);
}

}  // namespace qs::procedure
