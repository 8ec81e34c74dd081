#include "frontend/CoreBinding.h"

namespace galt {

CoreBinding::CoreBinding(LoaderCore& core, TSerCustomComm& comm, CoreBindingHandlers handlers)
    : core_(core), handlers_(std::move(handlers)) {
  comm.OnRxChar = [this](TSerCustomComm*, int count) { handlers_.Dispatch([this, count] { core_.cp1RxChar(count); }); };
  comm.SetExceptionDisplay([this](std::exception_ptr error) {
    try {
      std::rethrow_exception(error);
    } catch (const std::exception& e) {
      if (handlers_.Trace) handlers_.Trace->PortError(e.what());
      if (e.what() == shownError_) return;
      shownError_ = e.what();
      if (handlers_.ShowError) handlers_.ShowError(e);
    }
  });
  const auto changed = [this] {
    core_.LinkReset();
    if (handlers_.LineChanged) handlers_.LineChanged();
  };
  comm.OnOpen = [this, changed](TSerCustomComm* sender) {
    shownError_.clear();
    if (handlers_.Trace) handlers_.Trace->Opened(*sender);
    changed();
  };
  comm.OnClose = [this, changed](TSerCustomComm*) {
    if (handlers_.Trace) handlers_.Trace->Closed();
    changed();
  };
  comm.OnDeviceLost = [this](TSerCustomComm*) {
    if (handlers_.Trace) handlers_.Trace->DeviceLost();
    if (handlers_.DeviceLost) handlers_.DeviceLost();
  };
  // Line errors are only traced: reception goes on as without a handler.
  if (handlers_.Trace) {
    comm.OnError = [this](TSerCustomComm*, std::uint32_t errors) { handlers_.Trace->LineErrors(errors); };
  }
  core_.DispatchTimerTicks(handlers_.Dispatch);
}

}  // namespace galt
