#include "cli/terminal_technician.h"

#include <cstdio>
#include <unistd.h>

namespace qs::cli {

namespace {

constexpr std::size_t kMaxLine = 4096;
// Far more answers than any procedure asks for; a stream beyond it is not answers.
constexpr std::size_t kMaxKeptLines = 1000;

std::string Trimmed(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return std::string();
    const std::size_t last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

}  // namespace

TerminalTechnician::TerminalTechnician(Answering answering, std::function<void()> inputEnded)
    : answering_(answering), inputEnded_(std::move(inputEnded)) {}

TerminalTechnician::~TerminalTechnician() = default;

void TerminalTechnician::Show(const procedure::Question& question) const {
    const bool confirm = question.kind == procedure::Question::Kind::Confirm;
    std::fprintf(stderr, "qs71dr-cli: step %d: %s\n%s", question.step, question.text.c_str(),
                 answering_ == Answering::AllYes ? ""
                 : confirm                       ? "  [y/n] "
                                                 : "  Press Enter when done. ");
    if (answering_ == Answering::AllYes) {
        std::fprintf(stderr, "  (--yes: %s)\n", confirm ? "yes" : "OK");
    }
    std::fflush(stderr);
}

void TerminalTechnician::Ask(const procedure::Question& question,
                             std::function<void(procedure::Answer)> answer) {
    Show(question);
    if (answering_ == Answering::AllYes) {
        answer(question.kind == procedure::Question::Kind::Confirm ? procedure::Answer::Yes
                                                                   : procedure::Answer::Ok);
        return;
    }
    question_ = question;
    answer_ = std::move(answer);
    if (!input_ && !ended_) {
        input_ = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(input_.get(), &QSocketNotifier::activated, input_.get(),
                         [this] { OnInput(); });
    }
    while (answer_ && !lines_.empty()) {
        const std::string line = lines_.front();
        lines_.pop_front();
        TakeLine(line);
    }
    if (answer_ && ended_) {
        answer_ = nullptr;
        std::fputs("\n", stderr);
        if (inputEnded_) inputEnded_();
    }
}

void TerminalTechnician::Withdraw() {
    if (!answer_) return;
    answer_ = nullptr;
    std::fputs("\n", stderr);
    std::fflush(stderr);
}

void TerminalTechnician::OnInput() {
    char buffer[256];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        ended_ = true;
        input_->setEnabled(false);
        if (answer_) {
            answer_ = nullptr;
            std::fputs("\n", stderr);
            if (inputEnded_) inputEnded_();
        }
        return;
    }
    for (ssize_t k = 0; k < n; ++k) {
        if (buffer[k] != '\n') {
            if (pending_.size() < kMaxLine) pending_ += buffer[k];
            continue;
        }
        std::string line;
        line.swap(pending_);
        TakeLine(line);
    }
}

void TerminalTechnician::TakeLine(const std::string& line) {
    if (!answer_) {
        if (lines_.size() < kMaxKeptLines) lines_.push_back(line);
        return;
    }
    if (question_.kind == procedure::Question::Kind::Prompt) {
        auto answer = std::move(answer_);
        answer_ = nullptr;
        answer(procedure::Answer::Ok);
        return;
    }
    const std::string word = Trimmed(line);
    if (word == "y" || word == "Y" || word == "yes") {
        auto answer = std::move(answer_);
        answer_ = nullptr;
        answer(procedure::Answer::Yes);
    } else if (word == "n" || word == "N" || word == "no") {
        auto answer = std::move(answer_);
        answer_ = nullptr;
        answer(procedure::Answer::No);
    } else {
        std::fputs("  Please answer y or n: ", stderr);
        std::fflush(stderr);
    }
}

}  // namespace qs::cli
