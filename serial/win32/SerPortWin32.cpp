// The serial device on Windows: a COM port opened with CreateFileW for
// overlapped I/O and no sharing, set up with a DCB, SetupComm and
// SetCommTimeouts; the event thread waits in WaitCommEvent. Every call on the
// device goes through TSerWinApi (SerWinApi.h), the system's calls unless a
// test puts its own device there.
//
// A pending operation always ends before its OVERLAPPED record goes away:
// reads and writes are cancelled and then awaited; a comm-event wait is ended
// by SetCommMask, which completes it on every driver (CancelIo does not end it
// under Wine). No wait for an end is without bound: a driver that does not
// end a cancelled transfer in time has the handle closed under it, which ends
// every transfer on the device (and keeps a thread's exit from waiting for
// its I/O); a transfer that does not end even then keeps its record, which is
// never freed.

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <memory>
#include <mutex>
#include <shared_mutex>
#include <vector>

#include "serial/SerDcb.h"
#include "serial/SerPort.h"

// After the component's headers: <windows.h> defines the EV_ and CE_ names
// as macros of the same values.
#include "serial/win32/SerWinApi.h"
#include "serial/win32/WideText.h"

namespace galt {

namespace {

// How long each step of ending a cancelled transfer waits for the device:
// the cancel (for a comm-event wait, SetCommMask and then the cancel), then
// the closed handle.
constexpr DWORD kCancelStepMs = 500;
// The event thread looks at the device at least this often: some drivers
// (Wine's on a pseudo-terminal among them) leave a comm-event wait pending
// when the device goes away, and only a status call tells.
constexpr std::uint32_t kProbeMs = 100;
// Comm-event waits a driver may end with no event (or abort: Windows 11's
// CDC driver does so routinely, Wine on a pseudo-terminal every time) before
// the next wait is put off by kPutOffMs: such a driver would otherwise keep
// the event thread spinning. The pause is short because the input queue is
// only looked at between waits: bytes that come meanwhile wait that long.
constexpr int kEmptyEndsBeforeBackOff = 3;
constexpr std::uint32_t kPutOffMs = 10;

// Some calls fail without setting an error code; say "device not working".
int LastError() {
  const DWORD e = ::GetLastError();
  return e != 0 ? static_cast<int>(e) : ERROR_GEN_FAILURE;
}

TSerHandle AsSerHandle(HANDLE Handle) { return reinterpret_cast<TSerHandle>(Handle); }

}  // namespace

std::string SerSystemErrorText(int Code) {
  wchar_t buf[512] = {};
  const DWORD n = ::FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                                   static_cast<DWORD>(Code), 0, buf, static_cast<DWORD>(std::size(buf)), nullptr);
  std::string text = Utf8FromWide(std::wstring_view(buf, n));
  while (!text.empty() && (text.back() == '.' || text.back() == ' ' || text.back() == '\n' ||
                           text.back() == '\r')) {
    text.pop_back();
  }
  return text;
}

bool SerIsNoSuchDevice(int Code) { return Code == ERROR_FILE_NOT_FOUND || Code == ERROR_PATH_NOT_FOUND; }

bool SerIsHeldElsewhere(int Code) { return Code == ERROR_ACCESS_DENIED || Code == ERROR_SHARING_VIOLATION; }

bool SerIsAccessDenied(int) { return false; }

bool SerIsHangUp(int Code) {
  // A status call or a transfer that fails on an open handle means the device
  // has gone, whatever the driver calls it (2, 5, 6, 21, 22, 31, 121, 433,
  // 995, 1167, 1617 are all met on unplugs), unless the code says nothing
  // about the device. A transfer we cancel ourselves never reports its 995
  // here, and an aborted comm-event wait is the waiter's own business.
  switch (Code) {
    case 0:
    case ERROR_IO_PENDING:
    case ERROR_IO_INCOMPLETE:
    case ERROR_INVALID_PARAMETER:  // Wine, a wait right after a cancelled one
    case ERROR_NOT_ENOUGH_MEMORY:  // the system short of resources for a moment
    case ERROR_OUTOFMEMORY:
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_NONPAGED_SYSTEM_RESOURCES:
    case ERROR_PAGED_SYSTEM_RESOURCES:
    case ERROR_WORKING_SET_QUOTA:
    case ERROR_NOT_ENOUGH_QUOTA:
    case ERROR_INVALID_USER_BUFFER:  // too many transfers pending at once
    case ERROR_COUNTER_TIMEOUT:      // a transfer's own time limit
    case ERROR_TIMEOUT:
      return false;
    default:
      return true;
  }
}

