#include "records/Outcome.h"

namespace galt {

Outcome OutcomeOf(const OperationEnding& ending) {
  if (ending.anotherModelAnswered && !EndedWell(ending.end)) return Outcome::ModelMismatch;
  switch (ending.end) {
    case OperationEnd::Confirmed: return Outcome::Confirmed;
    case OperationEnd::DeactivationFailed: return Outcome::DeactivationFailed;
    case OperationEnd::WriteRejected: return Outcome::WriteRejected;
    case OperationEnd::EchoMissing: return Outcome::EchoMissing;
    case OperationEnd::ConfirmationMissing: return Outcome::ConfirmationMissing;
    case OperationEnd::ReadDone: return Outcome::ReadDone;
    case OperationEnd::VerifyDone: return Outcome::VerifyDone;
    case OperationEnd::VerifyMismatch: return Outcome::VerifyMismatch;
    case OperationEnd::ReplyMissing: return Outcome::ReplyMissing;
    case OperationEnd::LinkLost: return Outcome::LinkLost;
  }
  return Outcome::LinkLost;
}

std::string_view OutcomeName(Outcome outcome) {
  switch (outcome) {
    case Outcome::Confirmed: return "confirmed";
    case Outcome::DeactivationFailed: return "deactivation-failed";
    case Outcome::WriteRejected: return "write-rejected";
    case Outcome::EchoMissing: return "echo-missing";
    case Outcome::ConfirmationMissing: return "confirmation-missing";
    case Outcome::ModelMismatch: return "model-mismatch";
    case Outcome::LinkLost: return "link-lost";
    case Outcome::Stopped: return "stopped";
    case Outcome::ReadDone: return "read-done";
    case Outcome::VerifyDone: return "verify-done";
    case Outcome::VerifyMismatch: return "verify-mismatch";
    case Outcome::ReplyMissing: return "reply-missing";
    case Outcome::NoPort: return "no-port";
  }
  return "unknown";
}

}  // namespace galt
