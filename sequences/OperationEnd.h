#pragma once
// How an operation ended, as the core tells its front ends and records: the
// end itself (each with its box, shown before it is reported) and what else
// the core saw on the way that a reader of the end needs.

namespace galt {

enum class OperationEnd {
  Confirmed,            // the install: the device answered with the serial number
  DeactivationFailed,   // no acknowledgement of any deactivation frame
  WriteRejected,        // a block's echo differs from the block sent
  EchoMissing,          // no echo of a block within the watchdog's time
  ConfirmationMissing,  // no answer with the serial number to the queries
  ReadDone,             // a read pass has every block
  VerifyDone,           // a verify pass found the flash equal to the image
  VerifyMismatch,       // a verify pass found a line that differs
  ReplyMissing,         // a read or verify pass got no reply to a block in time
  LinkLost,             // the device behind the port has gone
};

// Whether an end is the operation's success.
constexpr bool EndedWell(OperationEnd end) {
  return end == OperationEnd::Confirmed || end == OperationEnd::ReadDone || end == OperationEnd::VerifyDone;
}

// An end as the core reports it. It stands for its OperationEnd wherever one
// is taken, so a handler that needs only the end takes that.
struct OperationEnding {
  OperationEnd end = OperationEnd::LinkLost;
  // A reply with another model byte came during the operation: nothing was
  // done with it, and a failure is then the wrong device's, not the line's.
  bool anotherModelAnswered = false;

  operator OperationEnd() const { return end; }
};

}  // namespace galt
