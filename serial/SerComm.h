#pragma once
// The serial port component: owns one serial device, applies the line
// settings, reads on an event thread and writes through a queue drained by a
// write thread. The system's calls are behind TSerPort (SerPort.h).
// Every public operation, setter and handler belongs to the window's event
// thread; the worker threads reach it only through the dispatcher.

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <stdexcept>
#include <string>

#include "serial/SerClasses.h"
#include "serial/SerCommTypes.h"
#include "serial/SerDispatch.h"
#include "serial/PortName.h"
#include "serial/PortTable.h"
#include "serial/SerPort.h"
#include "serial/SerPrst.h"

namespace galt {

class ESerCommError : public std::runtime_error {
 public:
  // Code: the system's error behind the failure (errno, GetLastError), 0 for
  // none; NotFound: Open found no device of the name.
  explicit ESerCommError(const std::string& Message, int Code = 0, bool NotFound = false)
      : std::runtime_error(Message), Code_(Code), NotFound_(NotFound) {}
  int Code() const { return Code_; }
  bool DeviceNotFound() const { return NotFound_; }

 private:
  int Code_;
  bool NotFound_;
};

// What an open asks of the device, taken from the component's settings, so
// that the slow half of an open may run on another thread.
struct TSerOpenRequest {
  std::string Name;                 // the formatted device name, as messages show it
  std::optional<std::string> Path;  // none when the port table has no such port
  bool ApplyLine = true;            // UpdateDCB
  TSerLineConfig Line;
  std::int32_t ReadSize = 0;
  std::int32_t WriteSize = 0;
  std::uint32_t EventMask = 0;

  bool operator==(const TSerOpenRequest&) const = default;
};

class TSerCustomComm;
class TSerCommEventThread;
class TSerCommWriteThread;
struct TSerDeliveryTarget;

using TSerNotifyEvent = std::function<void(TSerCustomComm* Sender)>;
using TSerCommRxCharEvent = std::function<void(TSerCustomComm* Sender, int Count)>;
using TSerCommRxBufEvent =
    std::function<void(TSerCustomComm* Sender, const std::uint8_t* Data, int Count)>;
using TSerCommErrorEvent = std::function<void(TSerCustomComm* Sender, std::uint32_t Errors)>;
// Shows an exception that escaped a handler during an event delivery.
using TSerExceptionDisplay = std::function<void(std::exception_ptr Error)>;

// An activity display that can be attached to the component; not owned, and
// its owner detaches it before destroying it.
class TSerDisplay {
 public:
  virtual ~TSerDisplay() = default;
  virtual void CommActivity(TSerCustomComm& Comm) = 0;
};

class TSerCustomComm : public TSerComponent {
 public:
  explicit TSerCustomComm(TSerDispatcher* Dispatcher = nullptr);
  ~TSerCustomComm() override;
  TSerCustomComm(const TSerCustomComm&) = delete;
  TSerCustomComm& operator=(const TSerCustomComm&) = delete;

  // --- Opening and closing ---
  void Open();
  // Stops both worker threads, waits for them, then closes the device.
  void Close();
  bool IsOpen() const { return DeviceHandle() != kSerInvalidHandle; }
  // True from the moment the open device is found gone (see OnDeviceLost)
  // until the port is closed.
  bool IsDeviceLost() const { return IsOpen() && DeviceLost_.load(std::memory_order_acquire); }
  // End of loading the settings: opens the port when AutoOpen is set.
  void Loaded();

  // Open in two halves, for a device whose open takes seconds (an outgoing
  // Bluetooth port connects to its far device first). Open does both in turn.
  // The request of an open now.
  TSerOpenRequest OpenRequest() const;
  // Any thread: opens and sets up the device of Request. Raises
  // ESerCommError as Open does; nothing stays open then.
  static std::unique_ptr<TSerPort> OpenDevice(const TSerOpenRequest& Request);
  // Port closed: Port, opened for Request, becomes the open port and the
  // worker threads start. Raises ESerCommError, and closes Port, when the
  // settings no longer ask for Request (they changed while it opened).
  void Adopt(std::unique_ptr<TSerPort> Port, const TSerOpenRequest& Request);

  // --- Transfer (SerCommTransfer.cpp) ---
  bool WriteText(const std::string& Text);
  std::string ReadText();
  std::int32_t WriteData(const void* Data, std::int32_t Count);
  std::int32_t ReadData(void* Data, std::int32_t Count);
  std::int32_t InQueueCount();
  void GetCommStatus(std::uint32_t& Errors, TSerComStat& Stat);

