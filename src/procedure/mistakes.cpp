#include "procedure/mistakes.h"

#include <algorithm>

namespace qs::procedure {
namespace {

// Kept in memory at most; a file of nothing but mistakes need not fill it.
constexpr std::size_t kMaxKept = 1000;

bool Before(const Diagnostic& a, const Diagnostic& b) {
    return a.place < b.place;
}

}  // namespace

void Mistakes::Add(FilePlace place, std::string message) {
    ++count_;
    if (list_.size() < kMaxKept) list_.push_back({file_, place, std::move(message)});
}

std::vector<Diagnostic> Mistakes::InFileOrder() const {
    std::vector<Diagnostic> sorted = list_;
    std::stable_sort(sorted.begin(), sorted.end(), Before);
    if (count_ <= kMaxDiagnostics) return sorted;
    sorted.resize(kMaxDiagnostics);
    sorted.push_back({file_, FilePlace{},
                      std::to_string(count_ - kMaxDiagnostics) +
                          " more mistakes not shown; correct these first"});
    return sorted;
}

std::string DiagnosticText(const Diagnostic& diagnostic) {
    if (diagnostic.place.line <= 0) return diagnostic.file + ": " + diagnostic.message;
    return diagnostic.file + ":" + std::to_string(diagnostic.place.line) + ":" +
           std::to_string(diagnostic.place.column) + ": " + diagnostic.message;
}

}  // namespace qs::procedure
