// The serial device on Windows: a COM port opened with CreateFile for
// overlapped I/O and no sharing, set up with a DCB, SetupComm and
// SetCommTimeouts; the event thread waits in WaitCommEvent.
//
// A pending operation always ends before its OVERLAPPED record goes away:
// reads and writes are cancelled and then awaited; a comm-event wait is ended
// by SetCommMask, which completes it on every driver (CancelIo does not end it
// under Wine).

#include <atomic>
#include <cstddef>
#include <cstring>

#include "serial/SerDcb.h"
#include "serial/SerPort.h"

// After the component's headers: <windows.h> defines the EV_ and CE_ names
// as macros of the same values.
#include <windows.h>

namespace galt {

namespace {

// Longest wait for the device to end a cancelled comm-event wait.
constexpr DWORD kCancelWaitMs = 1000;
// The event thread looks at the device at least this often: some drivers
// (Wine's on a pseudo-terminal among them) leave a comm-event wait pending
// when the device goes away, and only a status call tells.
constexpr std::uint32_t kProbeMs = 100;

// Some calls fail without setting an error code; say "device not working".
int LastError() {
  const DWORD e = ::GetLastError();
  return e != 0 ? static_cast<int>(e) : ERROR_GEN_FAILURE;
}

HANDLE NewEvent() { return ::CreateEventA(nullptr, TRUE, FALSE, nullptr); }

// A transfer's record, its completion event not yet signalled.
OVERLAPPED FreshRecord(HANDLE Done) {
  OVERLAPPED record;
  std::memset(&record, 0, sizeof record);
  record.hEvent = Done;
  ::ResetEvent(Done);
  return record;
}

}  // namespace

std::string SerSystemErrorText(int Code) {
  char buf[256] = {};
  const DWORD n = ::FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(Code), 0, buf, sizeof buf, nullptr);
  std::string text(buf, n);
  while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

bool SerIsNoSuchDevice(int Code) { return Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND; }

bool SerIsPortBusy(int Code) { return Code == ERROR_ACCESS_DENIED || Code == ERROR_SHARING_VIOLATION; }

bool SerIsAccessDenied(int) { return false; }

bool SerIsHangUp(int Code) {
  switch (Code) {
    case ERROR_ACCESS_DENIED:         // an open handle whose device was removed
    case ERROR_NOT_READY:             // Wine, the far side of a pty closed
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_BROKEN_PIPE:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEVICE_REMOVED:
      return true;
    default:
      return false;
  }
}

struct TSerPort::TState {
  HANDLE Device = INVALID_HANDLE_VALUE;
  HANDLE ReadDone = nullptr;   // ReadData, on the window's event thread
  HANDLE WriteDone = nullptr;  // the write thread, or direct writes
  // Line errors that a status call of the event thread cleared, kept for the
  // next Status: the device reports each error to one call only.
  std::atomic<std::uint32_t> KeptErrors{0};

  ~TState() {
    if (Device != INVALID_HANDLE_VALUE) ::CloseHandle(Device);
    if (ReadDone != nullptr) ::CloseHandle(ReadDone);
    if (WriteDone != nullptr) ::CloseHandle(WriteDone);
  }

  int ClearErrors(COMSTAT& Stat, std::uint32_t& Errors) {
    DWORD errors = 0;
    std::memset(&Stat, 0, sizeof Stat);
    if (!::ClearCommError(Device, &errors, &Stat)) return LastError();
    Errors = static_cast<std::uint32_t>(errors);
    return 0;
  }

  // The queue counts; line errors found on the way are kept for the next
  // status query, which reports each of them once.
  int Queues(COMSTAT& Stat) {
    std::uint32_t errors = 0;
    if (const int err = ClearErrors(Stat, errors)) return err;
    if (errors != 0) KeptErrors.fetch_or(errors);
    return 0;
  }