namespace {

// What the system writes into while a transfer is pending: the OVERLAPPED
// record, a comm-event wait's events and a read's bytes (copied out once the
// read has ended). A record whose transfer never ends is given up, never
// freed, so that a late completion writes into memory nobody else uses.
struct TSerIoRecord {
  OVERLAPPED Overlapped{};
  DWORD Events = 0;
  std::vector<char> Bytes;
  HANDLE Done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);

  TSerIoRecord() = default;
  TSerIoRecord(const TSerIoRecord&) = delete;
  TSerIoRecord& operator=(const TSerIoRecord&) = delete;
  ~TSerIoRecord() {
    if (Done != nullptr) ::CloseHandle(Done);
  }

  // The record of the next transfer, its completion event not yet signalled.
  OVERLAPPED* Fresh() {
    std::memset(&Overlapped, 0, sizeof Overlapped);
    Overlapped.hEvent = Done;
    Events = 0;
    ::ResetEvent(Done);
    return &Overlapped;
  }
  bool EndsWithin(DWORD Ms) const { return ::WaitForSingleObject(Done, Ms) == WAIT_OBJECT_0; }
};

}  // namespace

struct TSerPort::TState {
  explicit TState(TSerWinApi& Calls) : Api(Calls) {}
  TState(const TState&) = delete;
  TState& operator=(const TState&) = delete;
  ~TState() { CloseDevice(); }

  TSerWinApi& Api;
  // Held shared by every call on the device, alone by the close: a handle
  // closed early is never used again, not even by a call under way.
  std::shared_mutex DeviceLock;
  HANDLE Device = INVALID_HANDLE_VALUE;
  std::unique_ptr<TSerIoRecord> Reading = std::make_unique<TSerIoRecord>();  // ReadData's thread
  std::unique_ptr<TSerIoRecord> Writing = std::make_unique<TSerIoRecord>();  // the write thread, or direct writes
  // Line errors that a status call of the event thread cleared, kept for the
  // next Status: the device reports each error to one call only.
  std::atomic<std::uint32_t> KeptErrors{0};

  // Runs Call on the device: 0, or the system's error (ERROR_IO_PENDING for
  // a transfer under way). Once the handle has been closed early every call
  // answers ERROR_INVALID_HANDLE, which tells the device lost.
  template <class TCall>
  int OnDevice(TCall&& Call) {
    std::shared_lock lock(DeviceLock);
    if (Device == INVALID_HANDLE_VALUE) return ERROR_INVALID_HANDLE;
    return Call(Device) ? 0 : LastError();
  }

  void CloseDevice() {
    std::unique_lock lock(DeviceLock);
    if (Device == INVALID_HANDLE_VALUE) return;
    Api.CloseHandle(Device);
    Device = INVALID_HANDLE_VALUE;
  }

  // Cancels the transfer pending on Record and waits for it to end; true when
  // the cancel ended it. Otherwise the handle is closed under it (the port
  // is then without its device), and a transfer that does not end even then
  // keeps its record: Record is given up.
  bool EndPending(std::unique_ptr<TSerIoRecord>& Record) {
    (void)OnDevice([&](HANDLE d) { return Api.CancelIoEx(d, &Record->Overlapped); });
    if (Record->EndsWithin(kCancelStepMs)) return true;
    CloseDevice();
    if (!Record->EndsWithin(kCancelStepMs)) (void)Record.release();
    return false;
  }

  // The bytes a transfer that has ended moved, and its error.
  int Collect(TSerIoRecord& Record, std::int32_t& Done) {
    DWORD n = 0;
    const int err = OnDevice([&](HANDLE d) { return Api.GetOverlappedResult(d, &Record.Overlapped, &n, FALSE); });
    Done = static_cast<std::int32_t>(n);
    return err;
  }

  // Ends a transfer given up on (its time is up, or a signal came) and
  // answers what it moved; a device that had to be closed answers that it is
  // not working.
  void CancelAndCollect(std::unique_ptr<TSerIoRecord>& Record, TSerTransfer& Transfer) {
    if (!EndPending(Record)) {
      Transfer.Error = ERROR_GEN_FAILURE;
      return;
    }
    (void)Collect(*Record, Transfer.Done);  // a cancelled transfer fails, with what it moved
  }

