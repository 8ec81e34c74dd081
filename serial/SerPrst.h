#pragma once
// SerPrst: the component's settings objects (flow control, event characters,
// buffers).
//
// Settings objects of the serial component. Each is owned by the component,
// which listens to their change notifications.

#include <cstdint>

#include "serial/SerClasses.h"

namespace galt {

enum TSerControlDtr : std::uint8_t { dtrDisabled, dtrEnabled, dtrHandshake };
enum TSerControlRts : std::uint8_t { rtsDisabled, rtsEnabled, rtsHandshake, rtsToggle };

// Hardware and software flow control. Every setter stores a differing value
// and notifies.
class TSerFlowControl : public TSerPersistent {
 public:
  const char* ClassName() const override { return "TSerFlowControl"; }

  bool OutCtsFlow() const { return OutCtsFlow_; }
  bool OutDsrFlow() const { return OutDsrFlow_; }
  TSerControlDtr ControlDtr() const { return ControlDtr_; }
  TSerControlRts ControlRts() const { return ControlRts_; }
  bool XonXoffOut() const { return XonXoffOut_; }
  bool XonXoffIn() const { return XonXoffIn_; }
  bool DsrSensitivity() const { return DsrSensitivity_; }
  bool TxContinueOnXoff() const { return TxContinueOnXoff_; }

  void SetOutCtsFlow(bool Value) { Set(OutCtsFlow_, Value); }
  void SetOutDsrFlow(bool Value) { Set(OutDsrFlow_, Value); }
  void SetControlDtr(TSerControlDtr Value) { Set(ControlDtr_, Value); }
  void SetControlRts(TSerControlRts Value) { Set(ControlRts_, Value); }
  void SetXonXoffOut(bool Value) { Set(XonXoffOut_, Value); }
  void SetXonXoffIn(bool Value) { Set(XonXoffIn_, Value); }
  void SetDsrSensitivity(bool Value) { Set(DsrSensitivity_, Value); }
  void SetTxContinueOnXoff(bool Value) { Set(TxContinueOnXoff_, Value); }

 protected:
  void AssignProperties(const TSerPersistent& Source) override;

 private:
  template <class T>
  void Set(T& Field, T Value) {
    if (Field == Value) return;
    Field = Value;
    Changed();
  }

  bool OutCtsFlow_ = false;
  bool OutDsrFlow_ = false;
  TSerControlDtr ControlDtr_ = dtrDisabled;
  TSerControlRts ControlRts_ = rtsDisabled;
  bool XonXoffOut_ = false;
  bool XonXoffIn_ = false;
  bool DsrSensitivity_ = false;
  bool TxContinueOnXoff_ = false;
};

// The five special characters. One indexed setter (1..5 in property order)
// stores without comparing and always notifies.
class TSerEventChars : public TSerPersistent {
 public:
  enum TIndex : int { ciXonChar = 1, ciXoffChar, ciErrorChar, ciEventChar, ciEofChar };

  const char* ClassName() const override { return "TSerEventChars"; }

  char XonChar() const { return Chars_[0]; }
  char XoffChar() const { return Chars_[1]; }
  char ErrorChar() const { return Chars_[2]; }
  char EventChar() const { return Chars_[3]; }
  char EofChar() const { return Chars_[4]; }
  char Get(int Index) const;

  void SetChar(int Index, char Value);
  void SetXonChar(char Value) { SetChar(ciXonChar, Value); }
  void SetXoffChar(char Value) { SetChar(ciXoffChar, Value); }
  void SetErrorChar(char Value) { SetChar(ciErrorChar, Value); }
  void SetEventChar(char Value) { SetChar(ciEventChar, Value); }
  void SetEofChar(char Value) { SetChar(ciEofChar, Value); }

 protected:
  void AssignProperties(const TSerPersistent& Source) override;

 private:
  char Chars_[5] = {17, 19, 0, 0, 0};
};

// Queue sizes, timeouts and flow-control limits (all 0..2147483647).
// ReadTimeout and WriteTimeout are plain values read at the next wait; every
// other change passes OnChanging first (the component refuses it while the
// port is open) and then notifies.
class TSerBuffers : public TSerPersistent {
 public:
  const char* ClassName() const override { return "TSerBuffers"; }

  std::int32_t ReadSize() const { return ReadSize_; }
  std::int32_t WriteSize() const { return WriteSize_; }
  std::int32_t ReadTimeout() const { return ReadTimeout_; }
  std::int32_t WriteTimeout() const { return WriteTimeout_; }
  std::int32_t XonLimit() const { return XonLimit_; }
  std::int32_t XoffLimit() const { return XoffLimit_; }

  void SetReadSize(std::int32_t Value) { Set(ReadSize_, Value); }
  void SetWriteSize(std::int32_t Value) { Set(WriteSize_, Value); }
  void SetReadTimeout(std::int32_t Value) { ReadTimeout_ = Checked(Value); }
  void SetWriteTimeout(std::int32_t Value) { WriteTimeout_ = Checked(Value); }
  void SetXonLimit(std::int32_t Value) { Set(XonLimit_, Value); }
  void SetXoffLimit(std::int32_t Value) { Set(XoffLimit_, Value); }

 protected:
  void AssignProperties(const TSerPersistent& Source) override;

 private:
  static std::int32_t Checked(std::int32_t Value);
  void Set(std::int32_t& Field, std::int32_t Value);

  std::int32_t ReadSize_ = 4096;
  std::int32_t WriteSize_ = 2048;
  std::int32_t ReadTimeout_ = 1000;
  std::int32_t WriteTimeout_ = 1000;
  std::int32_t XonLimit_ = 1024;
  std::int32_t XoffLimit_ = 1024;
};

}  // namespace galt
