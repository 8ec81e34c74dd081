#include "frontend/PortAccess.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

#include "ports/PortProbe.h"

namespace galt {

namespace {

// The port the component names is refused before it is opened: it is no
// serial port (whoever else has /dev/null open says nothing of it), or
// another program holds it, as far as we may see without opening it.
bool RefusedUnopened(TSerCustomComm& Comm, PortOpening& Result) {
  if (const auto path = Comm.PortTable().Resolve(Comm.FormattedDeviceName())) {
    Result.NotSerial = !IsSerialDevice(*path);
    if (Result.NotSerial) return true;
    Result.Holders = PortHoldersOf(*path);
    Result.Busy = !Result.Holders.empty();
  }
  return Result.Busy;
}

// Why an open failed, from what it raised (an exception_ptr, so that a
// thread's failure can be read on the window's).
void Refused(const std::exception_ptr& Error, PortOpening& Result) {
  try {
    std::rethrow_exception(Error);
  } catch (const ESerCommError& e) {
    Result.Error = e.what();
    Result.Code = e.Code();
    Result.Busy = SerIsHeldElsewhere(e.Code());
    Result.NotFound = e.DeviceNotFound();
    Result.Denied = SerIsAccessDenied(e.Code());
  } catch (const std::exception& e) {
    Result.Error = e.what();
  }
}

}  // namespace

PortOpening OpenUnlessHeld(TSerCustomComm& Comm) {
  PortOpening result;
  if (RefusedUnopened(Comm, result)) return result;
  try {
    Comm.Open();
    result.Opened = true;
  } catch (...) {
    Refused(std::current_exception(), result);
  }
  if (!result.Opened && Comm.IsOpen()) Comm.Close();
  return result;
}

// One background open, shared by its thread and the window's thread.
struct CommPortAccess::Background : std::enable_shared_from_this<Background> {
  TSerOpenRequest Request;
  std::function<void(const PortOpening&)> Done;  // the window's thread only
  std::mutex Lock;
  std::condition_variable Ended;
  // Guarded by Lock. Owner and Dispatcher are cleared when the open is
  // abandoned: nothing is posted then, and the access may be gone. Port is
  // the device opened and not yet adopted, Error why it did not open, Over
  // that the thread is done with the device. Ended tells of a change to any.
  CommPortAccess* Owner = nullptr;
  TSerDispatcher* Dispatcher = nullptr;
  std::unique_ptr<TSerPort> Port;
  std::exception_ptr Error;
  bool Over = false;

  // The thread: the slow open, then its outcome posted to the window's
  // thread. A device opened but abandoned, before the post or after it,
  // is closed here: a slow device is slow to close too, and the window's
  // thread never waits for it.
  void Run() {
    std::unique_ptr<TSerPort> port;
    std::exception_ptr error;
    try {
      port = TSerCustomComm::OpenDevice(Request);
    } catch (...) {
      error = std::current_exception();
    }
    {
      std::unique_lock<std::mutex> hold(Lock);
      if (Dispatcher != nullptr) {
        Port = std::move(port);
        Error = error;
        Dispatcher->Post([self = shared_from_this()] { self->Deliver(); });
        Ended.wait(hold, [this] { return Port == nullptr || Owner == nullptr; });
        port = std::move(Port);
      }
    }
    port.reset();
    std::lock_guard<std::mutex> hold(Lock);
    Over = true;
    Ended.notify_all();
  }

  void WaitOver() {
    std::unique_lock<std::mutex> hold(Lock);
    Ended.wait(hold, [this] { return Over; });
  }

  // The window's thread: takes the device unless the open was abandoned.
  void Deliver() {
    std::unique_ptr<TSerPort> port;
    std::exception_ptr error;
    CommPortAccess* owner = nullptr;
    {
      std::lock_guard<std::mutex> hold(Lock);
      owner = Owner;
      if (owner == nullptr) return;
      port = std::move(Port);
      error = Error;
    }
    Ended.notify_all();
    owner->Adopt(*this, std::move(port), error);
  }
};

CommPortAccess::CommPortAccess(TSerCustomComm& Comm, TSerPortTable Table) : comm_(Comm), table_(std::move(Table)) {}

CommPortAccess::~CommPortAccess() { Abandon(); }

TSerPortScan CommPortAccess::Scan(const std::string& OwnPath) {
  TSerScanOptions options;
  options.OwnPath = OwnPath;
  return ScanPortTable(table_, options);
}

PortOpening CommPortAccess::Open(const TSerPortEntry& Entry) {
  Close();
  try {
    comm_.SetPortNum(Entry.PortNum);
  } catch (const std::exception& e) {
    PortOpening refused;
    refused.Error = e.what();
    return refused;
  }
  return OpenUnlessHeld(comm_);
}

void CommPortAccess::OpenInBackground(const TSerPortEntry& Entry, std::function<void(const PortOpening&)> Done) {
  Close();
  PortOpening refused;
  try {
    comm_.SetPortNum(Entry.PortNum);
  } catch (...) {
    Refused(std::current_exception(), refused);
    Done(refused);
    return;
  }
  if (comm_.Dispatcher() == nullptr) {
    Done(OpenUnlessHeld(comm_));
    return;
  }
  if (RefusedUnopened(comm_, refused)) {
    Done(refused);
    return;
  }
  auto background = std::make_shared<Background>();
  background->Request = comm_.OpenRequest();
  background->Done = std::move(Done);
  background->Owner = this;
  background->Dispatcher = comm_.Dispatcher();
  // An abandoned open of the same device lets it go before this one opens it
  // (a second open of a port is refused as if another program held it).
  std::erase_if(abandoned_, [](const std::weak_ptr<Background>& b) { return b.expired(); });
  std::vector<std::shared_ptr<Background>> before;
  for (const auto& weak : abandoned_)
    if (const auto b = weak.lock(); b && b->Request.Path == background->Request.Path) before.push_back(b);
  background_ = background;
  // Detached: closing the window never waits for a device that takes its
  // time to answer; the thread keeps only what it shares.
  try {
    std::thread([background, before = std::move(before)] {
      for (const auto& b : before) b->WaitOver();
      background->Run();
    }).detach();
  } catch (...) {  // no thread to be had
    const auto done = std::move(background->Done);
    Abandon();
    Refused(std::current_exception(), refused);
    done(refused);
  }
}

void CommPortAccess::Adopt(Background& Opened, std::unique_ptr<TSerPort> Port, const std::exception_ptr& Error) {
  background_.reset();
  PortOpening opening;
  try {
    if (Error) std::rethrow_exception(Error);
    comm_.Adopt(std::move(Port), Opened.Request);
    opening.Opened = true;
  } catch (...) {
    Refused(std::current_exception(), opening);
  }
  const auto done = std::move(Opened.Done);
  done(opening);
}

void CommPortAccess::Abandon() {
  if (!background_) return;
  {
    // A device opened and not yet adopted is closed by the open's thread.
    std::lock_guard<std::mutex> hold(background_->Lock);
    background_->Owner = nullptr;
    background_->Dispatcher = nullptr;
  }
  background_->Ended.notify_all();
  background_->Done = nullptr;
  abandoned_.push_back(background_);
  background_.reset();
}

std::string CommPortAccess::OpenPath() const {
  return table_.Resolve(comm_.FormattedDeviceName()).value_or("");
}

void CommPortAccess::Close() {
  Abandon();
  if (comm_.IsOpen()) comm_.Close();
}

}  // namespace galt
