#pragma once
// How an operation ended, as the journal's and the trace's readers see it: the
// core's ends, and the ends that come from outside the core (the user stopped
// it, no port could be opened). The names are stable words: support filters
// journals by them.

#include <string_view>

#include "sequences/OperationEnd.h"

namespace galt {

enum class Outcome {
  Confirmed,
  DeactivationFailed,
  WriteRejected,
  EchoMissing,
  ConfirmationMissing,
  ModelMismatch,  // a failed install whose device answered as another model
  LinkLost,
  Stopped,        // the window closed or Ctrl+C mid-operation
  ReadDone,
  VerifyDone,
  VerifyMismatch,
  ReplyMissing,
  NoPort,         // the port could not be opened: the device was never touched
};

// A failure during which the device answered as another model is that
// model's mismatch, whatever the sequence then ran out of.
Outcome OutcomeOf(const OperationEnding& ending);
std::string_view OutcomeName(Outcome outcome);

}  // namespace galt
