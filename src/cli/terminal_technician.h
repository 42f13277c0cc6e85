#pragma once

#include <QSocketNotifier>
#include <deque>
#include <functional>
#include <memory>
#include <string>

#include "procedure/technician.h"

namespace qs::cli {

// The technician of a procedure run on the terminal: each question on standard error, the
// answer a line on standard input (Enter for OK; y or n for a question). Lines that come
// before their question are kept for it, as rssi keeps an Enter typed ahead, so that a
// script can answer too. With --yes every question is answered at once (OK, yes), for a
// bench wired so that no hand is needed.
class TerminalTechnician : public procedure::ITechnician {
public:
    enum class Answering { AtTerminal, AllYes };

    // `inputEnded` is called when standard input ends while a question is open: nobody is
    // there to answer it.
    TerminalTechnician(Answering answering, std::function<void()> inputEnded);
    ~TerminalTechnician() override;

    // One technician serves every command of a session, so that lines typed ahead are kept
    // for the questions of later commands: each run says how it is answered.
    void setAnswering(Answering answering) { answering_ = answering; }
    void setInputEnded(std::function<void()> inputEnded) { inputEnded_ = std::move(inputEnded); }

    void Ask(const procedure::Question& question,
             std::function<void(procedure::Answer)> answer) override;
    void Withdraw() override;
    procedure::AnsweredBy answeredBy() const override {
        return answering_ == Answering::AllYes ? procedure::AnsweredBy::Automatically
                                               : procedure::AnsweredBy::Technician;
    }

private:
    void OnInput();
    void TakeLine(const std::string& line);
    void Show(const procedure::Question& question) const;

    Answering answering_;
    std::function<void()> inputEnded_;
    std::unique_ptr<QSocketNotifier> input_;
    std::string pending_;             // what came after the last full line
    std::deque<std::string> lines_;  // full lines no question has taken yet
    bool ended_ = false;
    procedure::Question question_;
    std::function<void(procedure::Answer)> answer_;
};

}  // namespace qs::cli