  // --- Properties ---
  bool AutoOpen() const { return AutoOpen_; }
  void SetAutoOpen(bool Value) { AutoOpen_ = Value; }
  TSerBaudrate Baudrate() const { return Baudrate_; }
  void SetBaudrate(TSerBaudrate Value);
  TSerParity Parity() const { return Parity_; }
  void SetParity(TSerParity Value);
  TSerDatabits Databits() const { return Databits_; }
  void SetDatabits(TSerDatabits Value);
  TSerStopbits Stopbits() const { return Stopbits_; }
  void SetStopbits(TSerStopbits Value);
  TSerEventChars& EventChars() { return EventChars_; }
  void SetEventChars(const TSerEventChars& Value) { EventChars_.Assign(Value); }
  TSerFlowControl& FlowControl() { return FlowControl_; }
  void SetFlowControl(const TSerFlowControl& Value) { FlowControl_.Assign(Value); }
  TSerCommOptions Options() const { return Options_; }
  void SetOptions(TSerCommOptions Value);
  std::int32_t PortNum() const { return PortNum_; }
  void SetPortNum(std::int32_t Value);
  const std::string& DeviceName() const { return DeviceName_; }
  void SetDeviceName(const std::string& Value);
  TSerCommEvents MonitorEvents() const { return MonitorEvents_; }
  void SetMonitorEvents(TSerCommEvents Value);
  TSerBuffers& Buffers() { return Buffers_; }
  const TSerBuffers& Buffers() const { return Buffers_; }
  void SetBuffers(const TSerBuffers& Value) { Buffers_.Assign(Value); }
  TThreadPriority EventPriority() const { return EventPriority_; }
  void SetEventPriority(TThreadPriority Value);
  TThreadPriority WritePriority() const { return WritePriority_; }
  void SetWritePriority(TThreadPriority Value);
  bool DirectWrite() const { return DirectWrite_; }
  void SetDirectWrite(bool Value);
  bool UpdateDCB() const { return UpdateDCB_; }
  void SetUpdateDCB(bool Value);
  std::int32_t UserBaudrate() const { return UserBaudrate_; }
  void SetUserBaudrate(std::int32_t Value);
  TSerDisplay* Display() const { return Display_; }
  void SetDisplay(TSerDisplay* Value) { Display_ = Value; }
  // Where worker threads hand their deliveries; refused while open. Without
  // one, nothing is delivered.
  TSerDispatcher* Dispatcher() const { return Dispatcher_; }
  void SetDispatcher(TSerDispatcher* Value);
  // Resolves "\\.\COMn" names to devices; the system's table by default.
  // Refused while open.
  const TSerPortTable& PortTable() const { return PortTable_; }
  void SetPortTable(const TSerPortTable& Value);
  void SetExceptionDisplay(TSerExceptionDisplay Value) { ExceptionDisplay_ = std::move(Value); }

  // DeviceName with "%d" replaced by PortNum; messages show this name.
  std::string FormattedDeviceName() const;
  // The system handle of the open device; kSerInvalidHandle while closed.
  TSerHandle DeviceHandle() const { return Port_ ? Port_->Handle() : kSerInvalidHandle; }
  std::uint32_t ActiveEventMask() const { return ActiveEventMask_; }
  // Whether the open device's driver hands received bytes on at once
  // (TSerPort::LowLatency); NotAsked while closed.
  TSerLowLatency LowLatency() const { return Port_ ? Port_->LowLatency() : TSerLowLatency::NotAsked; }

  // --- Events ---
  TSerNotifyEvent OnOpen, OnClose, OnCts, OnDsr, OnRlsd, OnRing, OnBreak;
  TSerCommErrorEvent OnError;
  TSerCommRxCharEvent OnRxChar;
  TSerCommRxBufEvent OnRxBuf;
  TSerNotifyEvent OnRxFlag, OnTxEmpty, OnPErr, OnRx80Full, OnEvent1, OnEvent2;
  // The device has gone (hang-up: an unplugged adapter, the far side of a pty
  // closed). Raised once per open, on the window's event thread. From the
  // detection on, writes take nothing, reads and status queries answer
  // nothing and raise nothing, and the worker threads stand still; the port
  // stays open until the owner closes it.
  TSerNotifyEvent OnDeviceLost;

