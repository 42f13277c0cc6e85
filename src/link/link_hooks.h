#pragma once

#include <string>

namespace qs {

class clsCmcKel3Sequence;

// The radio link calls up into the application through these seams, so that the
// link builds and tests on its own. Until a seam is wired the link treats it as absent.

// The main window's per-tick step, run by every heartbeat of the serial port service.
class IMainTask {
public:
    virtual ~IMainTask() = default;
    virtual void task() = 0;
};

// Turns the error state of the port, driver and sequence into the one clone error message.
class ICloneErrorReporter {
public:
    virtual ~ICloneErrorReporter() = default;
    virtual void MsgBoxCloneErr(clsCmcKel3Sequence& sequence) = 0;
};

// The radio model's verdict on the sub code a connected radio reports.
class ISubNameCheck {
public:
    virtual ~ISubNameCheck() = default;
    virtual bool RigOpFunc_CheckSubNameLegal(const std::string& nameS) = 0;
};

// Optional watcher of what the sequence does with the radio, for the technician's safety net
// (backups and the adjustment journal). It never changes the exchange, only holds back an
// adjustment that could not be journalled.
class ISequenceObserver {
public:
    virtual ~ISequenceObserver() = default;
    // A clone read has ended without error; the memory image and the identification record
    // are complete, and nothing has been sent to the radio since.
    virtual void OnCloneReadDone(clsCmcKel3Sequence& sequence) = 0;
    // An adjustment frame is about to be handed to the port (the port has room for it);
    // `e8Hex` is the command text after the model and sub code (command byte and value),
    // `answerRequired` true for readings. False: the frame must not go (its journal line
    // could not be written); the operation then ends without sending it.
    virtual bool OnAdjustmentSending(const std::string& e8Hex, bool answerRequired) = 0;
};

}  // namespace qs
