#include "serial/SerComm.h"

#include <iostream>
#include <optional>
#include <string_view>
#include <vector>

#include "serial/SerCommThreads.h"

namespace galt {

namespace {

// Fills "%d" and "%s" of Format, in order, with Args; "%%" is a percent sign
// and any other sequence stays as it is. Arguments are never re-read as
// formats, so a device name with a percent sign is shown as it is.
std::string FillPlaceholders(std::string_view Format, const std::vector<std::string>& Args) {
  std::string out;
  std::size_t next = 0;
  for (std::size_t i = 0; i < Format.size(); ++i) {
    const char c = Format[i];
    if (c == '%' && i + 1 < Format.size()) {
      const char k = Format[i + 1];
      if (k == '%') {
        out += '%';
        ++i;
        continue;
      }
      if ((k == 'd' || k == 's') && next < Args.size()) {
        out += Args[next++];
        ++i;
        continue;
      }
    }
    out += c;
  }
  return out;
}

}  // namespace

std::uint32_t BaudrateValue(TSerBaudrate Rate) {
  static constexpr std::uint32_t kRates[] = {0,     110,   300,   600,    1200,   2400,
                                             4800,  9600,  14400, 19200,  38400,  56000,
                                             57600, 115200, 128000, 256000};
  return Rate <= br256000 ? kRates[Rate] : 0;
}

std::uint32_t CommEventBit(TSerCommEvent Event) {
  switch (Event) {
    case ceBreak: return EV_BREAK;
    case ceCts: return EV_CTS;
    case ceDsr: return EV_DSR;
    case ceError: return EV_ERR;
    case ceRing: return EV_RING;
    case ceRlsd: return EV_RLSD;
    case ceRxChar: return EV_RXCHAR;
    case ceTxEmpty: return EV_TXEMPTY;
    case ceRxFlag: return EV_RXFLAG;
    case cePErr: return EV_PERR;
    case ceRx80Full: return EV_RX80FULL;
    case ceEvent1: return EV_EVENT1;
    case ceEvent2: return EV_EVENT2;
  }
  return 0;
}

// ---------------------------------------------------------------------------

TSerCustomComm::TSerCustomComm(TSerDispatcher* Dispatcher) : Dispatcher_(Dispatcher) {
  Buffers_.SetOnChanging([this] { CheckClosed(); });
  // Sizes and limits only change while closed; they are used at the next Open.
  Buffers_.SetOnChange([this] { ApplyLineSettings(); });
  EventChars_.SetOnChange([this] { ApplyLineSettings(); });
  FlowControl_.SetOnChange([this] { ApplyLineSettings(); });
}

TSerCustomComm::~TSerCustomComm() {
  Destroying_ = true;
  try {
    Close();
  } catch (...) {
    // Nothing can be reported from a destructor; the threads and the device
    // are released by Close before anything in it can raise.
  }
}

void TSerCustomComm::ShowException(std::exception_ptr Error) const {
  if (ExceptionDisplay_) {
    ExceptionDisplay_(Error);
    return;
  }
  try {
    std::rethrow_exception(Error);
  } catch (const std::exception& e) {
    std::cerr << e.what() << std::endl;
  } catch (...) {
    std::cerr << "Unknown exception" << std::endl;
  }
}

void TSerCustomComm::RaiseCommError(const char* Format, int Code) {
  throw ESerCommError(FillPlaceholders(Format, {std::to_string(Code), SerSystemErrorText(Code)}), Code);
}

void TSerCustomComm::CheckClosed() const {
  if (IsOpen()) throw ESerCommError("Can't perform this operation while port is open");
}

std::string TSerCustomComm::FormattedDeviceName() const {
  return FillPlaceholders(DeviceName_, {std::to_string(PortNum_)});
}

// --- Properties --------------------------------------------------------------

void TSerCustomComm::SetBaudrate(TSerBaudrate Value) {
  if (Value == Baudrate_) return;
  Baudrate_ = Value;
  if (Value != brUser) UserBaudrate_ = 0;
  ApplyLineSettings();
}

void TSerCustomComm::SetUserBaudrate(std::int32_t Value) {
  if (Value == UserBaudrate_) return;
  UserBaudrate_ = Value;
  Baudrate_ = brUser;
  ApplyLineSettings();
}

void TSerCustomComm::SetParity(TSerParity Value) {
  if (Value == Parity_) return;
  Parity_ = Value;
  ApplyLineSettings();
}

void TSerCustomComm::SetDatabits(TSerDatabits Value) {
  if (Value == Databits_) return;
  Databits_ = Value;
  ApplyLineSettings();
}

void TSerCustomComm::SetStopbits(TSerStopbits Value) {
  if (Value == Stopbits_) return;
  Stopbits_ = Value;
  ApplyLineSettings();
}

void TSerCustomComm::SetOptions(TSerCommOptions Value) {
  if (Value == Options_) return;
  Options_ = Value;
  ApplyLineSettings();
}

void TSerCustomComm::SetPortNum(std::int32_t Value) {
  CheckClosed();
  if (Value < 0) throw std::out_of_range("PortNum must not be negative");
  PortNum_ = Value;
}

void TSerCustomComm::SetDeviceName(const std::string& Value) {
  CheckClosed();
  DeviceName_ = Value;
}

void TSerCustomComm::SetMonitorEvents(TSerCommEvents Value) {
  CheckClosed();
  MonitorEvents_ = Value;
}

void TSerCustomComm::SetEventPriority(TThreadPriority Value) {
  if (Value == EventPriority_) return;
  EventPriority_ = Value;
  if (EventThread_) EventThread_->SetPriority(Value);
}

void TSerCustomComm::SetWritePriority(TThreadPriority Value) {
  if (Value == WritePriority_) return;
  WritePriority_ = Value;
  if (WriteThread_) WriteThread_->SetPriority(Value);
}

void TSerCustomComm::SetDirectWrite(bool Value) {
  CheckClosed();
  DirectWrite_ = Value;
}

void TSerCustomComm::SetUpdateDCB(bool Value) {
  CheckClosed();
  UpdateDCB_ = Value;
}

void TSerCustomComm::SetDispatcher(TSerDispatcher* Value) {
  CheckClosed();
  Dispatcher_ = Value;
}

void TSerCustomComm::SetPortTable(const TSerPortTable& Value) {
  CheckClosed();
  PortTable_ = Value;
}

// --- Line settings -------------------------------------------------------------

TSerLineConfig TSerCustomComm::BuildLineConfig() const {
  TSerLineConfig c;
  c.Baud = Baudrate_ == brUser ? (UserBaudrate_ > 0 ? static_cast<std::uint32_t>(UserBaudrate_) : 0)
                               : BaudrateValue(Baudrate_);
  c.DataBits = 4 + static_cast<int>(Databits_);
  c.Parity = static_cast<int>(Parity_);
  c.StopBits = static_cast<int>(Stopbits_);
  c.OutCtsFlow = FlowControl_.OutCtsFlow();
  c.OutDsrFlow = FlowControl_.OutDsrFlow();
  c.DtrControl = static_cast<int>(FlowControl_.ControlDtr());
  c.RtsControl = static_cast<int>(FlowControl_.ControlRts());
  c.XonXoffOut = FlowControl_.XonXoffOut();
  c.XonXoffIn = FlowControl_.XonXoffIn();
  c.DsrSensitivity = FlowControl_.DsrSensitivity();
  c.TxContinueOnXoff = FlowControl_.TxContinueOnXoff();
  c.ErrorCharReplace = Options_.Contains(coErrorChar);
  c.NullStrip = Options_.Contains(coNullStrip);
  c.ParityCheck = Options_.Contains(coParityCheck);
  c.XonChar = EventChars_.XonChar();
  c.XoffChar = EventChars_.XoffChar();
  c.ErrorChar = EventChars_.ErrorChar();
  c.EofChar = EventChars_.EofChar();
  c.EventChar = EventChars_.EventChar();
  c.XonLimit = static_cast<std::uint16_t>(Buffers_.XonLimit() & 0xFFFF);
  c.XoffLimit = static_cast<std::uint16_t>(Buffers_.XoffLimit() & 0xFFFF);
  return c;
}

void TSerCustomComm::ApplyLineSettings() {
  if (!IsOpen() || !UpdateDCB_) return;
  if (const int err = Port_->ApplyLine(BuildLineConfig())) {
    RaiseCommError("Error writing dcb (%d), %s", err);
  }
}

std::uint32_t TSerCustomComm::WantedEventMask() const {
  std::uint32_t mask = 0;
  for (int e = ceBreak; e <= ceEvent2; ++e) {
    const auto event = static_cast<TSerCommEvent>(e);
    if (MonitorEvents_.Contains(event)) mask |= CommEventBit(event);
  }
  // The write thread reports its queue running dry itself.
  if (!DirectWrite_) mask &= ~EV_TXEMPTY;
  return mask;
}

// --- Open and close ---------------------------------------------------------------

TSerOpenRequest TSerCustomComm::OpenRequest() const {
  TSerOpenRequest r;
  r.Name = FormattedDeviceName();
  r.Path = PortTable_.Resolve(r.Name);
  r.ApplyLine = UpdateDCB_;
  r.Line = BuildLineConfig();
  r.ReadSize = Buffers_.ReadSize();
  r.WriteSize = Buffers_.WriteSize();
  r.EventMask = WantedEventMask();
  return r;
}

std::unique_ptr<TSerPort> TSerCustomComm::OpenDevice(const TSerOpenRequest& Request) {
  std::unique_ptr<TSerPort> port;
  const int err = Request.Path ? TSerPort::Open(*Request.Path, port) : 0;
  if (!Request.Path || SerIsNoSuchDevice(err)) {
    throw ESerCommError(FillPlaceholders("Specified device not found (%s).", {Request.Name}), err, true);
  }
  if (err != 0) {
    throw ESerCommError(FillPlaceholders("Can't open specified device %s (Error %d, %s)",
                                         {Request.Name, std::to_string(err), SerSystemErrorText(err)}),
                        err);
  }
  const auto check = [](int Code, const char* Format) {
    if (Code != 0) RaiseCommError(Format, Code);
  };
  if (Request.ApplyLine) check(port->ApplyLine(Request.Line), "Error writing dcb (%d), %s");
  check(port->SetQueueSizes(Request.ReadSize, Request.WriteSize), "Error initializing buffers (%d), %s");
  // A read returns at once with what has arrived.
  check(port->SetImmediateReads(), "Error setting timeouts (%d), %s");
  // Input waiting from before the open is dropped, so that an old reply is
  // never taken for a new one.
  check(port->PurgeInput(), "Error initializing buffers (%d), %s");
  check(port->SetEventMask(Request.EventMask), " Error setting EventMask (%d), %s");
  return port;
}

void TSerCustomComm::Adopt(std::unique_ptr<TSerPort> Port, const TSerOpenRequest& Request) {
  CheckClosed();
  if (!Port || !(Request == OpenRequest())) throw ESerCommError("Port settings changed while the port was opening");
  DeviceLost_.store(false, std::memory_order_release);
  LostEvent_.Reset();
  Port_ = std::move(Port);
  ActiveEventMask_ = Request.EventMask;
  try {
    {
      std::lock_guard<std::mutex> lock(RxTallyLock_);
      RxConsumed_ = 0;
    }
    TxWatch_.store(false);
    CreateThreads();
  } catch (...) {
    StopAndJoinThreads();
    DestroyHandle();
    throw;
  }
  NotifyOpen();
}

void TSerCustomComm::CreateThreads() {
  Target_ = std::make_shared<TSerDeliveryTarget>(TSerDeliveryTarget{this});
  if (ActiveEventMask_ != 0) {
    EventThread_ = std::make_unique<TSerCommEventThread>(*this, Target_, EventPriority_);
    EventThread_->Start();
  }
  if (!DirectWrite_) {
    WriteThread_ =
        std::make_unique<TSerCommWriteThread>(*this, Target_, WritePriority_, Buffers_.WriteSize());
    WriteThread_->Start();
  }
}

void TSerCustomComm::NotifyOpen() {
  if (OnOpen) Notify([this] { OnOpen(this); });
}

void TSerCustomComm::NotifyClose() {
  if (!Destroying_ && OnClose) OnClose(this);
}

void TSerCustomComm::Open() {
  CheckClosed();
  const TSerOpenRequest request = OpenRequest();
  Adopt(OpenDevice(request), request);
}

void TSerCustomComm::StopAndJoinThreads() {
  {
    // Signalling a stop never waits, so holding ReadLock here cannot block a
    // worker that waits for a delivery.
    std::lock_guard<TSerCriticalSection> lock(ReadLock_);
    if (EventThread_) EventThread_->Stop();
    if (WriteThread_) WriteThread_->Stop();
  }
  // Every wait of a worker also watches its stop signal, so these return
  // promptly even when called from inside a delivery.
  if (EventThread_) EventThread_->Join();
  if (WriteThread_) WriteThread_->Join();
  EventThread_.reset();
  WriteThread_.reset();
  // Deliveries still queued for the window's event thread now do nothing.
  Target_.reset();
}

void TSerCustomComm::DestroyHandle() { Port_.reset(); }

void TSerCustomComm::Close() {
  if (!IsOpen()) return;
  StopAndJoinThreads();
  DestroyHandle();
  NotifyClose();
}

void TSerCustomComm::Loaded() {
  if (AutoOpen_) Open();
}

}  // namespace galt
