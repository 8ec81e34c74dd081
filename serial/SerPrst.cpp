#include "serial/SerPrst.h"

#include <stdexcept>

namespace galt {

void TSerFlowControl::AssignProperties(const TSerPersistent& Source) {
  const auto& s = static_cast<const TSerFlowControl&>(Source);
  SetOutCtsFlow(s.OutCtsFlow_);
  SetOutDsrFlow(s.OutDsrFlow_);
  SetControlDtr(s.ControlDtr_);
  SetControlRts(s.ControlRts_);
  SetXonXoffOut(s.XonXoffOut_);
  SetXonXoffIn(s.XonXoffIn_);
  SetDsrSensitivity(s.DsrSensitivity_);
  SetTxContinueOnXoff(s.TxContinueOnXoff_);
}

char TSerEventChars::Get(int Index) const {
  if (Index < ciXonChar || Index > ciEofChar) throw std::out_of_range("event character index");
  return Chars_[Index - 1];
}

void TSerEventChars::SetChar(int Index, char Value) {
  if (Index < ciXonChar || Index > ciEofChar) throw std::out_of_range("event character index");
  Chars_[Index - 1] = Value;
  Changed();
}

void TSerEventChars::AssignProperties(const TSerPersistent& Source) {
  const auto& s = static_cast<const TSerEventChars&>(Source);
  for (int i = ciXonChar; i <= ciEofChar; ++i) SetChar(i, s.Get(i));
}

std::int32_t TSerBuffers::Checked(std::int32_t Value) {
  if (Value < 0) throw std::out_of_range("buffer setting must not be negative");
  return Value;
}

void TSerBuffers::Set(std::int32_t& Field, std::int32_t Value) {
  Checked(Value);
  if (Field == Value) return;
  Changing();
  Field = Value;
  Changed();
}

void TSerBuffers::AssignProperties(const TSerPersistent& Source) {
  const auto& s = static_cast<const TSerBuffers&>(Source);
  // Assign has already passed OnChanging for the whole object.
  ReadSize_ = s.ReadSize_;
  WriteSize_ = s.WriteSize_;
  ReadTimeout_ = s.ReadTimeout_;
  WriteTimeout_ = s.WriteTimeout_;
  XonLimit_ = s.XonLimit_;
  XoffLimit_ = s.XoffLimit_;
}

}  // namespace galt
