#pragma once
// A front end's LoaderCore bound to the serial component: every handler of
// the core (received data, the sequence's timer ticks) runs through the
// front end's Dispatch; a port opened or closed makes the core drop what it
// collected from the old line; an error the component raises during a
// delivery is shown once (a dead adapter fails the same way at every
// delivery) until the port is opened again; a device lost is handed on.

#include <exception>
#include <functional>
#include <string>

#include "frontend/LineTracing.h"
#include "sequences/LoaderCore.h"
#include "serial/SerComm.h"

namespace galt {

struct CoreBindingHandlers {
  // Runs a handler of the core as the front end runs every handler.
  std::function<void(const std::function<void()>&)> Dispatch;
  // Shows an error the component raised during a delivery.
  std::function<void(const std::exception&)> ShowError;
  // The port was opened or closed; the core has dropped the old line.
  std::function<void()> LineChanged;
  // The device behind the open port has gone (OnDeviceLost).
  std::function<void()> DeviceLost;
  // Told of the port's open, close, loss and errors, when tracing.
  LineTracing* Trace = nullptr;
};

class CoreBinding {
 public:
  // Takes over the component's OnRxChar, OnOpen, OnClose, OnDeviceLost and
  // exception display (and OnError when tracing), and the core's timer ticks.
  CoreBinding(LoaderCore& core, TSerCustomComm& comm, CoreBindingHandlers handlers);
  CoreBinding(const CoreBinding&) = delete;
  CoreBinding& operator=(const CoreBinding&) = delete;

 private:
  LoaderCore& core_;
  CoreBindingHandlers handlers_;
  std::string shownError_;  // shown already since the port was opened
};

}  // namespace galt