  // Ends a transfer pending on Record and answers the bytes it moved.
  DWORD CancelAndCollect(OVERLAPPED& Record) {
    ::CancelIoEx(Device, &Record);
    DWORD n = 0;
    ::GetOverlappedResult(Device, &Record, &n, TRUE);
    return n;
  }
};

TSerPort::TSerPort(std::unique_ptr<TState> State) : State_(std::move(State)) {}

int TSerPort::Open(const std::string& Path, std::unique_ptr<TSerPort>& Port) {
  auto state = std::make_unique<TState>();
  state->Device = ::CreateFileA(Path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OVERLAPPED, nullptr);
  if (state->Device == INVALID_HANDLE_VALUE) return LastError();
  state->ReadDone = NewEvent();
  state->WriteDone = NewEvent();
  if (state->ReadDone == nullptr || state->WriteDone == nullptr) return LastError();
  Port.reset(new TSerPort(std::move(state)));
  return 0;
}

TSerPort::~TSerPort() = default;

TSerHandle TSerPort::Handle() const { return reinterpret_cast<TSerHandle>(State_->Device); }

// The flag word follows DCBlength and BaudRate; the first field after it is
// wReserved.
constexpr std::size_t kDcbFlagsOffset = offsetof(DCB, BaudRate) + sizeof(DWORD);
static_assert(offsetof(DCB, wReserved) == kDcbFlagsOffset + sizeof(DWORD));

int TSerPort::ApplyLine(const TSerLineConfig& Config) {
  // No such lines on a serial port; refused before the driver sees them.
  if (Config.Baud == 0 || Config.DataBits < 5 || Config.DataBits > 8 || Config.Parity < 0 ||
      Config.Parity > 4 || Config.StopBits < 0 || Config.StopBits > 2) {
    return ERROR_INVALID_PARAMETER;
  }
  const TSerDcbFields f = SerDcbFields(Config);
  DCB dcb;
  std::memset(&dcb, 0, sizeof dcb);
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = f.BaudRate;
  // The flag word is the DCB's bit fields in the system's own bit order, so
  // it goes in whole: what the tests check on every platform is what Windows
  // gets.
  std::memcpy(reinterpret_cast<unsigned char*>(&dcb) + kDcbFlagsOffset, &f.Flags, sizeof f.Flags);
  dcb.XonLim = f.XonLim;
  dcb.XoffLim = f.XoffLim;
  dcb.ByteSize = f.ByteSize;
  dcb.Parity = f.Parity;
  dcb.StopBits = f.StopBits;
  dcb.XonChar = f.XonChar;
  dcb.XoffChar = f.XoffChar;
  dcb.ErrorChar = f.ErrorChar;
  dcb.EofChar = f.EofChar;
  dcb.EvtChar = f.EvtChar;
  if (!::SetCommState(State_->Device, &dcb)) return LastError();
  // Drive the lines that are held off or on; a device without modem lines
  // refuses, which is no error (as on a pseudo-terminal under Linux).
  if (Config.DtrControl <= 1) ::EscapeCommFunction(State_->Device, Config.DtrControl ? SETDTR : CLRDTR);
  if (Config.RtsControl <= 1) ::EscapeCommFunction(State_->Device, Config.RtsControl ? SETRTS : CLRRTS);
  return 0;
}

int TSerPort::SetQueueSizes(std::int32_t ReadSize, std::int32_t WriteSize) {
  if (!::SetupComm(State_->Device, static_cast<DWORD>(ReadSize), static_cast<DWORD>(WriteSize))) {
    return LastError();
  }
  return 0;
}

int TSerPort::SetImmediateReads() {
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = MAXDWORD;
  if (!::SetCommTimeouts(State_->Device, &t)) return LastError();
  return 0;
}

int TSerPort::PurgeInput() {
  if (!::PurgeComm(State_->Device, PURGE_RXABORT | PURGE_RXCLEAR)) return LastError();
  return 0;
}

int TSerPort::SetEventMask(std::uint32_t Mask) {
  if (!::SetCommMask(State_->Device, Mask)) return LastError();
  return 0;
}

int TSerPort::Status(TSerComStat& Stat, std::uint32_t& Errors) {
  COMSTAT s;
  std::uint32_t errors = 0;
  if (const int err = State_->ClearErrors(s, errors)) return err;
  std::uint32_t flags = 0;
  static_assert(sizeof flags <= sizeof s);
  std::memcpy(&flags, &s, sizeof flags);  // the flag bits lead the record
  Stat.Flags = flags & 0x7Fu;
  Stat.cbInQue = s.cbInQue;
  Stat.cbOutQue = s.cbOutQue;
  Errors |= errors | State_->KeptErrors.exchange(0);
  return 0;
}

int TSerPort::InQueue(std::int32_t& Waiting) {
  COMSTAT s;
  if (const int err = State_->Queues(s)) return err;
  Waiting = static_cast<std::int32_t>(s.cbInQue);
  return 0;
}

int TSerPort::OutQueue(std::int32_t& Queued) {
  COMSTAT s;
  if (const int err = State_->Queues(s)) return err;
  Queued = static_cast<std::int32_t>(s.cbOutQue);
  return 0;
}

TSerTransfer TSerPort::Read(void* Data, std::int32_t Count, std::uint32_t TimeoutMs) {
  TSerTransfer t;
  // Nothing waiting: no read at all. (Wine leaves a read of an empty queue
  // pending despite the timeouts.)
  std::int32_t waiting = 0;
  if ((t.Error = InQueue(waiting)) != 0 || waiting <= 0) return t;

  OVERLAPPED record = FreshRecord(State_->ReadDone);
  DWORD n = 0;
  if (!::ReadFile(State_->Device, Data, static_cast<DWORD>(Count), nullptr, &record)) {
    const DWORD err = ::GetLastError();
    if (err != ERROR_IO_PENDING) {
      t.Error = static_cast<int>(err);
      return t;
    }
    if (::WaitForSingleObject(record.hEvent, TimeoutMs) != WAIT_OBJECT_0) {
      // Given up: the read must not fill Data later.
      t.Done = static_cast<std::int32_t>(State_->CancelAndCollect(record));
      return t;
    }
  }
  if (!::GetOverlappedResult(State_->Device, &record, &n, FALSE)) {
    t.Error = LastError();
    return t;
  }
  t.Done = static_cast<std::int32_t>(n);
  return t;
}

TSerTransfer TSerPort::Write(const void* Data, std::int32_t Count, std::uint32_t TimeoutMs,
                             TSerSignals Signals) {
  TSerTransfer t;
  OVERLAPPED record = FreshRecord(State_->WriteDone);
  DWORD n = 0;
  if (!::WriteFile(State_->Device, Data, static_cast<DWORD>(Count), nullptr, &record)) {
    const DWORD err = ::GetLastError();
    if (err != ERROR_IO_PENDING) {
      t.Error = static_cast<int>(err);
      return t;
    }
    const int r = SerWaitFirstOr(Signals, reinterpret_cast<TSerHandle>(record.hEvent), TimeoutMs);
    if (r != static_cast<int>(Signals.size())) {
      // A signal, the time or a failed wait: the rest is not sent.
      t.Signalled = r >= 0 ? r : -1;
      t.Done = static_cast<std::int32_t>(State_->CancelAndCollect(record));
      return t;
    }
  }
  if (!::GetOverlappedResult(State_->Device, &record, &n, FALSE)) {
    t.Error = LastError();
    return t;
  }
  t.Done = static_cast<std::int32_t>(n);
  return t;
}

bool TSerPort::ReportsTxEmpty() { return true; }

// --- The event thread's wait --------------------------------------------------

struct TSerEventWaiter::TImpl {
  TImpl(HANDLE Port, std::uint32_t EventMask) : Device(Port), Mask(EventMask) {}
  TImpl(const TImpl&) = delete;
  TImpl& operator=(const TImpl&) = delete;

