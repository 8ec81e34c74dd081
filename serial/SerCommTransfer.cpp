// Reading, writing, the status query and the delivery of device events to
// the program's handlers.

#include <mutex>

#include "serial/SerComm.h"
#include "serial/SerCommThreads.h"

namespace galt {

// --- Writing -------------------------------------------------------------------

bool TSerCustomComm::WriteText(const std::string& Text) {
  const auto length = static_cast<std::int32_t>(Text.size());
  return WriteData(Text.data(), length) == length;
}

std::int32_t TSerCustomComm::WriteData(const void* Data, std::int32_t Count) {
  if (!IsOpen()) return 0;
  if (Count <= 0) return 0;
  // A device that has gone takes nothing, at once: the owner learns why from
  // OnDeviceLost, not from a stream of errors.
  if (DeviceLost_.load(std::memory_order_acquire)) return 0;
  if (WriteThread_) {
    if (!WriteThread_->QueueData(Data, Count)) {
      if (DeviceLost_.load(std::memory_order_acquire)) return 0;
      throw ESerCommError("Output buffer is full. Please check comm status.");
    }
    return Count;
  }

  // Direct write: hand the bytes to the device, waiting for room at most
  // ReadTimeout. No transfer outlives the call, so nothing can be written
  // from the caller's buffer after this returns.
  std::lock_guard<TSerCriticalSection> lock(WriteLock_);
  const auto* bytes = static_cast<const std::uint8_t*>(Data);
  const TSerHandleObject* interrupts[] = {&LostEvent_};
  std::int32_t done = 0;
  TickTimeout timeout;
  timeout.Start(static_cast<std::uint32_t>(Buffers_.ReadTimeout()));
  while (done < Count) {
    const std::uint32_t now = SerTickCount();
    if (done > 0 && timeout.Expired(now)) break;
    const TSerTransfer t = Port_->Write(bytes + done, Count - done, timeout.Remaining(now), interrupts);
    done += t.Done;
    if (t.Signalled >= 0) break;
    if (t.Error != 0) {
      if (SerIsHangUp(t.Error)) {
        ReportDeviceLost();
        break;
      }
      if (done == 0) RaiseCommError("Write error (%d), %s", t.Error);
      break;
    }
    if (t.Done == 0) break;  // no room within the time
  }
  if (done > 0 && (ActiveEventMask_ & EV_TXEMPTY) != 0 && !TSerPort::ReportsTxEmpty()) {
    TxWatch_.store(true);
    TxKick_.Signal();
  }
  return done;
}

// --- Reading -------------------------------------------------------------------

void TSerCustomComm::GetCommStatus(std::uint32_t& Errors, TSerComStat& Stat) {
  std::lock_guard<TSerCriticalSection> lock(ReadLock_);
  Errors = 0;
  Stat = TSerComStat{};
  if (!IsOpen() || DeviceLost_.load(std::memory_order_acquire)) return;
  // Line errors since the previous query; each is reported once.
  if (const int err = Port_->Status(Stat, Errors)) {
    Errors = 0;
    Stat = TSerComStat{};
    if (SerIsHangUp(err)) {
      ReportDeviceLost();
      return;
    }
    RaiseCommError("Error retrieving statistics (%d), %s", err);
  }
}

std::int32_t TSerCustomComm::InQueueCount() {
  if (!IsOpen()) return 0;
  std::uint32_t errors;
  TSerComStat stat;
  GetCommStatus(errors, stat);
  return static_cast<std::int32_t>(stat.cbInQue);
}

std::int32_t TSerCustomComm::ReadData(void* Data, std::int32_t Count) {
  if (!IsOpen() || Count <= 0) return 0;
  std::lock_guard<TSerCriticalSection> lock(ReadLock_);
  std::lock_guard<std::mutex> tally(RxTallyLock_);
  if (DeviceLost_.load(std::memory_order_acquire)) return 0;
  // Returns with what has arrived, at the latest after ReadTimeout; no
  // transfer outlives the call.
  const TSerTransfer t = Port_->Read(Data, Count, static_cast<std::uint32_t>(Buffers_.ReadTimeout()));
  if (t.Error != 0 && t.Done == 0) {
    if (SerIsHangUp(t.Error)) {
      ReportDeviceLost();
      return 0;
    }
    RaiseCommError("Read error (%d), %s", t.Error);
  }
  RxConsumed_ += static_cast<std::uint64_t>(t.Done);
  return t.Done;
}

std::string TSerCustomComm::ReadText() {
  const std::int32_t n = InQueueCount();
  if (n <= 0) return {};
  std::string text(static_cast<std::size_t>(n), '\0');
  const std::int32_t got = ReadData(text.data(), n);
  text.resize(static_cast<std::size_t>(got));
  return text;
}

int TSerCustomComm::SampleReceived(std::uint64_t& Total, std::int32_t& Waiting) {
  std::lock_guard<std::mutex> tally(RxTallyLock_);
  std::int32_t waiting = 0;
  if (const int err = Port_->InQueue(waiting)) return err;
  Waiting = waiting;
  Total = RxConsumed_ + static_cast<std::uint64_t>(waiting);
  return 0;
}

// --- Event delivery ---------------------------------------------------------------

void TSerCustomComm::DeliverEvents(std::uint32_t Mask, bool FromEventThread) {
  Notify([this, Mask, FromEventThread]() mutable {
    if (FromEventThread) {
      UpdateDisplay();
      if ((Mask & EV_RXCHAR) != 0) {
        HandleRxChar();
        Mask &= ~EV_RXCHAR;
      }
    }
    if (Mask != 0) HandleCommEvents(Mask);
  });
}

void TSerCustomComm::ReportDeviceLost() {
  if (DeviceLost_.exchange(true, std::memory_order_acq_rel)) return;
  LostEvent_.Signal();
  if (Dispatcher_ == nullptr) return;
  // Posted, not handed over: the detecting thread may be the window's own
  // (inside WriteText or ReadText), and no worker waits for this. Like every
  // delivery it finds the component only while this open lasts.
  Dispatcher_->Post([target = std::weak_ptr<TSerDeliveryTarget>(Target_)] {
    if (auto t = target.lock()) t->Owner->DeliverDeviceLost();
  });
}

void TSerCustomComm::DeliverDeviceLost() {
  if (OnDeviceLost) Notify([this] { OnDeviceLost(this); });
}

void TSerCustomComm::UpdateDisplay() {
  if (Display_ != nullptr) Display_->CommActivity(*this);
}

void TSerCustomComm::HandleRxChar() {
  const std::int32_t n = InQueueCount();
  if (n <= 0) return;
  // The handler reads what it wants; what it leaves stays queued.
  if (OnRxChar) OnRxChar(this, n);
}

void TSerCustomComm::CheckLineErrors() {
  std::uint32_t errors;
  TSerComStat stat;
  GetCommStatus(errors, stat);
  if (errors != 0 && OnError) Notify([this, errors] { OnError(this, errors); });
}

void TSerCustomComm::HandleCommEvents(std::uint32_t Mask) {
  if ((Mask & EV_ERR) != 0) CheckLineErrors();
  const struct {
    std::uint32_t Bit;
    TSerNotifyEvent TSerCustomComm::*Handler;
  } kHandlers[] = {
      {EV_RXFLAG, &TSerCustomComm::OnRxFlag}, {EV_CTS, &TSerCustomComm::OnCts},
      {EV_DSR, &TSerCustomComm::OnDsr},       {EV_RING, &TSerCustomComm::OnRing},
      {EV_RLSD, &TSerCustomComm::OnRlsd},     {EV_TXEMPTY, &TSerCustomComm::OnTxEmpty},
      {EV_BREAK, &TSerCustomComm::OnBreak},   {EV_PERR, &TSerCustomComm::OnPErr},
      {EV_RX80FULL, &TSerCustomComm::OnRx80Full}, {EV_EVENT1, &TSerCustomComm::OnEvent1},
      {EV_EVENT2, &TSerCustomComm::OnEvent2},
  };
  for (const auto& h : kHandlers) {
    const TSerNotifyEvent& handler = this->*h.Handler;
    if ((Mask & h.Bit) != 0 && handler) handler(this);
  }
}

}  // namespace galt
