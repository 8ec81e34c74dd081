#pragma once
// The component's worker threads and the write queue. Both threads are
// created by Open, told to stop and joined by Close: none of them touches the
// device after Close has returned.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <thread>

#include "serial/SerClasses.h"

namespace galt {

class TSerCustomComm;

// Shared by the component and the deliveries its threads post; the
// component drops it when the port closes.
struct TSerDeliveryTarget {
  TSerCustomComm* Owner;
};

// The write queue: a block of fixed capacity with the bytes at its front.
class TSerCommBuffer {
 public:
  explicit TSerCommBuffer(std::int32_t Capacity);
  const std::uint8_t* Data() const { return Data_.get(); }
  std::int32_t Count() const { return Count_; }
  std::int32_t Capacity() const { return Capacity_; }
  // The caller guarantees room.
  void Append(const void* Bytes, std::int32_t N);
  void Consume(std::int32_t N);

 private:
  std::unique_ptr<std::uint8_t[]> Data_;
  std::int32_t Capacity_;
  std::int32_t Count_ = 0;
};

class TSerCommThread {
 public:
  virtual ~TSerCommThread();
  TSerCommThread(const TSerCommThread&) = delete;
  TSerCommThread& operator=(const TSerCommThread&) = delete;

  void SetPriority(TThreadPriority Value);
  void Start();
  // Asks the thread to end; it wakes from any wait at once.
  void Stop();
  // Waits until the thread has ended.
  void Join();

 protected:
  TSerCommThread(TSerCustomComm& Owner, std::weak_ptr<TSerDeliveryTarget> Target,
                 TThreadPriority Priority);
  virtual void Execute() = 0;
  bool Terminated() const { return Terminated_.load(std::memory_order_acquire); }
  // Hands a delivery of Mask to the window's event thread and waits until it
  // has run there or the thread is told to stop; false when stopped. A
  // signalled Interrupt, or the device found gone, also ends the wait (true):
  // the delivery then runs later without being waited for.
  bool HandOver(std::uint32_t Mask, bool FromEventThread,
                const TSerHandleObject* Interrupt = nullptr);
  // Waits for the stop signal at most Ms; false when stopped.
  bool BackOff(int Ms);
  // After the device has gone: touches it no more and waits for the stop.
  void WaitForStop();

  TSerCustomComm& Owner_;
  TSerWaitEvent StopEvent_;

 private:
  // Completion of hand-overs: the posted call stores its number and signals.
  struct TDelivered {
    TSerWaitEvent Event;
    std::atomic<std::uint64_t> Completed{0};
  };

  std::weak_ptr<TSerDeliveryTarget> Target_;
  std::shared_ptr<TDelivered> Delivered_;
  std::uint64_t Posted_ = 0;
  std::atomic<bool> Terminated_{false};
  std::atomic<TThreadPriority> Priority_;
  std::atomic<int> ThreadId_{0};
  std::thread Thread_;
};

// Waits for device events and hands each batch to the window's event thread.
class TSerCommEventThread : public TSerCommThread {
 public:
  TSerCommEventThread(TSerCustomComm& Owner, std::weak_ptr<TSerDeliveryTarget> Target,
                      TThreadPriority Priority)
      : TSerCommThread(Owner, std::move(Target), Priority) {}
  ~TSerCommEventThread() override;

 protected:
  void Execute() override;
};

// Drains the write queue into the device.
class TSerCommWriteThread : public TSerCommThread {
 public:
  TSerCommWriteThread(TSerCustomComm& Owner, std::weak_ptr<TSerDeliveryTarget> Target,
                      TThreadPriority Priority, std::int32_t Capacity)
      : TSerCommThread(Owner, std::move(Target), Priority), Queue_(Capacity) {}
  ~TSerCommWriteThread() override;

  // Runs on the window's event thread: queues N bytes, waiting at most
  // WriteTimeout for room; false (nothing queued) when the time runs out.
  bool QueueData(const void* Bytes, std::int32_t N);

 protected:
  void Execute() override;

 private:
  // Removes N sent bytes; false when stopped while reporting an empty queue.
  bool WriteCompleted(std::int32_t N);
  // The device has gone: drops the queue, releases a QueueData that waits
  // for room, then waits for the stop.
  void StandDown();

  TSerCommBuffer Queue_;
  TSerWaitEvent DataEvent_;
  // Signalled (under WriteLock) whenever the queue shrinks.
  std::condition_variable_any Room_;
};

}  // namespace galt