  // What the system writes into while a wait is pending. It is given up,
  // never freed, if the device does not end a cancelled wait: freeing it
  // would let the system write into reused memory.
  struct TRecord {
    OVERLAPPED Overlapped;
    DWORD Events;
  };

  HANDLE Device;
  std::uint32_t Mask;
  TRecord* Record = new TRecord{};
  HANDLE Done = NewEvent();
  bool Pending = false;

  ~TImpl() {
    if (Record == nullptr) return;  // given up: its event stays with it
    delete Record;
    if (Done != nullptr) ::CloseHandle(Done);
  }
};

TSerEventWaiter::TSerEventWaiter(TSerPort& Port, std::uint32_t Mask)
    : Impl_(std::make_unique<TImpl>(Port.State_->Device, Mask)) {}

TSerEventWaiter::~TSerEventWaiter() { Cancel(); }

void TSerEventWaiter::Cancel() {
  TImpl& w = *Impl_;
  if (!w.Pending) return;
  w.Pending = false;
  // Setting the mask again completes a pending wait.
  ::SetCommMask(w.Device, w.Mask);
  if (::WaitForSingleObject(w.Done, kCancelWaitMs) == WAIT_OBJECT_0) return;
  ::CancelIoEx(w.Device, &w.Record->Overlapped);
  if (::WaitForSingleObject(w.Done, kCancelWaitMs) == WAIT_OBJECT_0) return;
  w.Record = nullptr;
}

TSerDeviceWait TSerEventWaiter::Wait(TSerSignals Signals, bool WatchInput, std::uint32_t TimeoutMs) {
  TImpl& w = *Impl_;
  TSerDeviceWait result;
  auto completed = [&](DWORD Events) {
    result.Kind = TSerDeviceWait::dwEvents;
    result.Events = Events & w.Mask;
    result.InputReady = (Events & EV_RXCHAR) != 0;
    return result;
  };
  auto failed = [&](int Error) {
    result.Kind = TSerDeviceWait::dwFailed;
    result.Error = Error;
    return result;
  };
  if (w.Record == nullptr || w.Done == nullptr) return failed(ERROR_GEN_FAILURE);

  if (!w.Pending && WatchInput) {
    std::memset(w.Record, 0, sizeof *w.Record);
    w.Record->Overlapped.hEvent = w.Done;
    ::ResetEvent(w.Done);
    if (::WaitCommEvent(w.Device, &w.Record->Events, &w.Record->Overlapped)) {
      return completed(w.Record->Events);
    }
    const DWORD err = ::GetLastError();
    if (err != ERROR_IO_PENDING) return failed(static_cast<int>(err));
    w.Pending = true;
  }
  const DWORD timeout = TimeoutMs < kProbeMs ? TimeoutMs : kProbeMs;
  const int r = SerWaitFirstOr(Signals, w.Pending ? reinterpret_cast<TSerHandle>(w.Done) : 0, timeout);
  if (r == -2) return failed(LastError());
  if (r == -1) return completed(0);  // time to look at the device
  if (r != static_cast<int>(Signals.size())) {
    result.Kind = TSerDeviceWait::dwSignalled;
    result.Signalled = r;
    return result;
  }
  w.Pending = false;
  DWORD n = 0;
  if (!::GetOverlappedResult(w.Device, &w.Record->Overlapped, &n, FALSE)) return failed(LastError());
  return completed(w.Record->Events);
}

}  // namespace galt