  void LockWrite() { WriteLock_.Enter(); }
  void UnlockWrite() { WriteLock_.Leave(); }
  void LockRead() { ReadLock_.Enter(); }
  void UnlockRead() { ReadLock_.Leave(); }

  // Passes an exception to the exception display (stderr by default).
  void ShowException(std::exception_ptr Error) const;

 protected:
  // Runs a notification handler: whatever it throws goes to the exception
  // display and no further (not into a worker's hand-over, not out of Open).
  template <typename Handler>
  void Notify(Handler&& Call) const {
    try {
      Call();
    } catch (...) {
      ShowException(std::current_exception());
    }
  }

  virtual void CreateThreads();
  virtual void HandleRxChar();
  virtual void HandleCommEvents(std::uint32_t Mask);

  void UpdateDisplay();
  void CheckClosed() const;
  void ApplyLineSettings();
  // The device events the event thread is to wait for.
  std::uint32_t WantedEventMask() const;
  void CheckLineErrors();
  void NotifyOpen();
  void NotifyClose();
  // Any thread: marks the device gone, wakes the worker threads and posts
  // OnDeviceLost, once per open.
  void ReportDeviceLost();
  // Raises ESerCommError with Format's "%d" and "%s" filled in with Code (a
  // system error code) and the system's text for it.
  [[noreturn]] static void RaiseCommError(const char* Format, int Code);

 private:
  friend class TSerCommThread;
  friend class TSerCommEventThread;
  friend class TSerCommWriteThread;

  TSerLineConfig BuildLineConfig() const;
  void StopAndJoinThreads();
  void DestroyHandle();
  // Runs on the window's event thread for a worker's hand-over.
  void DeliverEvents(std::uint32_t Mask, bool FromEventThread);
  void DeliverDeviceLost();
  // Bytes ever received (waiting + consumed by ReadData), sampled together;
  // answers 0, or the system error with which the device refused the query.
  int SampleReceived(std::uint64_t& Total, std::int32_t& Waiting);

  // The open device; none while closed.
  std::unique_ptr<TSerPort> Port_;
  TSerCriticalSection WriteLock_;
  TSerCriticalSection ReadLock_;
  std::unique_ptr<TSerCommEventThread> EventThread_;
  std::unique_ptr<TSerCommWriteThread> WriteThread_;
  std::uint32_t ActiveEventMask_ = 0;
  // Alive while the port is open; deliveries posted by a worker find it gone
  // once the port has been closed (or the component destroyed).
  std::shared_ptr<TSerDeliveryTarget> Target_;

  // ReadData and the event thread's arrival check share this, so that
  // "waiting + consumed" is never torn by a read in between.
  std::mutex RxTallyLock_;
  std::uint64_t RxConsumed_ = 0;
  // A direct write is waiting for the output queue to drain (EV_TXEMPTY);
  // TxKick_ wakes the event thread to start watching.
  std::atomic<bool> TxWatch_{false};
  TSerWaitEvent TxKick_;
  // Set once the device is found gone; LostEvent_ then stays signalled and
  // wakes every wait of the worker threads. Both are reset by Open.
  std::atomic<bool> DeviceLost_{false};
  TSerWaitEvent LostEvent_;

  TSerBuffers Buffers_;
  TSerEventChars EventChars_;
  TSerFlowControl FlowControl_;

  bool AutoOpen_ = false;
  TSerBaudrate Baudrate_ = br1200;
  TSerParity Parity_ = paNone;
  TSerDatabits Databits_ = db8;
  TSerStopbits Stopbits_ = sb1;
  TSerCommOptions Options_;
  std::int32_t PortNum_ = 0;
  std::string DeviceName_{kComDevicePattern};
  TSerCommEvents MonitorEvents_{ceError, ceRxChar, ceTxEmpty};
  TThreadPriority EventPriority_ = tpNormal;
  TThreadPriority WritePriority_ = tpHighest;
  bool DirectWrite_ = false;
  bool UpdateDCB_ = true;
  std::int32_t UserBaudrate_ = 0;
  TSerDisplay* Display_ = nullptr;
  TSerDispatcher* Dispatcher_ = nullptr;
  TSerPortTable PortTable_ = TSerPortTable::System();
  TSerExceptionDisplay ExceptionDisplay_;
  bool Destroying_ = false;
};

// The component as the window uses it.
class TSerComm : public TSerCustomComm {
 public:
  using TSerCustomComm::TSerCustomComm;
};

}  // namespace galt
