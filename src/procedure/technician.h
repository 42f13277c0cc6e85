#pragma once

#include <functional>
#include <string>

namespace qs::procedure {

// What a run asks of the technician at the bench.
struct Question {
    enum class Kind {
        Prompt,   // a text to act on, ended by OK (Enter)
        Confirm,  // a yes/no question about what they see or hear
    };
    Kind kind = Kind::Prompt;
    int step = 0;  // the step asking, from 1
    std::string text;
};

enum class Answer { Ok, Yes, No };

// Who gives the answers: the record tells a technician's from those a script asked for.
enum class AnsweredBy { Technician, Automatically };

// The technician as a front end reaches them: the desktop's panel with its OK, Yes and No
// buttons, or the terminal of the command line. One question is open at a time.
class ITechnician {
public:
    virtual ~ITechnician() = default;
    // Shows the question; `answer` is called once, later or inside this call (a bench wired
    // so that no hand is needed answers at once).
    virtual void Ask(const Question& question, std::function<void(Answer)> answer) = 0;
    // The open question is no longer wanted (the run was stopped): take it down; its answer
    // would be ignored.
    virtual void Withdraw() = 0;
    virtual AnsweredBy answeredBy() const { return AnsweredBy::Technician; }
};

}  // namespace qs::procedure
