#pragma once
// SerClasses: the component's base classes, events and locks.
//
// Base classes of the serial component: the settings-object base with its
// change notification, the component base, the event objects the worker
// threads wait on, the re-entrant lock and the wrap-safe tick timeout.

#include <cstdint>
#include <functional>
#include <mutex>
#include <span>
#include <string>

namespace galt {

// An operating-system handle held as an integer: a descriptor on POSIX, a
// HANDLE on Windows. Both systems spell "no handle" with all bits set.
using TSerHandle = std::intptr_t;
constexpr TSerHandle kSerInvalidHandle = -1;

// Thread priorities relative to the process (-15, -2, -1, 0, 1, 2, 15).
enum TThreadPriority : std::uint8_t {
  tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical
};

// Relative priority of a TThreadPriority value.
int ThreadPriorityOffset(TThreadPriority Priority);

// System id of the calling thread.
int CurrentThreadId();

// Applies a relative priority to a thread of this process (a per-thread nice
// value on Linux, the thread priority on Windows). Raising the priority may
// need privileges; without them the thread keeps the process's priority,
// which is harmless.
void ApplyThreadPriority(int ThreadId, TThreadPriority Priority);

// Base of the settings objects. A change fires OnChange only while no update
// is in progress. OnChanging runs before a change is stored and may veto it
// by throwing, which leaves the object untouched.
class TSerPersistent {
 public:
  virtual ~TSerPersistent() = default;
  TSerPersistent(const TSerPersistent&) = delete;
  TSerPersistent& operator=(const TSerPersistent&) = delete;

  void SetOnChange(std::function<void()> Handler) { OnChange_ = std::move(Handler); }
  void SetOnChanging(std::function<void()> Handler) { OnChanging_ = std::move(Handler); }

  void BeginUpdate() { ++UpdateCount_; }
  void EndUpdate() { --UpdateCount_; }
  std::int32_t UpdateCount() const { return UpdateCount_; }

  // Copies every property from an object of the same class and notifies once.
  // Anything else is refused with std::invalid_argument.
  virtual void Assign(const TSerPersistent& Source);

  virtual const char* ClassName() const = 0;

 protected:
  TSerPersistent() = default;
  void Changing() const;
  void Changed() const;
  // Copies the properties of Source, which has the same dynamic class.
  virtual void AssignProperties(const TSerPersistent& Source) = 0;

 private:
  std::int32_t UpdateCount_ = 0;
  std::function<void()> OnChange_;
  std::function<void()> OnChanging_;
};

// Component base: the name and tag every component carries.
class TSerComponent {
 public:
  virtual ~TSerComponent() = default;
  std::string Name;
  std::intptr_t Tag = 0;
};

// Owns an OS handle (an eventfd on Linux, an event object on Windows),
// closed on destruction.
class TSerHandleObject {
 public:
  enum TWaitResult : int { wrSignaled = 0, wrTimeout = 1, wrAbandoned = 2, wrError = 3 };
  static constexpr std::uint32_t Infinite = 0xFFFFFFFFu;

  explicit TSerHandleObject(TSerHandle Handle) : Handle_(Handle) {}
  virtual ~TSerHandleObject();
  TSerHandleObject(const TSerHandleObject&) = delete;
  TSerHandleObject& operator=(const TSerHandleObject&) = delete;

  TSerHandle Handle() const { return Handle_; }
  int LastError() const { return LastError_; }
  // Waits until the object is signalled; Timeout in ms, Infinite for no limit.
  int WaitFor(std::uint32_t Timeout);

 private:
  TSerHandle Handle_;
  int LastError_ = 0;
};

// Waits for the first of Events to be signalled (empty entries never are);
// answers its index (the lowest of several), -1 when Timeout ms have passed,
// or -2 when the wait itself failed.
int SerWaitFirst(std::span<const TSerHandleObject* const> Events, std::uint32_t Timeout);
#ifdef _WIN32
// The same with a system handle besides (an overlapped transfer's completion
// event; 0 for none), whose index is Events.size().
int SerWaitFirstOr(std::span<const TSerHandleObject* const> Events, TSerHandle Extra, std::uint32_t Timeout);
#else
// The same with a descriptor besides, polled for Wanted (poll's flags; a
// hang-up is reported without any); what it answered goes to Got, and its
// index is Events.size() when no event came first.
int SerWaitFirstOr(std::span<const TSerHandleObject* const> Events, int Fd, short Wanted, short& Got,
                   std::uint32_t Timeout);
#endif

class TSerEvent : public TSerHandleObject {
 public:
  using TSerHandleObject::TSerHandleObject;
  bool Signal();
  bool Reset();
};

// Manual-reset event that starts not signalled: stays signalled until Reset,
// so every waiter sees it.
class TSerWaitEvent : public TSerEvent {
 public:
  TSerWaitEvent();
};

// Re-entrant lock; also usable with std::lock_guard.
class TSerCriticalSection {
 public:
  void Enter() { Mutex_.lock(); }
  void Leave() { Mutex_.unlock(); }
  void lock() { Mutex_.lock(); }
  void unlock() { Mutex_.unlock(); }

 private:
  std::recursive_mutex Mutex_;
};

// Millisecond tick that wraps at 32 bits.
std::uint32_t SerTickCount();

// A timeout measured on the 32-bit tick; modular subtraction keeps it right
// across a wrap of the counter.
class TickTimeout {
 public:
  void Start(std::uint32_t Length) { Start(Length, SerTickCount()); }
  void Start(std::uint32_t Length, std::uint32_t Now) {
    Start_ = Now;
    Length_ = Length;
  }
  bool Expired() const { return Expired(SerTickCount()); }
  bool Expired(std::uint32_t Now) const { return Elapsed(Now) > Length_; }
  std::uint32_t Elapsed(std::uint32_t Now) const { return Now - Start_; }
  // Milliseconds until Expired becomes true (at least 1 while not expired).
  std::uint32_t Remaining(std::uint32_t Now) const {
    const std::uint32_t e = Elapsed(Now);
    return e > Length_ ? 0 : Length_ - e + 1;
  }

 private:
  std::uint32_t Start_ = 0;
  std::uint32_t Length_ = 0;
};

}  // namespace galt
