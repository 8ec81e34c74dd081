// The serial device on Windows: opening it, its line, queues and status,
// and the reads and writes (SerDeviceWin32.h says how a transfer ends).

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <memory>
#include <shared_mutex>

#include "serial/SerDcb.h"
#include "serial/SerPort.h"
#include "serial/win32/SerDeviceWin32.h"
#include "winutil/WideText.h"

namespace galt {

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
  TState& s = *State_;
  auto get = [&](DCB& Dcb) {
    Dcb.DCBlength = sizeof Dcb;
    return s.OnDevice([&](HANDLE d) { return s.Api.GetCommState(d, &Dcb); });
  };
  auto set = [&](DCB Dcb) { return s.OnDevice([&](HANDLE d) { return s.Api.SetCommState(d, &Dcb); }); };
  // The driver's own block, changed where the line needs it: what the line
  // does not use (reserved fields and bits, the characters and limits of a
  // flow control that is off, the error character without replacement)
  // stays as the driver has it, values some drivers refuse to be without.
  DCB dcb{};
  if (const int err = get(dcb)) return err;
  const DCB previous = dcb;
  const TSerDcbFields f = SerDcbFields(Config);
  dcb.BaudRate = f.BaudRate;
  // The flag word is the DCB's bit fields in the system's own bit order, so
  // it goes in whole, but for the reserved bits above ours: what the tests
  // check on every platform is what Windows gets.
  std::uint32_t flags = 0;
  auto* const flagWord = reinterpret_cast<unsigned char*>(&dcb) + kDcbFlagsOffset;
  std::memcpy(&flags, flagWord, sizeof flags);
  flags = (flags & ~kDcbOwnBits) | f.Flags;
  std::memcpy(flagWord, &flags, sizeof flags);
  dcb.ByteSize = f.ByteSize;
  dcb.Parity = f.Parity;
  dcb.StopBits = f.StopBits;
  if (Config.XonXoffOut || Config.XonXoffIn || Config.DtrControl == 2 || Config.RtsControl == 2) {
    dcb.XonLim = f.XonLim;
    dcb.XoffLim = f.XoffLim;
    dcb.XonChar = f.XonChar;
    dcb.XoffChar = f.XoffChar;
  }
  if (Config.ErrorCharReplace) dcb.ErrorChar = f.ErrorChar;
  dcb.EofChar = f.EofChar;
  dcb.EvtChar = f.EvtChar;
  if (const int err = set(dcb)) return err;
  // A driver may keep a rate it cannot make (the one it had, or the nearest
  // it can) without failing; only the read-back tells. It gives back the
  // number it took, so it must be the one asked for; otherwise the old line
  // is put back and the rate refused, as on Linux.
  DCB taken{};
  if (const int err = get(taken)) return err;
  if (taken.BaudRate != dcb.BaudRate) {
    (void)set(previous);
    return ERROR_INVALID_PARAMETER;
  }
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
  TState& st = *State_;
  std::lock_guard<std::mutex> held(st.HeldLock);
  st.TakeWatched();
  COMSTAT s;
  std::uint32_t errors = 0;
  if (const int err = st.ClearErrors(s, errors)) return err;
  std::uint32_t flags = 0;
  static_assert(sizeof flags <= sizeof s);
  std::memcpy(&flags, &s, sizeof flags);  // the flag bits lead the record
  Stat.Flags = flags & 0x7Fu;
  Stat.cbInQue = s.cbInQue + static_cast<std::uint32_t>(st.Held.size());
  Stat.cbOutQue = s.cbOutQue;
  Errors |= errors | st.KeptErrors.exchange(0);
  return 0;
}

int TSerPort::InQueue(std::int32_t& Waiting) {
  TState& st = *State_;
  std::lock_guard<std::mutex> held(st.HeldLock);
  st.TakeWatched();
  COMSTAT s;
  if (const int err = st.Queues(s)) return err;
  Waiting = static_cast<std::int32_t>(s.cbInQue + st.Held.size());
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
  if (Count <= 0) return t;
  TState& s = *State_;
  std::lock_guard<std::mutex> held(s.HeldLock);
  s.TakeWatched();
  const std::int32_t fromHeld = std::min(Count, static_cast<std::int32_t>(s.Held.size()));
  s.Held.copy(static_cast<char*>(Data), static_cast<std::size_t>(fromHeld));
  s.Held.erase(0, static_cast<std::size_t>(fromHeld));
  t.Done = fromHeld;
  // Nothing waiting: no read at all. (Wine leaves a read of an empty queue
  // pending despite the timeouts.) Nor while the event thread's read is out.
  COMSTAT q;
  if (s.Watch != nullptr || fromHeld == Count || (t.Error = s.Queues(q)) != 0 || q.cbInQue == 0) return t;
  if (!s.Reading) {
    t.Error = ERROR_GEN_FAILURE;
    return t;
  }
  TSerIoRecord& record = *s.Reading;
  const std::int32_t wanted = Count - fromHeld;
  record.Bytes.resize(static_cast<std::size_t>(wanted));
  OVERLAPPED* o = record.Fresh();
  TSerTransfer device;
  device.Error =
      s.OnDevice([&](HANDLE d) { return s.Api.ReadFile(d, record.Bytes.data(), static_cast<DWORD>(wanted), o); });
  if (device.Error == ERROR_IO_PENDING && !record.EndsWithin(TimeoutMs)) {
    // Given up: what the read takes from now on stays in the record.
    device.Error = 0;
    s.CancelAndCollect(s.Reading, device);
  } else if (device.Error == 0 || device.Error == ERROR_IO_PENDING) {
    device.Error = s.Collect(record, device.Done);
  }
  if (device.Done > 0) {
    std::memcpy(static_cast<char*>(Data) + fromHeld, record.Bytes.data(), static_cast<std::size_t>(device.Done));
  }
  t.Done += device.Done;
  t.Error = device.Error;
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

}  // namespace galt