  int ClearErrors(COMSTAT& Stat, std::uint32_t& Errors) {
    DWORD errors = 0;
    std::memset(&Stat, 0, sizeof Stat);
    if (const int err = OnDevice([&](HANDLE d) { return Api.ClearCommError(d, &errors, &Stat); })) return err;
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
};

TSerPort::TSerPort(std::unique_ptr<TState> State) : State_(std::move(State)) {}

int TSerPort::Open(const std::string& Path, std::unique_ptr<TSerPort>& Port) {
  auto state = std::make_unique<TState>(SerWinApi());
  state->Device = state->Api.CreateFileW(WideFromUtf8(Path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                         FILE_FLAG_OVERLAPPED);
  if (state->Device == INVALID_HANDLE_VALUE) return LastError();
  if (state->Reading->Done == nullptr || state->Writing->Done == nullptr) return LastError();
  Port.reset(new TSerPort(std::move(state)));
  return 0;
}

TSerPort::~TSerPort() = default;

TSerHandle TSerPort::Handle() const {
  std::shared_lock lock(State_->DeviceLock);
  return AsSerHandle(State_->Device);
}

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
  TState& s = *State_;
  if (const int err = s.OnDevice([&](HANDLE d) { return s.Api.SetCommState(d, &dcb); })) return err;
  // Drive the lines that are held off or on; a device without modem lines
  // refuses, which is no error (as on a pseudo-terminal under Linux).
  auto drive = [&](DWORD Function) {
    (void)s.OnDevice([&](HANDLE d) { return s.Api.EscapeCommFunction(d, Function); });
  };
  if (Config.DtrControl <= 1) drive(Config.DtrControl ? SETDTR : CLRDTR);
  if (Config.RtsControl <= 1) drive(Config.RtsControl ? SETRTS : CLRRTS);
  return 0;
}

int TSerPort::SetQueueSizes(std::int32_t ReadSize, std::int32_t WriteSize) {
  TState& s = *State_;
  return s.OnDevice([&](HANDLE d) {
    return s.Api.SetupComm(d, static_cast<DWORD>(ReadSize), static_cast<DWORD>(WriteSize));
  });
}

int TSerPort::SetImmediateReads() {
  TState& s = *State_;
  COMMTIMEOUTS t{};
  t.ReadIntervalTimeout = MAXDWORD;
  return s.OnDevice([&](HANDLE d) { return s.Api.SetCommTimeouts(d, &t); });
}

int TSerPort::PurgeInput() {
  TState& s = *State_;
  return s.OnDevice([&](HANDLE d) { return s.Api.PurgeComm(d, PURGE_RXABORT | PURGE_RXCLEAR); });
}

int TSerPort::SetEventMask(std::uint32_t Mask) {
  TState& s = *State_;
  return s.OnDevice([&](HANDLE d) { return s.Api.SetCommMask(d, Mask); });
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
  if ((t.Error = InQueue(waiting)) != 0 || waiting <= 0 || Count <= 0) return t;

  TState& s = *State_;
  if (!s.Reading) {
    t.Error = ERROR_GEN_FAILURE;
    return t;
  }
  TSerIoRecord& record = *s.Reading;
  record.Bytes.resize(static_cast<std::size_t>(Count));
  OVERLAPPED* o = record.Fresh();
  t.Error = s.OnDevice([&](HANDLE d) { return s.Api.ReadFile(d, record.Bytes.data(), static_cast<DWORD>(Count), o); });
  if (t.Error == ERROR_IO_PENDING && !record.EndsWithin(TimeoutMs)) {
    // Given up: what the read takes from now on stays in the record.
    t.Error = 0;
    s.CancelAndCollect(s.Reading, t);
  } else if (t.Error == 0 || t.Error == ERROR_IO_PENDING) {
    t.Error = s.Collect(record, t.Done);
  }
  if (t.Done > 0) std::memcpy(Data, record.Bytes.data(), static_cast<std::size_t>(t.Done));
  return t;
}

TSerTransfer TSerPort::Write(const void* Data, std::int32_t Count, std::uint32_t TimeoutMs,
                             TSerSignals Signals) {
  TSerTransfer t;
  TState& s = *State_;
  if (!s.Writing) {
    t.Error = ERROR_GEN_FAILURE;
    return t;
  }
  OVERLAPPED* o = s.Writing->Fresh();
  t.Error = s.OnDevice([&](HANDLE d) { return s.Api.WriteFile(d, Data, static_cast<DWORD>(Count), o); });
  if (t.Error == ERROR_IO_PENDING) {
    t.Error = 0;
    const int r = SerWaitFirstOr(Signals, AsSerHandle(s.Writing->Done), TimeoutMs);
    if (r != static_cast<int>(Signals.size())) {
      // A signal, the time or a failed wait: the rest is not sent.
      t.Signalled = r >= 0 ? r : -1;
      s.CancelAndCollect(s.Writing, t);
      return t;
    }
  } else if (t.Error != 0) {
    return t;
  }
  t.Error = s.Collect(*s.Writing, t.Done);
  return t;
}

bool TSerPort::ReportsTxEmpty() { return true; }

// --- The event thread's wait --------------------------------------------------

struct TSerEventWaiter::TImpl {
  TImpl(TSerPort::TState& Device, std::uint32_t EventMask) : Port(Device), Mask(EventMask) {}
  TImpl(const TImpl&) = delete;
  TImpl& operator=(const TImpl&) = delete;

