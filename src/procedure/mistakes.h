#pragma once

#include <string>
#include <vector>

#include "procedure/procedure_check.h"

namespace qs::procedure {

// The mistakes found in one file, gathered in any order and handed out in file order.
class Mistakes {
public:
    explicit Mistakes(std::string file) : file_(std::move(file)) {}

    void Add(FilePlace place, std::string message);
    // For the file as a whole.
    void Add(std::string message) { Add(FilePlace{}, std::move(message)); }
    std::size_t count() const { return count_; }
    const std::string& file() const { return file_; }

    // In file order, at most kMaxDiagnostics, then a line saying how many more there were.
    std::vector<Diagnostic> InFileOrder() const;

private:
    std::string file_;
    std::vector<Diagnostic> list_;
    std::size_t count_ = 0;
};

}  // namespace qs::procedure
