#pragma once
// The hand-over to the window's event thread. The serial component never
// calls a handler on its worker threads: it posts the call here and waits for
// it to finish (or for its own stop signal) in the worker.

#include <functional>

namespace galt {

class TSerDispatcher {
 public:
  virtual ~TSerDispatcher() = default;
  // Queues Call to run later on the event thread, in posting order. Safe to
  // call from any thread. A call that never runs (the event thread has gone)
  // is simply destroyed.
  virtual void Post(std::function<void()> Call) = 0;
};

}  // namespace galt