  TSerPort::TState& Port;
  std::uint32_t Mask;
  std::unique_ptr<TSerIoRecord> Record = std::make_unique<TSerIoRecord>();
  bool Pending = false;
  int EmptyEnds = 0;  // waits ended in a row with no event of the mask
  bool PutOff = false;  // the last call paused instead of waiting
};

TSerEventWaiter::TSerEventWaiter(TSerPort& Port, std::uint32_t Mask)
    : Impl_(std::make_unique<TImpl>(*Port.State_, Mask)) {}

TSerEventWaiter::~TSerEventWaiter() { Cancel(); }

void TSerEventWaiter::Cancel() {
  TImpl& w = *Impl_;
  if (!w.Pending) return;
  w.Pending = false;
  // Setting the mask again completes a pending wait.
  (void)w.Port.OnDevice([&](HANDLE d) { return w.Port.Api.SetCommMask(d, w.Mask); });
  if (w.Record->EndsWithin(kCancelStepMs)) return;
  (void)w.Port.EndPending(w.Record);
}

void TSerEventWaiter::InputSeen() { Impl_->EmptyEnds = 0; }

TSerDeviceWait TSerEventWaiter::Wait(TSerSignals Signals, bool WatchInput, std::uint32_t TimeoutMs) {
  TImpl& w = *Impl_;
  TSerDeviceWait result;
  auto completed = [&](DWORD Events) {
    result.Kind = TSerDeviceWait::dwEvents;
    result.Events = Events & w.Mask;
    result.InputReady = (Events & EV_RXCHAR) != 0;
    return result;
  };
  auto ended = [&](DWORD Events) {
    w.EmptyEnds = (Events & w.Mask) != 0 ? 0 : w.EmptyEnds + 1;
    return completed(Events);
  };
  // A wait aborted that we did not end (we end one only in Cancel) is no
  // failure: the thread looks at the device and arms the next one at once.
  auto failed = [&](int Error) {
    if (Error == ERROR_OPERATION_ABORTED) return ended(0);
    result.Kind = TSerDeviceWait::dwFailed;
    result.Error = Error;
    return result;
  };
  auto signalled = [&](int Index) {
    result.Kind = TSerDeviceWait::dwSignalled;
    result.Signalled = Index;
    return result;
  };
  // Given up on: the device was closed under it.
  if (!w.Record || w.Record->Done == nullptr) return failed(ERROR_GEN_FAILURE);

  const DWORD timeout = std::min<std::uint32_t>(TimeoutMs, kProbeMs);
  if (!w.Pending && WatchInput) {
    // Put off, then back to the thread to look at the input queue: a driver
    // that reports only bytes arriving during a wait would never report what
    // came during the pause. The wait after that is armed at once.
    if (w.EmptyEnds >= kEmptyEndsBeforeBackOff && !w.PutOff) {
      w.PutOff = true;
      const int r = SerWaitFirstOr(Signals, 0, std::min<std::uint32_t>(timeout, kPutOffMs));
      if (r == -2) return failed(LastError());
      if (r >= 0) return signalled(r);
      return completed(0);
    }
    w.PutOff = false;
    OVERLAPPED* o = w.Record->Fresh();
    const int err = w.Port.OnDevice([&](HANDLE d) { return w.Port.Api.WaitCommEvent(d, &w.Record->Events, o); });
    if (err == 0) return ended(w.Record->Events);
    if (err != ERROR_IO_PENDING) return failed(err);
    w.Pending = true;
  }
  const int r = SerWaitFirstOr(Signals, w.Pending ? AsSerHandle(w.Record->Done) : 0, timeout);
  if (r == -2) return failed(LastError());
  if (r == -1) return completed(0);  // time to look at the device
  if (r != static_cast<int>(Signals.size())) return signalled(r);
  w.Pending = false;
  std::int32_t n = 0;
  if (const int err = w.Port.Collect(*w.Record, n)) return failed(err);
  return ended(w.Record->Events);
}

}  // namespace galt
