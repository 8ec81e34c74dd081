#pragma once
// The operating system's side of the serial component: one open device, the
// transfers on it and the wait of the event thread. There is one
// implementation per platform, chosen by the build (linux/SerPortLinux.cpp;
// win32/SerPortWin32.cpp, SerEventWaitWin32.cpp and SerErrorsWin32.cpp); the
// component, its threads and its queue above are shared.
// Every call answers 0 or the system's own error code (errno, GetLastError),
// which the component turns into its messages.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "serial/SerClasses.h"
#include "serial/SerCommTypes.h"

namespace galt {

// The line settings as the component asks for them; each platform decides
// how far its driver can follow.
struct TSerLineConfig {
  std::uint32_t Baud = 0;
  int DataBits = 8;   // 4..8
  int Parity = 0;     // 0 none, 1 odd, 2 even, 3 mark, 4 space
  int StopBits = 0;   // 0 one, 1 one and a half, 2 two
  bool OutCtsFlow = false;
  bool OutDsrFlow = false;
  int DtrControl = 0;  // 0 off, 1 on, 2 handshake
  int RtsControl = 0;  // 0 off, 1 on, 2 handshake, 3 on only while sending
  bool XonXoffOut = false;
  bool XonXoffIn = false;
  bool DsrSensitivity = false;
  bool TxContinueOnXoff = false;
  bool ErrorCharReplace = false;
  bool NullStrip = false;
  bool ParityCheck = false;
  char XonChar = 17;
  char XoffChar = 19;
  char ErrorChar = 0;
  char EofChar = 0;
  char EventChar = 0;
  std::uint16_t XonLimit = 1024;
  std::uint16_t XoffLimit = 1024;

  bool operator==(const TSerLineConfig&) const = default;
};

// Whether the driver hands received bytes on at once instead of gathering
// them: Linux asks for it at open (ASYNC_LOW_LATENCY, which takes an FTDI
// bridge's latency timer from 16 ms down to 1 ms; each echo's last short
// packet waits for that timer) and puts the old setting back at close.
enum class TSerLowLatency {
  NotAsked,  // this system has no such request
  Refused,   // the driver has no such setting or did not take it (ptys, most bridges but FTDI's)
  Set,       // the driver reports it set
};

// The system's text for an error code, without trailing line breaks, blanks
// and full stops.
std::string SerSystemErrorText(int Code);
// The open failed because there is no such device.
bool SerIsNoSuchDevice(int Code);
// The open failed because another program has the device open. (Windows
// answers a port our account may not open the same way; that is rare.)
bool SerIsHeldElsewhere(int Code);
// The open failed because this account may not open the port (Linux).
bool SerIsAccessDenied(int Code);
// An error of a transfer or status call on an open device that means the
// device has gone (unplugged adapter, far side of a pty closed).
bool SerIsHangUp(int Code);

// Events that end a blocking call early; empty entries are never signalled.
using TSerSignals = std::span<const TSerHandleObject* const>;

// The outcome of a transfer: the bytes moved and why it ended.
struct TSerTransfer {
  int Error = 0;            // 0, or the system's error code
  std::int32_t Done = 0;    // bytes read or written
  int Signalled = -1;       // index of the signal that ended it, or -1
};

// What ended a wait of the event thread.
struct TSerDeviceWait {
  enum TKind { dwEvents, dwSignalled, dwFailed } Kind = dwEvents;
  std::uint32_t Events = 0;  // device events seen (EV_ bits)
  bool InputReady = false;   // bytes may be waiting to be read
  int Signalled = -1;        // dwSignalled: index of the signal
  int Error = 0;             // dwFailed: the system's error code
};

// One open serial device, exclusively ours until destroyed.
class TSerPort {
 public:
  // Opens Path for reading and writing, shared with nobody; answers 0 or the
  // error (SerIsNoSuchDevice tells "not there" from the rest).
  static int Open(const std::string& Path, std::unique_ptr<TSerPort>& Port);
  ~TSerPort();
  TSerPort(const TSerPort&) = delete;
  TSerPort& operator=(const TSerPort&) = delete;

  TSerHandle Handle() const;

  int ApplyLine(const TSerLineConfig& Config);
  // Input and output queue sizes asked of the driver.
  int SetQueueSizes(std::int32_t ReadSize, std::int32_t WriteSize);
  // Reads return at once with what has arrived; writes have no time limit.
  int SetImmediateReads();
  int PurgeInput();
  // The device events the event thread waits for.
  int SetEventMask(std::uint32_t Mask);

  // Queue counts and the line errors (CE_ bits) since the last call of any
  // thread; each error is reported once.
  int Status(TSerComStat& Stat, std::uint32_t& Errors);
  // Bytes waiting in the input queue; also tells whether the device is
  // still there. Line errors it sees are kept for the next Status.
  int InQueue(std::int32_t& Waiting);
  // Bytes not yet sent by the driver.
  int OutQueue(std::int32_t& Queued);

  // Reads what is waiting, at most Count bytes, waiting at most TimeoutMs;
  // nothing can reach Data after it has returned.
  TSerTransfer Read(void* Data, std::int32_t Count, std::uint32_t TimeoutMs);
  // Hands bytes to the driver: returns once some were taken (on some
  // platforms only once all were), when TimeoutMs has passed or a signal is
  // set. Nothing is read from Data after it has returned.
  TSerTransfer Write(const void* Data, std::int32_t Count, std::uint32_t TimeoutMs, TSerSignals Signals);

  // The driver reports EV_TXEMPTY itself; otherwise the event thread watches
  // the output queue after a direct write.
  static bool ReportsTxEmpty();

  // What became of the low-latency request at open.
  TSerLowLatency LowLatency() const { return LowLatency_; }

 private:
  struct TState;
  explicit TSerPort(std::unique_ptr<TState> State);
  std::unique_ptr<TState> State_;
  TSerLowLatency LowLatency_ = TSerLowLatency::NotAsked;
  friend class TSerEventWaiter;
};

// The event thread's wait for the device: returns when events of the mask
// occur, a signal is set, the time is up (dwEvents with no events) or the
// wait fails. Destroying it ends a wait still pending on the device.
class TSerEventWaiter {
 public:
  TSerEventWaiter(TSerPort& Port, std::uint32_t Mask);
  ~TSerEventWaiter();
  TSerEventWaiter(const TSerEventWaiter&) = delete;
  TSerEventWaiter& operator=(const TSerEventWaiter&) = delete;

  // WatchInput false: arrivals are not waited for (unread bytes would end
  // every wait at once); they are looked for when the wait ends.
  TSerDeviceWait Wait(TSerSignals Signals, bool WatchInput, std::uint32_t TimeoutMs);
  // Gives up a wait pending on the device and waits until it has ended.
  void Cancel();
  // Bytes came since the last wait: a reply is coming in, so waits that end
  // with nothing are not yet a sign of a driver to be paced.
  void InputSeen();

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl_;
};

}  // namespace galt
