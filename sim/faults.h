#pragma once

// Faults the virtual radio can be told to show, each on its own switch. Block numbers count
// the data blocks of one clone read from 1.

#include <string>
#include <vector>

namespace qtsim {

inline constexpr int kNoMuteLevel = 1000;

struct Faults {
    bool noEcho = false;           // the cable returns nothing at all (no echo, no answer)
    bool noAnswer = false;         // the echo comes back, the radio never answers
    int silentAfterBlocks = -1;    // a clone read stops after this many blocks (no end frame)
    bool otherModel = false;       // identifies as model 3018 and ignores requests for 3017
    bool refusedSubCode = false;   // identifies with sub code 0200
    int formatByte = 0x01;         // format byte of the identification (01 is right)
    int badChecksumBlock = -1;     // this block carries a checksum off by one
    bool blockOutside = false;     // one more block after the last, at 7D70, outside the image
    bool endCountOff = false;      // the end frame counts one block more than were sent
    bool noise = false;            // a few random bytes (never FE or FD) before every answer
    int dropByteBlock = -1;        // one character of this block is lost on the line
    bool readingLength = false;    // reading answers carry three digits instead of two
    bool readingIdentity = false;  // reading answers carry model code 3018
    bool readingDigits = false;    // reading answers carry non-hexadecimal digits
    int hangUpAfterBlocks = -1;    // the line goes dead after this many blocks, until reopened
    // The bench fails in the middle of a procedure: from the message that sets the generator
    // to this level (dBm) on, the monitor reads every message and answers none.
    int monitorMuteAtDbm = kNoMuteLevel;

    bool any() const;
};

// Model code and sub code the radio reports under the identity faults.
inline constexpr char kOtherModelCode[] = "3018";
inline constexpr char kRefusedSubCode[] = "0200";
// Format byte used by "bad-format" when no value is given.
inline constexpr int kDefaultBadFormatByte = 0x02;

// One fault by its option text: a name, optionally "=N". Unknown names and bad numbers give
// false with `error` saying why.
bool applyFault(const std::string& text, Faults& faults, std::string* error);

// The fault names with a line of explanation each, for --help.
std::vector<std::string> faultHelpLines();

}  // namespace qtsim
